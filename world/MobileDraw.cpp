#include "world/MobileDraw.h"

#include "core/DefManager.h"
#include "core/MarkedMobiles.h"
#include "render/AnimFrames.h"
#include "render/Art.h"
#include "render/DrawManager.h"
#include "render/HueManager.h"
#include "world/AnimChoice.h"
#include "world/BigMobComponent.h"
#include "world/BodyTypes.h"
#include "world/SkipDrawHandler.h"
#include "world/TileData.h"
#include "world/WorldHooks.h"
#include "world/objects.h"

#include <algorithm>
#include <memory>

// ---------------------------------------------------------------- shared rules

bool IsLayerHidden(int layer, const CDynamicObj* const* layers) {
    if (!layers) return false;
    switch (layer) {
    case 3:
    case 4:
        return layers[24] != nullptr;
    case 11:
        return layers[22] && layers[22]->graphic == 8270;
    case 13:
    case 19:
        return layers[22] != nullptr;
    default:
        return false;
    }
}

int GetNotorietyHue(const CMobile* mobile) {
    return mobile ? HueManager::GetNotorietyHue(mobile->GetNotoriety()) : 0;
}

bool IsLayer11Or16Item(const CDynamicObj* item) {
    if (!item) return false;
    const int layer = TileData::Item(item->displayedGraphic).quality;
    return layer == 11 || layer == 16;
}

bool IsShadowFreeBody(int body) {
    switch (body) {
    case 21:
    case 52:
    case 95:
    case 150:
    case 151:
    case 221:
        return true;
    default:
        return false;
    }
}

namespace {
constexpr SpecialMount kSpecialMounts[] = {
    {16045, 132, 4, 160, 195}, {16052, 122, 9, 160, 215}, {16056, 188, 7, 160, 200},
    {16058, 187, 7, 260, 200}, {16059, 793, 9, 120, 200}, {16060, 791, -1, 160, 180},
    {16061, 794, 1, 260, 180}, {16062, 799, 1, 260, 180},
};
} // namespace

const SpecialMount* FindSpecialMount(int graphic) {
    for (const SpecialMount& m : kSpecialMounts)
        if (m.graphic == graphic) return &m;
    return nullptr;
}

// ---------------------------------------------------------------- frames

namespace {

constexpr int kMountLayer = AnimTables::kMountLayer;
constexpr int kCoveringGraphic = 8270;

// A frame ready to draw: the item holds the frame's bytes alive.
struct Figure {
    std::shared_ptr<const AnimItem> item;
    const AnimFrame* frame = nullptr;
    bool mirrored = false;
    explicit operator bool() const { return frame != nullptr; }
};

Figure Resolve(const AnimPick& pick) {
    Figure f;
    f.item = AnimCache::Get(pick.index, pick.secondPair);
    f.frame = f.item ? f.item->Frame(pick.frame) : nullptr;
    f.mirrored = pick.mirrored;
    return f;
}

Rect Union(const Rect& a, const Rect& b) {
    return Rect{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

int FloorHalf(int v) {
    return v >> 1;
}

// Where the halved, sheared shadow of a frame placed at the rect can reach.
Rect ShadowRect(const Rect& frameRect, int anchorX, int anchorY) {
    const Rect b{frameRect.left - anchorX, frameRect.top - anchorY, frameRect.right - anchorX,
                 frameRect.bottom - anchorY};
    const int lowest = b.bottom - 1;
    return Rect{anchorX + b.left - FloorHalf(lowest), anchorY + FloorHalf(b.top),
                anchorX + b.right - FloorHalf(b.top), anchorY + FloorHalf(lowest) + 1};
}

int CellOffsetFor(const Rect& rect, int anchorX) {
    const int reach = rect.right - anchorX + 22;
    return reach > 44 ? reach / 44 : 0;
}

bool IsGhostPlayer() {
    return pPlayerObject && pPlayerObject->IsGhost();
}

// The hue a "body.def" entry gives an unhued body.
int DefHue(DefManager::TableId table, int body, int hue) {
    if (hue != 0) return hue;
    const DefTable* t = DefManager::GetTable(table);
    if (!t || !t->Contains(body)) return hue;
    const DefTable::Entry* e = t->Find(body);
    return e ? e->extra : hue;
}

int ItemHue(const CDynamicObj* item) {
    int hue = item->displayedHue & kHueNumberMask;
    if (hue && (TileData::Item(item->displayedGraphic).flags & TileFlag::PartialHue)) hue |= kHuePartial;
    return hue;
}

// The frame of the action the mobile plays; -1 without one.
int ActionFrame(const CMobile* m) {
    int action = 0, frame = 0;
    return m->GetCurrentAction(action, frame) ? frame : -1;
}

// The body's pick and frame for the mobile's walking state. Ghosts use the living body.
Figure BodyFigure(CMobile* m, AnimPick& pick, int& body) {
    body = m->graphic;
    if (m->IsGhost()) body -= 2;
    uint16_t action = m->action;
    GetMobileAnimIndex(body, m->facing, m->idleFrameCounter, ActionFrame(m), m->animFrameCount, action, 0,
                       m->running != 0, m, pick);
    m->action = action;
    return Resolve(pick);
}

// The mount's frame: a special mount plays its own body, other mounts their graphic's animation.
Figure MountFigure(CMobile* m, const CDynamicObj* mount, const AnimPick& rider,
                   const SpecialMount** special) {
    *special = FindSpecialMount(mount->displayedGraphic);
    uint16_t action = m->action;
    AnimPick pick;
    if (*special) {
        const int body = (*special)->body;
        GetMobileAnimIndex(body, m->facing, m->idleFrameCounter, ActionFrame(m), 0, action, 0,
                           m->running != 0, m, pick);
        if (IsAnimalBody(body)) {
            int group = -1;
            if (rider.group == 23) group = 0;
            if (rider.group == 24) group = 1;
            if (rider.group == 25) group = 2;
            if (rider.group >= 26 && rider.group <= 29) group = 5;
            if (group >= 0) {
                pick.group = group;
                pick.index = AnimLayoutIndex(pick.layout, body, group, pick.direction);
                pick.frame = rider.frame;
            }
        }
    } else {
        const int anim = GetMountAnimation(mount->displayedGraphic, mount->serial);
        GetMobileAnimIndex(anim, m->facing, m->idleFrameCounter, ActionFrame(m), 0, action, 0,
                           m->running != 0, m, pick);
    }
    return Resolve(pick);
}

// The item worn on a layer; an empty layer of a dying mobile is not looked up in its corpse yet.
const CDynamicObj* WornItem(const CMobile* m, int layer) {
    return layer >= 0 && layer < kLayerCount ? m->layers[layer] : nullptr;
}

struct Highlight {
    int hue = 0;
    bool on = false;
};

Highlight MobileHighlight(const CMobile* m) {
    Highlight h;
    WorldHooks& hooks = WorldHook::Table();
    const bool war = pPlayerObject && pPlayerObject->warMode;
    auto notoriety = [&] {
        h.hue = GetNotorietyHue(m);
        h.on = h.hue != 0;
    };
    if ((war || WorldHook::Ask(hooks.isTargeting)) && WorldHook::Value(hooks.viewMobile) == m) notoriety();
    const uint32_t target = WorldHook::Value(hooks.attackTargetSerial);
    if (target && target == m->serial) notoriety();
    if (m->status & 0x80) h = Highlight{kHiddenHue, true};
    if (FindMarkedMobile(m)) h = Highlight{8, true};
    const uint32_t page = WorldHook::Value(hooks.pageQueueSerial);
    if (page && page == m->serial) h = Highlight{h.hue == 8 ? 368 : 53, true};
    return h;
}

void GrowForLayers(CMobile* m, Rect& rect, const AnimPick& bodyPick, int body, int x, int y,
                   bool specialBoxes) {
    for (int layer = 1; layer <= kMountLayer; ++layer) {
        if (layer == AnimTables::kNeverDrawnLayer) continue;
        const CDynamicObj* item = WornItem(m, layer);
        if (!item) continue;
        if (layer == kMountLayer) {
            const SpecialMount* special = nullptr;
            if (specialBoxes && FindSpecialMount(item->displayedGraphic)) {
                Rect box;
                m->GetMountRect(item->displayedGraphic, x, y, &box.left, &box.top, &box.right, &box.bottom);
                rect = Union(rect, box);
                continue;
            }
            Figure mount = MountFigure(m, item, bodyPick, &special);
            if (!mount) continue;
            Rect r = AnimFrameRect(*mount.frame, mount.mirrored, x, y);
            r.right += r.Width() / 2;
            rect = Union(rect, r);
            continue;
        }
        const int anim = WornAnimation(item, body);
        if (anim < 0) continue;
        Figure worn = Resolve(WornAnimPick(bodyPick, anim));
        if (worn) rect = Union(rect, AnimFrameRect(*worn.frame, worn.mirrored, x, y));
    }
}

void DrawWornLayers(CMobile* m, const AnimPick& pick, int body, const Highlight& highlight, bool ghostPlayer,
                    int x, int y, const Rect& c);

// The effects hanging on a mobile, centred on its rect (the rect holds them, see GrowForEffects).
void DrawAttachedEffects(const CMobile* m, const Rect& clip, int sx, int sy) {
    const auto& draw = WorldHook::Table().drawAttachedEffects;
    if (!draw) return;
    const Rect& r = m->screenRect;
    draw(m->serial & 0x7FFFFFFF, ((r.left + r.right) >> 1) - sx, ((r.top + r.bottom) >> 1) - sy, clip);
}

// A hanging effect wider or taller than the rect widens it equally on both sides; the mobile keeps
// what was added.
void GrowForEffects(CMobile* m, Rect& rect) {
    m->effectGrowX = 0;
    m->effectGrowY = 0;
    const auto& sizes = WorldHook::Table().attachedEffectSizes;
    if (!sizes) return;
    sizes(m->serial & 0x7FFFFFFF, [&](int width, int height) {
        if (width > rect.Width()) {
            const int half = (width - rect.Width()) / 2;
            rect.left -= half;
            rect.right += half;
            m->effectGrowX += half;
        }
        if (height > rect.Height()) {
            const int half = (height - rect.Height()) / 2;
            rect.top -= half;
            rect.bottom += half;
            m->effectGrowY += half;
        }
    });
}

// The standing draw of a mobile or the player.
void DrawMobile(CMobile* m, const Rect& clip, bool player) {
    if (m->graphic >= 1000) return;
    const BlitTarget& target = GetBlitTarget();
    int sx = 0, sy = 0;
    DrawManager::GetScrollOffset(sx, sy);
    int x = 0, y = 0;
    m->GetFigureAnchor(x, y);
    const bool hidden = (m->status & 0x80) != 0;
    const bool ghostPlayer = IsGhostPlayer();

    Highlight highlight;
    if (player) {
        if (hidden) highlight = Highlight{kHiddenHue, true};
    } else {
        highlight = MobileHighlight(m);
    }

    Rect c = clip;
    if (!BigMobStrips::IsDrawingStrip() && m->NeedsStrips()) c.bottom = std::min(c.bottom, m->feetLine - sy);

    AnimPick pick;
    int body = 0;
    Figure figure = BodyFigure(m, pick, body);
    if (!figure) {
        m->screenRect = Rect{x, y, x, y};
        if (player && !figure.item)
            WorldHook::Call(WorldHook::Table().showSystemMessage, 0, 3, "Missing animation!");
        return;
    }
    int bodyHue = DefHue(DefManager::Body, m->graphic, m->displayedHue & kHueNumberMask);
    if (highlight.on)
        bodyHue = highlight.hue;
    else if (ghostPlayer)
        bodyHue = kHiddenHue;
    const bool shadows = !player || (!hidden && !m->IsGhost());

    if (shadows && !IsShadowFreeBody(body))
        DrawAnimShadow(target, figure.mirrored, x, y, c, *figure.item, *figure.frame);

    if (const CDynamicObj* mountItem = WornItem(m, kMountLayer)) {
        const SpecialMount* special = nullptr;
        Figure mount = MountFigure(m, mountItem, pick, &special);
        if (mount) {
            int hue = DefHue(DefManager::Body, GetMountBody(mountItem->displayedGraphic),
                             mountItem->displayedHue & kHueNumberMask);
            if (highlight.on)
                hue = highlight.hue;
            else if (ghostPlayer)
                hue = kHiddenHue;
            if (shadows) DrawAnimShadow(target, mount.mirrored, x, y, c, *mount.item, *mount.frame);
            DrawAnimFrame(target, mount.mirrored, hue, x, y, c, *mount.item, *mount.frame);
        }
        if (special) y -= special->lift;
    }

    DrawAnimFrame(target, figure.mirrored, bodyHue, x, y, c, *figure.item, *figure.frame);

    if (IsHumanBody(m->graphic)) DrawWornLayers(m, pick, body, highlight, ghostPlayer, x, y, c);
    DrawAttachedEffects(m, clip, sx, sy);
}

void DrawWornLayers(CMobile* m, const AnimPick& pick, int body, const Highlight& highlight, bool ghostPlayer,
                    int x, int y, const Rect& c) {
    const BlitTarget& target = GetBlitTarget();
    const CDynamicObj* covering = WornItem(m, 22);
    const bool covered = covering && covering->graphic == kCoveringGraphic;
    const uint8_t* order = AnimTables::LayerOrder(m->facing);
    for (int i = 1; i < AnimTables::kLayerOrderLength; ++i) {
        const int layer = order[i];
        if (layer == AnimTables::kNeverDrawnLayer) continue;
        const CDynamicObj* item = WornItem(m, layer);
        if (!item || IsLayerHidden(layer, m->layers)) continue;
        if (covered && IsLayer11Or16Item(item)) continue;
        const int anim = WornAnimation(item, body);
        if (anim < 0) continue;
        Figure worn = Resolve(WornAnimPick(pick, anim));
        if (!worn) continue;
        int hue = ItemHue(item);
        if (highlight.on)
            hue = highlight.hue;
        else if (ghostPlayer)
            hue = kHiddenHue;
        DrawAnimFrame(target, worn.mirrored, hue, x, y, c, *worn.item, *worn.frame);
    }
}

// The feet point and line of a corpse.
void CorpseAnchor(const CCorpse* corpse, int& x, int& y) {
    x = corpse->columnTerm * 22 + 1;
    y = corpse->depthTerm * 22 - corpse->z * 4 + 20;
}

} // namespace

// ---------------------------------------------------------------- mobiles

void CMobile::GetFigureAnchor(int& x, int& y) const {
    x = columnTerm * 22 - stepOffsetX + 1;
    y = depthTerm * 22 - drawZ * 4 + 20 - stepOffsetY;
}

void CPlayerMobile::GetFigureAnchor(int& x, int& y) const {
    x = columnTerm * 22 + walkScrollX + 1;
    y = depthTerm * 22 - drawZ * 4 + 20 + walkScrollY;
}

bool CMobile::NeedsStrips() const {
    if (IsBigMobBody(graphic)) return true;
    const CDynamicObj* mount = layers[kMountLayer];
    return mount && IsBigMobBody(GetMountBody(mount->displayedGraphic));
}

void CMobile::GetMountRect(uint16_t mountGraphic, int x, int y, int* left, int* top, int* right,
                           int* bottom) const {
    const SpecialMount* m = FindSpecialMount(mountGraphic);
    if (!m) m = &kSpecialMounts[0];
    *left = x - m->boxWidth / 2;
    *top = y - m->boxHeight / 2;
    *right = *left + m->boxWidth;
    *bottom = *top + m->boxHeight;
}

void CMobile::CalcScreenRect() {
    if (IsSeated()) {
        CalcSeatedRect();
        return;
    }
    int x = 0, y = 0;
    GetFigureAnchor(x, y);
    feetLine = depthTerm * 22 - drawZ * 4 + 20;
    screenRect = Rect{x, y, x, y};
    cellOffset = 0;
    if (graphic >= 1000) return;
    AnimPick pick;
    int body = 0;
    Figure figure = BodyFigure(this, pick, body);
    if (figure.item) animFrameCount = figure.item->FrameCount();
    if (!figure) return;
    Rect r = AnimFrameRect(*figure.frame, figure.mirrored, x, y);
    cellOffset = CellOffsetFor(r, x);
    if (!IsShadowFreeBody(body)) {
        const AnimFrame& f = *figure.frame;
        const int allowance = (f.height + (f.centreY >= 0 ? f.centreY : 0)) / 2;
        const Rect shadow = ShadowRect(r, x, y);
        r = Union(r, shadow);
        r.right = std::max(r.right, AnimFrameRect(f, figure.mirrored, x, y).right + allowance);
    }
    if (IsHumanBody(graphic)) GrowForLayers(this, r, pick, body, x, y, true);
    GrowForEffects(this, r);
    screenRect = r;
}

void CMobile::CalcFigureRect(Rect& rect) {
    int x = 0, y = 0;
    GetFigureAnchor(x, y);
    feetLine = depthTerm * 22 - drawZ * 4 + 20;
    if (graphic >= 1000) return;
    AnimPick pick;
    int body = 0;
    Figure figure = BodyFigure(this, pick, body);
    if (!figure) return;
    Rect r = AnimFrameRect(*figure.frame, figure.mirrored, x, y);
    cellOffset = CellOffsetFor(r, x);
    if (IsHumanBody(graphic)) GrowForLayers(this, r, pick, body, x, y, false);
    rect = r;
}

void CMobile::DrawClip(const Rect& clip) {
    if (graphic >= 1000) return;
    if (IsSeated()) {
        DrawSeatedClip(clip);
        return;
    }
    DrawMobile(this, clip, false);
}

void CPlayerMobile::DrawClip(const Rect& clip) {
    if (graphic >= 1000) return;
    if (IsSeated()) {
        DrawSeatedClip(clip);
        return;
    }
    DrawMobile(this, clip, true);
}

void CMobile::AddToDrawList() {
    if (listed) RemoveFromDrawList();
    int x = 0, y = 0;
    ListingCell(x, y);
    int cx = x, cy = y;
    InsertIntoCell(cx, cy);
    if (NeedsStrips()) BigMobStrips::ListStrips(this, x + CellOffset(), y - CellOffset(), feetLine);
    PlayFootstepSound();
}

bool CMobile::HitTest(int px, int py) {
    if (graphic >= 1000) return false;
    if (IsSeated()) return HitTestSeated(px, py) != 0;
    int x = 0, y = 0;
    GetFigureAnchor(x, y);
    AnimPick pick;
    int body = 0;
    Figure figure = BodyFigure(this, pick, body);
    if (figure && IsAnimPixelAt(px, py, figure.mirrored, x, y, *figure.item, *figure.frame)) return true;
    if (!figure || !IsHumanBody(graphic)) return false;
    const uint8_t* order = AnimTables::LayerOrder(facing);
    for (int i = 0; i < AnimTables::kLayerOrderLength; ++i) {
        const int layer = order[i];
        if (layer == AnimTables::kNeverDrawnLayer) continue;
        const CDynamicObj* item = WornItem(this, layer);
        if (!item || IsLayerHidden(layer, layers)) continue;
        Figure worn;
        if (layer == kMountLayer) {
            const SpecialMount* special = nullptr;
            worn = MountFigure(this, item, pick, &special);
        } else {
            const int anim = WornAnimation(item, body);
            if (anim < 0) continue;
            worn = Resolve(WornAnimPick(pick, anim));
        }
        if (worn && IsAnimPixelAt(px, py, worn.mirrored, x, y, *worn.item, *worn.frame)) return true;
    }
    return false;
}

// ---------------------------------------------------------------- seated figures

namespace {

bool PlayerSeesHidden() {
    return pPlayerObject && pPlayerObject->graphic == 987;
}

// Composes the seated figure and what it wears; false when there is no body frame.
bool ComposeSeated(CMobile* m, int facing, int x, int y, const Highlight& highlight) {
    int sx = 0, sy = 0;
    DrawManager::GetScrollOffset(sx, sy);
    SkipDrawHandler::BeginComposition(x - sx - SkipDrawHandler::kFeetColumn,
                                      y - sy - SkipDrawHandler::kFeetRow, facing);
    const AnimPick pick = SeatedAnimPick(m->graphic, facing, m->serial);
    Figure body = Resolve(pick);
    if (!body) return false;
    SkipDrawHandler::SetMirror(body.mirrored);
    const int bodyHue =
        highlight.on ? highlight.hue : DefHue(DefManager::Body, m->graphic, m->displayedHue & kHueNumberMask);
    SkipDrawHandler::ComposeFrame(bodyHue, *body.item, *body.frame);
    const CDynamicObj* covering = WornItem(m, 22);
    const bool covered = covering && covering->graphic == kCoveringGraphic;
    const uint8_t* order = AnimTables::LayerOrder(facing);
    for (int i = 1; i < AnimTables::kLayerOrderLength; ++i) {
        const int layer = order[i];
        if (layer == AnimTables::kNeverDrawnLayer || layer == kMountLayer) continue;
        const CDynamicObj* item = WornItem(m, layer);
        if (!item || IsLayerHidden(layer, m->layers)) continue;
        if (covered && IsLayer11Or16Item(item)) continue;
        const int anim = WornAnimation(item, m->graphic);
        if (anim < 0) continue;
        Figure worn = Resolve(WornAnimPick(pick, anim));
        if (worn)
            SkipDrawHandler::ComposeFrame(highlight.on ? highlight.hue : ItemHue(item), *worn.item,
                                          *worn.frame);
    }
    return true;
}

// The chosen chair as listed in the mobile's cell.
CDrawItem* FindChosenChair(const CMobile* m) {
    const SkipDrawHandler::ChairRow* chair = SkipDrawHandler::ChosenChair();
    if (!chair) return nullptr;
    int cx = 0, cy = 0;
    m->ListingCell(cx, cy);
    cx += m->CellOffset();
    cy -= m->CellOffset();
    for (CDrawItem* it = DrawMapThingie::table[cy & 63][cx & 63]; it; it = it->nextDraw) {
        if (!it->IsObj() || it->IsMobile() || it->locX != m->locX || it->locY != m->locY) continue;
        if (std::abs(it->z - m->z) > 1) continue;
        if (static_cast<const CObj*>(it)->graphic == chair->graphic) return it;
    }
    return nullptr;
}

void DrawSeated(CMobile* m, const Rect& clip, bool player) {
    const bool hidden = (m->status & 0x80) != 0;
    if (hidden && !player && !PlayerSeesHidden()) return;
    int facing = m->facing;
    SkipDrawHandler::PickFacing(&facing);
    int x = 0, y = 0;
    m->GetFigureAnchor(x, y);
    Highlight highlight;
    if (!player) highlight = MobileHighlight(m);
    if (hidden) highlight = Highlight{kHiddenHue, true};
    if (pPlayerObject && m->IsGhost() != pPlayerObject->IsGhost()) highlight = Highlight{kHiddenHue, true};
    if (!ComposeSeated(m, facing, x, y, highlight)) return;
    const SkipDrawHandler::ChairRow* chair = SkipDrawHandler::ChosenChair();
    SkipDrawHandler::DrawComposition(clip, chair ? SkipDrawHandler::SeatOffset(*chair, facing) : 0);
    if (!chair || chair->backOverlap <= 0 || (facing != 0 && facing != 6)) return;
    CDrawItem* seat = FindChosenChair(m);
    if (!seat) return;
    int sx = 0, sy = 0;
    DrawManager::GetScrollOffset(sx, sy);
    const int centre = (seat->screenRect.left + seat->screenRect.right) / 2 - sx;
    const int b = chair->backOverlap;
    // Only the chair's back, and never beyond the draw's own clip.
    const Rect back = facing == 6 ? Rect{centre - b, clip.top, clip.right, clip.bottom}
                                  : Rect{clip.left, clip.top, centre + b, clip.bottom};
    const Rect narrowed = IntersectRect(back, clip);
    if (!narrowed.IsEmpty()) seat->DrawClip(narrowed);
}

} // namespace

bool CMobile::IsSeated() {
    if (!IsHumanBody(displayedGraphic ? displayedGraphic : graphic) || !listed) return false;
    if (graphic < 400 || graphic > 999 || IsGhost()) return false;
    if (stepFramesLeft > 0 || IsMounted() || layers[kMountLayer]) return false;
    if (IsPlayer()) {
        const auto* player = static_cast<const CPlayerMobile*>(this);
        if (player->stepInProgress || stepCount > 0) return false;
    }
    int cx = 0, cy = 0;
    ListingCell(cx, cy);
    cx += CellOffset();
    cy -= CellOffset();
    for (const CDrawItem* it = DrawMapThingie::table[cy & 63][cx & 63]; it; it = it->nextDraw) {
        if (!it->IsObj() || it->IsMobile() || it->locX != locX || it->locY != locY) continue;
        if (std::abs(it->z - z) > 1) continue;
        const SkipDrawHandler::ChairRow* chair =
            SkipDrawHandler::FindChair(static_cast<const CObj*>(it)->graphic);
        if (!chair) continue;
        if ((chair->facingMask & SkipDrawHandler::kRestOnly) && !resting) continue;
        SkipDrawHandler::SetChosenChair(chair);
        return true;
    }
    return false;
}

void CMobile::CalcSeatedRect() {
    int facing = this->facing;
    SkipDrawHandler::PickFacing(&facing);
    int x = 0, y = 0;
    GetFigureAnchor(x, y);
    feetLine = depthTerm * 22 - drawZ * 4 + 20;
    screenRect = Rect{x, y, x, y};
    cellOffset = 0;
    if ((status & 0x80) && !IsPlayer() && !PlayerSeesHidden()) return;
    const AnimPick pick = SeatedAnimPick(graphic, facing, serial);
    Figure body = Resolve(pick);
    if (body.item) animFrameCount = body.item->FrameCount();
    if (!body) return;
    Rect r = AnimFrameRect(*body.frame, body.mirrored, x, y);
    for (int layer = 1; layer <= kMountLayer; ++layer) {
        if (layer == AnimTables::kNeverDrawnLayer) continue;
        const int anim = WornAnimation(WornItem(this, layer), graphic);
        if (anim < 0) continue;
        Figure worn = Resolve(WornAnimPick(pick, anim));
        if (worn) r = Union(r, AnimFrameRect(*worn.frame, worn.mirrored, x, y));
    }
    screenRect = Rect{r.left - 16, r.top - 16, r.right + 16, r.bottom + 32};
}

void CMobile::DrawSeatedClip(const Rect& clip) {
    DrawSeated(this, clip, false);
}

void CPlayerMobile::DrawSeatedClip(const Rect& clip) {
    DrawSeated(this, clip, true);
}

int CMobile::HitTestSeated(int x, int y) {
    int facing = this->facing;
    SkipDrawHandler::PickFacing(&facing);
    int fx = 0, fy = 0;
    GetFigureAnchor(fx, fy);
    Highlight highlight;
    if (status & 0x80) highlight = Highlight{kHiddenHue, true};
    if (!ComposeSeated(this, facing, fx, fy, highlight)) return 0;
    const SkipDrawHandler::ChairRow* chair = SkipDrawHandler::ChosenChair();
    int sx = 0, sy = 0;
    DrawManager::GetScrollOffset(sx, sy);
    return SkipDrawHandler::PixelAt(x - sx, y - sy, chair ? SkipDrawHandler::SeatOffset(*chair, facing) : 0);
}

// ---------------------------------------------------------------- corpses

void CCorpse::GetFigureAnchor(int& x, int& y) const {
    CorpseAnchor(this, x, y);
}

void CCorpse::CalcScreenRect() {
    int x = 0, y = 0;
    CorpseAnchor(this, x, y);
    feetLine = y;
    screenRect = Rect{x, y, x, y};
    cellOffset = 0;
    const int body = amount;
    if (body >= 1000) return;
    AnimPick pick;
    GetCorpseAnimIndex(body, facing, pick);
    Figure figure = Resolve(pick);
    if (!figure) return;
    Rect r = AnimFrameRect(*figure.frame, figure.mirrored, x, y);
    cellOffset = CellOffsetFor(r, x);
    if (IsHumanBody(body)) {
        for (int layer = 0; layer < AnimTables::kMountLayer; ++layer) {
            if (layer == AnimTables::kNeverDrawnLayer || !equipment[layer]) continue;
            const int anim = TileData::Item(equipment[layer]->displayedGraphic).animId;
            if (anim < 400 || anim > 999) continue;
            Figure worn = Resolve(WornAnimPick(pick, anim));
            if (worn) r = Union(r, AnimFrameRect(*worn.frame, worn.mirrored, x, y));
        }
    }
    screenRect = r;
}

void CCorpse::DrawClip(const Rect& clip) {
    const int body = amount;
    if (body >= 1000) return;
    if (WorldHook::Ask(WorldHook::Table().isInDeathTable, this)) return;
    const BlitTarget& target = GetBlitTarget();
    int sx = 0, sy = 0;
    DrawManager::GetScrollOffset(sx, sy);
    int x = 0, y = 0;
    CorpseAnchor(this, x, y);
    const bool ghostPlayer = IsGhostPlayer();
    int hue = DefHue(DefManager::Corpse, body, displayedHue & kHueNumberMask);
    if ((status & 0x80) || ghostPlayer) hue = kHiddenHue;
    Rect c = clip;
    if (!BigMobStrips::IsDrawingStrip()) c.bottom = std::min(c.bottom, feetLine - sy);
    AnimPick pick;
    GetCorpseAnimIndex(body, facing, pick);
    Figure figure = Resolve(pick);
    if (!figure) return;
    DrawAnimFrame(target, figure.mirrored, hue, x, y, c, *figure.item, *figure.frame);
    if (!IsHumanBody(body)) return;
    const uint8_t* order = AnimTables::LayerOrder(facing);
    for (int i = 0; i < AnimTables::kLayerOrderLength; ++i) {
        const int layer = order[i];
        if (layer == AnimTables::kNeverDrawnLayer || layer == kMountLayer) continue;
        const CDynamicObj* item = equipment[layer];
        if (!item) continue;
        const int anim = TileData::Item(item->displayedGraphic).animId;
        if (anim < 400 || anim > 999) continue;
        Figure worn = Resolve(WornAnimPick(pick, anim));
        if (!worn) continue;
        DrawAnimFrame(target, worn.mirrored, ghostPlayer ? kHiddenHue : ItemHue(item), x, y, c, *worn.item,
                      *worn.frame);
    }
}

void CCorpse::AddToDrawList() {
    if (listed) RemoveFromDrawList();
    int x = locX, y = locY;
    InsertIntoCell(x, y);
    if (screenRect.bottom > feetLine)
        BigMobStrips::ListStrips(this, locX + CellOffset(), locY - CellOffset(), feetLine);
}

bool CCorpse::HitTest(int px, int py) const {
    const int body = amount;
    if (body >= 1000) return false;
    int x = 0, y = 0;
    CorpseAnchor(this, x, y);
    AnimPick pick;
    GetCorpseAnimIndex(body, facing, pick);
    Figure figure = Resolve(pick);
    return figure && IsAnimPixelAt(px, py, figure.mirrored, x, y, *figure.item, *figure.frame);
}
