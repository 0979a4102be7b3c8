// CClientSock against a plain loopback peer that the test plays byte by byte.
#include "net/csocket.h"
#include "net/ConnectionSeed.h"
#include "net/PacketBuffer.h"
#include "net/PacketManager.h"
#include "platform/sockets.h"
#include "support/NetTestSupport.h"
#include "testshard/Wire.h"

#include <chrono>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kWaitMs = 5000;

class RecordingSock : public CClientSock {
  public:
    void OnError(const char* reason) override { errors.push_back(reason); }
    void HandlePacket(uint8_t* packet, int length) override { packets.emplace_back(packet, packet + length); }
    void OnConnected() override { outcomes.push_back(true); }
    void OnConnectFailed() override { outcomes.push_back(false); }
    std::vector<std::string> errors;
    std::vector<std::vector<uint8_t>> packets;
    std::vector<bool> outcomes; // of the connects started
};

std::vector<uint8_t> VariablePacket(uint8_t id, size_t size, uint8_t fill) {
    std::vector<uint8_t> packet(size, fill);
    packet[0] = id;
    packet[1] = static_cast<uint8_t>(size >> 8);
    packet[2] = static_cast<uint8_t>(size);
    return packet;
}

class CSocketTest : public qvtest::NetFixture {
  protected:
    void SetUp() override {
        qvtest::NetFixture::SetUp();
        listener = platform::TcpSocket::Listen(platform::kLoopback, 0);
        ASSERT_TRUE(listener.IsOpen());
    }

    // Connects the client and accepts its connection; the peer has read the seed.
    void ConnectPair(uint32_t seed = 0x7F000001) {
        SetConnectionSeed(seed);
        ASSERT_EQ(client.Connect(platform::kLoopback, listener.LocalPort()), 1);
        peer = listener.Accept(kWaitMs);
        ASSERT_TRUE(peer.IsOpen());
        ASSERT_TRUE(qvtest::CompleteConnect(client));
        if (!IsEditServerConfigured()) {
            uint8_t seedBytes[4];
            ASSERT_EQ(peer.Receive(seedBytes, 4, kWaitMs), 4);
            EXPECT_EQ(std::vector<uint8_t>(seedBytes, seedBytes + 4),
                      std::vector<uint8_t>(
                          {uint8_t(seed >> 24), uint8_t(seed >> 16), uint8_t(seed >> 8), uint8_t(seed)}));
        }
    }

    // Polls the client until it received count packets or failed.
    bool PollFor(size_t count) {
        return qvtest::WaitUntil([&] {
            client.Poll();
            return client.packets.size() >= count || !client.errors.empty();
        });
    }

    std::vector<uint8_t> PeerReceive(size_t count) {
        std::vector<uint8_t> bytes;
        uint8_t buffer[65536];
        while (bytes.size() < count) {
            const long n = peer.Receive(buffer, sizeof buffer, kWaitMs);
            if (n <= 0) break;
            bytes.insert(bytes.end(), buffer, buffer + n);
        }
        return bytes;
    }

    platform::TcpSocket listener;
    platform::TcpSocket peer;
    RecordingSock client;
};

TEST_F(CSocketTest, LoginPhaseBytesGoOutUnderTheLoginCipherAndPlainWithAnEditServer) {
    for (const bool editServer : {false, true}) {
        SCOPED_TRACE(editServer);
        SetEditServer(editServer, platform::kLoopback, listener.LocalPort());
        ConnectPair(0xC0A80001);
        EXPECT_EQ(client.IsEncrypted(), !editServer);
        uint8_t buffer[62];
        PacketWriter login(buffer);
        BeginPacket(login, 0x80);
        WritePacketBytes(login, "account", 7);
        const std::vector<uint8_t> expected(buffer, buffer + 62);
        client.Send(login);
        EXPECT_FALSE(client.Flush());
        std::vector<uint8_t> wire = PeerReceive(62);
        ASSERT_EQ(wire.size(), 62u);
        if (!editServer) {
            testshard::LoginDecryptor decryptor;
            decryptor.Key({0xC0, 0xA8, 0x00, 0x01});
            for (uint8_t& b : wire)
                b = decryptor.Next(b);
        }
        EXPECT_EQ(wire, expected);
        client.Close();
        peer.Close();
    }
}

TEST_F(CSocketTest, ARefusedConnectFailsQuietly) {
    const uint16_t port = listener.LocalPort();
    listener.Close();
    EXPECT_EQ(client.Connect(platform::kLoopback, port), 1) << "the refusal comes in a later pass";
    EXPECT_FALSE(qvtest::CompleteConnect(client));
    EXPECT_FALSE(client.IsOpen());
    EXPECT_EQ(client.outcomes, std::vector<bool>({false}));
    EXPECT_TRUE(client.errors.empty());
}

TEST_F(CSocketTest, AConnectNobodyAnswersNeverWaitsAndEndsAtItsDeadline) {
    qvtest::FullListener silent;
    ASSERT_TRUE(silent.full());
    platform::UseManualClock(5000, 0);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(client.Connect(platform::kLoopback, silent.port()), 1);
    uint8_t buffer[3];
    PacketWriter login(buffer);
    PacketManager::SendSelectServer(login, 1);
    client.Send(login); // queued behind the seed
    for (int i = 0; i < 20; ++i)
        client.Poll();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)) << "the connect blocked";
    EXPECT_TRUE(client.IsConnecting());
    EXPECT_EQ(client.SendFill(), 3);
    platform::AdvanceManualClock(CClientSock::kConnectTimeoutMs - 1);
    client.Poll();
    EXPECT_TRUE(client.IsConnecting());
    platform::AdvanceManualClock(1);
    client.Poll();
    EXPECT_FALSE(client.IsOpen());
    EXPECT_EQ(client.outcomes, std::vector<bool>({false}));
    EXPECT_TRUE(client.errors.empty()) << "a failed connect is its caller's to report";
    EXPECT_EQ(client.SendFill(), 3) << "kept for another attempt";
}

TEST_F(CSocketTest, APacketThatDoesNotFitClosesTheConnection) {
    qvtest::ReportRecorder report;
    ConnectPair();
    client.SetGameMode(true); // bytes are queued as they are
    std::vector<uint8_t> big(65500);
    PacketWriter first(big.data(), big.size());
    BeginPacket(first, 0x1C);
    WritePacketBytes(first, std::vector<uint8_t>(65497, 0x11).data(), 65497);
    client.Send(first);
    ASSERT_EQ(client.SendFill(), 65500);

    uint8_t buffer[100];
    PacketWriter second(buffer);
    BeginPacket(second, 0x1C);
    WritePacketBytes(second, std::vector<uint8_t>(97, 0x22).data(), 97);
    client.Send(second);
    EXPECT_FALSE(client.IsOpen()) << "a dropped packet would put client and server out of step";
    EXPECT_TRUE(report.contains(QVReport::Level::Error, "packet 0x1C (100 bytes) does not fit"));
    EXPECT_TRUE(client.errors.empty()) << "reported by the pass, not inside the sender";
    client.Poll();
    EXPECT_EQ(client.errors, std::vector<std::string>({"the send buffer is full"}));
    // The caller's packet carries its length in network order, and it still counts as sent.
    EXPECT_EQ(buffer[1], 0);
    EXPECT_EQ(buffer[2], 100);
    EXPECT_EQ(client.SentPackets().Entries().at(0x1C).count, 2u);
    uint8_t seen[16];
    EXPECT_EQ(peer.Receive(seen, sizeof seen, 100), 0) << "nothing of the queued bytes went out";
}

TEST_F(CSocketTest, AServerThatStallsIsLostAfterTheDeadlineOfItsPhase) {
    struct Case {
        const char* name;
        bool stopReading; // else it stops in the middle of a packet
        const char* reason;
    };
    const Case cases[] = {
        {"in the middle of a packet", false, "the server stopped in the middle of a packet"},
        {"taking nothing more", true, "the server stopped taking data"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        client.errors.clear();
        platform::UseManualClock(1000, 0);
        ConnectPair();
        if (c.stopReading) {
            client.SetGameMode(true);
            // Queue and flush until the socket takes nothing more.
            int stuck = 0;
            for (int round = 0; round < 4000 && stuck < 3; ++round) {
                while (client.SendFill() < 60000) {
                    const std::vector<uint8_t> packet = VariablePacket(0x1C, 1000, 0x33);
                    client.Send(std::span<const uint8_t>(packet));
                }
                const int before = client.SendFill();
                client.Flush();
                stuck = client.SendFill() == before ? stuck + 1 : 0;
            }
            ASSERT_EQ(stuck, 3) << "the socket never filled up";
        } else {
            const std::vector<uint8_t> head = {0x55, 0x1C, 0x00, 0x10, 0x01}; // one packet and a part
            ASSERT_TRUE(peer.SendAll(head.data(), head.size()));
            ASSERT_TRUE(PollFor(1));
            ASSERT_TRUE(qvtest::WaitUntil([&] {
                client.Poll();
                return client.ReceivedMeter().Total() == head.size();
            }));
        }
        platform::AdvanceManualClock(CClientSock::kStallTimeoutMs - 1);
        client.Poll();
        EXPECT_TRUE(client.errors.empty());
        EXPECT_TRUE(client.IsOpen());
        platform::AdvanceManualClock(1);
        client.Poll();
        EXPECT_EQ(client.errors, std::vector<std::string>({c.reason}));
        EXPECT_FALSE(client.IsOpen());
        peer.Close();
        client.packets.clear();
    }
}

TEST_F(CSocketTest, TheLocalAddressIsLookedUpOncePerConnection) {
    static int lookups = 0;
    lookups = 0;
    SetLocalAddressLookup([] {
        ++lookups;
        return platform::MakeIPv4(10, 0, 0, 9);
    });
    ConnectPair();
    EXPECT_EQ(lookups, 1);
    uint8_t block[30] = {};
    for (int i = 0; i < 3; ++i) {
        uint8_t buffer[73];
        PacketWriter play(buffer);
        PacketManager::SendPlayCharacter(play, "Tester", block, 0);
        const auto wire = FinishPacket(play);
        ASSERT_EQ(wire.size(), 73u);
        EXPECT_EQ(std::vector<uint8_t>(wire.end() - 4, wire.end()), std::vector<uint8_t>({10, 0, 0, 9}));
    }
    EXPECT_EQ(lookups, 1) << "no look-up for a packet that carries the address";
    client.Close();
    peer.Close();
    ConnectPair();
    EXPECT_EQ(lookups, 2);
}

TEST_F(CSocketTest, AFullSocketIsRetriedAndNoByteIsEncipheredTwice) {
    const uint32_t seed = 0x0A0B0C0D;
    ConnectPair(seed);
    client.SetGameMode(true);
    // Queue and flush until the peer, which does not read, makes the socket refuse bytes.
    std::vector<std::vector<uint8_t>> sent;
    int blocked = 0;
    for (int round = 0; round < 2000 && blocked < 3; ++round) {
        while (client.SendFill() < 60000) {
            std::vector<uint8_t> packet =
                VariablePacket(0x1C, 1000 + sent.size() % 200, uint8_t(sent.size()));
            client.Send(std::span<const uint8_t>(packet));
            sent.push_back(std::move(packet));
        }
        const int before = client.SendFill();
        client.Flush();
        ASSERT_TRUE(client.IsOpen());
        if (client.SendFill() == before) ++blocked;
    }
    ASSERT_EQ(blocked, 3) << "the socket never filled up";
    EXPECT_GT(client.SendEncryptedCount(), 0);
    EXPECT_TRUE(client.errors.empty());

    // The peer reads everything while the client flushes the rest.
    std::vector<std::vector<uint8_t>> received;
    testshard::ClientStream stream(testshard::Phase::Game,
                                   [&](const std::vector<uint8_t>& packet) { received.push_back(packet); });
    const uint8_t seedBytes[4] = {0x0A, 0x0B, 0x0C, 0x0D};
    ASSERT_TRUE(stream.Feed(seedBytes, 4));
    uint8_t buffer[65536];
    ASSERT_TRUE(qvtest::WaitUntil(
        [&] {
            client.Flush();
            const long n = peer.Receive(buffer, sizeof buffer, 1);
            if (n > 0) {
                EXPECT_TRUE(stream.Feed(buffer, static_cast<size_t>(n))) << stream.failure();
            }
            return received.size() == sent.size();
        },
        20000));
    for (size_t i = 0; i < sent.size(); ++i)
        ASSERT_EQ(received[i], sent[i]) << "packet " << i;
    EXPECT_EQ(client.SendFill(), 0);
}

TEST_F(CSocketTest, ACleanCloseDeliversWhatArrivedThenEndsTheConnection) {
    ConnectPair();
    std::vector<uint8_t> bytes = {0x55, 0x1B, 0x00, 0x00}; // a whole packet and the start of another
    ASSERT_TRUE(peer.SendAll(bytes.data(), bytes.size()));
    peer.Close();
    ASSERT_TRUE(qvtest::WaitUntil([&] {
        client.Poll();
        return !client.errors.empty();
    }));
    ASSERT_EQ(client.packets.size(), 1u);
    EXPECT_EQ(client.packets[0], std::vector<uint8_t>{0x55});
    EXPECT_EQ(client.errors, std::vector<std::string>{"Exiting due to closed connection."});
    EXPECT_FALSE(client.IsOpen());
}

TEST_F(CSocketTest, MoreThanTheReceiveBufferArrivesWholeOverSeveralPasses) {
    ConnectPair();
    std::vector<uint8_t> stream;
    for (int i = 0; i < 60; ++i) {
        const std::vector<uint8_t> packet = VariablePacket(0x1C, 2500, static_cast<uint8_t>(i));
        stream.insert(stream.end(), packet.begin(), packet.end());
    }
    ASSERT_TRUE(peer.SendAll(stream.data(), stream.size()));
    ASSERT_TRUE(PollFor(60));
    ASSERT_EQ(client.packets.size(), 60u);
    for (int i = 0; i < 60; ++i)
        EXPECT_EQ(client.packets[i][2500 - 1], static_cast<uint8_t>(i));
    EXPECT_EQ(client.ReceivedMeter().Total(), stream.size());
    EXPECT_TRUE(client.errors.empty());
}

TEST_F(CSocketTest, AGamePhaseStreamFedOneByteAtATimeDecodesAsAWhole) {
    const uint32_t seed = 0x11223344;
    ConnectPair(seed);
    client.SetGameMode(true);
    testshard::ServerStream out;
    out.StartGame({0x11, 0x22, 0x33, 0x44}, false);
    const std::vector<std::vector<uint8_t>> packets = {
        {0x55}, VariablePacket(0x1C, 40, 0x61), {0x4F, 0x10}, {0x5B, 1, 2, 3}};
    std::vector<uint8_t> wire;
    for (const auto& packet : packets) {
        const std::vector<uint8_t> encoded = out.Encode(packet);
        wire.insert(wire.end(), encoded.begin(), encoded.end());
    }
    for (size_t i = 0; i < wire.size(); ++i) {
        ASSERT_TRUE(peer.SendAll(&wire[i], 1));
        // Each pass reads the one byte that is there.
        ASSERT_TRUE(qvtest::WaitUntil([&] {
            client.Poll();
            return client.ReceivedMeter().Total() == i + 1;
        }));
    }
    ASSERT_TRUE(PollFor(packets.size()));
    ASSERT_EQ(client.packets.size(), packets.size());
    for (size_t i = 0; i < packets.size(); ++i)
        EXPECT_EQ(qvtest::AsFramed(packets[i]), client.packets[i]) << i;
}

TEST_F(CSocketTest, AnUnknownIdEndsTheConnection) {
    ConnectPair();
    const std::vector<uint8_t> bytes = {0x55, 0xF0, 0x00};
    ASSERT_TRUE(peer.SendAll(bytes.data(), bytes.size()));
    ASSERT_TRUE(PollFor(2));
    EXPECT_EQ(client.packets.size(), 1u);
    ASSERT_EQ(client.errors.size(), 1u);
    EXPECT_EQ(client.errors[0], "unknown packet id 0xF0");
    EXPECT_FALSE(client.IsOpen());
}

TEST_F(CSocketTest, AClosedSocketIsAnErrorUnlessTheClientIsClosingItself) {
    client.Poll();
    EXPECT_FALSE(client.Flush());
    EXPECT_EQ(client.errors, std::vector<std::string>(2, "dunno, select with invalid socket"));
    client.errors.clear();
    SetNetworkQuiet(true);
    client.Poll();
    client.Flush();
    EXPECT_TRUE(client.errors.empty());
}

TEST_F(CSocketTest, ResetForgetsTheConnectionsFlags) {
    ConnectPair();
    client.SetSecondaryShard(true);
    client.SetLoggedIn(true);
    client.SetSeedVariant(true);
    client.SetGameMode(true);
    client.Close();
    EXPECT_FALSE(client.IsOpen());
    EXPECT_FALSE(client.IsSecondaryShard());
    EXPECT_FALSE(client.IsLoggedIn());
    EXPECT_FALSE(client.IsSeedVariant());
    EXPECT_FALSE(client.IsGameMode());
    EXPECT_FALSE(client.Framer().GameMode());
}

TEST(SocketErrorText, NamesTheWinSockErrors) {
    EXPECT_STREQ(SocketErrorText(platform::WSAECONNREFUSED),
                 "The attempt to connect was forcefully rejected.");
    EXPECT_STREQ(SocketErrorText(platform::WSAEWOULDBLOCK),
                 "The socket is marked as nonblocking and no connections are present to be accepted.");
    EXPECT_EQ(std::string(SocketErrorText(platform::WSAECONNRESET))
                  .rfind("The virtual circuit was reset by the remote side executing a 'hard' or 'abortive' "
                         "close.",
                         0),
              0u);
    EXPECT_STREQ(SocketErrorText(10093), "A successful WSAStartup must occur before using this function.");
    EXPECT_STREQ(SocketErrorText(0), "UNKNOWN ERROR.");
    EXPECT_STREQ(SocketErrorText(100000 + 42), "UNKNOWN ERROR.");
}

TEST(CTrafficMeter, KeepsSixtySecondsOfSlots) {
    platform::UseManualClock(0, 0);
    CTrafficMeter meter;
    platform::UseRealClock();
    meter.AddAt(10, 5000);
    meter.AddAt(5, 5999); // the same slot
    meter.AddAt(0, 7000); // nothing counted
    EXPECT_EQ(meter.FirstSlot(), 5u);
    EXPECT_EQ(meter.NextSlot(), 6u);
    EXPECT_EQ(meter.Slots(), std::deque<uint32_t>({15}));
    meter.AddAt(7, 8000); // empty slots in between
    EXPECT_EQ(meter.Slots(), std::deque<uint32_t>({15, 0, 0, 7}));
    meter.AddAt(1, 4000); // older than the first slot
    EXPECT_EQ(meter.Total(), 22u);
    meter.AddAt(1, 65000); // the window slides: slots 6..65
    EXPECT_EQ(meter.NextSlot(), 66u);
    EXPECT_EQ(meter.FirstSlot(), 6u);
    EXPECT_EQ(meter.Slots().size(), 60u);
    EXPECT_EQ(meter.Total(), 8u);
    meter.AddAt(3, 200000); // far beyond the window: it restarts
    EXPECT_EQ(meter.FirstSlot(), 200u);
    EXPECT_EQ(meter.Slots(), std::deque<uint32_t>({3}));
}

} // namespace
