// The game room on the login road: the account login carries the stored room id only in game-room
// mode, and the server's session packet starts the reports with the typed account's name.
#include "FrontEndFixture.h"

#include "frontend/igr.h"

#include <condition_variable>
#include <mutex>

namespace qvtest {
namespace {

class StartReports : public IGRPingTransport {
  public:
    bool SendPingMessage(const std::string&, uint32_t, const std::string&, const char* message,
                         size_t length) override {
        std::lock_guard<std::mutex> lock(mutex_);
        messages_.emplace_back(message, length);
        return true;
    }
    std::vector<std::string> Messages() {
        std::lock_guard<std::mutex> lock(mutex_);
        return messages_;
    }

  private:
    std::mutex mutex_;
    std::vector<std::string> messages_;
};

class GameRoomLoginTest : public FrontEndTest {
  protected:
    void TearDown() override {
        IGRStopAllAndWait();
        for (int i = 0; i < 5000 && IGRSessionCount() != 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        EXPECT_EQ(IGRSessionCount(), 0);
        IGRResetForTests();
        FrontEndTest::TearDown();
    }
    void LogIn(const char* storedId) {
        IGRResetForTests();
        IGRSetTransport(transport);
        testshard::Script script;
        script.gameRoom = std::make_shared<testshard::GameRoomSession>();
        Install(dir, {});
        if (storedId)
            platform::RegSetString(platform::RegRoot::LocalMachine, CApp::kInstallKey, "noid", storedId);
        ASSERT_TRUE(server.Start(script));
        RunStartup();
        CApp::SetLoginServers({{"127.0.0.1", server.loginPort()}});
        Passes(3);
        ASSERT_NE(FrontEnd::AcctLogin().get(), nullptr);
        Type("tester\tsecret\r");
        ASSERT_TRUE(RunUntil([] { return FrontEnd::ServerList().get() != nullptr; })) << "no shard list";
    }

    std::shared_ptr<StartReports> transport = std::make_shared<StartReports>();
};

TEST_F(GameRoomLoginTest, WithoutAStoredIdTheLoginIsPlain) {
    LogIn(nullptr);
    const std::vector<uint8_t> login = Received(0x80);
    EXPECT_EQ(login.size(), 62u);
    EXPECT_EQ(TextAt(login, 1, 30), "tester");
    EXPECT_TRUE(Received(0xCF).empty());
    EXPECT_FALSE(IsIGRMode());
    Passes(20);
    EXPECT_TRUE(transport->Messages().empty());
}

TEST_F(GameRoomLoginTest, AStoredIdMakesAGameRoomLoginAndItsSessionReports) {
    LogIn("ROOM-0042");
    const std::vector<uint8_t> login = Received(0xCF);
    ASSERT_EQ(login.size(), 78u);
    EXPECT_EQ(TextAt(login, 1, 30), "tester");
    EXPECT_EQ(TextAt(login, 62, 16), "ROOM-0042");
    EXPECT_TRUE(Received(0x80).empty());
    // The session packet that answers it starts the reports, in the typed account's name.
    ASSERT_TRUE(RunUntil([this] { return !transport->Messages().empty(); }));
    EXPECT_EQ(
        transport->Messages()[0],
        "command=IGRSTARTGAME&username=tester&igrID=ROOM-0042&contextID=ctx-7f3a&seat=12&serviceID=31337");
}

} // namespace
} // namespace qvtest
