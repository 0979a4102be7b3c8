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

namespace mpegwriter {

namespace {

std::vector<int> lastMainDataBegins;

bool Fail(std::string* error, const std::string& why) {
    if (error) *error = why;
    return false;
}

int TableLimit(int table);

int BandRow(int sampleRate) {
    return sampleRate == 44100   ? 3
           : sampleRate == 48000 ? 4
           : sampleRate == 32000 ? 5
           : sampleRate == 22050 ? 0
           : sampleRate == 24000 ? 1
                                 : 2;
}

void Regions(int sampleRate, const LayerThreeGranule& g, int* region1, int* region2) {
    const mpeg::BandBoundaries& bands = mpeg::kBandBoundaries[BandRow(sampleRate)];
    *region1 = 36, *region2 = 576;
    if (g.blockType == 0) {
        const int a = g.region0Count + 1, b = g.region0Count + g.region1Count + 2;
        *region1 = a < 23 ? bands.l[a] : 576;
        *region2 = b < 23 ? bands.l[b] : 576;
    } else if (g.blockType != 2) {
        *region1 = bands.l[8];
    }
}

// The largest magnitude a table codes: xlen - 1, with linbits 15 + 2^linbits - 1; -1 for the
// tables that are not used (4, 14).
int TableLimit(int table) {
    if (table == 0) return 0;
    if (table == 4 || table == 14) return -1;
    const mpeg::HuffmanTableInfo& info = mpeg::Layer3HuffmanTable(table);
    int count = 0;
    mpeg::Layer3HuffmanCodes(info.codesOf, &count);
    const int xlen = count == 256  ? 16
                     : count == 64 ? 8
                     : count == 36 ? 6
                     : count == 16 ? 4
                     : count == 9  ? 3
                                   : 2;
    return info.linbits ? 15 + (1 << info.linbits) - 1 : xlen - 1;
}

bool PutCode(BitWriter& w, int table, int value, std::string* error) {
    int count = 0;
    const mpeg::HuffmanCode* codes =
        mpeg::Layer3HuffmanCodes(mpeg::Layer3HuffmanTable(table).codesOf, &count);
    for (int k = 0; k < count; ++k)
        if (codes[k].value == value) {
            w.Put(codes[k].bits, codes[k].length);
            return true;
        }
    return Fail(error, "no code for value " + std::to_string(value) + " in table " + std::to_string(table));
}

bool PutPair(BitWriter& w, int table, int x, int y, std::string* error) {
    const int limit = TableLimit(table);
    if (limit < 0 || std::abs(x) > limit || std::abs(y) > limit)
        return Fail(error, "values " + std::to_string(x) + ", " + std::to_string(y) + " outside table " +
                               std::to_string(table));
    if (table == 0) return true;
    const int linbits = mpeg::Layer3HuffmanTable(table).linbits;
    const int ax = std::min(std::abs(x), 15), ay = std::min(std::abs(y), 15);
    if (!PutCode(w, table, ax << 4 | ay, error)) return false;
    for (int v : {x, y}) {
        if (linbits && std::abs(v) >= 15) w.Put(static_cast<uint32_t>(std::abs(v) - 15), linbits);
        if (v) w.Put(v < 0 ? 1 : 0, 1);
    }
    return true;
}

struct Slens {
    int slen[4] = {};
    int counts[4] = {};
};

Slens LsfSlens(const LayerThreeGranule& g, bool intensityChannel) {
    Slens r;
    const int c = g.scalefacCompress;
    int range = 0;
    int* slen = r.slen;
    if (intensityChannel) {
        const int h = c >> 1;
        if (h < 180)
            slen[0] = h / 36, slen[1] = (h % 36) / 6, slen[2] = (h % 36) % 6, range = 3;
        else if (h < 244)
            slen[0] = ((h - 180) % 64) / 16, slen[1] = ((h - 180) % 16) / 4, slen[2] = (h - 180) % 4,
            range = 4;
        else if (h < 255)
            slen[0] = (h - 244) / 3, slen[1] = (h - 244) % 3, range = 5;
    } else if (c < 400) {
        slen[0] = (c / 16) / 5, slen[1] = (c / 16) % 5, slen[2] = (c % 16) / 4, slen[3] = c % 4;
    } else if (c < 500) {
        const int d = c - 400;
        slen[0] = (d / 4) / 5, slen[1] = (d / 4) % 5, slen[2] = d % 4, range = 1;
    } else {
        const int d = c - 500;
        slen[0] = d / 3, slen[1] = d % 3, range = 2;
    }
    const int kind = g.blockType == 2 ? (g.mixed ? 2 : 1) : 0;
    for (int k = 0; k < 4; ++k)
        r.counts[k] = mpeg::kLsfScaleFactorCounts[range][kind][k];
    return r;
}

bool PutScale(BitWriter& w, int value, int bits, std::string* error) {
    if (value < 0 || value >= (1 << bits) || (bits == 0 && value != 0))
        return Fail(error, "scale factor " + std::to_string(value) + " wider than " + std::to_string(bits) +
                               " bits");
    if (bits) w.Put(static_cast<uint32_t>(value), bits);
    return true;
}

// Scale factors and Huffman codes of one granule and channel; part2_3_length is the bits written.
bool WriteGranule(BitWriter& w, const LayerThreeFormat& f, const LayerThreeFrame& frame, int gr, int ch,
                  int* bigValues, std::string* error) {
    const LayerThreeGranule& g = frame.granule[gr][ch];
    const bool lsf = f.sampleRate < 32000;
    const bool shortBlocks = g.blockType == 2;
    if (!lsf) {
        const int slen1 = mpeg::kSlen[0][g.scalefacCompress & 15],
                  slen2 = mpeg::kSlen[1][g.scalefacCompress & 15];
        if (shortBlocks) {
            if (g.mixed)
                for (int b = 0; b < 8; ++b)
                    if (!PutScale(w, g.l[b], slen1, error)) return false;
            for (int b = g.mixed ? 3 : 0; b < 12; ++b)
                for (int win = 0; win < 3; ++win)
                    if (!PutScale(w, g.s[win][b], b < 6 ? slen1 : slen2, error)) return false;
        } else {
            const int groups[5] = {0, 6, 11, 16, 21};
            for (int k = 0; k < 4; ++k) {
                if (gr == 1 && frame.scfsi[ch][k]) continue;
                for (int b = groups[k]; b < groups[k + 1]; ++b)
                    if (!PutScale(w, g.l[b], k < 2 ? slen1 : slen2, error)) return false;
            }
        }
    } else {
        const Slens sl = LsfSlens(g, ch == 1 && (frame.modeExtension & 1));
        int buffer[45] = {};
        if (!shortBlocks) {
            for (int b = 0; b < 21; ++b)
                buffer[b] = g.l[b];
        } else if (!g.mixed) {
            for (int b = 0; b < 12; ++b)
                for (int win = 0; win < 3; ++win)
                    buffer[3 * b + win] = g.s[win][b];
        } else {
            for (int b = 0; b < 6; ++b)
                buffer[b] = g.l[b];
            for (int b = 3; b < 12; ++b)
                for (int win = 0; win < 3; ++win)
                    buffer[6 + 3 * (b - 3) + win] = g.s[win][b];
        }
        int n = 0;
        for (int k = 0; k < 4; ++k)
            for (int i = 0; i < sl.counts[k]; ++i)
                if (!PutScale(w, buffer[n++], sl.slen[k], error)) return false;
    }

    // Regions: big values in pairs, then quadruples of 0 and +-1 up to the last nonzero value.
    int last = 0;
    for (int i = 575; i >= 0; --i)
        if (g.values[i]) {
            last = i + 1;
            break;
        }
    int big = 0, top = last + (last & 1);
    if (g.bigValues >= 0) {
        big = 2 * g.bigValues;
        top = std::max(top, std::min(big, 576));
    } else {
        big = top;
        while (big >= 4 && std::abs(g.values[big - 1]) <= 1 && std::abs(g.values[big - 2]) <= 1 &&
               std::abs(g.values[big - 3]) <= 1 && std::abs(g.values[big - 4]) <= 1)
            big -= 4;
    }
    *bigValues = big / 2;
    int region1, region2;
    Regions(f.sampleRate, g, &region1, &region2);
    auto value = [&](int i) { return i < 576 ? g.values[i] : 0; };
    for (int i = 0; i < big; i += 2) {
        const int table = i < region1 ? g.tableSelect[0] : i < region2 ? g.tableSelect[1] : g.tableSelect[2];
        if (!PutPair(w, table, value(i), value(i + 1), error)) return false;
    }
    for (int i = big; i < top; i += 4) {
        int v = 0;
        for (int k = 0; k < 4; ++k) {
            const int q = value(i + k);
            if (std::abs(q) > 1)
                return Fail(error, "a quadruple value beyond +-1 at line " + std::to_string(i + k));
            v = v << 1 | (q != 0);
        }
        if (!PutCode(w, 32 + (g.count1Table & 1), v, error)) return false;
        for (int k = 0; k < 4; ++k)
            if (value(i + k)) w.Put(value(i + k) < 0 ? 1 : 0, 1);
    }
    return true;
}

} // namespace

const std::vector<int>& LastMainDataBegins() {
    return lastMainDataBegins;
}

int LayerThreeTableLimit(int table) {
    return TableLimit(table);
}

int LayerThreeRegion(int sampleRate, const LayerThreeGranule& g, int line) {
    int region1, region2;
    Regions(sampleRate, g, &region1, &region2);
    return line < region1 ? 0 : line < region2 ? 1 : 2;
}

std::vector<uint8_t> WriteLayerThree(const LayerThreeFormat& f, const std::vector<LayerThreeFrame>& frames,
                                     std::string* error) {
    lastMainDataBegins.clear();
    const bool lsf = f.sampleRate < 32000;
    const int nch = f.channels(), granules = lsf ? 1 : 2;
    int samplingCode = -1;
    const int rates[2][3] = {{22050, 24000, 16000}, {44100, 48000, 32000}};
    for (int k = 0; k < 3; ++k)
        if (rates[lsf ? 0 : 1][k] == f.sampleRate) samplingCode = k;
    int bitrateIndex = -1;
    for (int k = 1; k < 15; ++k)
        if (mpeg::kBitrates[lsf][3][k] == f.bitrate) bitrateIndex = k;
    if (samplingCode < 0 || bitrateIndex < 0) {
        Fail(error, "no code for this rate or bitrate");
        return {};
    }
    const int frameBytes = 144000 * f.bitrate / f.sampleRate / (lsf ? 2 : 1);
    const int side = lsf ? (nch == 2 ? 17 : 9) : (nch == 2 ? 32 : 17);
    const int capacity = frameBytes - 4 - side - (f.crc ? 2 : 0);
    const int reach = std::min(f.maxReservoir, lsf ? 255 : 511);

    struct Written {
        BitWriter sideInfo;
        std::vector<uint8_t> main;
    };
    std::vector<Written> written(frames.size());
    for (size_t k = 0; k < frames.size(); ++k) {
        const LayerThreeFrame& frame = frames[k];
        BitWriter main;
        int lengths[2][2] = {}, bigValues[2][2] = {};
        for (int gr = 0; gr < granules; ++gr)
            for (int ch = 0; ch < nch; ++ch) {
                const size_t before = main.bitCount();
                if (!WriteGranule(main, f, frame, gr, ch, &bigValues[gr][ch], error)) return {};
                lengths[gr][ch] = static_cast<int>(main.bitCount() - before);
                if (lengths[gr][ch] > 4095) {
                    Fail(error, "a granule longer than 4095 bits");
                    return {};
                }
            }
        main.PadToByte();
        written[k].main = main.bytes();
        BitWriter& s = written[k].sideInfo;
        s.Put(0, lsf ? 8 : 9); // main_data_begin, filled in below
        s.Put(static_cast<uint32_t>(frame.privateBits), lsf ? (nch == 1 ? 1 : 2) : (nch == 1 ? 5 : 3));
        if (!lsf)
            for (int ch = 0; ch < nch; ++ch)
                for (int b = 0; b < 4; ++b)
                    s.Put(static_cast<uint32_t>(frame.scfsi[ch][b] & 1), 1);
        for (int gr = 0; gr < granules; ++gr)
            for (int ch = 0; ch < nch; ++ch) {
                const LayerThreeGranule& g = frame.granule[gr][ch];
                s.Put(static_cast<uint32_t>(lengths[gr][ch]), 12);
                s.Put(static_cast<uint32_t>(bigValues[gr][ch]), 9);
                s.Put(static_cast<uint32_t>(g.globalGain), 8);
                s.Put(static_cast<uint32_t>(g.scalefacCompress), lsf ? 9 : 4);
                s.Put(g.blockType != 0, 1);
                if (g.blockType != 0) {
                    s.Put(static_cast<uint32_t>(g.blockType), 2);
                    s.Put(g.mixed, 1);
                    s.Put(static_cast<uint32_t>(g.tableSelect[0]), 5);
                    s.Put(static_cast<uint32_t>(g.tableSelect[1]), 5);
                    for (int gain : g.subblockGain)
                        s.Put(static_cast<uint32_t>(gain), 3);
                } else {
                    for (int t : g.tableSelect)
                        s.Put(static_cast<uint32_t>(t), 5);
                    s.Put(static_cast<uint32_t>(g.region0Count), 4);
                    s.Put(static_cast<uint32_t>(g.region1Count), 3);
                }
                if (!lsf) s.Put(g.preflag, 1);
                s.Put(static_cast<uint32_t>(g.scalefacScale), 1);
                s.Put(static_cast<uint32_t>(g.count1Table), 1);
            }
    }

    // Main data as early as the reservoir allows; it must end within its own frame.
    std::vector<uint8_t> area(frames.size() * static_cast<size_t>(capacity), 0);
    int end = 0;
    for (size_t k = 0; k < frames.size(); ++k) {
        const int own = static_cast<int>(k) * capacity;
        const int start = std::max(end, own - reach);
        const int length = static_cast<int>(written[k].main.size());
        if (start + length > own + capacity) {
            Fail(error, "the main data of frame " + std::to_string(k) + " does not fit");
            return {};
        }
        std::copy(written[k].main.begin(), written[k].main.end(), area.begin() + start);
        end = start + length;
        lastMainDataBegins.push_back(own - start);
    }
    std::vector<uint8_t> out;
    for (size_t k = 0; k < frames.size(); ++k) {
        const uint32_t header = 0xFFF00000u | uint32_t(lsf ? 0 : 1) << 19 | 1u << 17 |
                                uint32_t(f.crc ? 0 : 1) << 16 | uint32_t(bitrateIndex) << 12 |
                                uint32_t(samplingCode) << 10 | uint32_t(f.mode) << 6 |
                                uint32_t(frames[k].modeExtension & 3) << 4;
        BitWriter w;
        w.Put(header, 32);
        if (f.crc) w.Put(0, 16); // never checked by the decoders
        const int mdb = lastMainDataBegins[k];
        const std::vector<uint8_t>& sideBytes = written[k].sideInfo.bytes();
        // main_data_begin first, then the rest of the side information as written.
        BitWriter s;
        s.Put(static_cast<uint32_t>(mdb), lsf ? 8 : 9);
        const size_t skip = lsf ? 8 : 9;
        for (size_t bit = skip; bit < written[k].sideInfo.bitCount(); ++bit)
            s.Put((sideBytes[bit / 8] >> (7 - bit % 8)) & 1, 1);
        s.PadToByte();
        for (uint8_t b : s.bytes())
            w.Put(b, 8);
        for (int i = 0; i < capacity; ++i)
            w.Put(area[k * static_cast<size_t>(capacity) + static_cast<size_t>(i)], 8);
        out.insert(out.end(), w.bytes().begin(), w.bytes().end());
    }
    return out;
}

} // namespace mpegwriter
