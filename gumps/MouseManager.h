#pragma once
// The mouse manager: the pointer, the cursor table and the current cursor, the capture gump that
// receives every button and move while a press or drag lasts, the busy count, and hover help over
// world objects. Cursors are platform colour cursors made once after LoadCursors and switched on
// the main thread; only a backend that refuses them gets the cursor drawn into the back buffer.
#include <cstdint>

class CGump;

namespace MouseManager {

constexpr int kCursorKinds = 46;
constexpr int kFirstCursorArt = 24659;
constexpr int kLastCursorArt = 24697;
constexpr int kPeaceOffset = 23;
constexpr int kNormalCursor = 17;
constexpr int kBusyCursor = 20;

void startup();
void shutdown();
void LoadCursors();
// The tint of the war-mode cursors (5-5-5, 0 for none), read before LoadCursors.
void SetCursorTint(uint16_t colour);

void SetCapture(CGump* gump);
CGump* GetCapture();
void ReleaseCaptureOf(CGump* gump);

int GetCursor(); // the requested kind
void SetCursor(int cursor);
int IsCursorDirty();
void BeginBusy();
void EndBusy();
int GetBusyCount();
// The chosen kind (-1 before the first choice) and whether the platform shows it as a colour cursor.
int GetCurrentCursorKind();
bool UsesColorCursors();
// The colour cursor made for a picture index (art id - 24659) of the normal set, 0 when none.
uintptr_t CursorHandleForPicture(int picture);
// The hot spot found by LoadCursors for a kind (false when the kind is not loaded).
bool GetHotSpot(int kind, int* x, int* y);

void SetSoftwareCursor(bool on);
void Update();
void OnLButtonDown(int x, int y);
void OnLButtonUp(int x, int y);
void OnRButtonDown(int x, int y);
void OnRButtonUp(int x, int y);
bool WasShiftHeldAtRelease();
void GetMousePos(int* x, int* y);
void SetMousePos(int x, int y);
void GetDrawnCursorSize(int* width, int* height);
int GetMouseDirection(bool anywhere);
bool IsInWalkEllipse();
void UpdateCursorShape();
void UpdateHelpHovering();
int GetHelpHoverState();
void ResetWalkState();
// Not drawn by a timer any more; kept for callers that still ask.
void DrawSoftwareCursor(bool lock);
// Around presenting a frame: only when the backend refuses colour cursors, the cursor is drawn into
// the back buffer and the pixels under it are put back afterwards.
void RefreshCursorPos();
void RestoreUnderCursor();

void ResetForTests();

} // namespace MouseManager
