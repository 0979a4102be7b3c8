// The effect messages: graphic effects (0x70 plain, 0xC0 hued and blended, 0xC7 the same with
// fields this client does not use), the item drag animation (0x23) and the sequence flag (0x7B).
#include "core/QVReport.h"
#include "gumps/MissileGump.h"
#include "gumps/Sequence.h"
#include "net/PacketManager.h"
#include "world/CObjectManager.h"
#include "world/objects.h"

namespace PacketManager {
namespace {

// A serial counts only when it names a known mobile.
CObj* MobileOf(uint32_t serial) {
    CObj* object = serial ? CObjectManager::FindBySerial(serial) : nullptr;
    return object && object->IsMobile() ? object : nullptr;
}

struct EffectFields {
    uint8_t kind = 0;
    uint32_t source = 0, target = 0;
    uint16_t graphic = 0;
    uint16_t sourceX = 0, sourceY = 0, targetX = 0, targetY = 0;
    uint8_t sourceZ = 0, targetZ = 0;
    uint8_t speed = 0, duration = 0, descending = 0, pingPong = 0, fixedDirection = 0, explode = 0;
    uint32_t hue = 0, blendMode = 0;
};

bool ReadEffect(PacketReader& packet, EffectFields& f, bool hued) {
    int o = 0;
    bool ok = ReadPacketU8(packet, o, f.kind) && ReadPacketU32(packet, o, f.source) &&
              ReadPacketU32(packet, o, f.target) && ReadPacketU16(packet, o, f.graphic) &&
              ReadPacketU16(packet, o, f.sourceX) && ReadPacketU16(packet, o, f.sourceY) &&
              ReadPacketU8(packet, o, f.sourceZ) && ReadPacketU16(packet, o, f.targetX) &&
              ReadPacketU16(packet, o, f.targetY) && ReadPacketU8(packet, o, f.targetZ) &&
              ReadPacketU8(packet, o, f.speed) && ReadPacketU8(packet, o, f.duration) &&
              ReadPacketU8(packet, o, f.descending) && ReadPacketU8(packet, o, f.pingPong) &&
              ReadPacketU8(packet, o, f.fixedDirection) && ReadPacketU8(packet, o, f.explode);
    if (ok && hued) ok = ReadPacketU32(packet, o, f.hue) && ReadPacketU32(packet, o, f.blendMode);
    if (!ok)
        QVReport::warning("PacketManager: effect packet 0x%02X of %d bytes is short; dropped.\n", packet.id(),
                          packet.length());
    return ok;
}

void Play(const EffectFields& f, bool hued) {
    const EffectPosition from = MakeEffectPosition(f.sourceX, f.sourceY, static_cast<int8_t>(f.sourceZ));
    const EffectPosition to = MakeEffectPosition(f.targetX, f.targetY, static_cast<int8_t>(f.targetZ));
    CObj* source = MobileOf(f.source);
    CObj* target = MobileOf(f.target);
    if (hued)
        PlayGraphicEffect(f.kind, source, target, f.graphic, from, to, f.speed, f.duration, f.descending,
                          f.pingPong, f.fixedDirection, f.explode, static_cast<int>(f.hue),
                          static_cast<int>(f.blendMode));
    else
        PlayGraphicEffectPlain(f.kind, source, target, f.graphic, from, to, f.speed, f.duration, f.descending,
                               f.pingPong, f.fixedDirection, f.explode);
}

} // namespace

void HandleGraphicEffect(CGameSock&, PacketReader& packet) {
    EffectFields f;
    if (ReadEffect(packet, f, false)) Play(f, false);
}

void HandleHuedEffect(CGameSock&, PacketReader& packet) {
    EffectFields f;
    if (ReadEffect(packet, f, true)) Play(f, true);
}

void HandleEffectEx(CGameSock&, PacketReader& packet) {
    EffectFields f;
    if (!ReadEffect(packet, f, true)) return;
    if (f.graphic == 0 || f.graphic == 1) return;
    Play(f, true);
}

void HandleSequence(CGameSock&, PacketReader& packet) {
    int o = 0;
    uint8_t flag = 0;
    if (!ReadPacketU8(packet, o, flag)) {
        QVReport::warning("PacketManager::HandleSequence: short packet.\n");
        return;
    }
    HandleSequenceFlag(flag);
}

void HandleDragAnimation(CGameSock&, PacketReader& packet) {
    int o = 0;
    uint16_t graphic = 0, hue = 0, amount = 0, sx = 0, sy = 0, tx = 0, ty = 0;
    uint8_t increment = 0, sz = 0, tz = 0;
    uint32_t sourceSerial = 0, targetSerial = 0;
    if (!(ReadPacketU16(packet, o, graphic) && ReadPacketU8(packet, o, increment) &&
          ReadPacketU16(packet, o, hue) && ReadPacketU16(packet, o, amount) &&
          ReadPacketU32(packet, o, sourceSerial) && ReadPacketU16(packet, o, sx) &&
          ReadPacketU16(packet, o, sy) && ReadPacketU8(packet, o, sz) &&
          ReadPacketU32(packet, o, targetSerial) && ReadPacketU16(packet, o, tx) &&
          ReadPacketU16(packet, o, ty) && ReadPacketU8(packet, o, tz))) {
        QVReport::warning("PacketManager::HandleDragAnimation: short packet.\n");
        return;
    }
    const uint16_t art = static_cast<uint16_t>(graphic + static_cast<int8_t>(increment));
    const EffectPosition from = MakeEffectPosition(sx, sy, static_cast<int8_t>(sz));
    const EffectPosition to = MakeEffectPosition(tx, ty, static_cast<int8_t>(tz));
    CObj* source = MobileOf(sourceSerial);
    CObj* target = MobileOf(targetSerial);
    if (source && target)
        LaunchMissileObjToObj(art, source, target, 5, 1, 0);
    else if (source)
        LaunchMissileObjToLoc(art, source, to, 5, 1, 0);
    else if (target)
        LaunchMissileLocToObj(art, from, target, 5, 1, 0);
    else
        LaunchMissileLocToLoc(art, from, to, 5, 1, 0);
}

} // namespace PacketManager
