#include "AppFixture.h"

#include "app/PlayerActions.h"
#include "gumps/MouseManager.h"
#include "world/PlayerWalk.h"

#include <chrono>
#include <gtest/gtest.h>
#include <string>
#include <utility>

namespace {

using platform::headless::PushInput;
using platform::headless::PushKey;

CGump* const kFocus = reinterpret_cast<CGump*>(0x1000);
CGump* const kOptions = reinterpret_cast<CGump*>(0x2000);

class MainWindowTest : public qvtest::AppTest {
  protected:
    void SetUp() override {
        AppTest::SetUp();
        AppServices& s = Services();
        s.inWorld = [this] { return inWorld; };
        s.focusGump = [this] { return focus; };
        s.targeting = [this] { return targeting; };
        s.warRequested = [this] { return warRequested; };
        s.inWarMode = [] { return false; };
        s.requestWarMode = [this](int mode) {
            calls.push_back("war(" + std::to_string(mode) + ")");
            if (mode == 1) warRequested = true;
            if (mode == 0) warRequested = false;
        };
        s.gumpHandleKey = [this](CGump* g, int code) {
            calls.push_back((g == focus ? "gump(" : "other gump(") + std::to_string(code) + ")");
            return 1;
        };
        s.gumpIsOptionsKeyField = [this](CGump*, CGump** options) {
            *options = kOptions;
            return optionsKeyField;
        };
        s.gumpHandleChildChange = [this](CGump* parent, CGump* child) {
            calls.push_back(parent == kOptions && child == focus ? "options changed" : "wrong change");
        };
        s.gumpIsSingleLineInput = [this](CGump*) { return singleLine; };
        s.findMacroKeyBinding = [this](int key, bool control, bool alt, bool shift) {
            return key == macroKey && control == macroControl && alt == macroAlt && !shift ? 4 : -1;
        };
        s.startMacro = [this](int macro) { calls.push_back("macro(" + std::to_string(macro) + ")"); };
        s.showContextHelp = Record("help");
        s.inputOnChar = [this](int key, intptr_t) {
            calls.push_back("input char(" + std::to_string(key) + ")");
            return inputTakes ? 1 : 0;
        };
        s.inputOnKey = [this](int code) { calls.push_back("input(" + std::to_string(code) + ")"); };
        s.inputHasPendingPrompt = [this] { return prompt; };
        s.inputSendPromptReply = [this](int kind, const char* text) {
            calls.push_back("prompt(" + std::to_string(kind) + ",'" + text + "')");
        };
        s.sendTargetCancel = Record("target cancel");
        s.walkByKey = [this](int direction, intptr_t) {
            calls.push_back("walk(" + std::to_string(direction) + ")");
        };
        s.onLButtonUp = [this](int x, int y) {
            calls.push_back("lbutton up(" + std::to_string(x) + "," + std::to_string(y) + ")");
        };
        s.createFullScreenSurfaces = Record("full screen surfaces");
        s.releaseFullScreenSurfaces = Record("release surfaces");
        s.openGump = [this](int kind) { calls.push_back("open(" + std::to_string(kind) + ")"); };
        s.sendTextCommand = [this](int type, const char* text) {
            calls.push_back("text command(" + std::to_string(type) + ",'" + text + "')");
        };
        s.requestHelp = Record("help request");
        s.musicEnabled = [this] { return music; };
        s.enableMusic = [this](bool on) { calls.push_back(on ? "music on" : "music off"); };
        ASSERT_TRUE(CreateMainWindow(false));
    }
    void Pump() {
        while (RunMainLoopPass(false) && platform::WaitMessage(0)) {
        }
    }
    void Key(int vk, bool down = true, bool repeat = false) { PushKey(vk, down, repeat); }

    bool inWorld = false, targeting = false, warRequested = false, optionsKeyField = false;
    bool singleLine = false, inputTakes = false, prompt = false, music = false;
    CGump* focus = nullptr;
    int macroKey = 0;
    bool macroControl = false, macroAlt = false;
};

TEST_F(MainWindowTest, SizeAndTitleFollowTheDesktopAndTheAccount) {
    int w = 0, h = 0;
    platform::GetClientSize(w, h);
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 480);
    EXPECT_EQ(platform::GetWindowTitle(), "Varnis Online");
    platform::DestroyMainWindow();

    platform::headless::SetDesktop(800, 600, 32);
    AcctID = "acct";
    AcctLastName = "Smith";
    ASSERT_TRUE(CreateMainWindow(false));
    platform::GetClientSize(w, h);
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 480);
    platform::DestroyMainWindow();

    // A desktop below 640 x 480 gets a window that fits it, frames and caption included.
    platform::headless::SetDesktop(600, 400, 32);
    ASSERT_TRUE(CreateMainWindow(false));
    platform::GetClientSize(w, h);
    EXPECT_EQ(w, 600 - 2 * 4);
    EXPECT_EQ(h, 400 - 2 * 4 - 23);
    EXPECT_EQ(platform::GetWindowTitle(), "Varnis Online - acct Smith");
    SetMainWindowTitle("Britain");
    EXPECT_EQ(platform::GetWindowTitle(), "Varnis Online - Britain");
}

TEST_F(MainWindowTest, GameAreaFollowsTheClientSizeWhenResizingIsAllowed) {
    struct Case {
        bool allow;
        int width, height, areaW, areaH;
    } cases[] = {
        {true, 701, 500, 704, 500}, // rounded up to multiples of 4
        {true, 600, 400, 640, 480}, // never below the screen
        {false, 1000, 700, 640, 480},
    };
    for (const Case& c : cases) {
        AllowWindowResize = c.allow;
        SetGameAreaOffset(-5, 7);
        platform::SendMessage(platform::WM_SIZE, 0, platform::MakeLParam(c.width, c.height));
        EXPECT_EQ(GetGameAreaWidth(), c.areaW) << c.width;
        EXPECT_EQ(GetGameAreaHeight(), c.areaH) << c.width;
        int x = 0, y = 0;
        GetGameAreaOffset(&x, &y);
        EXPECT_EQ(x, 0);
        EXPECT_EQ(y, 0); // the back buffer is the screen's size: the area is pulled back inside it
    }
    // Without resizing the window is put back to the screen size.
    int w = 0, h = 0;
    platform::GetClientSize(w, h);
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 480);
}

TEST_F(MainWindowTest, ClientSizeStaysWithinScreenAndDesktop) {
    platform::headless::SetDesktop(1024, 768, 32); // the headless frame: 4 px sides, 23 px caption
    int w = 2000, h = 2000;
    ConstrainClientSize(&w, &h);
    EXPECT_EQ(w, 1016);
    EXPECT_EQ(h, 737);
    w = 100, h = 100;
    ConstrainClientSize(&w, &h);
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 480);
    AllowWindowResize = false;
    w = 900, h = 700;
    ConstrainClientSize(&w, &h);
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 480);
}

TEST_F(MainWindowTest, OptionsKeyFieldTakesTheKeyBeforeEverythingButTab) {
    focus = kFocus;
    optionsKeyField = true;
    macroKey = 'K';
    inWorld = true;
    HoldTabForCombat = false;
    Key(platform::VK_TAB);
    Key('K');
    Pump();
    EXPECT_EQ(calls, (std::vector<std::string>{"war(-1)", "options changed", "options changed"}));
    int code = 0;
    intptr_t data = 0;
    GetOptionsKey(&code, &data);
    EXPECT_EQ(code, 'K');
}

TEST_F(MainWindowTest, KeyDownGoesToMacroThenHelpThenFocusOrEntryLine) {
    struct Case {
        int key;
        bool focused, inputTakes;
        std::vector<std::string> expected;
    } cases[] = {
        {'M', true, false, {"macro(4)"}}, // a macro binding wins over the focus gump
        {platform::VK_F1, false, false, {"help", "input char(112)"}},
        {platform::VK_F1, true, false, {"help"}},
        {platform::VK_PRIOR, true, false, {"gump(57377)"}}, // 0xE000 + 33
        {platform::VK_DOWN, true, false, {"gump(57384)"}},
        {platform::VK_INSERT, true, false, {"gump(57389)"}},
        {platform::VK_DELETE, true, false, {"gump(57390)"}},
        {'A', true, false, {}}, // characters come as WM_CHAR, not here
        {platform::VK_LEFT, false, true, {"input char(37)"}},
        {'A', false, false, {"input char(65)"}},
    };
    macroKey = 'M';
    for (const Case& c : cases) {
        calls.clear();
        focus = c.focused ? kFocus : nullptr;
        inputTakes = c.inputTakes;
        Key(c.key);
        Key(c.key, false);
        Pump();
        EXPECT_EQ(calls, c.expected) << "key " << c.key << (c.focused ? " with focus" : "");
    }
}

TEST_F(MainWindowTest, HelpKeyNeedsNoModifier) {
    Key(platform::VK_CONTROL);
    Key(platform::VK_F1);
    Pump();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "help"), 0);
}

TEST_F(MainWindowTest, AltMacroDropsOnlyItsCharacter) {
    macroKey = 'A';
    macroAlt = true;
    Key(platform::VK_MENU);
    Key('A');
    PushInput({platform::WM_SYSCHAR, 'a', 1, 0});
    platform::headless::PushMouse(platform::WM_LBUTTONUP, 10, 20);
    Pump();
    // The Alt key itself reaches the entry line first, as every key without a focus gump does.
    EXPECT_EQ(calls, (std::vector<std::string>{"input char(18)", "macro(4)", "lbutton up(10,20)"}));
    EXPECT_FALSE(platform::WaitMessage(0)); // the character went, nothing else stayed behind

    // A quit after the key is not swallowed either.
    calls.clear();
    Key('A', false);
    Key('A');
    platform::PostQuitMessage(0);
    EXPECT_FALSE(RunMainLoopPass(false));
    EXPECT_EQ(calls, (std::vector<std::string>{"macro(4)"}));
}

TEST_F(MainWindowTest, MacroWithoutAltKeepsTheFollowingCharacter) {
    macroKey = 'B';
    macroControl = true;
    Key(platform::VK_CONTROL);
    Key('B');
    platform::headless::PushChar(2);
    Pump();
    EXPECT_EQ(calls, (std::vector<std::string>{"input char(17)", "macro(4)", "input(2)"}));
}

TEST_F(MainWindowTest, HoldingTabAsksForWarOnceAndReleasingForPeace) {
    inWorld = true;
    Key(platform::VK_TAB);
    Key(platform::VK_TAB, true, true);
    Key(platform::VK_TAB, true, true);
    Key(platform::VK_TAB, false);
    Pump();
    EXPECT_EQ(calls, (std::vector<std::string>{"war(1)", "input char(9)", "input char(9)", "input char(9)",
                                               "war(0)"}));

    calls.clear();
    HoldTabForCombat = false; // Tab toggles, and its repeats do nothing
    Key(platform::VK_TAB);
    Key(platform::VK_TAB, true, true);
    Key(platform::VK_TAB, false);
    Pump();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "war(-1)"), 1);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "war(0)"), 0);

    calls.clear();
    inWorld = false;
    Key(platform::VK_TAB);
    Pump();
    EXPECT_EQ(calls, (std::vector<std::string>{"input char(9)"}));
}

TEST_F(MainWindowTest, HandleKeyRoutesEachCode) {
    struct Case {
        int code;
        bool focused, prompt, targeting;
        std::vector<std::string> expected;
    } cases[] = {
        {27, true, true, true, {"prompt(0,'')"}}, {27, true, false, true, {"target cancel"}},
        {27, true, false, false, {"gump(27)"}},   {27, false, false, false, {}},
        {9, true, false, false, {"gump(9)"}},     {9, false, false, false, {}},
        {-8, false, false, false, {"walk(3)"}},   {-7, false, false, false, {"walk(4)"}},
        {-6, false, false, false, {"walk(5)"}},   {-5, false, false, false, {"walk(2)"}},
        {-4, false, false, false, {"walk(6)"}},   {-3, true, false, false, {"walk(1)"}},
        {-2, false, false, false, {"walk(0)"}},   {-1, false, false, false, {"walk(7)"}},
        {'a', true, false, false, {"gump(97)"}},  {'a', false, true, true, {"input(97)"}},
        {13, false, false, false, {"input(13)"}},
    };
    for (const Case& c : cases) {
        calls.clear();
        focus = c.focused ? kFocus : nullptr;
        prompt = c.prompt;
        targeting = c.targeting;
        CApp::HandleKey(c.code);
        EXPECT_EQ(calls, c.expected) << "code " << c.code;
    }
}

TEST_F(MainWindowTest, AKeyWalkSeesControlAsTheLastKeyPressFoundIt) {
    CApp::BindPlayerActions();
    Services().walkByKey = [this](int, intptr_t) {
        calls.push_back(PlayerWalk::GetLinks().controlHeld() ? "run" : "walk");
    };
    Key(platform::VK_CONTROL);
    Key(platform::VK_UP);
    Pump();
    CApp::HandleKey(-6);
    // Released, but no key press has looked since: the sample stands.
    Key(platform::VK_CONTROL, false);
    Pump();
    CApp::HandleKey(-6);
    Key(platform::VK_UP);
    Pump();
    CApp::HandleKey(-6);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "run"), 2);
    EXPECT_EQ(calls.back(), "walk");
    PlayerWalk::ResetLinks();
}

TEST_F(MainWindowTest, PasteStopsAtTheLimitOfItsTarget) {
    struct Case {
        std::string text;
        bool focused, singleLine;
        size_t keys;
    } cases[] = {
        {std::string(300, 'x'), false, false, 240},
        {std::string(1200, 'x'), true, false, 1000},
        {std::string(100, 'x'), true, true, 80},
        {"abc\r\ndef", true, true, 3}, // a single-line control takes the first line
        {"abc\ndef", true, true, 3},
        {"ab\ncd", false, false, 6}, // line ends are typed as CR LF
        {"", false, false, 0},
    };
    for (const Case& c : cases) {
        calls.clear();
        focus = c.focused ? kFocus : nullptr;
        singleLine = c.singleLine;
        platform::headless::SetClipboardText(c.text);
        PasteClipboardText();
        EXPECT_EQ(calls.size(), c.keys) << c.text.size() << " characters";
    }
    focus = nullptr;
    calls.clear();
    platform::headless::SetClipboardText("ab\ncd");
    PasteClipboardText();
    EXPECT_EQ(calls, (std::vector<std::string>{"input(97)", "input(98)", "input(13)", "input(10)",
                                               "input(99)", "input(100)"}));
    calls.clear();
    platform::headless::SetClipboardText("\xC3\xA9"); // UTF-8 e with acute
    PasteClipboardText();
    EXPECT_EQ(calls, (std::vector<std::string>{"input(233)"}));
}

TEST(ClipboardTextTest, DecodesUtf8AndReplacesWhatIsNotText) {
    struct Case {
        std::string utf8;
        std::u16string units;
    } cases[] = {
        {"a\xC3\xA9", u"a\u00E9"},
        {"\xE2\x82\xAC", u"\u20AC"},
        {"\xF0\x9F\x98\x80", u"\U0001F600"}, // outside the BMP: a surrogate pair
        {"\xC3"
         "A",
         u"\uFFFDA"},                            // a lead byte without its continuation
        {"\xFFx", u"\uFFFDx"},                   // never a lead byte
        {"\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"}, // overlong
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"}, // a surrogate written as UTF-8
        {"\xE2\x82", u"\uFFFD\uFFFD"},           // cut short
        {"a\nb\r\nc", u"a\r\nb\r\nc"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ClipboardTextUnits(c.utf8), c.units) << c.utf8;
}

TEST_F(MainWindowTest, AltEnterTogglesFullScreenWithoutClosingTheWindow) {
    Services().inputOnChar = [](int, intptr_t) { return 0; };
    Services().createFullScreenSurfaces = [this] {
        calls.push_back("full screen surfaces");
        platform::SendMessage(platform::WM_DESTROY); // the style change may destroy the old frame
    };
    Key(platform::VK_MENU);
    Key(platform::VK_RETURN);
    Pump();
    EXPECT_TRUE(IsFullScreenMode());
    EXPECT_TRUE(FullScreen);
    EXPECT_TRUE(platform::HasMainWindow());
    EXPECT_TRUE(RunMainLoopPass(false)); // no WM_QUIT was posted
    Key(platform::VK_RETURN, false);
    Key(platform::VK_RETURN);
    Pump();
    EXPECT_FALSE(IsFullScreenMode());
    EXPECT_FALSE(FullScreen);
    EXPECT_EQ(calls, (std::vector<std::string>{"full screen surfaces", "release surfaces"}));
}

TEST_F(MainWindowTest, LeaveFullScreenOnlyActsInFullScreen) {
    LeaveFullScreen();
    EXPECT_TRUE(calls.empty());
    SetFullScreen(true);
    EXPECT_TRUE(IsFullScreenMode());
    SetFullScreen(true);
    LeaveFullScreen();
    EXPECT_FALSE(IsFullScreenMode());
    EXPECT_EQ(calls, (std::vector<std::string>{"full screen surfaces", "release surfaces"}));
}

TEST_F(MainWindowTest, SwitchMessagesAppearInTheVerboseMode) {
    RuntimeDebugMsg = true;
    Services().showSystemMessage = [this](int hue, int font, const char* text) {
        calls.push_back(std::to_string(hue) + "/" + std::to_string(font) + " " + text);
    };
    SendToggleFullScreen();
    SendToggleFullScreen();
    EXPECT_EQ(calls,
              (std::vector<std::string>{"full screen surfaces", "33/3 Switching to Full Screen Mode 640x480",
                                        "release surfaces", "33/3 Switching to Windowed Mode 640x480"}));
}

TEST_F(MainWindowTest, CommandTable) {
    struct Case {
        int id;
        bool inWorld;
        std::vector<std::string> expected;
    } cases[] = {
        {ID_OPEN_PAPERDOLL, true, {"open(5000)"}},
        {ID_OPEN_PAPERDOLL_2, true, {"open(5000)"}},
        {ID_OPEN_PAPERDOLL, false, {}},
        {ID_WAR_MODE, true, {"war(-1)"}},
        {ID_WAR_MODE, false, {}},
        {ID_TEXT_COMMAND, true, {"text command(67,'')"}},
        {ID_RADAR, true, {"open(5010)"}},
        {ID_RADAR, false, {}},
        {ID_HELP_REQUEST, false, {"help request"}},
        {ID_MUSIC, false, {"music on"}},
        {ID_CTRL_Z, true, {}},
        {ID_ALT_Z, true, {}},
    };
    for (const Case& c : cases) {
        calls.clear();
        inWorld = c.inWorld;
        platform::SendMessage(platform::WM_COMMAND, static_cast<uintptr_t>(c.id));
        EXPECT_EQ(calls, c.expected) << c.id;
    }
    bool filter = ObscenityFilter;
    platform::SendMessage(platform::WM_COMMAND, ID_OBSCENITY_FILTER);
    EXPECT_EQ(ObscenityFilter, !filter);
    bool footsteps = Footsteps;
    Key(platform::VK_CONTROL);
    Key(platform::VK_SHIFT);
    Key('F'); // Ctrl+Shift+F
    Pump();
    EXPECT_EQ(Footsteps, !footsteps);

    inWorld = false;
    platform::SendMessage(platform::WM_COMMAND, ID_CLOSE);
    EXPECT_FALSE(platform::HasMainWindow());
    EXPECT_FALSE(RunMainLoopPass(false));
}

TEST_F(MainWindowTest, TheSystemCursorStaysShownOverTheGameArea) {
    // The game's cursors are the platform's colour cursors, not drawn over a hidden one.
    platform::headless::PushMouse(platform::WM_MOUSEMOVE, 100, 100);
    platform::headless::PushMouse(platform::WM_MOUSEMOVE, 101, 100);
    Pump();
    EXPECT_TRUE(platform::IsSystemCursorShown());
}

TEST_F(MainWindowTest, TargetModeSetsTheCursorWhenActivated) {
    std::vector<int> cursors;
    Services().setCursor = [&](int c) { cursors.push_back(c); };
    platform::SendMessage(platform::WM_ACTIVATE, platform::WA_INACTIVE);
    EXPECT_FALSE(IsMainWindowActive());
    targeting = true;
    platform::SendMessage(platform::WM_ACTIVATE, platform::WA_ACTIVE);
    EXPECT_TRUE(IsMainWindowActive());
    EXPECT_EQ(cursors, (std::vector<int>{17}));
}

// The cursor timer's thread only asks for a tick; the main loop runs it, so the pointer the
// input moves and the software cursor are only ever touched by the main thread.
TEST_F(MainWindowTest, CursorTicksRunInTheMainLoopWhileInputArrives) {
    auto drawn = [] {
        int x = 0, y = 0;
        MouseManager::GetMousePos(&x, &y);
        return std::make_pair(x, y);
    };
    MouseManager::SetMousePos(0, 0);
    ASSERT_TRUE(StartCursorTimer());

    // While the loop does not run, ticks come due but nothing moves.
    platform::headless::PushMouse(platform::WM_MOUSEMOVE, 40, 30);
    platform::SleepMillis(120);
    EXPECT_EQ(drawn(), std::make_pair(0, 0));

    for (int i = 0; i < 40; ++i) {
        platform::headless::PushMouse(platform::WM_MOUSEMOVE, 100 + i, 50 + i);
        Pump();
        platform::SleepMillis(2);
    }
    const auto start = std::chrono::steady_clock::now();
    while (drawn() != std::make_pair(139, 89) &&
           std::chrono::steady_clock::now() - start < std::chrono::seconds(5)) {
        Pump();
        platform::SleepMillis(1);
    }
    EXPECT_EQ(drawn(), std::make_pair(139, 89));

    // A tick still queued when the timer stops does nothing.
    platform::headless::PushMouse(platform::WM_MOUSEMOVE, 7, 8);
    platform::SleepMillis(60);
    StopCursorTimer();
    Pump();
    EXPECT_EQ(drawn(), std::make_pair(139, 89));
}

TEST_F(MainWindowTest, TheMouseThreadOptionStartsNoCursorTimer) {
    platform::DestroyMainWindow();
    MouseThread = true;
    ASSERT_TRUE(CreateMainWindow(false));
    EXPECT_EQ(CursorTimerId(), 0u);
}

} // namespace
