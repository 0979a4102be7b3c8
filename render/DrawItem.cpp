#include "render/DrawItem.h"

#include "core/QVReport.h"
#include "render/DirtyRects.h"
#include "render/DrawManager.h"

#include <cstdlib>

namespace DrawMapThingie {
CDrawItem* table[kCells][kCells] = {};
} // namespace DrawMapThingie

namespace DrawItemWorld {
namespace {

void DirtyOnScreen(const Rect& world) {
    int sx = 0, sy = 0;
    DrawManager::GetScrollOffset(sx, sy);
    const Rect screen{world.left - sx, world.top - sy, world.right - sx, world.bottom - sy};
    DirtyRect(&screen);
}

struct State {
    int centerX = 0;
    int centerY = 0;
    int updateRange = 18;
    int mapWidth = 6144;
    int wrapWidth = 5120;
    int wrapHeight = 4096;
    DirtySink sink = DirtyOnScreen;
};

State& S() {
    static State s;
    return s;
}

} // namespace

void SetViewCenter(int x, int y) {
    S().centerX = x;
    S().centerY = y;
}
void GetViewCenter(int& x, int& y) {
    x = S().centerX;
    y = S().centerY;
}
void SetUpdateRange(int range) {
    S().updateRange = range;
}
int GetUpdateRange() {
    return S().updateRange;
}
void SetMapWidth(int width) {
    S().mapWidth = width;
}
int GetMapWidth() {
    return S().mapWidth;
}
void SetWrapSize(int width, int height) {
    S().wrapWidth = width;
    S().wrapHeight = height;
}
void GetWrapSize(int& width, int& height) {
    width = S().wrapWidth;
    height = S().wrapHeight;
}
void SetDirtySink(DirtySink sink) {
    S().sink = sink ? sink : DirtyOnScreen;
}
void ResetForTests() {
    S() = State{};
    for (auto& row : DrawMapThingie::table)
        for (CDrawItem*& head : row)
            head = nullptr;
    DrawManager::NoteLandUnlisted();
}

void Dirty(const Rect& r) {
    S().sink(r);
}

} // namespace DrawItemWorld

namespace DrawManager {
namespace {
uint64_t g_landUnlistings = 0;
} // namespace

uint64_t LandUnlistings() {
    return g_landUnlistings;
}

void NoteLandUnlisted() {
    ++g_landUnlistings;
}

// Empties every cell; the items stay alive and are simply no longer listed.
void ClearDrawTable() {
    NoteLandUnlisted();
    for (auto& row : DrawMapThingie::table) {
        for (CDrawItem*& head : row) {
            CDrawItem* item = head;
            while (item) {
                CDrawItem* next = item->nextDraw;
                item->nextDraw = nullptr;
                item->prevDraw = nullptr;
                item->listed = 0;
                item = next;
            }
            head = nullptr;
        }
    }
}
} // namespace DrawManager

CDrawItem::CDrawItem() = default;

CDrawItem::~CDrawItem() {
    // A derived class has unlisted itself already; this is the last resort of the base.
    if (listed) CDrawItem::RemoveFromDrawList();
    screenRect = Rect{};
    nextDraw = nullptr;
    prevDraw = nullptr;
}

void CDrawItem::Release() {
    delete this;
}

void CDrawItem::DrawClip(const Rect&) {}

void CDrawItem::CalcScreenRect() {
    const int left = columnTerm * 22 - 22;
    const int top = depthTerm * 22 - z * 4;
    screenRect = Rect{left, top, left + 44, top + 44};
}

void CDrawItem::SetLocation(uint32_t packed, int newZ) {
    locX = static_cast<int16_t>(packed & 0xFFFF);
    locY = static_cast<int16_t>(packed >> 16);
    z = static_cast<int16_t>(newZ);
}

void CDrawItem::SetTerms() {
    depthTerm = locX + locY;
    columnTerm = DrawItemWorld::GetMapWidth() + locX - locY;
}

void CDrawItem::DirtyOwnRect() const {
    if (listed && !IsCulled()) DrawItemWorld::Dirty(screenRect);
}

void CDrawItem::LinkIntoCell(int column, int row, bool landRule) {
    CDrawItem*& head = DrawMapThingie::table[row & 63][column & 63];
    CDrawItem* before = nullptr; // the item the new one goes in front of
    CDrawItem* last = nullptr;
    for (CDrawItem* it = head; it; it = it->nextDraw) {
        if (it->drawKey > drawKey || (landRule && it->drawKey == drawKey && IsLand() && !it->IsLand())) {
            before = it;
            break;
        }
        last = it;
    }
    nextDraw = before;
    prevDraw = before ? before->prevDraw : last;
    if (prevDraw)
        prevDraw->nextDraw = this;
    else
        head = this;
    if (before) before->prevDraw = this;
}

void CDrawItem::AddToDrawList() {
    if (listed) RemoveFromDrawList();
    drawKey = DrawKey();
    SetTerms();
    int x = 0, y = 0;
    ListingCell(x, y);
    const int d = CellOffset();
    LinkIntoCell(x + d, y - d, true);
    listed = 1;
    CalcScreenRect();
    DirtyOwnRect();
}

void CDrawItem::InsertIntoCell(int& x, int& y) {
    if (listed) RemoveFromDrawList();
    drawKey = DrawKey();
    SetTerms();
    listed = 1;
    CalcScreenRect();
    const int d = CellOffset();
    x = (x + d) & 63;
    y = (y - d) & 63;
    LinkIntoCell(x, y, false);
    DirtyOwnRect();
}

void CDrawItem::UnlinkFromCell(int x, int y, const char* mismatchText) {
    DirtyOwnRect();
    if (IsLand()) DrawManager::NoteLandUnlisted();
    if (nextDraw) nextDraw->prevDraw = prevDraw;
    if (prevDraw) {
        prevDraw->nextDraw = nextDraw;
    } else {
        CDrawItem*& head = DrawMapThingie::table[y & 63][x & 63];
        if (head == this) {
            head = nextDraw;
        } else {
            // The location or offset changed after listing: find the cell by its head.
            QVReport::error("%s", mismatchText);
            for (auto& row : DrawMapThingie::table)
                for (CDrawItem*& h : row)
                    if (h == this) h = nextDraw;
        }
    }
    listed = 0;
    nextDraw = nullptr;
    prevDraw = nullptr;
}

void CDrawItem::RemoveFromDrawList() {
    if (!listed) return;
    UnlinkFromCell(locX, locY,
                   "CDrawItem::RemoveFromDrawList(): code would have asserted because "
                   "'DrawMapThingie::table[locY][locX] == this' evaluates to 0");
}

void CDrawItem::Invalidate(const CDrawItem* item) {
    // Liveness comes from the registry: a dead item's memory is never read.
    if (!item || !CPointerRegistry::IsValid(item)) return;
    if (item->listed) DrawItemWorld::Dirty(item->screenRect);
}

bool CDrawItem::IsInRange(int range, int x, int y) const {
    return std::abs(locX - x) <= range && std::abs(locY - y) <= range;
}

bool CDrawItem::IsInRangeOfCenter(int range) const {
    int x = 0, y = 0;
    DrawItemWorld::GetViewCenter(x, y);
    return IsInRange(range, x, y);
}

bool CDrawItem::IsInUpdateRange() const {
    return IsInRangeOfCenter(DrawItemWorld::GetUpdateRange());
}
