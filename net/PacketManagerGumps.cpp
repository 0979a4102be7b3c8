// Packet 0xB0: a window the server describes completely, handed to the window layer.
#include "core/QVReport.h"
#include "net/PacketManager.h"
#include "net/ServerWindows.h"

namespace PacketManager {

void HandleGenericGump(CGameSock&, PacketReader& packet) {
    GenericGumpPacket gump;
    if (!ReadGenericGumpPacket(packet, &gump)) return;
    ServerWindowSlots& slots = GetServerWindowSlots();
    if (!slots.genericGump) {
        QVReport::message("PacketManager::HandleGenericGump: no window layer; dropped.\n");
        return;
    }
    slots.genericGump(gump);
}

} // namespace PacketManager
