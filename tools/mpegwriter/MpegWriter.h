#pragma once
// Writes MPEG audio Layer I streams for the decoder's tests (no Layer I encoder is packaged), and
// the test signals and WAV files the reference comparisons start from.
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

// Frames of seeded-random allocations (0..14), scale factors (0..62) and codes.
std::vector<uint8_t> RandomLayerOne(const LayerOneFormat& format, int frames, uint32_t seed);

// A logarithmic sweep with noise bursts from 0.1 s; each channel has its own sweep and noise.
std::vector<int16_t> SweepWithBursts(int sampleRate, int channels, double seconds, uint32_t seed);

// A 16-bit PCM WAV file; false when it cannot be written.
bool WriteWav(const std::string& path, const std::vector<int16_t>& pcm, int sampleRate, int channels);

} // namespace mpegwriter
