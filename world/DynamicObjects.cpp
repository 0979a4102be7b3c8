// Server items, containers, map items and corpses.
#include "core/QVReport.h"
#include "world/BigMobComponent.h"
#include "world/OverheadText.h"
#include "world/SerialIndex.h"
#include "world/TileData.h"
#include "world/WorldHooks.h"
#include "world/objects.h"

namespace {

constexpr int kVendorBoxGraphic = 11000;
constexpr int kSortedByYGraphic = 4006;
// No honest parent chain is this deep; the bound keeps a damaged one from hanging a walk.
constexpr int kMaxChain = 4096;

// Set while a container's contents are released: their windows need no redraw item by item.
bool g_releasingContents = false;

void ValidateNew(const CDrawItem* object) {
    if (!QV_VALID_OBJECT(object))
        QVReport::error(
            "CObj::CObj: either pointer 'this' is not valid, or the data it points to is not valid. "
            "the program may crash!\n");
}

} // namespace

// ---------------------------------------------------------------- CDynamicObj
CDynamicObj::CDynamicObj() = default;

CDynamicObj::CDynamicObj(uint32_t newSerial, int newGraphic, int increment, bool linkAllObjects) {
    ValidateNew(this);
    SetGraphic(newGraphic, 0);
    graphicIncrement = static_cast<int8_t>(increment);
    SetLocation(0xFFFFFFFFu, 0);
    serial = newSerial;
    WorldLists::AllObjects().PushFront(this);
    SerialIndex::Add(this);
    if (!linkAllObjects) {
        WorldLists::AllObjects().Remove(this);
        SerialIndex::Remove(this);
    }
}

CDynamicObj::~CDynamicObj() {
    ReleaseShared();
}

void CDynamicObj::ReleaseShared() {
    vendorName.clear();
    if (multiList) {
        multiList->Clear();
        delete multiList;
        multiList = nullptr;
    }
    for (int i = 0; i < 2; ++i)
        if (gumps[i]) WorldHook::Call(WorldHook::Table().forgetOwner, gumps[i], this);
    if (pDraggedObject == this) pDraggedObject = nullptr;
    if (!notPlaced || parent) CDynamicObj::RemoveFromWorld();
    if (listed) RemoveFromDrawList(); // listed without being placed: no cell may keep it
    if (AllObjectsList::IsLinked(this)) {
        SerialIndex::Remove(this);
        WorldLists::AllObjects().Remove(this);
    }
    DeleteAllOverheadTexts();
    for (CGump*& g : gumps)
        g = nullptr;
    WorldHook::Call(WorldHook::Table().forgetViewPointers, this);
}

void CDynamicObj::Release() {
    ReleaseShared();
    ResetDynamic(0);
    ObjectPools::GiveDynamic(this);
}

void CDynamicObj::ResetDynamic(uint32_t newSerial) {
    serial = newSerial;
    parent = nullptr;
    status = 0;
    layer = 0;
    personalLight = 0;
    vendorPrice = 0;
}

void CDynamicObj::SetSerial(uint32_t newSerial) {
    const uint32_t old = serial;
    serial = newSerial;
    SerialIndex::Rekey(this, old);
}

bool CDynamicObj::IsEquipped() const {
    if (!parent || !parent->IsMobile()) return false;
    const CMobile* m = static_cast<const CMobile*>(parent);
    for (const CDynamicObj* slot : m->layers)
        if (slot == this) return true;
    return false;
}

bool CDynamicObj::IsMovable() const {
    return (status & 0x20) || TileData::Item(graphic, graphicIncrement).weight <= 90;
}

bool CDynamicObj::IsInsideOf(const CObj* container) const {
    int steps = 0;
    for (const CDynamicObj* p = parent; p && steps < kMaxChain; p = p->parent, ++steps)
        if (p == container) return true;
    return false;
}

const CDynamicObj* CDynamicObj::OutermostContainer() const {
    const CDynamicObj* o = this;
    for (int steps = 0; o->parent && steps < kMaxChain; ++steps)
        o = o->parent;
    return o;
}

void CDynamicObj::ReferenceCell(int& x, int& y) const {
    const CDynamicObj* outer = OutermostContainer();
    if (outer == this) {
        CObj::ReferenceCell(x, y);
        return;
    }
    outer->ReferenceCell(x, y);
}

void CDynamicObj::GetScreenAnchor(int& x, int& y) const {
    x = screenRect.left + (screenRect.right - screenRect.left) / 2;
    y = screenRect.top + (screenRect.bottom - screenRect.top) / 2;
}

void CDynamicObj::SetPersonalLight(int level) {
    if (!IsPlayer()) return;
    if (level != personalLight && !notPlaced) {
        g_personalLightTotal += level - personalLight;
        WorldHook::Call(WorldHook::Table().radarRebuild);
        WorldHook::Call(WorldHook::Table().invalidateAll);
    }
    personalLight = level;
}

void CDynamicObj::RemoveFromWorld() {
    WorldHooks& h = WorldHook::Table();
    CDynamicObj* p = parent;
    if (!p) {
        if (listed) RemoveFromDrawList();
    } else if (p->IsMobile()) {
        CDrawItem::Invalidate(p);
    }
    LeaveObjectLists();

    CContainerObj* box = nullptr;
    if (p) {
        if (p->IsCorpse()) {
            CCorpse* corpse = static_cast<CCorpse*>(p);
            CDrawItem::Invalidate(corpse);
            for (CDynamicObj*& e : corpse->equipment)
                if (e == this) e = nullptr;
        }
        bool worn = false;
        if (p->IsMobile()) {
            CMobile* m = static_cast<CMobile*>(p);
            for (CDynamicObj*& slot : m->layers)
                if (slot == this) {
                    slot = nullptr;
                    worn = true;
                }
            if (worn) {
                if (layer == 1 || layer == 2) m->armed = (m->layers[1] || m->layers[2]) ? 1 : 0;
                if (layer == 25) m->mounted = 0;
                WorldHook::Call(h.paperdollRedraw, m);
            }
        }
        if (!worn && p->IsContainer()) static_cast<CContainerObj*>(p)->contents.Remove(this);
        parent = nullptr;
        if (p->IsContainer() && p->graphic == kVendorBoxGraphic) box = static_cast<CContainerObj*>(p);
    } else if (IsPlayer() && personalLight != 0) {
        g_personalLightTotal -= personalLight;
        WorldHook::Call(h.radarRebuild);
        WorldHook::Call(h.invalidateAll);
    }
    WorldLists::World().Remove(this);
    notPlaced = 1;

    if (p && p->IsContainer()) {
        if (!g_releasingContents) WorldHook::Call(h.containerRedraw, static_cast<CContainerObj*>(p), this);
        if (box) WorldHook::Call(h.shopItemChanged, box, serial);
    }

    if (gumps[0]) {
        if (WorldHook::Ask(h.isBoardLine, gumps[0])) {
            WorldHook::Call(h.boardRelayout, gumps[0]);
        } else if (WorldHook::Ask(h.isStatusBar, gumps[0]) &&
                   (IsPlayer() || WorldHook::Ask(h.partyContains, serial))) {
            return; // the bar stays for a party member or the player
        } else {
            CGump* g = gumps[0];
            gumps[0] = nullptr;
            WorldHook::Call(h.deleteGump, g);
        }
    }
    for (int i = 1; i < 3; ++i)
        if (CGump* g = gumps[i]) {
            gumps[i] = nullptr;
            WorldHook::Call(h.deleteGump, g);
        }
}

bool CDynamicObj::Equip(CMobile* mobile, int newLayer) {
    if (newLayer < 0 || newLayer >= kLayerCount) {
        QVReport::error("CDynamicObj::Equip: layer %d of 0x%08X is outside 0..29; refused.\n", newLayer,
                        serial);
        return false;
    }
    if (!mobile || mobile == this || mobile->IsInsideOf(this)) {
        QVReport::error("CDynamicObj::Equip: 0x%08X cannot be worn by itself or by what it holds; refused.\n",
                        serial);
        return false;
    }
    if (!notPlaced || parent) RemoveFromWorld();
    // A slot holds one object: the one worn there before comes off.
    if (CDynamicObj* old = mobile->layers[newLayer]; old && old != this) old->RemoveFromWorld();
    layer = static_cast<uint8_t>(newLayer);
    mobile->layers[newLayer] = this;
    parent = mobile;
    notPlaced = 0;
    if (newLayer == 1 || newLayer == 2) mobile->armed = 1;
    if (newLayer == 25) mobile->mounted = 1;
    if (newLayer == 0) return true;
    if (IsLightSource() && !inLightList) {
        WorldLists::Lights().PushFront(this);
        inLightList = 1;
    }
    WorldHook::Call(WorldHook::Table().paperdollRedraw, mobile);
    return true;
}

bool CDynamicObj::PutInContainer(CContainerObj* container, uint32_t position, int newZ) {
    if (!container || container == this || container->IsInsideOf(this)) {
        QVReport::error("CDynamicObj::PutInContainer: 0x%08X cannot go into itself or into what it holds; "
                        "refused.\n",
                        serial);
        return false;
    }
    if (!notPlaced || parent) RemoveFromWorld();
    SetLocation(position, newZ);

    CObj* before = container->contents.Head();
    if (container->graphic == kVendorBoxGraphic) {
        while (before && before->locX < locX)
            before = WorldList::Next(before);
    } else if (container->graphic == kSortedByYGraphic) {
        while (before && before->locY > locY)
            before = WorldList::Next(before);
    } else if (container->IsSpellbook()) {
        while (before && before->amount < amount)
            before = WorldList::Next(before);
    }
    container->contents.InsertBefore(before, this);
    parent = container;
    notPlaced = 0;

    WorldHooks& h = WorldHook::Table();
    if (container->graphic == kVendorBoxGraphic) {
        WorldHook::Call(h.clampItem, container, this);
        WorldHook::Call(h.shopItemChanged, container, serial);
    } else if (container->graphic == kSortedByYGraphic) {
        WorldHook::Call(h.clampItem, container, this);
    } else if (container->IsSpellbook()) {
        WorldHook::Call(h.spellbookRefresh, container);
    } else {
        WorldHook::Call(h.containerItemAdded, container, this);
    }
    // A corpse's picture shows what lies in it.
    if (container->IsCorpse() && !container->parent && container->listed) {
        container->RemoveFromDrawList();
        container->AddToDrawList();
    }
    return true;
}

// ---------------------------------------------------------------- CMapItemObj
CMapItemObj::CMapItemObj(uint32_t s, int g, int increment, bool linkAllObjects)
    : CDynamicObj(s, g, increment, linkAllObjects) {}

CMapItemObj::~CMapItemObj() {
    EditPins(5, 0, 0, 0);
    if (CGump* g = courseGump) {
        courseGump = nullptr;
        WorldHook::Call(WorldHook::Table().forgetOwner, g, this);
    }
}

int CMapItemObj::EditPins(int op, int index, int x, int y) {
    auto at = [this](int i) {
        Pin* p = pins;
        while (i-- > 0)
            p = p->next;
        return p;
    };
    switch (op) {
    case 1:
    case 2: {
        if (op == 1) index = pinCount;
        if (index < 0 || index > pinCount) return pinCount;
        Pin* pin = new Pin{static_cast<int16_t>(x), static_cast<int16_t>(y), nullptr};
        if (index == 0) {
            pin->next = pins;
            pins = pin;
        } else {
            Pin* prev = at(index - 1);
            pin->next = prev->next;
            prev->next = pin;
        }
        return ++pinCount;
    }
    case 3: {
        if (index < 0 || index >= pinCount) return pinCount;
        Pin* pin = at(index);
        pin->x = static_cast<int16_t>(x);
        pin->y = static_cast<int16_t>(y);
        return index;
    }
    case 4: {
        if (index < 0 || index >= pinCount) return pinCount;
        Pin* victim = nullptr;
        if (index == 0) {
            victim = pins;
            pins = victim->next;
        } else {
            Pin* prev = at(index - 1);
            victim = prev->next;
            prev->next = victim->next;
        }
        delete victim;
        return --pinCount;
    }
    case 5:
        while (Pin* p = pins) {
            pins = p->next;
            delete p;
        }
        pinCount = 0;
        return 0;
    default:
        return op - 1;
    }
}

// ---------------------------------------------------------------- CContainerObj
CContainerObj::CContainerObj(uint32_t s, int g, int increment, bool linkAllObjects)
    : CDynamicObj(s, g, increment, linkAllObjects) {}

CContainerObj::~CContainerObj() {
    // Listed strips went with the unlisting; what is left is released here.
    BigMobStrips::ReleaseStrips(this,
                                "CContainerObj::~CContainerObj: bigMobComponents == "
                                "reinterpret_cast<CBigMobComponent*>(0xdddddddd). code would have crashed. "
                                "continuing...\n");
    if (CGump* g = containerGump) {
        containerGump = nullptr;
        WorldHook::Call(WorldHook::Table().deleteGump, g);
    }
    ReleaseContents();
}

void CContainerObj::ReleaseContents() {
    const bool outer = g_releasingContents;
    g_releasingContents = true;
    while (CObj* head = contents.Head()) {
        head->Release();
        // Whatever the object did on release, it is not in this container any more.
        if (contents.Head() == head) contents.Remove(head);
    }
    g_releasingContents = outer;
}

// ---------------------------------------------------------------- CCorpse
CCorpse::CCorpse(uint32_t s, int g, int increment, bool linkAllObjects)
    : CContainerObj(s, g, increment, linkAllObjects) {}

// Unlisted here, where the removal still knows the corpse's own cell.
CCorpse::~CCorpse() {
    if (listed) CCorpse::RemoveFromDrawList();
}

void CCorpse::RemoveFromDrawList() {
    BigMobStrips::ReleaseStrips(this,
                                "CCorpse::RemoveFromDrawList: bigMobComponents == "
                                "reinterpret_cast<CBigMobComponent*>(0xdddddddd). code would have crashed. "
                                "continuing...\n");
    if (!listed) return;
    const int d = CellOffset();
    UnlinkFromCell(locX + d, locY - d,
                   "CCorpse::RemoveFromDrawList: code would have asserted because "
                   "'DrawMapThingie::table[locY][locX] == this' evaluates to 0");
}
