#pragma once
// Decodes an MPEG audio stream (MPEG-1 and the lower sampling rates of MPEG-2; Layers I, II and
// III) that lies whole in memory into interleaved signed 16-bit PCM, delivered in any amounts.
// The stream's format comes from its first header; each later header is expected exactly where
// the previous frame ends (no search for sync). The start delay of the filter banks is dropped.
//
// One decoder is used by one thread at a time; decoders on different threads are independent
// (all scratch is on the stack or in the object, the shared tables are read-only).
#include "media/mpeg/MpegBitReservoir.h"

#include <cstddef>
#include <cstdint>

namespace mpeg {
struct SynthesisTables;
struct Layer3Tables;
} // namespace mpeg

// Layer III side information of one granule and channel.
struct MpegGranuleInfo {
    int part23Length;
    int bigValues;
    int globalGain;
    int scalefacCompress;
    int windowSwitching;
    int blockType;
    int mixedBlock;
    int tableSelect[3];
    int subblockGain[3];
    int region0Count;
    int region1Count;
    int preflag;
    int scalefacScale;
    int count1Table;
};

// Layer III scale factors of one channel: long bands l[0..22] (21, 22 always 0), short bands
// s[window][0..12] (12 always 0).
struct MpegScaleFactors {
    int l[23];
    int s[3][13];
};

class CMpegAudioDecoder {
  public:
    static constexpr int kFrameSamples = 2304; // 1152 sample times x 2 channels

    // Layer III hands its subband samples to the fixed-point synthesis (the default) or, unscaled,
    // to the floating-point one. Set before Open.
    enum class Synthesis { Fixed, Float };
    void setSynthesis(Synthesis s) { synthesisForm_ = s; }
    Synthesis synthesis() const { return synthesisForm_; }

    CMpegAudioDecoder();
    virtual ~CMpegAudioDecoder();
    CMpegAudioDecoder(const CMpegAudioDecoder&) = delete;
    CMpegAudioDecoder& operator=(const CMpegAudioDecoder&) = delete;

    // data is the first header byte; the caller keeps the bytes alive until Close. -1 when the first
    // header is not acceptable (the decoder still counts as open).
    int Open(const uint8_t* data, size_t length);
    // Up to count bytes of PCM; fewer only when decoding stops, 0 when nothing more can be decoded.
    int Read(void* buffer, int count);
    int Close();

    virtual int NextFrameHeader();
    virtual int ParseFirstHeader();
    int ParseHeader(uint32_t header);
    int DecodeFrame(int16_t* pcm);
    uint32_t GetBits(int n);

    // The two forms of the polyphase synthesis: one time slot of 32 subband samples per channel of
    // the current frame into 32 PCM samples per channel, interleaved. Fixed point takes Q14 input.
    void ResetSynthesis();
    void SynthesizeFloat(int16_t* out, const float* in);
    void SynthesizeFixed(int16_t* out, const int16_t* in);

    bool isOpen() const { return open_; }
    // The stream's rate, from the first header; later headers do not change it.
    int sampleRate() const { return streamSampleRate_; }
    int channels() const { return channels_; }
    int layer() const { return layer_; }
    int bitrate() const { return bitrate_; }
    int mode() const { return mode_; }
    int frameDataLength() const { return frameDataLength_; }
    int deliveredBytesPerFrame() const { return deliveredBytes_; }
    int granules() const { return granules_; }
    bool lowerSamplingRate() const { return lowerRate_; }
    // Bit position, from the first header, of the next bit the frame reader takes.
    int64_t bitCursor() const { return bitCursor_; }
    // Bit position of the header the next frame is expected at.
    int64_t nextFramePosition() const { return nextFrame_; }
    int64_t framesDecoded() const { return framesDecoded_; }
    // Set per Layer II frame: subband limit and joint-stereo bound.
    int layer2SubbandLimit() const { return subbandLimit_; }
    int jointBound() const { return jointBound_; }

    // Layer III parsing: side information from the frame stream; scale factors and spectra from the
    // bit reservoir.
    bool ReadSideInfo();
    void GatherMainData();
    void ReadScaleFactors(int ch, int gr);
    void ReadScaleFactorsLsf(int ch, int gr);
    void HuffmanDecodeGranule(int ch, int gr, int* is, int part2Start);
    int HuffmanDecodeCode(int table, int* x, int* y, int* v, int* w);
    // Layer III reconstruction.
    void Requantize(float* xr, int ch, int gr, const int* is);
    void ProcessStereo(int gr, float (*lr)[576], float (*xr)[576]);
    void IntensityFactorsLsf(int position, int scale, float* k0, float* k1) const;
    void ReorderShortBlocks(const float* lr, int ch, int gr, float* out);
    void Antialias(int ch, int gr, float* x);
    void HybridSynthesis(int ch, int gr, float* x, int subbands);

    // The hand-over to the fixed-point synthesis: 576 values x 16384, rounded to the nearest (ties
    // to even), limited to 16 bits, NaN as 0.
    static void HandOverFixed(const float* hybrid, int16_t* q14);

    MpegBitReservoir& reservoir() { return reservoir_; }
    MpegGranuleInfo& granuleInfo(int ch, int gr) { return granule_[ch][gr]; }
    MpegScaleFactors& scaleFactors(int ch) { return scaleFactors_[ch]; }
    int mainDataBegin() const { return mainDataBegin_; }
    int scfsi(int ch, int band) const { return scfsi_[ch][band]; }
    int nonzeroCount(int ch) const { return nonzero_[ch]; }
    int reservoirBytes() const { return reservoirBytes_; }
    // Bytes the reader moved before the last frame's first granule: forward (> 0), back (< 0), or
    // 0 when main_data_begin reached before the bytes the reservoir holds.
    int lastSkip() const { return lastSkip_; }
    float overlap(int ch, int i) const { return overlap_[ch][i]; }
    // The channels' hybrid output of the last granule, by [channel][subband x 18 + slot].
    const float* hybridOutput(int ch) const { return hybrid_[ch]; }

  private:
    void SetupStream();
    void ResetPosition();
    int DecodeLayer1(int16_t* pcm);
    int DecodeLayer2(int16_t* pcm);
    int DecodeLayer3(int16_t* pcm);
    int16_t* SynthesizeGranule(int16_t* pcm);
    struct Layer2Frame;
    void ReadLayer2Samples(const Layer2Frame& frame, float (*samples)[2][32], int part);
    void DctFloat(float* evenRing, float* oddRing, const float* in);
    void DctFixed(int16_t* evenRing, int16_t* oddRing, const int16_t* in);

    // Synthesis history: per channel the matrixing results of the last 16 slots, each stored in the
    // two arrangements the window reads (V[0..31] and V[32..63] without their signs).
    float historyFloat_[2][16][2][32];
    int16_t historyFixed_[2][16][2][32];
    int16_t pcm_[kFrameSamples];

    int sampleRate_ = 0; // of the current header
    int streamSampleRate_ = 0;
    int fullBytes_ = 0;
    int frameDataLength_ = 0;
    int deliveredBytes_ = 0;
    int subbandLimit_ = 0;
    int jointBound_ = 0;

    // Layer III state, set up by Open for every stream.
    float overlap_[2][576];
    float hybrid_[2][576];
    int16_t nonzero_[2];
    MpegBitReservoir reservoir_;
    int mainDataBegin_ = 0;
    int privateBits_ = 0;
    int scfsi_[2][4] = {};
    MpegGranuleInfo granule_[2][2] = {};
    MpegScaleFactors scaleFactors_[2] = {};
    int reservoirBytes_ = 0;
    int lastSkip_ = 0;
    int activeLines_[2] = {576, 576}; // lines Antialias looks at, set per granule
    Synthesis synthesisForm_ = Synthesis::Fixed;
    const mpeg::Layer3Tables* layer3_;

    int bitrate_ = 0;
    const uint8_t* data_ = nullptr;
    int64_t length_ = 0;
    int64_t bitCursor_ = 0;
    int64_t nextFrame_ = 0;
    int64_t framesDecoded_ = 0;
    bool open_ = false;
    uint8_t ringOffset_ = 0;
    bool lowerRate_ = false;
    uint8_t sfbRow_ = 0;
    uint8_t granules_ = 0;
    uint8_t layer_ = 0;
    uint8_t id_ = 0;
    uint8_t protection_ = 0;
    uint8_t bitrateIndex_ = 0;
    uint8_t sampleRateIndex_ = 0;
    uint8_t padding_ = 0;
    uint8_t mode_ = 0;
    uint8_t modeExtension_ = 0;
    bool started_ = false;
    uint8_t channels_ = 0;
    int slotSamples_ = 0;
    int readPosition_ = 0;
    const mpeg::SynthesisTables* synthesis_;
};
