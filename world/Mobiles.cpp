// Mobiles, the player, and the player object's life.
#include "core/MarkedMobiles.h"
#include "core/QVReport.h"
#include "world/BigMobComponent.h"
#include "world/PlayerObject.h"
#include "world/ServerWorld.h"
#include "world/WorldHooks.h"
#include "world/objects.h"

namespace {

struct BodyArt {
    int body;
    int art;
};
// Bodies drawn with a fixed item picture.
constexpr BodyArt kBodyArts[] = {{5, 24861},   {6, 24858},   {200, 24863}, {201, 24859},
                                 {204, 24868}, {205, 24869}, {211, 24856}, {212, 24862},
                                 {214, 24857}, {217, 24860}, {225, 24866}, {226, 24864},
                                 {228, 24865}, {238, 24867}, {291, 24870}, {292, 24871}};

// The player's serial before a player object exists.
uint32_t g_playerSerial = 0;

void SeeNotoriety(int32_t value) {
    if (value >= 100) g_criminalWarning = false;
}

} // namespace

// ---------------------------------------------------------------- CMobile
CMobile::CMobile(uint32_t s, int body, int increment, bool linkAllObjects)
    : CContainerObj(s, body, increment, linkAllObjects) {
    WorldLists::Mobiles().PushFront(this);
}

CMobile::~CMobile() {
    WorldHooks& h = WorldHook::Table();
    if (listed) CMobile::RemoveFromDrawList();
    dying = 0;
    EndMobileAnimation(this, true);
    if (IsInDeathTable(0, serial)) FinishDeath(0, serial, true);
    WorldHook::Call(h.deleteMissilesAt, this);
    if (tradeGump) {
        WorldHook::Call(h.cancelTrade, this);
        tradeGump = nullptr;
    }
    if (MarkedMobileNode* node = FindMarkedMobile(this)) {
        UnmarkMobile(node);
        delete node;
    }
    marked = false;
    if (pPlayerObject && pPlayerObject != this && pPlayerObject->following &&
        pPlayerObject->followedSerial == serial) {
        pPlayerObject->following = 0;
        pPlayerObject->followedSerial = 0;
    }
    CDynamicObj::RemoveFromWorld();
    for (CDynamicObj*& slot : layers)
        if (CDynamicObj* worn = slot) {
            worn->Release();
            if (slot == worn) slot = nullptr; // released without leaving the slot
        }
    WorldLists::Mobiles().Remove(this);
    WorldHook::Call(h.forgetViewPointers, this);
}

int CMobile::GetArt() const {
    for (const BodyArt& b : kBodyArts)
        if (b.body == graphic) return b.art;
    return -1;
}

int CMobile::DrawKey() const {
    return GetHeight() > 0 ? z + 1 : z;
}

void CMobile::StepShift(int& dx, int& dy) const {
    dx = dy = 0;
    if (stepFramesLeft <= 0 || facing > 7) return;
    switch (facing) {
    case 0:
    case 1:
        dy = 1;
        break;
    case 5:
    case 6:
        dx = 1;
        break;
    case 7:
        dx = dy = 1;
        break;
    default:
        break;
    }
}

void CMobile::ListingCell(int& x, int& y) const {
    int dx = 0, dy = 0;
    StepShift(dx, dy);
    x = locX + dx;
    y = locY + dy;
}

void CMobile::RemoveFromDrawList() {
    if (!listed) return;
    BigMobStrips::ReleaseStrips(this,
                                "CMobile::RemoveFromDrawList: bigMobComponents == "
                                "reinterpret_cast<CBigMobComponent*>(0xdddddddd). code would have crashed. "
                                "continuing...\n");
    int x = 0, y = 0;
    ListingCell(x, y);
    const int d = CellOffset();
    UnlinkFromCell(x + d, y - d,
                   "CMobile::RemoveFromDrawList(): code would have asserted because "
                   "'DrawMapThingie::table[locY][locX] == this' evaluates to 0\n");
}

void CMobile::ReferenceCell(int& x, int& y) const {
    if (stepCount > 0 && stepCount <= 4) {
        x = steps[stepCount - 1].x;
        y = steps[stepCount - 1].y;
        return;
    }
    CDynamicObj::ReferenceCell(x, y);
}

void CMobile::GetScreenAnchor(int& x, int& y) const {
    x = columnTerm * 22 - stepOffsetX + 1;
    y = depthTerm * 22 - drawZ * 4 - stepOffsetY + 20;
}

void CMobile::SetNotoriety(int value) {
    notoriety = value;
    CDrawItem::Invalidate(this);
}

int CMobile::GetNotoriety() const {
    SeeNotoriety(notoriety);
    return notoriety % 100;
}

bool CMobile::IsNotInnocent() const {
    SeeNotoriety(notoriety);
    return notoriety % 100 != 1;
}

bool CMobile::IsNotCriminal() const {
    SeeNotoriety(notoriety);
    const int n = notoriety % 100;
    return n < 4 || n > 6;
}

void CMobile::SetDying() {
    dying = 1;
    SetSerial(serial | kDyingSerialBit);
}

// ---------------------------------------------------------------- CPlayerMobile
CPlayerMobile::CPlayerMobile(uint32_t s, int body, int increment) : CMobile(s, body, increment, false) {
    DrawItemWorld::SetUpdateRange(updateRange);
}

CPlayerMobile::~CPlayerMobile() {
    if (pPlayerObject == this) {
        pPlayerObject = nullptr;
        DrawItemWorld::SetUpdateRange(18);
    }
}

void CPlayerMobile::StepShift(int& dx, int& dy) const {
    dx = dy = 0;
    if (!stepInProgress || facing > 7) return;
    switch (facing) {
    case 1:
    case 2:
        dx = 1;
        break;
    case 3:
        dx = dy = 1;
        break;
    case 4:
    case 5:
        dy = 1;
        break;
    default:
        break;
    }
}

void CPlayerMobile::GetScreenAnchor(int& x, int& y) const {
    x = columnTerm * 22 + walkScrollX + 1;
    y = feetLine + walkScrollY;
}

void CPlayerMobile::SetNotoriety(int value) {
    notoriety = value;
    WorldLists::Mobiles().ForEach([](CMobile* m) { CDrawItem::Invalidate(m); });
}

void CPlayerMobile::PushWalkKey(uint32_t key) {
    for (uint32_t& slot : walkKeys)
        if (slot == 0) {
            slot = key;
            return;
        }
}

void CPlayerMobile::SetWalkKey(uint32_t key, int index) {
    if (index >= 0 && index < 5) walkKeys[index] = key;
}

uint32_t CPlayerMobile::PopWalkKey() {
    for (uint32_t& slot : walkKeys)
        if (slot != 0) {
            const uint32_t key = slot;
            slot = 0;
            return key;
        }
    return 0;
}

void CPlayerMobile::SetUpdateRange(int range) {
    updateRange = static_cast<uint8_t>(range);
    if (pPlayerObject == this) DrawItemWorld::SetUpdateRange(range);
}

// ---------------------------------------------------------------- the player object
namespace CApp {
void LoadPlayerFile() {
    QVReport::message("CApp::LoadPlayerFile: begin.\n");
    delete pPlayerObject;
    pPlayerObject = new CPlayerMobile(g_playerSerial, 0, 0);
    DrawItemWorld::SetUpdateRange(pPlayerObject->GetUpdateRange());
    if (!MemoryManager::validateRawPointer(pPlayerObject, pPlayerObject->validityWord(), "multcli", __LINE__))
        QVReport::error(
            "CApp::LoadPlayerFile: either pointer 'pPlayerObject' is not valid, or the data it points "
            "to is not valid. the program may crash!\n");
}
} // namespace CApp

bool HasPlayerObject() {
    return pPlayerObject != nullptr;
}

uint32_t GetPlayerObjectSerial() {
    return pPlayerObject ? pPlayerObject->serial : g_playerSerial;
}

void SetPlayerObjectSerial(uint32_t serial) {
    g_playerSerial = serial;
    if (pPlayerObject) pPlayerObject->SetSerial(serial);
}

void DeletePlayerObject() {
    delete pPlayerObject;
    pPlayerObject = nullptr;
}

// ---------------------------------------------------------------- marks
void SetMobileMarkFlag(CMobile* mobile, bool marked) {
    if (mobile && CPointerRegistry::IsValid(mobile)) mobile->marked = marked;
}

void InvalidateMobile(CMobile* mobile) {
    CDrawItem::Invalidate(mobile);
}
