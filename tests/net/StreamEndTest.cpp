// The login road with the server's side of the stream ending at every byte: closed there, or
// stalled there (the server reads on but never writes again). Whatever the byte, the client must
// not crash or hang, must tell the player, must leave no file half written, and a new login must
// then succeed. One process, one test-server thread, a manual clock for the stall deadlines.
#include "app/multcli.h"
#include "net/CGameSock.h"
#include "net/PacketManager.h"
#include "net/csocket.h"
#include "platform/platform.h"
#include "support/NetTestSupport.h"
#include "testshard/ScenarioServer.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

class StreamEndTest : public qvtest::NetFixture {
  protected:
    void SetUp() override {
        qvtest::NetFixture::SetUp();
        platform::UseManualClock(1000, 0);
    }
    void TearDown() override {
        server.Stop();
        frontEnd.reset();
        qvtest::NetFixture::TearDown();
    }

    // A client as the program starts it, with the screens' choices made by the recorder: the
    // first shard, then the first character.
    void FreshClient() {
        server.Stop();
        frontEnd.reset();
        ResetNetworkForTests();
        SetNetworkQuiet(false);
        PacketManager::ResetForTests();
        CApp::ResetConnectionsForTests();
        frontEnd = std::make_unique<qvtest::FrontEndRecorder>();
        frontEnd->onServerList = [] {
            const PacketManager::ServerEntry& shard = PacketManager::GetLoginTables().servers.at(0);
            CApp::GetCurrentRecord()->name = shard.name;
            uint8_t buffer[3];
            PacketWriter packet(buffer);
            PacketManager::SendSelectServer(packet, shard.index);
            SendPacket(packet);
        };
        frontEnd->onCharacterSelection = [](const std::vector<CharacterEntry>& characters) {
            CApp::EnterWorld(characters.at(0).name.c_str(), 0, characters.at(0).slot);
        };
    }

    bool Login(const testshard::Script& script) {
        FreshClient();
        if (!server.Start(script)) return false;
        CApp::SetLoginServers({{"127.0.0.1", server.loginPort()}});
        if (!CApp::ConnectToLoginServer()) return false;
        CApp::VerifyAccount("test", "test", CApp::GetNextLoginKey());
        return true;
    }

    // Network passes (each with the keep-alive, as the frame step runs it) until the condition
    // holds; false after two seconds of real time: the client hangs.
    bool Drive(const std::function<bool()>& condition) {
        const auto start = std::chrono::steady_clock::now();
        while (!condition()) {
            if (std::chrono::steady_clock::now() - start > std::chrono::seconds(2)) return false;
            qvtest::DispatchPostedMessages();
            PollNetwork();
            SendKeepAlive();
            if (!condition()) std::this_thread::sleep_for(std::chrono::microseconds(50));
        }
        return true;
    }
    // A few passes more, for what is still on its way.
    void Settle() {
        for (int i = 0; i < 20; ++i) {
            PollNetwork();
            std::this_thread::sleep_for(std::chrono::microseconds(50));
        }
    }

    bool InGame() const { return frontEnd->gameDisplays > 0; }
    // The player was told: the lost connection's message, or a box of the login screens is up
    // (the waiting box's button logs out).
    bool Told() const {
        return frontEnd->connectionLost > 0 || !frontEnd->modalMessages.empty() || frontEnd->waitingGumpShown;
    }
    std::string State() const {
        return " [lost " + std::to_string(frontEnd->connectionLost) + ", boxes " +
               std::to_string(frontEnd->modalMessages.size()) + ", waiting " +
               std::to_string(frontEnd->waitingGumpShown) + ", connected " + std::to_string(IsConnected()) +
               ", records " + std::to_string(CApp::ShardRecords().size()) + "]";
    }

    static int Temporaries() {
        int count = 0;
        for (const std::string& folder :
             {std::filesystem::path(platform::RegistryFilePath()).parent_path().string(),
              platform::UserDataDir()}) {
            std::error_code ec;
            for (std::filesystem::recursive_directory_iterator it(folder, ec), end; !ec && it != end;
                 it.increment(ec))
                if (it->path().filename().string().find(".tmp-") != std::string::npos) ++count;
        }
        return count;
    }

    void ExpectANewLoginSucceeds(const std::string& trace) {
        ASSERT_TRUE(Login(testshard::Script{})) << trace;
        EXPECT_TRUE(Drive([&] { return InGame(); })) << trace << ": a new login afterwards";
    }

    // The whole road once: where the server's packets lie in its stream.
    std::vector<testshard::ScenarioServer::PacketSpan> MeasureTheRoad() {
        EXPECT_TRUE(Login(testshard::Script{}));
        EXPECT_TRUE(Drive([&] { return InGame(); }));
        Settle();
        return server.PacketSpans();
    }

    testshard::ScenarioServer server;
    std::unique_ptr<qvtest::FrontEndRecorder> frontEnd;
};

TEST_F(StreamEndTest, TheServerClosingAfterAnyByteIsToldAndANewLoginSucceeds) {
    const auto spans = MeasureTheRoad();
    ASSERT_GE(spans.size(), 8u) << "the shard list, the relay, the characters, the confirmation, the world";
    const uint64_t total = server.BytesSent();
    for (uint64_t n = 0; n < total; ++n) {
        const std::string trace =
            "cut after " + std::to_string(n) + " of " + std::to_string(total) + " bytes";
        testshard::Script script;
        script.cutAfterBytes = static_cast<int64_t>(n);
        ASSERT_TRUE(Login(script)) << trace;
        ASSERT_TRUE(Drive([&] { return server.StreamEnded() && !IsConnected(); }))
            << trace << ": hangs" << State();
        Settle();
        EXPECT_FALSE(InGame()) << trace << ": login complete never arrived";
        EXPECT_TRUE(Told()) << trace << State();
        EXPECT_EQ(Temporaries(), 0) << trace;
        ExpectANewLoginSucceeds(trace);
        if (HasFatalFailure()) return;
    }
}

TEST_F(StreamEndTest, TheServerStallingAfterAnyByteEndsByTheClientsOwnDeadline) {
    const auto spans = MeasureTheRoad();
    ASSERT_GE(spans.size(), 8u);
    const uint64_t total = server.BytesSent();
    for (uint64_t n = 0; n < total; ++n) {
        const std::string trace =
            "stall after " + std::to_string(n) + " of " + std::to_string(total) + " bytes";
        // A stall inside a packet (in the game phase: inside its compressed bytes, even before
        // they complete a byte of the packet) is a packet begun: the stall deadline ends it.
        // Between packets the client waits, as for any quiet server; so it does when it holds a
        // whole packet and its end code has not begun.
        const bool begun = std::any_of(spans.begin(), spans.end(), [&](const auto& p) {
            return p.start < n && n < p.end && n != p.codesEnd;
        });
        testshard::Script script;
        script.cutAfterBytes = static_cast<int64_t>(n);
        script.stall = true;
        ASSERT_TRUE(Login(script)) << trace;
        ASSERT_TRUE(Drive([&] { return server.StreamEnded(); })) << trace;
        Settle();
        EXPECT_TRUE(IsConnected()) << trace << ": nothing is late yet" << State();
        platform::AdvanceManualClock(CClientSock::kStallTimeoutMs - 1);
        Settle();
        EXPECT_TRUE(IsConnected()) << trace << ": one millisecond before the deadline" << State();
        platform::AdvanceManualClock(1);
        Settle();
        EXPECT_EQ(IsConnected(), !begun) << trace << State();
        if (begun) {
            EXPECT_TRUE(Told()) << trace << State();
        }
        EXPECT_FALSE(InGame()) << trace;
        EXPECT_EQ(Temporaries(), 0) << trace;
        ExpectANewLoginSucceeds(trace);
        if (HasFatalFailure()) return;
    }
}

} // namespace
