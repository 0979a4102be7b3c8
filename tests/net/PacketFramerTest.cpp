#include "net/PacketFramer.h"
#include "NetTestPackets.h"
#include "net/GameCipher.h"
#include "support/TestSupport.h"
#include "testshard/Wire.h"

#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace {

using nettest::Packet;
using nettest::RecordingSink;

std::vector<uint8_t> Concat(const std::vector<Packet>& packets) {
    std::vector<uint8_t> out;
    for (const Packet& p : packets)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

std::vector<uint8_t> Compress(const std::vector<Packet>& packets) {
    std::vector<uint8_t> out;
    for (const Packet& p : packets)
        testshard::CompressPacket(p.data(), p.size(), out);
    return out;
}

class PacketFramerTest : public qvtest::CleanState {
  protected:
    // Feeds the bytes in pieces that start at the given cut points.
    std::vector<Packet> FrameInPieces(const std::vector<uint8_t>& bytes, bool game,
                                      const std::vector<size_t>& cuts) {
        RecordingSink sink;
        PacketFramer framer(sink);
        framer.SetGameMode(game);
        size_t from = 0;
        for (size_t cut : cuts) {
            framer.ProcessReceived(bytes.data() + from, cut - from);
            from = cut;
        }
        framer.ProcessReceived(bytes.data() + from, bytes.size() - from);
        EXPECT_TRUE(sink.broken.empty());
        EXPECT_TRUE(sink.hostOrderLengths);
        EXPECT_EQ(framer.BufferedLength(), 0);
        return sink.packets;
    }

    qvtest::ReportRecorder recorder;
};

TEST_F(PacketFramerTest, AnySplitOfTheStreamGivesTheSamePackets) {
    std::mt19937 rng(7);
    std::vector<Packet> packets;
    for (uint8_t id : {0x55, 0x1C, 0xA6, 0x29, 0x1B, 0xBF, 0x31, 0x73, 0xD4, 0xC6}) {
        packets.push_back(nettest::RandomPacket(rng, id, 40));
    }
    for (bool game : {false, true}) {
        SCOPED_TRACE(game ? "game phase" : "login phase");
        const std::vector<uint8_t> stream = game ? Compress(packets) : Concat(packets);
        ASSERT_EQ(FrameInPieces(stream, game, {}), packets);
        for (size_t cut = 1; cut < stream.size(); ++cut) {
            ASSERT_EQ(FrameInPieces(stream, game, {cut}), packets) << "cut at " << cut;
        }
        std::vector<size_t> everyByte;
        for (size_t cut = 1; cut < stream.size(); ++cut)
            everyByte.push_back(cut);
        EXPECT_EQ(FrameInPieces(stream, game, everyByte), packets);
    }
}

TEST_F(PacketFramerTest, ServerEncoderAndClientDecoderRoundTripRandomPackets) {
    std::mt19937 rng(20240601);
    const std::vector<Packet> packets = nettest::RandomPackets(rng, 3000);
    const testshard::SeedBytes seed = {0x7F, 0x00, 0x00, 0x01};
    testshard::ServerStream server;
    server.StartGame(seed, false);
    std::vector<uint8_t> wire;
    for (const Packet& p : packets) {
        const std::vector<uint8_t> bytes = server.Encode(p);
        wire.insert(wire.end(), bytes.begin(), bytes.end());
    }
    ASSERT_GT(wire.size(), static_cast<size_t>(2 * PacketFramer::kBufferSize)) << "the buffer must fill";

    CGameCipher cipher;
    cipher.Init(GameCipherKey(0x7F000001, false));
    ReceiveKey key;
    key.Init(cipher.GetBlock());
    RecordingSink sink;
    PacketFramer framer(sink);
    framer.SetGameMode(true);
    for (size_t at = 0; at < wire.size();) {
        const size_t size = std::min<size_t>(wire.size() - at, 1 + rng() % 3000);
        key.Apply(wire.data() + at, size);
        framer.ProcessReceived(wire.data() + at, size);
        at += size;
    }
    framer.ProcessReceived(wire.data(), 0);
    EXPECT_EQ(sink.packets, packets);
    EXPECT_TRUE(sink.broken.empty());

    // All of it in one read: the buffer fills and drains within one call.
    RecordingSink once;
    PacketFramer whole(once);
    whole.SetGameMode(true);
    std::vector<uint8_t> plain = Compress(packets);
    whole.ProcessReceived(plain.data(), plain.size());
    EXPECT_EQ(once.packets, packets);
}

TEST_F(PacketFramerTest, AOneBytePacketIsFramedAtOnce) {
    for (bool game : {false, true}) {
        RecordingSink sink;
        PacketFramer framer(sink);
        framer.SetGameMode(game);
        const std::vector<uint8_t> bytes =
            game ? testshard::CompressPacket({0x55}) : std::vector<uint8_t>{0x55};
        framer.ProcessReceived(bytes.data(), bytes.size());
        EXPECT_EQ(sink.packets, (std::vector<Packet>{{0x55}})) << game;
    }
}

TEST_F(PacketFramerTest, AVariablePacketWaitsForItsWholeLengthField) {
    RecordingSink sink;
    PacketFramer framer(sink);
    const uint8_t head[] = {0x1C, 0x00};
    framer.ProcessReceived(head, 2);
    EXPECT_TRUE(sink.packets.empty());
    EXPECT_TRUE(sink.broken.empty());
    const uint8_t rest[] = {0x05, 'a', 'b'};
    framer.ProcessReceived(rest, 2);
    EXPECT_TRUE(sink.packets.empty());
    framer.ProcessReceived(rest + 2, 1);
    EXPECT_EQ(sink.packets, (std::vector<Packet>{{0x1C, 0x00, 0x05, 'a', 'b'}}));
}

TEST_F(PacketFramerTest, AnUnframeableStreamIsReportedAndTheRestDropped) {
    const std::vector<std::vector<uint8_t>> cases = {
        {0x73, 0x00, 0xD5, 0x01},       // an id without a row
        {0x73, 0x00, 0x1C, 0x00, 0x00}, // a length of 0
        {0x73, 0x00, 0x1C, 0x00, 0x02}, // a length shorter than the header
        {0x73, 0x00, 0xBF, 0x00, 0x01, 0x73, 0x00},
    };
    for (const std::vector<uint8_t>& bytes : cases) {
        SCOPED_TRACE(bytes[2]);
        recorder.clear();
        RecordingSink sink;
        PacketFramer framer(sink);
        framer.ProcessReceived(bytes.data(), bytes.size());
        EXPECT_EQ(sink.packets, (std::vector<Packet>{{0x73, 0x00}}));
        ASSERT_EQ(sink.broken.size(), 1u);
        EXPECT_TRUE(framer.IsBroken());
        EXPECT_TRUE(recorder.contains(QVReport::Level::Error, "PacketFramer::ProcessReceived: "));
        const uint8_t more[] = {0x73, 0x00};
        framer.ProcessReceived(more, 2);
        EXPECT_EQ(sink.packets.size(), 1u);
        EXPECT_EQ(sink.broken.size(), 1u);

        framer.Reset(); // a new connection starts clean
        framer.ProcessReceived(more, 2);
        EXPECT_EQ(sink.packets.size(), 2u);
    }
}

TEST_F(PacketFramerTest, AGroupIsDeliveredAtItsClose) {
    std::mt19937 rng(3);
    const Packet a = nettest::RandomPacket(rng, 0x1C, 50), b = nettest::RandomPacket(rng, 0x77);
    const Packet open = {0x33, 0x01}, close = {0x33, 0x00};
    for (bool game : {false, true}) {
        SCOPED_TRACE(game);
        RecordingSink sink;
        PacketFramer framer(sink);
        framer.SetGameMode(game);
        auto feed = [&](const std::vector<Packet>& packets) {
            const std::vector<uint8_t> bytes = game ? Compress(packets) : Concat(packets);
            framer.ProcessReceived(bytes.data(), bytes.size());
        };
        feed({open, a});
        feed({open, b}); // a second opening inside the group is dropped
        EXPECT_EQ(sink.packets, (std::vector<Packet>{open}));
        EXPECT_TRUE(framer.IsGrouping());
        EXPECT_EQ(framer.HeldCount(), 2);
        feed({close, a});
        EXPECT_EQ(sink.packets, (std::vector<Packet>{open, a, b, a}));
        EXPECT_FALSE(framer.IsGrouping());
        EXPECT_EQ(framer.BufferedLength(), 0);
        EXPECT_EQ(framer.ReadOffset(), 0);
        EXPECT_TRUE(sink.hostOrderLengths);
    }
}

TEST_F(PacketFramerTest, AGroupThatOutgrowsTheBufferIsReleasedEarly) {
    std::mt19937 rng(11);
    std::vector<Packet> big;
    for (int i = 0; i < 5; ++i)
        big.push_back(nettest::RandomPacket(rng, 0xB0, 3)); // resized below
    for (Packet& p : big) {
        p.resize(20000);
        p[1] = static_cast<uint8_t>(20000 >> 8);
        p[2] = static_cast<uint8_t>(20000 & 0xFF);
    }
    const Packet open = {0x33, 0x01}, close = {0x33, 0x00};
    std::vector<Packet> stream = {open};
    stream.insert(stream.end(), big.begin(), big.end());
    stream.push_back(close);
    RecordingSink sink;
    PacketFramer framer(sink);
    size_t seenAtFourth = 0;
    sink.onPacket = [&](const Packet&) {
        if (sink.packets.size() == 4) seenAtFourth = framer.HeldCount();
    };
    const std::vector<uint8_t> bytes = Concat(stream);
    framer.ProcessReceived(bytes.data(), bytes.size());
    // Three held packets (60,000 bytes) and a fourth of 20,000 pass 65,536: the three go at once,
    // and the rest of the group arrives packet by packet, its close too.
    std::vector<Packet> expected = {open};
    expected.insert(expected.end(), big.begin(), big.end());
    expected.push_back(close);
    EXPECT_EQ(sink.packets, expected);
    EXPECT_EQ(seenAtFourth, 3u);
    EXPECT_FALSE(framer.IsGrouping());
    EXPECT_EQ(framer.BufferedLength(), 0);
}

TEST_F(PacketFramerTest, AHandlerThatClosesTheConnectionStopsFraming) {
    std::mt19937 rng(5);
    const std::vector<Packet> packets = nettest::RandomPackets(rng, 6);
    for (bool reset : {false, true}) {
        RecordingSink sink;
        PacketFramer framer(sink);
        sink.onPacket = [&](const Packet&) {
            if (sink.packets.size() != 2) return;
            if (reset)
                framer.Reset(); // the connection was reopened under the framer
            else
                sink.open = false;
        };
        const std::vector<uint8_t> bytes = Concat(packets);
        framer.ProcessReceived(bytes.data(), bytes.size());
        EXPECT_EQ(sink.packets.size(), 2u) << reset;
        EXPECT_TRUE(sink.broken.empty());
    }
}

TEST_F(PacketFramerTest, AHandlerThatClosesTheConnectionStopsAGroupRelease) {
    const Packet open = {0x33, 0x01}, close = {0x33, 0x00}, a = {0x29}, b = {0x31};
    RecordingSink sink;
    PacketFramer framer(sink);
    sink.onPacket = [&](const Packet& p) {
        if (p == a) sink.open = false;
    };
    const std::vector<uint8_t> bytes = Concat({open, a, b, close});
    framer.ProcessReceived(bytes.data(), bytes.size());
    EXPECT_EQ(sink.packets, (std::vector<Packet>{open, a}));
}

} // namespace
