// The server's answers to a lift: a refusal (0x27) puts the item back where it was; 0x28 and 0x29
// end the wait for the server.
#include "core/QVReport.h"
#include "net/PacketManager.h"
#include "world/ObjectActions.h"
#include "world/WorldHooks.h"

namespace PacketManager {

void HandleLiftRejected(CGameSock&, PacketReader& packet) {
    int offset = 0;
    uint8_t reason = 0;
    if (!ReadPacketU8(packet, offset, reason)) {
        QVReport::warning("PacketManager::HandleLiftRejected: short packet.\n");
        return;
    }
    CObjectManager::RestoreLiftedItem(reason);
    static const char* const kReasons[] = {
        "You can not pick that up.", "That is too far away.", "That is out of sight.",
        "That item does not belong to you.  You'll have to steal it.", "You are already holding an item."};
    if (reason < 5) WorldHook::Call(WorldHook::Table().showSystemMessage, 0, 3, kReasons[reason]);
}

void HandleDropCleared(CGameSock&, PacketReader&) {
    CObjectManager::ClearPickUpPending();
}

void HandleDropDone(CGameSock&, PacketReader&) {
    CObjectManager::ClearPickUpPending();
}

} // namespace PacketManager
