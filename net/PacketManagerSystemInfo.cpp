// The machine description (0xA4) the client sends with the first list of a login, when it changed.
#include "core/HWProfile.h"
#include "core/ShardRecord.h"
#include "net/CGameSock.h"
#include "net/PacketManager.h"

#include <algorithm>
#include <cstring>

namespace PacketManager {

void SendSystemInfo(PacketWriter& packet, const HWProfile& profile) {
    BeginPacket(packet, 0xA4);
    WritePacketU8(packet, profile.processorType);
    WritePacketU16(packet, profile.processorClock);
    WritePacketU8(packet, profile.nProcessors);
    WritePacketBytes(packet, profile.szVideoCardDescrip1, 32);
    WritePacketBytes(packet, profile.szVideoCardDescrip2, 32);
    WritePacketBytes(packet, profile.szModemManufacturer, 32);
    WritePacketBytes(packet, profile.szModemDescrip, 32);
    WritePacketU16(packet, profile.totalRAMInMB);
    WritePacketU16(packet, profile.largestPartitionInMB);
    WritePacketU32(packet, static_cast<uint32_t>(profile.timeZoneBias));
    // Two words the profile has no value for.
    WritePacketU32(packet, 0);
    WritePacketU32(packet, 0);
}

// A clock within a quarter of the smaller one is the same processor measured again.
bool SystemInfoEquals(const HWProfile& stored, const HWProfile& current) {
    const int smaller = std::min(stored.processorClock, current.processorClock);
    const int difference = std::abs(static_cast<int>(stored.processorClock) - current.processorClock);
    return stored.processorType == current.processorType && difference <= smaller / 4 &&
           stored.totalRAMInMB == current.totalRAMInMB &&
           stored.largestPartitionInMB == current.largestPartitionInMB &&
           stored.timeZoneBias == current.timeZoneBias &&
           std::strncmp(stored.szVideoCardDescrip1, current.szVideoCardDescrip1, 32) == 0 &&
           std::strncmp(stored.szVideoCardDescrip2, current.szVideoCardDescrip2, 32) == 0 &&
           std::strncmp(stored.szModemManufacturer, current.szModemManufacturer, 32) == 0 &&
           std::strncmp(stored.szModemDescrip, current.szModemDescrip, 32) == 0;
}

void SendSystemInfoIfChanged(CGameSock* connection) {
    // The profiles were looked at before packets came in; the store is written by the main loop.
    const HWProfile& current = MachineHWProfile();
    const HWProfile* stored = StoredHWProfile();
    if (stored && SystemInfoEquals(*stored, current)) return;
    uint8_t buffer[149];
    PacketWriter packet(buffer);
    SendSystemInfo(packet, current);
    if (connection)
        connection->Send(packet);
    else
        SendPacket(packet);
    QueueHWProfileSave();
}

} // namespace PacketManager
