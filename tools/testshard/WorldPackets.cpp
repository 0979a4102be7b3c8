#include "testshard/WorldPackets.h"

namespace testshard::world {
namespace {

struct Out {
    Bytes b;
    explicit Out(uint8_t id) { b.push_back(id); }
    Out& u8(uint32_t v) {
        b.push_back(static_cast<uint8_t>(v));
        return *this;
    }
    Out& u16(uint32_t v) { return u8(v >> 8).u8(v); }
    Out& u32(uint32_t v) { return u16(v >> 16).u16(v); }
    // A variable packet: the length after the id.
    static Out Var(uint8_t id) {
        Out o(id);
        o.u16(0);
        return o;
    }
    Bytes Done(bool variable = false) {
        if (variable) {
            b[1] = static_cast<uint8_t>(b.size() >> 8);
            b[2] = static_cast<uint8_t>(b.size());
        }
        return b;
    }
};

void Head(Out& o, const MobileFields& m) {
    o.u32(m.serial)
        .u16(m.body)
        .u16(m.x)
        .u16(m.y)
        .u8(static_cast<uint8_t>(m.z))
        .u8(m.facing)
        .u16(m.hue)
        .u8(m.flags)
        .u8(m.notoriety);
}

void Worn(Out& o, const std::vector<WornFields>& worn) {
    for (const WornFields& w : worn) {
        o.u32(w.serial).u16(w.graphic | (w.hue >= 0 ? 0x8000 : 0)).u8(w.layer);
        if (w.hue >= 0) o.u16(static_cast<uint32_t>(w.hue));
    }
    o.u32(0);
}

} // namespace

Bytes WorldItem(const ItemFields& i) {
    Out o = Out::Var(0x1A);
    o.u32(i.serial | (i.amount >= 0 ? 0x80000000u : 0));
    o.u16(i.graphic | (i.increment >= 0 ? 0x8000 : 0));
    if (i.increment >= 0) o.u8(static_cast<uint32_t>(i.increment));
    if (i.amount >= 0) o.u16(static_cast<uint32_t>(i.amount));
    o.u16(i.x | (i.facing >= 0 ? 0x8000 : 0));
    o.u16(i.y | (i.hue >= 0 ? 0x8000 : 0) | (i.flags >= 0 ? 0x4000 : 0));
    if (i.facing >= 0) o.u8(static_cast<uint32_t>(i.facing));
    o.u8(static_cast<uint8_t>(i.z));
    if (i.hue >= 0) o.u16(static_cast<uint32_t>(i.hue));
    if (i.flags >= 0) o.u8(static_cast<uint32_t>(i.flags));
    return o.Done(true);
}

Bytes DeleteObject(uint32_t serial) {
    return Out(0x1D).u32(serial).Done();
}

Bytes EquipItem(uint32_t item, uint16_t graphic, uint8_t layer, uint32_t wearer, uint16_t hue) {
    return Out(0x2E).u32(item).u16(graphic).u8(0).u8(layer).u32(wearer).u16(hue).Done();
}

Bytes MobileMoving(const MobileFields& m) {
    Out o(0x77);
    Head(o, m);
    return o.Done();
}

Bytes MobileMovingEx(const MobileFields& m) {
    Out o(0xD2);
    Head(o, m);
    o.u16(0).u16(0).u16(0).u16(0);
    return o.Done();
}

Bytes MobileIncoming(const MobileFields& m, const std::vector<WornFields>& worn) {
    Out o = Out::Var(0x78);
    Head(o, m);
    Worn(o, worn);
    return o.Done(true);
}

Bytes MobileIncomingEx(const MobileFields& m, const std::vector<WornFields>& worn) {
    Out o = Out::Var(0xD3);
    Head(o, m);
    o.u16(0).u16(0).u16(0);
    Worn(o, worn);
    return o.Done(true);
}

Bytes MobileAnimation(uint32_t serial, uint16_t action, uint16_t frames, uint16_t repeatCount, bool reverse,
                      bool repeat, uint8_t delay) {
    return Out(0x6E)
        .u32(serial)
        .u16(action)
        .u16(frames)
        .u16(repeatCount)
        .u8(reverse)
        .u8(repeat)
        .u8(delay)
        .Done();
}

Bytes CorpseEquipment(uint32_t corpse, const std::vector<std::pair<uint8_t, uint32_t>>& entries,
                      bool terminate) {
    Out o = Out::Var(0x89);
    o.u32(corpse);
    for (const auto& [layer, serial] : entries)
        o.u8(layer).u32(serial);
    if (terminate) o.u8(0);
    return o.Done(true);
}

Bytes DeathAnimation(uint32_t mobile, uint32_t corpse, uint32_t flag) {
    return Out(0xAF).u32(mobile).u32(corpse).u32(flag).Done();
}

namespace {
void Contained(Out& o, const ContainedFields& i) {
    o.u32(i.serial)
        .u16(i.graphic)
        .u8(i.increment)
        .u16(i.amount)
        .u16(i.x)
        .u16(i.y)
        .u32(i.container)
        .u16(i.hue);
}
} // namespace

Bytes ContainerItem(const ContainedFields& item) {
    Out o(0x25);
    Contained(o, item);
    return o.Done();
}

Bytes ContainerContents(const std::vector<ContainedFields>& items) {
    Out o = Out::Var(0x3C);
    o.u16(static_cast<uint32_t>(items.size()));
    for (const ContainedFields& i : items)
        Contained(o, i);
    return o.Done(true);
}

Bytes PersonalLight(uint32_t serial, uint8_t level) {
    return Out(0x4E).u32(serial).u8(level).Done();
}

Bytes LightLevel(uint8_t level) {
    return Out(0x4F).u8(level).Done();
}

Bytes Time(uint8_t hour, uint8_t minute, uint8_t second) {
    return Out(0x5B).u8(hour).u8(minute).u8(second).Done();
}

Bytes Weather(uint8_t type, uint8_t count, uint8_t temperature) {
    return Out(0x65).u8(type).u8(count).u8(temperature).Done();
}

Bytes Season(uint8_t season, uint8_t soundFlag) {
    return Out(0xBC).u8(season).u8(soundFlag).Done();
}

Bytes Pointer(bool show, uint16_t x, uint16_t y) {
    return Out(0xBA).u8(show).u16(x).u16(y).Done();
}

Bytes MarkMobile(uint32_t serial, uint8_t flag) {
    return Out(0xC4).u32(serial).u8(flag).Done();
}

Bytes ServerBoundary(uint16_t x, uint16_t y, uint16_t z, uint8_t map, uint16_t width, uint16_t height) {
    return Out(0x76).u16(x).u16(y).u16(z).u8(map).u16(0).u16(0).u16(width).u16(height).Done();
}

Bytes NameReply(uint32_t serial, const std::string& name) {
    Out o = Out::Var(0x98);
    o.u32(serial);
    for (size_t i = 0; i < 30; ++i)
        o.u8(i < name.size() ? static_cast<uint8_t>(name[i]) : 0);
    return o.Done(true);
}

Bytes GraphicEffect(const EffectFields& e) {
    const bool hued = e.hue != 0 || e.blendMode != 0;
    Out w(hued ? 0xC0 : 0x70);
    w.u8(e.kind)
        .u32(e.source)
        .u32(e.target)
        .u16(e.graphic)
        .u16(e.sourceX)
        .u16(e.sourceY)
        .u8(static_cast<uint8_t>(e.sourceZ))
        .u16(e.targetX)
        .u16(e.targetY)
        .u8(static_cast<uint8_t>(e.targetZ))
        .u8(e.speed)
        .u8(e.duration)
        .u8(e.descending)
        .u8(e.pingPong)
        .u8(e.fixedDirection)
        .u8(e.explode);
    if (hued) w.u32(e.hue).u32(e.blendMode);
    return w.Done();
}

Bytes PlaySound(uint8_t mode, uint16_t sound, uint16_t x, uint16_t y, uint16_t z) {
    return Out(0x54).u8(mode).u16(sound).u16(0).u16(x).u16(y).u16(z).Done();
}

Bytes SequenceFlag(uint8_t flag) {
    return Out(0x7B).u8(flag).Done();
}

Bytes DeathStatus(uint8_t action) {
    return Out(0x2C).u8(action).Done();
}

} // namespace testshard::world
