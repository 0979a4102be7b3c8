// Input as the user makes it: pushed into the headless platform, taken by one pass of the main loop,
// and delivered through the window procedure and the mouse manager to the right gump.
#include "app/AppServices.h"
#include "app/FrameStep.h"
#include "app/MainWindow.h"
#include "app/WinMain.h"
#include "gumps/GumpFixture.h"
#include "gumps/InputControls.h"
#include "mkinstall/CursorArt.h"
#include "mkinstall/TextFiles.h"
#include "render/FrameServices.h"
#include "render/HueManager.h"
#include "text/FontManager.h"
#include "text/UnicodeFont.h"

#include <gtest/gtest.h>

using namespace gumptest;
namespace headless = platform::headless;

namespace {

class InputEndToEnd : public GumpTest {
  protected:
    void SetUp() override {
        GumpTest::SetUp();
        MouseThread = false;
        ResetFrameStep();
        ResetWinMainForTests();
        ResetMainWindowForTests();
        ResetAppServices();
        FrameServices services;
        services.hasGameConnection = [] { return true; };
        SetFrameServices(services);
        ASSERT_TRUE(CreateMainWindow(false));
        MouseManager::startup();
        MouseManager::LoadCursors();
    }
    void TearDown() override {
        ResetFrameStep();
        ResetWinMainForTests();
        ResetMainWindowForTests();
        ResetAppServices();
        SetFrameServices(FrameServices{});
        GumpTest::TearDown();
    }
    // Everything queued, then one frame step.
    static void Pass() {
        Advance(100);
        ASSERT_TRUE(RunMainLoopPass(false));
    }
    static int PresentedAt(int x, int y) {
        const headless::Frame& f = headless::LastFrame();
        return f.pixels[static_cast<size_t>(y) * f.width + x];
    }
};

} // namespace

TEST_F(InputEndToEnd, PressDragReleaseAndKeysReachTheRightGump) {
    auto* back = new TestGump(50, 50, 200, 150, 0x001F);
    auto* window = new TestGump(100, 100, 200, 150, 0x7C00);
    window->drag = true;
    window->onLeftDown = [](TestGump* self) { DialogBeginDrag(self, self->dragState, 10, 10); };

    headless::PushMouse(platform::WM_LBUTTONDOWN, 110, 110, 1);
    Pass(); // the press, then the frame step's capture move at the same point
    EXPECT_EQ(window->events, (std::vector<std::string>{"down 10,10", "capture 10,10"}));
    EXPECT_EQ(MouseManager::GetCapture(), window);

    headless::PushMouse(platform::WM_MOUSEMOVE, 150, 130, 1);
    Pass();
    EXPECT_EQ(window->x, 140);
    EXPECT_EQ(window->y, 120);
    EXPECT_EQ(window->dragState.dirty, (Rect{100, 100, 340, 270}));
    EXPECT_EQ(PresentedAt(335, 265), 0x7C00); // drawn at its new place in the same pass

    window->onLeftDown = nullptr;
    headless::PushMouse(platform::WM_LBUTTONUP, 150, 130);
    Pass();
    EXPECT_EQ(window->events.back(), "up 10,10");
    EXPECT_EQ(MouseManager::GetCapture(), nullptr);

    CGumpManager::SetFocus(back);
    headless::PushChar(u'h');
    headless::PushChar(u'i');
    headless::PushChar(27);
    Pass();
    EXPECT_EQ(back->keys, (std::vector<int>{'h', 'i', 27}));
    EXPECT_TRUE(window->keys.empty());
}

TEST_F(InputEndToEnd, AModalBoxSwallowsOtherClicksAndARightClickClosesAWindow) {
    auto* window = new TestGump(0, 0, 200, 150, 0x7C00);
    auto* box = new TestGump(300, 200, 100, 50, 0x03E0);
    box->closeOnRightRelease = true;
    CGumpManager::SetModal(box);
    headless::PushMouse(platform::WM_LBUTTONDOWN, 10, 10, 1);
    headless::PushMouse(platform::WM_LBUTTONUP, 10, 10);
    Pass();
    EXPECT_TRUE(window->events.empty());

    GumpRef<TestGump> ref(box);
    headless::PushMouse(platform::WM_RBUTTONDOWN, 310, 210, 2);
    headless::PushMouse(platform::WM_RBUTTONUP, 310, 210);
    Pass();
    EXPECT_FALSE(ref);
    EXPECT_EQ(CGumpManager::GetModal(), nullptr);
    headless::PushMouse(platform::WM_LBUTTONDOWN, 10, 10, 1);
    Pass();
    EXPECT_EQ(window->events.front(), "down 10,10");
}

TEST_F(InputEndToEnd, TheShownCursorIsADirectionOverTheGameAreaAndThePointerOverAWindow) {
    World().war = true;
    new TestGump(500, 20, 100, 100, 0x7C00);
    headless::PushMouse(platform::WM_MOUSEMOVE, 420, 240);
    Pass();
    EXPECT_EQ(MouseManager::GetCurrentCursorKind(), 10);
    EXPECT_EQ(headless::CurrentCursor(), MouseManager::CursorHandleForPicture(2)); // art 24661
    headless::PushMouse(platform::WM_MOUSEMOVE, 550, 50);
    Pass(); // the window asks for the normal pointer, shown in the same step
    EXPECT_EQ(MouseManager::GetCurrentCursorKind(), 17);
    EXPECT_EQ(headless::CurrentCursor(), MouseManager::CursorHandleForPicture(24668 - 24659));
    EXPECT_TRUE(platform::IsSystemCursorShown());
}

namespace {

// Two UTF-16 fields; Tab moves the focus from the first to the second.
class TwoFieldWindow : public TestGump {
  public:
    TwoFieldWindow() : TestGump(100, 100, 300, 120, 0x0421) {
        for (int i = 0; i < 2; ++i) {
            fields[i] = new CUnicodeInputControlGump(10, 10 + 40 * i, this, 200, 24, FieldMode::Text, 40, 1,
                                                     902, true, false, false);
            fields[i]->Attach(this);
        }
    }
    void HandleTabKey() override {
        events.push_back("tab");
        CGumpManager::KillFocus();
        CGumpManager::SetFocus(fields[1]);
    }
    void HandleEnterKey() override { events.push_back("enter"); }
    CUnicodeInputControlGump* fields[2] = {};
};

} // namespace

TEST_F(InputEndToEnd, ClickAFieldTypeUtf16TabToTheNextAndEnterReachesTheWindow) {
    const std::vector<uint8_t> fonts = mkinstall::MakeFontsFile();
    FontManager::LoadFontsFromBytes(fonts.data(), fonts.size());
    for (int font = 0; font < 3; ++font)
        UnicodeUseFontBytes(font, mkinstall::MakeUnicodeFontFile(font));
    auto* window = new TwoFieldWindow;
    headless::PushMouse(platform::WM_LBUTTONDOWN, 120, 120, 1);
    headless::PushMouse(platform::WM_LBUTTONUP, 120, 120);
    Pass();
    EXPECT_EQ(CGumpManager::GetFocus(), window->fields[0]);
    for (char16_t unit : std::u16string(u"h\u00e9!"))
        headless::PushChar(unit);
    headless::PushChar(9);
    headless::PushChar(u'x');
    headless::PushChar(13);
    Pass();
    EXPECT_EQ(std::u16string(window->fields[0]->Text()), u"h\u00e9!");
    EXPECT_EQ(std::u16string(window->fields[1]->Text()), u"x");
    EXPECT_EQ(window->events, (std::vector<std::string>{"tab", "enter"}));
    ResetUnicodeFontsForTests();
    FontManager::ResetForTests();
}
