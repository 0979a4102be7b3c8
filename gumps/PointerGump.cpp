#include "gumps/PointerGump.h"
#include "gumps/CGumpManager.h"
#include "gumps/GumpWorld.h"
#include "gumps/MouseManager.h"
#include "net/PacketManager.h"
#include "net/ServerWindows.h"
#include "render/GraphicManager.h"
#include "render/GumpArt.h"
#include "render/SpanOps.h"
#include "world/WorldHooks.h"
#include "world/WorldView.h"
#include "world/objects.h"

#include <algorithm>
#include <span>

namespace {
GumpRef<CPointerGump>& Arrow() {
    static GumpRef<CPointerGump> arrow;
    return arrow;
}

void SendClick(uint8_t button) {
    uint8_t buffer[8];
    PacketWriter writer(buffer);
    PacketManager::SendPointerClick(writer, button);
    std::span<const uint8_t> wire = FinishPacket(writer);
    SendServerWindowPacket(std::vector<uint8_t>(wire.begin(), wire.end()));
}
} // namespace

CPointerGump::CPointerGump(int mapX, int mapY, int artIndex_) {
    debugName = "pointer gump";
    SetKind(GumpKind::Pointer, GumpTrait::Transparency);
    targetX = mapX;
    targetY = mapY;
    artIndex = artIndex_;
    gumpArt = kBaseArt;
    GetGumpArtSize(gumpArt, &width, &height);
}

int CPointerGump::ArtForAngle(int angle) {
    // An angle of 256 is north again.
    const int d = (angle / 32) & 7;
    return d < 7 ? kBaseArt + d + 1 : kBaseArt;
}

void CPointerGump::Update() {
    flash = false;
    if (++counter > kFlashEvery) {
        counter = 0;
        flash = true;
    }
    int sx = 0, sy = 0;
    WorldToScreen(targetX, targetY, &sx, &sy);
    int ox = 0, oy = 0;
    CGumpManager::GetGameAreaOffset(ox, oy);
    if (pPlayerObject)
        gumpArt = ArtForAngle(
            PacketManager::AngleBetweenPoints(pPlayerObject->locX, pPlayerObject->locY, targetX, targetY));
    GetGumpArtSize(gumpArt, &width, &height);
    const int right = ox + GraphicManager::GetScreenWidth() - width;
    const int bottom = oy + GraphicManager::GetScreenHeight() - height;
    x = std::clamp(sx + ox, ox, std::max(ox, right));
    y = std::clamp(sy + oy, oy, std::max(oy, bottom));
}

void CPointerGump::Draw(const BlitTarget& target, const Rect& clip) {
    if (!GumpWorld().inGameDisplay || !GumpWorld().inGameDisplay()) return;
    if (!flash || !visible || IsClosed()) {
        CGump::Draw(target, clip);
        return;
    }
    int sx = 0, sy = 0;
    GumpToScreenCoords(this, &sx, &sy);
    SetCurrentHueIndex(kFlashHue);
    if (const GumpArtItem* art = GetGumpArt(gumpArt)) DrawGumpArtTo(target, HueSpanKeyed, art, clip, sx, sy);
}

void CPointerGump::HandleLButtonUp(int, int) {
    ReleaseCaptureHandler(this);
    SendClick(0);
}

void CPointerGump::HandleRButtonUp(int, int) {
    ReleaseCaptureHandler(this);
    SendClick(1);
}

namespace CGumpManager {

CGump* ShowPointerGump(int x, int y, bool show) {
    CPointerGump* arrow = Arrow().get();
    if (!arrow) {
        arrow = new CPointerGump(x, y, show ? 1 : 0);
        arrow->Attach(nullptr);
        Arrow() = arrow;
    } else if (show) {
        arrow->targetX = x;
        arrow->targetY = y;
    }
    arrow->visible = show;
    return arrow;
}

CPointerGump* PointerGump() {
    return Arrow().get();
}

} // namespace CGumpManager

void BindPointerGump() {
    WorldHook::Table().showPointer = [](int x, int y, bool show) {
        CGumpManager::ShowPointerGump(x, y, show);
    };
}
