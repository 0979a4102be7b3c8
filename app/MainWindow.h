#pragma once
// The client's one top-level window: its creation, title and size rules, the window procedure,
// the keys and commands, clipboard pasting and the windowed/full-screen switch.
#include "net/AppLink.h"
#include "platform/messages.h"
#include "render/GameArea.h"

#include <cstdint>
#include <string>
#include <string_view>

// Commands (WM_COMMAND ids).
constexpr int ID_CLOSE = 40001;
constexpr int ID_OPEN_PAPERDOLL = 40004;
constexpr int ID_TOGGLE_DISPLAY = 40043;
constexpr int ID_MUSIC = 40073;
constexpr int ID_SOUND = 40074;
constexpr int ID_FULL_SCREEN = 40089; // Alt+Enter
constexpr int ID_CTRL_Z = 40114;      // bound, no handler
constexpr int ID_WAR_MODE = 40115;
constexpr int ID_TEXT_COMMAND = 40116;
constexpr int ID_ALT_Z = 40117; // bound, no handler
constexpr int ID_RADAR = 40120;
constexpr int ID_OBSCENITY_FILTER = 40124;
constexpr int ID_OPEN_PAPERDOLL_2 = 40125;
constexpr int ID_HELP_REQUEST = 40140;
constexpr int ID_FOOTSTEPS = 40143; // Ctrl+Shift+F

// The window class name; also the named object by which a second copy finds the first one's window.
extern const char* const kMainWindowClass;
extern const char* const kMainWindowObject;

// Creates the window: 640 x 480 client area (less on a smaller desktop), titled after the account,
// then full screen when "FullScreen" is on. False when no window could be made.
bool CreateMainWindow(bool recreate);
intptr_t MainWndProc(const platform::Message& msg);
// The accelerator table: sends the bound command for Alt+Enter, Ctrl+Shift+F, Ctrl+Z and Alt+Z.
bool TranslateAccelerator(const platform::Message& msg);

void SwitchToWindowed();
void SwitchToFullScreen();
void SetFullScreen(bool on);
bool IsFullScreenMode();

void SendToggleFullScreen();
void LeaveFullScreen();

// "Varnis Online", or "Varnis Online - text".
// Places the window with a client area of width x height.
void SetMainWindowPos(int x, int y, int width, int height);
void GetMainWindowPos(int* left, int* top);

// Types the clipboard's text through CApp::HandleKey: at most 80 characters into a single-line
// focus control (up to its first line end), 1000 into another focus gump, 240 into the entry line.
void PasteClipboardText();
// The clipboard's UTF-8 as UTF-16 units, line ends as the keyboard types them (CR LF); malformed
// sequences become U+FFFD.
std::u16string ClipboardTextUnits(std::string_view utf8);

namespace CApp {
// A typed character or key code: Escape answers a prompt or cancels a target, -8..-1 walk,
// everything else goes to the focus gump or the text entry line.
void HandleKey(int code);
} // namespace CApp

// The game area inside the window and the gump layer's offset in it.

// The client size the window may take for a requested one: with "AllowWindowResize" at least the
// screen size, rounded up to multiples of 4 and within the desktop; without it the screen size.
void ConstrainClientSize(int* width, int* height);

// Hides the system cursor when the window left it shown.
void HideSystemCursor();
// While the intro movie plays, the window keeps its place, size and cursor visibility.
void SetMovieFlag(bool playing);
bool IsMoviePlaying();
bool IsMainWindowActive();
// The key the options window's key field received last.
void GetOptionsKey(int* keyCode, intptr_t* keyData);
// Whether Control was held at the last key press the window procedure took (a key walk runs).
bool IsControlKeyHeld();

void ResetMainWindowForTests();
