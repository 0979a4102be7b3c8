// Pictures and message boxes: the dumb gump is never hit, the sign's text area, the waiting box's
// size, place, clicks, dragging, Enter and focus hand-back, the modal message, the yes/no box's
// modality and callbacks, and golden pictures of each.
#include "gumps/MessageGumps.h"
#include "app/AppServices.h"
#include "gumps/ControlFixture.h"
#include "net/NetServices.h"
#include "render/GraphicManager.h"

#include <gtest/gtest.h>

#include <functional>

using namespace gumptest;

namespace {

class MessageTest : public ControlTest {
  protected:
    // An input control that holds the focus.
    TestGump* FocusedInput() {
        auto* input = new TestGump(20, 20, 100, 20, 0x7C00);
        input->SetKindForTest(GumpKind::InputControl, GumpTrait::kBase | GumpTrait::InputControlLike);
        CGumpManager::SetFocus(input);
        return input;
    }
};

// The text must be drawn somewhere inside the box's text area.
bool HasTextPixels(const PixelBlock& face, const PixelBlock& background, const Rect& area) {
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            if (face.At(x, y) != background.At(x, y)) return true;
    return false;
}

} // namespace

TEST_F(MessageTest, ADumbGumpIsNeverTheTargetOfAClick) {
    TestGump* below = new TestGump(10, 10, 100, 100, 0x03E0);
    std::vector<uint16_t> pixels(50 * 50, 0x7C00);
    auto* picture = new CDumbGump(20, 20, nullptr, 50, 50, 0, pixels.data(), -1);
    picture->Attach(nullptr);
    EXPECT_EQ(CGumpManager::GetGumpAt(30, 30, nullptr, true), below);
    Click(30, 30);
    EXPECT_EQ(below->events.front(), "down 20,20");
    EXPECT_FALSE(picture->IsDisposable());
}

TEST_F(MessageTest, ASignDrawsItsTextInTheArtsAreaAndARightClickClosesIt) {
    CSignGump table(0, 0, mkinstall::kControlSignArt, 0, "Table", 0);
    CSignGump plain(0, 0, 4, 0, "Default", 0);
    EXPECT_TRUE(table.IsSignGump());
    EXPECT_TRUE(table.IsDisposable());
    EXPECT_EQ(table.width, 300);
    const PixelBlock& t = *table.Frame(0);
    // Nothing above or left of the area at (30, 30); something inside it.
    bool inside = false, outside = false;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 100; ++x) {
            const bool changed =
                t.At(x, y) != mkinstall::SampleControlArt(mkinstall::kControlSignArt).pixels[y * 300 + x];
            (x >= 30 && y >= 30 ? inside : outside) |= changed;
        }
    EXPECT_TRUE(inside);
    EXPECT_FALSE(outside);

    auto* sign = new CSignGump(100, 100, 4, 0, "Bye", 0);
    sign->Attach(nullptr);
    GumpRef<CGump> ref(sign);
    MoveTo(150, 150);
    MouseManager::OnRButtonDown(150, 150);
    MouseManager::OnRButtonUp(150, 150);
    EXPECT_FALSE(ref);
}

TEST_F(MessageTest, WaitingBoxesTakeTheirSizeFromTheFrameArtAndCentre) {
    // Before the game display: around (320, 240).
    World().inGame = false;
    CWaitingGump small(5, 5, "Hello", nullptr, false, false, 0);
    EXPECT_EQ(small.width, 2 * 44 + 115);
    EXPECT_EQ(small.height, 2 * 44 + 33);
    EXPECT_EQ(small.x, 320 - small.width / 2);
    EXPECT_EQ(small.y, 240 - small.height / 2);
    EXPECT_TRUE(small.IsGameAreaRelative());
    EXPECT_FALSE(small.IsDisposable());
    // After it, on an 800 x 600 screen: centred in game-area coordinates.
    World().inGame = true;
    GraphicManager::SetScreenSize(800, 600);
    CGumpManager::SetGameAreaOffset(0, 0);
    CWaitingGump large(5, 5, "Hello", nullptr, false, true, 0);
    EXPECT_EQ(large.width, 2 * 44 + 268);
    EXPECT_EQ(large.height, 2 * 44 + 124);
    EXPECT_EQ(large.x, 400 - large.width / 2);
    EXPECT_EQ(large.y, 300 - large.height / 2);
    // The OK button sits centred near the bottom.
    ASSERT_NE(large.Button(), nullptr);
    EXPECT_EQ(large.Button()->x, (large.width - 40) / 2);
    EXPECT_EQ(large.Button()->y, large.height - 40);
    EXPECT_EQ(large.Button()->gumpArt, 1153);
    EXPECT_EQ(large.Button()->hoverArt, 1154);
}

TEST_F(MessageTest, TextsAreCutToTheBuffer) {
    const std::string longText(700, 'a');
    CWaitingGump narrow(0, 0, longText.c_str(), nullptr, false, false, 0);
    EXPECT_EQ(narrow.Text().size(), 511u);
    std::u16string wide(300, u'b');
    wide[254] = 0xD83D; // a pair cut in half at the end
    CWaitingGump w(0, 0, wide.c_str(), nullptr, false, false, 0);
    EXPECT_EQ(w.WideText().size(), 254u);
    EXPECT_TRUE(w.unicode);
}

TEST_F(MessageTest, ALargeBoxTakesEveryClickAndStaysWhileASmallOneDrags) {
    TestGump* behind = new TestGump(0, 0, 800, 600, 0x0010);
    auto* large = new CWaitingGump(0, 0, "Large", nullptr, false, true, 0);
    large->Attach(nullptr);
    EXPECT_EQ(CGumpManager::GetGumpAt(2, 2, nullptr, true), large);
    const int x0 = large->x, y0 = large->y;
    MoveTo(large->x + 10, large->y + 10);
    MouseManager::OnLButtonDown(large->x + 10, large->y + 10);
    MoveTo(x0 + 80, y0 + 60);
    MouseManager::OnLButtonUp(x0 + 80, y0 + 60);
    EXPECT_EQ(large->x, x0);
    EXPECT_EQ(large->y, y0);
    EXPECT_TRUE(behind->events.empty());
    large->Close();
    CGumpManager::FreeClosedGumps();

    auto* small = new CWaitingGump(0, 0, "Small", nullptr, false, false, 0);
    small->Attach(nullptr);
    const int sx = small->x, sy = small->y;
    MoveTo(sx + 10, sy + 10);
    MouseManager::OnLButtonDown(sx + 10, sy + 10);
    MoveTo(sx + 40, sy + 30);
    MouseManager::OnLButtonUp(sx + 40, sy + 30);
    EXPECT_EQ(small->x, sx + 30);
    EXPECT_EQ(small->y, sy + 20);
}

TEST_F(MessageTest, EnterActsAsTheButtonAndTheFocusGoesBackToTheInputThatHadIt) {
    TestGump* input = FocusedInput();
    CGump* box = CGumpManager::ShowModalMessage("Connection lost");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(CGumpManager::GetModal(), box);
    EXPECT_EQ(CGumpManager::GetFocus(), box);
    EXPECT_EQ(CGumpManager::TopLevel().first, box);
    GumpRef<CGump> ref(box);
    GumpHandleKey(CGumpManager::GetFocus(), 13);
    EXPECT_FALSE(ref);
    EXPECT_EQ(CGumpManager::GetModal(), nullptr);
    EXPECT_EQ(CGumpManager::GetFocus(), input);

    // The same through its OK button, with the mouse.
    auto* waiting = static_cast<CWaitingGump*>(CGumpManager::ShowModalMessage(u"Again", nullptr, 0, 0));
    CButtonGump* ok = waiting->Button();
    int bx = 5, by = 5;
    CGump::GumpToScreenCoords(ok, &bx, &by);
    Click(bx, by);
    EXPECT_EQ(CGumpManager::GetModal(), nullptr);
    EXPECT_EQ(CGumpManager::GetFocus(), input);
}

TEST_F(MessageTest, TheFocusReturnsOnlyToALiveGumpAndAValueLogsOut) {
    TestGump* input = FocusedInput();
    CGump* box = CGumpManager::ShowModalMessage("Bye", nullptr, 1, 1);
    input->Close();
    CGumpManager::FreeClosedGumps();
    int logOuts = 0;
    GumpSlotTable().logOut = [&] {
        ++logOuts;
        CGumpManager::CloseAllGumps();
    };
    GumpHandleKey(box, 13);
    EXPECT_EQ(logOuts, 1);
    EXPECT_EQ(CGumpManager::GetFocus(), nullptr);
    EXPECT_EQ(CGumpManager::TopLevel().first, nullptr);
}

TEST_F(MessageTest, TheBusyBoxRaisesTheBusyCountWhileItIsOpen) {
    auto* busy = new CWaitingGump(0, 0, "Please wait", nullptr, true, true, 0);
    busy->Attach(nullptr);
    EXPECT_TRUE(busy->busy);
    EXPECT_EQ(MouseManager::GetBusyCount(), 1);
    EXPECT_EQ(busy->Button()->gumpArt, 1150);
    busy->Close();
    CGumpManager::FreeClosedGumps();
    EXPECT_EQ(MouseManager::GetBusyCount(), 0);
}

TEST_F(MessageTest, WaitingBoxesMatchTheGoldenPicture) {
    World().inGame = false;
    Sheet sheet(2 * 360 + 12, 2 * 216 + 140);
    auto put = [&](CWaitingGump& box, int x, int y) {
        box.x = x;
        box.y = y;
        sheet.Draw(box);
    };
    CWaitingGump small8(0, 0, "A short note.", nullptr, false, false, 0);
    CWaitingGump small16(0, 0, u"Wide note", nullptr, false, false, 0);
    CWaitingGump large8(0, 0, "The client could not attach to the game server. Please try again.", nullptr,
                        false, true, 0);
    CWaitingGump large16(0, 0, u"A wide text that is long enough to need a second line here", nullptr, false,
                         true, 0);
    CWaitingGump busy(0, 0, "Please wait", nullptr, true, true, 0);
    const Rect smallArea{44, 44, 159, 77};
    EXPECT_TRUE(HasTextPixels(*small8.Frame(0), *small8.Frame(1), smallArea));
    EXPECT_TRUE(HasTextPixels(*small16.Frame(0), *small16.Frame(1), smallArea));
    put(small8, 4, 4);
    put(small16, 220, 4);
    put(large8, 4, 132);
    put(large16, 366, 132);
    put(busy, 4, 350);
    sheet.ExpectGolden("waiting.ppm");
}

TEST_F(MessageTest, AYesNoBoxIsModalAndItsCallbacksGetTheBox) {
    TestGump* behind = new TestGump(0, 0, 800, 600, 0x0010);
    std::vector<std::string> calls;
    TestGump* asker = new TestGump(0, 0, 10, 10, 0x0010);
    for (TestGump* g : {behind, asker})
        g->SetTrait(GumpTrait::Disposable, false); // kept by the close below
    auto* box = new CYesNoGump(
        "Delete it?",
        [&](CGump* g) {
            calls.push_back("right");
            g->Close();
        },
        [&](CGump* g) {
            calls.push_back("left");
            EXPECT_EQ(static_cast<CYesNoGump*>(g)->Owner(), asker);
        },
        asker);
    GumpRef<CGump> ref(box);
    EXPECT_EQ(CGumpManager::GetModal(), box);
    EXPECT_FALSE(box->IsDisposable());
    EXPECT_EQ(box->x, GraphicManager::GetScreenWidth() / 2 - 90);
    // A click behind it does nothing; keys leave it open; a right click does not close it.
    Click(5, 5);
    EXPECT_TRUE(asker->events.empty());
    EXPECT_TRUE(behind->events.empty());
    GumpHandleKey(box, 13);
    GumpHandleKey(box, 27);
    box->HandleEnterKey();
    box->HandleEscapeKey();
    MoveTo(box->x + 5, box->y + 5);
    MouseManager::OnRButtonDown(box->x + 5, box->y + 5);
    MouseManager::OnRButtonUp(box->x + 5, box->y + 5);
    CGumpManager::CloseDisposableGumps();
    ASSERT_TRUE(ref);
    // Drag it by its background; the buttons still fire.
    const int x0 = box->x, y0 = box->y;
    MoveTo(x0 + 10, y0 + 10);
    MouseManager::OnLButtonDown(x0 + 10, y0 + 10);
    MoveTo(x0 + 30, y0 + 25);
    MouseManager::OnLButtonUp(x0 + 30, y0 + 25);
    EXPECT_EQ(box->x, x0 + 20);
    EXPECT_EQ(box->y, y0 + 15);
    Click(box->x + 37 + 5, box->y + 75 + 5);
    // The right button's callback closes the box from inside its own dispatch.
    Click(box->x + 100 + 5, box->y + 75 + 5);
    const std::vector<std::string> expected{"left", "right"};
    EXPECT_EQ(calls, expected);
    EXPECT_FALSE(ref);
    EXPECT_EQ(CGumpManager::GetModal(), nullptr);
    Click(5, 5);
    EXPECT_FALSE(asker->events.empty());
}

TEST_F(MessageTest, PicturesMatchTheGoldenPicture) {
    // A translucent dumb gump over a red square, a sign with text in its table area, a sign in
    // the default area, a yes/no box with a long text wrapped and cut at y = 63.
    Sheet sheet(720, 330);
    std::vector<uint16_t> square(40 * 40, 0x7C00), pixels(60 * 30, 0x03FF);
    CDumbGump red(4, 4, nullptr, 40, 40, 0, square.data(), -1);
    CDumbGump glass(20, 20, nullptr, 60, 30, 0, pixels.data(), -1);
    glass.translucent = true;
    sheet.Draw(red);
    sheet.Draw(glass);
    CSignGump table(90, 4, mkinstall::kControlSignArt, 0,
                    "A sign with a text long enough to wrap in its area.", 0);
    sheet.Draw(table);
    CSignGump plain(400, 4, 4, 0, "Default area text.", 0);
    sheet.Draw(plain);
    CYesNoGump question(
        "This is a long question that goes on and on over many lines, more than fit in the box.", nullptr,
        nullptr, nullptr);
    question.x = 4;
    question.y = 214;
    // The text wraps into several lines and nothing of it reaches y = 63.
    const mkinstall::Picture background = mkinstall::SampleControlArt(CYesNoGump::kBackgroundArt);
    int linesTouched = 0;
    bool below = false;
    for (int y = 0; y < background.height; ++y) {
        bool changed = false;
        for (int x = 0; x < background.width; ++x)
            changed |= question.Frame(0)->At(x, y) !=
                       background.pixels[static_cast<size_t>(y) * background.width + x];
        if (y >= 63) below |= changed;
        linesTouched += changed;
    }
    EXPECT_GT(linesTouched, 20);
    EXPECT_FALSE(below);
    sheet.Draw(question);
    sheet.ExpectGolden("pictures.ppm");
}

TEST_F(MessageTest, TheClientsModalMessagesOpenTheRealBox) {
    ResetNetServices();
    ResetAppServices();
    struct Case {
        std::function<void()> show;
        const char* text;
        int value;
    } cases[] = {
        {[] { GetNetServices().showConnectionLost(); }, "Connection lost", 1},
        {[] { GetNetServices().showModalMessage(MessageOwner::MainMenu, "Incorrect password.", 1, 0); },
         "Incorrect password.", 0},
        {[] { Services().showModalMessage("Web browser not found!"); }, "Web browser not found!", 0},
    };
    for (const Case& c : cases) {
        c.show();
        auto* box = gump_cast<CWaitingGump>(CGumpManager::GetModal());
        ASSERT_NE(box, nullptr) << c.text;
        EXPECT_EQ(box->Text(), c.text);
        EXPECT_EQ(box->value, c.value);
        EXPECT_TRUE(box->large);
        EXPECT_EQ(CGumpManager::TopLevel().first, box);
        box->Close();
        CGumpManager::FreeClosedGumps();
    }
    ResetNetServices();
    ResetAppServices();
}
