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

// The pass above for v[4] to v[7] zero: the same sums with the zero terms left out.
inline void InverseRowPassLow(int64_t* v) {
    int64_t tmp12 = 2 * MulHalfRoot(v[2]) - v[2];
    int64_t e0 = v[0] + v[2], e3 = v[0] - v[2], e1 = v[0] + tmp12, e2 = v[0] - tmp12;
    int64_t o7 = v[1] + v[3];
    int64_t o11 = 2 * MulHalfRoot(v[1] - v[3]);
    int64_t z5 = MulRound(v[1] - v[3], 0.3826834);
    int64_t o10 = -2 * (MulRound(-v[3], 0.5411961) + z5);
    int64_t o12 = 2 * (MulRound(v[1], 1.3065630) - z5);
    int64_t o6 = o12 - o7, o5 = o11 - o6, o4 = o10 + o5;
    v[0] = e0 + o7;
    v[7] = e0 - o7;
    v[1] = e1 + o6;
    v[6] = e1 - o6;
    v[2] = e2 + o5;
    v[5] = e2 - o5;
    v[4] = e3 + o4;
    v[3] = e3 - o4;
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

// Samples of one block: the transform of its coefficients, shifted and kept within 2^20. Only
// the columns in `columns` hold coefficients, only those in `acColumns` below their first row;
// columns without any give zeros and columns with only the first value that value throughout,
// as the passes would give them.
inline int32_t Sample(int64_t v) {
    return static_cast<int32_t>(std::clamp<int64_t>(v >> 17, -(1 << 20), 1 << 20));
}

// The row of a block whose rows are all its first: one pass, or the first value throughout.
inline void FirstRowPass(const int64_t* in, unsigned columns, int64_t row[8]) {
    std::memcpy(row, in, 8 * sizeof(int64_t));
    if (columns & ~1u)
        InversePass(row, 1);
    else
        std::fill(row + 1, row + 8, row[0]);
}

void InverseDctColumns(const int64_t* in, unsigned columns, unsigned acColumns, int32_t* samples) {
    if (!acColumns) { // every row is the first: one pass gives them all
        int64_t row[8];
        FirstRowPass(in, columns, row);
        for (int c = 0; c < 8; ++c)
            samples[c] = Sample(row[c]);
        for (int r = 1; r < 8; ++r)
            std::memcpy(samples + 8 * r, samples, 8 * sizeof(int32_t));
        return;
    }
    int64_t w[64];
    for (int c = 0; c < 8; ++c) {
        if (acColumns >> c & 1) {
            for (int r = 0; r < 8; ++r)
                w[8 * r + c] = in[8 * r + c];
            InversePass(w + c, 8);
        } else {
            const int64_t v = columns >> c & 1 ? in[c] : 0;
            for (int r = 0; r < 8; ++r)
                w[8 * r + c] = v;
        }
    }
    if (columns == 1) { // only the first column: every row is its first value throughout
        for (int r = 0; r < 8; ++r)
            std::fill(samples + 8 * r, samples + 8 * r + 8, Sample(w[8 * r]));
        return;
    }
    const bool low = !(columns & 0xF0);
    for (int r = 0; r < 8; ++r) {
        int64_t* row = w + 8 * r;
        if (low)
            InverseRowPassLow(row);
        else
            InversePass(row, 1);
        for (int c = 0; c < 8; ++c)
            samples[8 * r + c] = Sample(row[c]);
    }
}

// A sample in 16 bits as the conversions read it: the value itself within -16384..16383 (the
// exact conversion clamps to -256..256), beyond that the low 7 bits (all the fast conversion
// reads) beside a value past the clamps of the same sign.
inline int16_t Narrow(int32_t v) {
    if (v >= -16384 && v < 16384) return static_cast<int16_t>(v);
    return static_cast<int16_t>((v & 127) + (v < 0 ? -16384 : 16384));
}

void InverseDctNarrow(const int64_t* in, unsigned columns, unsigned acColumns, int16_t* samples) {
    int32_t wide[64];
    InverseDctColumns(in, columns, acColumns, wide);
    for (int i = 0; i < 64; ++i)
        samples[i] = Narrow(wide[i]);
}

#if defined(__x86_64__)
// MulHalfRoot of four 32-bit lanes: the high words of the signed products, from the unsigned ones
// less the factor where x is negative.
inline __m128i HalfRoot4(__m128i x) {
    const __m128i k = _mm_set1_epi32(0x5A82799A);
    __m128i even = _mm_srli_epi64(_mm_mul_epu32(x, k), 32);
    __m128i odd = _mm_and_si128(_mm_mul_epu32(_mm_srli_epi64(x, 32), k), _mm_set1_epi64x(~0xFFFFFFFFll));
    __m128i high = _mm_sub_epi32(_mm_or_si128(even, odd), _mm_and_si128(_mm_srai_epi32(x, 31), k));
    return _mm_add_epi32(high, high);
}

// MulRound of four 32-bit lanes: the same double products, rounded by the same conversion.
inline __m128i Round4(__m128i x, double c) {
    const __m128d f = _mm_set1_pd(c);
    __m128i low = _mm_cvtpd_epi32(_mm_mul_pd(_mm_cvtepi32_pd(x), f));
    __m128i high = _mm_cvtpd_epi32(_mm_mul_pd(_mm_cvtepi32_pd(_mm_shuffle_epi32(x, 0xEE)), f));
    return _mm_unpacklo_epi64(low, high);
}

// InversePass over four lanes; exact while no sum leaves 32 bits.
inline void InversePass4(__m128i* v) {
    __m128i tmp10 = _mm_add_epi32(v[0], v[4]), tmp11 = _mm_sub_epi32(v[0], v[4]);
    __m128i tmp13 = _mm_add_epi32(v[2], v[6]);
    __m128i half = HalfRoot4(_mm_sub_epi32(v[2], v[6]));
    __m128i tmp12 = _mm_sub_epi32(_mm_add_epi32(half, half), tmp13);
    __m128i e0 = _mm_add_epi32(tmp10, tmp13), e3 = _mm_sub_epi32(tmp10, tmp13);
    __m128i e1 = _mm_add_epi32(tmp11, tmp12), e2 = _mm_sub_epi32(tmp11, tmp12);
    __m128i z13 = _mm_add_epi32(v[5], v[3]), z10 = _mm_sub_epi32(v[5], v[3]);
    __m128i z11 = _mm_add_epi32(v[1], v[7]), z12 = _mm_sub_epi32(v[1], v[7]);
    __m128i o7 = _mm_add_epi32(z11, z13);
    __m128i o11 = HalfRoot4(_mm_sub_epi32(z11, z13));
    o11 = _mm_add_epi32(o11, o11);
    __m128i z5 = Round4(_mm_add_epi32(z10, z12), 0.3826834);
    __m128i o10 = _mm_add_epi32(Round4(z10, 0.5411961), z5);
    o10 = _mm_sub_epi32(_mm_setzero_si128(), _mm_add_epi32(o10, o10));
    __m128i o12 = _mm_sub_epi32(Round4(z12, 1.3065630), z5);
    o12 = _mm_add_epi32(o12, o12);
    __m128i o6 = _mm_sub_epi32(o12, o7), o5 = _mm_sub_epi32(o11, o6), o4 = _mm_add_epi32(o10, o5);
    v[0] = _mm_add_epi32(e0, o7);
    v[7] = _mm_sub_epi32(e0, o7);
    v[1] = _mm_add_epi32(e1, o6);
    v[6] = _mm_sub_epi32(e1, o6);
    v[2] = _mm_add_epi32(e2, o5);
    v[5] = _mm_sub_epi32(e2, o5);
    v[4] = _mm_add_epi32(e3, o4);
    v[3] = _mm_sub_epi32(e3, o4);
}

// Whether |v| < 2^bits.
inline bool Within(int64_t v, int bits) {
    return static_cast<uint64_t>(v + (int64_t{1} << bits)) < (uint64_t{2} << bits);
}

// InverseDctNarrow with the row passes four rows at a time in 32 bits. A pass adds its first
// value unmultiplied and takes the others at most 30 times over, so with the first values below
// 2^30 and the others below 2^25 no sum leaves 32 bits; other blocks take the 64-bit passes.
void InverseDctFast(const int64_t* in, unsigned columns, unsigned acColumns, int16_t* samples) {
    if (!acColumns) {
        int64_t row[8];
        FirstRowPass(in, columns, row);
        // Sums within 32 bits (the high words the low words' signs) give their samples shifted
        // straight into 16 bits.
        __m128 low[2], high[2];
        for (int i = 0; i < 2; ++i) {
            __m128 a = _mm_loadu_ps(reinterpret_cast<const float*>(row + 4 * i));
            __m128 b = _mm_loadu_ps(reinterpret_cast<const float*>(row + 4 * i + 2));
            low[i] = _mm_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0));
            high[i] = _mm_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1));
        }
        __m128i lo0 = _mm_castps_si128(low[0]), lo1 = _mm_castps_si128(low[1]);
        __m128i within = _mm_and_si128(_mm_cmpeq_epi32(_mm_srai_epi32(lo0, 31), _mm_castps_si128(high[0])),
                                       _mm_cmpeq_epi32(_mm_srai_epi32(lo1, 31), _mm_castps_si128(high[1])));
        __m128i v = _mm_packs_epi32(_mm_srai_epi32(lo0, 17), _mm_srai_epi32(lo1, 17));
        if (_mm_movemask_epi8(within) != 0xFFFF) {
            alignas(16) int16_t first[8];
            for (int c = 0; c < 8; ++c)
                first[c] = Narrow(Sample(row[c]));
            v = _mm_load_si128(reinterpret_cast<const __m128i*>(first));
        }
        for (int r = 0; r < 8; ++r)
            _mm_store_si128(reinterpret_cast<__m128i*>(samples + 8 * r), v);
        return;
    }
    alignas(16) int32_t columnOut[8][8]; // the column passes' output, column by column
    __m128i lanes[2][8];
    for (int c = 0; c < 8; ++c) {
        const int bits = c == 0 ? 30 : 25;
        if (acColumns >> c & 1) {
            int64_t v[8];
            for (int r = 0; r < 8; ++r)
                v[r] = in[8 * r + c];
            InversePass(v, 1);
            for (int r = 0; r < 8; ++r) {
                if (!Within(v[r], bits)) return InverseDctNarrow(in, columns, acColumns, samples);
                columnOut[c][r] = static_cast<int32_t>(v[r]);
            }
            lanes[0][c] = _mm_load_si128(reinterpret_cast<const __m128i*>(columnOut[c]));
            lanes[1][c] = _mm_load_si128(reinterpret_cast<const __m128i*>(columnOut[c] + 4));
        } else {
            if (!Within(in[c], bits)) return InverseDctNarrow(in, columns, acColumns, samples);
            lanes[0][c] = lanes[1][c] = _mm_set1_epi32(static_cast<int32_t>(in[c]));
        }
    }
    InversePass4(lanes[0]);
    InversePass4(lanes[1]);
    // Column x of the samples, rows 0 to 7, then the rows.
    __m128i t[8], u[8];
    for (int x = 0; x < 8; ++x)
        t[x] = _mm_packs_epi32(_mm_srai_epi32(lanes[0][x], 17), _mm_srai_epi32(lanes[1][x], 17));
    for (int i = 0; i < 4; ++i) {
        u[2 * i] = _mm_unpacklo_epi16(t[2 * i], t[2 * i + 1]);
        u[2 * i + 1] = _mm_unpackhi_epi16(t[2 * i], t[2 * i + 1]);
    }
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j) {
            t[4 * i + 2 * j] = _mm_unpacklo_epi32(u[4 * i + j], u[4 * i + j + 2]);
            t[4 * i + 2 * j + 1] = _mm_unpackhi_epi32(u[4 * i + j], u[4 * i + j + 2]);
        }
    for (int i = 0; i < 4; ++i) {
        _mm_store_si128(reinterpret_cast<__m128i*>(samples + 8 * (2 * i)),
                        _mm_unpacklo_epi64(t[i], t[i + 4]));
        _mm_store_si128(reinterpret_cast<__m128i*>(samples + 8 * (2 * i + 1)),
                        _mm_unpackhi_epi64(t[i], t[i + 4]));
    }
}
#else
void InverseDctFast(const int64_t* in, unsigned columns, unsigned acColumns, int16_t* samples) {
    InverseDctNarrow(in, columns, acColumns, samples);
}
#endif

// One block's dequantised coefficients, zero except where set; the places set are remembered so
// that they alone are cleared for the next block.
class Block {
  public:
    void Start(int64_t dc) {
        v_[0] = dc;
        count_ = 0;
        columns_ = 1;
        acColumns_ = 0;
    }
    // Each place at most once per block, never the first.
    void Set(int at, int64_t value) {
        v_[at] = value;
        placed_[count_++] = static_cast<uint8_t>(at);
        columns_ |= 1u << (at & 7);
        if (at >= 8) acColumns_ |= 1u << (at & 7);
    }
    // A block with no coefficient set but DC is flat (the value unclamped).
    void Samples(bool onlyDc, int16_t* out) {
        if (onlyDc)
            std::fill(out, out + 64, Narrow(static_cast<int32_t>(v_[0] >> 17)));
        else
            InverseDctFast(v_, columns_, acColumns_, out);
        for (int i = 0; i < count_; ++i)
            v_[placed_[i]] = 0;
    }

  private:
    int64_t v_[64] = {};
    uint8_t placed_[64] = {};
    int count_ = 0;
    unsigned columns_ = 1, acColumns_ = 0;
};

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

void ColumnsOf(const int64_t coefficients[64], unsigned* columns, unsigned* acColumns) {
    *columns = *acColumns = 0;
    for (int at = 0; at < 64; ++at)
        if (coefficients[at]) {
            *columns |= 1u << (at & 7);
            if (at >= 8) *acColumns |= 1u << (at & 7);
        }
}

} // namespace

void MovieInverseDct(const int64_t coefficients[64], int32_t samples[64]) {
    unsigned columns, acColumns;
    ColumnsOf(coefficients, &columns, &acColumns);
    InverseDctColumns(coefficients, columns, acColumns, samples);
}

void MovieInverseDctSamples(const int64_t coefficients[64], int16_t samples[64]) {
    unsigned columns, acColumns;
    ColumnsOf(coefficients, &columns, &acColumns);
    alignas(16) int16_t out[64];
    InverseDctFast(coefficients, columns, acColumns, out);
    std::memcpy(samples, out, sizeof out);
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
        bool exactComputed = false;
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
        exactComputed_ = last->exactComputed;
        return;
    }
    BuildColorTablesNow();
    exactComputed_ = ExactTablesComputable();
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
    last->exactComputed = exactComputed_;
}

// The exact conversion's terms as computed eight at a time. A chroma term: sign(c) times
// 2 |c| f / 2^16 (the table's trunc(k c / 1.164) for f the factor of k), of a sample read as a
// signed byte. A component at table position t: 0 up to 191, then trunc(1.164 n) for n = 2 t - 383,
// at most 255; with j = t - 191 clamped to 0..110 and x = max(582 j - 291, 0) that is x / 250, so
// its 5 bits are floor(x / 2000) truncated and min(floor((x + 1000) / 2000), 31) rounded, and for
// these x floor(y / 2000) = floor(y 2097 / 2^22).
constexpr int kExactRedCr = 5617 << 3, kExactGreenCr = 2861 << 3, kExactGreenCb = 342 << 5,
              kExactBlueCb = 1775 << 5;
constexpr int kExactRed = 96, kExactGreen = 250, kExactBlue = 73; // the tables' offsets
constexpr int kExactStart = 191, kExactTop = 110;

namespace {

int ExactChromaTerm(int c, int factor) {
    int v = (2 * std::abs(c) * factor) >> 16;
    return c < 0 ? -v : v;
}

int ExactProduct(int t) {
    return std::max(582 * std::clamp(t - kExactStart, 0, kExactTop) - 291, 0);
}

} // namespace

bool MovieCodec::ExactTablesComputable() const {
    if (!rgb555_) return false;
    for (int i = 0; i < 256; ++i) {
        int c = i < 128 ? i : i - 256;
        if (exactRedCr_[i] != ExactChromaTerm(c, kExactRedCr) ||
            exactGreenCr_[i] != -ExactChromaTerm(c, kExactGreenCr) ||
            exactGreenCb_[i] != ExactChromaTerm(c, kExactGreenCb) ||
            exactBlueCb_[i] != ExactChromaTerm(c, kExactBlueCb))
            return false;
    }
    for (int at = 0; at < kExactTable; ++at) {
        uint32_t x = static_cast<uint32_t>(ExactProduct(at - kExactMargin));
        uint32_t truncated = (x * 2097) >> 22, rounded = std::min<uint32_t>(((x + 1000) * 2097) >> 22, 31);
        for (int f = 0; f < 3; ++f) {
            int shift = 10 - 5 * f;
            uint32_t px = double_ ? truncated << shift | rounded << (shift + 16) : truncated << shift;
            if (exact_[f][at] != px) return false;
        }
    }
    return true;
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

#if defined(__x86_64__)
namespace {

// round(k c / 65536), halves upwards, for 8 values c = 2 s + 1 of signed 7-bit samples s, as
// pairs (c, (k / 16384) c + 2) times (k % 16384, 16384) in 32-bit sums: k c + 32768 exactly.
inline __m128i RoundedProducts(__m128i c, int k) {
    __m128i upper =
        _mm_add_epi16(_mm_mullo_epi16(c, _mm_set1_epi16(static_cast<int16_t>(k / 16384))), _mm_set1_epi16(2));
    __m128i factors = _mm_set1_epi32((16384 << 16) | (k % 16384));
    __m128i lo = _mm_srai_epi32(_mm_madd_epi16(_mm_unpacklo_epi16(c, upper), factors), 16);
    __m128i hi = _mm_srai_epi32(_mm_madd_epi16(_mm_unpackhi_epi16(c, upper), factors), 16);
    return _mm_packs_epi32(lo, hi);
}

// Eight samples as signed 7-bit values (taken modulo 128) in 16-bit lanes.
inline __m128i Signed7(const int16_t* samples) {
    __m128i sign = _mm_set1_epi16(64);
    __m128i v = _mm_and_si128(_mm_load_si128(reinterpret_cast<const __m128i*>(samples)), _mm_set1_epi16(127));
    return _mm_sub_epi16(_mm_xor_si128(v, sign), sign);
}

inline __m128i Pack555(__m128i r, __m128i g, __m128i b) {
    return _mm_or_si128(_mm_or_si128(_mm_slli_epi16(r, 10), _mm_slli_epi16(g, 5)), b);
}

// Half 0 or 1 of eight lanes, each lane twice: a chroma term for its two neighbouring pixels.
inline __m128i Duplicated(__m128i v, int half) {
    return half ? _mm_unpackhi_epi16(v, v) : _mm_unpacklo_epi16(v, v);
}

// The two lines of a macroblock that chroma row `row` serves, eight pixels at a time: convert
// gives the pixels of eight luma samples of its half (0 or 1) and, doubled, the right pixels of
// the pairs, each written beside its left one.
template <bool kDouble, class Convert>
inline void WriteLines(uint16_t* base, size_t pitch, const int16_t (*samples)[64], int row, Convert convert) {
    for (int y = 2 * row; y < 2 * row + 2; ++y) {
        uint16_t* dst = base + static_cast<size_t>(y) * pitch;
        for (int half = 0; half < 2; ++half) {
            __m128i right = _mm_setzero_si128();
            __m128i left = convert(samples[(y >> 3) * 2 + half] + (y & 7) * 8, half, &right);
            if constexpr (kDouble) {
                _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 16 * half),
                                 _mm_unpacklo_epi16(left, right));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 16 * half + 8),
                                 _mm_unpackhi_epi16(left, right));
            } else {
                _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 8 * half), left);
            }
        }
    }
}

} // namespace

// The fast conversion into RGB555 computed eight pixels at a time: the same sums the tables hold
// (Y = 2 s + 129 plus the rounded chroma products), clamped and reduced the same way.
template <bool kDouble> void MovieCodec::WriteMacroblockFast555(FrameSurface& current, int mx, int my) const {
    const size_t pitch = static_cast<size_t>(current.width);
    uint16_t* base = current.pixels.data() + static_cast<size_t>(my) * pitch + (kDouble ? 2 * mx : mx);
    // Components are clamped to 0..255 and shifted to 5 bits; the luma bias 129 carries the 4
    // that rounds them, and the truncated ones take it off again.
    const __m128i zero = _mm_setzero_si128(), top = _mm_set1_epi16(255), four = _mm_set1_epi16(4);
    auto rounded = [&](__m128i v) { return _mm_srli_epi16(_mm_max_epi16(_mm_min_epi16(v, top), zero), 3); };
    auto truncated = [&](__m128i v) { return rounded(_mm_sub_epi16(v, four)); };
    for (int row = 0; row < 8; ++row) {
        __m128i sb = Signed7(samples_[4] + 8 * row), sr = Signed7(samples_[5] + 8 * row);
        __m128i cb = _mm_add_epi16(_mm_add_epi16(sb, sb), _mm_set1_epi16(1));
        __m128i cr = _mm_add_epi16(_mm_add_epi16(sr, sr), _mm_set1_epi16(1));
        const __m128i red = RoundedProducts(cr, 91881), blue = RoundedProducts(cb, 116129);
        const __m128i green =
            _mm_sub_epi16(zero, _mm_add_epi16(RoundedProducts(cb, 22550), RoundedProducts(cr, 46799)));
        const __m128i chroma[2][3] = {{Duplicated(red, 0), Duplicated(green, 0), Duplicated(blue, 0)},
                                      {Duplicated(red, 1), Duplicated(green, 1), Duplicated(blue, 1)}};
        WriteLines<kDouble>(
            base, pitch, samples_, row, [&](const int16_t* samples, int half, __m128i* right) {
                // 2 s + 133 for the signed 7-bit sample s: twice its low 7 bits with the sign bit
                // flipped, plus 5.
                __m128i x = _mm_load_si128(reinterpret_cast<const __m128i*>(samples));
                x = _mm_xor_si128(_mm_and_si128(_mm_add_epi16(x, x), _mm_set1_epi16(254)),
                                  _mm_set1_epi16(128));
                __m128i luma = _mm_add_epi16(x, _mm_set1_epi16(5));
                __m128i r = _mm_add_epi16(luma, chroma[half][0]);
                __m128i g = _mm_add_epi16(luma, chroma[half][1]);
                __m128i b = _mm_add_epi16(luma, chroma[half][2]);
                if constexpr (kDouble) // the left pixel of a pair rounded, the right truncated
                    *right = Pack555(truncated(r), truncated(g), truncated(b));
                return Pack555(rounded(r), rounded(g), rounded(b));
            });
    }
}

namespace {

// Eight samples clamped to lo..hi in 16-bit lanes.
inline __m128i Clamped16(const int16_t* samples, int lo, int hi) {
    __m128i v = _mm_load_si128(reinterpret_cast<const __m128i*>(samples));
    return _mm_max_epi16(_mm_min_epi16(v, _mm_set1_epi16(static_cast<int16_t>(hi))),
                         _mm_set1_epi16(static_cast<int16_t>(lo)));
}

// The exact chroma term of eight magnitudes 2 |c| with their signs (all ones for negative c).
inline __m128i ExactChroma(__m128i twice, __m128i sign, int factor) {
    __m128i v = _mm_mulhi_epu16(twice, _mm_set1_epi16(static_cast<int16_t>(factor)));
    return _mm_sub_epi16(_mm_xor_si128(v, sign), sign);
}

// The exact conversion's x of eight table positions less kExactStart, and its 5-bit components.
inline __m128i ExactProduct8(__m128i t) {
    __m128i j = _mm_max_epi16(_mm_min_epi16(t, _mm_set1_epi16(kExactTop)), _mm_setzero_si128());
    return _mm_subs_epu16(_mm_mullo_epi16(j, _mm_set1_epi16(582)), _mm_set1_epi16(291));
}
inline __m128i ExactTruncated5(__m128i x) {
    return _mm_srli_epi16(_mm_mulhi_epu16(x, _mm_set1_epi16(2097)), 6);
}
inline __m128i ExactRounded5(__m128i x) {
    return _mm_min_epi16(ExactTruncated5(_mm_adds_epu16(x, _mm_set1_epi16(1000))), _mm_set1_epi16(31));
}

} // namespace

// The exact conversion into RGB555 computed eight pixels at a time, as the tables hold it.
template <bool kDouble>
void MovieCodec::WriteMacroblockExact555(FrameSurface& current, int mx, int my) const {
    const size_t pitch = static_cast<size_t>(current.width);
    uint16_t* base = current.pixels.data() + static_cast<size_t>(my) * pitch + (kDouble ? 2 * mx : mx);
    for (int row = 0; row < 8; ++row) {
        // The chroma samples clamped to 0..255 and read as signed bytes.
        __m128i sign = _mm_set1_epi16(128);
        __m128i u = _mm_sub_epi16(_mm_xor_si128(Clamped16(samples_[4] + 8 * row, 0, 255), sign), sign);
        __m128i v = _mm_sub_epi16(_mm_xor_si128(Clamped16(samples_[5] + 8 * row, 0, 255), sign), sign);
        __m128i us = _mm_srai_epi16(u, 15), vs = _mm_srai_epi16(v, 15);
        __m128i ut = _mm_sub_epi16(_mm_xor_si128(u, us), us), vt = _mm_sub_epi16(_mm_xor_si128(v, vs), vs);
        ut = _mm_add_epi16(ut, ut);
        vt = _mm_add_epi16(vt, vt);
        const __m128i red =
            _mm_add_epi16(ExactChroma(vt, vs, kExactRedCr), _mm_set1_epi16(kExactRed - kExactStart));
        const __m128i green = _mm_sub_epi16(
            _mm_set1_epi16(kExactGreen - kExactStart),
            _mm_add_epi16(ExactChroma(vt, vs, kExactGreenCr), ExactChroma(ut, us, kExactGreenCb)));
        const __m128i blue =
            _mm_add_epi16(ExactChroma(ut, us, kExactBlueCb), _mm_set1_epi16(kExactBlue - kExactStart));
        const __m128i chroma[2][3] = {{Duplicated(red, 0), Duplicated(green, 0), Duplicated(blue, 0)},
                                      {Duplicated(red, 1), Duplicated(green, 1), Duplicated(blue, 1)}};
        WriteLines<kDouble>(
            base, pitch, samples_, row, [&](const int16_t* samples, int half, __m128i* right) {
                __m128i luma = Clamped16(samples, -kExactMargin / 2, kExactMargin / 2);
                __m128i r = ExactProduct8(_mm_add_epi16(luma, chroma[half][0]));
                __m128i g = ExactProduct8(_mm_add_epi16(luma, chroma[half][1]));
                __m128i b = ExactProduct8(_mm_add_epi16(luma, chroma[half][2]));
                if constexpr (kDouble) // the left pixel of a pair truncated, the right rounded
                    *right = Pack555(ExactRounded5(r), ExactRounded5(g), ExactRounded5(b));
                return Pack555(ExactTruncated5(r), ExactTruncated5(g), ExactTruncated5(b));
            });
    }
}
#endif

template <bool kExact, bool kDouble>
void MovieCodec::WriteMacroblockAs(FrameSurface& current, int mx, int my) const {
    const size_t pitch = static_cast<size_t>(current.width);
    uint16_t* base = current.pixels.data() + static_cast<size_t>(my) * pitch + (kDouble ? 2 * mx : mx);
    for (int row = 0; row < 8; ++row) {
        // Chroma sample i of the row serves the 2 x 2 pixels at columns 2 i and 2 i + 1 of rows
        // 2 row and 2 row + 1; their luma samples lie in the block of that quarter.
        const int16_t* luma = samples_[(row >> 2) * 2] + (2 * row & 7) * 8;
        uint16_t* dst = base + static_cast<size_t>(2 * row) * pitch;
        for (int i = 0; i < 8; ++i) {
            const int16_t* l = luma + (i >> 2) * 64 + 2 * (i & 3);
            uint32_t px[4];
            if constexpr (kExact) {
                int ub = std::clamp<int>(samples_[4][8 * row + i], 0, 255),
                    vr = std::clamp<int>(samples_[5][8 * row + i], 0, 255);
                const uint32_t* red = exact_[0] + kExactMargin + kExactRed + exactRedCr_[vr];
                const uint32_t* green =
                    exact_[1] + kExactMargin + kExactGreen + exactGreenCr_[vr] - exactGreenCb_[ub];
                const uint32_t* blue = exact_[2] + kExactMargin + kExactBlue + exactBlueCb_[ub];
                for (int k = 0; k < 4; ++k) {
                    int y0 = std::clamp<int>(l[(k >> 1) * 8 + (k & 1)], -kExactMargin / 2, kExactMargin / 2);
                    px[k] = red[y0] + green[y0] + blue[y0];
                }
            } else {
                uint32_t chroma =
                    fastCb_[samples_[4][8 * row + i] & 127] + fastCr_[samples_[5][8 * row + i] & 127];
                for (int k = 0; k < 4; ++k) {
                    uint32_t t = fastLuma_[l[(k >> 1) * 8 + (k & 1)] & 127] + chroma;
                    px[k] = fastField_[0][(t >> 20) & 1023] | fastField_[1][(t >> 10) & 1023] |
                            fastField_[2][t & 1023];
                }
            }
            for (int k = 0; k < 4; ++k) {
                uint16_t* at = dst + (k >> 1) * pitch + (kDouble ? 2 : 1) * (2 * i + (k & 1));
                if constexpr (kDouble)
                    std::memcpy(at, &px[k], sizeof px[k]); // a pixel pair, left in the low half
                else
                    *at = static_cast<uint16_t>(px[k]);
            }
        }
    }
}

void MovieCodec::WriteMacroblock(FrameSurface& current, int mx, int my, bool exact) const {
#if defined(__x86_64__)
    if (!exact && rgb555_) {
        double_ ? WriteMacroblockFast555<true>(current, mx, my)
                : WriteMacroblockFast555<false>(current, mx, my);
        return;
    }
    if (exact && exactComputed_) {
        double_ ? WriteMacroblockExact555<true>(current, mx, my)
                : WriteMacroblockExact555<false>(current, mx, my);
        return;
    }
#endif
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
    Block block;
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
                    std::fill(samples_[b], samples_[b] + 64, Narrow(static_cast<int32_t>(dc >> 17)));
                }
            } else if (n > 12) {
                LsbReader bits(mb, n);
                for (int b = 0; b < 6; ++b) {
                    bool onlyDc = true;
                    block.Start(int64_t{static_cast<int8_t>(bits.Read(8))} * dequant_[0]);
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
                            block.Set(scan[k], int64_t{level} * dequant_[scan[k]]);
                            onlyDc = false;
                            ++k;
                        } else {
                            k += zeros; // runs past the last coefficient end the block
                        }
                    }
                    block.Samples(onlyDc, samples_[b]);
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
    const std::array<VlcEntry, 256>& lumaDc = DcLookup(false);
    const std::array<VlcEntry, 256>& chromaDc = DcLookup(true);
    WordReader bits(data, size);
    Block block;
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
                const VlcEntry& dc = (channel ? chromaDc : lumaDc)[bits.Peek(8)];
                if (!dc.length) { // no such size code: the rest of the frame cannot be read
                    QVReport::message("MovieDecodeFrame: type 4 frame with a bad DC size; rest kept.\n");
                    return true;
                }
                bits.Skip(dc.length);
                int sizeBits = dc.level;
                int diff = static_cast<int>(bits.Read(sizeBits));
                if (sizeBits && !(diff >> (sizeBits - 1))) diff -= (1 << sizeBits) - 1;
                predictor[channel] += diff;
                block.Start(int64_t{predictor[channel]} * dequant_[0]);
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
                    block.Set(scan[k], int64_t{level} * dequant_[scan[k]]);
                    onlyDc = false;
                    ++k;
                }
                block.Samples(onlyDc, samples_[b]);
            }
            WriteMacroblock(current, mx, my, exact);
        }
    if (damaged) QVReport::message("MovieDecodeFrame: type 4 frame with damaged codes or vectors.\n");
    return true;
}

} // namespace movie
