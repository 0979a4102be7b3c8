#include "mpegwriter/MpegWriter.h"

#include "media/mpeg/MpegTables.h"

#include <algorithm>
#include <cmath>
#include <fstream>

namespace mpegwriter {

namespace {

constexpr double kPi = 3.14159265358979323846;

struct FrameContent {
    int allocation[2][32] = {};
    int scale[2][32] = {};
    int codes[12][2][32] = {};
};

int Bound(const LayerOneFormat& f) {
    return f.mode == 1 ? 4 * (f.modeExtension + 1) : 32;
}

int FrameBytes(const LayerOneFormat& f, int padding) {
    return (12000 * f.bitrate / f.sampleRate + padding) * 4;
}

// Bits of the frame's allocations, scale factors and samples (header and CRC not counted).
int ContentBits(const LayerOneFormat& f, const FrameContent& c) {
    const int nch = f.channels(), bound = Bound(f);
    int bits = 0;
    for (int sb = 0; sb < 32; ++sb) {
        bits += sb < bound ? 4 * nch : 4;
        for (int ch = 0; ch < nch; ++ch)
            if (c.allocation[ch][sb])
                bits += 6 + (sb < bound || ch == 0 ? 12 * (c.allocation[ch][sb] + 1) : 0);
    }
    return bits;
}

uint16_t Crc16(uint16_t crc, uint32_t value, int bits) {
    for (int i = bits - 1; i >= 0; --i) {
        bool bit = ((value >> i) & 1) != ((crc >> 15) & 1);
        crc = static_cast<uint16_t>(crc << 1);
        if (bit) crc ^= 0x8005;
    }
    return crc;
}

std::vector<uint8_t> WriteFrame(const LayerOneFormat& f, int padding, const FrameContent& c) {
    const int nch = f.channels(), bound = Bound(f);
    uint32_t header = 0;
    LayerOneHeader(f, padding, &header);
    BitWriter allocationBits;
    uint16_t crc = Crc16(0xFFFF, header & 0xFFFF, 16);
    for (int sb = 0; sb < 32; ++sb)
        for (int ch = 0; ch < (sb < bound ? nch : 1); ++ch) {
            allocationBits.Put(static_cast<uint32_t>(c.allocation[ch][sb]), 4);
            crc = Crc16(crc, static_cast<uint32_t>(c.allocation[ch][sb]), 4);
        }
    BitWriter w;
    w.Put(header, 32);
    if (f.crc) w.Put(crc, 16);
    for (int sb = 0; sb < 32; ++sb)
        for (int ch = 0; ch < (sb < bound ? nch : 1); ++ch)
            w.Put(static_cast<uint32_t>(c.allocation[ch][sb]), 4);
    for (int sb = 0; sb < 32; ++sb)
        for (int ch = 0; ch < nch; ++ch)
            if (c.allocation[ch][sb]) w.Put(static_cast<uint32_t>(c.scale[ch][sb]), 6);
    for (int slot = 0; slot < 12; ++slot)
        for (int sb = 0; sb < 32; ++sb)
            for (int ch = 0; ch < (sb < bound ? nch : 1); ++ch)
                if (int nb = c.allocation[ch][sb])
                    w.Put(static_cast<uint32_t>(c.codes[slot][ch][sb]), nb + 1);
    const size_t size = static_cast<size_t>(FrameBytes(f, padding));
    std::vector<uint8_t> bytes = w.bytes();
    bytes.resize(size, 0);
    return bytes;
}

// Padding that keeps the average bitrate: one more slot whenever the remainder adds up to a rate.
class Padder {
  public:
    explicit Padder(const LayerOneFormat& f) : f_(f) {}
    int Next() {
        rest_ += 12000 * f_.bitrate % f_.sampleRate;
        if (rest_ < f_.sampleRate) return 0;
        rest_ -= f_.sampleRate;
        return 1;
    }

  private:
    LayerOneFormat f_;
    int rest_ = 0;
};

double ScaleFactor(int index) {
    return 2.0 * std::pow(2.0, -index / 3.0);
}

// The smallest scale factor that still covers the peak.
int ScaleIndexFor(double peak) {
    int index = 0;
    while (index < 62 && ScaleFactor(index + 1) >= peak)
        ++index;
    return index;
}

int Quantise(double normalised, int nb) {
    const int levels = (1 << (nb + 1)) - 1;
    long code = std::lround(normalised * levels / 2.0 + ((1 << nb) - 1));
    return static_cast<int>(std::clamp<long>(code, 0, levels - 1));
}

// The analysis filter bank of one channel.
class Analysis {
  public:
    Analysis() {
        for (int i = 0; i < 512; ++i)
            window_[i] = mpeg::SynthesisWindow(i) / 32.0;
        for (int k = 0; k < 32; ++k)
            for (int i = 0; i < 64; ++i)
                matrix_[k][i] = std::cos((2 * k + 1) * (i - 16) * kPi / 64.0);
    }
    // 32 new samples (-1..1) in, 32 subband samples out.
    void Slot(const double* in, double* out) {
        std::copy_backward(x_, x_ + 480, x_ + 512);
        for (int i = 0; i < 32; ++i)
            x_[31 - i] = in[i];
        double y[64] = {};
        for (int i = 0; i < 64; ++i)
            for (int j = 0; j < 8; ++j)
                y[i] += window_[i + 64 * j] * x_[i + 64 * j];
        for (int k = 0; k < 32; ++k) {
            double s = 0;
            for (int i = 0; i < 64; ++i)
                s += matrix_[k][i] * y[i];
            out[k] = s;
        }
    }

  private:
    double x_[512] = {};
    double window_[512];
    double matrix_[32][64];
};

} // namespace

void BitWriter::Put(uint32_t value, int bits) {
    for (int i = bits - 1; i >= 0; --i) {
        if (bits_ % 8 == 0) bytes_.push_back(0);
        if ((value >> i) & 1) bytes_.back() |= static_cast<uint8_t>(0x80 >> (bits_ % 8));
        ++bits_;
    }
}

void BitWriter::PadToByte() {
    while (bits_ % 8)
        Put(0, 1);
}

bool LayerOneHeader(const LayerOneFormat& f, int padding, uint32_t* header) {
    int sampling = -1, lower = 0;
    for (int i = 0; i < 6; ++i)
        if (mpeg::kSampleRates[i] == f.sampleRate) sampling = i % 3, lower = i / 3;
    int index = -1;
    for (int i = 1; i < 15; ++i)
        if (mpeg::kBitrates[lower][1][i] == f.bitrate) index = i;
    if (sampling < 0 || index < 0) return false;
    *header = 0xFFF00000u | uint32_t(lower ? 0 : 1) << 19 | 3u << 17 | uint32_t(f.crc ? 0 : 1) << 16 |
              uint32_t(index) << 12 | uint32_t(sampling) << 10 | uint32_t(padding) << 9 |
              uint32_t(f.mode) << 6 | uint32_t(f.modeExtension & 3) << 4;
    return true;
}

std::vector<uint8_t> EncodeLayerOne(const LayerOneFormat& f, const std::vector<int16_t>& pcm) {
    const int nch = f.channels(), bound = Bound(f);
    const size_t times = pcm.size() / nch;
    const size_t frames = (times + 383) / 384;
    Analysis analysis[2];
    Padder padder(f);
    std::vector<uint8_t> out;
    for (size_t frame = 0; frame < frames; ++frame) {
        double sub[12][2][32];
        for (int slot = 0; slot < 12; ++slot)
            for (int ch = 0; ch < nch; ++ch) {
                double in[32];
                for (int i = 0; i < 32; ++i) {
                    size_t t = frame * 384 + slot * 32 + i;
                    in[i] = t < times ? pcm[t * nch + ch] / 32768.0 : 0.0;
                }
                analysis[ch].Slot(in, sub[slot][ch]);
            }
        const int padding = padder.Next();
        FrameContent c;
        double peak[2][32] = {};
        for (int ch = 0; ch < nch; ++ch)
            for (int sb = 0; sb < 32; ++sb) {
                for (int slot = 0; slot < 12; ++slot)
                    peak[ch][sb] = std::max(peak[ch][sb], std::fabs(sub[slot][ch][sb]));
                c.scale[ch][sb] = ScaleIndexFor(peak[ch][sb]);
            }
        // Greedy allocation: one more bit where the signal stands highest above its quantisation.
        const int budget = FrameBytes(f, padding) * 8 - 32 - (f.crc ? 16 : 0);
        double levelDb[2][32];
        for (int sb = 0; sb < 32; ++sb)
            for (int ch = 0; ch < nch; ++ch) {
                double level = sb >= bound && nch == 2 ? std::max(peak[0][sb], peak[1][sb]) : peak[ch][sb];
                levelDb[ch][sb] = level < 1e-5 ? -1e9 : 20 * std::log10(level);
            }
        int used = ContentBits(f, c);
        for (;;) {
            int bestCh = -1, bestSb = -1, bestCost = 0;
            double best = -1e9;
            for (int sb = 0; sb < 32; ++sb)
                for (int ch = 0; ch < (sb < bound ? nch : 1); ++ch) {
                    const bool shared = sb >= bound && nch == 2;
                    if (levelDb[ch][sb] < -1e8 || c.allocation[ch][sb] >= 14) continue;
                    double gain = levelDb[ch][sb] - 6.02 * c.allocation[ch][sb];
                    int cost = c.allocation[ch][sb] ? 12 : 24 + (shared ? 12 : 6);
                    if (gain <= best || used + cost > budget) continue;
                    best = gain, bestCh = ch, bestSb = sb, bestCost = cost;
                }
            if (bestCh < 0) break;
            used += bestCost;
            c.allocation[bestCh][bestSb]++;
            if (bestSb >= bound && nch == 2) c.allocation[1][bestSb] = c.allocation[0][bestSb];
        }
        for (int slot = 0; slot < 12; ++slot)
            for (int sb = 0; sb < 32; ++sb) {
                if (sb < bound) {
                    for (int ch = 0; ch < nch; ++ch)
                        if (int nb = c.allocation[ch][sb])
                            c.codes[slot][ch][sb] =
                                Quantise(sub[slot][ch][sb] / ScaleFactor(c.scale[ch][sb]), nb);
                } else if (int nb = c.allocation[0][sb]) {
                    // One code for both channels: the mean of the two normalised samples.
                    double mean = (sub[slot][0][sb] / ScaleFactor(c.scale[0][sb]) +
                                   sub[slot][1][sb] / ScaleFactor(c.scale[1][sb])) /
                                  2;
                    c.codes[slot][0][sb] = Quantise(mean, nb);
                }
            }
        std::vector<uint8_t> bytes = WriteFrame(f, padding, c);
        out.insert(out.end(), bytes.begin(), bytes.end());
    }
    return out;
}

std::vector<uint8_t> RandomLayerOne(const LayerOneFormat& f, int frames, uint32_t seed) {
    const int nch = f.channels(), bound = Bound(f);
    std::mt19937 rng(seed);
    auto below = [&rng](int n) { return static_cast<int>(rng() % static_cast<uint32_t>(n)); };
    Padder padder(f);
    std::vector<uint8_t> out;
    for (int frame = 0; frame < frames; ++frame) {
        const int padding = padder.Next();
        const int budget = FrameBytes(f, padding) * 8 - 32 - (f.crc ? 16 : 0);
        FrameContent c;
        int most = 14;
        do {
            for (int sb = 0; sb < 32; ++sb)
                for (int ch = 0; ch < nch; ++ch) {
                    c.allocation[ch][sb] = sb >= bound && ch == 1 ? c.allocation[0][sb] : below(most + 1);
                    c.scale[ch][sb] = below(63);
                }
            most = std::max(0, most - 1);
        } while (ContentBits(f, c) > budget);
        for (int slot = 0; slot < 12; ++slot)
            for (int sb = 0; sb < 32; ++sb)
                for (int ch = 0; ch < nch; ++ch)
                    if (int nb = c.allocation[ch][sb]) c.codes[slot][ch][sb] = below((1 << (nb + 1)) - 1);
        std::vector<uint8_t> bytes = WriteFrame(f, padding, c);
        out.insert(out.end(), bytes.begin(), bytes.end());
    }
    return out;
}

std::vector<int16_t> SweepWithBursts(int rate, int channels, double seconds, uint32_t seed) {
    std::mt19937 rng(seed);
    std::normal_distribution<double> noise(0.0, 0.15);
    const size_t n = static_cast<size_t>(seconds * rate);
    std::vector<int16_t> pcm(n * channels);
    for (int ch = 0; ch < channels; ++ch) {
        // Each channel its own range, so that swapped channels cannot match.
        const double f0 = ch ? 150.0 : 60.0, f1 = rate * (ch ? 0.3 : 0.42);
        double phase = 0;
        for (size_t t = 0; t < n; ++t) {
            double time = static_cast<double>(t) / rate;
            double freq = f0 * std::pow(f1 / f0, time / seconds);
            phase += 2 * kPi * freq / rate;
            double v = 0.35 * std::sin(phase);
            // 30 ms bursts every 170 ms (offset per channel) from 0.1 s on.
            double inBurst = std::fmod(time - 0.1 - 0.05 * ch, 0.17);
            if (time >= 0.1 + 0.05 * ch && inBurst < 0.03) v += noise(rng);
            pcm[t * channels + ch] = static_cast<int16_t>(std::lround(std::clamp(v, -1.0, 1.0) * 32767));
        }
    }
    return pcm;
}

bool WriteWav(const std::string& path, const std::vector<int16_t>& pcm, int rate, int channels) {
    std::ofstream out(path, std::ios::binary);
    auto u32 = [&out](uint32_t v) {
        for (int i = 0; i < 4; ++i)
            out.put(static_cast<char>(v >> (8 * i)));
    };
    auto u16 = [&out](uint16_t v) {
        out.put(static_cast<char>(v & 0xFF));
        out.put(static_cast<char>(v >> 8));
    };
    const uint32_t dataBytes = static_cast<uint32_t>(pcm.size() * 2);
    out.write("RIFF", 4);
    u32(36 + dataBytes);
    out.write("WAVEfmt ", 8);
    u32(16);
    u16(1);
    u16(static_cast<uint16_t>(channels));
    u32(static_cast<uint32_t>(rate));
    u32(static_cast<uint32_t>(rate * channels * 2));
    u16(static_cast<uint16_t>(channels * 2));
    u16(16);
    out.write("data", 4);
    u32(dataBytes);
    for (int16_t s : pcm)
        u16(static_cast<uint16_t>(s));
    return static_cast<bool>(out);
}

} // namespace mpegwriter
