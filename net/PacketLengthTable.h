#pragma once
// The one table of every packet id the client knows: its length, its handler and whether a
// secondary shard connection accepts it. Framing, sending, the readers and dispatch all use it.
#include <cstdint>

class CGameSock;
class PacketReader;
// A handler acts on the connection the packet came in on, never on whichever one is current.
using PacketHandler = void (*)(CGameSock& connection, PacketReader& packet);

struct PacketLengthRow {
    uint32_t id; // equal to the row's index
    const char* name;
    uint32_t length;          // whole packet, id included; kPacketLengthVariable when it carries its own
    PacketHandler handler;    // null: the client ignores the packet
    bool acceptedOnSecondary; // dispatched on a secondary shard connection in game mode
};

constexpr uint32_t kPacketLengthVariable = 0x8000;
constexpr int kPacketIdCount = 0xD5; // ids 0x00-0xD4 have a row

extern const PacketLengthRow PacketLengthTable[kPacketIdCount];

inline bool PacketHasRow(uint32_t id) {
    return id < static_cast<uint32_t>(kPacketIdCount);
}

// The row's length; 0 for an id without a row.
inline uint32_t PacketTableLength(uint32_t id) {
    return PacketHasRow(id) ? PacketLengthTable[id].length : 0;
}

// Variable ids carry their total length big-endian in bytes 1-2.
inline bool IsVariableLengthPacket(uint32_t id) {
    return (PacketTableLength(id) & 0xFFFF & kPacketLengthVariable) != 0;
}

// 3 for a variable id, 1 for a fixed id, 0 for an id without a row.
inline int PacketHeaderSize(uint32_t id) {
    if (!PacketHasRow(id)) return 0;
    return IsVariableLengthPacket(id) ? 3 : 1;
}
