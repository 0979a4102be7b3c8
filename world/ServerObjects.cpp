// The server's objects in the world: one move operation for every item and mobile update, items
// into containers, the status byte, the hue rule and the death table.
#include "core/QVReport.h"
#include "platform/platform.h"
#include "render/Light.h"
#include "world/BodyTypes.h"
#include "world/CObjectManager.h"
#include "world/MapManager.h"
#include "world/MultiManager.h"
#include "world/PlayerWalk.h"
#include "world/ServerWorld.h"
#include "world/TileData.h"
#include "world/WorldHooks.h"
#include "world/objects.h"

#include <cstdlib>

namespace {

constexpr int kCorpseGraphic = 0x2006;
constexpr int kSeam = 18;

std::vector<DeathRow>& Rows() {
    static auto* rows = new std::vector<DeathRow>;
    return *rows;
}

uint32_t Pack(int x, int y) {
    return static_cast<uint32_t>(x & 0xFFFF) | (static_cast<uint32_t>(y & 0xFFFF) << 16);
}

// Near the seam of a wrapping facet a position is moved to the side the view centre is on.
void WrapTowardCenter(int& x, int& y) {
    int cx = 0, cy = 0, cz = 0;
    MapManager::GetCenter(cx, cy, cz);
    const int w = MapManager::GetWrapWidth();
    const int h = MapManager::GetWrapHeight();
    if (cx < w) {
        if (cx < kSeam && x > w - kSeam)
            x -= w;
        else if (cx >= w - kSeam && x <= kSeam)
            x += w;
    }
    if (cy < h) {
        if (cy < kSeam && y > h - kSeam)
            y -= h;
        else if (cy >= h - kSeam && y <= kSeam)
            y += h;
    }
}

// The hue through the hue rule; the displayed hue is "art.def"'s when it substitutes the graphic
// and the hue is 0.
void SetHues(CObj* o, uint16_t rawHue) {
    o->SetGraphic(o->graphic, NormalizeHue(rawHue));
}

CDynamicObj* NewItemOfClass(uint32_t serial, int graphic, int increment) {
    if (graphic == kCorpseGraphic) return new CCorpse(serial, graphic, increment);
    const uint32_t flags = TileData::Item(graphic).flags;
    if (flags & TileFlag::MapItem) return new CMapItemObj(serial, graphic, increment);
    if (flags & TileFlag::Container) return new CContainerObj(serial, graphic, increment);
    return NewDynamicObj(serial, graphic, increment);
}

bool IsNewMobileSerial(uint32_t serial) {
    return (serial & kItemSerialBit) == 0;
}

} // namespace

uint16_t NormalizeHue(uint16_t h) {
    if ((h & 0x3FFF) == 0) return h & 0x8000;
    if ((h & 0x3FFF) >= 3000) return static_cast<uint16_t>((h & 0xC000) | 1);
    return h;
}

void SetObjectStatus(CDynamicObj* object, uint8_t status) {
    if (!object) return;
    if (object->IsMobile()) {
        CMobile* m = static_cast<CMobile*>(object);
        if (!m->IsPlayer() && (status & 0x80) && !(m->status & 0x80))
            WorldHook::Call(WorldHook::Table().deleteOwnedGumps, m);
        m->warMode = (!m->IsGhost() && (status & 0x40)) ? 1 : 0;
    }
    object->status = status;
}

namespace CObjectManager {

void HandleMove(uint32_t serial, int graphic, int increment, int amount, int x, int y, int z, int facing,
                uint16_t hue, uint8_t status) {
    HandleMoveOf(FindBySerial(serial), serial, graphic, increment, amount, x, y, z, facing, hue, status);
}

void HandleMoveOf(CObj* found, uint32_t serial, int graphic, int increment, int amount, int x, int y, int z,
                  int facing, uint16_t hue, uint8_t status) {
    WrapTowardCenter(x, y);
    int multiId = -1;
    if (graphic > 0x3FFF) {
        multiId = graphic - 0x4000;
        graphic = 1;
    }
    if (found && !found->IsDynamic()) return; // only the player and server objects have serials
    CDynamicObj* o = static_cast<CDynamicObj*>(found);
    const bool wasMobile = o && o->IsMobile();
    if (o && !wasMobile && !o->multiList && (!o->notPlaced || o->parent)) o->RemoveFromWorld();

    bool isNew = false;
    if (!o && !IsNewMobileSerial(serial)) {
        o = NewItemOfClass(serial, graphic, increment);
        if (!o) return;
        o->facing = static_cast<uint8_t>(facing);
        SetHues(o, hue);
        o->amount = static_cast<uint16_t>(amount);
        SetObjectStatus(o, status);
        isNew = true;
    } else if (!o) {
        CMobile* m = new CMobile(serial, graphic, increment);
        m->stepOffsetX = m->stepOffsetY = 0;
        m->running = (facing & 0x80) ? 1 : 0;
        m->facing = static_cast<uint8_t>(facing & 0x7F);
        SetHues(m, hue);
        m->drawZ = static_cast<int16_t>(z);
        m->AddToWorld(Pack(x, y), z);
        SetObjectStatus(m, status);
        m->resting = 0;
        m->lastMoveTick = platform::TickCount();
        o = m;
    }

    if (wasMobile || (!found && o->IsMobile())) {
        CMobile* m = static_cast<CMobile*>(o);
        m->lastMoveTick = platform::TickCount();
        if (m->stepCount >= 4) {
            // Steps arrive faster than they are shown: the mobile jumps.
            const bool wasListed = m->listed != 0;
            if (wasListed) m->RemoveFromDrawList();
            m->SetLocation(Pack(x, y), z);
            m->drawZ = static_cast<int16_t>(z);
            m->stepFramesLeft = 1;
            m->facing = static_cast<uint8_t>(facing & 0x7F);
            m->running = (facing & 0x80) ? 1 : 0;
            m->SetGraphic(graphic, NormalizeHue(hue));
            m->stepCount = 0;
            SetObjectStatus(m, status);
            m->resting = 0;
            if (wasListed) m->AddToDrawList();
        } else {
            if (m->resting) {
                m->resting = 0;
                if (m->listed) m->AddToDrawList();
            }
            bool differs;
            if (m->stepCount > 0) {
                const CMobile::Step& last = m->steps[m->stepCount - 1];
                differs = last.x != x || last.y != y || last.z != z ||
                          last.facing != static_cast<uint8_t>(facing) || last.body != graphic ||
                          last.status != status;
            } else {
                differs = m->locX != x || m->locY != y || m->z != z || m->facing != (facing & 0x7F) ||
                          m->running != ((facing & 0x80) ? 1 : 0) || m->graphic != graphic ||
                          m->status != status;
            }
            if (differs) {
                m->steps[m->stepCount++] = {static_cast<int16_t>(x),      static_cast<int16_t>(y),
                                            static_cast<int16_t>(z),      static_cast<uint16_t>(graphic),
                                            static_cast<uint8_t>(facing), status};
            }
        }
        if (pPlayerObject && pPlayerObject->following && pPlayerObject->followedSerial == m->serial) {
            int cx = 0, cy = 0, cz = 0;
            MapManager::GetCenter(cx, cy, cz);
            if (std::abs(x - cx) > 3 || std::abs(y - cy) > 3) PlayerWalk::FollowMobileMoved(m);
        }
    } else {
        o->z = static_cast<int16_t>(z);
        o->graphicIncrement = static_cast<int8_t>(increment);
        o->facing = static_cast<uint8_t>(facing);
        o->amount = static_cast<uint16_t>(amount);
        SetObjectStatus(o, status);
        if (multiId < 0) {
            o->SetGraphic(graphic, NormalizeHue(hue));
            o->AddToWorld(Pack(x, y), z);
        } else {
            o->SetGraphic(o->graphic, NormalizeHue(hue));
            MradeRunager::UpdateMulti(o, x, y, z, multiId);
        }
        if (isNew) RestoreOverheadTexts(o);
    }

    if (!o->IsInUpdateRange() && !o->IsMultiComponent() && !o->IsPlayer()) o->Release();
}

bool AddToContainer(const ContainerItem& item) {
    CObj* found = FindBySerial(item.container);
    if (!found || !found->IsContainer()) return false;
    CContainerObj* box = static_cast<CContainerObj*>(found);
    // An entry naming the container, one of its holders, or the player would release what is
    // still in use or close a loop of parents.
    if (item.serial == item.container || (pPlayerObject && item.serial == pPlayerObject->serial)) {
        QVReport::warning("CObjectManager::AddToContainer: item 0x%08X cannot go into 0x%08X; dropped.\n",
                          item.serial, item.container);
        return false;
    }
    for (const CDynamicObj* p = box->parent; p; p = p->parent)
        if (p->serial == item.serial) {
            QVReport::warning("CObjectManager::AddToContainer: 0x%08X holds 0x%08X; dropped.\n", item.serial,
                              item.container);
            return false;
        }
    if (CObj* old = FindBySerial(item.serial)) old->Release();

    const int graphic = static_cast<int>(item.graphic & 0xFFFF);
    CDynamicObj* o = nullptr;
    if (IsNewMobileSerial(item.serial))
        o = new CMobile(item.serial, graphic, static_cast<int>(item.increment));
    else
        o = NewItemOfClass(item.serial, graphic, static_cast<int>(item.increment));
    if (!o) return false;
    SetHues(o, item.hue);
    o->amount = item.amount;
    if (!o->PutInContainer(box, Pack(item.x, item.y), 0)) {
        o->Release();
        return false;
    }
    return true;
}

} // namespace CObjectManager

// ---------------------------------------------------------------- deaths
void CMobile::StartDeath(uint32_t corpseSerial, int fall) {
    SetSerial(serial | kDyingSerialBit);
    if (corpseSerial) AddDeathEntry(corpseSerial, serial, facing, static_cast<uint32_t>(fall));
    int deathAction = 0, frames = 5;
    switch (GetBodyType(graphic)) {
    case BodyType::Creature:
        deathAction = fall ? 2 : 3;
        break;
    case BodyType::CreatureRunsWith1:
        deathAction = 8;
        frames = 15;
        break;
    case BodyType::Animal:
        deathAction = fall ? 8 : 12;
        break;
    default:
        deathAction = fall ? 21 : 22;
        break;
    }
    PlayAction(deathAction, frames, 0, 1, 0, 0);
    dying = 1;
}

int AddDeathEntry(uint32_t corpseSerial, uint32_t mobileSerial, uint32_t facing, uint32_t fall) {
    std::vector<DeathRow>& rows = Rows();
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i].corpseSerial == corpseSerial) return static_cast<int>(i);
    rows.push_back({corpseSerial, mobileSerial, facing, fall});
    return static_cast<int>(rows.size());
}

CCorpse* FindCorpseOfDying(uint32_t mobileSerial) {
    for (const DeathRow& r : Rows())
        if (r.mobileSerial == mobileSerial) {
            CObj* o = CObjectManager::FindBySerial(r.corpseSerial);
            return o && o->IsCorpse() ? static_cast<CCorpse*>(o) : nullptr;
        }
    return nullptr;
}

bool IsInDeathTable(uint32_t corpseSerial, uint32_t mobileSerial) {
    for (const DeathRow& r : Rows())
        if (r.corpseSerial == corpseSerial || r.mobileSerial == mobileSerial) return true;
    return false;
}

void FinishDeath(uint32_t corpseSerial, uint32_t mobileSerial, bool keep) {
    std::vector<DeathRow>& rows = Rows();
    bool removed = false;
    DeathRow last{};
    for (size_t i = 0; i < rows.size();) {
        if (rows[i].corpseSerial != corpseSerial && rows[i].mobileSerial != mobileSerial) {
            ++i;
            continue;
        }
        last = rows[i];
        removed = true;
        rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(i));
        CObj* corpse = CObjectManager::FindBySerial(last.corpseSerial);
        if (corpse && corpse->IsCorpse()) {
            corpse->facing = static_cast<uint8_t>((last.facing & 7) | (last.fall == 0 ? 0x80 : 0));
            if (corpse->listed) corpse->AddToDrawList();
        }
    }
    if (!removed || keep) return;
    CObj* mobile = CObjectManager::FindBySerial(last.mobileSerial);
    if (mobile && mobile->IsMobile() && !mobile->IsPlayer()) mobile->Release();
}

const std::vector<DeathRow>& DeathTable() {
    return Rows();
}

void ClearDeathTable() {
    Rows().clear();
}

// ---------------------------------------------------------------- surroundings
namespace WorldState {
namespace {
struct State {
    ServerTime time;
    Pointer pointer;
    uint32_t lastSwing = 0;
    Bounds bounds;
    bool contentsArriving = false;
    std::set<uint32_t> marked;
};
State& S() {
    static State s;
    return s;
}
} // namespace

// One store for the level: the light renderer keeps it.
int GetGlobalLightLevel() {
    return ::GetGlobalLightLevel();
}
void SetGlobalLightLevel(int level) {
    ::SetGlobalLightLevel(level);
}
int GetPersonalLightLevel() {
    return pPlayerObject ? pPlayerObject->personalLight : 0;
}
ServerTime GetServerTime() {
    return S().time;
}
void SetServerTime(int hour, int minute, int second) {
    S().time = {hour, minute, second};
}
Pointer GetPointer() {
    return S().pointer;
}
void SetPointer(bool shown, int x, int y) {
    S().pointer = {shown, x, y};
}
uint32_t GetLastSwingSerial() {
    return S().lastSwing;
}
void SetLastSwingSerial(uint32_t serial) {
    S().lastSwing = serial;
}
Bounds GetBounds() {
    return S().bounds;
}
void SetBounds(const Bounds& bounds) {
    S().bounds = bounds;
}
bool IsContentsArriving() {
    return S().contentsArriving;
}
void SetContentsArriving(bool arriving) {
    S().contentsArriving = arriving;
}
std::set<uint32_t>& FallbackMarkedSerials() {
    return S().marked;
}
void Reset() {
    S() = State{};
}
} // namespace WorldState
