#include "RenderFixture.h"

#include "app/MainWindow.h"
#include "core/SharedServices.h"
#include "platform/headless.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

using rendertest::RenderTest;

class DisplayTest : public RenderTest {
  protected:
    // A back buffer of W x H random pixels.
    static std::vector<uint16_t> FillRandom(int w, int h, uint32_t seed) {
        BackBuffer::SetSize(w, h);
        BackBuffer::Create();
        SeedRandom(seed);
        for (int i = 0; i < w * h; ++i)
            BackBuffer::Pixels()[i] = static_cast<uint16_t>(RandomNext() & 0x7FFF);
        return {BackBuffer::Pixels(), BackBuffer::Pixels() + w * h};
    }
    // The ring turned so that index d comes first.
    static std::vector<uint16_t> Rotated(std::vector<uint16_t> ring, int d) {
        std::rotate(ring.begin(), ring.begin() + d, ring.end());
        return ring;
    }
};

TEST_F(DisplayTest, PresentingTheRingInAWindowShowsItRotatedToTheGameArea) {
    const int w = 64, h = 48, n = w * h;
    const struct {
        int ringOffset, areaX, areaY;
    } cases[] = {{0, 0, 0}, {5 * w, 0, 0}, {17, 0, 0}, {9 * w + 33, 0, 0}, {9 * w + 33, 4, 2}, {3, 8, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "ring " << c.ringOffset << " area " << c.areaX << "," << c.areaY);
        std::vector<uint16_t> ring = FillRandom(w, h, static_cast<uint32_t>(c.ringOffset + 1));
        BackBuffer::SetRingOffset(c.ringOffset);
        CGumpManager::SetGameAreaOffset(c.areaX, c.areaY);
        int before = platform::headless::PresentedFrameCount();
        PresentFrame();
        ASSERT_EQ(platform::headless::PresentedFrameCount(), before + 1);
        int d = ((c.ringOffset - (c.areaY * w + c.areaX)) % n + n) % n;
        EXPECT_EQ(PresentStartIndex(), d);
        EXPECT_EQ(platform::headless::LastFrame().width, w);
        EXPECT_EQ(platform::headless::LastFrame().pixels, Rotated(ring, d));
    }
}

TEST_F(DisplayTest, WithoutABackBufferNothingIsPresented) {
    BackBuffer::Destroy();
    PresentFrame();
    EXPECT_EQ(platform::headless::PresentedFrameCount(), 0);
}

TEST_F(DisplayTest, FullScreenShowsTheSameRotationThroughItsSurface) {
    SwitchToFullScreen();
    ASSERT_TRUE(IsFullScreenActive());
    EXPECT_TRUE(platform::IsFullScreen());
    ASSERT_EQ(BackBuffer::Width(), 640);
    ASSERT_EQ(BackBuffer::Height(), 480);
    EXPECT_TRUE(IsAllDirty()); // the recreated buffer is dirty as a whole
    std::vector<uint16_t> ring = FillRandom(640, 480, 99);
    BackBuffer::SetRingOffset(640 * 100 + 77);
    PresentFrame();
    EXPECT_EQ(platform::headless::LastFrame().pixels, Rotated(ring, 640 * 100 + 77));
    SwitchToWindowed();
    EXPECT_FALSE(IsFullScreenActive());
    EXPECT_FALSE(platform::IsFullScreen());
}

TEST_F(DisplayTest, FullScreenInTheWorldUsesTheChosenModeAndNeverCopiesPastItsSurface) {
    FrameServices services;
    services.isInWorld = [] { return true; };
    SetFrameServices(services);
    GraphicManager::SetScreenSize(800, 600);
    SetFullScreenRes(640, 480); // smaller than the game view: the back buffer stays 800 x 600
    SwitchToFullScreen();
    ASSERT_TRUE(IsFullScreenActive());
    EXPECT_EQ(BackBuffer::Width(), 800);
    EXPECT_EQ(GetFullScreenSurface().width, 640);
    std::vector<uint16_t> ring = FillRandom(800, 600, 5);
    BackBuffer::SetRingOffset(800 * 599 + 10);
    PresentFrame();
    const auto& frame = platform::headless::LastFrame();
    ASSERT_EQ(frame.width, 640);
    ASSERT_EQ(frame.height, 480);
    std::vector<uint16_t> rotated = Rotated(ring, 800 * 599 + 10);
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            ASSERT_EQ(frame.pixels[y * 640 + x], rotated[y * 800 + x]) << x << "," << y;
}

TEST_F(DisplayTest, FullScreenThatCannotBeHadLeavesTheWindow) {
    platform::headless::SetFullScreenAllowed(false);
    SwitchToFullScreen();
    EXPECT_FALSE(IsFullScreenActive());
    EXPECT_FALSE(BackBuffer::Exists());
}

TEST_F(DisplayTest, RingCopiesAreCutToTheSurfaceAndConvertTo565) {
    const int w = 5, h = 4;
    std::vector<uint16_t> ring(w * h);
    for (int i = 0; i < w * h; ++i)
        ring[i] = static_cast<uint16_t>(i + 1);
    ring[0] = 0x7C00;
    ring[1] = 0x7FFF;
    ring[2] = 0x03E0;
    // A surface of 3 x 2 pixels in rows of 4, inside canaries.
    std::vector<uint16_t> cells(4 * 4, 0xCCCC);
    DisplaySurface surface{cells.data() + 4, 4, 3, 2};
    CopyRingToSurface565(surface, RingView{ring.data(), w, h}, 0, 0, w * h);
    EXPECT_EQ(cells[4], 0xF800);
    EXPECT_EQ(cells[5], 0xFFDF);
    EXPECT_EQ(cells[6], 0x07C0);
    EXPECT_EQ(cells[7], 0xCCCC); // the row's fourth pixel is past the surface width
    EXPECT_EQ(cells[8], 6);      // ring row 1 on surface row 1
    for (int i : {0, 1, 2, 3, 12, 13, 14, 15, 11})
        EXPECT_EQ(cells[i], 0xCCCC) << i;

    std::fill(cells.begin(), cells.end(), 0xCCCC);
    // Position 7 is row 1, column 2; the piece ends at the end of that ring row.
    CopyRingToSurface(surface, RingView{ring.data(), w, h}, 7, 10, 4);
    EXPECT_EQ(cells[8 + 2], 11);
    EXPECT_EQ(cells[8 + 3], 0xCCCC);
    EXPECT_EQ(cells[4], 0xCCCC); // the next ring row (row 2) is below the surface
    // Ring reads stay inside the ring.
    CopyRingToSurface(surface, RingView{ring.data(), w, h}, 0, w * h - 1, 50);
    EXPECT_EQ(cells[4], w * h);
    CopyRingToSurface(surface, RingView{ring.data(), w, h}, 0, w * h, 5);
    CopyRingToSurface(surface, RingView{ring.data(), w, h}, -1, 0, 5);
}

TEST_F(DisplayTest, TheBackBufferIsNeverSmallerThanTheScreenAndOnlyGrowsInAWindow) {
    CreateBackBuffer();
    EXPECT_EQ(BackBuffer::Width(), 640);
    EXPECT_EQ(BackBuffer::Height(), 480);
    EXPECT_GE(BackBuffer::SaveUnderSize(), size_t{640 * 480 * 2});
    GraphicManager::SetScreenSize(800, 600);
    EXPECT_EQ(BackBuffer::Width(), 800);
    EXPECT_EQ(BackBuffer::Height(), 600);
    EXPECT_GE(BackBuffer::SaveUnderSize(), size_t{800 * 600 * 2});
    GraphicManager::SetScreenSize(640, 480);
    EXPECT_EQ(BackBuffer::Width(), 800);
    EXPECT_TRUE(IsAllDirty());
}

} // namespace

namespace {

TEST(ChangedRectsTest, EachChangedBandGivesItsChangedColumns) {
    constexpr int w = 40, h = 40; // bands of rows 0-15, 16-31 and a short one, 32-39
    struct Case {
        const char* name;
        std::vector<std::pair<int, int>> changed; // (x, y)
        std::vector<Rect> rects;
    } cases[] = {
        {"nothing changed", {}, {}},
        {"one pixel", {{5, 3}}, {{5, 0, 6, 16}}},
        {"two pixels of a band span both", {{30, 1}, {2, 15}}, {{2, 0, 31, 16}}},
        {"bands below each other over the same columns join", {{7, 2}, {7, 20}}, {{7, 0, 8, 32}}},
        {"over other columns they stay apart", {{7, 2}, {8, 20}}, {{7, 0, 8, 16}, {8, 16, 9, 32}}},
        {"the last band is cut to the frame", {{0, 39}, {39, 33}}, {{0, 32, 40, 40}}},
    };
    const std::vector<uint16_t> before(w * h, 0x1234);
    for (const Case& c : cases) {
        std::vector<uint16_t> now = before;
        for (auto [x, y] : c.changed)
            now[static_cast<size_t>(y) * w + x] ^= 1;
        const std::vector<Rect> got = ChangedRects(before.data(), now.data(), w, h);
        ASSERT_EQ(got.size(), c.rects.size()) << c.name;
        for (size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].left, c.rects[i].left) << c.name;
            EXPECT_EQ(got[i].top, c.rects[i].top) << c.name;
            EXPECT_EQ(got[i].right, c.rects[i].right) << c.name;
            EXPECT_EQ(got[i].bottom, c.rects[i].bottom) << c.name;
        }
    }
}

} // namespace

namespace {

using rendertest::RenderTest;

class PartialPresentTest : public RenderTest {};

TEST_F(PartialPresentTest, OnlyWhatChangedIsPresentedAndTheWindowShowsTheWholeFrame) {
    const int w = 64, h = 48;
    BackBuffer::SetSize(w, h);
    BackBuffer::Create();
    BackBuffer::SetRingOffset(9 * w + 33);
    for (int i = 0; i < w * h; ++i)
        BackBuffer::Pixels()[i] = static_cast<uint16_t>((i * 31) & 0x7FFF);
    PresentFrame();
    ASSERT_EQ(platform::headless::PresentedFrameCount(), 1);
    ASSERT_EQ(platform::headless::LastPresentedRects().size(), 1u); // the first present: all of it

    PresentFrame(); // nothing changed: nothing is presented
    EXPECT_EQ(platform::headless::PresentedFrameCount(), 1);

    BackBuffer::Pixels()[BackBuffer::IndexOf(3, 4)] ^= 0x7FFF;
    BackBuffer::Pixels()[BackBuffer::IndexOf(60, 40)] ^= 0x7FFF;
    PresentFrame();
    EXPECT_EQ(platform::headless::PresentedFrameCount(), 2);
    const auto& rects = platform::headless::LastPresentedRects();
    ASSERT_EQ(rects.size(), 2u);
    EXPECT_EQ(rects[0].left, 3);
    EXPECT_EQ(rects[0].right, 4);
    EXPECT_EQ(rects[0].top, 0);
    EXPECT_EQ(rects[1].left, 60);
    EXPECT_EQ(rects[1].top, 32);
    EXPECT_EQ(rects[1].bottom, 48);
    // The window shows every pixel of the back buffer at its screen place.
    const auto& shown = platform::headless::LastFrame().pixels;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            ASSERT_EQ(shown[static_cast<size_t>(y) * w + x], BackBuffer::Pixels()[BackBuffer::IndexOf(x, y)])
                << x << "," << y;

    ForgetPresentedFrame(); // the window lost its picture: all of it again
    PresentFrame();
    ASSERT_EQ(platform::headless::LastPresentedRects().size(), 1u);
    EXPECT_EQ(platform::headless::LastPresentedRects()[0].bottom, h);
}

} // namespace
