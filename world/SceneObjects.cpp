// Statics and items on the screen: their rect and art, the span operation their flags choose,
// what hides them (roof cut, ceiling, foliage in front of the player), the ceiling over the
// player, the circle of transparency's rule and picking by art pixels.
#include "core/Options.h"
#include "render/Art.h"
#include "render/DirtyRects.h"
#include "render/DrawManager.h"
#include "render/SceneBlits.h"
#include "render/SpanOps.h"
#include "world/MapManager.h"
#include "world/ObjectNames.h"
#include "world/Scene.h"
#include "world/TileData.h"
#include "world/objects.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

constexpr uint32_t kRoofFlag = 0x10000000u;
constexpr uint32_t kNeverDrawn = 0x10000u;
constexpr int kCensoredFleshArt = 24871;

SceneHooks::HoverObject g_hover = nullptr;

int NormalizedHue(int hue) {
    if ((hue & 0x3FFF) == 0) return hue & 0x8000;
    if ((hue & 0x3FFF) >= 3000) return (hue & 0xC000) | 1;
    return hue;
}

bool NeverDrawnGraphic(int g) {
    return g == 1 || (g >= 8600 && g <= 8610);
}

// The art id of an object (item art = graphic + 0x4000), -1 for none.
int ObjectArtId(const CObj& o) {
    const int g = o.GetArt();
    if (g < 0) return -1;
    if (CensorFlesh && IsFleshGraphic(o.graphic + o.graphicIncrement)) return kCensoredFleshArt;
    return kFirstItemArtId + g;
}

const ArtItem* ObjectArt(const CObj& o) {
    const int id = ObjectArtId(o);
    return id >= 0 && id <= kMaxArtId ? GetArt(id) : nullptr;
}

bool StrictOverlap(const Rect& a, const Rect& b) {
    return b.right > a.left && b.left < a.right && b.bottom > a.top && b.top < a.bottom;
}

// Foliage whose pieces fade together: inclusive ranges.
constexpr int kFoliageRanges[][2] = {{3397, 3404}, {3405, 3411}, {3420, 3426}, {3427, 3433}, {3443, 3449},
                                     {3450, 3455}, {3463, 3467}, {3468, 3472}, {4798, 4807}};

int FoliageRange(int graphic) {
    for (int i = 0; i < static_cast<int>(std::size(kFoliageRanges)); ++i)
        if (graphic >= kFoliageRanges[i][0] && graphic <= kFoliageRanges[i][1]) return i;
    return -1;
}

bool FoliageHidesPlayer(const CObj& o) {
    const CPlayerMobile* p = pPlayerObject;
    if (!p) return false;
    const Rect& pr = p->screenRect;
    const int range = FoliageRange(o.graphic);
    if (range < 0) return StrictOverlap(o.screenRect, pr) && p->locX + p->locY < o.locX + o.locY;
    bool hides = false;
    WorldLists::Foliage().ForEach([&](CObj* other) {
        if (hides || !other->listed || FoliageRange(other->graphic) != range) return;
        if (!StrictOverlap(other->screenRect, pr)) return;
        if (MapManager::Distance(other->locX, other->locY, o.locX, o.locY) !=
            std::abs(other->graphic - o.graphic))
            return;
        if (other->locX + other->locY <= p->locX + p->locY) return;
        if (other->locX + other->locY != o.locX + o.locY) return;
        hides = true;
    });
    return hides;
}

// A land item earlier in the item's cell above the level (at or above it when orEqual).
bool EarlierLandAbove(const CDrawItem& item, int level, bool orEqual) {
    for (const CDrawItem* p = item.prevDraw; p; p = p->prevDraw)
        if (p->IsLand() && (orEqual ? p->z >= level : p->z > level)) return true;
    return false;
}

bool CellCovers(int x, int y, int level) {
    for (const CDrawItem* it = DrawMapThingie::table[y & 63][x & 63]; it; it = it->nextDraw)
        if (!it->IsMobile() && !it->IsLand() && !it->IsBigMobComponent() && it->z >= level &&
            (it->GetTileFlags() & (kRoofFlag | TileFlag::Surface)))
            return true;
    return false;
}

SpanOp SpanForFlags(uint32_t f) {
    switch (f) {
    case 2:
    case 0x20002:
        return HueSpan;
    case 8:
    case 0x40008:
        return TranslucentSpan;
    case 0xA:
        return HueTranslucentSpan;
    case 0x20008:
    case 0x60008:
        return FaintSpan;
    case 0x40002:
    case 0x60002:
        return PartialHueSpan;
    case 0x4000A:
        return PartialHueTranslucentSpan;
    default:
        return CopySpan;
    }
}

// What an object's paint does: nothing, land tile 0 over its cell (no art), or its art through a
// span operation, plainly or faded by the circle of transparency.
struct ObjectPaint {
    enum Kind { kNothing, kLandZero, kArt } kind = kNothing;
    const ArtItem* art = nullptr;
    SpanOp op = nullptr;
    int hueRegister = 0;
    Rect onScreen{}; // the object's rect on the screen
    bool grey = false, stack = false, circle = false;
};

ObjectPaint PlanObject(const CObj& o, uint32_t drawTimeFlags) {
    ObjectPaint p;
    const int g = o.displayedGraphic, i = o.graphicIncrement;
    const uint32_t tileFlags = TileData::Item(g, i).flags | drawTimeFlags;
    int hue = NormalizedHue(o.displayedHue);
    if (NeverDrawnGraphic(g) || (tileFlags & kNeverDrawn)) return p;
    p.art = ObjectArt(o);
    p.grey = (o.IsDynamic() && (static_cast<const CDynamicObj&>(o).status & 0x80)) ||
             (pPlayerObject && pPlayerObject->IsGhost());
    int sx = 0, sy = 0;
    DrawManager::GetScrollOffset(sx, sy);
    p.onScreen = Rect{o.screenRect.left - sx, o.screenRect.top - sy, o.screenRect.right - sx,
                      o.screenRect.bottom - sy};
    if (!p.art) {
        p.kind = ObjectPaint::kLandZero;
        return p;
    }
    if (hue > 60000) return p;
    p.kind = ObjectPaint::kArt;
    const bool hovered = SceneHooks::HoverObjectNow() == &o;
    if (p.grey) hue = 995;
    p.hueRegister = hovered ? 53 : (hue & 0x3FFF) - 1;
    uint32_t f = p.grey ? 0 : (tileFlags & 0x60008u);
    if (hue != 0 || hovered) f += 2;
    p.op = SpanForFlags(f);
    if (hue == 0 && CensorBlood && IsBloodGraphic(g + i)) p.op = BloodRecolorSpan;
    p.stack = o.IsStackDrawn();
    p.circle = UseCircleTrans && p.op != FaintSpan && IsCircleTransFaded(&o);
    return p;
}

void DrawObject(CObj& o, const Rect& clip, uint32_t drawTimeFlags) {
    const ObjectPaint p = PlanObject(o, drawTimeFlags);
    const Rect& onScreen = p.onScreen;
    const int left = onScreen.left, top = onScreen.top;
    if (p.kind == ObjectPaint::kNothing) return;
    if (p.kind == ObjectPaint::kLandZero) {
        if (p.grey)
            DrawLandArtGrey(0, left, top, clip);
        else
            DrawLandArt(0, left, top, clip);
        return;
    }
    SetCurrentHueIndex(p.hueRegister);
    if (p.circle) {
        DrawArtCircleTrans(p.op, p.art, clip, left, top);
        if (p.stack) DrawArtCircleTrans(p.op, p.art, clip, left + 5, top + 5);
        return;
    }
    const bool inside = onScreen.left >= clip.left && onScreen.top >= clip.top &&
                        onScreen.right <= clip.right && onScreen.bottom <= clip.bottom;
    if (!inside || p.stack) {
        DrawArtClipped(p.op, p.art, clip, left, top);
        if (p.stack) DrawArtClipped(p.op, p.art, clip, left + 5, top + 5);
    } else {
        DrawArt(p.op, p.art, left, top);
    }
}

} // namespace

// ---------------------------------------------------------------- hooks
namespace SceneHooks {
void SetHoverObject(HoverObject hook) {
    g_hover = hook;
}
const CDrawItem* HoverObjectNow() {
    return g_hover ? g_hover() : nullptr;
}
void RefreshSeason() {
    // Statics are read again with the season's graphics and land comes back from the map; the
    // server's objects stay.
    std::vector<CObj*> statics;
    WorldLists::World().ForEach([&](CObj* o) {
        if (!o->IsDynamic() && !o->IsMultiComponent()) statics.push_back(o);
    });
    for (CObj* o : statics)
        o->Release();
    std::vector<CDrawItem*> land;
    for (auto& row : DrawMapThingie::table)
        for (CDrawItem* head : row)
            for (CDrawItem* it = head; it; it = it->nextDraw)
                if (it->IsLand()) land.push_back(it);
    for (CDrawItem* it : land)
        it->Release();
    MapManager::ForgetLoadedBlocks();
    MapManager::RefreshView();
    DrawManager::UpdateCeiling();
    InvalidateAll();
}
} // namespace SceneHooks

// ---------------------------------------------------------------- objects
void CObj::CalcScreenRect() {
    const int depth = depthTerm * 22 - z * 4;
    if (IsMobile() || IsCorpse()) {
        // Figures measure their frames; until they do, a cell-wide box above the feet.
        const int feet = depth + 20;
        screenRect = Rect{columnTerm * 22 - 22, feet - 70, columnTerm * 22 + 22, feet};
        return;
    }
    if (const ArtItem* art = ObjectArt(*this)) {
        const int bottom = depth + 43;
        const bool stack = IsStackDrawn();
        const int width = art->width + (stack ? 5 : 0);
        const int top = bottom - art->height - (stack ? 5 : 0);
        const int left = columnTerm * 22 - width / 2;
        screenRect = Rect{left, top, left + width, bottom};
        return;
    }
    // Drawn as land tile 0 over the object's own cell.
    const int left = columnTerm * 22 - 22;
    screenRect = Rect{left, depth, left + 44, depth + 44};
}

void CObj::DrawClip(const Rect& clip) {
    // Mobiles and corpses draw their figure frames.
    if (IsMobile() || IsCorpse()) return;
    DrawObject(*this, clip, DrawManager::GetDrawTimeFlags());
}

Rect CObj::OpaqueCover() const {
    if (IsMobile() || IsCorpse()) return Rect{};
    const ObjectPaint p = PlanObject(*this, DrawManager::GetDrawTimeFlags());
    // These operations write every pixel of the runs from the art and the hue alone.
    if (p.kind != ObjectPaint::kArt || p.circle) return Rect{};
    if (p.op != CopySpan && p.op != HueSpan && p.op != PartialHueSpan) return Rect{};
    const Rect& f = p.art->filled;
    if (f.IsEmpty()) return Rect{};
    const int left = p.onScreen.left, top = p.onScreen.top;
    return Rect{left + f.left, top + f.top, left + f.right, top + f.bottom};
}

void CPreviewObj::DrawClip(const Rect& clip) {
    DrawObject(*this, clip, DrawManager::GetDrawTimeFlags() | TileFlag::Translucent);
}

bool CObj::IsCulled() const {
    if (!listed || !pPlayerObject) return true;
    if (DrawManager::IsRoofCutOn()) {
        const int cut = DrawManager::GetRoofCutZ();
        if (z >= cut || EarlierLandAbove(*this, cut, true)) return true;
    }
    const uint32_t f = GetTileFlags();
    const int ceiling = DrawManager::GetCeiling();
    if ((f & kRoofFlag) && ceiling != DrawManager::kNoCeiling) return true;
    if (z >= ceiling) return true;
    if (f & kNeverDrawn) return true;
    if (!(f & TileFlag::Foliage)) return false;
    if (DrawManager::IsFoliagePass()) foliageCulled = FoliageHidesPlayer(*this);
    return foliageCulled;
}

bool CObj::IsHitAt(int px, int py) const {
    // Figures answer through their frames, pixel by pixel.
    if (IsMobile()) return const_cast<CMobile*>(static_cast<const CMobile*>(this))->HitTest(px, py);
    if (IsCorpse()) return static_cast<const CCorpse*>(this)->HitTest(px, py);
    if (UseCircleTrans && IsCircleTransFaded(this)) return false;
    if (NeverDrawnGraphic(displayedGraphic)) return false;
    const int du = px - screenRect.left, dv = py - screenRect.top;
    if (const ArtItem* art = ObjectArt(*this))
        return GetArtPixel(art, du, dv) != 0 || (IsStackDrawn() && GetArtPixel(art, du - 5, dv - 5) != 0);
    return du + dv > 20 && du + dv < 66 && dv - du >= -22 && dv - du <= 22;
}

bool CMobile::IsCulled() const {
    if (!listed) return true;
    if (z >= DrawManager::GetCeiling()) return true;
    if (DrawManager::IsRoofCutOn() && EarlierLandAbove(*this, DrawManager::GetRoofCutZ(), false)) return true;
    const int level = z + 20;
    static constexpr int kCover[5][2] = {{0, 0}, {1, 1}, {1, 0}, {0, 1}, {2, 2}};
    for (const auto& c : kCover)
        if (!CellCovers(locX + c[0], locY + c[1], level)) return false;
    return true;
}

bool IsCircleTransFaded(const CObj* o) {
    if (!o || o->IsDynamic() || !pPlayerObject) return false;
    if (o->graphic >= 6038 && o->graphic <= 6066) return false;
    if (o->z + o->GetHeight() <= pPlayerObject->z + 5) return false;
    int sx = 0, sy = 0;
    DrawManager::GetScrollOffset(sx, sy);
    const Rect r{o->screenRect.left - sx, o->screenRect.top - sy, o->screenRect.right - sx,
                 o->screenRect.bottom - sy};
    const Rect& c = CircleTrans::GetRect();
    return r.left < c.right && c.left < r.right && r.top < c.bottom && c.top < r.bottom;
}

// ---------------------------------------------------------------- scene calls over objects
namespace DrawManager {

void UpdateCeiling() {
    const int oldCeiling = GetCeiling(), oldFlood = GetFloodZ();
    int ceiling = kNoCeiling, flood = kNoCeiling;
    const CPlayerMobile* p = pPlayerObject;
    if (!p) {
        SetCeiling(kNoCeiling, kNoCeiling);
        return;
    }
    if (p->listed) {
        for (const CDrawItem* it = DrawMapThingie::table[p->locY & 63][p->locX & 63]; it; it = it->nextDraw) {
            if (it->IsLand() || it->IsMobile() || it->z <= p->z + 14) continue;
            const uint32_t f = it->GetTileFlags();
            if (f & (TileFlag::Foliage | TileFlag::Transparent)) continue;
            if ((f & kRoofFlag) && !(f & TileFlag::Surface)) continue;
            ceiling = std::min(ceiling, static_cast<int>(it->z));
        }
        flood = ceiling;
    }
    for (const CDrawItem* it = DrawMapThingie::table[(p->locY + 1) & 63][(p->locX + 1) & 63]; it;
         it = it->nextDraw) {
        if (it->IsLand() || it->IsMobile()) continue;
        if (!(it->z > p->z + 14 && it->z < ceiling)) continue;
        const uint32_t f = it->GetTileFlags();
        if (!(f & kRoofFlag) || (f & (TileFlag::Surface | TileFlag::Transparent))) continue;
        ceiling = it->z;
        ClearFloodVisited();
        flood = FloodRoofZ(it->z, it->locX, it->locY, it->z);
    }
    SetCeiling(ceiling, flood);

    SetFoliagePass(true);
    WorldLists::Foliage().ForEach([&](CObj* o) {
        if (!o->listed) return;
        const bool before = o->foliageCulled;
        o->IsCulled();
        if (o->foliageCulled != before) CDrawItem::Invalidate(o);
    });
    SetFoliagePass(false);

    ceiling = std::max(flood, p->z + 16);
    SetCeiling(ceiling, flood);
    if (ceiling != oldCeiling || flood != oldFlood) InvalidateAll();
}

void RefreshItemsWithGraphic(int graphic) {
    std::vector<CDrawItem*> found;
    for (auto& row : DrawMapThingie::table)
        for (CDrawItem* head : row)
            for (CDrawItem* it = head; it; it = it->nextDraw)
                if (it->IsObj() && !it->IsMobile()) {
                    const CObj* o = static_cast<const CObj*>(it);
                    if (o->graphic + o->graphicIncrement == graphic) found.push_back(it);
                }
    for (CDrawItem* it : found) {
        it->RemoveFromDrawList();
        it->AddToDrawList();
    }
}

} // namespace DrawManager
