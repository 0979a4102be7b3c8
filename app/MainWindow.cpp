#include "app/MainWindow.h"

#include "app/AppServices.h"
#include "app/FrameStep.h"
#include "core/Options.h"
#include "core/QVReport.h"
#include "platform/platform.h"
#include "render/Display.h"
#include "render/GraphicManager.h"

#include <algorithm>
#include <cstdio>
#include <string>

const char* const kMainWindowClass = "Varnis Online";
const char* const kMainWindowObject = "Varnis Online window";

namespace {

constexpr int kNavigationKeyBase = 0xE000;
constexpr size_t kMaxTitleUnits = 500;
constexpr int kTargetCursor = 17;

struct WindowState {
    bool fullScreen = false;
    bool switching = false;
    bool active = false;
    bool firstSizeSeen = false;
    bool cursorShown = true;
    bool moviePlaying = false;
    int gameAreaWidth = 640;
    int gameAreaHeight = 480;
    int gameAreaX = 0;
    int gameAreaY = 0;
    int savedWidth = 0;
    int savedHeight = 0;
    bool control = false;
    bool shift = false;
    bool alt = false;
    int optionsKeyCode = 0;
    intptr_t optionsKeyData = 0;
    platform::NamedObject classMarker; // held while the window exists
};

WindowState& W() {
    static WindowState state;
    return state;
}

int RoundUp4(int v) {
    return (v + 3) & ~3;
}

// F10 arrives as a system key without Alt.
bool AltHeld(const platform::Message& msg) {
    constexpr int kF10 = platform::VK_F1 + 9;
    return platform::IsKeyDown(platform::VK_MENU) ||
           (msg.id == platform::WM_SYSKEYDOWN && static_cast<int>(msg.wParam) != kF10);
}

bool IsRepeat(intptr_t keyData) {
    return (keyData & platform::KF_REPEAT_BIT) != 0;
}

void OnSize(const platform::Message& msg) {
    WindowState& w = W();
    w.firstSizeSeen = true;
    int width = platform::LowWordSigned(msg.lParam) & 0xFFFF;
    int height = platform::HighWordSigned(msg.lParam) & 0xFFFF;
    if (width == 0 || height == 0) return;
    int screenW = GraphicManager::GetScreenWidth();
    int screenH = GraphicManager::GetScreenHeight();
    if (AllowWindowResize) {
        w.gameAreaWidth = RoundUp4(std::max(width, screenW));
        w.gameAreaHeight = RoundUp4(std::max(height, screenH));
        w.gameAreaX = std::max(w.gameAreaX, 0);
        w.gameAreaY = std::max(w.gameAreaY, 0);
    } else {
        w.gameAreaWidth = screenW;
        w.gameAreaHeight = screenH;
        w.gameAreaX = w.gameAreaY = 0;
    }
    // The platform reports a size after the fact; a size outside the rules is put right here.
    if (!w.fullScreen && !w.moviePlaying) {
        int wantW = width, wantH = height;
        ConstrainClientSize(&wantW, &wantH);
        if (wantW != width || wantH != height) platform::SetClientSize(wantW, wantH);
    }
    Services().recreateDC();
}

intptr_t OnKeyDown(const platform::Message& msg) {
    WindowState& w = W();
    AppServices& s = Services();
    const int key = static_cast<int>(msg.wParam);
    const intptr_t keyData = msg.lParam;
    const bool inWorld = s.inWorld();

    if (key == platform::VK_TAB && inWorld) {
        if (HoldTabForCombat) {
            if (!s.warRequested() && !s.inWarMode()) s.requestWarMode(1);
        } else if (!IsRepeat(keyData)) {
            s.requestWarMode(-1);
        }
    }

    CGump* focus = s.focusGump();
    CGump* options = nullptr;
    if (focus && s.gumpIsOptionsKeyField(focus, &options)) {
        w.optionsKeyCode = key;
        w.optionsKeyData = keyData;
        s.gumpHandleChildChange(options, focus);
        return 0;
    }

    w.control = platform::IsKeyDown(platform::VK_CONTROL);
    w.shift = platform::IsKeyDown(platform::VK_SHIFT);
    w.alt = AltHeld(msg);
    int macro = s.findMacroKeyBinding(key, w.control, w.alt, w.shift);
    if (macro >= 0) {
        s.startMacro(macro);
        // Only the character this Alt combination types is dropped, never an unrelated message.
        if (w.alt) platform::RemoveQueuedMessage(platform::WM_SYSCHAR);
        return 0;
    }

    if (key == platform::VK_F1 && !w.control && !w.shift && !w.alt) s.showContextHelp();

    if (focus) {
        bool navigation = (key >= platform::VK_PRIOR && key <= platform::VK_DOWN) ||
                          key == platform::VK_INSERT || key == platform::VK_DELETE;
        if (navigation) {
            s.gumpHandleKey(focus, kNavigationKeyBase + key);
            return 0;
        }
    } else if (s.inputOnChar(key, keyData) != 0) {
        return 0;
    }

    if (key == platform::VK_MENU) return 0; // no system menu
    return platform::DefWindowProc(msg);
}

intptr_t OnKeyUp(const platform::Message& msg) {
    AppServices& s = Services();
    if (static_cast<int>(msg.wParam) == platform::VK_TAB && HoldTabForCombat && s.inWorld()) {
        if (s.warRequested() || s.inWarMode()) s.requestWarMode(0);
    }
    return 0;
}

void ToggleDisplay() {
    WindowState& w = W();
    w.switching = true;
    if (w.fullScreen)
        SwitchToWindowed();
    else
        SwitchToFullScreen();
    w.switching = false;
}

intptr_t OnCommand(const platform::Message& msg) {
    AppServices& s = Services();
    switch (static_cast<int>(msg.wParam & 0xFFFF)) {
    case ID_CLOSE:
        platform::SendMessage(platform::WM_CLOSE);
        break;
    case ID_OPEN_PAPERDOLL:
    case ID_OPEN_PAPERDOLL_2:
        if (s.inWorld()) s.openGump(5000);
        break;
    case ID_TOGGLE_DISPLAY:
    case ID_FULL_SCREEN:
        ToggleDisplay();
        break;
    case ID_MUSIC:
        s.enableMusic(!s.musicEnabled());
        break;
    case ID_SOUND:
        s.enableSound(!s.soundEnabled());
        break;
    case ID_WAR_MODE:
        if (s.inWorld()) s.requestWarMode(-1);
        break;
    case ID_TEXT_COMMAND:
        if (s.inWorld()) s.sendTextCommand(67, "");
        break;
    case ID_RADAR:
        if (s.inWorld()) s.openGump(5010);
        break;
    case ID_OBSCENITY_FILTER:
        ObscenityFilter = !ObscenityFilter;
        break;
    case ID_HELP_REQUEST:
        s.requestHelp();
        break;
    case ID_FOOTSTEPS:
        Footsteps = !Footsteps;
        break;
    default:
        break;
    }
    return 0;
}

void OnDestroyed() {
    W().classMarker.Close();
}

void ShowSwitchMessage(const char* format) {
    if (!RuntimeDebugMsg) return;
    char text[96];
    std::snprintf(text, sizeof text, format, W().gameAreaWidth, W().gameAreaHeight);
    Services().showSystemMessage(33, 3, text);
}

} // namespace

bool CreateMainWindow(bool) {
    WindowState& w = W();
    platform::DesktopInfo desktop = platform::GetDesktopInfo();
    platform::WindowDesc desc;
    desc.clientWidth = desktop.width > 0 && desktop.width < 640 ? desktop.width : 640;
    desc.clientHeight = desktop.height > 0 && desktop.height < 480 ? desktop.height : 480;
    desc.title = kMainWindowClass;
    w.active = true;
    bool created = platform::CreateMainWindow(desc, MainWndProc);
    if (!created && UnicodeSpeech) {
        platform::ShowMessageBox(
            "CreateWindow?() returned a NULL window handle, Unicode speech disabled, trying "
            "CreateWindow()",
            "Unicode Speech Error");
        UnicodeSpeech = false;
        created = platform::CreateMainWindow(desc, MainWndProc);
    }
    if (!created) {
        w.active = false;
        return false;
    }
    bool existed = false;
    w.classMarker = platform::NamedObject::Create(kMainWindowObject, &existed);
    if (!AcctID.empty() && !AcctLastName.empty())
        SetMainWindowTitle((AcctID + " " + AcctLastName).c_str());
    else
        SetMainWindowTitle(nullptr);
    if (FullScreen) platform::SendMessage(platform::WM_COMMAND, ID_FULL_SCREEN);
    return true;
}

intptr_t MainWndProc(const platform::Message& msg) {
    WindowState& w = W();
    AppServices& s = Services();
    switch (msg.id) {
    case platform::WM_CREATE:
        // "MouseThread" starts no cursor timer: the platform's colour cursor follows the pointer
        // by itself, and the rare software cursor is drawn with each presented frame.
        return 0;
    case platform::WM_DESTROY:
        if (w.switching) return 0;
        OnDestroyed();
        s.saveDesktop();
        s.setNetworkQuiet(true);
        platform::PostQuitMessage(0);
        return 0;
    case platform::WM_SIZE:
        OnSize(msg);
        return 0;
    case platform::WM_ACTIVATE:
        if (msg.wParam == platform::WA_INACTIVE) {
            w.active = false;
            return 0;
        }
        w.active = true;
        if (s.targeting()) s.setCursor(kTargetCursor);
        return platform::DefWindowProc(msg);
    case platform::WM_PAINT:
        // Frames are drawn by the frame step; the window lost its picture, so its next present
        // shows the whole frame.
        ForgetPresentedFrame();
        return 0;
    case platform::WM_CLOSE:
        if (s.inWorld()) {
            s.quitGame();
            return 0;
        }
        return platform::DefWindowProc(msg);
    case platform::WM_KEYDOWN:
    case platform::WM_SYSKEYDOWN:
        return OnKeyDown(msg);
    case platform::WM_KEYUP:
        return OnKeyUp(msg);
    case platform::WM_CHAR:
        CApp::HandleKey(static_cast<int>(msg.wParam));
        return 0;
    case platform::WM_COMMAND:
        return OnCommand(msg);
    case platform::WM_LBUTTONDOWN:
    case platform::WM_RBUTTONDOWN: {
        platform::SetMouseCapture(true);
        int x = platform::LowWordSigned(msg.lParam), y = platform::HighWordSigned(msg.lParam);
        if (msg.id == platform::WM_LBUTTONDOWN)
            s.onLButtonDown(x, y);
        else
            s.onRButtonDown(x, y);
        return 0;
    }
    case platform::WM_LBUTTONUP:
    case platform::WM_RBUTTONUP: {
        platform::SetMouseCapture(false);
        int x = platform::LowWordSigned(msg.lParam), y = platform::HighWordSigned(msg.lParam);
        if (msg.id == platform::WM_LBUTTONUP)
            s.onLButtonUp(x, y);
        else
            s.onRButtonUp(x, y);
        return 0;
    }
    case platform::WM_HOTKEY:
        if (w.active) s.startMacro(static_cast<int>(msg.wParam));
        return 0;
    case platform::MM_MCINOTIFY:
        s.playNextSong();
        return 0;
    default:
        return platform::DefWindowProc(msg);
    }
}

bool TranslateAccelerator(const platform::Message& msg) {
    if (msg.id != platform::WM_KEYDOWN && msg.id != platform::WM_SYSKEYDOWN) return false;
    const int key = static_cast<int>(msg.wParam);
    const bool alt = AltHeld(msg);
    const bool control = platform::IsKeyDown(platform::VK_CONTROL);
    const bool shift = platform::IsKeyDown(platform::VK_SHIFT);
    int command = 0;
    if (key == platform::VK_RETURN && alt && !control && !shift)
        command = ID_FULL_SCREEN;
    else if (key == 'F' && control && shift && !alt)
        command = ID_FOOTSTEPS;
    else if (key == 'Z' && control && !shift && !alt)
        command = ID_CTRL_Z;
    else if (key == 'Z' && alt && !control && !shift)
        command = ID_ALT_Z;
    if (command == 0) return false;
    platform::SendMessage(platform::WM_COMMAND, static_cast<uintptr_t>(command));
    return true;
}

void SwitchToFullScreen() {
    WindowState& w = W();
    w.savedWidth = w.gameAreaWidth;
    w.savedHeight = w.gameAreaHeight;
    Services().createFullScreenSurfaces();
    w.fullScreen = true;
    FullScreen = true;
    Services().saveConfigOptions();
    ShowSwitchMessage("Switching to Full Screen Mode %dx%d");
}

void SwitchToWindowed() {
    WindowState& w = W();
    platform::SetFullScreen(false, 0, 0); // the framed window again
    Services().releaseFullScreenSurfaces();
    int width = w.savedWidth > 0 ? w.savedWidth : GraphicManager::GetScreenWidth();
    int height = w.savedHeight > 0 ? w.savedHeight : GraphicManager::GetScreenHeight();
    if (platform::HasMainWindow()) platform::SetClientSize(width, height);
    w.fullScreen = false;
    FullScreen = false;
    Services().saveConfigOptions();
    ShowSwitchMessage("Switching to Windowed Mode %dx%d");
}

void SendToggleFullScreen() {
    platform::SendMessage(platform::WM_COMMAND, ID_FULL_SCREEN);
}

void LeaveFullScreen() {
    if (!W().fullScreen) return;
    SendToggleFullScreen();
    SetGameAreaOffset(0, 0);
    Services().invalidateAll();
}

void SetFullScreen(bool on) {
    if (on == W().fullScreen) return;
    SendToggleFullScreen();
    SetGameAreaOffset(0, 0);
    Services().invalidateAll();
}

bool IsFullScreenMode() {
    return W().fullScreen;
}

void SetMainWindowTitle(const char* text) {
    std::string title = kMainWindowClass;
    if (text && *text) { // an empty text: the plain product name
        title += " - ";
        title += text;
    }
    if (title.size() > kMaxTitleUnits) title.resize(kMaxTitleUnits);
    platform::SetWindowTitle(title);
}

void SetMainWindowPos(int x, int y, int width, int height) {
    platform::SetWindowPosition(x, y);
    platform::SetClientSize(width, height);
}

void GetMainWindowPos(int* left, int* top) {
    int x = 0, y = 0;
    platform::GetWindowPosition(x, y);
    if (left) *left = x;
    if (top) *top = y;
}

std::u16string ClipboardTextUnits(std::string_view utf8) {
    std::u16string out;
    auto push = [&out](uint32_t cp) {
        if (cp == '\n' && (out.empty() || out.back() != u'\r')) out.push_back(u'\r');
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    };
    for (size_t i = 0; i < utf8.size();) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        size_t len = c < 0x80                ? 1
                     : c >= 0xC2 && c < 0xE0 ? 2
                     : c >= 0xE0 && c < 0xF0 ? 3
                     : c >= 0xF0 && c < 0xF5 ? 4
                                             : 0;
        uint32_t cp = len == 1 ? c : len == 2 ? c & 0x1Fu : len == 3 ? c & 0x0Fu : c & 0x07u;
        bool ok = len > 0 && i + len <= utf8.size();
        for (size_t k = 1; ok && k < len; ++k) {
            unsigned char b = static_cast<unsigned char>(utf8[i + k]);
            ok = (b & 0xC0) == 0x80;
            cp = (cp << 6) | (b & 0x3Fu);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not characters.
        if (ok && ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
                   (cp >= 0xD800 && cp <= 0xDFFF)))
            ok = false;
        if (!ok) {
            push(0xFFFD);
            ++i;
            continue;
        }
        push(cp);
        i += len;
    }
    return out;
}

void PasteClipboardText() {
    std::optional<std::string> text = platform::GetClipboardText();
    if (!text) return;
    AppServices& s = Services();
    CGump* focus = s.focusGump();
    bool singleLine = focus && s.gumpIsSingleLineInput(focus);
    size_t limit = singleLine ? 80 : focus ? 1000 : 240;
    std::u16string units = ClipboardTextUnits(*text);
    for (size_t i = 0; i < units.size() && i < limit; ++i) {
        if (singleLine && units[i] == u'\r') break;
        CApp::HandleKey(units[i]);
    }
}

namespace CApp {

void HandleKey(int code) {
    AppServices& s = Services();
    if (code == 27) {
        if (s.inputHasPendingPrompt()) {
            s.inputSendPromptReply(0, "");
            return;
        }
        if (s.targeting()) {
            s.sendTargetCancel();
            return;
        }
    }
    if (code == 27 || code == 9) {
        if (CGump* focus = s.focusGump()) s.gumpHandleKey(focus, code);
        return;
    }
    if (code >= -8 && code <= -1) {
        static const int kDirections[8] = {3, 4, 5, 2, 6, 1, 0, 7}; // for -8 .. -1
        s.walkByKey(kDirections[code + 8], 0);
        return;
    }
    if (CGump* focus = s.focusGump())
        s.gumpHandleKey(focus, code);
    else
        s.inputOnKey(code);
}

} // namespace CApp

bool IsControlKeyHeld() {
    return W().control;
}

int GetGameAreaWidth() {
    return W().gameAreaWidth;
}

int GetGameAreaHeight() {
    return W().gameAreaHeight;
}

void GetGameAreaOffset(int* x, int* y) {
    if (x) *x = W().gameAreaX;
    if (y) *y = W().gameAreaY;
}

void SetGameAreaOffset(int x, int y) {
    W().gameAreaX = x;
    W().gameAreaY = y;
}

void ConstrainClientSize(int* width, int* height) {
    int screenW = GraphicManager::GetScreenWidth();
    int screenH = GraphicManager::GetScreenHeight();
    if (!AllowWindowResize) {
        *width = screenW;
        *height = screenH;
        return;
    }
    platform::DesktopInfo desktop = platform::GetDesktopInfo();
    platform::FrameMetrics frame = platform::GetFrameMetrics();
    int maxW = desktop.width - 2 * frame.frameWidth;
    int maxH = desktop.height - 2 * frame.frameHeight - frame.captionHeight;
    *width = RoundUp4(std::max(*width, screenW));
    *height = RoundUp4(std::max(*height, screenH));
    if (maxW > 0) *width = std::min(*width, maxW);
    if (maxH > 0) *height = std::min(*height, maxH);
}

void HideSystemCursor() {
    WindowState& w = W();
    if (!w.cursorShown) return;
    platform::ShowSystemCursor(false);
    w.cursorShown = false;
}

void SetMovieFlag(bool playing) {
    W().moviePlaying = playing;
}

bool IsMoviePlaying() {
    return W().moviePlaying;
}

bool IsMainWindowActive() {
    return W().active;
}

void GetOptionsKey(int* keyCode, intptr_t* keyData) {
    if (keyCode) *keyCode = W().optionsKeyCode;
    if (keyData) *keyData = W().optionsKeyData;
}

void ResetMainWindowForTests() {
    W().classMarker.Close();
    W() = WindowState{};
}
