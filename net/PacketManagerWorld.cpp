// The small builders with which the world and the windows ask about objects: attack, use, single
// click and name; the disconnect notice; and the angle between two points.
#include "net/PacketBuffer.h"
#include "net/PacketManager.h"

#include <cmath>
#include <numbers>

namespace PacketManager {
namespace {

void SerialPacket(PacketWriter& packet, uint8_t id, uint32_t serial) {
    BeginPacket(packet, id);
    WritePacketU32(packet, serial);
}

// Radians as a 0..255 angle: a full turn is 256 steps.
int RadiansToAngle256(double radians) {
    int a = static_cast<int>(std::lround(radians * 128.0 / std::numbers::pi));
    a %= 256;
    return a < 0 ? a + 256 : a;
}

} // namespace

void SendAttack(PacketWriter& packet, uint32_t serial) {
    SerialPacket(packet, 0x05, serial);
}

void SendUseObject(PacketWriter& packet, uint32_t serial) {
    SerialPacket(packet, 0x06, serial);
}

void SendSingleClick(PacketWriter& packet, uint32_t serial) {
    SerialPacket(packet, 0x09, serial);
}

void SendNameRequest(PacketWriter& packet, uint32_t serial) {
    SerialPacket(packet, 0x98, serial);
}

void SendDisconnectNotice(PacketWriter& packet) {
    SerialPacket(packet, 0x01, 0xFFFFFFFF);
}

int AngleBetweenPoints(int x1, int y1, int x2, int y2) {
    int a = RadiansToAngle256(std::atan2(static_cast<double>(y2 - y1), static_cast<double>(x2 - x1))) + 64;
    // Straight north sums to 256 itself, which is 0 again.
    if (a >= 256) a -= 256;
    return a;
}

} // namespace PacketManager
