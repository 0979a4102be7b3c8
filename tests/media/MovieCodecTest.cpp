#include "media/MovieCodec.h"
#include "mkmovie/MovieWriter.h"

#include <gtest/gtest.h>

namespace {

using moviewriter::Bytes;

Bytes Unpack(const Bytes& packed, size_t capacity, long* got) {
    Bytes out(capacity, 0xEE);
    *got = movie::MovieDecompressLz(packed.data(), packed.size(), out.data(), out.size());
    return out;
}

TEST(MovieLz, EndCommandsAndEveryFormFromThePacker) {
    // 0xFC ends with no literals, 0xFF with three.
    long got = 0;
    Bytes out = Unpack({0x10, 0xFB, 0, 0, 3, 0xFF, 'a', 'b', 'c'}, 3, &got);
    EXPECT_EQ(got, 3);
    EXPECT_EQ(out, (Bytes{'a', 'b', 'c'}));
    Unpack({0x10, 0xFB, 0, 0, 0, 0xFC}, 4, &got);
    EXPECT_EQ(got, 0);
    // The 3-byte field after a header whose first byte has bit 0 set is skipped.
    out = Unpack({0x11, 0xFB, 9, 9, 9, 0, 0, 1, 0xFD, 'z'}, 1, &got);
    EXPECT_EQ(got, 1);
    EXPECT_EQ(out[0], 'z');
    EXPECT_EQ(movie::MovieDecompressLz(Bytes{0x10, 0xFB, 1, 2, 3}.data(), 5, nullptr, 0), 0x010203);

    // Data that needs every form: short, medium and long copies, literal runs, overlapping runs.
    Bytes data;
    for (int i = 0; i < 300; ++i)
        data.push_back(static_cast<uint8_t>(i * 7 + i / 13));
    data.insert(data.end(), data.begin() + 10, data.begin() + 18); // short, near
    for (int i = 0; i < 2000; ++i)
        data.push_back(static_cast<uint8_t>(i * 31 + 5));
    data.insert(data.end(), data.begin() + 100, data.begin() + 160); // medium, 2000 back
    for (int i = 0; i < 20000; ++i)
        data.push_back(static_cast<uint8_t>((i * 131) ^ (i >> 3)));
    data.insert(data.end(), data.begin() + 40, data.begin() + 240); // long: far and long
    data.insert(data.end(), 500, 0x42);                             // a run copying itself
    data.push_back(1);
    moviewriter::LzStats stats;
    Bytes packed = moviewriter::PackLz(data.data(), data.size(), &stats);
    EXPECT_GT(stats.shortCopies, 0);
    EXPECT_GT(stats.mediumCopies, 0);
    EXPECT_GT(stats.longCopies, 0);
    EXPECT_GT(stats.literalRuns, 0);
    EXPECT_EQ(stats.endLiterals, 1);
    out = Unpack(packed, data.size(), &got);
    EXPECT_EQ(got, static_cast<long>(data.size()));
    EXPECT_EQ(out, data);
}

TEST(MovieLz, DamagedStreamsStayInBounds) {
    struct Case {
        const char* what;
        Bytes packed;
        size_t capacity;
    } cases[] = {
        {"copy from before the output", {0x10, 0xFB, 0, 0, 9, 0x01, 5, 'a'}, 16},
        {"literals past the output", {0x10, 0xFB, 0, 0, 9, 0xE1, 1, 2, 3, 4, 5, 6, 7, 8, 0xFC}, 4},
        {"run past the output", {0x10, 0xFB, 0, 0, 9, 0xE0, 1, 2, 3, 4, 0x1C, 0, 0xFC}, 8},
        {"literals past the input", {0x10, 0xFB, 0, 0, 9, 0xE3, 1, 2}, 64},
        {"no end command", {0x10, 0xFB, 0, 0, 9, 0xE0, 1, 2, 3, 4}, 64},
        {"short header", {0x11, 0xFB, 0}, 64},
    };
    for (const Case& c : cases) {
        long got = 0;
        Bytes out = Unpack(c.packed, c.capacity, &got);
        EXPECT_EQ(got, -1) << c.what;
    }
}

// A codec with surfaces of the frame's size; pixels of the writer's palette in RGB555.
struct CodecRig {
    movie::MovieCodec codec;
    movie::FrameSurface current, previous;
    CodecRig(int w, int h, bool doubled) {
        codec.Configure(doubled);
        current.Create(codec.SurfaceWidth(w), h);
        previous.Create(codec.SurfaceWidth(w), h);
    }
    bool Decode(const Bytes& payload, int type) {
        bool ok = codec.MovieDecodeFrame(payload.data(), payload.size(), type, current, previous);
        std::swap(current, previous);
        return ok;
    }
    // The picture just decoded.
    const movie::FrameSurface& Shown() const { return previous; }
};

uint16_t Rgb555(const std::array<uint8_t, 3>& c) {
    return static_cast<uint16_t>(((c[0] >> 3) << 10) | ((c[1] >> 3) << 5) | (c[2] >> 3));
}

void ExpectPicture(const movie::FrameSurface& s, const Bytes& picture, bool doubled, const char* what) {
    const auto& palette = moviewriter::SourcePalette();
    int step = doubled ? 2 : 1;
    int w = s.width / step;
    int wrong = 0;
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x)
            wrong += s.pixels[static_cast<size_t>(y) * s.width + x] !=
                     Rgb555(palette[picture[static_cast<size_t>(y) * w + x / step]]);
    EXPECT_EQ(wrong, 0) << what;
}

TEST(MovieCodecFrames, KeyAndDeltaFramesReproduceTheSourcePictures) {
    for (bool doubled : {false, true}) {
        const int w = 64, h = 48;
        CodecRig rig(w, h, doubled);
        Bytes previous = moviewriter::SourcePicture(w, h, 0);
        ASSERT_TRUE(
            rig.Decode(moviewriter::KeyFramePayload(w, h, moviewriter::SourcePalette(), previous), 1));
        ExpectPicture(rig.Shown(), previous, doubled, "key frame");
        moviewriter::DeltaStats total;
        for (int t = 1; t < 12; ++t) {
            Bytes picture = moviewriter::SourcePicture(w, h, t);
            moviewriter::DeltaStats stats;
            ASSERT_TRUE(rig.Decode(
                moviewriter::DeltaFramePayload(w, h, previous, picture, {{0, 0}, {2, 0}, {-4, -4}}, &stats),
                2));
            ExpectPicture(rig.Shown(), picture, doubled, "delta frame");
            total.copied += stats.copied;
            total.fourColour += stats.fourColour;
            total.raw += stats.raw;
            previous = picture;
        }
        EXPECT_GT(total.copied, 0);
        EXPECT_GT(total.fourColour, 0);
        EXPECT_GT(total.raw, 0);
    }
}

// Every palette entry reaches its pixels, whatever part of a row it falls in: 40 pixels a row
// leave 8 past the last whole 32, and each entry's 5-bit colour is its own.
TEST(MovieCodecFrames, KeyFrameShowsEveryPaletteEntry) {
    moviewriter::Palette palette{};
    for (int i = 0; i < 256; ++i)
        palette[i] = {static_cast<uint8_t>((i >> 3) << 3), static_cast<uint8_t>((i & 7) << 3),
                      static_cast<uint8_t>((255 - i) & 0xF8)};
    const int w = 40, h = 8;
    Bytes picture(static_cast<size_t>(w) * h);
    for (size_t i = 0; i < picture.size(); ++i)
        picture[i] = static_cast<uint8_t>(i * 97 % 256); // 97 is odd: every index once per 256
    for (bool doubled : {false, true}) {
        CodecRig rig(w, h, doubled);
        ASSERT_TRUE(rig.Decode(moviewriter::KeyFramePayload(w, h, palette, picture), 1));
        const movie::FrameSurface& s = rig.Shown();
        const int step = doubled ? 2 : 1;
        int wrong = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < s.width; ++x)
                wrong += s.pixels[static_cast<size_t>(y) * s.width + x] !=
                         Rgb555(palette[picture[static_cast<size_t>(y) * w + x / step]]);
        EXPECT_EQ(wrong, 0) << "doubled " << doubled;
    }
}

// Delta frames decoded while the doubling is changed and changed back must not lose the picture:
// once it is back, the frames are those of a codec left alone.
TEST(MovieCodecFrames, DoublingChangedAndBackBetweenDeltaFrames) {
    for (bool doubled : {false, true}) {
        const int w = 32, h = 16;
        CodecRig plain(w, h, doubled), changed(w, h, doubled);
        Bytes previous = moviewriter::SourcePicture(w, h, 0);
        Bytes key = moviewriter::KeyFramePayload(w, h, moviewriter::SourcePalette(), previous);
        ASSERT_TRUE(plain.Decode(key, 1));
        ASSERT_TRUE(changed.Decode(key, 1));
        for (int t = 1; t < 8; ++t) {
            if (t == 2 || t == 5) {
                changed.codec.Configure(t == 2 ? !doubled : doubled);
                changed.current.Create(changed.codec.SurfaceWidth(w), h);
                changed.previous.Create(changed.codec.SurfaceWidth(w), h);
            }
            Bytes picture = moviewriter::SourcePicture(w, h, t);
            Bytes delta = moviewriter::DeltaFramePayload(w, h, previous, picture, {{0, 0}, {2, 0}, {-4, -4}});
            ASSERT_TRUE(plain.Decode(delta, 2));
            ASSERT_TRUE(changed.Decode(delta, 2));
            if (t >= 5) {
                EXPECT_EQ(changed.Shown().pixels, plain.Shown().pixels) << "frame " << t << " " << doubled;
            } else if (t >= 2 && !doubled) { // shown doubled: each pair starts with the pixel
                int wrong = 0;
                for (size_t i = 0; i < plain.Shown().pixels.size(); ++i)
                    wrong += changed.Shown().pixels[2 * i] != plain.Shown().pixels[i];
                EXPECT_EQ(wrong, 0) << "frame " << t;
            }
            // Something drawn over the picture shown must not reach the frames after it.
            changed.previous.pixels[3] ^= 0x7FFF;
            previous = picture;
        }
    }
}

TEST(MovieCodecFrames, DeltaEdgeCases) {
    const int w = 16, h = 8;
    CodecRig rig(w, h, false);
    Bytes key(w * h);
    for (size_t i = 0; i < key.size(); ++i)
        key[i] = static_cast<uint8_t>(i);
    ASSERT_TRUE(rig.Decode(moviewriter::KeyFramePayload(w, h, moviewriter::SourcePalette(), key), 1));
    const auto& palette = moviewriter::SourcePalette();

    // m = 0, k > 0: every block from the table (one raw block, one four-colour block).
    Bytes delta = {0, 0, 1, 0, 1, 0, 1, 0, 0, 0, 0, 0};
    for (int i = 0; i < 16; ++i)
        delta.push_back(static_cast<uint8_t>(100 + i));
    delta.insert(delta.end(), {50, 51, 52, 53, 0x1B, 0x1B, 0x1B, 0x1B}); // mask: colours 0,1,2,3 per row
    delta.push_back(0xAA);                                               // codes 0,1,0,1,0,1,0,1
    ASSERT_TRUE(rig.Decode(delta, 2));
    const auto& s = rig.Shown();
    EXPECT_EQ(s.pixels[0], Rgb555(palette[100]));
    EXPECT_EQ(s.pixels[w + 3], Rgb555(palette[107]));
    // Four-colour block: pixel p takes colour (mask >> 2 (15 - p)) & 3.
    EXPECT_EQ(s.pixels[4], Rgb555(palette[50]));
    EXPECT_EQ(s.pixels[5], Rgb555(palette[51]));
    EXPECT_EQ(s.pixels[7], Rgb555(palette[53]));

    // Vector (0, 0) repeats the picture; vectors out of the picture and codes past the table keep the block.
    std::vector<uint16_t> before = rig.Shown().pixels;
    Bytes repeat = {2, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0};
    // Pairs (0, 0) and (-512, 0), out of the picture.
    repeat.insert(repeat.end(), {0, 0, 0, 0x20, 0, 0, 0, 0});
    repeat.push_back(0b11100100); // codes 0, 1, 2, 3 (2 and 3 past the empty table)
    repeat.push_back(0);
    ASSERT_TRUE(rig.Decode(repeat, 2));
    EXPECT_EQ(rig.Shown().pixels, before);

    // A delta frame longer than its chunk is skipped.
    Bytes cut = {0, 0, 9, 0, 0, 0, 4, 0, 0, 0, 0, 0, 1, 2};
    EXPECT_FALSE(rig.Decode(cut, 2));
}

TEST(MovieCodecFrames, RefusesFramesThatDoNotFitTheSurfaces) {
    CodecRig rig(32, 16, false);
    struct Case {
        const char* what;
        Bytes payload;
        int type;
    } cases[] = {
        {"another size", moviewriter::KeyFramePayload(64, 16, moviewriter::SourcePalette(), Bytes(64 * 16)),
         1},
        {"width not a multiple of 8", {30, 0, 16, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 1},
        {"palette past the chunk", {32, 0, 16, 0, 0, 0, 255, 0, 0, 0, 0, 0, 1, 2, 3}, 1},
        {"delta before any key frame", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 2},
        {"short header", {32, 0}, 1},
        {"DCT frame width not a multiple of 16", {40, 0, 16, 0, 90, 0, 0, 0}, 3},
    };
    for (const Case& c : cases)
        EXPECT_FALSE(rig.Decode(c.payload, c.type)) << c.what;
}

} // namespace
