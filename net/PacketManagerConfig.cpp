// Packet 0xD0: a configuration file the server keeps, both ways.
#include "core/Options.h"
#include "core/QVReport.h"
#include "core/ServerConfigSync.h"
#include "net/NetServices.h"
#include "net/PacketManager.h"
#include "net/ServerWindows.h"

#include <cstdio>

namespace PacketManager {

void HandleConfigFile(CGameSock&, PacketReader& packet) {
    int at = 0;
    uint8_t slot = 0;
    if (!ReadPacketU8(packet, at, slot)) {
        QVReport::warning("PacketManager::HandleConfigFile: packet of %d bytes is short; dropped.\n",
                          packet.length());
        return;
    }
    const int length = packet.length() - packet.headerSize() - at;
    const uint8_t* data = nullptr;
    if (length > 0 && !ReadPacketBytes(packet, at, data, length)) return;
    if (!CServerConfigSync::IsEnabled()) return;
    CServerConfigSync::ReceiveFile(slot, data, length > 0 ? static_cast<size_t>(length) : 0);
    if (RuntimeDebugMsg) {
        char line[64];
        std::snprintf(line, sizeof line, "Got config file packet from server!  File %d.", slot);
        GetNetServices().showSystemMessage(33, 3, line);
    }
}

void SendConfigFile(PacketWriter& packet, uint8_t slot, size_t length, const uint8_t* data) {
    BeginPacket(packet, 0xD0);
    WritePacketU8(packet, slot);
    if (length > 0) WritePacketBytes(packet, data, length);
}

void BindServerConfigSync() {
    CServerConfigSync::Services& s = CServerConfigSync::GetServices();
    s.inWorld = IsGameDisplayEntered;
    s.send = [](int slot, const std::vector<uint8_t>& compressed) {
        std::vector<uint8_t> buffer(4 + compressed.size());
        PacketWriter writer(buffer.data(), buffer.size());
        SendConfigFile(writer, static_cast<uint8_t>(slot), compressed.size(), compressed.data());
        std::span<const uint8_t> wire = FinishPacket(writer);
        SendServerWindowPacket(std::vector<uint8_t>(wire.begin(), wire.end()));
    };
    s.systemMessage = [](const char* line) { GetNetServices().showSystemMessage(33, 3, line); };
}

} // namespace PacketManager
