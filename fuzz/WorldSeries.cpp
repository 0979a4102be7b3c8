// A series of world messages into one world that already holds items, a chest with contents,
// dressed mobiles, a corpse and a dying mobile. After each message the world must hold together:
// the serial index answers as a walk of the all-objects list does, no object is its own holder,
// and every listed object lies in its cell.
//
// Input: records of an id byte (taken modulo the ids below; two stand for a world step and for a
// step the player asks for),
// a u16 payload length (big-endian) and the payload; a fixed-length message takes as many payload
// bytes as it has fields, zeros after the end. Only the first record's reject or player update
// moves the view anywhere; later ones go at most 8 cells from where the series started, and path
// requests at most 8 cells from the centre.
#include "gumps/CGumpManager.h"
#include "net/CGameSock.h"
#include "net/PacketLengthTable.h"
#include "net/PacketManager.h"
#include "platform/platform.h"
#include "world/BodyTypes.h"
#include "world/CObjectManager.h"
#include "world/MapManager.h"
#include "world/PlayerObject.h"
#include "world/PlayerWalk.h"
#include "world/ServerWorld.h"
#include "world/TileData.h"
#include "world/WeatherManager.h"
#include "world/objects.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// 0x00 stands for a world step and 0x02 for a step the player asks for (the first payload byte:
// screen direction in bits 0-2, running in bit 3); both are kept at the places seeds use.
constexpr uint8_t kIds[] = {0x1A, 0x1D, 0x2E, 0x6E, 0x76, 0x77, 0x78, 0x89, 0x98, 0xAF, 0xBA, 0xC4, 0xD2,
                            0xD3, 0x25, 0x3C, 0x4E, 0x4F, 0x5B, 0x65, 0x69, 0x6A, 0x73, 0xB5, 0xBB, 0xBC,
                            0xC8, 0xC9, 0xCA, 0x00, 0x02, 0x20, 0x21, 0x22, 0x27, 0x38, 0x72, 0x97, 0xB9};
constexpr int kIdCount = sizeof kIds;
constexpr uint32_t kPlayer = 0x100;
constexpr int kChest = 0x0E40;

uint32_t Pos(int x, int y) {
    return static_cast<uint32_t>(x & 0xFFFF) | static_cast<uint32_t>(y & 0xFFFF) << 16;
}

const uint8_t* FlatBlock(int, int) {
    static const auto block = [] {
        std::array<uint8_t, MapManager::kBlockSize> b{};
        for (int cell = 0; cell < 64; ++cell)
            b[4 + cell * 3] = 3; // grass
        return b;
    }();
    return block.data();
}
const uint8_t* NoItem(int, int, int, int& length, int& extra) {
    length = extra = 0;
    return nullptr;
}
bool NoFile(const char*, std::vector<uint8_t>&) {
    return false;
}

bool g_landListed = false;

bool Init() {
    platform::UseBackend(platform::BackendKind::Headless);
    platform::UseManualClock(100000, 0);
    TileData::Allocate();
    TileData::MutableItem(kChest)->flags = TileFlag::Container;
    TileData::MutableItem(0x0A22)->flags = TileFlag::LightSource;
    TileData::MutableItem(0x0DE3)->flags = TileFlag::Animated;
    InitBodyTypes();
    WeatherManager::startup();
    // Open grass at z 0 everywhere, so that the player's steps and paths can be taken.
    MapManager::SetMapSource({FlatBlock, NoItem, NoFile});
    return true;
}

void Reset() {
    // Effects a series starts (lightning, missiles) are gumps that only the frame loop, which no
    // series runs, would end: left to the next input they pile up and slow every later one.
    CGumpManager::ResetForTests();
    CObjectManager::ReleaseAll();
    DeletePlayerObject();
    while (CDynamicObj* o = WorldLists::AllObjects().Head())
        o->Release();
    ClearAnimatingSet();
    ClearDeathTable();
    WorldState::Reset();
    WeatherManager::StopAll();
    // The view's land is listed only once a series asks for a step (listing it again wherever the
    // view jumps, and searching paths over it, are most of a series' cost).
    MapManager::SetPlayerPlaced(false);
    g_landListed = false;
    MapManager::SetCenter(100, 100, 0, 0);
    // A connected player whose requests go nowhere.
    PlayerWalk::ResetForTests();
    PlayerWalk::GetLinks().connected = [] { return true; };
    PlayerWalk::GetLinks().send = [](PacketWriter&) {};
}

// The world every series starts from.
void Populate() {
    pPlayerObject = new CPlayerMobile(kPlayer, 400, 0);
    pPlayerObject->AddToWorld(Pos(100, 100), 0);
    CObjectManager::HandleMove(0x40000001, 0x0EED, 0, 50, 101, 100, 0, 0, 0, 0);
    CObjectManager::HandleMove(0x40000002, 0x0A22, 0, 1, 99, 100, 0, 0, 0, 0);
    CObjectManager::HandleMove(0x40000003, 0x0DE3, 0, 1, 102, 102, 0, 0, 0, 0);
    CObjectManager::HandleMove(0x40000004, kChest, 0, 1, 103, 101, 0, 0, 0, 0);
    for (uint32_t i = 0; i < 3; ++i)
        CObjectManager::AddToContainer(
            {0x40000010 + i, 0x0F13, 0, 1, static_cast<int>(40 + i * 10), 50, 0x40000004, 0});
    CObjectManager::AddToContainer({0x40000020, kChest, 0, 1, 10, 10, 0x40000004, 0});
    CObjectManager::AddToContainer({0x40000021, 0x0F13, 0, 1, 5, 5, 0x40000020, 0});
    for (uint32_t m = 0; m < 3; ++m) {
        CObjectManager::HandleMove(0x200 + m,
                                   m == 0   ? 400
                                   : m == 1 ? 217
                                            : 1,
                                   0, 0, 97 + static_cast<int>(m), 103, 0, 2, 0, 0);
        CObj* o = CObjectManager::FindBySerial(0x200 + m);
        if (!o || !o->IsMobile()) continue;
        auto* mobile = static_cast<CMobile*>(o);
        CDynamicObj* shirt = NewDynamicObj(0x40000100 + m, 0x1517, 0);
        if (shirt && !shirt->Equip(mobile, 5)) shirt->Release();
    }
    CObjectManager::HandleMove(0x40000300, 0x2006, 0, 400, 104, 104, 0, 3, 0, 0);
    if (CObj* o = CObjectManager::FindBySerial(0x201); o && o->IsMobile())
        static_cast<CMobile*>(o)->StartDeath(0x40000301, 1);
}

// The big-endian x and y at `xy`, each moved to within 8 cells of (x, y).
void MoveNear(uint8_t* xy, int x, int y) {
    for (int axis = 0; axis < 2; ++axis) {
        uint8_t* field = xy + axis * 2;
        const int around = axis == 0 ? x : y;
        const int near = around + std::clamp((field[0] << 8 | field[1]) - around, -8, 8);
        field[0] = static_cast<uint8_t>(near >> 8);
        field[1] = static_cast<uint8_t>(near);
    }
}

[[noreturn]] void Broken(const char* what, uint32_t serial) {
    std::fprintf(stderr, "world invariant broken: %s (0x%08X)\n", what, serial);
    std::abort();
}

void Check() {
    size_t count = 0;
    for (CDynamicObj* o = WorldLists::AllObjects().Head(); o; o = AllObjectsList::Next(o))
        ++count;
    for (CDynamicObj* o = WorldLists::AllObjects().Head(); o; o = AllObjectsList::Next(o)) {
        if (CObjectManager::FindBySerial(o->serial) != CObjectManager::FindBySerialByWalk(o->serial))
            Broken("the index and the walk disagree", o->serial);
        size_t depth = 0;
        for (const CDynamicObj* p = o->parent; p; p = p->parent)
            if (++depth > count + 1 || p == o) Broken("a loop of holders", o->serial);
    }
    auto inCell = [](const CDrawItem* item) {
        int x = 0, y = 0;
        item->ListingCell(x, y);
        const int d = item->CellOffset();
        for (const CDrawItem* it = DrawMapThingie::table[(y - d) & 63][(x + d) & 63]; it; it = it->nextDraw)
            if (it == item) return true;
        return false;
    };
    for (CDynamicObj* o = WorldLists::AllObjects().Head(); o; o = AllObjectsList::Next(o))
        if (o->listed && !inCell(o)) Broken("a listed object outside its cell", o->serial);
    if (pPlayerObject && pPlayerObject->listed && !inCell(pPlayerObject))
        Broken("the player outside its cell", kPlayer);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = Init();
    static CGameSock connection;
    (void)ready;
    Reset();
    Populate();
    Check();
    size_t at = 0;
    std::vector<uint8_t> packet;
    int startX = 0, startY = 0, startZ = 0;
    MapManager::GetCenter(startX, startY, startZ);
    for (int records = 0; records < 64 && at + 3 <= size; ++records) {
        const uint8_t id = kIds[data[at] % kIdCount];
        size_t length = static_cast<size_t>(data[at + 1]) << 8 | data[at + 2];
        at += 3;
        length = std::min(length, size - at);
        const uint8_t* payload = data + at;
        at += length;
        if (id == 0x02 && !g_landListed) {
            g_landListed = true;
            int x = 0, y = 0, z = 0;
            MapManager::GetCenter(x, y, z);
            MapManager::SetPlayerPlaced(true);
            MapManager::SetCenter(x, y, z, MapManager::GetViewKey());
        }
        if (id == 0x02) {
            const uint8_t request = length > 0 ? payload[0] : 0;
            PlayerWalk::QueueWalkStep((request & 7) + 1, (request >> 3) & 1, true);
            Check();
            continue;
        }
        if (id == 0x00) {
            platform::AdvanceManualClock(static_cast<uint32_t>(length) * 100);
            PlayerWalk::UpdatePlayerWalk();
            PlayerWalk::StepAlongPath();
            CObjectManager::UpdateMovement();
            UpdateAnimations();
            WeatherManager::Update();
            Check();
            continue;
        }
        if (IsVariableLengthPacket(id)) {
            length = std::min<size_t>(length, 0xFFFF - 3);
            packet.assign(length + 3, 0);
            packet[1] = static_cast<uint8_t>((length + 3) >> 8);
            packet[2] = static_cast<uint8_t>(length + 3);
            std::memcpy(packet.data() + 3, payload, length);
        } else {
            packet.assign(PacketTableLength(id), 0);
            std::memcpy(packet.data() + 1, payload, std::min(length, packet.size() - 1));
        }
        packet[0] = id;
        if ((id == 0x20 || id == 0x21) && records > 0) {
            // Only a series' first message moves the view anywhere; later ones land within 8 cells
            // of where the series started. Every far jump lists the whole view's land anew, and so
            // does the next series wherever this one drifted off to; jumps cost more than all else
            // in a series while reaching nothing a first-message jump does not.
            MoveNear(packet.data() + (id == 0x20 ? 11 : 2), startX, startY);
        }
        if (id == 0x38) {
            // A path request goes to a cell at most 8 steps from the view's centre: a search of up
            // to 500 nodes toward a far goal cost more than the rest of a series and reached nothing
            // a near goal does not (a goal the search gives up on is still asked for when blocked).
            int cx = 0, cy = 0, cz = 0;
            MapManager::GetCenter(cx, cy, cz);
            MoveNear(packet.data() + 1, cx, cy);
        }
        PacketReader reader(packet.data(), packet.size());
        PacketLengthTable[id].handler(connection, reader);
        Check();
        if (records == 0) MapManager::GetCenter(startX, startY, startZ);
    }
    // Emptied here rather than by the next input, so that what an input allocates it also frees:
    // otherwise every input looks like a leak to the fuzzer, which then runs it again.
    Reset();
    return 0;
}
