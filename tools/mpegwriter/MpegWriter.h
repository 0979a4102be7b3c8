#pragma once
// Writes MPEG audio Layer I streams (no Layer I encoder is packaged) and Layer III streams from
// chosen quantised spectra and side information (what lame never writes) for the decoder's tests,
// and the test signals and WAV files the reference comparisons start from.
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace mpegwriter {

// Bits, first bit most significant, into bytes.
class BitWriter {
  public:
    void Put(uint32_t value, int bits);
    void PadToByte();
    size_t bitCount() const { return bits_; }
    const std::vector<uint8_t>& bytes() const { return bytes_; }

  private:
    std::vector<uint8_t> bytes_;
    size_t bits_ = 0;
};

struct LayerOneFormat {
    int sampleRate = 44100; // 32000, 44100, 48000; 16000, 22050, 24000 as the lower rates
    int bitrate = 384;      // kbit/s, one of the layer's rates
    int mode = 0;           // 0 stereo, 1 joint stereo (bound 4 x (modeExtension + 1)), 2 dual, 3 mono
    int modeExtension = 0;
    bool crc = false;
    int channels() const { return mode == 3 ? 1 : 2; }
};

// The 32-bit header of a frame of this format; false when the rate or bitrate has no code.
bool LayerOneHeader(const LayerOneFormat& format, int padding, uint32_t* header);

// Encodes interleaved 16-bit PCM with the standard's analysis filter bank (window = synthesis window
// / 32), scale factors from each subband's peak and a greedy allocation within the frame's bits.
std::vector<uint8_t> EncodeLayerOne(const LayerOneFormat& format, const std::vector<int16_t>& pcm);

// One granule of one channel of a Layer III frame: the quantised spectrum and the choices the
// side information and scale factors carry.
struct LayerThreeGranule {
    int values[576] = {};
    // -1: big values up to the last value beyond +-1 (rounded to quadruples), the rest as
    // quadruples; otherwise this many pairs (over 288 reaches beyond the spectrum: written as 0).
    int bigValues = -1;
    int globalGain = 150;
    int scalefacCompress = 0; // MPEG-1 0..15; lower rates 0..511
    int blockType = 0;        // 0 without window switching; 1, 2, 3 with it
    bool mixed = false;
    int tableSelect[3] = {1, 1, 1}; // the third is not sent with window switching
    int subblockGain[3] = {};
    int region0Count = 7, region1Count = 7; // sent without window switching
    bool preflag = false;                   // MPEG-1; at the lower rates scalefac_compress >= 500
    int scalefacScale = 0;
    int count1Table = 0;
    int l[22] = {};    // long-band scale factors
    int s[3][13] = {}; // short-band scale factors by window
};

struct LayerThreeFrame {
    LayerThreeGranule granule[2][2]; // [granule][channel]; the lower rates use granule 0
    int scfsi[2][4] = {};            // MPEG-1
    int modeExtension = 0;
    int privateBits = 0;
};

struct LayerThreeFormat {
    int sampleRate = 44100; // 32000, 44100, 48000; 16000, 22050, 24000
    int bitrate = 128;
    int mode = 0; // 0 stereo, 1 joint stereo, 2 dual channel, 3 mono
    bool crc = false;
    // The most main_data_begin may reach back (at most 511, at the lower rates 255); main data
    // starts as early as the earlier frames leave room.
    int maxReservoir = 511;
    int channels() const { return mode == 3 ? 1 : 2; }
};

// Headers, side information, scale factors and Huffman codes of the frames; empty with a reason in
// `error` when a value cannot be written (a value outside its table, a scale factor wider than its
// slen, main data that does not fit).
std::vector<uint8_t> WriteLayerThree(const LayerThreeFormat& format,
                                     const std::vector<LayerThreeFrame>& frames, std::string* error);
// The main_data_begin each frame of the last WriteLayerThree got.
const std::vector<int>& LastMainDataBegins();
// The largest magnitude a Huffman table writes (0 for table 0, -1 for the unused 4 and 14).
int LayerThreeTableLimit(int table);
// The big-value region (0..2) a line of a granule falls in at this rate.
int LayerThreeRegion(int sampleRate, const LayerThreeGranule& g, int line);

// Frames of seeded-random allocations (0..14), scale factors (0..62) and codes.
std::vector<uint8_t> RandomLayerOne(const LayerOneFormat& format, int frames, uint32_t seed);

// A logarithmic sweep with noise bursts from 0.1 s; each channel has its own sweep and noise.
std::vector<int16_t> SweepWithBursts(int sampleRate, int channels, double seconds, uint32_t seed);

// A 16-bit PCM WAV file; false when it cannot be written.
bool WriteWav(const std::string& path, const std::vector<int16_t>& pcm, int sampleRate, int channels);

} // namespace mpegwriter
