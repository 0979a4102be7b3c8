#include "world/WorldHooks.h"

#include "render/DirtyRects.h"

namespace WorldHook {

WorldHooks& Table() {
    static WorldHooks* hooks = [] {
        auto* h = new WorldHooks; // never freed: objects may go during static destruction
        h->invalidateAll = InvalidateAll;
        return h;
    }();
    return *hooks;
}

void Reset() {
    Table() = WorldHooks{};
    Table().invalidateAll = InvalidateAll;
}

} // namespace WorldHook
