#pragma once
// The gump manager: the top-level list and its z-order, the keyboard focus and the modal gump, the
// per-frame update, drawing all gumps over the back buffer with save-under, the screen hit test,
// tooltips, and freeing closed gumps at safe points.
#include "render/BlitTarget.h"
#include "render/Rect.h"

#include <cstdint>
#include <string>

class CGump;
class CObj;

namespace CGumpManager {

// The top-level list: first is the front-most gump, last the back-most.
struct TopLevelList {
    CGump* first = nullptr;
    CGump* last = nullptr;
};
TopLevelList& TopLevel();

void startup();
void shutdown();
void Update();
void UpdateBarks();
// Every overhead text follows its owner again (after scrolling and option changes).
void RefreshBarks();

CGump* GetFocus();
void SetFocus(CGump* gump);
// Clears the focus; the old focus gump gets OnFocusLost unless a close is in progress.
void KillFocus();
CGump* GetModal();
void SetModal(CGump* gump);
CGump* GetMouseOn();
void SetMouseOn(CGump* gump);
CGump* GetHelpText();
void SetHelpText(CGump* gump);
CGump* GetRadar();
void SetRadar(CGump* gump);
CGump* GetToolTip();

// The screen hit test (window coordinates); only the modal gump while one is set.
CGump* GetGumpAt(int x, int y, const CGump* exclude, bool filterBarks);
bool IsClickableBark(const CGump* bark);
// The gump of an object: see the kinds asked for.
CGump* FindObjectGump(uint32_t serial, bool paperdoll, bool shop, CGump* start, bool status);
CGump* FindHolderGump(uint32_t serial);

void CloseAllGumps();
void CloseDisposableGumps();
void DeleteMissiles();

// Frees the gumps closed since the last safe point, children first.
void FreeClosedGumps();
// Called by CGump::Close: remembers the gump for the next safe point.
void QueueClosed(CGump* gump);
// Called by the destructor: the gump is no longer waiting to be freed.
void ForgetFreed(CGump* gump);

void SaveDesktop();
// Recreates the back buffer at the current sizes and pulls the game area back inside it.
void RecreateDC();
// Draws every gump over area (window coordinates); last ends the frame and presents it.
void DrawAllGumps(const Rect* area, bool last);
// Stores area cut to the back buffer as the present rectangle and presents the frame.
void PresentRect(const Rect* area);
Rect GetPresentRect();
void UpdateContainerQueue();
bool IsContainerQueueFinished();
CGump* OpenGump(CObj* owner, int kind, CGump* parent = nullptr, bool isContainer = false,
                bool status = false);
// A message box with an OK button (CWaitingGump), centred, modal and front-most; large unless
// mode is 0. Its OK shows the owner again; with a value other than 0 it logs out.
CGump* ShowModalMessage(const char* text, CGump* owner = nullptr, int mode = 1, int value = 0);
CGump* ShowModalMessage(const char16_t* text, CGump* owner = nullptr, int mode = 1, int value = 0);
// The position of the game area inside the back buffer (kept by the main window).
void GetGameAreaOffset(int& x, int& y);
void SetGameAreaOffset(int x, int y);

// The back buffer as a target in window coordinates for a rectangle that does not cross the ring's
// wrap (with game-area offset 0 it is RingTargetFor of the rectangle).
BlitTarget WindowTargetFor(const Rect& rect);
// Saves the pixels of rect (cut to the target) for putting back at the end of the frame.
void SaveUnder(const BlitTarget& target, const Rect& rect);
size_t SaveUnderRecordCount();

// Tooltip text by id from the "gt_..." and "tooltips" sections, or empty.
std::u16string LookupTooltipText(int id);

void ResetForTests();

} // namespace CGumpManager

// Member operations of CGump that the window procedure uses, as free functions; each ends at a
// safe point.
int GumpHandleKey(CGump* gump, int code); // CGump::HandleKey
// The gump is the key-capture child of an options window (CGump::IsOptionsGump or
// CGump::IsSpareOptionsGump); that window is returned through optionsWindow.
bool GumpIsOptionsKeyField(CGump* gump, CGump** optionsWindow);
void GumpHandleChildChange(CGump* parent, CGump* child); // CGump::HandleChildChange
// CGump::IsInputControlGump or CGump::IsUnicodeInputControlGump.
bool GumpIsSingleLineInput(CGump* gump);
