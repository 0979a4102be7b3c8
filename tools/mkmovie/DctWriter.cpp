// DCT frames (types 3 and 4) from RGB pictures: colour levels, a floating-point forward transform,
// quantisation with the frame's steps, and the two codings. Written from the frame format alone.
#include "mkmovie/MovieWriter.h"

#include "media/MovieTables.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace moviewriter {

namespace {

void Put16(Bytes& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}

// Bits packed least significant first, byte by byte (type 3).
class LsbPacker {
  public:
    void Put(uint32_t value, int bits) {
        for (int i = 0; i < bits; ++i, ++used_) {
            if (used_ % 8 == 0) bytes_.push_back(0);
            bytes_.back() |= static_cast<uint8_t>(((value >> i) & 1) << (used_ % 8));
        }
    }
    Bytes& Data() { return bytes_; }

  private:
    Bytes bytes_;
    size_t used_ = 0;
};

// Bits packed most significant first into 32-bit little-endian words (type 4).
class WordPacker {
  public:
    void Put(uint32_t value, int bits) {
        for (int i = bits - 1; i >= 0; --i, ++used_) {
            if (used_ % 32 == 0) words_.push_back(0);
            words_.back() |= ((value >> i) & 1u) << (31 - used_ % 32);
        }
    }
    Bytes Data() const {
        Bytes b;
        for (uint32_t w : words_) {
            Put16(b, w & 0xFFFF);
            Put16(b, w >> 16);
        }
        return b;
    }

  private:
    std::vector<uint32_t> words_;
    size_t used_ = 0;
};

// The scan: the MPEG-1 zigzag with rows and columns exchanged.
int ScanAt(int k) {
    int z = movie::MovieZigzag()[k];
    return (z % 8) * 8 + z / 8;
}

// The quantiser step of each block position (row * 8 + column).
std::array<int, 64> Steps(int type, int quality) {
    int q = std::clamp(quality, 0, 100);
    std::array<int, 64> s{};
    int a = 8 + 22 * (100 - q) / 100, b = 10 + 50 * (100 - q) / 100 - a;
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 8; ++c) {
            if (type == 3)
                s[r * 8 + c] = a + b * (r + c) / 14;
            else if (q == 100 || r + c == 0)
                s[r * 8 + c] = 8;
            else // each scan position keeps the matrix entry of its MPEG-1 position
                s[r * 8 + c] =
                    static_cast<int>(std::lround(movie::MovieIntraMatrix()[c * 8 + r] * (107.0 - q) / 16));
        }
    return s;
}

// Levels of one 8 x 8 block of samples: the decoder's picture is the sum of level x step / 2 times
// the orthonormal basis, so a level is 2 G / step of the orthonormal coefficient G.
std::array<int, 64> Quantise(const double* f, const std::array<int, 64>& steps, int lo, int hi) {
    static const auto basis = [] { // cos((2 y + 1) v pi / 16) with the orthonormal factor
        std::array<std::array<double, 8>, 8> b{};
        for (int v = 0; v < 8; ++v)
            for (int y = 0; y < 8; ++y)
                b[v][y] = (v ? 0.5 : std::sqrt(0.125)) * std::cos((2 * y + 1) * v * M_PI / 16);
        return b;
    }();
    double rows[64]; // the transform along each row, then down the columns
    for (int y = 0; y < 8; ++y)
        for (int u = 0; u < 8; ++u) {
            double g = 0;
            for (int x = 0; x < 8; ++x)
                g += f[y * 8 + x] * basis[u][x];
            rows[y * 8 + u] = g;
        }
    std::array<int, 64> out{};
    for (int v = 0; v < 8; ++v)
        for (int u = 0; u < 8; ++u) {
            double g = 0;
            for (int y = 0; y < 8; ++y)
                g += rows[y * 8 + u] * basis[v][y];
            out[v * 8 + u] = std::clamp(static_cast<int>(std::lround(2 * g / steps[v * 8 + u])), lo, hi);
        }
    return out;
}

// One macroblock's six sample blocks (four luma, Cb, Cr) at the level the conversion expects.
void Samples(const Bytes& rgb, int width, int mx, int my, bool exact, double blocks[6][64]) {
    double y[16][16], cb[16][16], cr[16][16];
    for (int j = 0; j < 16; ++j)
        for (int i = 0; i < 16; ++i) {
            const uint8_t* p = &rgb[(static_cast<size_t>(my + j) * width + mx + i) * 3];
            double r = p[0], g = p[1], b = p[2];
            if (exact) { // studio levels, halved: luma (Y' - 1) / 2, chroma centred on 64
                y[j][i] = (16 + (65.481 * r + 128.553 * g + 24.966 * b) / 255 - 1) / 2;
                cb[j][i] = ((-37.797 * r - 74.203 * g + 112 * b) / 255 + 128) / 2;
                cr[j][i] = ((112 * r - 93.786 * g - 18.214 * b) / 255 + 128) / 2;
            } else { // full range around 0: Y = 2 s + 129, C = 2 s + 1
                y[j][i] = (0.299 * r + 0.587 * g + 0.114 * b - 129) / 2;
                cb[j][i] = (-0.168736 * r - 0.331264 * g + 0.5 * b - 1) / 2;
                cr[j][i] = (0.5 * r - 0.418688 * g - 0.081312 * b - 1) / 2;
            }
        }
    double lo = exact ? 0 : -64, hi = exact ? 127 : 63;
    for (int b = 0; b < 4; ++b)
        for (int j = 0; j < 8; ++j)
            for (int i = 0; i < 8; ++i)
                blocks[b][j * 8 + i] = std::clamp(y[(b / 2) * 8 + j][(b % 2) * 8 + i], lo, hi);
    for (int j = 0; j < 8; ++j)
        for (int i = 0; i < 8; ++i) {
            auto mean = [&](double(&c)[16][16]) {
                return (c[2 * j][2 * i] + c[2 * j][2 * i + 1] + c[2 * j + 1][2 * i] +
                        c[2 * j + 1][2 * i + 1]) /
                       4;
            };
            blocks[4][j * 8 + i] = std::clamp(mean(cb), lo, hi);
            blocks[5][j * 8 + i] = std::clamp(mean(cr), lo, hi);
        }
}

// Type 3 block: DC byte, then codes until the 63 AC places are filled.
void PutType3Block(LsbPacker& p, const std::array<int, 64>& levels, DctStats& st) {
    p.Put(static_cast<uint32_t>(levels[0]) & 255, 8);
    int zeros = 0;
    auto flush = [&] {
        while (zeros > 0) {
            if (zeros >= 6) {
                int m = std::min(zeros, 63);
                p.Put(m % 2 ? 5 : 1, 3);
                p.Put(static_cast<uint32_t>(m / 2), 5);
                zeros -= m;
            } else if (zeros >= 2) {
                p.Put(4, 3);
                zeros -= 2;
            } else {
                p.Put(0, 3);
                zeros -= 1;
            }
        }
    };
    for (int k = 1; k < 64; ++k) {
        int level = levels[ScanAt(k)];
        if (level == 0) {
            ++zeros;
            continue;
        }
        flush();
        if (level == 1 || level == -1) {
            p.Put(level == 1 ? 2 : 6, 3);
        } else if (level >= -32 && level <= 31) {
            p.Put((static_cast<uint32_t>(level & 63) << 2) | 3, 8);
        } else {
            p.Put(0xFF, 8);
            p.Put(static_cast<uint32_t>(level) & 255, 8);
            ++st.escapes;
        }
    }
    flush();
}

// Code lengths of the coefficient table by (run, |level|).
const std::map<std::pair<int, int>, movie::MovieVlc>& CoeffCodes() {
    static const auto codes = [] {
        std::map<std::pair<int, int>, movie::MovieVlc> m;
        for (const movie::MovieVlc& c : movie::MovieCoeffCodes())
            m[{c.run, c.level}] = c;
        return m;
    }();
    return codes;
}

void PutType4Block(WordPacker& p, const std::array<int, 64>& levels, bool chroma, int& predictor,
                   DctStats& st) {
    int diff = std::clamp(levels[0] - predictor, -255, 255);
    predictor += diff;
    int size = 0;
    while ((1 << size) <= std::abs(diff))
        ++size;
    movie::MovieVlc dc = movie::MovieDcSizeCodes(chroma)[size];
    p.Put(dc.bits, dc.length);
    if (size) p.Put(static_cast<uint32_t>(diff > 0 ? diff : diff + (1 << size) - 1), size);
    int run = 0;
    for (int k = 1; k < 64; ++k) {
        int level = levels[ScanAt(k)];
        if (level == 0) {
            ++run;
            continue;
        }
        auto it = CoeffCodes().find({run, std::abs(level)});
        if (it != CoeffCodes().end()) {
            p.Put(it->second.bits, it->second.length);
            p.Put(level < 0 ? 1 : 0, 1);
        } else {
            movie::MovieVlc esc = movie::MovieEscapeCode();
            p.Put(esc.bits, esc.length);
            p.Put(static_cast<uint32_t>(run), 6);
            if (level >= -127 && level <= 127) {
                p.Put(static_cast<uint32_t>(level) & 255, 8);
            } else {
                p.Put(level > 0 ? 0x00 : 0x80, 8);
                p.Put(static_cast<uint32_t>(level > 0 ? level : level + 256), 8);
            }
            ++st.escapes;
        }
        run = 0;
    }
    movie::MovieVlc eob = movie::MovieEndOfBlockCode();
    p.Put(eob.bits, eob.length);
}

bool SameMacroblock(const Bytes& a, const Bytes& b, int width, int ax, int bx, int y) {
    for (int j = 0; j < 16; ++j)
        if (!std::equal(&a[(static_cast<size_t>(y + j) * width + ax) * 3],
                        &a[(static_cast<size_t>(y + j) * width + ax + 16) * 3],
                        &b[(static_cast<size_t>(y + j) * width + bx) * 3]))
            return false;
    return true;
}

} // namespace

Bytes SourceRgb(int width, int height, int t) {
    Bytes indexes = SourcePicture(width, height, t), rgb;
    rgb.reserve(indexes.size() * 3);
    for (uint8_t i : indexes)
        rgb.insert(rgb.end(), SourcePalette()[i].begin(), SourcePalette()[i].end());
    return rgb;
}

Bytes DctFramePayload(int type, int width, int height, int quality, bool exact, const Bytes& rgb,
                      const Bytes* previousRgb, DctStats* stats) {
    DctStats local;
    DctStats& st = stats ? *stats : local;
    exact = exact && type == 4; // type 3 always takes the fast conversion
    std::array<int, 64> steps = Steps(type, quality);
    Bytes body;
    WordPacker words;
    int predictor[3] = {};
    bool anyCopy = false;
    std::vector<std::pair<int, int>> copies; // per macroblock: vector dx, or 99 when coded
    if (type == 4 && previousRgb)
        for (int my = 0; my < height; my += 16)
            for (int mx = 0; mx < width; mx += 16) {
                int dx = 99;
                for (int candidate : {0, -2})
                    if (mx - candidate + 16 <= width &&
                        SameMacroblock(rgb, *previousRgb, width, mx, mx - candidate, my)) {
                        dx = candidate;
                        break;
                    }
                copies.push_back({dx, 0});
                anyCopy |= dx != 99;
            }
    size_t mb = 0;
    for (int my = 0; my < height; my += 16)
        for (int mx = 0; mx < width; mx += 16, ++mb) {
            if (type == 4 && anyCopy) {
                if (copies[mb].first != 99) {
                    words.Put(1, 1);
                    words.Put(0, 1);
                    words.Put(static_cast<uint32_t>(copies[mb].first) & 15, 4);
                    words.Put(0, 4);
                    ++st.copied;
                    continue;
                }
                words.Put(0, 1);
            }
            double blocks[6][64];
            Samples(rgb, width, mx, my, exact, blocks);
            std::array<int, 64> levels[6];
            bool flat = true;
            for (int b = 0; b < 6; ++b) {
                levels[b] = Quantise(blocks[b], steps, type == 3 ? -128 : -255, type == 3 ? 127 : 255);
                flat =
                    flat && std::all_of(levels[b].begin() + 1, levels[b].end(), [](int l) { return l == 0; });
            }
            if (type == 4) {
                for (int b = 0; b < 6; ++b)
                    PutType4Block(words, levels[b], b >= 4, predictor[b < 4 ? 0 : b - 3], st);
                ++st.coded;
                continue;
            }
            if (flat) {
                bool oneLuma = levels[0][0] == levels[1][0] && levels[0][0] == levels[2][0] &&
                               levels[0][0] == levels[3][0];
                body.push_back(oneLuma ? 3 : 6);
                for (int b = oneLuma ? 3 : 0; b < 6; ++b)
                    body.push_back(static_cast<uint8_t>(levels[b][0]));
                ++st.flat;
                continue;
            }
            // A macroblock holds at most 255 bytes: drop the last coefficients until it fits.
            for (int keep = 63;; keep = std::max(0, keep - 4)) {
                LsbPacker p;
                for (int b = 0; b < 6; ++b) {
                    std::array<int, 64> l = levels[b];
                    for (int k = keep + 1; k < 64; ++k)
                        l[ScanAt(k)] = 0;
                    PutType3Block(p, l, st);
                }
                if (p.Data().size() <= 255 || keep == 0) {
                    p.Data().resize(std::max<size_t>(13, p.Data().size()), 0);
                    body.push_back(static_cast<uint8_t>(p.Data().size()));
                    body.insert(body.end(), p.Data().begin(), p.Data().end());
                    if (keep < 63) ++st.shortened;
                    break;
                }
            }
            ++st.coded;
        }
    Bytes b;
    Put16(b, static_cast<uint32_t>(width));
    Put16(b, static_cast<uint32_t>(height));
    b.push_back(static_cast<uint8_t>(quality));
    b.insert(b.end(), {0, 0});
    b.push_back(type == 3 ? 0 : static_cast<uint8_t>((anyCopy ? 0 : 1) | (exact ? 2 : 0)));
    Bytes data = type == 3 ? body : words.Data();
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

} // namespace moviewriter
