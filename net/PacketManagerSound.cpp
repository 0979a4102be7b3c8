// Packet 0x54: a sound effect at a place, or the ambient loop (mode 0); packet 0x6D: a song.
#include "core/DefManager.h"
#include "core/QVReport.h"
#include "net/NetServices.h"
#include "net/PacketBuffer.h"
#include "net/PacketManager.h"

namespace PacketManager {

void HandlePlaySound(CGameSock&, PacketReader& packet) {
    int at = 0;
    uint8_t mode = 0;
    uint16_t id = 0, volume = 0, x = 0, y = 0, z = 0;
    if (!ReadPacketU8(packet, at, mode) || !ReadPacketU16(packet, at, id) ||
        !ReadPacketU16(packet, at, volume) || !ReadPacketU16(packet, at, x) ||
        !ReadPacketU16(packet, at, y) || !ReadPacketU16(packet, at, z)) {
        QVReport::warning("PacketManager::HandlePlaySound: packet of %d bytes is short; dropped.\n",
                          packet.length());
        return;
    }
    NetServices& services = GetNetServices();
    if (mode == 0) {
        services.playAmbientSound(id);
        return;
    }
    int sound = id;
    const bool exempt = DefManager::IsBodyConvLoaded() && (DefManager::GetFeatureFlags() & 2) != 0;
    const DefTable* table = DefManager::GetTable(DefManager::Sound);
    if (!exempt && table && table->Contains(sound)) sound = table->PickAlternative(sound, 0);
    if (sound > 1237) return;
    if (services.recordSound && services.recordSound(sound, x, y, z)) return;
    services.playSoundAt(sound, x, y);
}

void HandlePlayMusic(CGameSock&, PacketReader& packet) {
    int at = 0;
    uint16_t song = 0;
    if (!ReadPacketU16(packet, at, song)) {
        QVReport::warning("PacketManager::HandlePlayMusic: packet of %d bytes is short; dropped.\n",
                          packet.length());
        return;
    }
    GetNetServices().playSong(song, 1, false);
}

} // namespace PacketManager
