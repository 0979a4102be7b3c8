#include "world/ObjectActions.h"

#include "core/MemoryManager.h"
#include "core/QVReport.h"
#include "net/PacketBuffer.h"
#include "net/PacketManager.h"
#include "render/DrawManager.h"
#include "text/LanguageManager.h"
#include "world/CObjectManager.h"
#include "world/MapManager.h"
#include "world/ObjectNames.h"
#include "world/PlayerWalk.h"
#include "world/TileData.h"
#include "world/WalkMessages.h"
#include "world/WorldHooks.h"
#include "world/objects.h"

namespace {
uint32_t Pack(int x, int y) {
    return static_cast<uint32_t>(x & 0xFFFF) | static_cast<uint32_t>(y & 0xFFFF) << 16;
}
} // namespace

namespace CObjectManager {
namespace {

struct ActionState {
    ScreenPicker picker = DrawManager::GetDrawItemAtScreenLoc;
    PickedUp picked;
    bool pending = false;
    CGump* dragGump = nullptr;
    uint32_t lastUsedSerial = 0;
    int lastUsedGraphic = 0;
};
ActionState g_actions;

constexpr uint32_t kStackable = 0x800;

// The "scroll" text command's mode for a scroll graphic; -1 for any other.
int ScrollMode(int graphic) {
    switch (graphic) {
    case 899:
    case 3831:
    case 3832:
        return 2;
    case 3827:
    case 3828:
        return 1;
    case 3829:
    case 3830:
    case 3833:
        return 0;
    default:
        return -1;
    }
}

void Send(PacketWriter& packet) {
    PlayerWalk::SendWorldPacket(packet);
}

} // namespace

void SetScreenPicker(ScreenPicker picker) {
    g_actions.picker = picker;
}

CObj* GetObjAtScreenLoc(int x, int y) {
    if (!g_actions.picker) return nullptr;
    CDrawItem* item = g_actions.picker(x, y, true);
    if (!item) return nullptr;
    if (!CPointerRegistry::IsValid(item) || !item->IsObj()) {
        QVReport::message(
            "CObjectManager::GetObjAtScreenLoc: either pointer 'pItem' is not valid, or the data it "
            "points to is not valid. setting 'pItem = 0'.\n");
        return nullptr;
    }
    return static_cast<CObj*>(item);
}

void UseObject(CObj* object) {
    if (!object || !object->IsDynamic()) return;
    auto* item = static_cast<CDynamicObj*>(object);
    g_actions.lastUsedSerial = item->serial;
    g_actions.lastUsedGraphic = item->graphic;
    const int mode = ScrollMode(item->graphic);
    if (mode >= 0) {
        WorldHook::Call(WorldHook::Table().startTextCommand, "scroll", mode, static_cast<int>(item->serial));
        return;
    }
    if (item->IsMapItem() && WorldHook::Ask(WorldHook::Table().bringObjectWindowToFront, item)) return;
    uint8_t buffer[8];
    PacketWriter packet(buffer);
    PacketManager::SendUseObject(packet, item->serial);
    Send(packet);
}

void ShowStaticName(CObj* object) {
    if (!object || object->overheadTexts || object->IsDynamic()) return;
    const CWideString name = GetLocalizedItemName(object->graphic, object->graphicIncrement, object->amount);
    if (!name.GetText()) return;
    object->AddUnicodeOverheadText(name.GetText(), 3, 995, LanguageManager::getUserLanguageCodeString(),
                                   nullptr, 0);
}

void GetObject(CObj* object, int amount) {
    if (!object || !object->IsDynamic() || !IsWithinReach(object)) return;
    auto* item = static_cast<CDynamicObj*>(object);
    const uint32_t tileFlags = TileData::Item(item->graphic + item->graphicIncrement).flags;
    if ((tileFlags & kStackable) && item->amount > 1 && amount == 0) {
        CGump* window = nullptr;
        if (WorldHook::Table().openAmountWindow) window = WorldHook::Table().openAmountWindow(item);
        if (!window)
            QVReport::message(
                "CObjectManager::GetObject: Prevented client crash by testing for return value from "
                "'(CStackGump*)CGumpManager::OpenGump(pObj, 49, NULL, FALSE);'. It is NULL! "
                "Returning from function.\n");
        return;
    }
    PickedUp& p = g_actions.picked;
    p = {};
    p.serial = item->serial;
    p.position = Pack(item->locX, item->locY);
    p.z = item->z;
    p.graphic = item->graphic;
    p.displayedGraphic = item->displayedGraphic;
    p.increment = item->graphicIncrement;
    p.hue = item->hue;
    p.displayedHue = item->displayedHue;
    p.amount = static_cast<uint16_t>(amount ? amount : item->amount);
    p.status = item->status;
    p.tileFlags = tileFlags;
    if (CDynamicObj* parent = item->parent) {
        if (parent->IsMobile() && item->layer >= 1 && item->layer <= 29 &&
            static_cast<CMobile*>(parent)->layers[item->layer] == item) {
            p.wearerSerial = parent->serial;
            p.layer = item->layer;
        } else {
            p.containerSerial = parent->serial;
        }
    }
    WorldHook::Call(WorldHook::Table().forgetViewPointers, item);
    const uint32_t serial = item->serial;
    item->Release();
    g_actions.pending = true;
    uint8_t buffer[16];
    PacketWriter packet(buffer);
    PacketManager::SendPickUpItem(packet, serial, p.amount);
    Send(packet);
    g_actions.dragGump = nullptr;
    if (WorldHook::Table().createDragWindow) g_actions.dragGump = WorldHook::Table().createDragWindow();
}

void CloseOutOfReachContainers() {
    const WorldHooks& h = WorldHook::Table();
    if (!h.deleteGump) return;
    if (CPlayerMobile* p = pPlayerObject) {
        CDynamicObj* bank = p->layers[29];
        if (bank && bank->IsContainer()) {
            auto* box = static_cast<CContainerObj*>(bank);
            if (CGump* g = box->containerGump) {
                box->containerGump = nullptr;
                h.deleteGump(g);
            }
        }
    }
    for (CDynamicObj* o = WorldLists::AllObjects().Head(); o; o = WorldLists::AllObjects().Next(o)) {
        if (!o->IsContainer()) continue;
        auto* c = static_cast<CContainerObj*>(o);
        if (!c->containerGump || IsWithinReach(c)) continue;
        CGump* g = c->containerGump;
        c->containerGump = nullptr;
        h.deleteGump(g);
    }
}

const PickedUp& GetPickedUp() {
    return g_actions.picked;
}

bool IsPickUpPending() {
    return g_actions.pending;
}

void ClearPickUpPending() {
    g_actions.pending = false;
}

void ForgetDragWindow(const CGump* window) {
    if (!window || window != g_actions.dragGump) return;
    g_actions.dragGump = nullptr;
    g_actions.pending = false;
}

void RestoreLiftedItem(int reason) {
    PickedUp& p = g_actions.picked;
    if (reason != 5 && p.serial != 0xFFFFFFFF) {
        CContainerObj* container = nullptr;
        CMobile* wearer = nullptr;
        bool sourceGone = false;
        if (p.containerSerial) {
            CObj* c = FindBySerial(p.containerSerial);
            if (c && c->IsContainer()) container = static_cast<CContainerObj*>(c);
            sourceGone = !container;
        } else if (p.wearerSerial) {
            CObj* w = FindBySerial(p.wearerSerial);
            if (w && w->IsMobile()) wearer = static_cast<CMobile*>(w);
            sourceGone = !wearer;
        }
        // A source that went away while the item was held: the server sends the item again.
        if (!sourceGone) {
            CDynamicObj* item = nullptr;
            if (p.graphic == 0x2006)
                item = new CCorpse(p.serial, p.graphic, p.increment);
            else if (IsMapGraphic(p.graphic))
                item = new CMapItemObj(p.serial, p.graphic, p.increment);
            else if (IsContainerGraphic(p.graphic))
                item = new CContainerObj(p.serial, p.graphic, p.increment);
            else
                item = NewDynamicObj(p.serial, p.graphic, p.increment);
            item->hue = p.hue;
            item->displayedHue = p.displayedHue;
            item->amount = p.amount;
            item->status = p.status;
            if (wearer) {
                if (wearer->listed) wearer->RemoveFromDrawList();
                item->Equip(wearer, p.layer);
                if (wearer->IsPlaced()) wearer->AddToDrawList();
            } else if (container) {
                item->PutInContainer(container, p.position, p.z);
            } else {
                item->AddToWorld(p.position, p.z);
            }
        }
    }
    p = {};
    if (g_actions.dragGump) {
        WorldHook::Call(WorldHook::Table().deleteGump, g_actions.dragGump);
        g_actions.dragGump = nullptr;
    }
    g_actions.pending = false;
}

uint32_t LastUsedSerial() {
    return g_actions.lastUsedSerial;
}

int LastUsedGraphic() {
    return g_actions.lastUsedGraphic;
}

void ResetActionsForTests() {
    g_actions = {};
}

} // namespace CObjectManager

bool IsWithinReach(const CObj* object) {
    if (!object || !object->IsInRangeOfCenter(3)) return false;
    int x = object->locX, y = object->locY, z = object->z;
    if (object->IsDynamic()) {
        const CDynamicObj* top = static_cast<const CDynamicObj*>(object)->OutermostContainer();
        x = top->locX;
        y = top->locY;
        z = top->z;
    }
    const CPlayerMobile* p = pPlayerObject;
    if (!p) return false;
    return MapManager::HasLineOfSight(Pack(x, y), z, Pack(p->locX, p->locY), p->z + 12, 0x40);
}
