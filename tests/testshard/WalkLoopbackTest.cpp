// Walking end to end on loopback, headless: the client's walk queue, network pass and world over the
// sample installation against the test server, which judges every step by its own model of the
// sample world and plays the faults a client must survive.
#include "app/PlayerActions.h"
#include "app/multcli.h"
#include "core/DefManager.h"
#include "core/FileManager.h"
#include "gumps/CGump.h"
#include "gumps/CGumpManager.h"
#include "gumps/MouseManager.h"
#include "mkinstall/Installation.h"
#include "mkinstall/WorldFiles.h"
#include "net/CGameSock.h"
#include "net/NetServices.h"
#include "net/PacketManager.h"
#include "qvworld/MapReport.h"
#include "qvworld/WorldReport.h"
#include "support/NetTestSupport.h"
#include "testshard/ScenarioServer.h"
#include "text/LanguageManager.h"
#include "world/CObjectManager.h"
#include "world/MapManager.h"
#include "world/ObjectActions.h"
#include "world/PlayerObject.h"
#include "world/PlayerWalk.h"
#include "world/RegionManager.h"
#include "world/TileData.h"
#include "world/WorldHooks.h"
#include "world/WorldLogin.h"
#include "world/animCrap.h"
#include "world/objects.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kRoadY = 1598; // the dirt road runs east-west through the sample landscape

class WalkLoopbackTest : public qvtest::NetFixture {
  protected:
    void SetUp() override {
        qvtest::NetFixture::SetUp();
        std::string error;
        ASSERT_TRUE(mkinstall::WriteInstallation(dir.path().string(), &error)) << error;
        FileManager::startupWithPaths(dir.path().string(), "");
        qvworld::LoadWorldTables();
        qvworld::StartMap();
        PlayerWalk::ResetForTests();
        CObjectManager::ResetActionsForTests();
        CApp::ResetPlayerActionsForTests();
        CApp::BindPlayerActions();
        GetNetServices().placePlayer = WorldLogin::PlacePlayer;
        WorldHook::Table().showSystemMessage = [this](int, int, const char* text) {
            messages.push_back(text);
        };
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
        judge = std::make_shared<testshard::WalkJudge>();
        script.walk = judge;
        script.x = 1480;
        script.y = kRoadY;
        script.z = 0;
        script.facing = 2;
    }
    void TearDown() override {
        server.Stop();
        CGumpManager::ResetForTests();
        MouseManager::ResetForTests();
        PlayerWalk::ResetForTests();
        CObjectManager::ResetActionsForTests();
        DeletePlayerObject();
        CObjectManager::ReleaseAll();
        qvworld::StopMap();
        MapManager::Reset();
        WorldHook::Reset();
        TileData::Free();
        RegionManager::shutdown();
        animCrap::Reset();
        LanguageManager::shutdown();
        DefManager::shutdown();
        FileManager::shutdown();
        qvtest::NetFixture::TearDown();
    }

    void Enter() {
        ASSERT_TRUE(server.Start(script));
        CApp::SetLoginServers({{"127.0.0.1", server.loginPort()}});
        ASSERT_TRUE(CApp::ConnectToLoginServer());
        CApp::VerifyAccount("test", "test", CApp::GetNextLoginKey());
        ASSERT_TRUE(qvtest::PollNetworkUntil([&] { return frontEnd.gameDisplays > 0 && pPlayerObject; }));
    }
    // One frame of the client: the network pass, then a world step.
    void Frame() {
        PollNetwork();
        PlayerWalk::StepAlongPath();
        PlayerWalk::UpdatePlayerWalk();
    }
    // Frames until the queue is empty and walking is not blocked.
    bool Settle() {
        return qvtest::PollNetworkUntil([&] {
            PlayerWalk::StepAlongPath();
            PlayerWalk::UpdatePlayerWalk();
            const PlayerWalk::State& s = PlayerWalk::GetState();
            return s.length == 0 && !s.blocked && !PlayerWalk::IsPathActive();
        });
    }
    // Steps one at a time, each settled.
    void Walk(int direction, int count) {
        for (int i = 0; i < count; ++i) {
            PlayerWalk::QueueWalkStep(PlayerWalk::ToScreenDirection(direction), 0, true);
            ASSERT_TRUE(Settle()) << i;
        }
    }
    std::pair<int, int> Center() const {
        int x = 0, y = 0, z = 0;
        MapManager::GetCenter(x, y, z);
        return {x, y};
    }
    std::pair<int, int> Server() const {
        const testshard::WalkJudge::Position p = judge->position();
        return {p.x, p.y};
    }
    std::pair<int, int> Player() const { return {pPlayerObject->locX, pPlayerObject->locY}; }
    int ClientSent(uint8_t id) const {
        int n = 0;
        for (const testshard::ClientPacket& p : server.Packets())
            if (p.bytes[0] == id) ++n;
        return n;
    }

    // After a fault of the server's answers: exactly one resynchronisation, the server's placement,
    // and walking again from there.
    void ExpectResyncedAndWalking() {
        ASSERT_TRUE(Settle());
        EXPECT_EQ(ClientSent(0x22), 1);
        EXPECT_EQ(judge->resyncs(), 1);
        EXPECT_EQ(Center(), Server());
        EXPECT_EQ(Player(), Server());
        const auto before = Server();
        Walk(2, 2);
        EXPECT_EQ(Server().first, before.first + 2);
        EXPECT_EQ(Center(), Server());
    }

    qvtest::TempDir dir;
    qvtest::FrontEndRecorder frontEnd;
    testshard::Script script;
    std::shared_ptr<testshard::WalkJudge> judge;
    testshard::ScenarioServer server;
    std::vector<std::string> messages;
};

TEST_F(WalkLoopbackTest, TwentyStepsAlongTheRoadAreAcknowledged) {
    Enter();
    Walk(2, 20);
    EXPECT_EQ(judge->acknowledged(), 20);
    EXPECT_EQ(judge->refused(), 0);
    EXPECT_EQ(Server(), std::make_pair(1500, kRoadY));
    EXPECT_EQ(Center(), Server());
    EXPECT_EQ(Player(), Server());
    EXPECT_EQ(ClientSent(0x22), 0);
}

TEST_F(WalkLoopbackTest, TheGateIsRefusedAndThePlayerPutBackOnTheServersCell) {
    judge->AddBarrier(1485, kRoadY);
    Enter();
    for (int i = 0; i < 8; ++i) {
        PlayerWalk::QueueWalkStep(PlayerWalk::ToScreenDirection(2), 0, true);
        ASSERT_TRUE(Settle());
    }
    EXPECT_GE(judge->refused(), 1);
    EXPECT_EQ(Server(), std::make_pair(1484, kRoadY));
    EXPECT_EQ(Center(), Server());
    EXPECT_EQ(Player(), Server());
    // Walking goes on in another direction from the server's cell.
    Walk(4, 1);
    Walk(4, 1);
    EXPECT_EQ(Server(), std::make_pair(1484, kRoadY + 1));
    EXPECT_EQ(Center(), Server());
}

TEST_F(WalkLoopbackTest, ADroppedAcknowledgementEndsInOneResync) {
    judge->SetFaults({3, 0, -1});
    Enter();
    for (int i = 0; i < 3; ++i) {
        PlayerWalk::QueueWalkStep(PlayerWalk::ToScreenDirection(2), 0, true);
        qvtest::PollNetworkUntil([&] { return judge->acknowledged() > i; });
        for (int f = 0; f < 10; ++f)
            Frame();
    }
    // The third answer never came. The fourth step is animated before its answer is read, which then
    // finds an animated entry that is not the first.
    PlayerWalk::QueueWalkStep(PlayerWalk::ToScreenDirection(2), 0, true);
    for (int f = 0; f < 10; ++f)
        PlayerWalk::UpdatePlayerWalk();
    ExpectResyncedAndWalking();
}

TEST_F(WalkLoopbackTest, CrossedAcknowledgementsEndInOneResync) {
    judge->SetFaults({0, 2, -1});
    Enter();
    // Three steps queued and animated before any answer is read.
    for (int i = 0; i < 3; ++i)
        PlayerWalk::QueueWalkStep(PlayerWalk::ToScreenDirection(2), 0, true);
    for (int i = 0; i < 40; ++i)
        PlayerWalk::UpdatePlayerWalk();
    ASSERT_EQ(PlayerWalk::GetState().animatePosition, 3);
    ExpectResyncedAndWalking();
}

TEST_F(WalkLoopbackTest, DelayedAnswersLetTheClientWalkAheadWithinItsQueue) {
    testshard::WalkFaults faults;
    faults.delayMs = 1500;
    judge->SetFaults(faults);
    Enter();
    int queued = 0;
    for (int i = 0; i < PlayerWalk::kQueueSize + 2; ++i)
        if (PlayerWalk::QueueWalkStep(PlayerWalk::ToScreenDirection(2), 0, true)) ++queued;
    EXPECT_EQ(queued, PlayerWalk::kQueueSize) << "no step beyond the queue";
    // The server judged every step and holds its answers: the client has none yet.
    ASSERT_TRUE(qvtest::PollNetworkUntil([&] { return judge->acknowledged() == PlayerWalk::kQueueSize; }));
    EXPECT_EQ(PlayerWalk::GetState().length, PlayerWalk::kQueueSize);
    // It walks ahead on its own: every queued step animated, the view centre where it was.
    for (int f = 0; f < 200 && PlayerWalk::GetState().animatePosition < PlayerWalk::kQueueSize; ++f)
        PlayerWalk::UpdatePlayerWalk();
    EXPECT_EQ(PlayerWalk::GetState().animatePosition, PlayerWalk::kQueueSize);
    EXPECT_EQ(Player(), std::make_pair(1484, kRoadY));
    EXPECT_EQ(Center(), std::make_pair(1480, kRoadY));
    EXPECT_FALSE(PlayerWalk::QueueWalkStep(PlayerWalk::ToScreenDirection(2), 0, true)) << "still full";
    // The answers come late and in order: each finds the first animated entry.
    ASSERT_TRUE(Settle());
    EXPECT_EQ(ClientSent(0x22), 0);
    EXPECT_EQ(judge->resyncs(), 0);
    EXPECT_EQ(Server(), std::make_pair(1484, kRoadY));
    EXPECT_EQ(Center(), Server());
    EXPECT_EQ(Player(), Server());
    // A refusal held as long puts the player back on the server's cell, in its turn.
    judge->AddBarrier(1486, kRoadY);
    for (int i = 0; i < 3; ++i)
        PlayerWalk::QueueWalkStep(PlayerWalk::ToScreenDirection(2), 0, true);
    ASSERT_TRUE(qvtest::PollNetworkUntil([&] { return judge->refused() >= 1; }));
    ASSERT_TRUE(Settle());
    EXPECT_EQ(Server(), std::make_pair(1485, kRoadY));
    EXPECT_EQ(Center(), Server());
    EXPECT_EQ(Player(), Server());
    EXPECT_EQ(ClientSent(0x22), 0);
}

TEST_F(WalkLoopbackTest, ServerPushesAndPathsMoveThePlayer) {
    Enter();
    ASSERT_TRUE(server.Send(judge->Push(2)));
    ASSERT_TRUE(server.Send(judge->Push(2)));
    ASSERT_TRUE(qvtest::PollNetworkUntil([&] { return Center() == Server(); }));
    EXPECT_EQ(Server(), std::make_pair(1482, kRoadY));
    ASSERT_TRUE(Settle());
    EXPECT_EQ(Player(), Server());
    ASSERT_TRUE(server.Send(testshard::WalkJudge::PathRequest(1492, kRoadY, 0)));
    ASSERT_TRUE(qvtest::PollNetworkUntil([&] { return PlayerWalk::IsPathActive(); }));
    ASSERT_TRUE(Settle());
    EXPECT_GE(Server().first, 1491) << "range 1 of the goal";
    EXPECT_EQ(Center(), Server());
    EXPECT_EQ(judge->refused(), 0);
    // A teleport places the player; the sequence starts again at 0 on both sides.
    ASSERT_TRUE(server.Send(judge->Teleport(1474, kRoadY + 1, 0)));
    ASSERT_TRUE(qvtest::PollNetworkUntil([&] { return Center() == Server(); }));
    Walk(2, 2);
    EXPECT_EQ(Server(), std::make_pair(1476, kRoadY + 1));
    EXPECT_EQ(Player(), Server());
    EXPECT_EQ(judge->refused(), 0);
}

TEST_F(WalkLoopbackTest, FollowingAWalkingMobile) {
    Enter();
    auto* guide = new CMobile(0x00000077, 400, 0);
    guide->AddToWorld(1482 | static_cast<uint32_t>(kRoadY) << 16, 0);
    pPlayerObject->following = 1;
    pPlayerObject->followedSerial = 0x77;
    // The guide walks east along the road; each of its moves is what the movement pass reports.
    for (int x = 1483; x <= 1490; ++x) {
        guide->MoveTo(static_cast<uint32_t>(x) | static_cast<uint32_t>(kRoadY) << 16, 0);
        PlayerWalk::FollowMobileMoved(guide);
        ASSERT_TRUE(Settle());
    }
    EXPECT_GE(Server().first, 1487) << "within reach of the guide";
    EXPECT_EQ(Center(), Server());
    EXPECT_EQ(judge->refused(), 0);
    guide->Release();
}

TEST_F(WalkLoopbackTest, WarModeUseTargetAndARefusedLift) {
    testshard::WalkFaults faults;
    faults.liftRefusal = 1;
    judge->SetFaults(faults);
    Enter();
    CApp::RequestWarMode(1);
    ASSERT_TRUE(qvtest::PollNetworkUntil([] { return CApp::IsInWarMode(); }));
    EXPECT_FALSE(CApp::IsWarRequested());

    // The chest's double click sends 0x06.
    CDynamicObj* chest = NewDynamicObj(0x40000010, mkinstall::WorldItem::Chest, 0);
    chest->AddToWorld(1481 | static_cast<uint32_t>(kRoadY) << 16, 0);
    CObjectManager::UseObject(chest);
    ASSERT_TRUE(server.WaitForPacket(0x06, 0) ||
                qvtest::PollNetworkUntil([&] { return ClientSent(0x06) == 1; }));

    // A scroll's target sends 0x12 with the object's place.
    CDynamicObj* scroll = NewDynamicObj(0x40000011, mkinstall::WorldItem::Scroll, 0);
    scroll->AddToWorld(1482 | static_cast<uint32_t>(kRoadY) << 16, 0);
    CObjectManager::UseObject(scroll);
    ASSERT_TRUE(CApp::IsTargeting());
    CApp::OnTextCommandTarget(chest);
    ASSERT_TRUE(qvtest::PollNetworkUntil([&] { return ClientSent(0x12) == 1; }));
    std::string text;
    for (const testshard::ClientPacket& p : server.Packets())
        if (p.bytes[0] == 0x12) text.assign(p.bytes.begin() + 4, p.bytes.end() - 1);
    // The scroll's serial is the command's value.
    EXPECT_EQ(text, std::to_string(0x40000011) + " 1481 1598 0");

    // A lift refused with reason 1 comes back, with its line; its dragged window goes.
    MouseManager::SetMousePos(200, 150);
    CObjectManager::GetObject(chest, 0);
    EXPECT_EQ(CObjectManager::FindBySerial(0x40000010), nullptr);
    CGump* drag = MouseManager::GetCapture();
    ASSERT_TRUE(drag && drag->IsDragGump());
    const Rect held = drag->ScreenRect();
    EXPECT_EQ((held.left + held.right) / 2, 200);
    EXPECT_EQ((held.top + held.bottom) / 2, 150);
    GumpRef<CGump> dragged(drag);
    ASSERT_TRUE(qvtest::PollNetworkUntil([&] { return !CObjectManager::IsPickUpPending(); }));
    CObj* back = CObjectManager::FindBySerial(0x40000010);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->locX, 1481);
    EXPECT_EQ(messages, std::vector<std::string>{"That is too far away."});
    EXPECT_FALSE(dragged);
    EXPECT_EQ(MouseManager::GetCapture(), nullptr);
}

// The notoriety rules follow the map the server names, at login and with 0xBF sub-command 8,
// unless the character list's flags switch them on everywhere.
TEST_F(WalkLoopbackTest, NotorietyRulesFollowTheServersMap) {
    GetNetServices().applyClientFlags = CApp::ApplyClientFlags;
    Enter();
    ASSERT_TRUE(CApp::NotorietyRulesApply());
    const struct {
        int map;
        bool rules;
    } cases[] = {{1, false}, {0, true}, {2, false}, {3, true}};
    for (const auto& c : cases) {
        ASSERT_TRUE(server.Send({0xBF, 0x00, 0x06, 0x00, 0x08, static_cast<uint8_t>(c.map)}));
        ASSERT_TRUE(qvtest::PollNetworkUntil([&] { return CApp::GetMapNumber() == c.map; })) << c.map;
        EXPECT_EQ(CApp::NotorietyRulesApply(), c.rules) << c.map;
    }
    EXPECT_EQ(MapManager::GetMap(), 0) << "map 3 is on the large facet";
}

TEST_F(WalkLoopbackTest, TheClientFlagAppliesTheNotorietyRulesOnEveryMap) {
    GetNetServices().applyClientFlags = CApp::ApplyClientFlags;
    script.map = 1;
    script.clientFlags = 0x08 | 0x04;
    Enter();
    EXPECT_EQ(CApp::GetMapNumber(), 1);
    EXPECT_TRUE(CApp::NotorietyRulesApply());
    ASSERT_TRUE(server.Send({0xBF, 0x00, 0x06, 0x00, 0x08, 2}));
    ASSERT_TRUE(qvtest::PollNetworkUntil([&] { return CApp::GetMapNumber() == 2; }));
    EXPECT_TRUE(CApp::NotorietyRulesApply());
}

TEST_F(WalkLoopbackTest, OnMapOneWithoutTheFlagTheRulesAreOff) {
    GetNetServices().applyClientFlags = CApp::ApplyClientFlags;
    script.map = 1;
    Enter();
    EXPECT_EQ(CApp::GetMapNumber(), 1);
    EXPECT_FALSE(CApp::NotorietyRulesApply());
}

} // namespace
