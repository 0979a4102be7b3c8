// Leaving the world: back to a new main menu with every shard connection told and closed, or out
// of the program, in one step or, while the server keeps the configuration, in two.
#include "FrontEndFixture.h"

#include "core/Options.h"
#include "core/ShardRecord.h"
#include "gumps/CGumpManager.h"
#include "render/GraphicManager.h"

namespace qvtest {
namespace {

class LogOutTest : public FrontEndTest {
  protected:
    // The demo's road into the world, walked through the screens' own steps.
    void EnterWorld() {
        testshard::Script script;
        script.shards = {{"Alpha"}, {"Beta"}};
        script.characters = {"First", "Second"};
        StartClient(script);
        Type("tester\tpw\r");
        ASSERT_TRUE(RunUntil([] { return FrontEnd::ServerList().get() != nullptr; }));
        FrontEnd::ServerList()->SelectServer(0);
        ASSERT_TRUE(RunUntil([] { return FrontEnd::CharacterSelection().get() != nullptr; }));
        PlaySelectedCharacter(FrontEnd::CharacterSelection().get());
        ASSERT_TRUE(RunUntil([] { return PacketManager::IsGameDisplayEntered(); }));
    }
    // The connections (the server's numbering) that sent this packet.
    std::vector<int> ConnectionsThatSent(uint8_t id) {
        std::vector<int> out;
        for (const testshard::ClientPacket& p : server.Packets())
            if (!p.bytes.empty() && p.bytes[0] == id) out.push_back(p.connection);
        return out;
    }
    int desktopSaves = 0;
};

TEST_F(LogOutTest, TwoShardConnectionsAreToldAndClosedAndANewMainMenuOpens) {
    EnterWorld();
    CApp::ConnectToShard("Beta", -1);
    ASSERT_TRUE(RunUntil([this] { return server.ConnectionCount() >= 3; }));
    Passes(5);
    ASSERT_EQ(CApp::ShardRecords().size(), 2u);
    const CGump* oldMenu = FrontEnd::MainMenu().get();

    LogOut();
    Passes(2);
    ASSERT_TRUE(RunUntil([this] { return ConnectionsThatSent(0x01).size() >= 2; }));
    const std::vector<int> told = ConnectionsThatSent(0x01);
    EXPECT_NE(told[0], told[1]) << "the notice went to both connections";
    EXPECT_TRUE(CApp::ShardRecords().empty());
    ASSERT_NE(GetCurrentConnection(), nullptr);
    EXPECT_FALSE(IsConnected()) << "one fresh, unconnected connection";
    EXPECT_FALSE(PacketManager::IsGameDisplayEntered());
    EXPECT_EQ(GraphicManager::GetScreenWidth(), 640);
    EXPECT_EQ(GraphicManager::GetScreenHeight(), 480);
    EXPECT_EQ(platform::GetWindowTitle(), "Varnis Online");
    ASSERT_NE(FrontEnd::MainMenu().get(), nullptr);
    EXPECT_NE(FrontEnd::MainMenu().get(), oldMenu);
    EXPECT_TRUE(FrontEnd::AcctLogin()->IsShown());
}

TEST_F(LogOutTest, QuitWithoutTheSyncSavesTheDesktopOnceAndEndsWithCodeZero) {
    EnterWorld();
    FrontEndHookTable().saveDesktop = [this] { ++desktopSaves; };
    ReportRecorder exits;
    try {
        QuitGame(nullptr);
        FAIL() << "the quit returned";
    } catch (const ProcessExit& e) {
        EXPECT_EQ(e.code, 0);
    }
    EXPECT_EQ(desktopSaves, 1);
    EXPECT_TRUE(ConnectionsThatSent(0xD1).empty());
}

TEST_F(LogOutTest, QuitWithTheSyncAsksTheServerAndItsReplyEndsTheProgram) {
    EnterWorld();
    FrontEndHookTable().saveDesktop = [this] { ++desktopSaves; };
    FrontEndHookTable().serverKeepsConfig = [] { return true; };
    QuitGame(nullptr);
    EXPECT_TRUE(IsLogoutUploadPending());
    EXPECT_TRUE(IsQuitPending());
    ASSERT_TRUE(RunUntil([this] { return !ConnectionsThatSent(0xD1).empty(); }));
    EXPECT_NE(CGumpManager::GetModal(), nullptr) << "the notice takes every click";

    ReportRecorder exits;
    const uint8_t reply[] = {0xD1, 0x01};
    PacketReader reader(reply, sizeof reply);
    try {
        PacketManager::HandleLogoutReply(*GetCurrentConnection(), reader);
        FAIL() << "the reply did not end the program";
    } catch (const ProcessExit& e) {
        EXPECT_EQ(e.code, 0);
    }
    EXPECT_EQ(desktopSaves, 1) << "no second save";
}

TEST_F(LogOutTest, ALogOutAfterAnInterruptedQuitStaysALogOut) {
    EnterWorld();
    FrontEndHookTable().serverKeepsConfig = [] { return true; };
    QuitGame(nullptr); // the upload starts; the connection drops before the reply
    ASSERT_TRUE(IsQuitPending());
    Disconnect();
    LogOut(); // the lost connection's OK: completes at once
    EXPECT_FALSE(IsQuitPending());
    EXPECT_FALSE(IsLogoutUploadPending());
    Passes(2);
    ASSERT_NE(FrontEnd::AcctLogin().get(), nullptr) << "back at the main menu, the program goes on";
    EXPECT_TRUE(AcctID.empty()) << "with the sync on the account name is not kept";
}

} // namespace
} // namespace qvtest
