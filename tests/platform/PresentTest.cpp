// Presenting through the window's own surface: what the window shows equals the frame drawn,
// pixel for pixel after the 5-5-5 widening, also after an update of only a few rectangles. Runs
// on the headless backend and on SDL (its dummy video driver keeps the window surface in memory).
#include "platform/headless.h"
#include "platform/platform.h"
#include "support/TestSupport.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <vector>

namespace {

using namespace platform;

constexpr int kWidth = 640, kHeight = 480, kCount = kWidth * kHeight;

uint32_t Widened(uint16_t p) {
    const uint32_t r = (p >> 10) & 31, g = (p >> 5) & 31, b = p & 31;
    return (r << 3 | r >> 2) << 16 | (g << 3 | g >> 2) << 8 | (b << 3 | b >> 2);
}

// Screen pixel (x, y) of a ring frame.
uint16_t RingAt(const std::vector<uint16_t>& ring, int start, int x, int y) {
    return ring[static_cast<size_t>((start + y * kWidth + x) % kCount)];
}

class PresentTest : public qvtest::CleanState, public ::testing::WithParamInterface<BackendKind> {
  protected:
    void SetUp() override {
        qvtest::CleanState::SetUp();
        ::setenv("SDL_VIDEODRIVER", "dummy", 1);
        UseBackend(GetParam());
        ASSERT_TRUE(CreateMainWindow(WindowDesc{"Varnis Online", kWidth, kHeight, true},
                                     [](const Message& m) { return DefWindowProc(m); }));
    }
    void TearDown() override {
        DestroyMainWindow();
        UseBackend(BackendKind::Headless);
        qvtest::CleanState::TearDown();
    }
    // Every shown pixel against the ring; the first mismatch is reported.
    void ExpectShown(const std::vector<uint16_t>& ring, int start) {
        std::vector<uint32_t> shown;
        int w = 0, h = 0;
        ASSERT_TRUE(ReadShownPixels(shown, w, h));
        ASSERT_EQ(w, kWidth);
        ASSERT_EQ(h, kHeight);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                if (shown[static_cast<size_t>(y) * kWidth + x] != Widened(RingAt(ring, start, x, y))) {
                    ADD_FAILURE() << "pixel (" << x << ", " << y << ") differs";
                    return;
                }
    }
};

TEST_P(PresentTest, TheWindowShowsTheRingFrameAlsoAfterAPartialUpdate) {
    std::vector<uint16_t> ring(kCount);
    for (int i = 0; i < kCount; ++i)
        ring[static_cast<size_t>(i)] = static_cast<uint16_t>((i * 7919u) & 0x7FFF); // every channel value
    const int start = 123457; // the ring wraps in the middle of row 192
    PresentFrame(ring.data(), kWidth, kHeight, start);
    ExpectShown(ring, start);

    // Three pixels change; only the rectangles around two of them are presented, one across the
    // ring's wrap. The third stays as it was shown until it is presented too.
    const std::vector<PresentRect> rects = {{10, 10, 20, 12}, {600, 190, 640, 194}};
    const int changed[][2] = {{15, 11}, {630, 192}, {300, 300}};
    std::vector<uint16_t> next = ring;
    for (const auto& p : changed)
        next[static_cast<size_t>((start + p[1] * kWidth + p[0]) % kCount)] = 0x7FFF;
    PresentFrameRects(next.data(), kWidth, kHeight, start, rects);
    std::vector<uint16_t> expected = next;
    expected[static_cast<size_t>((start + 300 * kWidth + 300) % kCount)] = RingAt(ring, start, 300, 300);
    ExpectShown(expected, start);

    PresentFrameRects(next.data(), kWidth, kHeight, start, {});
    ExpectShown(expected, start); // no rectangle: nothing changes
    PresentFrameRects(next.data(), kWidth, kHeight, start, {{295, 295, 305, 305}, {-50, -50, 0, 0}});
    ExpectShown(next, start);
}

INSTANTIATE_TEST_SUITE_P(Backends, PresentTest, ::testing::Values(BackendKind::Headless, BackendKind::Sdl),
                         [](const auto& info) {
                             return info.param == BackendKind::Sdl ? "Sdl" : "Headless";
                         });

} // namespace
