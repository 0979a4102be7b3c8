#include "RenderFixture.h"

#include <gtest/gtest.h>

namespace {

using rendertest::CanaryCanvas;
using rendertest::RenderTest;

class GumpArtTest : public RenderTest {
  protected:
    void SetUp() override {
        RenderTest::SetUp();
        UseSampleFiles();
    }
};

uint16_t PixelOf(const mkinstall::Picture& p, int x, int y) {
    return p.pixels[static_cast<size_t>(y) * p.width + x];
}

TEST_F(GumpArtTest, SampleGumpsDecodeToTheirPictures) {
    for (int id = 0; id < mkinstall::kSampleGumpCount; ++id) {
        mkinstall::Picture picture = mkinstall::SampleGump(id);
        int w = -1, h = -1;
        GetGumpArtSize(id, &w, &h);
        ASSERT_EQ(w, picture.width);
        ASSERT_EQ(h, picture.height);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                ASSERT_EQ(GetGumpArtPixel(id, x, y), PixelOf(picture, x, y)) << id << " at " << x << "," << y;
    }
}

TEST_F(GumpArtTest, AMissingIdHasNoSizeNoPixelsAndDrawsNothing) {
    int w = -1, h = -1;
    GetGumpArtSize(77, &w, &h);
    EXPECT_EQ(w, 0);
    EXPECT_EQ(h, 0);
    EXPECT_EQ(GetGumpArtPixel(77, 0, 0), 0);
    EXPECT_EQ(GetGumpArt(-3), nullptr);
    CanaryCanvas canvas(8, 8, 0x1111, false);
    DrawGumpArt(CopySpan, 77, 0, 0, &canvas.at(0, 0), 8, 8);
    EXPECT_EQ(canvas.at(0, 0), 0x1111);
}

TEST_F(GumpArtTest, GetGumpArtPixelIsZeroOutsideTheArt) {
    for (auto [x, y] : {std::pair{-1, 0}, {0, -1}, {32, 0}, {0, 24}, {0, -5}})
        EXPECT_EQ(GetGumpArtPixel(0, x, y), 0) << x << "," << y;
    EXPECT_EQ(GetGumpArtPixel(2, 0, 0), PixelOf(mkinstall::SampleGump(2), 0, 0));
    EXPECT_EQ(GetGumpArtPixel(2, 1, 0), PixelOf(mkinstall::SampleGump(2), 1, 0)); // first of the second run
}

// Every window of columns that starts or ends at or around a run boundary of gump 2 (runs of
// length 1, 2, 3, ... in alternating colours) shows exactly those columns of the picture.
TEST_F(GumpArtTest, ClippedColumnsAtRunBoundariesShowExactlyThoseColumns) {
    const mkinstall::Picture picture = mkinstall::SampleGump(2);
    for (int left = 0; left < 100; ++left)
        for (int width : {1, 2, 3, 5, 100}) {
            CanaryCanvas canvas(100, 10, 0x1111, false);
            Rect clip{left, 2, left + width, 9};
            DrawGumpArtClipped(CopySpan, 2, clip, 0, 0, &canvas.at(0, 0), canvas.pitch(), 10);
            ASSERT_TRUE(canvas.CanariesIntact());
            for (int y = 0; y < 10; ++y)
                for (int x = 0; x < 100; ++x) {
                    bool in = x >= clip.left && x < clip.right && y >= clip.top && y < clip.bottom;
                    ASSERT_EQ(canvas.at(x, y), in ? PixelOf(picture, x, y) : 0x1111)
                        << "clip " << left << "+" << width << " at " << x << "," << y;
                }
        }
}

TEST_F(GumpArtTest, DrawingOffTheLeftStartsInsideTheArt) {
    const mkinstall::Picture picture = mkinstall::SampleGump(0);
    CanaryCanvas canvas(40, 30, 0x1111);
    BlitTarget target = canvas.Target();
    DrawGumpArtTo(target, CopySpan, GetGumpArt(0), kNoClip, -10, 0);
    EXPECT_EQ(canvas.at(0, 5), PixelOf(picture, 10, 5));
    EXPECT_EQ(canvas.at(21, 5), PixelOf(picture, 31, 5));
    EXPECT_EQ(canvas.at(22, 5), 0x1111);
    EXPECT_TRUE(canvas.CanariesIntact());
}

TEST_F(GumpArtTest, AClipEndingOneRowAboveTheBottomLeavesOutTheLastRow) {
    CanaryCanvas canvas(32, 24, 0x1111);
    DrawGumpArtTo(canvas.Target(), CopySpan, GetGumpArt(0), Rect{0, 0, 32, 23}, 0, 0);
    EXPECT_EQ(canvas.at(0, 22), PixelOf(mkinstall::SampleGump(0), 0, 22));
    EXPECT_EQ(canvas.at(0, 23), 0x1111);
}

TEST_F(GumpArtTest, KeyedDrawKeepsTheDestinationUnderTransparentPixels) {
    CanaryCanvas canvas(64, 64, 0x1111);
    DrawGumpArtTo(canvas.Target(), CopySpanKeyed, GetGumpArt(3), kNoClip, 0, 0);
    EXPECT_EQ(canvas.at(0, 0), PixelOf(mkinstall::SampleGump(3), 0, 0));
    EXPECT_EQ(canvas.at(30, 30), 0x1111); // the frame's transparent middle
}

TEST_F(GumpArtTest, BlitsAtEveryEdgeStayInsideTheTargetAndTheClip) {
    const int positions[][2] = {{-40, -30}, {-5, -5}, {50, 30}, {-200, 10}, {10, 1000}, {63, 63}, {0, 0}};
    const Rect clips[] = {kNoClip, Rect{-10, -10, 20, 20}, Rect{30, 30, 200, 200}, Rect{5, 5, 6, 6}};
    std::vector<uint16_t> block(40 * 30);
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<uint16_t>(i + 1);
    for (auto& pos : positions)
        for (const Rect& clip : clips) {
            SCOPED_TRACE(testing::Message() << "at " << pos[0] << "," << pos[1] << " clip " << clip.left
                                            << "," << clip.top << "," << clip.right << "," << clip.bottom);
            for (bool raw : {false, true}) {
                CanaryCanvas canvas(64, 48, 0, !raw);
                BlitTarget t = canvas.Target();
                if (raw) {
                    BlitPixelBlockClipped(CopySpan, block.data(), clip, 40, 30, pos[0], pos[1], t.pixels,
                                          t.pitch, t.height);
                    DrawGumpArtClipped(HueSpan, 3, clip, pos[0], pos[1], t.pixels, t.pitch, t.height);
                } else {
                    BlitPixelBlockTo(t, TranslucentSpan, block.data(), 40, 30, clip, pos[0], pos[1]);
                    DrawGumpArtTo(t, CopySpanKeyed, GetGumpArt(2), clip, pos[0], pos[1]);
                }
                EXPECT_TRUE(canvas.CanariesIntact());
                for (int y = 0; y < 48; ++y)
                    for (int x = 0; x < 64; ++x) {
                        if (x < clip.left || x >= clip.right || y < clip.top || y >= clip.bottom) {
                            ASSERT_EQ(canvas.at(x, y), 0) << x << "," << y;
                        }
                    }
            }
        }
}

TEST_F(GumpArtTest, PixelBlocksCopyTheirVisibleRows) {
    std::vector<uint16_t> block(6 * 4);
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<uint16_t>(0x100 + i);
    CanaryCanvas canvas(8, 8, 0x1111, false);
    BlitTarget t = canvas.Target();
    BlitPixelBlock(CopySpan, block.data(), 6, 4, 5, 6, t.pixels, t.pitch, t.height);
    EXPECT_EQ(canvas.at(5, 6), 0x100);
    EXPECT_EQ(canvas.at(7, 7), 0x100 + 6 + 2);
    EXPECT_EQ(canvas.at(4, 6), 0x1111);
    EXPECT_TRUE(canvas.CanariesIntact());
    BlitPixelBlockClipped(CopySpan, block.data(), Rect{-3, -3, 2, 2}, 6, 4, -2, -1, t.pixels, t.pitch,
                          t.height);
    EXPECT_EQ(canvas.at(0, 0), 0x100 + 6 + 2);
    EXPECT_EQ(canvas.at(1, 1), 0x100 + 12 + 3);
    EXPECT_EQ(canvas.at(2, 0), 0x1111);
}

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

TEST_F(GumpArtTest, DecoderStopsAtTheWidthAndChecksLineStarts) {
    // 4 x 4: row 0 good; row 1's line start lies past the item; row 2 has runs past the width and
    // a run of count 0; row 3 ends early.
    std::vector<uint8_t> bytes;
    for (uint32_t start : {4u, 1000u, 6u, 10u})
        PutU32(bytes, start);
    PutU32(bytes, 4u << 16 | 0x0011);      // row 0 at word 4
    PutU32(bytes, 0);                      // word 5: unused
    PutU32(bytes, 0u << 16 | 0x7777);      // row 2 at 6: empty run
    PutU32(bytes, 3u << 16 | 0x0022);      //   3 pixels
    PutU32(bytes, 0xFFFFu << 16 | 0x0033); //   a run far past the width
    PutU32(bytes, 2u << 16 | 0x0044);      //   never reached
    PutU32(bytes, 1u << 16 | 0x0055);      // row 3 at 10: one pixel, then the end
    auto art = DecodeGumpArt(bytes.data(), bytes.size(), mkinstall::GumpExtra(4, 4));
    ASSERT_NE(art, nullptr);
    EXPECT_TRUE(art->damaged);
    const uint16_t expected[4][4] = {
        {0x11, 0x11, 0x11, 0x11}, {0, 0, 0, 0}, {0x22, 0x22, 0x22, 0x33}, {0x55, 0, 0, 0}};
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(GetGumpArtPixel(art.get(), x, y), expected[y][x]) << x << "," << y;
    CanaryCanvas canvas(4, 4, 0x1111);
    DrawGumpArtTo(canvas.Target(), CopySpan, art.get(), kNoClip, 0, 0);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(canvas.at(x, y), expected[y][x]) << x << "," << y;
    EXPECT_TRUE(canvas.CanariesIntact());

    EXPECT_EQ(DecodeGumpArt(bytes.data(), 12, mkinstall::GumpExtra(4, 4)), nullptr); // line table cut
    EXPECT_EQ(DecodeGumpArt(bytes.data(), bytes.size(), mkinstall::GumpExtra(0, 4)), nullptr);
    EXPECT_EQ(DecodeGumpArt(bytes.data(), bytes.size(), mkinstall::GumpExtra(4, 0)), nullptr);
}

TEST_F(GumpArtTest, ArtWiderThanTheOldRowBufferDrawsWhole) {
    const int width = 3000;
    std::vector<uint16_t> pixels(static_cast<size_t>(width) * 2);
    for (int x = 0; x < width; ++x)
        pixels[x] = pixels[width + x] = static_cast<uint16_t>(1 + x % 0x7FFE);
    std::vector<uint8_t> bytes = mkinstall::EncodeGumpArt(width, 2, pixels);
    auto art = DecodeGumpArt(bytes.data(), bytes.size(), mkinstall::GumpExtra(width, 2));
    ASSERT_NE(art, nullptr);
    EXPECT_FALSE(art->damaged);
    std::vector<uint16_t> out(static_cast<size_t>(width) * 2);
    DrawGumpArtTo(MakeBlitTarget(out.data(), width, 2), CopySpan, art.get(), kNoClip, 0, 0);
    EXPECT_EQ(out, pixels);
}

} // namespace
