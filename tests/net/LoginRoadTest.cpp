// The login road end to end on loopback: the client's application object and network pass against
// the scripted test server, with a recorder where the login screens will be.
#include "app/multcli.h"
#include "net/CGameSock.h"
#include "net/ConnectionSeed.h"
#include "net/PacketManager.h"
#include "platform/platform.h"
#include "support/NetTestSupport.h"
#include "testshard/ScenarioServer.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using Packet = std::vector<uint8_t>;
constexpr uint32_t kWaitMs = 5000;

std::vector<uint8_t> g_dispatched;
void RecordDispatch(const uint8_t* packet, int) {
    g_dispatched.push_back(packet[0]);
}

bool Dispatched(uint8_t id) {
    for (uint8_t seen : g_dispatched)
        if (seen == id) return true;
    return false;
}

std::vector<uint8_t> Ids(const std::vector<testshard::ClientPacket>& packets, int connection) {
    std::vector<uint8_t> ids;
    for (const testshard::ClientPacket& p : packets)
        if (p.connection == connection && p.bytes[0] != 0xA4) ids.push_back(p.bytes[0]);
    return ids;
}

const testshard::ClientPacket* Find(const std::vector<testshard::ClientPacket>& packets, uint8_t id) {
    for (const testshard::ClientPacket& p : packets)
        if (p.bytes[0] == id) return &p;
    return nullptr;
}

class LoginRoadTest : public qvtest::NetFixture {
  protected:
    void SetUp() override {
        qvtest::NetFixture::SetUp();
        g_dispatched.clear();
        SetPacketObserver(RecordDispatch);
        // The shard list screen picks the first shard; the character screen the first character.
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
    }
    void TearDown() override {
        server.Stop();
        qvtest::NetFixture::TearDown();
    }

    void Start(const testshard::Script& script) {
        ASSERT_TRUE(server.Start(script));
        CApp::SetLoginServers({{"127.0.0.1", server.loginPort()}});
        ASSERT_TRUE(CApp::ConnectToLoginServer());
        CApp::VerifyAccount("test", "test", CApp::GetNextLoginKey());
    }

    // Network passes, each followed by the keep-alive as the frame step would run it.
    bool Run(const std::function<bool()>& condition) {
        return qvtest::PollNetworkUntil([&] {
            SendKeepAlive();
            return condition();
        });
    }

    bool InGame() const { return frontEnd.gameDisplays > 0; }

    testshard::ScenarioServer server;
    qvtest::FrontEndRecorder frontEnd;
};

TEST_F(LoginRoadTest, TheClientLogsInFollowsTheRelayAndEntersTheGame) {
    platform::UseManualClock(1000, 0);
    testshard::Script script;
    Start(script);
    ASSERT_TRUE(Run([&] { return InGame(); }));

    // What the client saw, in order.
    std::vector<uint8_t> road;
    for (uint8_t id : g_dispatched)
        if (id == 0xA8 || id == 0x8C || id == 0xA9 || id == 0x1B || id == 0x55) road.push_back(id);
    EXPECT_EQ(road, std::vector<uint8_t>({0xA8, 0x8C, 0xA9, 0x1B, 0x55}));
    EXPECT_TRUE(Dispatched(0x1C)) << "the world messages between the confirmation and login complete";
    EXPECT_TRUE(IsInWorld());
    EXPECT_TRUE(PacketManager::IsGameDisplayEntered());
    ASSERT_EQ(frontEnd.placements.size(), 1u);
    EXPECT_EQ(frontEnd.placements[0].serial, script.serial);
    EXPECT_EQ(frontEnd.placements[0].x, script.x);
    EXPECT_EQ(CApp::GetPlayerSerial(), script.serial);
    EXPECT_EQ(frontEnd.waitingBoxes,
              std::vector<std::string>({"Verifying Account... ", "Entering Veldaria..."}));
    ASSERT_EQ(CApp::ShardRecords().size(), 1u);
    EXPECT_EQ(CApp::ShardRecords()[0]->connection, GetCurrentConnection());
    EXPECT_TRUE(GetCurrentConnection()->IsGameMode());
    EXPECT_TRUE(GetCurrentConnection()->IsLoggedIn());

    // After the confirmation the client sends exactly its greeting.
    ASSERT_TRUE(Run([&] { return server.WaitForPacket(0xBF, 0, 3); }));
    const std::vector<testshard::ClientPacket> packets = server.Packets();
    EXPECT_EQ(Ids(packets, 1), std::vector<uint8_t>({0x80, 0xA0}));
    // The tips option is on by default, so the tip request (0xA7) is among them.
    EXPECT_EQ(Ids(packets, 2), std::vector<uint8_t>({0x91, 0x5D, 0xC8, 0xA7, 0x34, 0xBD, 0xBF, 0xBF, 0xBF}));
    const testshard::ClientPacket* gameLogin = Find(packets, 0x91);
    ASSERT_NE(gameLogin, nullptr);
    EXPECT_TRUE(gameLogin->gamePort);
    EXPECT_EQ(gameLogin->phase, testshard::Phase::GameVariant);
    EXPECT_EQ(gameLogin->seed, script.relayKey) << "the relay key is the new connection's seed";
    EXPECT_EQ(Packet(gameLogin->bytes.begin() + 1, gameLogin->bytes.begin() + 9),
              Packet({0x0B, 0xAD, 0xF0, 0x0D, 't', 'e', 's', 't'}));
    const testshard::ClientPacket* play = Find(packets, 0x5D);
    ASSERT_NE(play, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&play->bytes[5])), "Tester");

    // The keep-alive: nothing at 60.999 s, 0x73 at 61 s, and the server's echo comes back.
    platform::AdvanceManualClock(60999);
    for (int i = 0; i < 5; ++i) {
        SendKeepAlive();
        PollNetwork();
    }
    EXPECT_FALSE(server.WaitForPacket(0x73, 20));
    platform::AdvanceManualClock(1);
    ASSERT_TRUE(Run([&] { return server.WaitForPacket(0x73, 0) && Dispatched(0x73); }));
    const std::vector<testshard::ClientPacket> later = server.Packets();
    EXPECT_EQ(Find(later, 0x73)->bytes, Packet({0x73, 0x00}));
}

TEST_F(LoginRoadTest, ARelayKeepsTheConnectionOnlyWhenItNamesTheServerItIsOn) {
    struct Case {
        const char* name;
        uint32_t localAddress;
        bool relayToSelf;
        int connections;
    };
    const Case cases[] = {
        {"relay to this very server", platform::kLoopback, true, 1},
        {"a game server on this machine at another port", platform::kLoopback, false, 2},
        {"this server, but not the local address", platform::MakeIPv4(10, 1, 2, 3), true, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        qvtest::FrontEndRecorder recorder;
        recorder.onServerList = frontEnd.onServerList;
        recorder.onCharacterSelection = frontEnd.onCharacterSelection;
        SetLocalAddressOverride(c.localAddress);
        testshard::Script script;
        script.relayToSelf = c.relayToSelf;
        Start(script);
        ASSERT_TRUE(Run([&] { return recorder.gameDisplays > 0; }));
        EXPECT_EQ(server.ConnectionCount(), c.connections);
        const std::vector<testshard::ClientPacket> packets = server.Packets();
        const testshard::ClientPacket* gameLogin = Find(packets, 0x91);
        ASSERT_NE(gameLogin, nullptr);
        EXPECT_EQ(gameLogin->connection, c.connections);
        // A kept connection stays keyed by its first seed; a new one by the relay key.
        EXPECT_EQ(gameLogin->phase,
                  c.connections == 1 ? testshard::Phase::Game : testshard::Phase::GameVariant);
        server.Stop();
        ResetNetworkForTests();
        SetNetworkQuiet(false);
        CApp::ResetConnectionsForTests();
        PacketManager::ResetForTests();
    }
}

class LoginDeniedRoadTest : public LoginRoadTest, public ::testing::WithParamInterface<int> {};

TEST_P(LoginDeniedRoadTest, EachReasonIsShownAndTheClientLeavesQuietly) {
    testshard::Script script;
    script.denyReason = GetParam();
    Start(script);
    ASSERT_TRUE(Run([&] { return Dispatched(0x82); }));
    if (GetParam() == 254) {
        EXPECT_TRUE(frontEnd.modalMessages.empty());
    } else {
        ASSERT_EQ(frontEnd.modalMessages.size(), 1u);
        EXPECT_EQ(frontEnd.modalMessages[0].owner, MessageOwner::MainMenu);
    }
    // The client ended the connection itself: the record goes without "Connection lost".
    ASSERT_TRUE(Run([&] { return CApp::ShardRecords().empty(); }));
    EXPECT_EQ(frontEnd.connectionLost, 0);
    EXPECT_FALSE(IsConnected());
    EXPECT_EQ(frontEnd.serverLists, 0);
}

INSTANTIATE_TEST_SUITE_P(Reasons, LoginDeniedRoadTest, ::testing::Values(0, 1, 2, 3, 4, 5, 6, 7, 254, 99));

class ErrorCodeRoadTest : public LoginRoadTest, public ::testing::WithParamInterface<int> {};

TEST_P(ErrorCodeRoadTest, EachCodeAfterTheCharacterChoiceIsShown) {
    testshard::Script script;
    script.errorCode = GetParam();
    Start(script);
    ASSERT_TRUE(Run([&] { return Dispatched(0x53); }));
    ASSERT_EQ(frontEnd.modalMessages.size(), 1u);
    EXPECT_EQ(frontEnd.selectionRemovals, GetParam() == 1 ? 1 : 0);
    EXPECT_EQ(IsConnected(), GetParam() != 5);
    EXPECT_FALSE(IsInWorld());
    EXPECT_EQ(frontEnd.connectionLost, 0);
}

INSTANTIATE_TEST_SUITE_P(Codes, ErrorCodeRoadTest, ::testing::Values(0, 1, 2, 3, 4, 5, 6, 7));

TEST_F(LoginRoadTest, AFullShardIsReportedAndItsConnectionEnds) {
    testshard::Script script;
    script.relayFull = true;
    Start(script);
    ASSERT_TRUE(Run([&] { return CApp::ShardRecords().empty(); }));
    EXPECT_TRUE(frontEnd.HasSystemMessage("Test Shard is full."));
    EXPECT_EQ(frontEnd.connectionLost, 0);
    EXPECT_EQ(server.ConnectionCount(), 1);
}

TEST_F(LoginRoadTest, AGameServerThatRefusesThreeTimesEndsTheAttempt) {
    const uint16_t closedPort = [] {
        const int listener = platform::ListenTcp(platform::kLoopback, 0);
        const uint16_t port = platform::BoundPort(listener);
        platform::CloseSocket(listener);
        return port;
    }();
    qvtest::ReportRecorder report;
    testshard::Script script;
    script.relayPort = closedPort;
    Start(script);
    ASSERT_TRUE(Run([&] { return !frontEnd.modalMessages.empty(); }));
    EXPECT_EQ(frontEnd.modalMessages[0].text,
              "The client could not attach to the game server. It must have been "
              "taken down, please wait a few minutes and try again.");
    int attempts = 0;
    for (const auto& line : report.lines())
        if (line.text.find("found no game server") != std::string::npos) ++attempts;
    EXPECT_EQ(attempts, 3);
    EXPECT_FALSE(IsConnected());
    EXPECT_FALSE(IsWatchingLostConnection());
    EXPECT_FALSE(CApp::IsGameLoginSent());
}

TEST_F(LoginRoadTest, TheServerClosingInTheMiddleOfAPacketLosesTheConnection) {
    testshard::Script script;
    script.closeMidStream = true;
    Start(script);
    ASSERT_TRUE(Run([&] { return frontEnd.connectionLost > 0; }));
    EXPECT_TRUE(Dispatched(0x1B));
    EXPECT_FALSE(Dispatched(0x1C)) << "half a packet is never delivered";
    EXPECT_FALSE(InGame());
    EXPECT_TRUE(CApp::ShardRecords().empty());
}

TEST_F(LoginRoadTest, AStreamFedOneByteAtATimeCompletesTheRoad) {
    testshard::Script script;
    script.byteAtATime = true;
    Start(script);
    ASSERT_TRUE(Run([&] { return InGame(); }));
    EXPECT_TRUE(Dispatched(0x1C));
    EXPECT_EQ(frontEnd.placements.size(), 1u);
}

TEST_F(LoginRoadTest, AnUnknownIdInTheWorldEndsTheConnection) {
    qvtest::ReportRecorder report;
    Start(testshard::Script{});
    ASSERT_TRUE(Run([&] { return InGame(); }));
    ASSERT_TRUE(server.Send({0xF0, 0x00}));
    ASSERT_TRUE(Run([&] { return frontEnd.connectionLost > 0; }));
    EXPECT_TRUE(report.contains("unknown packet id 0xF0"));
}

} // namespace
