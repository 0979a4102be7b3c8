#include "world/WorldLight.h"

#include "render/DirtyRects.h"
#include "render/DrawManager.h"
#include "world/TileData.h"
#include "world/WorldHooks.h"
#include "world/objects.h"

namespace WorldLight {

const CObj* HolderOf(const CObj* source) {
    if (!source || !source->IsDynamic()) return source;
    const CDynamicObj* parent = static_cast<const CDynamicObj*>(source)->parent;
    if (parent && parent != source && parent->IsMobile() && source->IsEquipped()) return parent;
    return source;
}

int LightIdOf(const CObj* source) {
    if (HolderOf(source) == source) return source->facing;
    return TileData::Item(source->graphic).quality;
}

bool IsCovered(const CObj* holder) {
    const int cx = holder->locX + 1, cy = holder->locY + 1;
    for (const CDrawItem* item = DrawMapThingie::table[cy & 63][cx & 63]; item; item = item->nextDraw) {
        if (item->locX != cx || item->locY != cy) continue;
        if (item->IsMobile() || item->IsBigMobComponent() || item->IsCulled()) continue;
        if (item->z <= holder->z + 4) continue;
        if (item->IsLand() || !(item->GetTileFlags() & TileFlag::Transparent)) return true;
    }
    return false;
}

void CentreOf(const CObj* holder, int& x, int& y) {
    int scrollX = 0, scrollY = 0;
    DrawManager::GetScrollOffset(scrollX, scrollY);
    if (holder->IsPlayer()) {
        const auto* p = static_cast<const CPlayerMobile*>(holder);
        x = p->columnTerm * 22 + p->walkScrollX - scrollX + 1;
        y = p->depthTerm * 22 - p->drawZ * 4 + p->walkScrollY - scrollY + 20;
    } else if (holder->IsMobile()) {
        const auto* m = static_cast<const CMobile*>(holder);
        x = m->columnTerm * 22 - m->stepOffsetX - scrollX + 1;
        y = m->depthTerm * 22 - m->drawZ * 4 - m->stepOffsetY - scrollY + 20;
    } else {
        x = holder->columnTerm * 22 - scrollX;
        y = holder->depthTerm * 22 - holder->z * 4 - scrollY + 43;
    }
}

bool Place(const CObj* source, PlacedLight& out) {
    const CObj* holder = HolderOf(source);
    if (!holder->listed || holder->IsCulled()) return false;
    if (IsCovered(holder)) return false;
    CentreOf(holder, out.x, out.y);
    out.lightId = LightIdOf(source);
    out.graphic = source->graphic;
    return true;
}

void FillFrame(const Rect& rect, LightFrame& frame) {
    frame.levels.global = GetGlobalLightLevel();
    frame.levels.darkNights = GetDarkNights();
    frame.levels.personal = g_personalLightTotal;
    frame.levels.ghost = pPlayerObject && pPlayerObject->IsGhost();
    frame.lights.clear();
    WorldLists::Lights().ForEach([&](CObj* source) {
        PlacedLight light;
        if (!Place(source, light)) return;
        // Either renderer may pick the bitmap; keep what could meet the rect under both ids.
        const Rect white = LightRect(light.x, light.y, light.lightId);
        const Rect tinted = LightRect(light.x, light.y, ColoredLightId(light.graphic, light.lightId));
        if (IntersectRect(white, rect).IsEmpty() && IntersectRect(tinted, rect).IsEmpty()) return;
        frame.lights.push_back(light);
    });
}

void Bind() {
    SetLightSceneSource(FillFrame);
    WorldHook::Table().invalidateLight = InvalidateLight;
}

} // namespace WorldLight

void InvalidateLight(CObj* source) {
    if (!source) return;
    // The rect follows the holder even when it is culled or covered now: it may have been lit.
    int x = 0, y = 0;
    WorldLight::CentreOf(WorldLight::HolderOf(source), x, y);
    const int id = WorldLight::LightIdOf(source);
    for (int lightId : {id, ColoredLightId(source->graphic, id)}) {
        const Rect r = LightRect(x, y, lightId);
        if (!r.IsEmpty()) DirtyRect(&r);
    }
}

void CMobile::InvalidateLights() {
    if (!listed) return;
    for (CDynamicObj* worn : layers)
        if (worn && worn->inLightList) InvalidateLight(worn);
}
