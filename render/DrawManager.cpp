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
#include <vector>

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
    uint32_t paint = 0; // counts the paints, for CDrawItem::coveredInPaint
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

// The head of the table cell that holds window offset (u, v), the window's corner given.
CDrawItem* CellAt(uint16_t cell, int cornerX, int cornerY) {
    const int u = cell & 63, v = cell >> 6;
    return DrawMapThingie::table[(cornerY + v) & 63][(cornerX + u) & 63];
}

CDrawItem* CellAt(uint16_t cell) {
    int cornerX = 0, cornerY = 0;
    GetWindowCorner(cornerX, cornerY);
    return CellAt(cell, cornerX, cornerY);
}

// fn(item) for every item of the window's cells in paint order, the next item read after fn. The
// items lie all over the heap: the head of a cell a few cells on is fetched ahead while the lists
// before it are walked.
template <class Fn> void ForEachInPaintOrder(Fn fn) {
    int cornerX = 0, cornerY = 0;
    GetWindowCorner(cornerX, cornerY);
    auto head = [&](uint16_t cell) { return CellAt(cell, cornerX, cornerY); };
    constexpr size_t kAhead = 4;
    for (size_t i = 0; i < kOrder.size(); ++i) {
        if (i + kAhead < kOrder.size())
            if (const CDrawItem* ahead = head(kOrder[i + kAhead])) __builtin_prefetch(ahead);
        for (CDrawItem* item = head(kOrder[i]); item; item = item->nextDraw)
            fn(item);
    }
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

// The smallest paint (in pixels) that looks for items to leave out.
constexpr int64_t kLeaveOutArea = 128 * 128;

// The 4 x 4 blocks of a paint's clip that are sure to end up under pixels which do not depend on
// what lies below them. A block is marked only when a cover holds it whole (a block cut by the
// clip's right or bottom edge counts its pixels inside the clip only), and a rect is covered only
// when every block it touches is marked, so the answer errs on the side of painting.
class Coverage {
  public:
    void Reset(const Rect& clip) {
        clip_ = clip;
        columns_ = (clip.Width() + kBlock - 1) / kBlock;
        rows_ = (clip.Height() + kBlock - 1) / kBlock;
        words_ = (columns_ + 63) / 64;
        bits_.assign(static_cast<size_t>(rows_) * static_cast<size_t>(words_), 0);
    }
    void Mark(const Rect& cover) {
        const Rect r = IntersectRect(cover, clip_);
        if (r.IsEmpty()) return;
        const int x0 = (r.left - clip_.left + kBlock - 1) / kBlock,
                  x1 = r.right >= clip_.right ? columns_ : (r.right - clip_.left) / kBlock;
        const int y0 = (r.top - clip_.top + kBlock - 1) / kBlock,
                  y1 = r.bottom >= clip_.bottom ? rows_ : (r.bottom - clip_.top) / kBlock;
        for (int y = y0; y < y1; ++y)
            ForRange(Row(y), x0, x1, [](uint64_t& word, uint64_t mask) {
                word |= mask;
                return true;
            });
    }
    // The part of rect (cut to the clip) that is not covered: the bounding rect of the blocks it
    // touches that are not marked. Empty when nothing of it shows.
    Rect Uncovered(const Rect& rect) const {
        const Rect r = IntersectRect(rect, clip_);
        if (r.IsEmpty()) return Rect{};
        const int x0 = (r.left - clip_.left) / kBlock, x1 = (r.right - clip_.left + kBlock - 1) / kBlock;
        const int y0 = (r.top - clip_.top) / kBlock, y1 = (r.bottom - clip_.top + kBlock - 1) / kBlock;
        int left = columns_, right = -1, top = -1, bottom = -1;
        for (int y = y0; y < y1; ++y) {
            int w = x0 / 64;
            ForRange(Row(y), x0, x1, [&](uint64_t word, uint64_t mask) {
                if (const uint64_t open = ~word & mask) {
                    left = std::min(left, w * 64 + __builtin_ctzll(open));
                    right = std::max(right, w * 64 + 63 - __builtin_clzll(open));
                    if (top < 0) top = y;
                    bottom = y;
                }
                ++w;
                return true;
            });
        }
        if (top < 0) return Rect{};
        return IntersectRect(r, Rect{clip_.left + left * kBlock, clip_.top + top * kBlock,
                                     clip_.left + (right + 1) * kBlock, clip_.top + (bottom + 1) * kBlock});
    }

  private:
    static constexpr int kBlock = 4;
    uint64_t* Row(int y) { return bits_.data() + static_cast<size_t>(y) * static_cast<size_t>(words_); }
    const uint64_t* Row(int y) const {
        return bits_.data() + static_cast<size_t>(y) * static_cast<size_t>(words_);
    }
    // fn(word, mask) over the words of blocks x0..x1 - 1 of a row; false as soon as fn is.
    template <class Word, class Fn> static bool ForRange(Word* row, int x0, int x1, Fn fn) {
        if (x0 >= x1) return true;
        const int w0 = x0 / 64, w1 = (x1 - 1) / 64;
        for (int w = w0; w <= w1; ++w) {
            const int from = w == w0 ? x0 % 64 : 0, to = w == w1 ? (x1 - 1) % 64 + 1 : 64;
            const uint64_t mask =
                (to == 64 ? ~uint64_t{0} : (uint64_t{1} << to) - 1) & ~((uint64_t{1} << from) - 1);
            if (!fn(row[w], mask)) return false;
        }
        return true;
    }
    Rect clip_{};
    int columns_ = 0, rows_ = 0, words_ = 0;
    std::vector<uint64_t> bits_;
};

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
    // Touching edges count: a neighbour's seam pixels may lie on the edge.
    auto meets = [&](const Rect& r) {
        return !(r.top > bottom || r.bottom < top || r.left > right || r.right < left);
    };
    if (++S().paint == 0) ++S().paint;
    const uint32_t paint = S().paint;
    // Back to front first, over what this paint takes part in: an item that may be left out is
    // marked with the part of it that the covers of the items painted after it leave open (none
    // when it lies wholly under them), so that a frame full of statics does not paint the land and
    // the statics beneath them. A small paint is left to paint everything: the
    // extra walk would cost more than it saves.
    const Rect area = WritableArea(GetBlitTarget(), c);
    if (int64_t{area.Width()} * area.Height() >= kLeaveOutArea) {
        static std::vector<CDrawItem*> taking;
        static Coverage coverage;
        taking.clear();
        ForEachInPaintOrder([&](CDrawItem* item) {
            if (meets(item->screenRect)) taking.push_back(item);
        });
        coverage.Reset(area);
        for (auto it = taking.rbegin(); it != taking.rend(); ++it) {
            CDrawItem* item = *it;
            const Rect& r = item->screenRect;
            if (item->MayBeLeftOutWhenCovered()) {
                item->coveredInPaint = paint;
                item->uncoveredPart =
                    coverage.Uncovered(Rect{r.left - sx, r.top - sy, r.right - sx, r.bottom - sy});
                // A hidden item's own cover lies within what is covered already.
                if (item->uncoveredPart.IsEmpty()) continue;
            }
            const Rect cover = item->OpaqueCover();
            if (!cover.IsEmpty() && !item->IsCulled()) coverage.Mark(cover);
        }
    }
    ForEachInPaintOrder([&](CDrawItem* item) {
        if (!meets(item->screenRect)) return;
        const bool narrowed = item->coveredInPaint == paint;
        if (narrowed && item->uncoveredPart.IsEmpty()) return;
        // Only what is not covered: the pixels of each blit do not depend on its clip.
        const Rect& clip = narrowed ? item->uncoveredPart : c;
        if (!item->IsCulled()) {
            item->DrawClip(clip);
        } else if (item->IsObj() && (item->GetTileFlags() & 0x20000u)) {
            // Culled foliage stays as a faint outline.
            S().drawTimeFlags = 0x8;
            item->DrawClip(clip);
            S().drawTimeFlags = 0;
        }
    });
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
