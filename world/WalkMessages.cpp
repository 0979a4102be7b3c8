// The walk messages: the server's acknowledgements (0x22), refusals (0x21), placements of the player
// (0x20), pushes (0x97) and walk requests (0x38), and the client's requests.
#include "world/WalkMessages.h"

#include "core/DefManager.h"
#include "core/QVReport.h"
#include "net/PacketManager.h"
#include "world/MapManager.h"
#include "world/PlayerWalk.h"
#include "world/Terrain.h"
#include "world/WorldHooks.h"
#include "world/objects.h"

namespace PacketManager {

void SendMoveRequest(PacketWriter& packet, uint8_t direction, uint8_t sequence, uint32_t key) {
    BeginPacket(packet, 0x02);
    WritePacketU8(packet, direction);
    WritePacketU8(packet, sequence);
    WritePacketU32(packet, key);
}

void SendResyncRequest(PacketWriter& packet) {
    BeginPacket(packet, 0x22);
    WritePacketU8(packet, 0);
    WritePacketU8(packet, 0);
}

void SendPickUpItem(PacketWriter& packet, uint32_t serial, uint16_t amount) {
    BeginPacket(packet, 0x07);
    WritePacketU32(packet, serial);
    WritePacketU16(packet, amount);
}

void SendDropItem(PacketWriter& packet, uint32_t serial, uint16_t x, uint16_t y, int8_t z, uint32_t target) {
    BeginPacket(packet, 0x08);
    WritePacketU32(packet, serial);
    WritePacketU16(packet, x);
    WritePacketU16(packet, y);
    WritePacketU8(packet, static_cast<uint8_t>(z));
    WritePacketU32(packet, target);
}

void HandleMoveAck(CGameSock&, PacketReader& packet) {
    int offset = 0;
    uint8_t sequence = 0, notoriety = 0;
    if (!ReadPacketU8(packet, offset, sequence) || !ReadPacketU8(packet, offset, notoriety)) {
        QVReport::warning("PacketManager::HandleMoveAck: short packet.\n");
        return;
    }
    if (pPlayerObject) pPlayerObject->SetNotoriety(notoriety);
    PlayerWalk::HandleWalkAck(sequence);
}

void HandleMoveReject(CGameSock&, PacketReader& packet) {
    int offset = 0;
    uint8_t sequence = 0, facing = 0, z = 0;
    uint16_t x = 0, y = 0;
    if (!ReadPacketU8(packet, offset, sequence) || !ReadPacketU16(packet, offset, x) ||
        !ReadPacketU16(packet, offset, y) || !ReadPacketU8(packet, offset, facing) ||
        !ReadPacketU8(packet, offset, z)) {
        QVReport::warning("PacketManager::HandleMoveReject: short packet.\n");
        return;
    }
    PlayerWalk::ResetWalk(sequence, x, y, static_cast<int8_t>(z));
    // Bit 7 is the running flag; the facing indexes eight-entry tables.
    if (pPlayerObject) pPlayerObject->facing = facing & 7;
}

void HandlePlayerUpdate(CGameSock&, PacketReader& packet) {
    int offset = 0;
    uint32_t serial = 0;
    uint16_t body = 0, hue = 0, x = 0, y = 0, map = 0;
    uint8_t unused = 0, flags = 0, facing = 0, z = 0;
    if (!ReadPacketU32(packet, offset, serial) || !ReadPacketU16(packet, offset, body) ||
        !ReadPacketU8(packet, offset, unused) || !ReadPacketU16(packet, offset, hue) ||
        !ReadPacketU8(packet, offset, flags) || !ReadPacketU16(packet, offset, x) ||
        !ReadPacketU16(packet, offset, y) || !ReadPacketU16(packet, offset, map) ||
        !ReadPacketU8(packet, offset, facing) || !ReadPacketU8(packet, offset, z)) {
        QVReport::warning("PacketManager::HandlePlayerUpdate: short packet.\n");
        return;
    }
    CPlayerMobile* p = pPlayerObject;
    if (!p || serial != p->serial) return;
    PlayerWalk::Unblock();
    const int cz = static_cast<int8_t>(z);
    MapManager::SetCenter(x, y, cz, MapManager::GetViewKey());
    if (p->listed) p->RemoveFromDrawList();
    p->MoveTo(static_cast<uint32_t>(x) | static_cast<uint32_t>(y) << 16, cz);
    p->SetGraphic(body & 0x3FFF, hue);
    p->hue = hue;
    p->facing = facing & 7;
    const uint8_t oldFlags = p->status;
    p->status = flags;
    PlayerWalk::ResetWalk(-1, -1, -1, -1);
    if (oldFlags != flags) WorldHook::Call(WorldHook::Table().warModeChanged, p);
    PlayerWalk::ClearResyncSent();
}

void HandleMovePlayer(CGameSock&, PacketReader& packet) {
    int offset = 0;
    uint8_t direction = 0;
    if (!ReadPacketU8(packet, offset, direction)) {
        QVReport::warning("PacketManager::HandleMovePlayer: short packet.\n");
        return;
    }
    PlayerWalk::HandleForcedWalk(direction);
}

void HandlePathfind(CGameSock&, PacketReader& packet) {
    int offset = 0;
    uint16_t x = 0, y = 0, z = 0;
    if (!ReadPacketU16(packet, offset, x) || !ReadPacketU16(packet, offset, y) ||
        !ReadPacketU16(packet, offset, z)) {
        QVReport::warning("PacketManager::HandlePathfind: short packet.\n");
        return;
    }
    PlayerWalk::PathfindTo(x, y, static_cast<int16_t>(z));
}

} // namespace PacketManager
