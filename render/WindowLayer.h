#pragma once
// What the display and the frame ask of the window layer above them (gumps/): rebuilding the
// windows' drawing state after a size change, drawing every window over the frame, and taking the
// software cursor in and out around a present. The window layer installs itself when it is linked
// in; slots left empty do nothing.
#include "render/Rect.h"

struct WindowLayer {
    void (*recreateSurfaces)() = nullptr;                   // CGumpManager::RecreateDC
    void (*drawAll)(const Rect* area, bool last) = nullptr; // CGumpManager::DrawAllGumps
    void (*refreshCursor)() = nullptr;                      // MouseManager::RefreshCursorPos
    void (*restoreUnderCursor)() = nullptr;                 // MouseManager::RestoreUnderCursor
};

WindowLayer& GetWindowLayer();
// Each slot, when set.
void RecreateWindowSurfaces();
void DrawAllWindows(const Rect* area, bool last);
void RefreshWindowCursor();
void RestoreWindowCursor();
