// Painting the draw-cell table back to front, the ceiling state and the flood walk over roofs, and
// picking the item under a screen point.
#include "render/DrawManager.h"

#include "core/QVReport.h"
#include "render/Art.h"
#include "render/DrawItem.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>

namespace DrawManager {
namespace {

// The window cells with -29 <= u - v <= 29 and 31 <= u + v <= 97, by u + v, then by u.
std::array<uint16_t, kCellOrderCount> BuildCellOrder() {
    std::array<uint16_t, kCellOrderCount> order{};
    int n = 0;
    for (int sum = 31; sum <= 97; ++sum)
        for (int u = 0; u < 64; ++u) {
            const int v = sum - u;
            if (v < 0 || v > 63 || u - v < -29 || u - v > 29) continue;
            if (n < kCellOrderCount) order[static_cast<size_t>(n)] = static_cast<uint16_t>(v * 64 + u);
            ++n;
        }
    return order;
}

const std::array<uint16_t, kCellOrderCount> kOrder = BuildCellOrder();

struct SceneState {
    int scrollX = 0;
    int scrollY = 0;
    int ceiling = kNoCeiling;
    int floodZ = kNoCeiling;
    bool foliagePass = false;
    bool stripDrawing = false;
    uint32_t drawTimeFlags = 0;
    uint8_t visited[64][64] = {};
};

SceneState& S() {
    static SceneState s;
    return s;
}

// The head of the table cell that holds window offset (u, v).
CDrawItem* CellAt(uint16_t cell) {
    int cornerX = 0, cornerY = 0;
    GetWindowCorner(cornerX, cornerY);
    const int u = cell & 63, v = cell >> 6;
    return DrawMapThingie::table[(cornerY + v) & 63][(cornerX + u) & 63];
}

CDrawItem* Tail(CDrawItem* head) {
    if (!head) return nullptr;
    while (head->nextDraw)
        head = head->nextDraw;
    return head;
}

bool Holds(const Rect& r, int px, int py) {
    return r.left <= px && px < r.right && r.top <= py && py < r.bottom;
}

void FillBlack(const Rect& clip) {
    const BlitTarget& target = GetBlitTarget();
    const Rect area = WritableArea(target, clip);
    if (area.IsEmpty()) return;
    for (int row = area.top; row < area.bottom; ++row)
        std::memset(target.At(area.left, row), 0,
                    static_cast<size_t>(area.right - area.left) * sizeof(uint16_t));
}

} // namespace

const uint16_t* CellOrder() {
    return kOrder.data();
}

void startup() {
    QVReport::message("DrawManager::startup: begin.\n");
    SetRoofCut(false, GetRoofCutZ());
}

void GetScrollOffset(int& x, int& y) {
    x = S().scrollX;
    y = S().scrollY;
}

void SetScrollOffset(int x, int y) {
    S().scrollX = x;
    S().scrollY = y;
}

int GetCeiling() {
    return S().ceiling;
}
int GetFloodZ() {
    return S().floodZ;
}
void SetCeiling(int ceiling, int floodZ) {
    S().ceiling = ceiling;
    S().floodZ = floodZ;
}
bool IsFoliagePass() {
    return S().foliagePass;
}
void SetFoliagePass(bool on) {
    S().foliagePass = on;
}
bool IsStripDrawing() {
    return S().stripDrawing;
}
void SetStripDrawing(bool on) {
    S().stripDrawing = on;
}
uint32_t GetDrawTimeFlags() {
    return S().drawTimeFlags;
}
void SetDrawTimeFlags(uint32_t flags) {
    S().drawTimeFlags = flags;
}

void ClearFloodVisited() {
    std::memset(S().visited, 0, sizeof S().visited);
}

int FloodRoofZ(int best, int x, int y, int z) {
    // An explicit stack: a roof of a few thousand cells would otherwise recurse as deep.
    struct Step {
        int x, y, z;
    };
    static Step stack[4 * 64 * 64 + 4];
    int top = 0;
    stack[top++] = Step{x, y, z};
    while (top > 0) {
        const Step s = stack[--top];
        uint8_t& mark = S().visited[s.y & 63][s.x & 63];
        if (mark) continue;
        mark = 1;
        const CDrawItem* roof = nullptr;
        for (const CDrawItem* it = DrawMapThingie::table[s.y & 63][s.x & 63]; it; it = it->nextDraw)
            if (it->IsObj() && !it->IsMobile() && (it->GetTileFlags() & 0x10000000u) &&
                std::abs(it->z - s.z) <= 6) {
                roof = it;
                break;
            }
        if (!roof) continue;
        best = std::min(best, static_cast<int>(roof->z));
        // Pushed in reverse so that (x - 1, y) is walked first.
        const int nz = roof->z;
        if (top + 4 > static_cast<int>(std::size(stack))) continue;
        stack[top++] = Step{s.x, s.y + 1, nz};
        stack[top++] = Step{s.x, s.y - 1, nz};
        stack[top++] = Step{s.x + 1, s.y, nz};
        stack[top++] = Step{s.x - 1, s.y, nz};
    }
    return best;
}

void DrawScene(const Rect& c) {
    if (IsRoofCutOn()) FillBlack(c);
    const int sx = S().scrollX, sy = S().scrollY;
    const int top = c.top + sy, bottom = c.bottom + sy, left = c.left + sx, right = c.right + sx;
    for (uint16_t cell : kOrder) {
        for (CDrawItem* item = CellAt(cell); item; item = item->nextDraw) {
            const Rect& r = item->screenRect;
            // Touching edges count: a neighbour's seam pixels may lie on the edge.
            if (r.top > bottom || r.bottom < top || r.left > right || r.right < left) continue;
            if (!item->IsCulled()) {
                item->DrawClip(c);
            } else if (item->IsObj() && (item->GetTileFlags() & 0x20000u)) {
                // Culled foliage stays as a faint outline.
                S().drawTimeFlags = 0x8;
                item->DrawClip(c);
                S().drawTimeFlags = 0;
            }
        }
    }
}

CDrawItem* GetDrawItemAtScreenLoc(int x, int y, bool skipLand) {
    const int px = x + S().scrollX, py = y + S().scrollY;
    const bool cut = IsRoofCutOn();
    const int cutZ = GetRoofCutZ();
    for (int i = kCellOrderCount - 1; i >= 0; --i) {
        for (CDrawItem* item = Tail(CellAt(kOrder[static_cast<size_t>(i)])); item; item = item->prevDraw) {
            if (!Holds(item->screenRect, px, py)) continue;
            if (item->IsCulled() || item->IsBigMobComponent() || item->IsEffect()) continue;
            if (item->IsLand() && (skipLand || (cut && cutZ < item->z))) continue;
            if (item->IsHitAt(px, py)) return item;
        }
    }
    return nullptr;
}

CDrawItem* GetLandAtScreenLoc(int x, int y) {
    const int px = x + S().scrollX, py = y + S().scrollY;
    CDrawItem* nearest = nullptr;
    int best = 9999;
    for (int i = kCellOrderCount - 1; i >= 0; --i) {
        for (CDrawItem* item = Tail(CellAt(kOrder[static_cast<size_t>(i)])); item; item = item->prevDraw) {
            if (!item->IsLand() || !Holds(item->screenRect, px, py)) continue;
            const Rect& r = item->screenRect;
            const int d = std::abs(px - (r.left + r.right) / 2) + std::abs(py - (r.top + r.bottom) / 2);
            if (d < best) {
                best = d;
                nearest = item;
            }
        }
    }
    return nearest;
}

CDrawItem* GetLastItemInCell(int x, int y) {
    return Tail(DrawMapThingie::table[y & 63][x & 63]);
}

void ResetForTests() {
    S() = SceneState{};
    SetRoofCut(false, 0);
}

} // namespace DrawManager
