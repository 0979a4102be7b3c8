#pragma once
// The server's window requests read into bounded records, the replies built from the wire layouts,
// and the slots the window layer fills to open each window. net/ names nothing above it: the gump
// layer binds the slots when it starts; an empty slot drops the request with a log line.
#include "net/PacketBuffer.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// ---------------------------------------------------------------- 0xB0 generic gump
struct GenericGumpPacket {
    uint32_t serial = 0;
    uint32_t typeId = 0;
    int32_t x = 0;
    int32_t y = 0;
    std::string layout;                // exactly the layout's own bytes (a zero ends it early)
    std::vector<std::u16string> lines; // in host order
};
// False (and a log line) when any part overruns the packet.
bool ReadGenericGumpPacket(PacketReader& packet, GenericGumpPacket* out);

// ---------------------------------------------------------------- 0xB1 generic gump reply
struct GumpReplyText {
    uint16_t id = 0;
    std::u16string text; // cut to kMaxGumpReplyText units
};
constexpr size_t kMaxGumpReplyText = 239;
// The wire bytes of 0xB1 built in a buffer of its final size; empty (and a log line) when the
// reply would not fit a packet's 65,535 bytes.
std::vector<uint8_t> BuildGumpReply(uint32_t serial, uint32_t typeId, uint32_t buttonId,
                                    const std::vector<uint32_t>& switches,
                                    const std::vector<GumpReplyText>& texts);
// The three-field reply of a double-clicked virtue item: 15 bytes.
std::vector<uint8_t> BuildVirtueReply(uint32_t playerSerial, uint32_t art);

// ---------------------------------------------------------------- sending
// Where the windows' packets go: a test's recorder when one is set, else the current connection.
using ServerWindowSink = std::function<void(const std::vector<uint8_t>& wire)>;
void SetServerWindowSink(ServerWindowSink sink);
// Queues wire bytes (a variable packet's length big-endian); an empty packet sends nothing.
void SendServerWindowPacket(const std::vector<uint8_t>& wire);

// ---------------------------------------------------------------- the windows' slots
struct ServerWindowSlots {
    std::function<void(const GenericGumpPacket&)> genericGump;
};
ServerWindowSlots& GetServerWindowSlots();
void ResetServerWindowSlots();
