// The builders with which the world asks about objects, and the angle between two points.
#include "net/PacketBuffer.h"
#include "net/PacketManager.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

TEST(WorldBuildersTest, SerialMessagesGoOutAsTheirLayouts) {
    struct Case {
        void (*build)(PacketWriter&, uint32_t);
        Bytes wire;
    };
    const Case cases[] = {
        {PacketManager::SendAttack, {0x05, 0x12, 0x34, 0x56, 0x78}},
        {PacketManager::SendUseObject, {0x06, 0x12, 0x34, 0x56, 0x78}},
        {PacketManager::SendSingleClick, {0x09, 0x12, 0x34, 0x56, 0x78}},
        {PacketManager::SendNameRequest, {0x98, 0x00, 0x07, 0x12, 0x34, 0x56, 0x78}},
    };
    for (const Case& c : cases) {
        uint8_t buffer[16];
        PacketWriter packet(buffer);
        c.build(packet, 0x12345678);
        const auto wire = FinishPacket(packet);
        EXPECT_EQ(Bytes(wire.begin(), wire.end()), c.wire) << int(c.wire[0]);
    }
    uint8_t buffer[8];
    PacketWriter notice(buffer);
    PacketManager::SendDisconnectNotice(notice);
    const auto wire = FinishPacket(notice);
    EXPECT_EQ(Bytes(wire.begin(), wire.end()), Bytes({0x01, 0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST(WorldBuildersTest, AngleBetweenPointsCountsAQuarterTurnAs64) {
    struct Case {
        int x1, y1, x2, y2, angle;
    };
    // East along x is 64; y grows downward, so +y is a quarter further; north is 0, never 256.
    const Case cases[] = {{0, 0, 10, 0, 64}, {0, 0, 0, 10, 128}, {0, 0, -10, 0, 192},
                          {0, 0, 0, -10, 0}, {5, 5, 15, 15, 96}, {0, 0, -10, 1, 188}};
    for (const Case& c : cases)
        EXPECT_EQ(PacketManager::AngleBetweenPoints(c.x1, c.y1, c.x2, c.y2), c.angle)
            << c.x2 - c.x1 << "," << c.y2 - c.y1;
}

} // namespace
