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
}

class CMpegAudioDecoder {
  public:
    static constexpr int kFrameSamples = 2304; // 1152 sample times x 2 channels

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

  private:
    void SetupStream();
    void ResetPosition();
    int DecodeLayer1(int16_t* pcm);
    int DecodeLayer2(int16_t* pcm);
    int DecodeLayer3(int16_t* pcm);
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
    int16_t nonzero_[2];
    MpegBitReservoir reservoir_;
    int reservoirBytes_ = 0;

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
