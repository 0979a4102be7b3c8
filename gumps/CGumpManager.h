#pragma once
// The gump manager: the window list, focus and modal gump, drawing all gumps over the back buffer,
// the desktop, and the layout of the back buffer around the game area.
#include "render/Rect.h"

class CGump;
class CObj;

namespace CGumpManager {
extern CGump* focusGump; // the keyboard-focus gump
void startup();
void shutdown();
void Update();
void SaveDesktop();
// Recreates the back buffer at the current sizes and pulls the game area back inside it.
void RecreateDC();
// Draws every gump over area (window coordinates); last ends the frame and presents it.
void DrawAllGumps(const Rect* area, bool last);
void UpdateContainerQueue();
bool IsContainerQueueFinished();
CGump* OpenGump(CObj* owner, int kind, CGump* parent = nullptr, bool isContainer = false,
                bool status = false);
CGump* ShowModalMessage(const char* text);
// The position of the game area inside the back buffer (kept by the main window).
void GetGameAreaOffset(int& x, int& y);
void SetGameAreaOffset(int x, int y);
} // namespace CGumpManager

// Member operations of CGump that the window procedure uses, as free functions.
int GumpHandleKey(CGump* gump, int code); // CGump::HandleKey
// The gump is the key-capture child of an options window (CGump::IsOptionsGump or
// CGump::IsSpareOptionsGump); that window is returned through optionsWindow.
bool GumpIsOptionsKeyField(CGump* gump, CGump** optionsWindow);
void GumpHandleChildChange(CGump* parent, CGump* child); // CGump::HandleChildChange
// CGump::IsInputControlGump or CGump::IsUnicodeInputControlGump.
bool GumpIsSingleLineInput(CGump* gump);
