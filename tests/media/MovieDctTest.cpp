#include "media/MovieCodec.h"
#include "media/MoviePlay.h"
#include "media/MovieTables.h"
#include "mkmovie/MovieWriter.h"
#include "support/TestSupport.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <random>
#include <string>

namespace {

using moviewriter::Bytes;

double C(int k) {
    return k == 0 ? 1.0 : std::sqrt(2.0) * std::cos(k * M_PI / 16);
}
int Prescale(int r, int c) {
    return static_cast<int>(std::lround(8192 * C(r) * C(c)));
}

TEST(MovieDct, DequantisationTables) {
    struct Case {
        int type, quality, row, column, step;
    } cases[] = {
        {3, 100, 0, 0, 8}, {3, 100, 7, 7, 10}, {3, 100, 3, 4, 9},  {3, 50, 7, 7, 35}, {3, 50, 0, 1, 20},
        {3, 0, 0, 0, 30},  {3, 0, 7, 7, 60},   {3, 200, 7, 7, 10}, // above 100 counts as 100
        {4, 100, 0, 0, 8}, {4, 100, 7, 7, 8},  {4, 100, 0, 4, 8},  // quality 100: a flat 8
        {4, 0, 0, 0, 8},   {4, 0, 7, 7, 555},  {4, 0, 0, 1, 107},  // 83 x 107 / 16, 16 x 107 / 16
        {4, 0, 0, 4, 147}, {4, 0, 4, 0, 174}, // the matrix's 22 and 26, rows and columns exchanged
        {4, 90, 1, 1, 17}, {4, 90, 0, 7, 29}, // 16 x 17 / 16; 27 x 17 / 16 = 28.69
    };
    for (const Case& c : cases) {
        int32_t table[64];
        movie::MovieDequantTable(c.type, c.quality, table);
        EXPECT_EQ(table[c.row * 8 + c.column], Prescale(c.row, c.column) * c.step)
            << "type " << c.type << " q " << c.quality << " at " << c.row << "," << c.column;
    }
}

TEST(MovieDct, ScanOrderIsTheZigzagWithRowsAndColumnsExchanged) {
    const uint8_t* scan = movie::MovieScanOrder();
    const uint8_t start[] = {0, 8, 1, 2, 9, 16, 24, 17, 10, 3, 4};
    EXPECT_TRUE(std::equal(std::begin(start), std::end(start), scan));
    EXPECT_EQ(scan[63], 63);
}

// A block with only a DC level d gives d x step(0, 0) / 16 everywhere (shifted, so rounded down).
TEST(MovieDct, DcOnlyBlocksAreFlat) {
    struct Case {
        int type, quality, level, sample;
    } cases[] = {
        {4, 90, 100, 50}, {4, 90, -3, -2},    {3, 100, 7, 3},
        {3, 0, 7, 13},    {3, 0, -128, -240}, {4, 0, 255, 127},
    };
    for (const Case& c : cases) {
        int32_t table[64];
        movie::MovieDequantTable(c.type, c.quality, table);
        int64_t coefficients[64] = {};
        coefficients[0] = int64_t{c.level} * table[0];
        int32_t samples[64];
        movie::MovieInverseDct(coefficients, samples);
        for (int i = 0; i < 64; ++i)
            ASSERT_EQ(samples[i], c.sample) << "level " << c.level << " at " << i;
    }
}

// One coefficient gives its cosine: level x step / 2 times the orthonormal basis function, within
// the rounding of the integer products; and a coefficient at (0, 2), whose row pass multiplies only
// by the square root of 1/2, comes out exactly by the integer rule.
TEST(MovieDct, SingleCoefficientBlocks) {
    int32_t table[64];
    movie::MovieDequantTable(4, 100, table);
    for (int position = 1; position < 64; ++position) {
        int r = position / 8, c = position % 8;
        for (int level : {40, -255}) {
            int64_t coefficients[64] = {};
            coefficients[position] = int64_t{level} * table[position];
            int32_t samples[64];
            movie::MovieInverseDct(coefficients, samples);
            for (int y = 0; y < 8; ++y)
                for (int x = 0; x < 8; ++x) {
                    double basis = (r ? 0.5 : std::sqrt(0.125)) * (c ? 0.5 : std::sqrt(0.125)) *
                                   std::cos((2 * y + 1) * r * M_PI / 16) *
                                   std::cos((2 * x + 1) * c * M_PI / 16);
                    ASSERT_NEAR(samples[y * 8 + x], level * 8 / 2.0 * basis, 1.5)
                        << "coefficient " << position << " level " << level << " at " << y << "," << x;
                }
        }
    }
    for (int level : {1, 3, -7, 101}) {
        int64_t coefficients[64] = {};
        int64_t x = int64_t{level} * table[2];
        coefficients[2] = x;
        int32_t samples[64];
        movie::MovieInverseDct(coefficients, samples);
        int64_t half = 2 * static_cast<int64_t>((static_cast<__int128>(x) * 0x5A82799A) >> 32);
        int64_t tmp12 = 2 * half - x;
        int64_t expected[8] = {x, tmp12, -tmp12, -x, -x, -tmp12, tmp12, x};
        for (int y = 0; y < 8; ++y)
            for (int i = 0; i < 8; ++i)
                ASSERT_EQ(samples[y * 8 + i], expected[i] >> 17) << "level " << level;
    }
}

// The 16-bit transform the decoder runs (32-bit passes where no sum can leave 32 bits) against the
// 64-bit one: random sparse and dense blocks of every scale, blocks at the edges of the 32-bit
// passes with every sign pattern of a row, and blocks whose sums or samples overflow 32 or 16 bits.
TEST(MovieDct, SixteenBitSamplesFollowTheExactTransform) {
    auto check = [](const int64_t(&coefficients)[64], const std::string& what) {
        int32_t exact[64];
        int16_t got[64];
        movie::MovieInverseDct(coefficients, exact);
        movie::MovieInverseDctSamples(coefficients, got);
        for (int i = 0; i < 64; ++i) {
            if (exact[i] >= -16384 && exact[i] < 16384) {
                ASSERT_EQ(got[i], exact[i]) << what << " at " << i;
            } else {
                ASSERT_EQ(got[i] < 0, exact[i] < 0) << what << " at " << i;
                ASSERT_GT(std::abs(got[i]), 256) << what << " at " << i;
                ASSERT_EQ(got[i] & 127, exact[i] & 127) << what << " at " << i;
            }
        }
    };
    std::mt19937_64 random(7);
    const int scales[] = {4, 12, 17, 20, 24, 25, 26, 29, 30, 31, 32, 36};
    for (int trial = 0; trial < 20000; ++trial) {
        int64_t coefficients[64] = {};
        const int bits = scales[trial % std::size(scales)];
        const int count = 1 + static_cast<int>(random() % (trial % 3 == 0 ? 64 : 6));
        const bool firstRow = trial % 5 == 0; // only the first row: the one-pass blocks
        for (int k = 0; k < count; ++k) {
            int at = static_cast<int>(random() % (firstRow ? 8 : 64));
            int64_t magnitude = static_cast<int64_t>(random() % (uint64_t{1} << bits));
            coefficients[at] = random() % 2 ? -magnitude : magnitude;
        }
        check(coefficients, "random block " + std::to_string(trial));
    }
    // Rows about the largest values the 32-bit row passes take, beside a coefficient below the
    // first row, with every sign of the row.
    for (int signs = 0; signs < 256; ++signs)
        for (int64_t first : {(int64_t{1} << 30) - 64, int64_t{1} << 30, (int64_t{1} << 31) - 64})
            for (int64_t other : {(int64_t{1} << 25) - 1, int64_t{1} << 26, (int64_t{1} << 27) - 1}) {
                int64_t coefficients[64] = {};
                for (int c = 0; c < 8; ++c) {
                    int64_t m = c == 0 ? first : other;
                    coefficients[c] = signs >> c & 1 ? -m : m;
                }
                coefficients[8] = 1;
                check(coefficients, "signs " + std::to_string(signs) + " first " + std::to_string(first) +
                                        " other " + std::to_string(other));
            }
    const int64_t extremes[] = {INT32_MAX, INT32_MIN, int64_t{1} << 40, -(int64_t{1} << 40),
                                int64_t{1} << 28};
    for (int64_t v : extremes) {
        for (int pattern = 0; pattern < 3; ++pattern) {
            int64_t coefficients[64];
            for (int i = 0; i < 64; ++i)
                coefficients[i] = pattern == 0   ? v
                                  : pattern == 1 ? (i % 2 ? -v : v)
                                                 : (i < 8 || i % 8 == 0 ? v : 0);
            check(coefficients, "extreme " + std::to_string(v) + " pattern " + std::to_string(pattern));
        }
    }
}

TEST(MovieDct, GeneratedCodeTablesArePrefixFree) {
    struct Table {
        const char* what;
        std::vector<movie::MovieVlc> codes;
        size_t count;
    };
    std::vector<movie::MovieVlc> coefficients(movie::MovieCoeffCodes().begin(),
                                              movie::MovieCoeffCodes().end());
    coefficients.push_back(movie::MovieEndOfBlockCode());
    coefficients.push_back(movie::MovieEscapeCode());
    Table tables[] = {
        {"luma DC sizes", {movie::MovieDcSizeCodes(false).begin(), movie::MovieDcSizeCodes(false).end()}, 9},
        {"chroma DC sizes", {movie::MovieDcSizeCodes(true).begin(), movie::MovieDcSizeCodes(true).end()}, 9},
        {"coefficients", coefficients, 113},
    };
    auto text = [](const movie::MovieVlc& c) {
        std::string s;
        for (int i = c.length - 1; i >= 0; --i)
            s += ((c.bits >> i) & 1) ? '1' : '0';
        return s;
    };
    for (const Table& t : tables) {
        EXPECT_EQ(t.codes.size(), t.count) << t.what;
        for (size_t i = 0; i < t.codes.size(); ++i)
            for (size_t j = 0; j < t.codes.size(); ++j)
                if (i != j) {
                    EXPECT_NE(text(t.codes[j]).rfind(text(t.codes[i]), 0), 0u)
                        << t.what << " " << text(t.codes[i]);
                }
    }
    EXPECT_EQ(text(movie::MovieEndOfBlockCode()), "10");
    EXPECT_EQ(text(movie::MovieEscapeCode()), "000001");
    EXPECT_EQ(movie::MovieIntraMatrix()[0], 8);
    EXPECT_EQ(movie::MovieIntraMatrix()[63], 83);
}

// The RGB555 pixel the fast conversion gives for samples (signed 7-bit), the left (rounded) pixel.
uint16_t FastPixel(int ys, int cbs, int crs) {
    auto wrap = [](int s) { return ((s & 127) ^ 64) - 64; };
    int y = 2 * wrap(ys) + 129, cb = 2 * wrap(cbs) + 1, cr = 2 * wrap(crs) + 1;
    auto r = [](double v) { return static_cast<int>(std::floor(v + 0.5)); };
    int rgb[3] = {y + r(91881.0 * cr / 65536), y - r(22550.0 * cb / 65536) - r(46799.0 * cr / 65536),
                  y + r(116129.0 * cb / 65536)};
    uint16_t px = 0;
    for (int i = 0; i < 3; ++i)
        px |= static_cast<uint16_t>(std::min(31, (std::clamp(rgb[i], 0, 255) + 4) >> 3) << (10 - 5 * i));
    return px;
}

struct Rig {
    movie::MovieCodec codec;
    movie::FrameSurface current, previous;
    Rig(int w, int h, bool doubled = false) {
        codec.Configure(doubled);
        current.Create(codec.SurfaceWidth(w), h);
        previous.Create(codec.SurfaceWidth(w), h);
    }
    bool Decode(const Bytes& payload, int type) {
        bool ok = codec.MovieDecodeFrame(payload.data(), payload.size(), type, current, previous);
        std::swap(current, previous);
        return ok;
    }
    const movie::FrameSurface& Shown() const { return previous; }
};

// Flat type 3 macroblocks: n = 3 (one luma level), 6 and 12 (every second byte); other short
// lengths leave the macroblock as it was. Quality 100: a sample is level x 8 / 16.
TEST(MovieDct, FlatType3Macroblocks) {
    struct Case {
        const char* what;
        Bytes macroblock;
        int luma[4], cb, cr;
    } cases[] = {
        {"n = 3", {3, 20, 0xF0, 30}, {10, 10, 10, 10}, -8, 15},
        {"n = 6", {6, 2, 40, 80, 0xC0, 10, 0xFA}, {1, 20, 40, -32}, 5, -3},
        {"n = 12", {12, 2, 99, 40, 99, 80, 99, 0xC0, 99, 10, 99, 0xFA, 99}, {1, 20, 40, -32}, 5, -3},
    };
    for (const Case& c : cases) {
        Rig rig(16, 16);
        Bytes payload = {16, 0, 16, 0, 100, 0, 0, 0};
        payload.insert(payload.end(), c.macroblock.begin(), c.macroblock.end());
        ASSERT_TRUE(rig.Decode(payload, movie::kDctFrame)) << c.what;
        const auto& s = rig.Shown();
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                ASSERT_EQ(s.pixels[y * 16 + x], FastPixel(c.luma[(y / 8) * 2 + x / 8], c.cb, c.cr))
                    << c.what << " at " << x << "," << y;
    }
    Rig rig(16, 16);
    rig.previous.pixels.assign(256, 0x1234); // what the surface held
    std::swap(rig.current, rig.previous);
    ASSERT_TRUE(rig.Decode({16, 0, 16, 0, 100, 0, 0, 0, 5, 1, 2, 3, 4, 5}, movie::kDctFrame));
    EXPECT_EQ(rig.Shown().pixels, std::vector<uint16_t>(256, 0x1234));
}

double Psnr(const movie::FrameSurface& s, const Bytes& rgb, bool doubled) {
    double error = 0;
    int w = doubled ? s.width / 2 : s.width;
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x) {
            uint16_t px = s.pixels[static_cast<size_t>(y) * s.width + x];
            const uint8_t* src = &rgb[(static_cast<size_t>(y) * w + (doubled ? x / 2 : x)) * 3];
            for (int i = 0; i < 3; ++i) {
                int v = (px >> (10 - 5 * i)) & 31;
                double d = ((v << 3) | (v >> 2)) - src[i];
                error += d * d;
            }
        }
    double mse = error / (3.0 * s.width * s.height);
    return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

TEST(MovieDct, DecodedPicturesFollowTheWritersSources) {
    struct Case {
        int type;
        bool exact, doubled;
        int quality;
        double psnr;
    } cases[] = {
        {3, false, false, 90, 28}, {4, false, false, 90, 28}, {4, true, false, 90, 28},
        {4, true, true, 90, 28},   {3, false, true, 90, 28},  {4, false, false, 100, 33},
        {4, true, false, 0, 23}, // the coarsest steps still give the picture
    };
    for (const Case& c : cases) {
        const int w = 160, h = 96; // the square's sharp cells a small part of the picture, as in the intro
        Rig rig(w, h, c.doubled);
        Bytes previous;
        moviewriter::DctStats total;
        for (int t = 0; t < 6; ++t) {
            Bytes rgb = moviewriter::SourceRgb(w, h, t);
            moviewriter::DctStats stats;
            Bytes payload = moviewriter::DctFramePayload(c.type, w, h, c.quality, c.exact, rgb,
                                                         previous.empty() ? nullptr : &previous, &stats);
            ASSERT_TRUE(rig.Decode(payload, c.type));
            EXPECT_GE(Psnr(rig.Shown(), rgb, c.doubled), c.psnr)
                << "type " << c.type << " exact " << c.exact << " q " << c.quality << " frame " << t;
            total.copied += stats.copied;
            total.coded += stats.coded;
            previous = rgb;
        }
        EXPECT_GT(total.coded, 0);
        if (c.type == 4) {
            EXPECT_GT(total.copied, 0) << "the moving gradient's macroblocks are copied";
        }
    }
}

// The surfaces' RGB555 is converted apart from other field orders: a target with red and blue
// exchanged gets the same components in every pixel, through either conversion, doubled or not.
TEST(MovieDct, AnotherFieldOrderGetsTheSameComponents) {
    const int w = 64, h = 48;
    movie::PixelFormat swapped;
    swapped.redShift = 0;
    swapped.blueShift = 10;
    auto exchange = [](uint16_t px) {
        return static_cast<uint16_t>((px & 0x3E0) | (px >> 10 & 31) | (px & 31) << 10);
    };
    struct Case {
        int type;
        bool exact, doubled;
    } cases[] = {{3, false, false}, {3, false, true}, {4, false, false},
                 {4, false, true},  {4, true, false}, {4, true, true}};
    for (const Case& c : cases) {
        movie::MovieCodec plain, other;
        plain.Configure(c.doubled);
        other.Configure(c.doubled, 100, swapped);
        movie::FrameSurface a, b, before;
        a.Create(plain.SurfaceWidth(w), h);
        b.Create(plain.SurfaceWidth(w), h);
        before.Create(plain.SurfaceWidth(w), h);
        for (int t = 0; t < 2; ++t) { // a noisy quality, so that samples reach past the clamps
            Bytes payload = moviewriter::DctFramePayload(c.type, w, h, 20, c.exact,
                                                         moviewriter::SourceRgb(w, h, t), nullptr);
            ASSERT_TRUE(plain.MovieDecodeFrame(payload.data(), payload.size(), c.type, a, before));
            ASSERT_TRUE(other.MovieDecodeFrame(payload.data(), payload.size(), c.type, b, before));
            for (size_t i = 0; i < a.pixels.size(); ++i)
                ASSERT_EQ(exchange(b.pixels[i]), a.pixels[i]) << "type " << c.type << " pixel " << i;
        }
    }
}

// Bits most significant first in 32-bit little-endian words, as type 4 frames carry them.
struct WordBits {
    std::vector<uint32_t> words;
    size_t used = 0;
    void Put(uint32_t v, int n) {
        for (int i = n - 1; i >= 0; --i, ++used) {
            if (used % 32 == 0) words.push_back(0);
            words.back() |= ((v >> i) & 1u) << (31 - used % 32);
        }
    }
    Bytes Frame(int w, int h, uint8_t flags) const {
        Bytes b = {static_cast<uint8_t>(w), 0, static_cast<uint8_t>(h), 0, 90, 0, 0, flags};
        for (uint32_t x : words)
            for (int i = 0; i < 4; ++i)
                b.push_back(static_cast<uint8_t>(x >> (8 * i)));
        return b;
    }
};

// Motion copies take the previous surface at (x - dx, y - dy); vectors reaching out of the picture
// copy from the nearest place inside it. Every macroblock copied with (0, 0) repeats the picture.
TEST(MovieDct, Type4MotionCopies) {
    struct Case {
        int dx, dy; // the 4-bit fields: 8..15 are -8..-1
        int sx, sy; // where macroblock (16, 16) is copied from
    } cases[] = {
        {0, 0, 16, 16}, {3, 0, 13, 16}, {0, 5, 16, 11}, {15, 9, 17, 23}, {8, 0, 24, 16}, {8, 8, 24, 24},
    };
    for (bool doubled : {false, true}) {
        for (const Case& c : cases) {
            const int w = 48, h = 48, step = doubled ? 2 : 1;
            Rig rig(w, h, doubled);
            for (size_t i = 0; i < rig.previous.pixels.size(); ++i) // the picture before: its own place
                rig.previous.pixels[i] =
                    static_cast<uint16_t>((i / rig.previous.width) * 256 + i % rig.previous.width);
            WordBits bits;
            for (int mb = 0; mb < 9; ++mb) {
                bits.Put(1, 1);
                bits.Put(1, 1); // not used
                bits.Put(mb == 4 ? c.dx : 0, 4);
                bits.Put(mb == 4 ? c.dy : 0, 4);
            }
            ASSERT_TRUE(rig.Decode(bits.Frame(w, h, 0), movie::kDctFrame2));
            const auto& s = rig.Shown();
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w * step; ++x) {
                    bool inside = x >= 16 * step && x < 32 * step && y >= 16 && y < 32;
                    int fx = inside ? x + (c.sx - 16) * step : x, fy = inside ? y + c.sy - 16 : y;
                    ASSERT_EQ(s.pixels[y * s.width + x], fy * 256 + fx)
                        << "vector " << c.dx << "," << c.dy << " doubled " << doubled << " at " << x << ","
                        << y;
                }
        }
    }
}

// Flat type 4 blocks in exact colours sweeping the samples past both ends of the clamps, chroma
// above 127 read as negative bytes: RGB555 surfaces (converted apart from other field orders) get
// the same components as a target with red and blue exchanged, doubled or not.
TEST(MovieDct, ExactColoursAcrossTheSampleRange) {
    const int w = 384, h = 256, macroblocks = w * h / 256;
    WordBits bits;
    int predictor[3] = {};
    auto putDc = [&](int channel, int sample) { // a flat block: the predictor is twice the sample
        int diff = 2 * sample - predictor[channel], size = 0;
        while (std::abs(diff) >> size)
            ++size;
        ASSERT_LE(size, 8);
        const movie::MovieVlc& code = movie::MovieDcSizeCodes(channel != 0)[size];
        bits.Put(code.bits, code.length);
        if (size) bits.Put(static_cast<uint32_t>(diff > 0 ? diff : diff + (1 << size) - 1), size);
        bits.Put(movie::MovieEndOfBlockCode().bits, movie::MovieEndOfBlockCode().length);
        predictor[channel] = 2 * sample;
    };
    auto wave = [](int x, int lo, int hi) { // up from lo to hi and down again, in steps of one
        int t = x % (2 * (hi - lo));
        return t < hi - lo ? lo + t : 2 * hi - lo - t;
    };
    for (int i = 0; i < macroblocks; ++i) {
        for (int b = 0; b < 4; ++b)
            putDc(0, wave(4 * i + b + 300, -300, 300)); // from 0, as the predictors start
        putDc(1, wave(i + 50, -50, 330));
        putDc(2, wave(3 * i + 50, -50, 330));
    }
    const Bytes payload = bits.Frame(0, 0, 3); // every macroblock coded, exact colours
    Bytes frame = {static_cast<uint8_t>(w & 255), static_cast<uint8_t>(w >> 8), static_cast<uint8_t>(h & 255),
                   static_cast<uint8_t>(h >> 8)};
    frame.insert(frame.end(), payload.begin() + 4, payload.end());
    movie::PixelFormat swapped;
    swapped.redShift = 0;
    swapped.blueShift = 10;
    for (bool doubled : {false, true}) {
        movie::MovieCodec plain, other;
        plain.Configure(doubled);
        other.Configure(doubled, 100, swapped);
        movie::FrameSurface a, b, before;
        for (movie::FrameSurface* s : {&a, &b, &before})
            s->Create(plain.SurfaceWidth(w), h);
        ASSERT_TRUE(plain.MovieDecodeFrame(frame.data(), frame.size(), 4, a, before));
        ASSERT_TRUE(other.MovieDecodeFrame(frame.data(), frame.size(), 4, b, before));
        for (size_t i = 0; i < a.pixels.size(); ++i) {
            uint16_t px = b.pixels[i];
            ASSERT_EQ(static_cast<uint16_t>((px & 0x3E0) | (px >> 10 & 31) | (px & 31) << 10), a.pixels[i])
                << "doubled " << doubled << " pixel " << i;
        }
        EXPECT_NE(a.pixels.front(), a.pixels.back());
    }
}

// Type 4 from the writer: the same picture again is all copies with (0, 0); quality 100 and 0.
TEST(MovieDct, Type4RepeatsAndQualities) {
    const int w = 64, h = 48;
    Bytes rgb = moviewriter::SourceRgb(w, h, 2);
    for (int quality : {100, 0}) {
        Rig rig(w, h);
        moviewriter::DctStats first, second;
        ASSERT_TRUE(
            rig.Decode(moviewriter::DctFramePayload(4, w, h, quality, false, rgb, nullptr, &first), 4));
        std::vector<uint16_t> shown = rig.Shown().pixels;
        Bytes again = moviewriter::DctFramePayload(4, w, h, quality, false, rgb, &rgb, &second);
        EXPECT_EQ(again[7] & 1, 0) << "with copies the motion bits are there";
        ASSERT_TRUE(rig.Decode(again, 4));
        EXPECT_EQ(second.copied, w * h / 256);
        EXPECT_EQ(rig.Shown().pixels, shown);
        EXPECT_EQ(first.copied, 0);
        if (quality == 100) {
            EXPECT_GT(first.escapes, 0) << "large levels take the escape";
        }
    }
}

// Damaged DCT frames stay inside the surface and keep what was decoded.
TEST(MovieDct, DamagedFramesStayInBounds) {
    struct Case {
        const char* what;
        Bytes payload;
        int type;
        bool decoded;
    } cases[] = {
        {"header cut short", {32, 0, 32, 0, 90}, 4, false},
        {"another size than the surfaces", {48, 0, 32, 0, 90, 0, 0, 0}, 3, false},
        {"macroblock longer than the frame", {32, 0, 32, 0, 90, 0, 0, 0, 200, 1, 2, 3}, 3, true},
        {"runs past the last coefficient",
         {32,   0,    32,   0,    90,   0,    0,    0,    13,   0,    0xF9, 0xFF,
          0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
         3,
         true},
        {"zero runs with z = 0",
         {32, 0, 32, 0, 90, 0, 0, 0, 13, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0},
         3,
         true},
        {"no DC size code", {32, 0, 32, 0, 90, 0, 0, 1, 0xFF, 0xFF, 0xFF, 0xFF}, 4, true},
        {"escape runs past the last coefficient", {32, 0, 32, 0, 90, 0, 0, 1, 0, 0, 0x7F, 0x10}, 4, true},
        {"quality above 100", {32, 0, 32, 0, 255, 0, 0, 1}, 4, true},
    };
    for (const Case& c : cases) {
        Rig rig(32, 32, true);
        EXPECT_EQ(rig.Decode(c.payload, c.type), c.decoded) << c.what;
    }
}

} // namespace
