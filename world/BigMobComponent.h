#pragma once
// Strips of tall figures. A mobile or corpse whose picture reaches far below its feet would be
// covered wrongly by what stands in the cells in front of it if it were drawn only from its own
// cell. So its listing adds a chain of strips, each 44 rows of its rect listed in a cell further
// down the screen (x + k, y + k); drawing a strip draws the owner cut to the strip's rows, in
// that cell's order.
#include "render/DrawItem.h"

class CContainerObj;

class CBigMobComponent : public CDrawItem {
  public:
    // Links itself at the head of the owner's chain; a null owner ends the program.
    CBigMobComponent(int x, int y, int topRow, int bottomRow, CContainerObj* owner);
    ~CBigMobComponent() override;

    void Release() override;
    void DrawClip(const Rect& clip) override;
    void CalcScreenRect() override {} // fixed at construction
    bool IsDynamic() const override { return true; }
    bool IsBigMobComponent() const override { return true; }
    bool IsCulled() const override;
    int DrawKey() const override { return drawKey; }

    // Lists the strip in its own cell, sorted with the owner's key.
    void List();

    int topRow = 0;
    int bottomRow = 0; // exclusive
    CContainerObj* myOwner = nullptr;
    CBigMobComponent* nextMobComp = nullptr;
    CBigMobComponent* prevMobComp = nullptr;
};

namespace BigMobStrips {
// Set while a strip draws its owner: the owner then leaves out what is drawn only once (its own
// clip at the feet line).
bool IsDrawingStrip();
// After the owner was listed in cell (cellX, cellY): one strip per 44 rows of its rect below the
// feet line.
void ListStrips(CContainerObj* owner, int cellX, int cellY, int feetLine);
// Releases every strip of the owner (each unlists itself).
void ReleaseStrips(CContainerObj* owner, const char* freedHeadText);
int CountStrips(const CContainerObj* owner);
} // namespace BigMobStrips
