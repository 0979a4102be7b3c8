// CGumpManager::OpenGump: the raise-or-build rules and the registry of window builders by kind.
#include "gumps/OpenGump.h"
#include "core/Options.h"
#include "core/QVReport.h"
#include "gumps/CGumpManager.h"
#include "render/BackBuffer.h"
#include "render/GumpArt.h"
#include "world/objects.h"

#include <map>

namespace {

struct Registry {
    std::map<int, GumpBuilder> builders;
    GumpBuilder container;
    int cascadeX = 16, cascadeY = 16;
};
Registry& R() {
    static Registry registry;
    return registry;
}

CGump* Raise(CGump* g) {
    g->BringToFront(false);
    if (g->minimised) RestoreGump(g);
    g->ClampToScreen();
    return g;
}

uint32_t SerialOf(CObj* owner) {
    return owner && owner->IsDynamic() ? static_cast<CDynamicObj*>(owner)->serial : 0;
}

} // namespace

CArtGump::CArtGump(int x_, int y_, uint32_t owner, int art, int w, int h, bool container)
    : CGump(x_, y_, owner, 1, w, h) {
    debugName = container ? "container gump" : "art gump";
    if (container) SetKind(GumpKind::Container, GumpTrait::kBase | GumpTrait::DropTarget);
    gumpArt = art;
}

void RegisterGumpBuilder(int kind, GumpBuilder builder) {
    R().builders[kind] = std::move(builder);
}

void RegisterContainerBuilder(GumpBuilder builder) {
    R().container = std::move(builder);
}

void ResetGumpBuilders() {
    R() = Registry{};
}

void ResetContainerCascade() {
    R().cascadeX = R().cascadeY = 16;
}

namespace CGumpManager {

CGump* OpenGump(CObj* owner, int kind, CGump* parent, bool isContainer, bool status) {
    using namespace GumpKinds;
    const uint32_t serial = SerialOf(owner);
    if (owner) {
        if (CGump* open = FindObjectGump(serial, kind == kPaperdoll, kind == kShop, TopLevel().first, status))
            return Raise(open);
    }
    if (kind == kOptions || kind == kJournal) {
        for (CGump* g = TopLevel().first; g; g = g->next())
            if (!g->IsClosed() && (kind == kOptions ? g->IsOptionsGump() : g->IsTextGump())) return Raise(g);
    }
    if ((kind == kRadarLarge || kind == kRadarSmall) && GetRadar()) {
        // Asking for a radar while one is open toggles its size, in the same place.
        CGump* old = GetRadar();
        const int ox = old->x, oy = old->y, size = old->width;
        old->Close();
        SetRadar(nullptr);
        CGump* radar = OpenGump(nullptr, size <= 100 ? kRadarSmall : kRadarLarge, nullptr, false, false);
        if (radar) {
            radar->x = ox;
            radar->y = oy;
            radar->ClampToScreen();
        }
        return radar;
    }
    if (kind == kShop) {
        for (CGump* g = TopLevel().first; g; g = g->next())
            if (g->IsShopGump()) g->Close();
        if (!owner) {
            QVReport::warning("CGumpManager::OpenGump, case '48': Prevented client crash by not calling 'NEW "
                              "CShopGump(150, 5, pObj);' when pObj==NULL. Return value will also be NULL.\n");
            return nullptr;
        }
    }
    GumpOpenRequest request;
    request.owner = owner;
    request.ownerSerial = serial;
    request.kind = kind;
    request.parent = parent;
    request.container = isContainer;
    request.status = status;
    GetGumpArtSize(kind, &request.width, &request.height);
    const int W = BackBuffer::Width(), H = BackBuffer::Height();
    request.x = W - request.width;
    request.y = 0;
    CGump* built = nullptr;
    Registry& r = R();
    if (isContainer) {
        if (OffsetGumps) {
            r.cascadeX += 16;
            r.cascadeY += 16;
            if (W - 16 <= r.cascadeX + request.width) r.cascadeX = 16;
            if (H - 16 <= r.cascadeY + request.height) r.cascadeY = 16;
            request.x = r.cascadeX;
            request.y = r.cascadeY;
        } else {
            request.x = W - request.width - 10;
            request.y = 10;
        }
        built = r.container
                    ? r.container(request)
                    : new CArtGump(request.x, request.y, serial, kind, request.width, request.height, true);
    } else if (auto it = r.builders.find(kind); it != r.builders.end() && it->second) {
        built = it->second(request);
    } else {
        built = new CArtGump(request.x, request.y, serial, kind, request.width, request.height, false);
    }
    if (!built) return nullptr;
    built->Attach(parent);
    if ((kind == kRadarLarge || kind == kRadarSmall) && !parent) SetRadar(built);
    return built;
}

} // namespace CGumpManager
