#include "world/WorldHooks.h"

#include "render/DirtyRects.h"
#include "world/WorldLight.h"

namespace WorldHook {
namespace {
Binder g_binder = nullptr;
} // namespace

WorldHooks& Table() {
    static WorldHooks* hooks = [] {
        auto* h = new WorldHooks; // never freed: objects may go during static destruction
        h->invalidateAll = InvalidateAll;
        h->invalidateLight = InvalidateLight;
        SetLightSceneSource(WorldLight::FillFrame);
        if (g_binder) g_binder(*h);
        return h;
    }();
    return *hooks;
}

void Reset() {
    Table() = WorldHooks{};
    Table().invalidateAll = InvalidateAll;
    WorldLight::Bind();
    if (g_binder) g_binder(Table());
}

void SetBinder(Binder binder) {
    g_binder = binder;
    if (binder) binder(Table());
}

} // namespace WorldHook
