// The gump base: kinds and traits, references, closing, the coordinate walks, hit tests, drawing a
// frame, z-order, moving, and the shared timers and grids.
#include "gumps/GumpFixture.h"
#include "render/GraphicManager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

using namespace gumptest;

namespace {

class BarkLike : public TestGump {
  public:
    BarkLike(int x_, int y_, CGump* holderGump) : TestGump(x_, y_, 10, 10, 0x7C00) {
        SetKindForTest(GumpKind::Bark, GumpTrait::Bark | GumpTrait::Transparency);
        holder = holderGump;
    }
};

} // namespace

TEST_F(GumpTest, KindsAndTraitsAnswerThePredicates) {
    TestGump plain(0, 0, 10, 10, 1);
    EXPECT_TRUE(plain.UsesTransparency());
    EXPECT_TRUE(plain.IsDisposable());
    EXPECT_FALSE(plain.IsBarkGump());
    EXPECT_FALSE(plain.IsMapGump());
    EXPECT_EQ(gump_cast<CGump>(&plain), &plain);

    TestGump map(0, 0, 10, 10, 1);
    map.SetKindForTest(GumpKind::Map, GumpTrait::DropTarget | GumpTrait::GameAreaRelative);
    EXPECT_TRUE(map.IsMapGump());
    EXPECT_TRUE(map.IsDropTarget());
    EXPECT_FALSE(map.IsDisposable());
    EXPECT_FALSE(map.UsesTransparency());
    EXPECT_EQ(gump_cast<CGump>(&map), nullptr); // the kind is checked

    // A per-instance answer, as a generic gump's "nodispose".
    plain.SetTrait(GumpTrait::Disposable, false);
    EXPECT_FALSE(plain.IsDisposable());
}

TEST_F(GumpTest, TheTooltipIdFallsBackToTheGumpArtAndAPlayerOwnedGumpStartsWithArtZero) {
    World().player = 0x1234;
    TestGump mine(0, 0, 10, 10, 1, nullptr, 0x1234);
    TestGump other(0, 0, 10, 10, 1, nullptr, 0x999);
    EXPECT_EQ(mine.gumpArt, 0);
    EXPECT_EQ(other.gumpArt, -1);
    other.gumpArt = 2;
    EXPECT_EQ(other.GetTooltipId(0, 0), 2);
    other.tooltipId = 1044;
    EXPECT_EQ(other.GetTooltipId(0, 0), 1044);
}

TEST_F(GumpTest, RefsResolveToNullOnceTheGumpClosesAndStayNullAfterItIsFreed) {
    auto* parent = new TestGump(10, 10, 100, 100, 1);
    auto* child = new TestGump(5, 5, 20, 20, 2, parent);
    GumpRef<TestGump> p(parent), c(child);
    EXPECT_EQ(c.get(), child);
    parent->Close();
    EXPECT_FALSE(p);
    EXPECT_FALSE(c); // the whole subtree
    EXPECT_TRUE(child->IsClosed());
    EXPECT_EQ(CGumpManager::TopLevel().first, parent); // still linked until the safe point
    CGumpManager::FreeClosedGumps();
    EXPECT_EQ(CGumpManager::TopLevel().first, nullptr);
    EXPECT_FALSE(p);
    EXPECT_EQ(GumpRef<TestGump>(nullptr).get(), nullptr);
}

TEST_F(GumpTest, ClosingAChildAndThenItsParentFreesBothOnce) {
    auto* parent = new TestGump(0, 0, 100, 100, 1);
    auto* a = new TestGump(0, 0, 10, 10, 2, parent);
    auto* b = new TestGump(20, 0, 10, 10, 3, parent);
    a->Close();
    parent->Close();
    b->Close(); // already closed with its parent: nothing more
    CGumpManager::FreeClosedGumps();
    EXPECT_EQ(CGumpManager::TopLevel().first, nullptr);
}

TEST_F(GumpTest, ClosingTheObjectsGumpTellsTheWorld) {
    auto* g = new TestGump(0, 0, 10, 10, 1, nullptr, 0x40000001);
    World().gumpsOf[0x40000001] = {g};
    g->Close();
    EXPECT_TRUE(World().gumpsOf[0x40000001].empty());
}

TEST_F(GumpTest, NoFocusLostActionRunsDuringASubtreeClose) {
    auto* window = new TestGump(0, 0, 100, 100, 1);
    auto* field = new TestGump(5, 5, 50, 10, 2, window);
    auto* other = new TestGump(200, 0, 50, 10, 3);
    CGumpManager::SetFocus(field);
    window->Close();
    EXPECT_EQ(CGumpManager::GetFocus(), nullptr);
    EXPECT_EQ(field->focusLost, 0);
    // A focus that moves elsewhere does get its action.
    auto* next = new TestGump(0, 300, 50, 10, 4);
    CGumpManager::SetFocus(other);
    CGumpManager::SetFocus(next);
    EXPECT_EQ(other->focusLost, 1);
    CGumpManager::FreeClosedGumps();
}

TEST_F(GumpTest, WalksAddTheGameAreaOffsetOnceForAGameAreaRelativeChain) {
    CGumpManager::SetGameAreaOffset(30, 40);
    TestGump view(5, 6, 100, 100, 1);
    view.SetKindForTest(GumpKind::Map, GumpTrait::GameAreaRelative);
    auto* inner = new TestGump(10, 20, 20, 20, 2, &view);
    auto* deeper = new TestGump(1, 2, 5, 5, 3, inner);
    deeper->SetTrait(GumpTrait::GameAreaRelative, true); // a second relative gump on the chain
    int x = 0, y = 0;
    CGump::GumpToScreenCoords(deeper, &x, &y);
    EXPECT_EQ(x, 30 + 5 + 10 + 1);
    EXPECT_EQ(y, 40 + 6 + 20 + 2);
    CGump::ScreenToGumpCoords(deeper, &x, &y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    TestGump plain(5, 6, 10, 10, 1);
    x = y = 0;
    CGump::GumpToScreenCoords(&plain, &x, &y);
    EXPECT_EQ(x, 5);
    EXPECT_EQ(y, 6);
    CGump::GumpToScreenCoords(nullptr, &x, &y);
    EXPECT_EQ(x, 5);
}

TEST_F(GumpTest, TheHitTestReadsOnlyInsideTheFrameBlock) {
    // The gump claims 40 x 40; its frame is 13 x 7 with rows of 13 (not of a stride of 16).
    TestGump g(0, 0, 40, 40, 0);
    PixelBlock& block = g.SetFrame(0, PixelBlock(13, 7));
    block.At(12, 0) = 0x1F;
    block.At(0, 1) = 0x1F;
    EXPECT_TRUE(g.IsPointInside(12, 0));
    EXPECT_TRUE(g.IsPointInside(0, 1));
    EXPECT_FALSE(g.IsPointInside(1, 1));  // transparent
    EXPECT_FALSE(g.IsPointInside(13, 0)); // past the block's width
    EXPECT_FALSE(g.IsPointInside(0, 7));
    EXPECT_FALSE(g.IsPointInside(-1, 0));
    g.SetTrait(GumpTrait::Transparency, false);
    EXPECT_TRUE(g.IsPointInside(1, 1));
    // No frame: nothing is hit.
    TestGump frameless(0, 0, 40, 40, 0);
    frameless.SetFrameCount(1);
    EXPECT_FALSE(frameless.IsPointInside(1, 1));
    // A gump art answers by its own pixels (sample gump 0 has a hole at columns 8..11).
    frameless.gumpArt = 0;
    EXPECT_TRUE(frameless.IsPointInside(2, 2));
    EXPECT_FALSE(frameless.IsPointInside(9, 2));
    EXPECT_FALSE(frameless.IsPointInside(32, 2));
}

TEST_F(GumpTest, DrawingCopiesOnlyTheBlockByItsOwnPitchAndAFramelessGumpDrawsNothing) {
    TestGump g(100, 50, 40, 40, 0);
    PixelBlock& block = g.SetFrame(0, PixelBlock(13, 3));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 13; ++x)
            block.At(x, y) = static_cast<uint16_t>(0x100 + y * 13 + x);
    block.At(5, 1) = 0; // transparent
    const BlitTarget target = CGumpManager::WindowTargetFor(Rect{0, 0, 800, 600});
    g.Draw(target, kNoClip);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 16; ++x) {
            const bool inBlock = x < 13 && y < 3 && !(x == 5 && y == 1);
            EXPECT_EQ(Screen(100 + x, 50 + y), inBlock ? 0x100 + y * 13 + x : WorldPixel(100 + x, 50 + y))
                << x << "," << y;
        }
    TestGump none(0, 0, 30, 30, 0);
    none.SetFrameCount(0);
    none.Draw(target, kNoClip);
    EXPECT_EQ(Screen(0, 0), WorldPixel(0, 0));
}

TEST_F(GumpTest, ChildGroupsAndMinimisedStateButtonsDecideWhatIsHit) {
    TestGump window(0, 0, 100, 100, 1);
    window.group = 2;
    auto* page0 = new TestGump(0, 0, 10, 10, 2, &window);
    auto* page2 = new TestGump(20, 0, 10, 10, 3, &window);
    auto* page3 = new TestGump(40, 0, 10, 10, 4, &window);
    auto* normalButton = new TestGump(60, 0, 10, 10, 5, &window);
    auto* minimisedButton = new TestGump(80, 0, 10, 10, 6, &window);
    page2->group = 2;
    page3->group = 3;
    for (TestGump* b : {normalButton, minimisedButton})
        b->SetKindForTest(GumpKind::Button, GumpTrait::kBase | GumpTrait::ButtonLike);
    minimisedButton->minimisedStateButton = true;
    struct Case {
        int x, y;
        bool minimised;
        CGump* expected;
    } cases[] = {
        {5, 5, false, page0},           {25, 5, false, page2},    {45, 5, false, &window},
        {65, 5, false, normalButton},   {85, 5, false, &window},  {65, 5, true, &window},
        {85, 5, true, minimisedButton}, {50, 50, false, &window},
    };
    for (const Case& c : cases) {
        window.minimised = c.minimised;
        EXPECT_EQ(window.GetGumpAt(c.x, c.y, nullptr), c.expected) << c.x << "," << c.y;
    }
    window.minimised = false;
    page0->visible = false;
    EXPECT_EQ(window.GetGumpAt(5, 5, nullptr), &window);
    EXPECT_EQ(window.GetGumpAt(25, 5, page2), &window); // excluded
}

TEST_F(GumpTest, BringingToFrontRaisesTheBarksThatFollowTheGump) {
    auto* a = new TestGump(0, 0, 10, 10, 1);
    auto* barkOfA = new BarkLike(0, 0, a);
    auto* b = new TestGump(0, 0, 10, 10, 2);
    auto* c = new TestGump(0, 0, 10, 10, 3);
    // Front to back: c, b, barkOfA, a.
    a->BringToFront(true);
    std::vector<CGump*> order;
    for (CGump* g = CGumpManager::TopLevel().first; g; g = g->next())
        order.push_back(g);
    EXPECT_EQ(order, (std::vector<CGump*>{barkOfA, a, c, b}));
    EXPECT_EQ(CGumpManager::TopLevel().last, b);
    // The front-most gump keeps its place.
    barkOfA->BringToFront(true);
    EXPECT_EQ(CGumpManager::TopLevel().first, barkOfA);
    // A character-creation window keeps its place.
    c->SetKindForTest(GumpKind::CharCreation, GumpTrait::kBase);
    c->BringToFront(true);
    EXPECT_EQ(CGumpManager::TopLevel().first, barkOfA);
}

TEST_F(GumpTest, BringingToFrontDropsAFocusOutsideUnlessAskedToKeepIt) {
    auto* a = new TestGump(0, 0, 10, 10, 1);
    auto* field = new TestGump(0, 0, 5, 5, 1, a);
    auto* b = new TestGump(0, 0, 10, 10, 2);
    CGumpManager::SetFocus(field);
    a->BringToFront(false); // the focus is a's own child
    EXPECT_EQ(CGumpManager::GetFocus(), field);
    b->BringToFront(true);
    EXPECT_EQ(CGumpManager::GetFocus(), field);
    b->BringToFront(false);
    EXPECT_EQ(CGumpManager::GetFocus(), nullptr);
}

TEST_F(GumpTest, MovingClampsToTheBackBufferAndCutsTheDirtyRectangleToIt) {
    struct Case {
        int width, x, dx;
        int expectedX;
    } cases[] = {
        {30, 700, 500, 770},   // all 30 pixels stay
        {300, 700, 500, 750},  // 50 of 300 stay
        {30, 10, -500, 0},     //
        {300, 10, -500, -250}, //
    };
    for (const Case& c : cases) {
        TestGump g(c.x, 100, c.width, 40, 1);
        Rect dirty{};
        g.MoveBy(c.dx, 0, true, &dirty, true);
        EXPECT_EQ(g.x, c.expectedX) << c.width << " " << c.dx;
        EXPECT_EQ(dirty.right, std::min(800, std::max(c.x, c.expectedX) + c.width));
        EXPECT_GE(dirty.left, 0);
    }
    // Down past the bottom of an 800 x 600 buffer: the dirty area reaches 600, not 479.
    TestGump g(100, 500, 40, 90, 1);
    auto* child = new TestGump(10, 10, 5, 5, 2, &g);
    Rect dirty{};
    g.MoveBy(0, 50, true, &dirty, true);
    EXPECT_EQ(g.y, 550);
    EXPECT_EQ(dirty, (Rect{100, 500, 140, 600}));
    EXPECT_EQ(child->ScreenRect(), (Rect{110, 560, 115, 565}));
}

TEST_F(GumpTest, ANewWindowGoesBesideTheGameAreaAndStaysOnScreen) {
    // Sample gump 3 is 64 x 64; the game area is 640 x 480 inside an 800 x 600 buffer.
    struct Case {
        int x, y;
        int expectedX, expectedY;
    } cases[] = {
        {100, 300, 100, 485}, // nearer the bottom edge: below
        {500, 100, 645, 100}, // nearer the right edge: to the right
        {760, 610, 736, 485}, // below, then kept on screen
    };
    for (const Case& c : cases) {
        TestGump g(c.x, c.y, 10, 10, 1);
        g.gumpArt = 3;
        g.PlaceBesideGameArea();
        EXPECT_EQ(g.x, c.expectedX) << c.x << "," << c.y;
        EXPECT_EQ(g.y, c.expectedY) << c.x << "," << c.y;
    }
}

TEST_F(GumpTest, ClickTrackerTellsDoubleClicksLongPressesAndDrags) {
    const uint32_t dbl = platform::GetDoubleClickTime();
    ClickTracker t;
    EXPECT_FALSE(t.Press(10, 10, 1000));
    t.Release();
    EXPECT_TRUE(t.Press(12, 11, 1000 + dbl - 1));
    t.Release();

    t.Reset();
    t.Press(10, 10, 0);
    t.Release();
    EXPECT_EQ(t.Tick(dbl - 1), ClickTracker::Event::None);
    EXPECT_EQ(t.Tick(dbl), ClickTracker::Event::Single);
    EXPECT_FALSE(t.Press(10, 10, dbl + 1)); // a new first click

    t.Reset();
    t.Press(10, 10, 0);
    EXPECT_EQ(t.Tick(dbl), ClickTracker::Event::LongPress);
    EXPECT_TRUE(t.Dragging());

    t.Reset();
    t.Press(10, 10, 0);
    EXPECT_FALSE(t.Move(14, 6));
    EXPECT_TRUE(t.Move(15, 10));
    EXPECT_FALSE(t.Move(30, 30)); // once
}

TEST_F(GumpTest, TheMinimiseGridFillsInOrderSkipsCellsOfALargerScreenAndEndsWhenFull) {
    ResetMinimizeGridForTests();
    const int w = GraphicManager::GetScreenWidth(), h = GraphicManager::GetScreenHeight();
    // The first column of the large screen, held: its lowest cells lie outside the small grid.
    GraphicManager::SetScreenSize(800, 600);
    int cx = 0, cy = 0;
    for (int y = 16; y < 600 - 80; y += 64) {
        ASSERT_TRUE(FindMinimizeCell(&cx, &cy));
        ASSERT_EQ(std::make_pair(cx, cy), std::make_pair(16, y));
    }
    FreeMinimizeCell(16, 16);
    FreeMinimizeCell(16, 80);
    GraphicManager::SetScreenSize(640, 480);
    std::vector<std::pair<int, int>> expected = {{16, 16}, {16, 80}};
    for (int x = 112; x < 640 - 112; x += 96)
        for (int y = 16; y < 480 - 80; y += 64)
            expected.emplace_back(x, y);
    for (const auto& cell : expected) {
        ASSERT_TRUE(FindMinimizeCell(&cx, &cy));
        ASSERT_EQ(std::make_pair(cx, cy), cell);
    }
    EXPECT_FALSE(FindMinimizeCell(&cx, &cy)) << "the grid is full";
    FreeMinimizeCell(expected[7].first, expected[7].second);
    ASSERT_TRUE(FindMinimizeCell(&cx, &cy));
    EXPECT_EQ(std::make_pair(cx, cy), expected[7]);
    GraphicManager::SetScreenSize(w, h);
    ResetMinimizeGridForTests();
}

TEST_F(GumpTest, MinimisedWindowsTakeGridCellsColumnByColumn) {
    AutoArrangeMinimized = true;
    TestGump a(300, 300, 10, 10, 1), b(310, 310, 10, 10, 1), c(320, 320, 10, 10, 1);
    MinimizeGump(&a);
    MinimizeGump(&b);
    EXPECT_EQ(a.x, 16);
    EXPECT_EQ(a.y, 16);
    EXPECT_EQ(b.x, 16);
    EXPECT_EQ(b.y, 80);
    RestoreGump(&a);
    EXPECT_EQ(a.x, 300);
    EXPECT_FALSE(a.minimised);
    MinimizeGump(&c);
    EXPECT_EQ(c.y, 16); // the freed cell
    MinimizeGump(&a);   // keeps its remembered place
    EXPECT_EQ(a.x, 16);
    EXPECT_EQ(a.y, 16);
    // A restored window that goes away leaves alone the cell another window took after it.
    TestGump d(0, 0, 10, 10, 1), e(0, 0, 10, 10, 1);
    {
        TestGump gone(0, 0, 10, 10, 1);
        MinimizeGump(&gone);
        EXPECT_EQ(gone.y, 144);
        RestoreGump(&gone);
        MinimizeGump(&d);
        EXPECT_EQ(d.y, 144);
    }
    MinimizeGump(&e);
    EXPECT_EQ(e.y, 208);
    AutoArrangeMinimized = false;
}

TEST(PixelBlockTest, NewBlocksAreClearAndCopiesOwnTheirPixels) {
    PixelBlock block(640, 480); // large enough to come from its own mapping
    ASSERT_EQ(block.pixels.size(), 640u * 480u);
    EXPECT_TRUE(std::all_of(block.pixels.begin(), block.pixels.end(), [](uint16_t p) { return p == 0; }));
    block.At(639, 479) = 0x7FFF;

    PixelBlock copy = block;
    copy.At(0, 0) = 0x001F;
    EXPECT_EQ(block.At(0, 0), 0);
    EXPECT_EQ(copy.At(639, 479), 0x7FFF);
    copy = block;
    EXPECT_TRUE(copy.pixels == block.pixels);

    PixelBlock moved = std::move(copy);
    EXPECT_EQ(moved.At(639, 479), 0x7FFF);
    EXPECT_TRUE(copy.pixels.empty()); // a moved-from block is empty

    for (const auto& [w, h] : {std::pair{0, 5}, std::pair{-3, 4}, std::pair{3, -1}}) {
        const PixelBlock none(w, h);
        EXPECT_TRUE(none.Empty()) << w << "x" << h;
        EXPECT_TRUE(none.pixels.empty()) << w << "x" << h;
        EXPECT_EQ(none.pixels.data(), nullptr) << w << "x" << h;
    }

    // Resizing keeps the first pixels and zeroes the new ones, within the storage and past it.
    PixelBuffer buffer(4);
    for (size_t i = 0; i < 4; ++i)
        buffer[i] = static_cast<uint16_t>(i + 1);
    buffer.resize(2);
    buffer.resize(3);
    EXPECT_EQ(buffer.size(), 3u);
    EXPECT_EQ((std::vector<uint16_t>(buffer.begin(), buffer.end())), (std::vector<uint16_t>{1, 2, 0}));
    buffer.resize(100);
    ASSERT_EQ(buffer.size(), 100u);
    EXPECT_EQ(buffer[1], 2);
    EXPECT_TRUE(std::all_of(buffer.begin() + 2, buffer.end(), [](uint16_t p) { return p == 0; }));
}

// Full-screen blocks come back zeroed from the kept spares, whatever was drawn in them; a spare
// much larger than asked for is not taken, and only a few are kept.
TEST(PixelBlockTest, LargeBlocksReuseKeptStorageZeroed) {
    PixelBuffer::DropSpares();
    const uint16_t* first = nullptr;
    {
        PixelBlock screen(640, 480);
        first = screen.pixels.data();
        std::fill(screen.pixels.begin(), screen.pixels.end(), uint16_t{0x7FFF});
    }
    EXPECT_EQ(PixelBuffer::SpareCount(), 1);
    {
        PixelBlock again(600, 480); // smaller, within the same storage
        EXPECT_EQ(again.pixels.data(), first);
        EXPECT_EQ(PixelBuffer::SpareCount(), 0);
        EXPECT_TRUE(std::all_of(again.pixels.begin(), again.pixels.end(), [](uint16_t p) { return p == 0; }));
        std::fill(again.pixels.begin(), again.pixels.end(), uint16_t{0x7FFF});
        again.Resize(640, 480); // back to the storage's whole size: the new part is zero
        EXPECT_EQ(again.pixels.data(), first);
        EXPECT_EQ(again.At(639, 479), 0);
    }
    {
        PixelBlock third(300, 300); // under half the spare's size: storage of its own
        EXPECT_NE(third.pixels.data(), first);
        EXPECT_EQ(PixelBuffer::SpareCount(), 1);
    }
    {
        std::vector<PixelBlock> many;
        for (int i = 0; i < PixelBuffer::kSpares + 2; ++i)
            many.emplace_back(512, 512);
    }
    EXPECT_EQ(PixelBuffer::SpareCount(), PixelBuffer::kSpares);
    PixelBlock small(100, 100); // small blocks never take a spare
    EXPECT_EQ(PixelBuffer::SpareCount(), PixelBuffer::kSpares);
    PixelBuffer::DropSpares();
    EXPECT_EQ(PixelBuffer::SpareCount(), 0);
}
