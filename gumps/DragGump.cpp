#include "gumps/DragGump.h"

#include "core/Options.h"
#include "gumps/CGumpManager.h"
#include "gumps/MouseManager.h"
#include "net/PacketBuffer.h"
#include "render/Art.h"
#include "render/DirtyRects.h"
#include "render/DrawItem.h"
#include "render/DrawManager.h"
#include "render/GumpArt.h"
#include "render/SpanOps.h"
#include "world/MapManager.h"
#include "world/ObjectActions.h"
#include "world/ObjectNames.h"
#include "world/PlayerWalk.h"
#include "world/TileData.h"
#include "world/WalkMessages.h"
#include "world/WorldHooks.h"
#include "world/objects.h"

#include <cstdlib>

namespace {

constexpr uint32_t kNone = 0xFFFFFFFF;
constexpr uint32_t kStackable = 0x800;
constexpr uint32_t kSurface = 0x200;
constexpr uint32_t kImpassable = 0x40;
constexpr uint32_t kPartialHue = 0x40000;
constexpr int kFirstGumpGraphic = 13700;
constexpr int kLastGumpGraphic = 13729;
constexpr int kGumpGraphicBase = 11369;
constexpr int kCensoredFleshArt = 24871;
constexpr int kReach = 3;

uint32_t Pack(int x, int y) {
    return static_cast<uint32_t>(x & 0xFFFF) | static_cast<uint32_t>(y & 0xFFFF) << 16;
}

bool IsHeldPile(const CObjectManager::PickedUp& item) {
    return item.amount > 1 && (item.tileFlags & kStackable);
}

SpanOp PictureSpan(const CObjectManager::PickedUp& item) {
    if (CensorBlood && IsBloodGraphic(item.graphic + item.increment)) return BloodRecolorSpan;
    if (item.displayedHue == 0) return CopySpan;
    SetCurrentHueIndex((item.displayedHue & 0x3FFF) - 1);
    return (item.tileFlags & kPartialHue) ? PartialHueSpan : HueSpan;
}

// Where a dropped item stands on the cell of a draw item, walking down the cell: the land's corner
// mean, or a surface's top; false when an impassable object comes first. Nothing found: 0.
bool GroundZ(CDrawItem* item, int& z) {
    z = 0;
    for (CDrawItem* d = item; d; d = d->prevDraw) {
        if (d->IsLand()) {
            int8_t corners[4] = {};
            MapManager::GetCornerZ(d->locX, d->locY, corners);
            z = (corners[1] + corners[3]) / 2;
            return true;
        }
        const uint32_t flags = d->GetTileFlags();
        if (flags & kSurface) {
            int height = 0;
            if (d->IsObj()) {
                const auto* o = static_cast<const CObj*>(d);
                height = TileData::Item(o->graphic, o->graphicIncrement).height;
            }
            z = d->z + height;
            return true;
        }
        if (flags & kImpassable) return false;
    }
    return true;
}

} // namespace

CDragGump::Picture CDragGump::PictureOf(const CObjectManager::PickedUp& item) {
    Picture p;
    p.pile = IsHeldPile(item);
    if (item.displayedGraphic >= kFirstGumpGraphic && item.displayedGraphic <= kLastGumpGraphic) {
        p.gumpArt = true;
        p.id = item.displayedGraphic - kGumpGraphicBase;
        p.pile = false;
        return p;
    }
    if (IsCoinGraphic(item.graphic)) {
        const int step = item.amount <= 1 ? 0 : item.amount <= 5 ? 1 : 2;
        p.id = kFirstItemArtId + item.graphic + step;
    } else if (CensorFlesh && IsFleshGraphic(item.graphic + item.increment)) {
        p.id = kCensoredFleshArt;
    } else {
        p.id = kFirstItemArtId + item.displayedGraphic + item.increment;
    }
    if (p.id > kMaxArtId || !GetArt(p.id)) p.id = kFirstItemArtId;
    return p;
}

CDragGump::CDragGump() {
    debugName = "drag gump";
    SetKind(GumpKind::Drag, GumpTrait::Transparency);
    Paint(CObjectManager::GetPickedUp());
}

CDragGump::~CDragGump() {
    MouseManager::ReleaseCaptureOf(this);
    CObjectManager::ForgetDragWindow(this);
}

void CDragGump::Paint(const CObjectManager::PickedUp& item) {
    const Picture picture = PictureOf(item);
    int w = 0, h = 0;
    const ArtItem* art = nullptr;
    const GumpArtItem* gumpArt = nullptr;
    if (picture.gumpArt) {
        gumpArt = GetGumpArt(picture.id);
        if (gumpArt) {
            w = gumpArt->width;
            h = gumpArt->height;
        }
    } else if ((art = GetArt(picture.id))) {
        w = art->width;
        h = art->height;
    }
    const int extra = picture.pile ? kPileOffset : 0;
    width = w + extra;
    height = h + extra;
    PixelBlock& block = SetFrame(0, PixelBlock(width, height));
    if (block.Empty()) return;
    const BlitTarget target = MakeBlitTarget(block.pixels.data(), block.width, block.height);
    const Rect all{0, 0, block.width, block.height};
    const SpanOp op = PictureSpan(item);
    for (int copy = 0; copy <= (picture.pile ? 1 : 0); ++copy) {
        const int at = copy * kPileOffset;
        if (gumpArt)
            DrawGumpArtTo(target, op, gumpArt, all, at, at);
        else if (art)
            DrawArtTo(target, op, art, all, at, at);
    }
}

CGump* CDragGump::GumpUnder(int screenX, int screenY, bool filterBarks) const {
    return CGumpManager::GetGumpAt(screenX, screenY, this, filterBarks);
}

void CDragGump::PassToView(int screenX, int screenY, void (CGump::*button)(int, int)) {
    CGump* view = GumpUnder(screenX, screenY, true);
    if (!view || !view->IsMapGump()) return;
    GumpRef<CGump> alive(view);
    int vx = screenX, vy = screenY;
    ScreenToGumpCoords(view, &vx, &vy);
    view->HandleMouseMove(vx, vy);
    if (button && alive) (view->*button)(vx, vy);
}

void CDragGump::HandleCaptureMove(int x, int y) {
    int sx = x, sy = y;
    GumpToScreenCoords(this, &sx, &sy);
    const int dx = x - width / 2, dy = y - height / 2;
    if (dx != 0 || dy != 0) {
        Rect dirty{};
        MoveBy(dx, dy, true, &dirty, false);
        DirtyRect(&dirty);
    }
    if (!rightHeld) return;
    CGump* view = GumpUnder(sx, sy, true);
    if (!view || !view->IsMapGump()) return;
    int vx = sx, vy = sy;
    ScreenToGumpCoords(view, &vx, &vy);
    view->HandleCaptureMove(vx, vy);
}

void CDragGump::HandleMouseMove(int x, int y) {
    MouseManager::SetCapture(this);
    HandleCaptureMove(x, y);
}

void CDragGump::HandleRButtonDown(int x, int y) {
    rightHeld = true;
    GumpToScreenCoords(this, &x, &y);
    PassToView(x, y, &CGump::HandleRButtonDown);
}

void CDragGump::HandleRButtonUp(int x, int y) {
    rightHeld = false;
    GumpToScreenCoords(this, &x, &y);
    PassToView(x, y, &CGump::HandleRButtonUp);
    // The view's release may have let go of a capture that is this window's.
    if (!IsClosed()) MouseManager::SetCapture(this);
}

void CDragGump::HandleMouseTick() {
    int mx = 0, my = 0;
    MouseManager::GetMousePos(&mx, &my);
    CGump* view = GumpUnder(mx, my, true);
    if (view && view->IsMapGump()) view->HandleMouseTick();
}

void CDragGump::KeepHolding() {
    WorldHook::Call(WorldHook::Table().playSound, kRefusedSound, 0, 0, false, 0, false);
}

void CDragGump::SendDrop(int x, int y, int z, uint32_t target) {
    uint8_t buffer[16];
    PacketWriter packet(buffer);
    PacketManager::SendDropItem(packet, CObjectManager::GetPickedUp().serial, static_cast<uint16_t>(x),
                                static_cast<uint16_t>(y), static_cast<int8_t>(z), target);
    PlayerWalk::SendWorldPacket(packet);
    Close();
}

void CDragGump::HandleLButtonUp(int x, int y) {
    int sx = x, sy = y;
    GumpToScreenCoords(this, &sx, &sy);
    CGump* target = GumpUnder(sx, sy, false);
    if (!target || !target->IsDropTarget()) return;
    const CObjectManager::PickedUp& held = CObjectManager::GetPickedUp();
    if (held.serial == kNone) {
        if (target->IsMapGump()) Close();
        return;
    }
    if (target->IsMapGump()) {
        DropOnView(target, sx, sy);
        return;
    }
    if (target->IsSpellbookGump() && IsScrollGraphic(held.graphic)) {
        SendDrop(0xFFFF, 0xFFFF, 0, target->ownerSerial);
        return;
    }
    // Paperdoll and container windows take items by their own rules, which they bring with them.
    KeepHolding();
}

void CDragGump::DropOnView(CGump* view, int screenX, int screenY) {
    int vx = screenX, vy = screenY;
    ScreenToGumpCoords(view, &vx, &vy);
    CObj* object = CObjectManager::GetObjAtScreenLoc(vx, vy);
    if (!object) {
        if (!DropOnGround(view)) KeepHolding();
        return;
    }
    if (!IsWithinReach(object)) {
        KeepHolding();
        return;
    }
    const CObjectManager::PickedUp& held = CObjectManager::GetPickedUp();
    if (object->IsDynamic()) {
        auto* item = static_cast<CDynamicObj*>(object);
        if (item->IsMobile() || item->IsContainer()) {
            SendDrop(0xFFFF, 0xFFFF, 0, item->serial);
            return;
        }
        const bool pileTakes = item->amount != 0 && (item->GetTileFlags() & kStackable) && held.amount != 0 &&
                               (held.tileFlags & kStackable) && item->graphic == held.graphic &&
                               item->hue == held.hue;
        if (pileTakes) {
            SendDrop(item->locX, item->locY, item->z, item->serial);
            return;
        }
    }
    if ((object->GetTileFlags() & kSurface) && DropOnGround(view)) return;
    KeepHolding();
}

bool CDragGump::DropOnGround(CGump* view) {
    // The cell under the picture's middle, a little up and left: where the item's foot would be.
    int px = width / 2 - 22, py = height / 2 - 22;
    GumpToScreenCoords(this, &px, &py);
    ScreenToGumpCoords(view, &px, &py);
    CDrawItem* item = DrawManager::GetDrawItemAtScreenLoc(px, py, false);
    const CPlayerMobile* player = pPlayerObject;
    if (!item || !player) return false;
    const int x = item->locX, y = item->locY;
    int cx = 0, cy = 0;
    DrawItemWorld::GetViewCenter(cx, cy);
    if (std::abs(x - cx) > kReach || std::abs(y - cy) > kReach) return false;
    if (!MapManager::HasLineOfSight(Pack(player->locX, player->locY), player->z + 12, Pack(x, y), 0,
                                    kImpassable))
        return false;
    int z = 0;
    if (!GroundZ(item, z)) return false;
    SendDrop(x, y, z, kNone);
    return true;
}

namespace CGumpManager {

CGump* CreateDragGump() {
    auto* drag = new CDragGump();
    drag->Attach(nullptr);
    MouseManager::SetCursor(MouseManager::kNormalCursor);
    MouseManager::SetCapture(drag);
    int mx = 0, my = 0;
    MouseManager::GetMousePos(&mx, &my);
    CGump::ScreenToGumpCoords(drag, &mx, &my);
    drag->HandleCaptureMove(mx, my);
    return drag;
}

} // namespace CGumpManager
