#include "media/MovieCodec.h"

#include "core/QVReport.h"

#include <algorithm>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace movie {

namespace {

uint16_t Le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t Le32(const uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// Bits packed least significant first, read from a bounded buffer; past the end reads zeros and
// marks the reader overrun.
class LsbBits {
  public:
    LsbBits(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint32_t Read(int n) {
        if (n <= 0) return 0;
        size_t byte = pos_ >> 3;
        if (((pos_ + n + 7) >> 3) > size_) return ReadSlow(n);
        // Up to 32 bits at a bit offset below 8 lie in the next 5 bytes.
        uint64_t window = 0;
        if (byte + 8 <= size_) {
            uint8_t b[8];
            std::memcpy(b, data_ + byte, 8);
            for (int i = 0; i < 8; ++i)
                window |= static_cast<uint64_t>(b[i]) << (8 * i);
        } else {
            size_t have = std::min<size_t>(5, size_ - byte);
            for (size_t i = 0; i < have; ++i)
                window |= static_cast<uint64_t>(data_[byte + i]) << (8 * i);
        }
        uint32_t v = static_cast<uint32_t>((window >> (pos_ & 7)) & ((uint64_t{1} << n) - 1));
        pos_ += n;
        return v;
    }
    bool Overrun() const { return overrun_; }

  private:
    uint32_t ReadSlow(int n) {
        uint32_t v = 0;
        for (int i = 0; i < n; ++i) {
            size_t byte = pos_ >> 3;
            if (byte >= size_) {
                overrun_ = true;
                return v;
            }
            v |= static_cast<uint32_t>((data_[byte] >> (pos_ & 7)) & 1) << i;
            ++pos_;
        }
        return v;
    }

    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
    bool overrun_ = false;
};

} // namespace

namespace {

// The unpacker; *written tells how many bytes reached dst, also when the stream is damaged.
long DecompressLz(const uint8_t* src, size_t srcSize, uint8_t* dst, size_t capacity, size_t* written) {
    *written = 0;
    size_t in = 0;
    if (srcSize < 2) return -1;
    in = (src[0] & 1) ? 5 : 2;
    if (in + 3 > srcSize) return -1;
    size_t unpacked = (static_cast<size_t>(src[in]) << 16) | (src[in + 1] << 8) | src[in + 2];
    in += 3;
    if (!dst) return static_cast<long>(unpacked);
    size_t out = 0; // a local, so that the byte stores below are not taken to change it
    auto Damaged = [&] {
        *written = out;
        return -1L;
    };
    auto literals = [&](size_t n) {
        if (in + n > srcSize || out + n > capacity) return false;
        std::memcpy(dst + out, src + in, n);
        in += n;
        out += n;
        return true;
    };
    auto run = [&](size_t length, size_t distance) {
        if (distance > out || out + length > capacity) return false;
        for (size_t i = 0; i < length; ++i, ++out)
            dst[out] = dst[out - distance];
        return true;
    };
    while (in < srcSize) {
        uint8_t b0 = src[in];
        if (b0 < 0x80) {
            if (in + 2 > srcSize) return Damaged();
            uint8_t b1 = src[in + 1];
            in += 2;
            if (!literals(b0 & 3) || !run(((b0 >> 2) & 7) + 3, (((b0 >> 5) & 3) << 8) + b1 + 1))
                return Damaged();
        } else if (b0 < 0xC0) {
            if (in + 3 > srcSize) return Damaged();
            uint8_t b1 = src[in + 1], b2 = src[in + 2];
            in += 3;
            if (!literals(b1 >> 6) || !run((b0 & 0x3F) + 4, ((b1 & 0x3F) << 8) + b2 + 1)) return Damaged();
        } else if (b0 < 0xE0) {
            if (in + 4 > srcSize) return Damaged();
            uint8_t b1 = src[in + 1], b2 = src[in + 2], b3 = src[in + 3];
            in += 4;
            if (!literals(b0 & 3) ||
                !run((((b0 >> 2) & 3) << 8) + b3 + 5, ((b0 & 0x10) << 12) + (b1 << 8) + b2 + 1))
                return Damaged();
        } else if (b0 < 0xFC) {
            ++in;
            if (!literals(((b0 & 0x1F) + 1) * 4)) return Damaged();
        } else {
            ++in;
            if (!literals(b0 & 3)) return Damaged();
            *written = out;
            return static_cast<long>(out);
        }
    }
    *written = out;
    return -1; // no end command
}

} // namespace

long MovieDecompressLz(const uint8_t* src, size_t srcSize, uint8_t* dst, size_t capacity) {
    size_t written = 0;
    return DecompressLz(src, srcSize, dst, capacity, &written);
}

void MovieCodec::Configure(bool doubleWidth, int brightnessPercent, PixelFormat format) {
    double_ = doubleWidth;
    brightness_ = brightnessPercent;
    format_ = format;
    const PixelFormat rgb555;
    rgb555_ = format.redBits == rgb555.redBits && format.greenBits == rgb555.greenBits &&
              format.blueBits == rgb555.blueBits && format.redShift == rgb555.redShift &&
              format.greenShift == rgb555.greenShift && format.blueShift == rgb555.blueShift;
    MovieBuildColorTables();
}

bool MovieCodec::ReadFrameSize(const uint8_t* payload, size_t size, int type, int* width, int* height) const {
    int w = width_, h = height_;
    if (type == kKeyFrame || type == kDctFrame || type == kDctFrame2) {
        if (size < 4) return false;
        w = type == kKeyFrame ? Le16(payload) : static_cast<int16_t>(Le16(payload));
        h = type == kKeyFrame ? Le16(payload + 2) : static_cast<int16_t>(Le16(payload + 2));
    }
    if (w <= 0 || h <= 0 || w > kMaxWidth || h > kMaxHeight) return false;
    bool palette = type == kKeyFrame || type == kDeltaFrame;
    if (palette ? (w % 8 || h % 4) : (w % 16 || h % 16)) return false;
    *width = w;
    *height = h;
    return true;
}

bool MovieCodec::MovieDecodeFrame(const uint8_t* payload, size_t size, int type, FrameSurface& current,
                                  const FrameSurface& previous) {
    int w = 0, h = 0;
    if (!ReadFrameSize(payload, size, type, &w, &h)) {
        QVReport::message("MovieDecodeFrame: frame of type %d with a bad header skipped.\n", type);
        return false;
    }
    if (current.width != SurfaceWidth(w) || current.height != h) {
        QVReport::message("MovieDecodeFrame: %d x %d frame does not fit the %d x %d surface; skipped.\n", w,
                          h, current.width, current.height);
        return false;
    }
    switch (type) {
    case kKeyFrame:
        if (!MovieReadKeyFrame(payload, size)) return false;
        // The pixels are kept for the delta frames that follow.
        shown_.resize(current.pixels.size());
        MovieConvertIndexedFrame(current, shown_.data());
        shownValid_ = true;
        return true;
    case kDeltaFrame:
        return MovieDecodeDeltaFrame(payload, size, current);
    case kDctFrame:
    case kDctFrame2:
        return MovieDecodeDctFrame(payload, size, type, current, previous);
    default:
        QVReport::message("MovieDecodeFrame: frame type %d not decoded.\n", type);
        return false;
    }
}

void MovieCodec::ConvertShownAcross(FrameSurface& current) const {
    // Each pixel of shown_ is its index's table entry (whole when laid out as pairs; the narrow
    // table's entries fit a pixel), so the entries are converted as the indexes would be.
    const size_t w = static_cast<size_t>(width_), from = pixelTableDouble_ ? 2 : 1, to = double_ ? 2 : 1;
    for (int y = 0; y < height_; ++y) {
        const uint16_t* src = shown_.data() + y * w * from;
        uint16_t* dst = current.pixels.data() + y * w * to;
        for (size_t x = 0; x < w; x += 4) {
            uint32_t e[4];
            for (size_t j = 0; j < 4; ++j)
                e[j] = pixelTableDouble_
                           ? src[2 * (x + j)] | (static_cast<uint32_t>(src[2 * (x + j) + 1]) << 16)
                           : src[x + j];
            if (double_) {
                std::memcpy(dst + 2 * x, e, sizeof e);
            } else {
                uint64_t v = e[0] | (uint64_t{e[1]} << 16) | (uint64_t{e[2]} << 32) | (uint64_t{e[3]} << 48);
                std::memcpy(dst + x, &v, sizeof v);
            }
        }
    }
}

bool MovieCodec::MovieReadKeyFrame(const uint8_t* payload, size_t size) {
    if (size < 12) return false;
    int w = Le16(payload), h = Le16(payload + 2);
    size_t n = Le16(payload + 6);
    if (n > 256 || 12 + 3 * n > size) {
        QVReport::message("MovieReadKeyFrame: palette of %zu colours does not fit; frame skipped.\n", n);
        return false;
    }
    std::memset(palette_, 0, sizeof palette_);
    for (size_t i = 0; i < n; ++i)
        for (int c = 0; c < 3; ++c)
            palette_[i][c] = static_cast<uint8_t>(std::min(255, payload[12 + 3 * i + c] * brightness_ / 100));
    size_t pixels = static_cast<size_t>(w) * h;
    width_ = w;
    height_ = h;
    // The previous picture is written in full before a delta frame reads it; the current one is
    // zero past what the stream gives.
    picture_.resize(pixels);
    previousPicture_.resize(pixels);
    havePicture_ = true;
    const uint8_t* lz = payload + 12 + 3 * n;
    size_t written = 0;
    long got = DecompressLz(lz, size - 12 - 3 * n, picture_.data(), pixels, &written);
    std::memset(picture_.data() + written, 0, pixels - written);
    if (got < 0)
        QVReport::message("MovieDecompressLz: stream damaged; the picture is kept as far as it came.\n");
    MovieBuildPaletteTable();
    return true;
}

namespace {

// The delta frame's block codes: n bits each, least significant first, past the end zeros. The
// frame's size check keeps them inside the chunk; a 64-bit reserve is refilled 32 bits at a time.
class CodeBits {
  public:
    CodeBits(const uint8_t* data, size_t size) : p_(data), end_(data + size) {}
    uint32_t Read(int n) { // 1 <= n <= 32
        if (have_ < n) Refill();
        uint32_t v = static_cast<uint32_t>(bits_ & ((uint64_t{1} << n) - 1));
        bits_ >>= n;
        have_ -= n;
        return v;
    }

  private:
    void Refill() { // have_ < 32
        if (end_ - p_ >= 4) {
            bits_ |= static_cast<uint64_t>(Le32(p_)) << have_;
            p_ += 4;
            have_ += 32;
            return;
        }
        while (have_ <= 56) {
            uint8_t b = p_ < end_ ? *p_++ : 0;
            bits_ |= static_cast<uint64_t>(b) << have_;
            have_ += 8;
        }
    }

    const uint8_t* p_;
    const uint8_t* end_;
    uint64_t bits_ = 0;
    int have_ = 0;
};

// One delta frame's blocks: the codes, the vectors, the palette pictures (before and being
// written), the block table, the pixels last shown and the block table's pixels; the pixels are
// written into out and keep.
struct DeltaBlocks {
    int w, h;
    const MovieCodec::DeltaVector* vectors;
    size_t vectorCount, tableBlocks;
    int k;
    const uint8_t* codes;
    size_t codeBytes;
    uint8_t* picture;
    const uint8_t* before;
    const uint8_t* table;
    uint16_t* out;
    uint16_t* keep;
    const uint16_t* shown;
    const uint16_t* tableShown;
};

// Copies the blocks as palette indexes, as pixels, or both; true when some code or vector was out
// of bounds (that block stays). The pixels go to keep, each row of blocks then to out as well.
template <size_t kStep, bool kPicture, bool kPixels> bool CopyDeltaBlocks(const DeltaBlocks& d) {
    CodeBits codes(d.codes, d.codeBytes);
    const size_t w = static_cast<size_t>(d.w), pitch = w * kStep;
    const unsigned lastX = static_cast<unsigned>(d.w - 4), lastY = static_cast<unsigned>(d.h - 4);
    bool bad = false;
    for (int y = 0; y < d.h; y += 4) {
        for (int x = 0; x < d.w; x += 4) {
            uint32_t c = d.k ? codes.Read(d.k) : 0;
            const size_t at = static_cast<size_t>(y) * w + static_cast<size_t>(x);
            size_t source = at; // in the picture before, or the block in the table
            bool fromTable = false;
            if (c < d.vectorCount) {
                const MovieCodec::DeltaVector& v = d.vectors[c];
                if (static_cast<unsigned>(x + v.dx) <= lastX && static_cast<unsigned>(y + v.dy) <= lastY)
                    source = at + static_cast<size_t>(v.offset);
                else
                    bad = true;
            } else if (c - d.vectorCount < d.tableBlocks) {
                source = c - d.vectorCount;
                fromTable = true;
            } else {
                bad = true;
            }
            if constexpr (kPicture) {
                uint8_t* dst = d.picture + at;
                const uint8_t* src = fromTable ? d.table + 16 * source : d.before + source;
                const size_t stride = fromTable ? 4 : w;
                for (int row = 0; row < 4; ++row)
                    std::memcpy(dst + row * w, src + row * stride, 4);
            }
            if constexpr (kPixels) {
                const uint16_t* from =
                    fromTable ? d.tableShown + 16 * kStep * source : d.shown + source * kStep;
                const size_t fromPitch = fromTable ? 4 * kStep : pitch;
                uint16_t* keep = d.keep + at * kStep;
                for (int row = 0; row < 4; ++row)
                    std::memcpy(keep + row * pitch, from + row * fromPitch, 4 * kStep * sizeof(uint16_t));
            }
        }
        if constexpr (kPixels) {
            const size_t strip = static_cast<size_t>(y) * pitch;
            if (d.out != d.keep) std::memcpy(d.out + strip, d.keep + strip, 4 * pitch * sizeof(uint16_t));
        }
    }
    return bad;
}

} // namespace

bool MovieCodec::MovieDecodeDeltaFrame(const uint8_t* payload, size_t size, FrameSurface& current) {
    if (!havePicture_ || size < 12) {
        QVReport::message("MovieDecodeDeltaFrame: no key frame before it, or a short header; skipped.\n");
        return false;
    }
    size_t m = Le16(payload), r = Le16(payload + 2), f = Le16(payload + 4), k = Le16(payload + 6);
    size_t blocks = static_cast<size_t>(width_) * height_ / 16;
    size_t vectorBytes = (20 * m + 31) / 32 * 4;
    size_t need = 12 + vectorBytes + 16 * r + 8 * f;
    if (k > 32 || need > size || (k * blocks + 7) / 8 > size - need) {
        QVReport::message("MovieDecodeDeltaFrame: frame longer than its chunk; skipped.\n");
        return false;
    }
    const uint8_t* p = payload + 12;
    LsbBits vectors(p, vectorBytes);
    vectors_.resize(m);
    for (DeltaVector& v : vectors_) {
        for (int* to : {&v.dx, &v.dy}) {
            uint32_t raw = vectors.Read(10);
            *to = raw >= 512 ? static_cast<int>(raw) - 1024 : static_cast<int>(raw);
        }
        v.offset = static_cast<ptrdiff_t>(v.dy) * width_ + v.dx;
    }
    p += vectorBytes;
    blockTable_.resize(16 * (r + f));
    if (r != 0) std::memcpy(blockTable_.data(), p, 16 * r); // an empty table has no storage
    p += 16 * r;
    for (size_t i = 0; i < f; ++i, p += 8) {
        uint32_t mask = Le32(p + 4);
        uint8_t* block = &blockTable_[16 * (r + i)];
        for (int px = 0; px < 16; ++px)
            block[px] = p[(mask >> (2 * (15 - px))) & 3];
    }
    // The blocks are copied as the pixels last shown, laid out at the table's doubling, straight
    // into the surface while it has that doubling. The palette picture is kept up only for tables
    // whose entries overflow a single pixel (their conversion mixes neighbours).
    const bool direct = double_ == pixelTableDouble_ && shownValid_;
    const bool pixels = direct || !keepPicture_;
    DeltaBlocks d{width_,
                  height_,
                  vectors_.data(),
                  m,
                  r + f,
                  static_cast<int>(k),
                  p,
                  size - need,
                  nullptr,
                  nullptr,
                  blockTable_.data(),
                  nullptr,
                  nullptr,
                  nullptr,
                  nullptr};
    if (keepPicture_) {
        std::swap(picture_, previousPicture_);
        d.picture = picture_.data();
        d.before = previousPicture_.data();
    }
    if (pixels) {
        // The block table as pixels, one pixel or pixel pair per index as the conversion writes it.
        const size_t step = pixelTableDouble_ ? 2 : 1;
        tableShown_.resize(16 * step * (r + f));
        const uint8_t* from = blockTable_.data();
        uint16_t* to = tableShown_.data();
        for (size_t i = 0; i < 16 * (r + f); ++i) {
            uint32_t px = pixelTable_[from[i]];
            if (pixelTableDouble_)
                std::memcpy(to + 2 * i, &px, sizeof px);
            else
                to[i] = static_cast<uint16_t>(px);
        }
        // The blocks go to the next kept picture, which then trades places with shown_.
        shownNext_.resize(shown_.size());
        d.out = direct ? current.pixels.data() : shownNext_.data();
        d.keep = shownNext_.data();
        d.shown = shown_.data();
        d.tableShown = tableShown_.data();
    }
    bool bad;
    if (!pixels)
        bad = CopyDeltaBlocks<1, true, false>(d);
    else if (keepPicture_)
        bad = pixelTableDouble_ ? CopyDeltaBlocks<2, true, true>(d) : CopyDeltaBlocks<1, true, true>(d);
    else
        bad = pixelTableDouble_ ? CopyDeltaBlocks<2, false, true>(d) : CopyDeltaBlocks<1, false, true>(d);
    if (pixels) std::swap(shown_, shownNext_);
    if (bad) QVReport::message("MovieDecodeDeltaFrame: blocks with codes out of bounds kept as they were.\n");
    if (direct) return true;
    if (!keepPicture_) {
        ConvertShownAcross(current);
        return true;
    }
    // The whole palette picture converted; the pixels are kept again once the doubling is back.
    shownValid_ = pixelTableDouble_ == double_;
    if (shownValid_) shown_.resize(current.pixels.size());
    MovieConvertIndexedFrame(current, shownValid_ ? shown_.data() : nullptr);
    return true;
}

void MovieCodec::MovieBuildPaletteTable() {
    bool wide = false;
    for (int i = 0; i < 256; ++i) {
        uint32_t px = ((palette_[i][0] >> (8 - format_.redBits)) << format_.redShift) |
                      ((palette_[i][1] >> (8 - format_.greenBits)) << format_.greenShift) |
                      ((palette_[i][2] >> (8 - format_.blueBits)) << format_.blueShift);
        pixelTable_[i] = double_ ? px | (px << 16) : px;
        pixelWords_[i] = static_cast<uint16_t>(px);
        wide |= px > 0xFFFF;
    }
    pixelTableDouble_ = double_;
    keepPicture_ = wide && !double_;
}

namespace {

// Rows of palette indexes into pixels through the table, 64 bits at a time, into dst and, when
// given, the same pixels into copy.
template <bool kDouble>
void ConvertIndexes(const uint8_t* src, size_t count, const uint32_t* t, uint16_t* dst, uint16_t* copy) {
    for (size_t x = 0; x < count; x += 8) {
        uint64_t i;
        std::memcpy(&i, src + x, 8);
        if constexpr (kDouble) { // each entry is a pixel pair
            for (int k = 0; k < 8; ++k)
                std::memcpy(dst + 2 * (x + k), &t[(i >> (8 * k)) & 255], 4);
        } else {
            uint64_t w[2];
            for (int k = 0; k < 2; ++k)
                w[k] = t[(i >> (32 * k)) & 255] | (uint64_t{t[(i >> (32 * k + 8)) & 255]} << 16) |
                       (uint64_t{t[(i >> (32 * k + 16)) & 255]} << 32) |
                       (uint64_t{t[(i >> (32 * k + 24)) & 255]} << 48);
            std::memcpy(dst + x, w, sizeof w);
        }
    }
    if (copy) std::memcpy(copy, dst, count * (kDouble ? 2 : 1) * sizeof(uint16_t));
}

#if defined(__x86_64__)
// Single-width rows of 16-bit entries with AVX-512: the 256 entries sit in eight registers, and
// each 32 indexes pick from them by four two-register permutes and the indexes' top two bits,
// where a table load per pixel takes many times as long.
__attribute__((target("avx512f,avx512bw"))) void PermuteIndexes(const uint8_t* src, size_t count,
                                                                const uint16_t* words, const uint32_t* t,
                                                                uint16_t* dst, uint16_t* copy) {
    __m512i table[8];
    for (int i = 0; i < 8; ++i)
        table[i] = _mm512_load_si512(words + 32 * i);
    const __m512i bit6 = _mm512_set1_epi16(0x40), bit7 = _mm512_set1_epi16(0x80);
    size_t x = 0;
    for (; x + 32 <= count; x += 32) {
        __m512i i = _mm512_cvtepu8_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + x)));
        __mmask32 high = _mm512_test_epi16_mask(i, bit6);
        __m512i low = _mm512_mask_blend_epi16(high, _mm512_permutex2var_epi16(table[0], i, table[1]),
                                              _mm512_permutex2var_epi16(table[2], i, table[3]));
        __m512i top = _mm512_mask_blend_epi16(high, _mm512_permutex2var_epi16(table[4], i, table[5]),
                                              _mm512_permutex2var_epi16(table[6], i, table[7]));
        _mm512_storeu_si512(dst + x, _mm512_mask_blend_epi16(_mm512_test_epi16_mask(i, bit7), low, top));
    }
    if (x < count) ConvertIndexes<false>(src + x, count - x, t, dst + x, nullptr);
    if (copy) std::memcpy(copy, dst, count * sizeof(uint16_t));
}

bool HavePermutes() {
    static const bool have = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw");
    return have;
}
#endif

} // namespace

void MovieCodec::MovieConvertIndexedFrame(FrameSurface& current, uint16_t* copy) const {
    // Widths are multiples of 8, and the surface rows are as wide as the picture's.
    // A row at a time, copied while it is still in the cache.
    const size_t row = static_cast<size_t>(width_), step = double_ ? 2 : 1;
#if defined(__x86_64__)
    // Only where every entry is a whole pixel: wider entries mix with their neighbours.
    const bool permute = !double_ && !pixelTableDouble_ && !keepPicture_ && HavePermutes();
#endif
    for (int y = 0; y < height_; ++y) {
        const uint8_t* src = picture_.data() + y * row;
        uint16_t* dst = current.pixels.data() + y * row * step;
        uint16_t* to = copy ? copy + y * row * step : nullptr;
#if defined(__x86_64__)
        if (permute) {
            PermuteIndexes(src, row, pixelWords_, pixelTable_, dst, to);
            continue;
        }
#endif
        if (double_)
            ConvertIndexes<true>(src, row, pixelTable_, dst, to);
        else
            ConvertIndexes<false>(src, row, pixelTable_, dst, to);
    }
}

} // namespace movie
