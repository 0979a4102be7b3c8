#pragma once
// The world fed with the test server's world messages: a placed player, a manual clock, default
// walking speeds and the body table, and the server's surroundings reset around each test.
#include "net/CGameSock.h"
#include "net/PacketManager.h"
#include "platform/platform.h"
#include "render/GraphicManager.h"
#include "testshard/WorldPackets.h"
#include "world/BodyTypes.h"
#include "world/MapManager.h"
#include "world/ObjectsFixture.h"
#include "world/ServerWorld.h"
#include "world/WeatherManager.h"

namespace objtest {

namespace tw = testshard::world;

constexpr uint32_t kPlayerSerial = 0x00000100;

class ServerWorldTest : public ObjectsTest {
  protected:
    void SetUp() override {
        ObjectsTest::SetUp();
        InitBodyTypes();
        Row(G::Bag).flags |= TileFlag::Container;
        GraphicManager::LoadAnimInfoFromBytes(nullptr, 0);
        platform::UseManualClock(100000, 0);
        ClearDeathTable();
        ClearAnimatingSet();
        WorldState::Reset();
        WeatherManager::startup();
        MapManager::SetCenter(100, 100, 0, 0);
        pPlayerObject = new CPlayerMobile(kPlayerSerial, 400, 0);
        pPlayerObject->AddToWorld(Pos(100, 100), 0);
    }
    void TearDown() override {
        ClearAnimatingSet();
        ObjectsTest::TearDown();
        ClearDeathTable();
        WorldState::Reset();
        WeatherManager::StopAll();
        platform::UseRealClock();
    }
    template <class Handler> void Feed(Handler handler, const std::vector<uint8_t>& bytes) {
        PacketReader reader(bytes.data(), bytes.size());
        handler(connection, reader);
    }
    static CObj* Find(uint32_t serial) { return CObjectManager::FindBySerial(serial); }
    static CMobile* Mobile(uint32_t serial) {
        CObj* o = Find(serial);
        return o && o->IsMobile() ? static_cast<CMobile*>(o) : nullptr;
    }
    // A mobile arriving with 0x78 at (x, y).
    CMobile* Arrive(uint32_t serial, int body, int x, int y, const std::vector<tw::WornFields>& worn = {}) {
        tw::MobileFields m;
        m.serial = serial;
        m.body = static_cast<uint16_t>(body);
        m.x = static_cast<uint16_t>(x);
        m.y = static_cast<uint16_t>(y);
        Feed(PacketManager::HandleMobileIncoming, tw::MobileIncoming(m, worn));
        return Mobile(serial);
    }
    void Move(uint32_t serial, int body, int x, int y, int facing, int z = 0, uint8_t flags = 0) {
        tw::MobileFields m;
        m.serial = serial;
        m.body = static_cast<uint16_t>(body);
        m.x = static_cast<uint16_t>(x);
        m.y = static_cast<uint16_t>(y);
        m.z = static_cast<int8_t>(z);
        m.facing = static_cast<uint8_t>(facing);
        m.flags = flags;
        Feed(PacketManager::HandleMobileMoving, tw::MobileMoving(m));
    }
    CDynamicObj* Item(uint32_t serial, int graphic, int x, int y) {
        tw::ItemFields f;
        f.serial = serial;
        f.graphic = static_cast<uint16_t>(graphic);
        f.x = static_cast<uint16_t>(x);
        f.y = static_cast<uint16_t>(y);
        Feed(PacketManager::HandleWorldItem, tw::WorldItem(f));
        CObj* o = Find(serial);
        return o && o->IsDynamic() ? static_cast<CDynamicObj*>(o) : nullptr;
    }
    CGameSock connection;
};

} // namespace objtest
