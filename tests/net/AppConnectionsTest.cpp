// The application object's connection side: choosing and rotating login servers, additional
// shards, the shard menu and switching, and the character requests.
#include "app/multcli.h"
#include "core/Options.h"
#include "net/CGameSock.h"
#include "net/PacketManager.h"
#include "platform/platform.h"
#include "support/NetTestSupport.h"
#include "testshard/LoopbackServer.h"

#include <chrono>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

uint16_t ClosedPort() {
    const int listener = platform::ListenTcp(platform::kLoopback, 0);
    const uint16_t port = platform::BoundPort(listener);
    platform::CloseSocket(listener);
    return port;
}

// The login servers ConnectToLoginServer tried, from its log.
std::vector<int> TriedServers(const qvtest::ReportRecorder& report) {
    std::vector<int> tried;
    const std::string marker = "no answer from login server ";
    for (const auto& line : report.lines()) {
        const size_t at = line.text.find(marker);
        if (at != std::string::npos) tried.push_back(std::stoi(line.text.substr(at + marker.size())));
    }
    return tried;
}

class AppConnectionsTest : public qvtest::NetFixture {
  protected:
    ShardRecord* AddShard(const std::string& name, bool loggedIn = true) {
        ShardRecord* record = CApp::AddShardRecord();
        record->name = name;
        record->connection = new CGameSock;
        record->connection->SetLoggedIn(loggedIn);
        if (!CApp::GetCurrentRecord()) {
            CApp::SetCurrentRecord(record);
            SetCurrentConnection(record->connection);
        }
        return record;
    }
    qvtest::FrontEndRecorder frontEnd;
};

TEST_F(AppConnectionsTest, WithThreeSilentLoginServersTheFirstOneIsTriedAgainLast) {
    qvtest::ReportRecorder report;
    CApp::SetLoginServers(
        {{"127.0.0.1", ClosedPort()}, {"127.0.0.1", ClosedPort()}, {"127.0.0.1", ClosedPort()}});
    std::vector<bool> answers;
    // The refusals come in later passes.
    EXPECT_TRUE(CApp::ConnectToLoginServer([&](bool connected) { answers.push_back(connected); }));
    ASSERT_TRUE(qvtest::PollNetworkUntil([&] { return !answers.empty(); }));
    EXPECT_EQ(answers, std::vector<bool>({false}));
    const std::vector<int> tried = TriedServers(report);
    ASSERT_EQ(tried.size(), 4u);
    EXPECT_EQ(tried[3], tried[0]);
    for (size_t i = 1; i < tried.size(); ++i)
        EXPECT_EQ(tried[i], (tried[i - 1] + 1) % 3);
    EXPECT_TRUE(CApp::ShardRecords().empty());
    EXPECT_FALSE(IsConnected());
}

TEST_F(AppConnectionsTest, TheFirstLoginServerThatAnswersGetsTheFirstShardRecord) {
    platform::TcpSocket listener = platform::TcpSocket::Listen(platform::kLoopback, 0);
    CApp::SetLoginServers({{"127.0.0.1", ClosedPort()}, {"localhost", listener.LocalPort()}});
    std::vector<bool> answers;
    ASSERT_TRUE(CApp::ConnectToLoginServer([&](bool connected) { answers.push_back(connected); }));
    ASSERT_TRUE(qvtest::PollNetworkUntil([&] { return !answers.empty(); }));
    EXPECT_EQ(answers, std::vector<bool>({true}));
    ASSERT_EQ(CApp::ShardRecords().size(), 1u);
    ShardRecord* record = CApp::ShardRecords()[0];
    EXPECT_EQ(CApp::GetCurrentRecord(), record);
    EXPECT_EQ(record->connection, GetCurrentConnection());
    EXPECT_TRUE(record->name.empty());
    EXPECT_EQ(record->saved.updateRange, 18);
    EXPECT_FALSE(record->connection->IsGameMode());
    EXPECT_EQ(CApp::GetChosenPort(), listener.LocalPort());
    EXPECT_TRUE(IsWatchingLostConnection());
    // Connected already: nothing more happens.
    EXPECT_TRUE(CApp::ConnectToLoginServer([&](bool connected) { answers.push_back(connected); }));
    EXPECT_EQ(answers, std::vector<bool>({true, true}));
    EXPECT_EQ(CApp::ShardRecords().size(), 1u);
}

TEST_F(AppConnectionsTest, TheAccountLoginQueuedWhileConnectingGoesToTheServerThatAnswers) {
    testshard::LoopbackServer login;
    ASSERT_TRUE(login.Start(0));
    const uint16_t closed = ClosedPort();
    bool retried = false;
    // The first server is chosen at random: some starts try the silent one first.
    for (uint32_t start = 1000; start < 1040 && !retried; ++start) {
        SCOPED_TRACE(start);
        qvtest::ReportRecorder report;
        platform::UseManualClock(start, 0);
        CApp::SetLoginServers({{"127.0.0.1", closed}, {"127.0.0.1", login.port()}});
        std::vector<bool> answers;
        const size_t before = login.Packets().size();
        ASSERT_TRUE(CApp::ConnectToLoginServer([&](bool connected) { answers.push_back(connected); }));
        CApp::VerifyAccount("account", "secret", 0x42);
        ASSERT_TRUE(qvtest::PollNetworkUntil([&] { return login.Packets().size() > before; }));
        EXPECT_EQ(answers, std::vector<bool>({true}));
        const std::vector<uint8_t> accountLogin = login.Packets().back().bytes;
        ASSERT_EQ(accountLogin.size(), 62u);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(&accountLogin[1])), "account");
        EXPECT_EQ(accountLogin[61], 0x42);
        retried = !TriedServers(report).empty();
        ResetNetworkForTests();
        SetNetworkQuiet(false);
        CApp::ResetConnectionsForTests();
    }
    EXPECT_TRUE(retried) << "no start tried the silent server first";
}

TEST_F(AppConnectionsTest, ASilentLoginServerLeavesTheLoopRunningUntilItsDeadline) {
    qvtest::FullListener silent;
    ASSERT_TRUE(silent.full());
    platform::UseManualClock(1000, 0);
    CApp::SetLoginServers({{"127.0.0.1", silent.port()}});
    std::vector<bool> answers;
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(CApp::ConnectToLoginServer([&](bool connected) { answers.push_back(connected); }));
    // The account login is queued at once and waits for the connect.
    CApp::VerifyAccount("account", "secret", 0);
    for (int i = 0; i < 20; ++i)
        PollNetwork();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)) << "the connect blocked";
    EXPECT_TRUE(answers.empty());
    ASSERT_EQ(CApp::ShardRecords().size(), 1u);
    EXPECT_TRUE(GetCurrentConnection()->IsConnecting());
    EXPECT_EQ(GetCurrentConnection()->SendFill(), 62);
    // Two attempts on the one server, ten seconds each.
    platform::AdvanceManualClock(CClientSock::kConnectTimeoutMs);
    PollNetwork();
    EXPECT_TRUE(answers.empty());
    platform::AdvanceManualClock(CClientSock::kConnectTimeoutMs);
    PollNetwork();
    EXPECT_EQ(answers, std::vector<bool>({false}));
    EXPECT_TRUE(CApp::ShardRecords().empty());
    EXPECT_FALSE(IsConnected());
}

TEST_F(AppConnectionsTest, ChooseServerTakesTheEditServerOrTheChosenEntry) {
    CApp::SetLoginServers({{"127.0.0.1", 1000}, {"10.0.0.2", 2000}});
    CApp::SetChosenServerIndex(1);
    EXPECT_EQ(ChooseServer(false), platform::MakeIPv4(10, 0, 0, 2));
    EXPECT_EQ(CApp::GetChosenPort(), 2000);
    CApp::SetChosenServerIndex(-1);
    ChooseServer(false);
    EXPECT_FALSE(CApp::HasChosenServer());
    CApp::SetBackupLoginServers({{"10.9.9.9", 3000}});
    CApp::SetChosenBackupIndex(0);
    EXPECT_EQ(ChooseServer(true), platform::MakeIPv4(10, 9, 9, 9));
    SetEditServer(true, platform::MakeIPv4(192, 168, 0, 7), 4000);
    EXPECT_EQ(ChooseServer(false), platform::MakeIPv4(192, 168, 0, 7));
    EXPECT_EQ(CApp::GetChosenPort(), 4000);
}

TEST_F(AppConnectionsTest, AnotherShardGetsItsOwnConnectionAndAccountLogin) {
    testshard::LoopbackServer login;
    ASSERT_TRUE(login.Start(0));
    AddShard("Alpha");
    CApp::SetLoginServers({{"127.0.0.1", login.port()}});
    CApp::SetChosenServerIndex(0);
    ChooseServer(false);
    CApp::SetAccount("account", "secret");
    CApp::SetNextLoginKey(0x21);

    CApp::ConnectToShard("Beta", -1);
    ASSERT_EQ(CApp::ShardRecords().size(), 2u);
    ShardRecord* beta = CApp::ShardRecords()[1];
    EXPECT_EQ(beta->name, "Beta");
    EXPECT_TRUE(beta->connection->IsSecondaryShard());
    EXPECT_EQ(beta->playerSerial, 0xFFFFFFFFu);
    EXPECT_NE(GetCurrentConnection(), beta->connection) << "the new shard is not current";
    ASSERT_TRUE(qvtest::WaitUntil([&] {
        beta->connection->Poll();
        return !login.Packets().empty();
    }));
    const std::vector<uint8_t> accountLogin = login.Packets()[0].bytes;
    ASSERT_EQ(accountLogin.size(), 62u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&accountLogin[1])), "account");
    EXPECT_EQ(accountLogin[61], 0x21);

    // A shard connected already is only named.
    CApp::ConnectToShardByName("BETA");
    EXPECT_EQ(CApp::ShardRecords().size(), 2u);
    EXPECT_TRUE(frontEnd.HasSystemMessage("You are already connected to that shard!"));
    EXPECT_EQ(frontEnd.worldReleases, 0);
}

TEST_F(AppConnectionsTest, AShardWhoseLoginServerDoesNotAnswerIsReportedAndKeepsNoRecord) {
    struct Case {
        const char* name;
        bool refused; // else no server could be chosen at all
    };
    const Case cases[] = {{"refused", true}, {"no login server chosen", false}};
    SetNetworkQuiet(true); // the first shard's connection is not connected
    ShardRecord* alpha = AddShard("Alpha");
    CApp::SetAccount("account", "secret");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        frontEnd.systemMessages.clear();
        CApp::ResetConnectionsForTests();
        CApp::SetLoginServers({{"127.0.0.1", ClosedPort()}});
        CApp::SetChosenServerIndex(c.refused ? 0 : -1);
        ChooseServer(false);
        CApp::ConnectToShard("Beta", -1);
        ASSERT_TRUE(qvtest::PollNetworkUntil([&] { return !frontEnd.systemMessages.empty(); }));
        EXPECT_EQ(frontEnd.systemMessages,
                  std::vector<std::string>(
                      {"Couldn't connect to Varnis Online.  Please try again in a few moments."}));
        EXPECT_EQ(CApp::ShardRecords(), std::vector<ShardRecord*>({alpha}));
        EXPECT_EQ(GetCurrentConnection(), alpha->connection);
        EXPECT_EQ(CApp::FindShardRecordByName("Beta"), nullptr);
    }
}

TEST_F(AppConnectionsTest, AnAdditionalShardWhoseGameServerDoesNotAnswerGoesAlone) {
    SetNetworkQuiet(true); // the first shard's connection is not connected
    ShardRecord* alpha = AddShard("Alpha");
    ShardRecord* beta = AddShard("Beta");
    beta->connection->SetSecondaryShard(true);
    beta->relayPending = true;
    beta->relayAddress = platform::kLoopback;
    beta->relayPort = ClosedPort();
    SetLostConnectionWatch(true);
    ASSERT_TRUE(qvtest::PollNetworkUntil([&] { return CApp::ShardRecords().size() == 1; }));
    EXPECT_EQ(CApp::ShardRecords()[0], alpha);
    EXPECT_EQ(frontEnd.systemMessages,
              std::vector<std::string>({"Logging into Beta.",
                                        "The client could not attach to the game server. It must have been "
                                        "taken down, please wait a few minutes and try again."}));
    EXPECT_EQ(GetCurrentConnection(), alpha->connection);
    EXPECT_TRUE(IsWatchingLostConnection());
    EXPECT_EQ(frontEnd.connectionLost, 0);
}

TEST_F(AppConnectionsTest, TheShardMenuListsRecordsByTheirIds) {
    ShardRecord* alpha = AddShard("Alpha", false);
    ShardRecord* beta = AddShard("Beta");
    EXPECT_EQ(CApp::ShowShardMenu(true), 0);
    ASSERT_EQ(frontEnd.shardMenus.size(), 1u);
    // The current connection has not finished its login: everything waits.
    EXPECT_EQ(frontEnd.shardMenus[0][0].text, "Alpha (connecting)");
    EXPECT_TRUE(frontEnd.shardMenus[0][1].greyed);

    alpha->connection->SetLoggedIn(true);
    CApp::ShowShardMenu(true);
    const std::vector<ShardMenuEntry>& menu = frontEnd.shardMenus[1];
    ASSERT_EQ(menu.size(), 2u);
    EXPECT_EQ(menu[0].text, "Alpha");
    EXPECT_EQ(menu[0].command, alpha->id);
    EXPECT_TRUE(menu[0].greyed);
    EXPECT_EQ(menu[1].command, beta->id);
    EXPECT_FALSE(menu[1].greyed);
    EXPECT_NE(alpha->id, 0);
    EXPECT_NE(alpha->id, beta->id);

    frontEnd.shardMenuChoice = beta->id;
    CApp::MarkShardForDisconnect();
    EXPECT_EQ(beta->closeRequest, 1);
    EXPECT_EQ(alpha->closeRequest, 0);
    EXPECT_FALSE(frontEnd.shardMenus.back()[1].greyed) << "disconnecting offers the current shard too";
}

TEST_F(AppConnectionsTest, SwitchingSavesTheOldShardAndRestoresTheNewOne) {
    ShardRecord* alpha = AddShard("Alpha");
    ShardRecord* beta = AddShard("Beta");
    beta->playerSerial = 0x99;
    beta->saved.x = 300;
    beta->saved.y = 400;
    beta->saved.z = 10;
    CApp::SetAccount("account", "secret");
    GetNetServices().readPlayerState = [](PlayerShardState& state) {
        state.x = 1;
        state.y = 2;
        state.facing = 4;
    };
    std::vector<uint32_t> restored;
    GetNetServices().restorePlayerState = [&](const PlayerShardState&, uint32_t serial) {
        restored.push_back(serial);
    };
    frontEnd.shardMenuChoice = beta->id;
    EXPECT_EQ(CApp::SelectShard(-1), beta->id);
    EXPECT_EQ(alpha->saved.x, 1) << "the menu saved the current shard's state";
    EXPECT_EQ(alpha->saved.facing, 4);
    EXPECT_EQ(GetCurrentConnection(), beta->connection);
    EXPECT_EQ(CApp::GetCurrentRecord(), beta);
    EXPECT_EQ(CApp::GetPlayerSerial(), 0x99u);
    EXPECT_EQ(restored, std::vector<uint32_t>({0x99}));
    EXPECT_EQ(frontEnd.speech, std::vector<std::string>({"=tp (300 400 10)"}));
    EXPECT_EQ(frontEnd.titles.back(), "account (Beta)");
    EXPECT_EQ(frontEnd.worldReleases, 1);

    // Choosing the current shard changes nothing.
    CApp::SelectShard(beta->id);
    EXPECT_EQ(frontEnd.worldReleases, 1);
}

TEST_F(AppConnectionsTest, PlayAndCreateRequestsCountTheLogins) {
    AddShard("Alpha");
    GetCurrentConnection()->SetGameMode(true); // queued plain
    CApp::SetLoginCount(41);
    AllowWindowResize = false;
    CApp::EnterWorld("Tester", 0, 2);
    EXPECT_EQ(CApp::GetLoginCount(), 42u);
    EXPECT_EQ(frontEnd.savedKeys.back(), std::make_pair(std::string("ClientLogin"), std::string("42")));
    EXPECT_TRUE(AllowWindowResize);
    EXPECT_EQ(frontEnd.waitingBoxes.back(), "Entering Veldaria...");
    EXPECT_EQ(CApp::GetName(), "Tester");
    ASSERT_EQ(GetCurrentConnection()->SendFill(), 73);
    const uint8_t* play = GetCurrentConnection()->SendBuffer();
    EXPECT_EQ(play[0], 0x5D);
    EXPECT_EQ(play[35 + 13], 41) << "the client block carries the count before the request";
    EXPECT_EQ(play[68], 2);

    PacketManager::CreationChoices choices;
    choices.profession = 0x77;
    choices.gender = 1;
    CApp::SetCreationChoices(choices, "pw");
    CApp::CreateCharacter();
    EXPECT_EQ(CApp::GetLoginCount(), 43u);
    EXPECT_EQ(frontEnd.waitingBoxes.back(), "Creating character... ");
    ASSERT_EQ(GetCurrentConnection()->SendFill(), 73 + 104);
    const uint8_t* create = GetCurrentConnection()->SendBuffer() + 73;
    EXPECT_EQ(create[0], 0x00);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&create[10])), "Tester");
    EXPECT_EQ(create[40 + 14], 0x77) << "the profession rides in the client block";
    EXPECT_EQ(create[40 + 13], 42) << "with the count before the request";
    EXPECT_EQ(create[70], 1);
    uint8_t block[30];
    CApp::BuildClientBlock(block, true);
    EXPECT_EQ(block[9], 1) << "a new character sets the server-config login flag";
    EXPECT_EQ(block[14], 0x77);
}

} // namespace
