#pragma once
// The isometric scene: painting the listed items into a screen rectangle of the back buffer, and
// re-listing what shows a piece of art that changed.
#include "render/Rect.h"

namespace DrawManager {
// Paints the scene within clip (screen pixels) into the current blit target.
void DrawScene(const Rect& clip);
// Redraws every listed land tile of this land art id.
void InvalidateLandTiles(int landId);
// Re-lists every object that shows this item graphic.
void RefreshItemsWithGraphic(int graphic);
// Empties every cell of the draw-cell table (the items live on, unlisted).
void ClearDrawTable();
// World pixel of the back buffer's top-left corner.
void GetScrollOffset(int& x, int& y);
} // namespace DrawManager
