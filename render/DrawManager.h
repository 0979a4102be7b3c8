#pragma once
// The isometric scene: painting the listed items into a screen rectangle of the back buffer in
// back-to-front order, the height limits that hide what lies above the player (roof cut and
// ceiling), and picking the item under a screen point.
#include "render/Rect.h"

#include <cstdint>

class CDrawItem;

namespace DrawManager {
// Logs its start and turns the roof cut off.
void startup();
// Paints the scene within clip (screen pixels) into the current blit target.
void DrawScene(const Rect& clip);
// Redraws every listed land tile of this land art id (defined with the land tiles, world/).
void InvalidateLandTiles(int landId);
// Re-lists every object that shows this item graphic (defined with the objects, world/).
void RefreshItemsWithGraphic(int graphic);
// Empties every cell of the draw-cell table (the items live on, unlisted).
void ClearDrawTable();
// World pixel of the back buffer's top-left corner.
void GetScrollOffset(int& x, int& y);
void SetScrollOffset(int x, int y);

// ---- the cell order: the 1977 window cells that can reach the screen, back to front, each as
// v * 64 + u for the window offset (u, v)
constexpr int kCellOrderCount = 1977;
const uint16_t* CellOrder();

// ---- the 64 x 64 draw window over the cell table
// Moves the window so that its corner is the view centre minus (32, 32), flushing the cells that
// leave it (the ring slots the incoming rows and columns reuse). True when only those cells were
// flushed: every cell the old and the new window share kept its items.
bool RecenterWindow();
// The window corner (-128, -128 when cleared).
void GetWindowCorner(int& x, int& y);
void ResetWindow();
// Empties one table cell (x, y in 0..63): land and server items are released (the server sends
// them again when they come back into range); map statics stay. The player is listed again.
void FlushCell(int x, int y);
void FlushAllCells();
// Counts every land item that has left the cell table: unchanged between two reads, every land
// item listed at the first is still listed where it was.
uint64_t LandUnlistings();
void NoteLandUnlisted();

// ---- the roof cut: everything at or above the level is hidden while it is on
void SetRoofCut(bool on, int level);
bool IsRoofCutOn();
int GetRoofCutZ();

// ---- the ceiling over the player (127: none) and the flood walk over a roof
constexpr int kNoCeiling = 127;
int GetCeiling();
int GetFloodZ();
void SetCeiling(int ceiling, int floodZ);
// Recomputes the ceiling and the foliage answers after the player moved or was placed, or the
// season changed (defined with the objects, world/: it reads the player and the foliage list).
void UpdateCeiling();
// The lowest roof z of the roof area joined to (x, y) near z; the visited map bounds the walk.
int FloodRoofZ(int best, int x, int y, int z);
void ClearFloodVisited();
// On while UpdateCeiling recomputes the foliage answers.
bool IsFoliagePass();
void SetFoliagePass(bool on);
// On while a strip of a tall figure draws its owner: owners then do not clip at their feet line.
bool IsStripDrawing();
void SetStripDrawing(bool on);
// Tiledata flags the object being drawn takes on top of its own for this one call (0x8 for
// culled foliage and the placement preview).
uint32_t GetDrawTimeFlags();
void SetDrawTimeFlags(uint32_t flags);

// ---- picking (screen points)
// The topmost item with a pixel under the point, or null.
CDrawItem* GetDrawItemAtScreenLoc(int x, int y, bool skipLand);
// The land item whose rect holds the point and whose centre is nearest, or null.
CDrawItem* GetLandAtScreenLoc(int x, int y);
// The frontmost item of the table cell of map cell (x, y), null when empty.
CDrawItem* GetLastItemInCell(int x, int y);

// Back to the start-up state: roof cut off, no ceiling, scroll offset 0, no pass flags.
void ResetForTests();
} // namespace DrawManager
