#include "net/PacketBuffer.h"
#include "support/TestSupport.h"

#include <array>
#include <cstring>
#include <gtest/gtest.h>
#include <vector>

namespace {

class PacketBufferTest : public qvtest::CleanState {
  protected:
    qvtest::ReportRecorder recorder;
};

std::vector<uint8_t> Bytes(std::span<const uint8_t> span) {
    return {span.begin(), span.end()};
}

uint16_t HostU16(const uint8_t* at) {
    uint16_t v;
    std::memcpy(&v, at, 2);
    return v;
}

TEST_F(PacketBufferTest, FixedPacketsGoOutAtTheirTableLengthWithUnwrittenFieldsZero) {
    uint8_t buffer[16];
    std::memset(buffer, 0xCC, sizeof buffer);
    PacketWriter keepAlive(buffer);
    BeginPacket(keepAlive, 0x73);
    WritePacketU8(keepAlive, 0);
    EXPECT_EQ(Bytes(FinishPacket(keepAlive)), (std::vector<uint8_t>{0x73, 0x00}));

    std::memset(buffer, 0xCC, sizeof buffer);
    PacketWriter drop(buffer);
    BeginPacket(drop, 0x08); // 14 bytes: serial, x, y, z, target
    WritePacketU32(drop, 0x40001234);
    WritePacketU16(drop, 0xFFFF);
    EXPECT_EQ(GetPacketLength(drop), 14);
    EXPECT_EQ(Bytes(FinishPacket(drop)),
              (std::vector<uint8_t>{0x08, 0x40, 0x00, 0x12, 0x34, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(PacketBufferTest, VariablePacketsKeepTheirLengthInHostOrderUntilFinished) {
    uint8_t buffer[32];
    PacketWriter packet(buffer);
    BeginPacket(packet, 0xBF);
    EXPECT_EQ(HostU16(buffer + 1), 3);
    WritePacketU16(packet, 5);
    EXPECT_EQ(HostU16(buffer + 1), 5);
    EXPECT_EQ(GetPacketLength(buffer, sizeof buffer), 5);
    const char16_t text[] = u"Hi";
    WritePacketUnicode(packet, text, 2); // units as held in memory
    WritePacketBytes(packet, "ab", 2);
    EXPECT_EQ(GetPacketLength(packet), 11);
    const uint8_t h0 = reinterpret_cast<const uint8_t*>(text)[0];
    const uint8_t h1 = reinterpret_cast<const uint8_t*>(text)[1];
    EXPECT_EQ(
        Bytes(FinishPacket(packet)),
        (std::vector<uint8_t>{0xBF, 0x00, 0x0B, 0x00, 0x05, h0, h1, reinterpret_cast<const uint8_t*>(text)[2],
                              reinterpret_cast<const uint8_t*>(text)[3], 'a', 'b'}));
}

TEST_F(PacketBufferTest, WritersRefuseToPassTheirCapacity) {
    struct Case {
        const char* what;
        uint8_t id;
        size_t capacity;
        size_t u32Writes;
    };
    const Case cases[] = {
        {"variable packet in a small buffer", 0xBF, 10, 2},  // 3 + 4 fits, 3 + 8 does not
        {"fixed packet past its table length", 0x06, 64, 2}, // 5 bytes: id + one u32
        {"fixed packet larger than the buffer", 0x80, 16, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::array<uint8_t, 80> storage;
        storage.fill(0xEE);
        PacketWriter packet(storage.data(), c.capacity);
        BeginPacket(packet, c.id);
        for (size_t i = 0; i < c.u32Writes; ++i)
            WritePacketU32(packet, 0x01020304);
        EXPECT_TRUE(packet.overflowed());
        EXPECT_TRUE(FinishPacket(packet).empty());
        for (size_t i = c.capacity; i < storage.size(); ++i)
            ASSERT_EQ(storage[i], 0xEE) << "wrote at " << i;
        EXPECT_TRUE(recorder.contains(QVReport::Level::Error, "packet 0x"));
    }
}

TEST_F(PacketBufferTest, EachWriterKeepsItsOwnCursor) {
    uint8_t a[5], b[5];
    PacketWriter first(a), second(b);
    BeginPacket(first, 0x06);
    BeginPacket(second, 0x09);
    WritePacketU32(first, 0x11111111);
    WritePacketU32(second, 0x22222222);
    EXPECT_EQ(Bytes(FinishPacket(first)), (std::vector<uint8_t>{0x06, 0x11, 0x11, 0x11, 0x11}));
    EXPECT_EQ(Bytes(FinishPacket(second)), (std::vector<uint8_t>{0x09, 0x22, 0x22, 0x22, 0x22}));
}

TEST_F(PacketBufferTest, WritingWithoutBeginOrAfterFinishIsRefused) {
    uint8_t buffer[8];
    PacketWriter never(buffer);
    WritePacketU8(never, 1);
    EXPECT_TRUE(never.overflowed());
    EXPECT_TRUE(FinishPacket(never).empty());

    PacketWriter finished(buffer);
    BeginPacket(finished, 0x73);
    WritePacketU8(finished, 0);
    ASSERT_EQ(FinishPacket(finished).size(), 2u);
    WritePacketU8(finished, 1);
    EXPECT_TRUE(finished.overflowed());

    PacketWriter unknown(buffer);
    BeginPacket(unknown, 0xE0); // no row: nothing can be sent
    EXPECT_TRUE(FinishPacket(unknown).empty());
}

// A received packet as framing hands it over: variable lengths in host order.
std::vector<uint8_t> Received(std::vector<uint8_t> bytes) {
    if (IsVariableLengthPacket(bytes[0])) {
        const uint16_t length = static_cast<uint16_t>(bytes.size());
        std::memcpy(bytes.data() + 1, &length, 2);
    }
    return bytes;
}

TEST_F(PacketBufferTest, IntegerReadsStopAtTheEndOfThePacket) {
    const std::vector<uint8_t> bytes = Received({0x06, 0xDE, 0xAD, 0xBE, 0xEF}); // fixed, 5 bytes
    PacketReader packet(bytes.data(), bytes.size());
    int offset = 0;
    uint32_t u32 = 1;
    EXPECT_TRUE(ReadPacketU32(packet, offset, u32));
    EXPECT_EQ(u32, 0xDEADBEEFu);
    EXPECT_FALSE(packet.bad());
    EXPECT_FALSE(ReadPacketU32(packet, offset, u32));
    EXPECT_EQ(u32, 0u);
    EXPECT_EQ(offset, 4);
    EXPECT_TRUE(packet.bad());

    offset = 3; // the last single byte
    uint16_t u16 = 1;
    EXPECT_FALSE(ReadPacketU16(packet, offset, u16));
    EXPECT_EQ(u16, 0);
    EXPECT_EQ(offset, 3);
    uint8_t u8 = 0;
    EXPECT_TRUE(ReadPacketU8(packet, offset, u8));
    EXPECT_EQ(u8, 0xEF);
    EXPECT_TRUE(packet.bad()) << "the mark stays";

    offset = -1;
    EXPECT_FALSE(ReadPacketU8(packet, offset, u8));
    EXPECT_EQ(offset, -1);
}

TEST_F(PacketBufferTest, ByteAndStringReadsStayInsideThePacket) {
    // 0x12 is variable: text command with type and a terminated text, then a text without terminator.
    const std::vector<uint8_t> bytes = Received({0x12, 0, 0, 0x24, 'h', 'i', 0, 'x', 'y'});
    PacketReader packet(bytes.data(), bytes.size());
    EXPECT_EQ(packet.length(), 9);
    int offset = 1;
    const char* text = nullptr;
    EXPECT_TRUE(ReadPacketString(packet, offset, text));
    EXPECT_STREQ(text, "hi");
    EXPECT_EQ(offset, 4);
    EXPECT_FALSE(ReadPacketString(packet, offset, text));
    EXPECT_EQ(text, nullptr);
    EXPECT_EQ(offset, 4);
    EXPECT_TRUE(packet.bad());

    const uint8_t* field = nullptr;
    EXPECT_TRUE(ReadPacketBytes(packet, offset, field, 2));
    EXPECT_EQ(field, bytes.data() + 7);
    EXPECT_FALSE(ReadPacketBytes(packet, offset, field, 1));
    EXPECT_EQ(field, nullptr);
    EXPECT_EQ(offset, 6);
    offset = 0;
    EXPECT_FALSE(ReadPacketBytes(packet, offset, field, 0x7FFFFFFF));
    EXPECT_FALSE(ReadPacketBytes(packet, offset, field, -1));
    EXPECT_EQ(offset, 0);
}

TEST_F(PacketBufferTest, FixedWidthTextEndsAtItsWidthOrItsFirstZero) {
    const std::vector<uint8_t> bytes = Received({0x98, 0, 0, 'a', 'b', 'c', 'd', 'e', 'f', 0, 'g'});
    PacketReader packet(bytes.data(), bytes.size());
    struct Case {
        int offset;
        int width;
        bool ok;
        const char* text;
        int after;
    };
    const Case cases[] = {
        {0, 4, true, "abcd", 4}, // no terminator inside the width
        {2, 6, true, "cdef", 8}, // stops at the zero, moves over the whole width
        {6, 2, true, "", 8},     // starts at the zero
        {4, 5, false, "", 4},    // reaches past the end
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.offset);
        int offset = c.offset;
        std::string out = "junk";
        EXPECT_EQ(ReadPacketFixedText(packet, offset, c.width, out), c.ok);
        EXPECT_EQ(out, c.text);
        EXPECT_EQ(offset, c.after);
    }
}

TEST_F(PacketBufferTest, ReaderLengthNeverPassesTheBytesItWasGiven) {
    std::vector<uint8_t> bytes = {0x1C, 0, 0, 1, 2}; // claims 0x1000 bytes
    const uint16_t claimed = 0x1000;
    std::memcpy(bytes.data() + 1, &claimed, 2);
    PacketReader longClaim(bytes.data(), bytes.size());
    EXPECT_EQ(longClaim.length(), 5);

    const uint8_t cut[] = {0x1C, 0x05};
    PacketReader tooShort(cut, sizeof cut);
    EXPECT_EQ(tooShort.length(), 0);
    int offset = 0;
    uint8_t value = 9;
    EXPECT_FALSE(ReadPacketU8(tooShort, offset, value));

    const uint8_t unknown[] = {0xD5, 1, 2, 3};
    EXPECT_EQ(GetPacketLength(unknown, sizeof unknown), 0);
    EXPECT_EQ(PacketReader(unknown, sizeof unknown).length(), 0);
}

} // namespace
