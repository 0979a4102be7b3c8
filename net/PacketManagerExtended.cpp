// Packet 0xBF: many small commands under a u16 sub-command. The frame is read here; each
// sub-command's payload is read by its own bounded reader. Sub-commands whose owners are not
// built yet are logged and dropped.
#include "core/QVReport.h"
#include "core/ShardRecord.h"
#include "net/CGameSock.h"
#include "net/NetServices.h"
#include "net/PacketManager.h"
#include "net/ServerWindows.h"

namespace PacketManager {

namespace {

// The payload of every sub-command begins after the u16 sub-command.
constexpr int kPayload = 2;

void HandlePopupMenu(PacketReader& packet) {
    PopupMenuPacket menu;
    if (!ReadPopupMenu(packet, kPayload, &menu)) return;
    ServerWindowSlots& slots = GetServerWindowSlots();
    if (!slots.popupMenu) {
        QVReport::message(
            "PacketManager::HandleExtendedCommand: no window layer for a context menu; dropped.\n");
        return;
    }
    slots.popupMenu(menu);
}

void HandleCloseGenericGumps(PacketReader& packet) {
    int at = kPayload;
    uint32_t typeId = 0, buttonId = 0;
    if (!ReadPacketU32(packet, at, typeId) || !ReadPacketU32(packet, at, buttonId)) {
        QVReport::warning("PacketManager::HandleExtendedCommand: a gump close of %d bytes is cut short; "
                          "dropped.\n",
                          packet.length());
        return;
    }
    ServerWindowSlots& slots = GetServerWindowSlots();
    if (!slots.closeGenericGumps) {
        QVReport::message("PacketManager::HandleExtendedCommand: no window layer to close gumps; dropped.\n");
        return;
    }
    slots.closeGenericGumps(typeId, buttonId);
}

// The map number: the current map on the current connection, else the shard's saved state.
void HandleMapNumber(CGameSock& connection, PacketReader& packet) {
    int at = kPayload;
    uint8_t map = 0;
    if (!ReadPacketU8(packet, at, map)) {
        QVReport::warning("PacketManager::HandleExtendedCommand: a map number of %d bytes is cut short; "
                          "dropped.\n",
                          packet.length());
        return;
    }
    if (&connection == GetCurrentConnection()) {
        GetNetServices().setMap(map);
        return;
    }
    if (ShardRecord* record = CApp::FindShardRecordByConnection(&connection)) record->saved.map = map;
}

} // namespace

void SendPointerClick(PacketWriter& packet, uint8_t button) {
    BeginExtendedCommand(packet, 7);
    WritePacketU8(packet, button);
}

void HandleExtendedCommand(CGameSock& connection, PacketReader& packet) {
    int at = 0;
    uint16_t sub = 0;
    if (!ReadPacketU16(packet, at, sub)) {
        QVReport::warning("PacketManager::HandleExtendedCommand: %d bytes hold no sub-command; dropped.\n",
                          packet.length());
        return;
    }
    switch (sub) {
    case 0x04:
        HandleCloseGenericGumps(packet);
        return;
    case 0x08:
        HandleMapNumber(connection, packet);
        return;
    case 0x14:
        HandlePopupMenu(packet);
        return;
    default:
        QVReport::message("PacketManager::HandleExtendedCommand: sub-command 0x%X of %d bytes not handled; "
                          "dropped.\n",
                          sub, packet.length());
        return;
    }
}

} // namespace PacketManager
