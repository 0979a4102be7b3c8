#include "net/PacketLengthTable.h"
#include "testshard/Wire.h"

#include <gtest/gtest.h>
#include <set>

namespace {

// The test server keeps the table as the "id:length" text it was written from.
TEST(PacketLengthTable, EveryRowMatchesTheTextTable) {
    for (int id = 0; id < kPacketIdCount; ++id) {
        SCOPED_TRACE(id);
        const PacketLengthRow& row = PacketLengthTable[id];
        EXPECT_EQ(row.id, static_cast<uint32_t>(id));
        // A row names its handler, and only a row with a handler has a name.
        EXPECT_EQ(row.name[0] != '\0', row.handler != nullptr);
        const int expected = testshard::PacketLength(static_cast<uint8_t>(id));
        ASSERT_NE(expected, 0) << "the text table has no row for this id";
        if (expected == testshard::kVariable) {
            EXPECT_EQ(row.length, kPacketLengthVariable);
            EXPECT_TRUE(IsVariableLengthPacket(id));
            EXPECT_EQ(PacketHeaderSize(id), 3);
        } else {
            EXPECT_EQ(row.length, static_cast<uint32_t>(expected));
            EXPECT_FALSE(IsVariableLengthPacket(id));
            EXPECT_EQ(PacketHeaderSize(id), 1);
        }
    }
}

TEST(PacketLengthTable, IdsPastTheTableHaveNoLength) {
    for (int id = kPacketIdCount; id < 256; ++id) {
        EXPECT_FALSE(PacketHasRow(id));
        EXPECT_EQ(PacketTableLength(id), 0u);
        EXPECT_FALSE(IsVariableLengthPacket(id));
        EXPECT_EQ(PacketHeaderSize(id), 0);
        EXPECT_EQ(testshard::PacketLength(static_cast<uint8_t>(id)), 0);
    }
}

TEST(PacketLengthTable, SecondaryConnectionsAcceptTheirTwelveIds) {
    const std::set<int> accepted = {0x0E, 0x1B, 0x33, 0x35, 0x73, 0x8C, 0xA9, 0xBD, 0xBE, 0xBF, 0xC3, 0xCB};
    for (int id = 0; id < kPacketIdCount; ++id) {
        EXPECT_EQ(PacketLengthTable[id].acceptedOnSecondary, accepted.count(id) == 1) << id;
    }
}

} // namespace
