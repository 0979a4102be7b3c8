#include "net/PacketManager.h"

#include "core/QVReport.h"
#include "core/SharedServices.h"
#include "net/PacketManagerText.h"

#include <cstring>

namespace {

struct PacketManagerState {
    bool gameDisplayEntered = false;
    PacketManager::LoginTables tables;
    std::string accountWebSite = "account.varnis-online.example";
};
PacketManagerState g_packets;

} // namespace

namespace PacketManager {

void startup() {
    QVReport::message("PacketManager::startup: begin.\n");
}

// The main window has no menu of its own to destroy.
void shutdown() {
    QVReport::message("PacketManager::shutdown: begin.\n");
}

bool IsGameDisplayEntered() {
    return g_packets.gameDisplayEntered;
}

void SetGameDisplayEntered(bool entered) {
    g_packets.gameDisplayEntered = entered;
}

LoginTables& GetLoginTables() {
    return g_packets.tables;
}

void SetAccountWebSite(const std::string& address) {
    g_packets.accountWebSite = address;
}

const std::string& GetAccountWebSite() {
    return g_packets.accountWebSite;
}

void ResetForTests() {
    g_packets = PacketManagerState{};
}

void SendClientVersion(PacketWriter& packet) {
    BeginPacket(packet, 0xBD);
    const char* version = GetClientVersionString();
    WritePacketBytes(packet, version, std::strlen(version) + 1);
}

void SendVersionToken(PacketWriter& packet, uint32_t value) {
    BeginPacket(packet, 0xBE);
    WritePacketU32(packet, value);
    const char* version = GetClientVersionString();
    WritePacketBytes(packet, version, std::strlen(version) + 1);
}

void SendPing(PacketWriter& packet, uint8_t value) {
    BeginPacket(packet, 0x73);
    WritePacketU8(packet, value);
}

void SendStatusRequest(PacketWriter& packet, uint8_t type, uint32_t serial) {
    BeginPacket(packet, 0x34);
    WritePacketU32(packet, 0xEDEDEDED);
    WritePacketU8(packet, type);
    WritePacketU32(packet, serial);
}

void SendTipRequest(PacketWriter& packet, uint16_t number, uint8_t flag) {
    BeginPacket(packet, 0xA7);
    WritePacketU16(packet, number);
    WritePacketU8(packet, flag);
}

void SendUpdateRange(PacketWriter& packet, uint8_t range) {
    BeginPacket(packet, 0xC8);
    WritePacketU8(packet, range);
}

void BeginExtendedCommand(PacketWriter& packet, uint16_t sub) {
    BeginPacket(packet, 0xBF);
    WritePacketU16(packet, sub);
}

void WriteFixedText(PacketWriter& packet, const char* text, int width) {
    uint8_t* field = ReserveField(packet, static_cast<size_t>(width));
    if (!field) return;
    std::memset(field, 0, static_cast<size_t>(width));
    if (!text) return;
    // A text that fills the field goes without a terminator, as the lists send such names.
    std::memcpy(field, text, strnlen(text, static_cast<size_t>(width)));
}

} // namespace PacketManager
