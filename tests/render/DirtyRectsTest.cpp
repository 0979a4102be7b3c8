#include "RenderFixture.h"

#include "core/SharedServices.h"
#include "render/ClearScreen.h"

#include <gtest/gtest.h>

namespace {

using rendertest::RenderTest;

constexpr int W = 40;
constexpr int H = 30;

class DirtyRectsTest : public RenderTest {
  protected:
    void SetUp() override {
        RenderTest::SetUp();
        BackBuffer::Resize(W, H);
    }
    static std::vector<Rect> Listed() { return {GetDirtyRects(), GetDirtyRects() + GetDirtyRectCount()}; }
};

// Which screen pixels a set of rectangles covers, and how often.
struct Coverage {
    std::vector<int> cells = std::vector<int>(W * H, 0);
    void Add(const Rect& r) {
        Rect c = IntersectRect(r, Rect{0, 0, W, H});
        for (int y = c.top; y < c.bottom; ++y)
            for (int x = c.left; x < c.right; ++x)
                ++cells[y * W + x];
    }
    Coverage Shifted(int dx, int dy) const {
        Coverage out;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                int fx = x - dx, fy = y - dy;
                if (fx >= 0 && fy >= 0 && fx < W && fy < H) out.cells[y * W + x] = cells[fy * W + fx] ? 1 : 0;
            }
        return out;
    }
    bool SameAreaAs(const Coverage& o) const {
        for (size_t i = 0; i < cells.size(); ++i)
            if ((cells[i] != 0) != (o.cells[i] != 0)) return false;
        return true;
    }
    int MaxCount() const { return *std::max_element(cells.begin(), cells.end()); }
};

Rect RandomRect() {
    int x = RandomBelow(W + 20) - 10, y = RandomBelow(H + 20) - 10;
    return Rect{x, y, x + RandomBelow(W), y + RandomBelow(H)};
}

// A single pixel on the screen.
Rect RandomPixel() {
    int x = RandomBelow(W), y = RandomBelow(H);
    return Rect{x, y, x + 1, y + 1};
}

TEST_F(DirtyRectsTest, ARandomRunStaysDisjointCoversTheRequestsAndNeverCrossesTheWrap) {
    SeedRandom(20240611);
    int rounds = 0, overflows = 0;
    for (; rounds < 300; ++rounds) {
        SCOPED_TRACE(testing::Message() << "round " << rounds);
        ResetDirtyRectsForTests();
        BackBuffer::SetRingOffset(rounds % 5 == 0 ? 0 : RandomBelow(W * H));
        Coverage requested;
        // Every tenth round asks for many small pieces, enough to pass the limit.
        const bool many = rounds % 10 == 9;
        int requests = many ? 800 : 1 + RandomBelow(30);
        for (int i = 0; i < requests && !IsAllDirty(); ++i) {
            if (!many && RandomBelow(8) == 0) { // scroll the view: the listed area moves with the picture
                int dx = RandomBelow(9) - 4, dy = RandomBelow(9) - 4;
                ScrollScreen(dx, dy);
                requested = requested.Shifted(dx, dy);
                requested.Add(dx < 0 ? Rect{W + dx, 0, W, H} : Rect{0, 0, dx, H});
                requested.Add(dy < 0 ? Rect{0, H + dy, W, H} : Rect{0, 0, W, dy});
            } else {
                Rect r = many ? RandomPixel() : RandomRect();
                DirtyRect(&r);
                requested.Add(r);
            }
        }
        if (IsAllDirty()) {
            ++overflows;
            ASSERT_EQ(Listed(), std::vector<Rect>{Rect(0, 0, W, H)});
            EXPECT_EQ(BackBuffer::RingOffset(), 0);
            continue;
        }
        Coverage listed;
        for (const Rect& r : Listed()) {
            ASSERT_FALSE(r.IsEmpty());
            ASSERT_GE(r.left, 0);
            ASSERT_GE(r.top, 0);
            ASSERT_LE(r.right, W);
            ASSERT_LE(r.bottom, H);
            ASSERT_FALSE(StraddlesRingWrap(r)) << r.left << "," << r.top << "," << r.right << "," << r.bottom;
            listed.Add(r);
        }
        ASSERT_LE(listed.MaxCount(), 1) << "listed rectangles overlap";
        ASSERT_TRUE(listed.SameAreaAs(requested));
    }
    EXPECT_GT(overflows, 0);
    EXPECT_LT(overflows, rounds);
}

TEST_F(DirtyRectsTest, OverlapsAreSplitAroundWhatIsListed) {
    Rect middle{10, 10, 20, 20};
    DirtyRect(&middle);
    DirtyRect(&middle);
    EXPECT_EQ(Listed(), std::vector<Rect>{middle});
    Rect around{5, 5, 25, 25};
    DirtyRect(&around);
    EXPECT_EQ(Listed(), (std::vector<Rect>{
                            middle, {5, 10, 10, 20}, {20, 10, 25, 20}, {5, 5, 25, 10}, {5, 20, 25, 25}}));
    Rect offScreen{-10, 0, 0, 10};
    DirtyRect(&offScreen);
    EXPECT_EQ(GetDirtyRectCount(), 5);
    qvtest::ReportRecorder log;
    DirtyRect(nullptr);
    DirtyRect_Internal(nullptr);
    EXPECT_TRUE(log.contains("DirtyRect: r == 0"));
    EXPECT_TRUE(log.contains("DirtyRect_Internal: r == 0"));
}

TEST_F(DirtyRectsTest, RectanglesAreSplitWhereTheRingWraps) {
    Rect r{10, 5, 30, 20};
    DirtyRect(&r); // offset 0: the ring does not wrap inside the screen
    EXPECT_EQ(Listed(), std::vector<Rect>{r});

    ResetDirtyRectsForTests();
    BackBuffer::SetRingOffset(W * H - (10 * W + 20)); // the wrap at row 10, column 20
    DirtyRect(&r);
    EXPECT_EQ(Listed(),
              (std::vector<Rect>{{10, 5, 20, 11}, {20, 5, 30, 10}, {20, 10, 30, 20}, {10, 11, 20, 20}}));

    ResetDirtyRectsForTests();
    BackBuffer::SetRingOffset(W * H - (10 * W + 5)); // column 5, left of the rectangle
    DirtyRect(&r);
    EXPECT_EQ(Listed(), (std::vector<Rect>{{10, 5, 30, 10}, {10, 10, 30, 20}}));

    ResetDirtyRectsForTests();
    BackBuffer::SetRingOffset(W * H - (10 * W + 35)); // column 35, right of it
    DirtyRect(&r);
    EXPECT_EQ(Listed(), (std::vector<Rect>{{10, 5, 30, 11}, {10, 11, 30, 20}}));
}

TEST_F(DirtyRectsTest, TheRequestPastTheLimitTurnsIntoAFullRedrawWithAClearedBuffer) {
    BackBuffer::SetRingOffset(123);
    std::fill(BackBuffer::Pixels(), BackBuffer::Pixels() + W * H, 0x7FFF);
    for (int i = 0; i < kDirtyRectLimit; ++i) {
        Rect r{i % W, i / W, i % W + 1, i / W + 1};
        DirtyRect_Internal(&r);
    }
    EXPECT_EQ(GetDirtyRectCount(), kDirtyRectLimit);
    EXPECT_FALSE(IsAllDirty());
    Rect last{0, 29, 1, 30};
    DirtyRect_Internal(&last);
    EXPECT_TRUE(IsAllDirty());
    EXPECT_EQ(Listed(), std::vector<Rect>{Rect(0, 0, W, H)});
    EXPECT_EQ(BackBuffer::RingOffset(), 0);
    EXPECT_EQ(std::count(BackBuffer::Pixels(), BackBuffer::Pixels() + W * H, 0), W * H);
    DirtyRect(&last); // ignored while all is dirty
    EXPECT_EQ(GetDirtyRectCount(), 1);
}

TEST_F(DirtyRectsTest, TheLargeLimitHoldsMoreRectangles) {
    SetLargeDirtyLimit(true);
    for (int i = 0; i < 600; ++i) {
        Rect r{i % W, i / W, i % W + 1, i / W + 1};
        DirtyRect_Internal(&r);
    }
    EXPECT_FALSE(IsAllDirty());
    EXPECT_EQ(GetDirtyRectCount(), 600);
}

TEST_F(DirtyRectsTest, InvalidateAllListsTheScreenUnlessTheDeathFadeRuns) {
    BackBuffer::SetRingOffset(77);
    GraphicManager::SetDeathFadeCounter(3);
    InvalidateAll();
    Rect r{0, 0, 5, 5};
    DirtyRect(&r);
    EXPECT_EQ(GetDirtyRectCount(), 0);
    GraphicManager::SetDeathFadeCounter(0);
    std::fill(BackBuffer::Pixels(), BackBuffer::Pixels() + W * H, 0x1234);
    InvalidateAll();
    EXPECT_TRUE(IsAllDirty());
    EXPECT_EQ(BackBuffer::RingOffset(), 0);
    EXPECT_EQ(Listed(), std::vector<Rect>{Rect(0, 0, W, H)});
    EXPECT_EQ(BackBuffer::Pixels()[W * H - 1], 0);
}

// Fills the ring so that screen pixel (x, y) holds 1 + y * W + x.
void PaintScreenCoordinates() {
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            BackBuffer::Pixels()[BackBuffer::IndexOf(x, y)] = static_cast<uint16_t>(1 + y * W + x);
}

uint16_t ScreenPixel(int x, int y) {
    return BackBuffer::Pixels()[BackBuffer::IndexOf(x, y)];
}

TEST_F(DirtyRectsTest, ScrollingMovesThePictureAndDirtiesOnlyTheUncoveredStrip) {
    const struct {
        int dx, dy;
        std::vector<Rect> strips;
    } cases[] = {
        {-4, 0, {{W - 4, 0, W, H}}},
        {3, 0, {{0, 0, 3, H}}},
        {0, -2, {{0, H - 2, W, H}}},
        {0, 5, {{0, 0, W, 5}}},
        {-4, -2, {{W - 4, 0, W, H}, {0, H - 2, W - 4, H}}},
        {3, 5, {{0, 0, 3, H}, {3, 0, W, 5}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "scroll " << c.dx << "," << c.dy);
        ResetDirtyRectsForTests();
        BackBuffer::SetRingOffset(W * 7 + 13);
        PaintScreenCoordinates();
        ScrollScreen(c.dx, c.dy);
        Coverage listed, expected;
        for (const Rect& r : Listed())
            listed.Add(r);
        for (const Rect& r : c.strips)
            expected.Add(r);
        EXPECT_TRUE(listed.SameAreaAs(expected));
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                int fx = x - c.dx, fy = y - c.dy;
                bool kept = fx >= 0 && fy >= 0 && fx < W && fy < H;
                ASSERT_EQ(ScreenPixel(x, y), kept ? 1 + fy * W + fx : 0) << x << "," << y;
            }
    }
}

TEST_F(DirtyRectsTest, ListedRectanglesMoveWithTheScroll) {
    Rect r{10, 10, 20, 20};
    DirtyRect(&r);
    ScrollBackBuffer(-15, 3);
    EXPECT_EQ(Listed(), std::vector<Rect>{Rect(0, 13, 5, 23)});
    ScrollBackBuffer(-10, 0);
    EXPECT_EQ(GetDirtyRectCount(), 0);
}

TEST_F(DirtyRectsTest, ARingTargetReachesEachPixelOfItsRectangleAtItsScreenPlace) {
    SeedRandom(7);
    for (int round = 0; round < 200; ++round) {
        BackBuffer::SetRingOffset(RandomBelow(W * H));
        ResetDirtyRectsForTests();
        Rect r = RandomRect();
        DirtyRect(&r);
        for (const Rect& piece : Listed()) {
            BlitTarget t = RingTargetFor(piece);
            ASSERT_TRUE(t.IsUsable());
            for (int y = piece.top; y < piece.bottom; ++y)
                for (int x = piece.left; x < piece.right; ++x)
                    ASSERT_EQ(t.At(x, y), BackBuffer::Pixels() + BackBuffer::IndexOf(x, y));
        }
    }
    BackBuffer::SetRingOffset(W * H - (10 * W + 20));
    EXPECT_FALSE(RingTargetFor(Rect{10, 5, 30, 20}).IsUsable()); // crosses the wrap
}

TEST_F(DirtyRectsTest, RenderFrameEmptiesTheListAndPlacesThePreviewAroundIt) {
    static std::vector<std::string> calls;
    calls.clear();
    FrameServices services;
    services.isPreviewActive = [] { return true; };
    services.placePreviewAtMouse = [] {
        calls.push_back("place");
        Rect r{0, 0, 4, 4};
        DirtyRect(&r);
    };
    services.removePreviewPieces = [] {
        calls.push_back(GetDirtyRectCount() == 0 ? "remove after the frame" : "remove too early");
        for (int i = 0; i < 300; ++i) { // more pieces than the normal limit
            Rect r{i % W, i / W, i % W + 1, i / W + 1};
            DirtyRect(&r);
        }
    };
    SetFrameServices(services);
    InvalidateAll();
    RenderFrame();
    EXPECT_EQ(calls, (std::vector<std::string>{"place", "remove after the frame"}));
    EXPECT_FALSE(IsAllDirty());
    EXPECT_EQ(GetDirtyRectCount(), 300);
    Rect r{0, 0, 1, 1};
    DirtyRect(&r); // the large limit is off again: 301 listed is past it
    EXPECT_TRUE(IsAllDirty());
}

TEST_F(DirtyRectsTest, ClearViewBufferClearsTheScreenAreaThroughTheRing) {
    BackBuffer::Resize(700, 500);
    BackBuffer::SetRingOffset(700 * 499 + 650);
    std::fill(BackBuffer::Pixels(), BackBuffer::Pixels() + BackBuffer::PixelCount(), 0x7FFF);
    ClearViewBuffer(); // 640 x 480 of the 700 x 500 ring
    EXPECT_EQ(std::count(BackBuffer::Pixels(), BackBuffer::Pixels() + BackBuffer::PixelCount(), 0),
              640 * 480);
    EXPECT_EQ(BackBuffer::Pixels()[BackBuffer::IndexOf(639, 479)], 0);
    EXPECT_EQ(BackBuffer::Pixels()[BackBuffer::IndexOf(640, 0)], 0x7FFF);
}

} // namespace
