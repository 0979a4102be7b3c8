// The mouse manager: cursor choice and the colour cursors, hot spots from the marker, capture and
// dispatch, closing from handlers, and hover help on the manual clock.
#include "gumps/GumpFixture.h"
#include "mkinstall/CursorArt.h"
#include "render/HueManager.h"

#include <gtest/gtest.h>

using namespace gumptest;

namespace {

class MouseTest : public GumpTest {
  protected:
    void SetUp() override {
        GumpTest::SetUp();
        MouseManager::startup();
        MouseManager::LoadCursors();
    }
    // The pointer moves there and one mouse update runs.
    static void MoveTo(int x, int y) {
        platform::headless::SetCursorPosition(x, y);
        MouseManager::Update();
    }
    static int ArtOfKind(int kind) {
        static const int kFirst[46] = {24659, 24660, 24661, 24662, 24663, 24664, 24665, 24666, 24659, 24660,
                                       24661, 24662, 24663, 24664, 24665, 24666, 24667, 24668, 24670, 24671,
                                       24672, 24673, 24674, 24682, 24683, 24684, 24685, 24686, 24687, 24688,
                                       24689, 24682, 24683, 24684, 24685, 24686, 24687, 24688, 24689, 24690,
                                       24691, 24693, 24694, 24695, 24696, 24697};
        return kFirst[kind];
    }
};

} // namespace

TEST_F(MouseTest, HotSpotsComeFromTheGreenMarker) {
    for (int kind : {0, 5, 17, 19, 20, 23, 40, 45}) {
        int hx = -1, hy = -1, ex = 0, ey = 0;
        ASSERT_TRUE(MouseManager::GetHotSpot(kind, &hx, &hy)) << kind;
        mkinstall::SampleCursor(ArtOfKind(kind), &ex, &ey);
        EXPECT_EQ(hx, ex) << kind;
        EXPECT_EQ(hy, ey) << kind;
    }
}

TEST_F(MouseTest, TheCursorFollowsDirectionEllipseWarModeAndRequests) {
    // The game area is 640 x 480 at offset 0; its centre is (320, 240).
    struct Case {
        int x, y;
        bool war;
        int request;
        int expected;
    } cases[] = {
        {320, 240, true, 0, 8},                              // the centre: direction 0, inside the ellipse
        {420, 240, true, 0, 10},                             // right, inside
        {420, 240, false, 0, 33},                            // the same at peace
        {620, 240, true, 0, 2},                              // right, outside the ellipse
        {320, 20, true, 0, 0},                               // up, outside
        {100, 400, true, 0, 5},                              // down-left
        {700, 100, true, 0, 17},                             // beside the game area: the normal pointer
        {700, 100, false, 0, 40},  {320, 240, true, 19, 19}, // a requested target cursor
        {320, 240, false, 19, 42},
    };
    for (const Case& c : cases) {
        World().war = c.war;
        MouseManager::SetCursor(c.request);
        MoveTo(c.x, c.y);
        EXPECT_EQ(MouseManager::GetCurrentCursorKind(), c.expected) << c.x << "," << c.y;
        // The platform shows that kind's picture.
        const uintptr_t handle = MouseManager::CursorHandleForPicture(ArtOfKind(c.expected) - 24659);
        EXPECT_NE(handle, 0u);
        EXPECT_EQ(platform::headless::CurrentCursor(), handle);
    }
}

TEST_F(MouseTest, BusyWinsUntilItEndsAndNothingButThePointerBeforeTheGame) {
    World().war = true;
    MouseManager::SetCursor(20);
    EXPECT_EQ(MouseManager::GetBusyCount(), 1);
    MouseManager::SetCursor(20);
    EXPECT_EQ(MouseManager::GetBusyCount(), 1);
    MouseManager::SetCursor(19);
    EXPECT_EQ(MouseManager::GetCursor(), 20);
    MouseManager::EndBusy();
    MouseManager::SetCursor(19);
    EXPECT_EQ(MouseManager::GetCursor(), 19);

    World().inGame = false;
    MouseManager::SetCursor(19);
    EXPECT_EQ(MouseManager::GetCursor(), 17);
    World().war = false;
    MoveTo(320, 240);
    EXPECT_EQ(MouseManager::GetCurrentCursorKind(), 40);
}

TEST_F(MouseTest, TheColourCursorIsThePictureWithoutItsMarker) {
    MouseManager::SetCursor(19);
    MoveTo(10, 10);
    const auto* shown = platform::headless::FindCursor(platform::headless::CurrentCursor());
    ASSERT_NE(shown, nullptr);
    int hx = 0, hy = 0;
    mkinstall::Picture p = mkinstall::SampleCursor(24671, &hx, &hy);
    EXPECT_EQ(shown->width, p.width);
    EXPECT_EQ(shown->height, p.height);
    EXPECT_EQ(shown->hotX, hx);
    EXPECT_EQ(shown->hotY, hy);
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const bool kept = x >= 1 && y >= 1 && x < p.width - 1;
            EXPECT_EQ(shown->pixels[static_cast<size_t>(y) * p.width + x],
                      kept ? p.pixels[static_cast<size_t>(y) * p.width + x] : 0)
                << x << "," << y;
        }
}

TEST_F(MouseTest, AtPeaceOnAnotherFacetTheHuedSetIsShown) {
    std::vector<uint8_t> hues = mkinstall::MakeHuesFile();
    HueManager::LoadFromBytes(hues.data(), hues.size());
    World().war = false;
    World().facet = 1;
    MouseManager::SetCursor(19);
    MoveTo(10, 10);
    EXPECT_EQ(MouseManager::GetCurrentCursorKind(), 42);
    const uintptr_t normal = MouseManager::CursorHandleForPicture(24694 - 24659);
    ASSERT_NE(platform::headless::CurrentCursor(), 0u);
    EXPECT_NE(platform::headless::CurrentCursor(), normal);
    const auto* hued = platform::headless::FindCursor(platform::headless::CurrentCursor());
    const auto* plain = platform::headless::FindCursor(normal);
    ASSERT_TRUE(hued && plain);
    const uint16_t* hue51 = HueManager::ResolveHueColours(50);
    for (size_t i = 0; i < plain->pixels.size(); ++i) {
        const uint16_t p = plain->pixels[i];
        EXPECT_EQ(hued->pixels[i], p == 0 ? 0 : hue51[std::max((p >> 10) & 31, 1)]) << i;
    }
    World().facet = 0; // back to the normal set
    MoveTo(11, 10);
    EXPECT_EQ(platform::headless::CurrentCursor(), normal);
}

TEST_F(MouseTest, TheTintColoursOnlyTheWarModeCursors) {
    MouseManager::ResetForTests();
    MouseManager::SetCursorTint(0x7C00); // red
    MouseManager::startup();
    MouseManager::LoadCursors();
    auto check = [](int art, bool tinted) {
        const auto* c = platform::headless::FindCursor(MouseManager::CursorHandleForPicture(art - 24659));
        ASSERT_NE(c, nullptr);
        int hx = 0, hy = 0;
        mkinstall::Picture p = mkinstall::SampleCursor(art, &hx, &hy);
        for (int y = 1; y < p.height; ++y)
            for (int x = 1; x < p.width - 1; ++x) {
                const uint16_t px = p.pixels[static_cast<size_t>(y) * p.width + x];
                const uint16_t expected =
                    !tinted || px == 0 ? px : static_cast<uint16_t>(((px >> 10) & 31) * 31 / 32 << 10);
                EXPECT_EQ(c->pixels[static_cast<size_t>(y) * p.width + x], expected) << art;
            }
    };
    check(24659, true);  // a war-mode direction cursor
    check(24681, true);  // the last of the first 23 pictures
    check(24682, false); // a peace cursor
}

TEST_F(MouseTest, WithoutColourCursorsThePictureIsDrawnIntoTheBackBufferAndTakenOutAgain) {
    MouseManager::ResetForTests();
    platform::headless::RefuseColorCursors(true);
    MouseManager::startup();
    MouseManager::LoadCursors();
    MouseManager::SetSoftwareCursor(true);
    EXPECT_FALSE(MouseManager::UsesColorCursors());
    std::vector<uint16_t> before(BackBuffer::Pixels(), BackBuffer::Pixels() + BackBuffer::PixelCount());
    MouseManager::SetCursor(19);
    platform::headless::SetCursorPosition(400, 300);
    MouseManager::RefreshCursorPos();
    int hx = 0, hy = 0;
    mkinstall::Picture p = mkinstall::SampleCursor(24671, &hx, &hy);
    int changed = 0;
    for (int y = 1; y < p.height; ++y)
        for (int x = 1; x < p.width - 1; ++x)
            if (uint16_t px = p.pixels[static_cast<size_t>(y) * p.width + x]) {
                EXPECT_EQ(Screen(400 - hx + x, 300 - hy + y), px);
                ++changed;
            }
    EXPECT_GT(changed, 0);
    MouseManager::RestoreUnderCursor();
    EXPECT_TRUE(std::equal(before.begin(), before.end(), BackBuffer::Pixels()));
}

TEST_F(MouseTest, APlainWindowLetsGoOfTheCaptureAtTheRelease) {
    auto* plain = new TestGump(0, 0, 100, 100, 1);
    auto* other = new TestGump(200, 0, 100, 100, 1);
    MouseManager::OnLButtonDown(10, 10);
    EXPECT_EQ(MouseManager::GetCapture(), plain);
    MouseManager::OnLButtonUp(12, 11);
    EXPECT_EQ(MouseManager::GetCapture(), nullptr);
    MouseManager::OnLButtonDown(210, 10);
    EXPECT_EQ(other->events, (std::vector<std::string>{"down 10,10"}));
    EXPECT_EQ(plain->events, (std::vector<std::string>{"down 10,10", "up 12,11"}));
}

TEST_F(MouseTest, TheCaptureTicksOnceAlsoWhenItIsUnderTheMouse) {
    auto* held = new TestGump(0, 0, 100, 100, 1);
    auto* beside = new TestGump(200, 0, 100, 100, 1);
    MouseManager::SetCapture(held);
    MoveTo(10, 10);
    EXPECT_EQ(held->ticks, 1);
    MoveTo(210, 10); // both tick: one under the mouse, one holding the capture
    EXPECT_EQ(held->ticks, 2);
    EXPECT_EQ(beside->ticks, 1);
    EXPECT_EQ(held->events.back(), "capture 210,10");
}

TEST_F(MouseTest, HandlersMayCloseTheirOwnGumpTheCaptureAndTheFocus) {
    auto* window = new TestGump(0, 0, 100, 100, 1);
    window->closeOnRightRelease = true;
    GumpRef<TestGump> ref(window);
    CGumpManager::SetFocus(window);
    MouseManager::OnRButtonDown(10, 10);
    MouseManager::OnRButtonUp(10, 10);
    EXPECT_FALSE(ref);
    EXPECT_EQ(MouseManager::GetCapture(), nullptr);
    EXPECT_EQ(CGumpManager::GetFocus(), nullptr);
    EXPECT_EQ(CGumpManager::TopLevel().first, nullptr); // freed at the end of the dispatch

    // A press that closes the window's parent and itself; the release finds nothing.
    auto* parent = new TestGump(0, 0, 100, 100, 1);
    auto* button = new TestGump(10, 10, 20, 20, 2, parent);
    button->onLeftDown = [parent](TestGump*) { parent->Close(); };
    MouseManager::OnLButtonDown(15, 15);
    EXPECT_EQ(MouseManager::GetCapture(), nullptr);
    MouseManager::OnLButtonUp(15, 15);
    MoveTo(15, 15);
    EXPECT_EQ(CGumpManager::TopLevel().first, nullptr);
}

TEST_F(MouseTest, AModalBoxSwallowsClicksElsewhere) {
    auto* window = new TestGump(0, 0, 100, 100, 1);
    auto* box = new TestGump(300, 300, 100, 50, 2);
    CGumpManager::SetModal(box);
    MouseManager::OnLButtonDown(10, 10);
    MouseManager::OnLButtonUp(10, 10);
    MouseManager::OnRButtonDown(10, 10);
    MouseManager::OnRButtonUp(10, 10);
    EXPECT_TRUE(window->events.empty());
    MouseManager::OnLButtonDown(310, 310);
    EXPECT_EQ(box->events, (std::vector<std::string>{"down 10,10"}));
}

TEST_F(MouseTest, TheHelpWindowClosesOnARightReleaseInsideItButNotOnAPress) {
    auto* help = new TestGump(100, 100, 50, 50, 1);
    CGumpManager::SetHelpText(help);
    PopupHelpSticky = true;
    MouseManager::OnRButtonDown(120, 120);
    EXPECT_EQ(CGumpManager::GetHelpText(), help);
    MouseManager::OnRButtonUp(120, 120);
    EXPECT_EQ(CGumpManager::GetHelpText(), nullptr);
}

TEST_F(MouseTest, HoverHelpAsksOnceAfterTheMouseRestsOnAnObject) {
    World().objectUnderMouse = 0x40000010;
    MoveTo(100, 100); // state 0 -> 1
    Advance(600);
    MoveTo(101, 100); // a move restarts the delay
    Advance(999);
    MoveTo(101, 100);
    EXPECT_TRUE(World().helpRequests.empty());
    Advance(1);
    MoveTo(101, 100); // rested 1000 ms: state 2
    MoveTo(101, 100); // the request
    EXPECT_EQ(World().helpRequests, (std::vector<uint32_t>{0x40000010}));
    Advance(2000);
    for (int i = 0; i < 5; ++i) {
        MoveTo(101, 100);
        Advance(1000);
    }
    EXPECT_EQ(World().helpRequests.size(), 1u); // not twice for the same object

    // Another object under a roaming mouse waits for its own rest.
    World().objectUnderMouse = 0x40000020;
    MoveTo(150, 100);
    MoveTo(151, 100);
    EXPECT_EQ(World().helpRequests.size(), 1u);
    Advance(1000);
    MoveTo(151, 100);
    MoveTo(151, 100);
    EXPECT_EQ(World().helpRequests.back(), 0x40000020u);
}

TEST_F(MouseTest, HoverHelpStartsOverWhenAnotherObjectComesUnderTheMouse) {
    World().objectUnderMouse = 0x40000010;
    MoveTo(100, 100);
    Advance(900);
    World().objectUnderMouse = 0x40000011;
    MoveTo(100, 100); // another object at the same point: back to state 0
    EXPECT_EQ(MouseManager::GetHelpHoverState(), 0);
    Advance(200);
    MoveTo(100, 100);
    MoveTo(100, 100);
    EXPECT_TRUE(World().helpRequests.empty());
}
