#include "world/WorldHooks.h"

#include "render/DirtyRects.h"
#include "world/WorldLight.h"

namespace WorldHook {

WorldHooks& Table() {
    static WorldHooks* hooks = [] {
        auto* h = new WorldHooks; // never freed: objects may go during static destruction
        h->invalidateAll = InvalidateAll;
        h->invalidateLight = InvalidateLight;
        SetLightSceneSource(WorldLight::FillFrame);
        return h;
    }();
    return *hooks;
}

void Reset() {
    Table() = WorldHooks{};
    Table().invalidateAll = InvalidateAll;
    WorldLight::Bind();
}

} // namespace WorldHook
