// DCT frames (types 3 and 4): dequantisation, the scaled integer inverse transform, the two bit
// streams, motion copies and the two colour conversions.
#include "media/MovieCodec.h"
#include "media/MovieTables.h"

#include "core/QVReport.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#if defined(__x86_64__)
#include <emmintrin.h>
#endif

namespace movie {

namespace {

uint16_t Le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

// x times the square root of 1/2: twice the high word of x * 2^31 / sqrt 2, as the transform's
// integer multiply gives it.
inline int64_t MulHalfRoot(int64_t x) {
    return 2 * static_cast<int64_t>((static_cast<__int128>(x) * 0x5A82799A) >> 32);
}

// x times c rounded to the nearest integer, halves to even.
inline int64_t MulRound(int64_t x, double c) {
#if defined(__x86_64__)
    return _mm_cvtsd_si64(_mm_set_sd(static_cast<double>(x) * c));
#else
    return static_cast<int64_t>(std::nearbyint(static_cast<double>(x) * c));
#endif
}

// One 8-point pass of the scaled inverse transform, in place over v[0], v[s], .., v[7 s].
inline void InversePass(int64_t* v, int s) {
    int64_t tmp10 = v[0] + v[4 * s], tmp11 = v[0] - v[4 * s];
    int64_t tmp13 = v[2 * s] + v[6 * s];
    int64_t tmp12 = 2 * MulHalfRoot(v[2 * s] - v[6 * s]) - tmp13;
    int64_t e0 = tmp10 + tmp13, e3 = tmp10 - tmp13, e1 = tmp11 + tmp12, e2 = tmp11 - tmp12;
    int64_t z13 = v[5 * s] + v[3 * s], z10 = v[5 * s] - v[3 * s];
    int64_t z11 = v[s] + v[7 * s], z12 = v[s] - v[7 * s];
    int64_t o7 = z11 + z13;
    int64_t o11 = 2 * MulHalfRoot(z11 - z13);
    int64_t z5 = MulRound(z10 + z12, 0.3826834);
    int64_t o10 = -2 * (MulRound(z10, 0.5411961) + z5);
    int64_t o12 = 2 * (MulRound(z12, 1.3065630) - z5);
    int64_t o6 = o12 - o7, o5 = o11 - o6, o4 = o10 + o5;
    v[0] = e0 + o7;
    v[7 * s] = e0 - o7;
    v[s] = e1 + o6;
    v[6 * s] = e1 - o6;
    v[2 * s] = e2 + o5;
    v[5 * s] = e2 - o5;
    v[4 * s] = e3 + o4;
    v[3 * s] = e3 - o4;
}

const std::array<uint8_t, 64>& Scan() {
    static const std::array<uint8_t, 64> scan = [] {
        std::array<uint8_t, 64> s{};
        const uint8_t* z = MovieZigzag();
        for (int k = 0; k < 64; ++k)
            s[k] = static_cast<uint8_t>((z[k] % 8) * 8 + z[k] / 8);
        return s;
    }();
    return scan;
}

// The prescale of the scaled transform: 8192 c(u) c(v), c(0) = 1, c(k) = sqrt 2 cos(k pi / 16).
const std::array<int32_t, 64>& Prescale() {
    static const std::array<int32_t, 64> p = [] {
        std::array<int32_t, 64> t{};
        auto c = [](int k) { return k == 0 ? 1.0 : std::sqrt(2.0) * std::cos(k * M_PI / 16); };
        for (int u = 0; u < 8; ++u)
            for (int v = 0; v < 8; ++v)
                t[u * 8 + v] = static_cast<int32_t>(std::lround(8192 * c(u) * c(v)));
        return t;
    }();
    return p;
}

// Bits packed least significant first, byte by byte, of one macroblock (at most 255 bytes), read
// from a zero-padded copy; zeros past the end.
class LsbReader {
  public:
    LsbReader(const uint8_t* data, size_t size) : bits_(size * 8) {
        std::memcpy(buffer_, data, size);
        std::memset(buffer_ + size, 0, sizeof buffer_ - size);
    }
    uint32_t Read(int n) { // n <= 8
        size_t at = std::min(pos_ >> 3, sizeof buffer_ - 2);
        uint32_t window = buffer_[at] | (buffer_[at + 1] << 8);
        pos_ += n;
        return (window >> ((pos_ - n) & 7)) & ((1u << n) - 1);
    }
    bool Over() const { return pos_ > bits_; }

  private:
    uint8_t buffer_[258];
    size_t bits_;
    size_t pos_ = 0;
};

// Bits read most significant first from 32-bit little-endian words; zeros past the end.
class WordReader {
  public:
    WordReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint32_t Peek(int n) { // n <= 32
        if (avail_ < n) Refill();
        return static_cast<uint32_t>(acc_ >> (64 - n));
    }
    void Skip(int n) {
        if (avail_ < n) Refill();
        acc_ <<= n;
        avail_ -= n;
    }
    uint32_t Read(int n) {
        if (n == 0) return 0;
        uint32_t v = Peek(n);
        Skip(n);
        return v;
    }
    bool Over() const { return next_ * 8 > size_ * 8 + static_cast<size_t>(avail_) + 31; }

  private:
    void Refill() {
        while (avail_ <= 32) {
            uint32_t w = 0;
            if (next_ + 4 <= size_) {
                w = data_[next_] | (data_[next_ + 1] << 8) | (data_[next_ + 2] << 16) |
                    (static_cast<uint32_t>(data_[next_ + 3]) << 24);
            } else {
                for (size_t i = 0; i < 4; ++i)
                    if (next_ + i < size_) w |= static_cast<uint32_t>(data_[next_ + i]) << (8 * i);
            }
            next_ += 4;
            acc_ |= static_cast<uint64_t>(w) << (32 - avail_);
            avail_ += 32;
        }
    }
    const uint8_t* data_;
    size_t size_;
    size_t next_ = 0;
    uint64_t acc_ = 0;
    int avail_ = 0;
};

// Code lookup by the next 16 (coefficients) or 8 (DC sizes) bits.
struct VlcEntry {
    uint8_t length = 0; // 0: no such code
    uint8_t kind = 0;   // coefficients: 0 level, 1 end of block, 2 escape
    uint8_t run = 0, level = 0;
};
constexpr int kPeekBits = 16;

const std::vector<VlcEntry>& CoeffLookup() {
    static const std::vector<VlcEntry> table = [] {
        std::vector<VlcEntry> t(1u << kPeekBits);
        auto add = [&](const MovieVlc& c, uint8_t kind) {
            uint32_t first = static_cast<uint32_t>(c.bits) << (kPeekBits - c.length);
            for (uint32_t i = 0; i < (1u << (kPeekBits - c.length)); ++i)
                t[first + i] = {c.length, kind, c.run, c.level};
        };
        for (const MovieVlc& c : MovieCoeffCodes())
            add(c, 0);
        add(MovieEndOfBlockCode(), 1);
        add(MovieEscapeCode(), 2);
        return t;
    }();
    return table;
}

const std::array<VlcEntry, 256>& DcLookup(bool chroma) {
    static const auto build = [](bool c) {
        std::array<VlcEntry, 256> t{};
        for (const MovieVlc& code : MovieDcSizeCodes(c)) {
            uint32_t first = static_cast<uint32_t>(code.bits) << (8 - code.length);
            for (uint32_t i = 0; i < (1u << (8 - code.length)); ++i)
                t[first + i] = {code.length, 0, 0, code.level};
        }
        return t;
    };
    static const std::array<VlcEntry, 256> luma = build(false), chromaTable = build(true);
    return chroma ? chromaTable : luma;
}

void InverseDctInPlace(int64_t* w, int32_t* samples);

// Samples of one block from its coefficients; a block with no coefficient but DC is flat.
void BlockSamples(int64_t* coeffs, bool onlyDc, int32_t* out) {
    if (onlyDc) {
        int32_t v = static_cast<int32_t>(coeffs[0] >> 17);
        std::fill(out, out + 64, v);
        return;
    }
    InverseDctInPlace(coeffs, out);
}

} // namespace

const uint8_t* MovieScanOrder() {
    return Scan().data();
}

void MovieDequantTable(int type, int quality, int32_t table[64]) {
    int q = std::clamp(quality, 0, 100);
    const std::array<int32_t, 64>& p = Prescale();
    const uint8_t* m = MovieIntraMatrix();
    // The steps are indexed like the blocks, in which rows and columns are exchanged with those of
    // the MPEG-1 matrix; each scan position keeps the matrix entry of its MPEG-1 position.
    int a = 8 + (22 * (100 - q)) / 100;
    int b = 10 + (50 * (100 - q)) / 100 - a;
    int64_t scale = (int64_t{107 - q} << 16) / 16;
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 8; ++c) {
            int step;
            if (type == kDctFrame)
                step = a + (b * (r + c)) / 14;
            else if (q == 100 || (r == 0 && c == 0))
                step = 8;
            else
                step = static_cast<int>((m[c * 8 + r] * scale + 0x8000) >> 16);
            table[r * 8 + c] = p[r * 8 + c] * step;
        }
}

namespace {

// The transform in place over w (the coefficients are used up).
void InverseDctInPlace(int64_t* w, int32_t* samples) {
    bool flatColumns = true;
    for (int c = 0; c < 8; ++c) {
        int64_t* col = w + c;
        if (!(col[8] | col[16] | col[24] | col[32] | col[40] | col[48] | col[56])) {
            for (int r = 1; r < 8; ++r)
                col[8 * r] = col[0];
            continue;
        }
        flatColumns = false;
        InversePass(col, 8);
    }
    if (flatColumns) { // every row is the first: one pass gives them all
        InversePass(w, 1);
        for (int c = 0; c < 8; ++c)
            samples[c] = static_cast<int32_t>(std::clamp<int64_t>(w[c] >> 17, -(1 << 20), 1 << 20));
        for (int r = 1; r < 8; ++r)
            std::memcpy(samples + 8 * r, samples, 8 * sizeof(int32_t));
        return;
    }
    for (int r = 0; r < 8; ++r) {
        int64_t* row = w + 8 * r;
        int32_t* out = samples + 8 * r;
        if (!(row[1] | row[2] | row[3] | row[4] | row[5] | row[6] | row[7])) {
            // A row with only its first value is that value throughout, as the pass gives it.
            std::fill(out, out + 8,
                      static_cast<int32_t>(std::clamp<int64_t>(row[0] >> 17, -(1 << 20), 1 << 20)));
            continue;
        }
        InversePass(row, 1);
        for (int c = 0; c < 8; ++c)
            out[c] = static_cast<int32_t>(std::clamp<int64_t>(row[c] >> 17, -(1 << 20), 1 << 20));
    }
}

} // namespace

void MovieInverseDct(const int64_t coefficients[64], int32_t samples[64]) {
    int64_t w[64];
    std::memcpy(w, coefficients, sizeof w);
    InverseDctInPlace(w, samples);
}

void MovieCodec::MovieBuildColorTables() {
    // The tables depend only on the format, the doubling and the brightness, which rarely change
    // between codecs: the last set built on this thread is copied instead of built again.
    struct Built {
        bool doubleWidth = false;
        int brightness = 0;
        PixelFormat format;
        decltype(fastLuma_) fastLuma;
        decltype(fastCb_) fastCb;
        decltype(fastCr_) fastCr;
        decltype(fastField_) fastField;
        decltype(exact_) exact;
        decltype(exactRedCr_) exactRedCr;
        decltype(exactGreenCr_) exactGreenCr;
        decltype(exactGreenCb_) exactGreenCb;
        decltype(exactBlueCb_) exactBlueCb;
        bool Matches(bool d, int b, const PixelFormat& f) const {
            return doubleWidth == d && brightness == b && format.redBits == f.redBits &&
                   format.greenBits == f.greenBits && format.blueBits == f.blueBits &&
                   format.redShift == f.redShift && format.greenShift == f.greenShift &&
                   format.blueShift == f.blueShift;
        }
    };
    thread_local std::unique_ptr<Built> last;
    auto copy = [](auto& to, const auto& from) { std::memcpy(to, from, sizeof to); };
    if (last && last->Matches(double_, brightness_, format_)) {
        copy(fastLuma_, last->fastLuma);
        copy(fastCb_, last->fastCb);
        copy(fastCr_, last->fastCr);
        copy(fastField_, last->fastField);
        copy(exact_, last->exact);
        copy(exactRedCr_, last->exactRedCr);
        copy(exactGreenCr_, last->exactGreenCr);
        copy(exactGreenCb_, last->exactGreenCb);
        copy(exactBlueCb_, last->exactBlueCb);
        return;
    }
    BuildColorTablesNow();
    if (!last) last = std::make_unique<Built>();
    last->doubleWidth = double_;
    last->brightness = brightness_;
    last->format = format_;
    copy(last->fastLuma, fastLuma_);
    copy(last->fastCb, fastCb_);
    copy(last->fastCr, fastCr_);
    copy(last->fastField, fastField_);
    copy(last->exact, exact_);
    copy(last->exactRedCr, exactRedCr_);
    copy(last->exactGreenCr, exactGreenCr_);
    copy(last->exactGreenCb, exactGreenCb_);
    copy(last->exactBlueCb, exactBlueCb_);
}

void MovieCodec::BuildColorTablesNow() {
    const int bits[3] = {format_.redBits, format_.greenBits, format_.blueBits};
    const int shifts[3] = {format_.redShift, format_.greenShift, format_.blueShift};
    auto truncated = [&](int f, int v) { return static_cast<uint32_t>(v >> (8 - bits[f])) << shifts[f]; };
    auto rounded = [&](int f, int v) {
        int half = 1 << (7 - bits[f]);
        return static_cast<uint32_t>(std::min(255, v + half) >> (8 - bits[f])) << shifts[f];
    };
    auto roundHalfUp = [](double x) { return static_cast<int>(std::floor(x + 0.5)); };
    // Fast: a luma sample and the chroma samples as signed 7-bit values; each contribution in a
    // 10-bit field biased by 256, so that the three add without carries between fields.
    auto pack = [](int r, int g, int b) { return static_cast<uint32_t>((r << 20) + (g << 10) + b); };
    for (int i = 0; i < 128; ++i) {
        int s = i < 64 ? i : i - 128;
        int y = 2 * s + 129, c = 2 * s + 1;
        fastLuma_[i] = pack(y + 256, y + 256, y + 256);
        fastCb_[i] = pack(0, -roundHalfUp(22550.0 * c / 65536), roundHalfUp(116129.0 * c / 65536));
        fastCr_[i] = pack(roundHalfUp(91881.0 * c / 65536), -roundHalfUp(46799.0 * c / 65536), 0);
    }
    // Each field clamped and reduced; with doubling the left pixel rounded, the right truncated.
    for (int f = 0; f < 3; ++f)
        for (int t = 0; t < 1024; ++t) {
            int v = std::clamp(t - 256, 0, 255);
            fastField_[f][t] = double_ ? rounded(f, v) | (truncated(f, v) << 16) : rounded(f, v);
        }
    // Exact: entry k = 1.164 (2k + 1 - 384), scaled by the brightness; with doubling the left
    // pixel truncated, the right rounded.
    // The tables reach kExactMargin places beyond both ends, holding the end entries, so that
    // positions outside 0..511 need no clamping per pixel.
    for (int at = 0; at < kExactTable; ++at) {
        int k = std::clamp(at - kExactMargin, 0, 511);
        int v = static_cast<int>(std::trunc(1.164 * (2 * k + 1 - 384)));
        v = std::clamp(v * brightness_ / 100, 0, 255);
        for (int f = 0; f < 3; ++f)
            exact_[f][at] = double_ ? truncated(f, v) | (rounded(f, v) << 16) : truncated(f, v);
    }
    for (int i = 0; i < 256; ++i) {
        double c = i < 128 ? i : i - 256;
        exactRedCr_[i] = static_cast<int16_t>(std::trunc(1.596 * c / 1.164));
        exactGreenCr_[i] = static_cast<int16_t>(std::trunc(-0.813 * c / 1.164));
        exactGreenCb_[i] = static_cast<int16_t>(std::trunc(0.391 * c / 1.164));
        exactBlueCb_[i] = static_cast<int16_t>(std::trunc(2.018 * c / 1.164));
    }
}

template <bool kExact, bool kDouble>
void MovieCodec::WriteMacroblockAs(FrameSurface& current, int mx, int my) const {
    for (int y = 0; y < 16; ++y) {
        const int32_t* luma[2] = {samples_[(y >> 3) * 2] + (y & 7) * 8,
                                  samples_[(y >> 3) * 2 + 1] + (y & 7) * 8};
        const int32_t* cbs = samples_[4] + (y >> 1) * 8;
        const int32_t* crs = samples_[5] + (y >> 1) * 8;
        uint16_t* dst =
            current.pixels.data() + static_cast<size_t>(my + y) * current.width + (kDouble ? 2 * mx : mx);
        for (int x = 0; x < 16; x += 2) {
            const int32_t* l = luma[x >> 3] + (x & 7);
            int cb = cbs[x >> 1], cr = crs[x >> 1];
            uint32_t px[2];
            if constexpr (kExact) {
                int ub = std::clamp(cb, 0, 255), vr = std::clamp(cr, 0, 255);
                int dr = 96 + exactRedCr_[vr], dg = 250 + exactGreenCr_[vr] - exactGreenCb_[ub],
                    db = 73 + exactBlueCb_[ub];
                for (int i = 0; i < 2; ++i) {
                    int y0 = std::clamp(l[i], -kExactMargin / 2, kExactMargin / 2) + kExactMargin;
                    px[i] = exact_[0][y0 + dr] + exact_[1][y0 + dg] + exact_[2][y0 + db];
                }
            } else {
                uint32_t chroma = fastCb_[cb & 127] + fastCr_[cr & 127];
                for (int i = 0; i < 2; ++i) {
                    uint32_t t = fastLuma_[l[i] & 127] + chroma;
                    px[i] = fastField_[0][(t >> 20) & 1023] | fastField_[1][(t >> 10) & 1023] |
                            fastField_[2][t & 1023];
                }
            }
            if constexpr (kDouble) {
                std::memcpy(dst + 2 * x, px, sizeof px); // each word is a pixel pair, left in the low half
            } else {
                dst[x] = static_cast<uint16_t>(px[0]);
                dst[x + 1] = static_cast<uint16_t>(px[1]);
            }
        }
    }
}

void MovieCodec::WriteMacroblock(FrameSurface& current, int mx, int my, bool exact) const {
    if (exact)
        double_ ? WriteMacroblockAs<true, true>(current, mx, my)
                : WriteMacroblockAs<true, false>(current, mx, my);
    else
        double_ ? WriteMacroblockAs<false, true>(current, mx, my)
                : WriteMacroblockAs<false, false>(current, mx, my);
}

bool MovieCodec::MovieDecodeDctFrame(const uint8_t* payload, size_t size, int type, FrameSurface& current,
                                     const FrameSurface& previous) {
    if (size < 8) {
        QVReport::message("MovieDecodeFrame: DCT frame header cut short; skipped.\n");
        return false;
    }
    width_ = static_cast<int16_t>(Le16(payload));
    height_ = static_cast<int16_t>(Le16(payload + 2));
    MovieDequantTable(type, payload[4], dequant_);
    if (type == kDctFrame) return DecodeType3Macroblocks(payload + 8, size - 8, current);
    uint8_t flags = payload[7];
    return DecodeType4Macroblocks(payload + 8, size - 8, flags & 1, flags & 2, current, previous);
}

bool MovieCodec::DecodeType3Macroblocks(const uint8_t* data, size_t size, FrameSurface& current) {
    const uint8_t* scan = Scan().data();
    size_t at = 0;
    for (int my = 0; my < height_; my += 16)
        for (int mx = 0; mx < width_; mx += 16) {
            if (at >= size) {
                QVReport::message("MovieDecodeFrame: type 3 frame ends before its last macroblock.\n");
                return true;
            }
            size_t n = data[at];
            if (at + 1 + n > size) {
                QVReport::message("MovieDecodeFrame: type 3 macroblock longer than its frame.\n");
                return true;
            }
            const uint8_t* mb = data + at + 1;
            at += 1 + n;
            if (n == 12 || n == 6 || n == 3) {
                for (int b = 0; b < 6; ++b) {
                    int index = n == 12 ? 2 * b : n == 6 ? b : (b < 4 ? 0 : b - 3);
                    int64_t dc = int64_t{static_cast<int8_t>(mb[index])} * dequant_[0];
                    std::fill(samples_[b], samples_[b] + 64, static_cast<int32_t>(dc >> 17));
                }
            } else if (n > 12) {
                LsbReader bits(mb, n);
                for (int b = 0; b < 6; ++b) {
                    int64_t coeffs[64];
                    std::memset(coeffs, 0, sizeof coeffs);
                    bool onlyDc = true;
                    coeffs[0] = int64_t{static_cast<int8_t>(bits.Read(8))} * dequant_[0];
                    int k = 1;
                    while (k < 64 && !bits.Over()) {
                        uint32_t x = bits.Read(3);
                        int level = 0, zeros = 0;
                        switch (x) {
                        case 0:
                            zeros = 1;
                            break;
                        case 4:
                            zeros = 2;
                            break;
                        case 2:
                            level = 1;
                            break;
                        case 6:
                            level = -1;
                            break;
                        case 1:
                            zeros = 2 * static_cast<int>(bits.Read(5));
                            break;
                        case 5:
                            zeros = 2 * static_cast<int>(bits.Read(5)) + 1;
                            break;
                        default: { // 3 and 7: a signed six-bit level above the code's two low bits
                            uint32_t unit = x | (bits.Read(5) << 3);
                            level = static_cast<int8_t>(unit) >> 2;
                            if ((unit >> 2) == 0x3F) level = static_cast<int8_t>(bits.Read(8));
                            if (level == 0) zeros = 1; // a zero level fills its place all the same
                        }
                        }
                        if (level) {
                            coeffs[scan[k]] = int64_t{level} * dequant_[scan[k]];
                            onlyDc = false;
                            ++k;
                        } else {
                            k += zeros; // runs past the last coefficient end the block
                        }
                    }
                    BlockSamples(coeffs, onlyDc, samples_[b]);
                }
            } else {
                continue; // other short lengths leave the macroblock as it was
            }
            WriteMacroblock(current, mx, my, false);
        }
    return true;
}

bool MovieCodec::DecodeType4Macroblocks(const uint8_t* data, size_t size, bool allCoded, bool exact,
                                        FrameSurface& current, const FrameSurface& previous) {
    const uint8_t* scan = Scan().data();
    const std::vector<VlcEntry>& codes = CoeffLookup();
    WordReader bits(data, size);
    int32_t predictor[3] = {};
    bool damaged = false;
    int step = double_ ? 2 : 1;
    for (int my = 0; my < height_; my += 16)
        for (int mx = 0; mx < width_; mx += 16) {
            if (bits.Over()) {
                QVReport::message("MovieDecodeFrame: type 4 frame ends before its last macroblock.\n");
                return true;
            }
            if (!allCoded && bits.Read(1)) {
                bits.Skip(1);
                int dx = static_cast<int>(bits.Read(4)), dy = static_cast<int>(bits.Read(4));
                dx = dx >= 8 ? dx - 16 : dx;
                dy = dy >= 8 ? dy - 16 : dy;
                // A vector out of the picture copies from the nearest place inside it.
                int sx = std::clamp(mx - dx, 0, width_ - 16), sy = std::clamp(my - dy, 0, height_ - 16);
                damaged |= sx != mx - dx || sy != my - dy;
                for (int y = 0; y < 16; ++y)
                    std::memcpy(&current.pixels[static_cast<size_t>(my + y) * current.width + mx * step],
                                &previous.pixels[static_cast<size_t>(sy + y) * previous.width + sx * step],
                                16 * step * sizeof(uint16_t));
                continue;
            }
            for (int b = 0; b < 6; ++b) {
                int channel = b < 4 ? 0 : b - 3;
                const VlcEntry& dc = DcLookup(channel != 0)[bits.Peek(8)];
                if (!dc.length) { // no such size code: the rest of the frame cannot be read
                    QVReport::message("MovieDecodeFrame: type 4 frame with a bad DC size; rest kept.\n");
                    return true;
                }
                bits.Skip(dc.length);
                int sizeBits = dc.level;
                int diff = static_cast<int>(bits.Read(sizeBits));
                if (sizeBits && !(diff >> (sizeBits - 1))) diff -= (1 << sizeBits) - 1;
                predictor[channel] += diff;
                int64_t coeffs[64];
                std::memset(coeffs, 0, sizeof coeffs);
                coeffs[0] = int64_t{predictor[channel]} * dequant_[0];
                bool onlyDc = true;
                for (int k = 1;;) {
                    const VlcEntry& e = codes[bits.Peek(kPeekBits)];
                    if (!e.length || bits.Over()) {
                        damaged = true;
                        break;
                    }
                    bits.Skip(e.length);
                    if (e.kind == 1) break;
                    int run, level;
                    if (e.kind == 2) {
                        run = static_cast<int>(bits.Read(6));
                        level = static_cast<int8_t>(bits.Read(8));
                        if (level == 0)
                            level = static_cast<int>(bits.Read(8));
                        else if (level == -128)
                            level = static_cast<int>(bits.Read(8)) - 256;
                    } else {
                        run = e.run;
                        level = bits.Read(1) ? -e.level : e.level;
                    }
                    k += run;
                    if (k > 63) { // a run past the last coefficient ends the block
                        damaged = true;
                        break;
                    }
                    coeffs[scan[k]] = int64_t{level} * dequant_[scan[k]];
                    onlyDc = false;
                    ++k;
                }
                BlockSamples(coeffs, onlyDc, samples_[b]);
            }
            WriteMacroblock(current, mx, my, exact);
        }
    if (damaged) QVReport::message("MovieDecodeFrame: type 4 frame with damaged codes or vectors.\n");
    return true;
}

} // namespace movie
