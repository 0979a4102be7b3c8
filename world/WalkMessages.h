#pragma once
// The builders of the player's walking and actions on world objects (their handlers are declared
// with the others in net/PacketManager.h and defined beside the code they drive).
#include "net/PacketBuffer.h"

#include <cstdint>

namespace PacketManager {
void SendMoveRequest(PacketWriter& packet, uint8_t direction, uint8_t sequence, uint32_t key); // 0x02
void SendResyncRequest(PacketWriter& packet);                                                  // 0x22
void SendPickUpItem(PacketWriter& packet, uint32_t serial, uint16_t amount);                   // 0x07
// x = y = 0xFFFF puts the item into the target; target 0xFFFFFFFF is the ground.
void SendDropItem(PacketWriter& packet, uint32_t serial, uint16_t x, uint16_t y, int8_t z,
                  uint32_t target); // 0x08
} // namespace PacketManager
