// The world scenarios end to end on loopback: the headless client logs in to each family of the
// test server's world, and after the first messages and after every tick its world model equals
// the server's own world (serials, classes, places, containers, layers, weather, light, season).
#include "app/multcli.h"
#include "core/Options.h"
#include "net/CGameSock.h"
#include "net/PacketManager.h"
#include "platform/platform.h"
#include "support/NetTestSupport.h"
#include "testshard/ScenarioServer.h"
#include "testshard/ShardWorld.h"
#include "world/BodyTypes.h"
#include "world/CObjectManager.h"
#include "world/PlayerObject.h"
#include "world/ServerWorld.h"
#include "world/TileData.h"
#include "world/WeatherManager.h"
#include "world/WorldLogin.h"
#include "world/objects.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using testshard::ShardObject;
using testshard::ShardWorld;

int g_dispatched = 0;
void CountDispatch(const uint8_t*, int) {
    ++g_dispatched;
}

bool Dying(const CDynamicObj* o) {
    for (int depth = 0; o && depth < 16; o = o->parent, ++depth)
        if (o->serial & kDyingSerialBit) return true;
    return false;
}

class WorldScenarioTest : public qvtest::NetFixture, public ::testing::WithParamInterface<std::string> {
  protected:
    void SetUp() override {
        qvtest::NetFixture::SetUp();
        g_dispatched = 0;
        SetPacketObserver(CountDispatch);
        TileData::Free();
        TileData::Allocate();
        TileData::MutableItem(ShardWorld::kChestGraphic)->flags = TileFlag::Container;
        TileData::MutableItem(ShardWorld::kBackpackGraphic)->flags = TileFlag::Container;
        InitBodyTypes();
        ClearDeathTable();
        ClearAnimatingSet();
        WorldState::Reset();
        WeatherManager::startup();
        frontEnd.onServerList = [] {
            const PacketManager::ServerEntry& shard = PacketManager::GetLoginTables().servers.at(0);
            CApp::GetCurrentRecord()->name = shard.name;
            uint8_t buffer[3];
            PacketWriter packet(buffer);
            PacketManager::SendSelectServer(packet, shard.index);
            SendPacket(packet);
        };
        frontEnd.onCharacterSelection = [](const std::vector<CharacterEntry>& characters) {
            CApp::EnterWorld(characters.at(0).name.c_str(), 0, characters.at(0).slot);
        };
        GetNetServices().placePlayer = WorldLogin::PlacePlayer;
    }
    void TearDown() override {
        server.Stop();
        CObjectManager::ReleaseAll();
        DeletePlayerObject();
        while (CDynamicObj* o = WorldLists::AllObjects().Head())
            o->Release();
        ClearAnimatingSet();
        ClearDeathTable();
        WorldState::Reset();
        WeatherManager::StopAll();
        TileData::Free();
        Season = 0;
        qvtest::NetFixture::TearDown();
    }

    // Sends one tick and waits until the client has dispatched all of it.
    void Tick() {
        const std::vector<std::vector<uint8_t>> packets = world->Tick();
        const int target = g_dispatched + static_cast<int>(packets.size());
        for (const auto& p : packets)
            ASSERT_TRUE(server.Send(p));
        ASSERT_TRUE(qvtest::PollNetworkUntil([&] { return g_dispatched >= target; }));
    }

    // The client's world against the server's.
    void ExpectSameWorld(const std::string& when) {
        SCOPED_TRACE(GetParam() + " " + when);
        int inRange = 0;
        for (const auto& [serial, o] : world->Objects()) {
            if (!world->InRange(o)) {
                EXPECT_EQ(CObjectManager::FindBySerial(serial), nullptr)
                    << std::hex << serial << " left the range";
                continue;
            }
            ++inRange;
            CObj* c = CObjectManager::FindBySerial(serial);
            ASSERT_NE(c, nullptr) << std::hex << serial;
            auto* d = static_cast<CDynamicObj*>(c);
            switch (o.kind) {
            case ShardObject::Mobile:
                EXPECT_TRUE(c->IsMobile()) << std::hex << serial;
                break;
            case ShardObject::Container:
                EXPECT_TRUE(c->IsContainer() && !c->IsMobile()) << std::hex << serial;
                break;
            case ShardObject::Corpse:
                EXPECT_TRUE(c->IsCorpse()) << std::hex << serial;
                break;
            case ShardObject::Multi:
                EXPECT_EQ(c->graphic, 1);
                break;
            case ShardObject::Item:
                EXPECT_FALSE(c->IsMobile() || c->IsCorpse()) << std::hex << serial;
                break;
            }
            if (o.kind != ShardObject::Multi) {
                EXPECT_EQ(c->graphic, o.graphic) << std::hex << serial;
            }
            if (o.kind == ShardObject::Item) {
                EXPECT_EQ(c->amount, o.amount) << std::hex << serial;
            }
            if (o.container) {
                ASSERT_NE(d->parent, nullptr) << std::hex << serial;
                EXPECT_EQ(d->parent->serial, o.container);
                EXPECT_EQ(c->locX, o.x);
                EXPECT_EQ(c->locY, o.y);
            } else if (o.wearer) {
                ASSERT_NE(d->parent, nullptr) << std::hex << serial;
                EXPECT_EQ(d->parent->serial, o.wearer);
                EXPECT_EQ(d->layer, o.layer);
                EXPECT_EQ(static_cast<CMobile*>(d->parent)->layers[o.layer], d);
            } else {
                EXPECT_EQ(d->parent, nullptr) << std::hex << serial;
                int x = 0, y = 0;
                c->ReferenceCell(x, y);
                EXPECT_EQ(x, o.x) << std::hex << serial;
                EXPECT_EQ(y, o.y) << std::hex << serial;
            }
        }
        int clientObjects = 0;
        for (CDynamicObj* o = WorldLists::AllObjects().Head(); o; o = AllObjectsList::Next(o)) {
            if (Dying(o)) continue;
            ++clientObjects;
            EXPECT_EQ(world->Objects().count(o->serial), 1u)
                << std::hex << o->serial << " is not the server's";
        }
        EXPECT_EQ(clientObjects, inRange);
        const int wantedWeather = world->weatherType() == 0xFF ? WeatherManager::kNone
                                  : world->weatherType() == 2  ? WeatherManager::kSnow
                                                               : WeatherManager::kRain;
        EXPECT_EQ(WeatherManager::GetState(), wantedWeather);
        EXPECT_EQ(WorldState::GetGlobalLightLevel(), world->light());
        EXPECT_EQ(WorldState::GetPersonalLightLevel(), world->personalLight());
        if (world->Has("world:season")) {
            EXPECT_EQ(Season, world->season());
        }
        EXPECT_EQ(WorldState::GetServerTime().minute, world->minute());
    }

    testshard::ScenarioServer server;
    qvtest::FrontEndRecorder frontEnd;
    std::unique_ptr<ShardWorld> world;
};

TEST_P(WorldScenarioTest, TheClientsWorldFollowsTheServers) {
    platform::UseManualClock(1000, 0);
    testshard::Script script;
    Season = 0;
    world = std::make_unique<ShardWorld>(GetParam(), script.serial, script.x, script.y);
    script.worldPackets = world->Initial();
    ASSERT_TRUE(server.Start(script));
    CApp::SetLoginServers({{"127.0.0.1", server.loginPort()}});
    ASSERT_TRUE(CApp::ConnectToLoginServer());
    CApp::VerifyAccount("test", "test", CApp::GetNextLoginKey());
    ASSERT_TRUE(qvtest::PollNetworkUntil([&] { return frontEnd.gameDisplays > 0; }));
    ASSERT_NE(pPlayerObject, nullptr);
    ExpectSameWorld("after login");
    for (int i = 1; i <= 14; ++i) {
        Tick();
        // Deaths finish once their action has played.
        for (int frame = 0; frame < 200 && AnimatingCount() > 0; ++frame)
            UpdateAnimations();
        ExpectSameWorld("tick " + std::to_string(i));
        if (HasFatalFailure()) return;
    }
    EXPECT_TRUE(DeathTable().empty());
}

std::vector<std::string> Scenarios() {
    std::vector<std::string> all = ShardWorld::Families();
    all.push_back("demo");
    return all;
}

INSTANTIATE_TEST_SUITE_P(Families, WorldScenarioTest, ::testing::ValuesIn(Scenarios()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string name = info.param.size() > 6 ? info.param.substr(6) : info.param;
                             name[0] = static_cast<char>(name[0] - 'a' + 'A');
                             return name;
                         });

} // namespace
