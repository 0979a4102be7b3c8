// The edit scenario: a client that speaks to an edit server sends no seed and enciphers nothing; the
// server answers the login plainly and the game phase compressed only.
#include "net/PacketBuffer.h"
#include "net/PacketFramer.h"
#include "platform/sockets.h"
#include "support/TestSupport.h"
#include "testshard/ScenarioServer.h"

#include "support/NetTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

constexpr uint32_t kWaitMs = 5000;

using qvtest::AccountPacket;
using qvtest::PacketCollector;

class EditScenarioTest : public qvtest::CleanState {};

TEST_F(EditScenarioTest, PlainLoginThenCompressedWorldPackets) {
    testshard::Script script;
    script.editServer = true;
    script.worldPackets = testshard::EditServerPackets();
    testshard::ScenarioServer server;
    ASSERT_TRUE(server.Start(script));

    platform::TcpSocket login =
        platform::TcpSocket::Connect(platform::kLoopback, server.loginPort(), kWaitMs);
    ASSERT_TRUE(login.IsOpen());
    const std::vector<uint8_t> accountLogin = AccountPacket(0x80, 62);
    ASSERT_TRUE(login.SendAll(accountLogin.data(), accountLogin.size()));
    uint8_t in[4096];
    const long n = login.Receive(in, sizeof in, kWaitMs);
    ASSERT_GT(n, 0);
    EXPECT_EQ(in[0], 0xA8); // the shard list, plain
    ASSERT_TRUE(server.WaitForPacket(0x80, kWaitMs));
    EXPECT_EQ(server.Packets().front().phase, testshard::Phase::Plain);

    platform::TcpSocket game = platform::TcpSocket::Connect(platform::kLoopback, server.gamePort(), kWaitMs);
    ASSERT_TRUE(game.IsOpen());
    std::vector<uint8_t> gameLogin = AccountPacket(0x91, 65);
    gameLogin[1] = 0x0B; // the relay key
    gameLogin[2] = 0xAD;
    gameLogin[3] = 0xF0;
    gameLogin[4] = 0x0D;
    ASSERT_TRUE(game.SendAll(gameLogin.data(), gameLogin.size()));
    std::vector<uint8_t> choice(73, 0); // the character choice
    choice[0] = 0x5D;
    ASSERT_TRUE(game.SendAll(choice.data(), choice.size()));
    PacketCollector client;
    PacketFramer framer(client);
    framer.SetGameMode(true);
    auto has = [&](uint8_t id) {
        return std::any_of(client.packets.begin(), client.packets.end(),
                           [&](const auto& p) { return p[0] == id; });
    };
    while (!has(0xC6) && !client.broken) {
        const long got = game.Receive(in, sizeof in, kWaitMs);
        ASSERT_GT(got, 0);
        framer.ProcessReceived(in, static_cast<size_t>(got));
    }
    EXPECT_TRUE(has(0xA9)); // the character list, then the world
    EXPECT_TRUE(has(0x1B));
    EXPECT_TRUE(has(0x41));
    EXPECT_TRUE(has(0x92));
    server.Stop();
}

} // namespace
