// The world step with 200 walking mobiles among 5,000 objects beside a plain walk of the
// all-objects list; 10,000 mobile moves through the message dispatch beside 10,000 lookups by
// serial.
#include "net/CGameSock.h"
#include "net/PacketLengthTable.h"
#include "net/PacketManager.h"
#include "platform/platform.h"
#include "world/BodyTypes.h"
#include "world/CObjectManager.h"
#include "world/MapManager.h"
#include "world/PlayerObject.h"
#include "world/ServerWorld.h"
#include "world/TileData.h"
#include "world/objects.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

constexpr int kObjects = 5000;
constexpr int kWalkers = 200;
constexpr uint32_t kFirstMobile = 0x1000;
constexpr int kCenter = 1000;

struct World {
    World() {
        platform::UseManualClock(100000, 0);
        TileData::Free();
        TileData::Allocate();
        InitBodyTypes();
        MapManager::SetCenter(kCenter, kCenter, 0, 0);
        pPlayerObject = new CPlayerMobile(0x100, 400, 0);
        pPlayerObject->AddToWorld(static_cast<uint32_t>(kCenter) | static_cast<uint32_t>(kCenter) << 16, 0);
        for (int i = 0; i < kObjects - kWalkers; ++i)
            CObjectManager::HandleMove(0x40000000u + static_cast<uint32_t>(i), 100 + i % 50, 0, 1,
                                       kCenter - 15 + i % 31, kCenter - 15 + (i / 31) % 31, 0, 0, 0, 0);
        for (int m = 0; m < kWalkers; ++m)
            CObjectManager::HandleMove(kFirstMobile + static_cast<uint32_t>(m), 400, 0, 0, X(m, 0), Y(m), 0,
                                       2, 0, 0);
    }
    ~World() {
        CObjectManager::ReleaseAll();
        DeletePlayerObject();
        while (CDynamicObj* o = WorldLists::AllObjects().Head())
            o->Release();
        ClearAnimatingSet();
        ClearDeathTable();
        TileData::Free();
        platform::UseRealClock();
    }
    static int X(int m, int step) { return kCenter - 10 + m % 20 + (step & 1); }
    static int Y(int m) { return kCenter - 10 + m / 20; }
};

void BM_UpdateMovement_200Walkers(benchmark::State& state) {
    World world;
    std::vector<CMobile*> walkers;
    for (int m = 0; m < kWalkers; ++m)
        walkers.push_back(
            static_cast<CMobile*>(CObjectManager::FindBySerial(kFirstMobile + static_cast<uint32_t>(m))));
    int step = 0;
    for (auto _ : state) {
        // Walkers that showed their step get the next one, back and forth between two cells.
        if (walkers[0]->stepCount == 0 && walkers[0]->stepFramesLeft == 0) {
            ++step;
            for (int m = 0; m < kWalkers; ++m)
                CObjectManager::HandleMove(kFirstMobile + static_cast<uint32_t>(m), 400, 0, 0,
                                           World::X(m, step), World::Y(m), 0, (step & 1) ? 2 : 6, 0, 0);
        }
        CObjectManager::UpdateMovement();
    }
    state.counters["objects"] = static_cast<double>(WorldLists::AllObjects().Count());
}
BENCHMARK(BM_UpdateMovement_200Walkers);

// The floor: visiting every object of the all-objects list once.
void BM_WalkAllObjects(benchmark::State& state) {
    World world;
    for (auto _ : state) {
        int placed = 0;
        for (CDynamicObj* o = WorldLists::AllObjects().Head(); o; o = AllObjectsList::Next(o))
            placed += o->notPlaced == 0;
        benchmark::DoNotOptimize(placed);
    }
}
BENCHMARK(BM_WalkAllObjects);

std::vector<std::vector<uint8_t>> MovePackets() {
    std::vector<std::vector<uint8_t>> packets;
    for (int i = 0; i < 10000; ++i) {
        const int m = i % kWalkers;
        const uint32_t serial = kFirstMobile + static_cast<uint32_t>(m);
        const int x = World::X(m, i / kWalkers), y = World::Y(m);
        packets.push_back({0x77, static_cast<uint8_t>(serial >> 24), static_cast<uint8_t>(serial >> 16),
                           static_cast<uint8_t>(serial >> 8), static_cast<uint8_t>(serial), 0x01, 0x90,
                           static_cast<uint8_t>(x >> 8), static_cast<uint8_t>(x),
                           static_cast<uint8_t>(y >> 8), static_cast<uint8_t>(y), 0,
                           static_cast<uint8_t>((i / kWalkers) & 1 ? 2 : 6), 0, 0, 0, 1});
    }
    return packets;
}

void BM_Dispatch10000MobileMoves(benchmark::State& state) {
    World world;
    static CGameSock connection;
    const std::vector<std::vector<uint8_t>> packets = MovePackets();
    std::vector<CMobile*> walkers;
    for (int m = 0; m < kWalkers; ++m)
        walkers.push_back(
            static_cast<CMobile*>(CObjectManager::FindBySerial(kFirstMobile + static_cast<uint32_t>(m))));
    for (auto _ : state) {
        for (size_t i = 0; i < packets.size(); ++i) {
            PacketReader reader(packets[i].data(), packets[i].size());
            PacketLengthTable[0x77].handler(connection, reader);
            // After each round of one move per mobile its step counts as shown, so that moves
            // queue instead of jumping (200 stores beside 200 dispatches).
            if ((i + 1) % kWalkers == 0)
                for (CMobile* m : walkers)
                    m->stepCount = 0;
        }
    }
}
BENCHMARK(BM_Dispatch10000MobileMoves);

void BM_FindBySerial10000(benchmark::State& state) {
    World world;
    for (auto _ : state)
        for (int i = 0; i < 10000; ++i)
            benchmark::DoNotOptimize(
                CObjectManager::FindBySerial(kFirstMobile + static_cast<uint32_t>(i % kWalkers)));
}
BENCHMARK(BM_FindBySerial10000);

} // namespace
