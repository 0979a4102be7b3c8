#pragma once
// Draw items and the draw-cell table. Everything drawn in the world view is a CDrawItem listed in
// one cell of a 64 x 64 table of lists; each cell stays in ascending draw-key order, so walking a
// cell from its head paints it back to front. The world's object classes derive from CDrawItem;
// nothing here knows them: what listing needs of a class (its key, its cell) are virtual.
#include "core/MemoryManager.h"
#include "render/Rect.h"

#include <cstdint>

class CDrawItem : public CTrackedObject {
  public:
    CDrawItem();
    ~CDrawItem() override;
    CDrawItem(const CDrawItem&) = delete;
    CDrawItem& operator=(const CDrawItem&) = delete;

    // ---- the 24 operations, in slot order (the destructor is the first)
    virtual void Release();                  // base: delete
    virtual void DrawClip(const Rect& clip); // base: nothing yet
    virtual void CalcScreenRect();           // base: the cell's 44 x 44 box at z
    virtual void AddToDrawList();
    virtual void RemoveFromDrawList();
    virtual bool IsObj() const { return false; }
    virtual bool IsLand() const { return false; }
    virtual bool IsStretchedLand() const { return false; }
    virtual bool IsMobile() const { return false; }
    virtual bool IsPlayer() const { return false; }
    virtual bool IsDynamic() const { return true; }
    virtual bool IsContainer() const { return false; }
    virtual bool IsEffect() const { return false; }
    virtual bool IsBigMobComponent() const { return false; }
    virtual bool IsCulled() const { return !listed; }
    virtual uint32_t GetTileFlags() const { return 0; }
    virtual int GetTopZ() const { return z; }
    virtual int GetBottomZ() const { return z; }
    virtual int GetZAtDir(int /*direction*/) const { return z; }
    virtual void RemoveFromWorld() {}
    virtual bool IsInRange(int range, int x, int y) const;
    virtual bool IsInRangeOfCenter(int range) const;
    virtual bool IsInUpdateRange() const;

    // ---- what listing asks of a class
    // The sort key within the cell.
    virtual int DrawKey() const { return z; }
    // The cell the item is listed in before the cell offset (mobiles: their stepping cell).
    virtual void ListingCell(int& x, int& y) const {
        x = locX;
        y = locY;
    }

    // Picking: true when the item shows a pixel at the world point (px, py), which lies inside its
    // screen rect. Base: never (effect items and strips are not picked).
    virtual bool IsHitAt(int /*px*/, int /*py*/) const { return false; }

    // What a paint may leave out (render/DrawManager.cpp): the screen rect, inside the item's own,
    // that the item's paint, when it is not culled, surely covers with pixels that do not depend on
    // what lies below them (empty: none; base). And whether the paint of an item may be left out
    // where its rect lies under such covers: true when the paint does nothing but write pixels,
    // each the same whatever the clip.
    virtual Rect OpaqueCover() const { return Rect{}; }
    virtual bool MayBeLeftOutWhenCovered() const { return false; }

    // For the pools of objects that outlive their use: a pooled object leaves the live set when
    // released and joins it again when handed out.
    void LeaveLiveSet() { Retire(); }
    void JoinLiveSet() { Revive(); }

    // Sets the location from a packed word: x in the low 16 bits, y in the high 16 bits.
    void SetLocation(uint32_t packed, int newZ);
    // Lists at a given cell (with the cell offset, no land rule); x and y come back as the cell used.
    void InsertIntoCell(int& x, int& y);
    // Redraws a listed, live item; anything else (null, dead, unlisted) is ignored.
    static void Invalidate(const CDrawItem* item);
    // Dirties the item's rect when it is listed and not culled.
    void DirtyOwnRect() const;
    // The cell offset d of containers; 0 for every other item.
    int CellOffset() const { return IsContainer() ? cellOffset : 0; }

    Rect screenRect{};
    CDrawItem* nextDraw = nullptr;
    CDrawItem* prevDraw = nullptr;
    uint32_t listed = 0;
    int16_t locX = 0;
    int16_t locY = 0;
    int16_t z = 0;
    int32_t columnTerm = 0;
    int32_t depthTerm = 0;
    int32_t drawKey = 0;
    // Whole 44-pixel columns the figure reaches right of its cell (containers only).
    int32_t cellOffset = 0;
    // The paint that found part of the item (or all of it) covered by what is painted after it,
    // and the part left open, on the screen: that paint paints the item only there.
    uint32_t coveredInPaint = 0;
    Rect uncoveredPart{};

  protected:
    // Unlinks from the cell whose head should be (x & 63, y & 63); a head that does not match is
    // logged with the class's text and the table is repaired.
    void UnlinkFromCell(int x, int y, const char* mismatchText);
    // Links into the cell before the first item with a greater key (with the land rule when
    // landRule is set); the cell column and row are masked.
    void LinkIntoCell(int column, int row, bool landRule);
    void SetTerms();
};

namespace DrawMapThingie {
constexpr int kCells = 64;
extern CDrawItem* table[kCells][kCells];
} // namespace DrawMapThingie

// What the table needs of the world and the screen, handed down by the world model.
namespace DrawItemWorld {
// The map view centre (range tests) and the player's update range (18 when no player).
void SetViewCenter(int x, int y);
void GetViewCenter(int& x, int& y);
void SetUpdateRange(int range);
int GetUpdateRange();
// The map width that the column term uses (6144 or 2304).
void SetMapWidth(int width);
int GetMapWidth();
// The wrap size of the facet (5120 x 4096 on the large facets) for the draw window's seam.
void SetWrapSize(int width, int height);
void GetWrapSize(int& width, int& height);
// Where dirtied world rects go; the default subtracts the scroll offset and calls DirtyRect.
using DirtySink = void (*)(const Rect& worldRect);
void SetDirtySink(DirtySink sink);
void ResetForTests();
} // namespace DrawItemWorld
