// The gump layer's questions about world objects, answered by the object manager.
#include "gumps/GumpWorld.h"
#include "render/DrawManager.h"
#include "world/CObjectManager.h"
#include "world/objects.h"

namespace {

CDynamicObj* Find(uint32_t serial) {
    CObj* o = CObjectManager::FindBySerial(serial);
    return o && o->IsDynamic() ? static_cast<CDynamicObj*>(o) : nullptr;
}

} // namespace

GumpWorldServices WorldBoundGumpServices() {
    GumpWorldServices w;
    w.exists = [](uint32_t s) { return Find(s) != nullptr; };
    w.isMobile = [](uint32_t s) {
        CDynamicObj* o = Find(s);
        return o && o->IsMobile();
    };
    w.isCorpse = [](uint32_t s) {
        CDynamicObj* o = Find(s);
        return o && o->IsCorpse();
    };
    w.isContainer = [](uint32_t s) {
        CDynamicObj* o = Find(s);
        return o && o->IsContainer();
    };
    w.isPlayer = [](uint32_t s) {
        CDynamicObj* o = Find(s);
        return o && o->IsPlayer();
    };
    w.holderOf = [](uint32_t s) -> uint32_t {
        CDynamicObj* o = Find(s);
        return o && o->parent ? o->parent->serial : 0;
    };
    w.itemGraphic = [](uint32_t s) {
        CDynamicObj* o = Find(s);
        return o ? static_cast<int>(o->graphic) : -1;
    };
    w.screenRect = [](uint32_t s, Rect* screen) {
        CDynamicObj* o = Find(s);
        if (!o || !o->listed || !screen) return false;
        int sx = 0, sy = 0;
        DrawManager::GetScrollOffset(sx, sy);
        const Rect& r = o->screenRect;
        *screen = Rect{r.left - sx, r.top - sy, r.right - sx, r.bottom - sy};
        return true;
    };
    w.invalidate = [](uint32_t s) { CDrawItem::Invalidate(Find(s)); };
    w.forgetGump = [](uint32_t s, CGump* gump) {
        CDynamicObj* o = Find(s);
        if (!o || !gump) return;
        for (CGump*& g : o->gumps)
            if (g == gump) g = nullptr;
        if (o->IsContainer()) {
            auto* c = static_cast<CContainerObj*>(o);
            if (c->containerGump == gump) c->containerGump = nullptr;
        }
        if (o->IsMobile()) {
            auto* m = static_cast<CMobile*>(o);
            if (m->tradeGump == gump) m->tradeGump = nullptr;
        }
        if (o->IsMapItem()) {
            auto* map = static_cast<CMapItemObj*>(o);
            if (map->courseGump == gump) map->courseGump = nullptr;
        }
    };
    w.warMode = [] { return pPlayerObject && pPlayerObject->warMode != 0; };
    return w;
}
