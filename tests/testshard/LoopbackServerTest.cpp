#include "testshard/LoopbackServer.h"
#include "net/ConnectionSeed.h"
#include "net/GameCipher.h"
#include "net/LoginCipher.h"
#include "net/PacketBuffer.h"
#include "net/PacketFramer.h"
#include "platform/sockets.h"
#include "support/TestSupport.h"

#include <cstring>
#include <gtest/gtest.h>
#include <vector>

namespace {

constexpr uint32_t kWaitMs = 5000;

class LoopbackServerTest : public qvtest::CleanState {
  protected:
    void SetUp() override {
        qvtest::CleanState::SetUp();
        ASSERT_TRUE(server.Start(0));
    }
    platform::TcpSocket ConnectWithSeed(uint32_t seed) {
        platform::TcpSocket socket =
            platform::TcpSocket::Connect(platform::kLoopback, server.port(), kWaitMs);
        EXPECT_TRUE(socket.IsOpen());
        const std::array<uint8_t, 4> bytes = ConnectionSeedBytes(seed);
        EXPECT_TRUE(socket.SendAll(bytes.data(), bytes.size()));
        return socket;
    }

    testshard::LoopbackServer server;
};

std::vector<uint8_t> AccountLogin() {
    uint8_t buffer[62];
    PacketWriter packet(buffer);
    BeginPacket(packet, 0x80);
    WritePacketBytes(packet, "account", 7);
    const auto wire = FinishPacket(packet);
    return {wire.begin(), wire.end()};
}

TEST_F(LoopbackServerTest, DeciphersALoginPhaseClient) {
    const uint32_t seed = 0xC0A80102;
    platform::TcpSocket socket = ConnectWithSeed(seed);
    LoginCipher cipher;
    cipher.Init(seed);
    const std::vector<uint8_t> login = AccountLogin();
    uint8_t ping[2] = {0x73, 0x00};
    std::vector<uint8_t> wire = login;
    wire.insert(wire.end(), ping, ping + 2);
    cipher.Crypt(wire.data(), wire.size());
    ASSERT_TRUE(socket.SendAll(wire.data(), wire.size()));
    ASSERT_TRUE(server.WaitForPackets(2, kWaitMs));
    const std::vector<testshard::ReceivedPacket> packets = server.Packets();
    EXPECT_EQ(packets[0].phase, testshard::Phase::Login);
    EXPECT_EQ(packets[0].seed, seed);
    EXPECT_EQ(packets[0].bytes, login);
    EXPECT_EQ(packets[1].bytes, std::vector<uint8_t>(ping, ping + 2));
}

class ClientSide : public PacketSink {
  public:
    void HandlePacket(uint8_t* packet, int length) override { packets.emplace_back(packet, packet + length); }
    bool IsOpen() const override { return true; }
    void OnStreamBroken(const char*) override { broken = true; }
    std::vector<std::vector<uint8_t>> packets;
    bool broken = false;
};

TEST_F(LoopbackServerTest, GamePhaseBothWays) {
    for (bool variant : {false, true}) {
        SCOPED_TRACE(variant);
        const uint32_t key = variant ? 0x01020304 : 0xA0B0C0D0; // the relay key as seed
        platform::TcpSocket socket = ConnectWithSeed(key);
        CGameCipher cipher;
        cipher.Init(GameCipherKey(key, variant));
        ReceiveKey receiveKey;
        receiveKey.Init(cipher.GetBlock());

        uint8_t buffer[65];
        PacketWriter gameLogin(buffer);
        BeginPacket(gameLogin, 0x91);
        WritePacketU32(gameLogin, key);
        WritePacketBytes(gameLogin, "account", 7);
        const auto finished = FinishPacket(gameLogin);
        std::vector<uint8_t> wire(finished.begin(), finished.end());
        cipher.Crypt(wire.data(), wire.size());
        const size_t before = server.Packets().size();
        ASSERT_TRUE(socket.SendAll(wire.data(), wire.size()));
        ASSERT_TRUE(server.WaitForPackets(before + 1, kWaitMs));
        const testshard::ReceivedPacket got = server.Packets().back();
        EXPECT_EQ(got.phase, variant ? testshard::Phase::GameVariant : testshard::Phase::Game);
        EXPECT_EQ(got.bytes, std::vector<uint8_t>(finished.begin(), finished.end()));

        // The answer comes compressed and keyed; the client's receive path turns it back.
        const std::vector<uint8_t> speech = {0x1C, 0x00, 0x08, 'h', 'e', 'l', 'l', 'o'};
        const std::vector<uint8_t> complete = {0x55};
        ASSERT_TRUE(server.Send(speech));
        ASSERT_TRUE(server.Send(complete));
        ClientSide client;
        PacketFramer framer(client);
        framer.SetGameMode(true);
        uint8_t in[256];
        while (client.packets.size() < 2 && !client.broken) {
            const long n = socket.Receive(in, sizeof in, kWaitMs);
            ASSERT_GT(n, 0);
            receiveKey.Apply(in, static_cast<size_t>(n));
            framer.ProcessReceived(in, static_cast<size_t>(n));
        }
        ASSERT_EQ(client.packets.size(), 2u);
        std::vector<uint8_t> first = client.packets[0];
        std::swap(first[1], first[2]); // delivered with its length in host order
        EXPECT_EQ(first, speech);
        EXPECT_EQ(client.packets[1], complete);
    }
}

} // namespace
