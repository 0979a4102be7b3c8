// The 64 x 64 draw window: a ring over the cell table that follows the view centre, and the roof
// cut that hides what lies above the player under a roof.
#include "core/MemoryManager.h"
#include "render/DirtyRects.h"
#include "render/DrawItem.h"
#include "render/DrawManager.h"

#include <cstdlib>

namespace DrawManager {
namespace {

struct Window {
    int cornerX = -128;
    int cornerY = -128;
    bool roofCut = false;
    int roofCutZ = 0;
};

constexpr int kFlushBatch = 256;

Window& W() {
    static Window w;
    return w;
}

void FlushColumn(int column) {
    for (int row = 0; row < DrawMapThingie::kCells; ++row)
        FlushCell(column, row);
}

void FlushRow(int row) {
    for (int column = 0; column < DrawMapThingie::kCells; ++column)
        FlushCell(column, row);
}

} // namespace

void GetWindowCorner(int& x, int& y) {
    x = W().cornerX;
    y = W().cornerY;
}

void ResetWindow() {
    W() = Window{};
    NoteLandUnlisted(); // what the cells hold no longer follows from the window
}

bool RecenterWindow() {
    int cx = 0, cy = 0;
    DrawItemWorld::GetViewCenter(cx, cy);
    const int a = cx - 32;
    const int b = cy - 32;
    int ox = W().cornerX;
    int oy = W().cornerY;
    if (a == ox && b == oy) return true;
    int wrapWidth = 0, wrapHeight = 0;
    DrawItemWorld::GetWrapSize(wrapWidth, wrapHeight);
    // Across the seam the old corner is seen from the new side, so a one-cell step flushes one
    // column instead of everything.
    const int seenX = ox, seenY = oy;
    if (ox + 32 < wrapWidth) {
        if (ox >= wrapWidth - 64 && a < 0)
            ox -= wrapWidth;
        else if (ox < 0 && a > wrapWidth - 64)
            ox += wrapWidth;
        if (oy >= wrapHeight - 64 && b < 0)
            oy -= wrapHeight;
        else if (oy < 0 && b > wrapHeight - 64)
            oy += wrapHeight;
    }
    bool kept = ox == seenX && oy == seenY; // across the seam the shared cells have other numbers
    if (std::abs(a - ox) >= 64 || std::abs(b - oy) >= 64) {
        FlushAllCells();
        kept = false;
    } else {
        for (int c = ox; c < a; ++c)
            FlushColumn(c & 63);
        for (int c = a; c < ox; ++c)
            FlushColumn(c & 63);
        for (int r = oy; r < b; ++r)
            FlushRow(r & 63);
        for (int r = b; r < oy; ++r)
            FlushRow(r & 63);
    }
    W().cornerX = a;
    W().cornerY = b;
    return kept;
}

void FlushCell(int x, int y) {
    CDrawItem*& head = DrawMapThingie::table[y & 63][x & 63];
    if (!head) return; // most cells of a flush are empty; skip setting up the batch
    // Unlinked first, released after: a release may take other items of the cell with it (a
    // multi's parts), so no walk may be running over the cell then.
    CDrawItem* leaving[kFlushBatch];
    CDrawItem* player = nullptr;
    for (;;) {
        int count = 0;
        for (CDrawItem* item = head; item && count < kFlushBatch;) {
            CDrawItem* next = item->nextDraw;
            const bool land = item->IsLand();
            if (item->IsDynamic() || land) {
                if (land) NoteLandUnlisted();
                // Unlinked by hand: the item's own location may name another cell of the ring.
                if (item->prevDraw)
                    item->prevDraw->nextDraw = item->nextDraw;
                else
                    head = item->nextDraw;
                if (item->nextDraw) item->nextDraw->prevDraw = item->prevDraw;
                item->nextDraw = nullptr;
                item->prevDraw = nullptr;
                item->listed = 0;
                if (item->IsPlayer()) {
                    player = item;
                    InvalidateAll();
                } else {
                    leaving[count++] = item;
                }
            }
            item = next;
        }
        for (int i = 0; i < count; ++i)
            if (CPointerRegistry::IsValid(leaving[i])) leaving[i]->Release();
        if (count < kFlushBatch) break;
    }
    if (player) player->AddToDrawList();
}

void FlushAllCells() {
    for (int column = 0; column < DrawMapThingie::kCells; ++column)
        FlushColumn(column);
}

void SetRoofCut(bool on, int level) {
    W().roofCut = on;
    W().roofCutZ = level;
}
bool IsRoofCutOn() {
    return W().roofCut;
}
int GetRoofCutZ() {
    return W().roofCutZ;
}

} // namespace DrawManager
