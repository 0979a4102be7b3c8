#pragma once
// The gump manager: the window list, drawing all gumps over the back buffer, and the layout of the
// back buffer around the game area.
#include "render/Rect.h"

namespace CGumpManager {
// Recreates the back buffer at the current sizes and pulls the game area back inside it.
void RecreateDC();
// Draws every gump over area (window coordinates); last ends the frame and presents it.
void DrawAllGumps(const Rect* area, bool last);
// The position of the game area inside the back buffer.
void GetGameAreaOffset(int& x, int& y);
void SetGameAreaOffset(int x, int y);
} // namespace CGumpManager
