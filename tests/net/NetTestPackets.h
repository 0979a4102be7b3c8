#pragma once
// Packets for the framing tests: random ones of every id, and a sink that records what it gets.
#include "net/PacketFramer.h"
#include "net/PacketLengthTable.h"

#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace nettest {

using Packet = std::vector<uint8_t>;

// A packet of the id's length (variable ones 3..maxVariable bytes), its length big-endian as sent.
// Bytes lean to small values, as real packets do, so short and long codes both occur.
inline Packet RandomPacket(std::mt19937& rng, uint8_t id, int maxVariable = 300) {
    int length = static_cast<int>(PacketTableLength(id));
    if (IsVariableLengthPacket(id)) length = std::uniform_int_distribution<int>(3, maxVariable)(rng);
    Packet p(length);
    p[0] = id;
    for (int i = 1; i < length; ++i) {
        const int kind = static_cast<int>(rng() % 4);
        p[i] = kind == 0 ? 0 : kind == 1 ? static_cast<uint8_t>(rng() % 16) : static_cast<uint8_t>(rng());
    }
    if (IsVariableLengthPacket(id)) {
        p[1] = static_cast<uint8_t>(length >> 8);
        p[2] = static_cast<uint8_t>(length);
    }
    return p;
}

// Any id with a row except 0x33, which opens and closes groups.
inline Packet RandomPacket(std::mt19937& rng) {
    uint8_t id;
    do
        id = static_cast<uint8_t>(rng() % kPacketIdCount);
    while (id == 0x33);
    return RandomPacket(rng, id);
}

inline std::vector<Packet> RandomPackets(std::mt19937& rng, int count) {
    std::vector<Packet> packets;
    for (int i = 0; i < count; ++i)
        packets.push_back(RandomPacket(rng));
    return packets;
}

class RecordingSink : public PacketSink {
  public:
    void HandlePacket(uint8_t* packet, int length) override {
        Packet p(packet, packet + length);
        if (IsVariableLengthPacket(p[0])) {
            uint16_t host;
            std::memcpy(&host, packet + 1, 2);
            if (host != length) hostOrderLengths = false;
            p[1] = static_cast<uint8_t>(length >> 8); // back to the wire form for comparisons
            p[2] = static_cast<uint8_t>(length);
        }
        packets.push_back(std::move(p));
        if (onPacket) onPacket(packets.back());
    }
    bool IsOpen() const override { return open; }
    void OnStreamBroken(const char* reason) override { broken.push_back(reason); }

    std::vector<Packet> packets;
    std::vector<std::string> broken;
    bool open = true;
    bool hostOrderLengths = true;
    std::function<void(const Packet&)> onPacket;
};

} // namespace nettest
