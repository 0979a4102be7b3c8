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
void SetScrollOffset(int x, int y);

// ---- the 64 x 64 draw window over the cell table
// Moves the window so that its corner is the view centre minus (32, 32), flushing the cells that
// leave it (the ring slots the incoming rows and columns reuse).
void RecenterWindow();
// The window corner (-128, -128 when cleared).
void GetWindowCorner(int& x, int& y);
void ResetWindow();
// Empties one table cell (x, y in 0..63): land and server items are released (the server sends
// them again when they come back into range); map statics stay. The player is listed again.
void FlushCell(int x, int y);
void FlushAllCells();

// ---- the roof cut: everything at or above the level is hidden while it is on
void SetRoofCut(bool on, int level);
bool IsRoofCutOn();
int GetRoofCutZ();
} // namespace DrawManager
