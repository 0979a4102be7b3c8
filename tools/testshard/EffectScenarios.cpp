#include "testshard/EffectScenarios.h"

#include "mkinstall/EffectArts.h"
#include "mkinstall/WorldFiles.h"
#include "testshard/ScenarioServer.h"
#include "testshard/WorldPackets.h"

namespace testshard {
namespace world {
namespace {

struct Writer {
    Bytes b;
    explicit Writer(uint8_t id) { b.push_back(id); }
    Writer& u8(uint32_t v) {
        b.push_back(static_cast<uint8_t>(v));
        return *this;
    }
    Writer& u16(uint32_t v) { return u8(v >> 8).u8(v); }
    Writer& u32(uint32_t v) { return u16(v >> 16).u16(v); }
};

} // namespace

Bytes GraphicEffect(const EffectFields& e) {
    const bool hued = e.hue != 0 || e.blendMode != 0;
    Writer w(hued ? 0xC0 : 0x70);
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
    return w.b;
}

Bytes PlaySound(uint8_t mode, uint16_t sound, uint16_t x, uint16_t y, uint16_t z) {
    return Writer(0x54).u8(mode).u16(sound).u16(0).u16(x).u16(y).u16(z).b;
}

Bytes SequenceFlag(uint8_t flag) {
    return Writer(0x7B).u8(flag).b;
}

Bytes DeathStatus(uint8_t action) {
    return Writer(0x2C).u8(action).b;
}

} // namespace world

namespace {

namespace wp = world;

// One recorded step: what the server sends and what the client must show for it.
struct ShowEntry {
    ShowStep step;
    std::vector<uint8_t> (*packet)(const Script& script);
};

wp::EffectFields Between(const Script& s) {
    wp::EffectFields e;
    e.source = s.serial;
    e.target = kShowPerformer;
    e.sourceX = s.x;
    e.targetX = static_cast<uint16_t>(s.x + kShowPerformerDx);
    e.sourceY = e.targetY = s.y;
    e.sourceZ = e.targetZ = static_cast<int8_t>(s.z);
    return e;
}

const ShowEntry kShow[] = {
    {{ShowStep::Effect, kShowMissileArt},
     [](const Script& s) {
         wp::EffectFields e = Between(s);
         e.graphic = kShowMissileArt; // turned along its path
         e.speed = 5;
         return wp::GraphicEffect(e);
     }},
    {{ShowStep::Effect, mkinstall::kExplosionArt},
     [](const Script& s) {
         wp::EffectFields e = Between(s);
         e.kind = 2;
         e.sourceX = static_cast<uint16_t>(s.x + 1);
         e.sourceY = static_cast<uint16_t>(s.y + 1);
         e.graphic = mkinstall::kExplosionArt;
         e.speed = 10;
         e.duration = 6;
         return wp::GraphicEffect(e);
     }},
    {{ShowStep::Action, kShowAction},
     [](const Script&) {
         return wp::MobileAnimation(kShowPerformer, kShowAction, kShowActionFrames, 1, false, false, 0);
     }},
    {{ShowStep::Sound, kShowSound},
     [](const Script& s) {
         return wp::PlaySound(1, kShowSound, static_cast<uint16_t>(s.x + kShowPerformerDx), s.y,
                              static_cast<uint16_t>(s.z));
     }},
    {{ShowStep::Effect, mkinstall::kObjectExplosionArt},
     [](const Script& s) {
         wp::EffectFields e = Between(s);
         e.kind = 3;
         e.source = kShowPerformer;
         e.graphic = mkinstall::kObjectExplosionArt;
         e.speed = 8;
         e.duration = 5;
         e.hue = 37;
         e.blendMode = 3;
         return wp::GraphicEffect(e);
     }},
};

} // namespace

std::vector<ShowStep> ShowSteps() {
    std::vector<ShowStep> steps;
    for (const ShowEntry& e : kShow)
        steps.push_back(e.step);
    return steps;
}

std::vector<std::vector<uint8_t>> NightScenarioPackets(const Script& s) {
    return {wp::LightLevel(kNightLight),
            wp::EquipItem(kNightTorch, mkinstall::WorldItem::Torch, kNightTorchLayer, s.serial, 0),
            wp::PersonalLight(s.serial, kNightPersonalLight)};
}

std::vector<std::vector<uint8_t>> ShowScenarioPackets(const Script& s) {
    wp::MobileFields performer;
    performer.serial = kShowPerformer;
    performer.body = mkinstall::kSampleHumanBody;
    performer.x = static_cast<uint16_t>(s.x + kShowPerformerDx);
    performer.y = s.y;
    performer.z = static_cast<int8_t>(s.z);
    performer.facing = 6;
    // The login completes first: entering the game display closes every window, effects too.
    std::vector<std::vector<uint8_t>> out = {{0x55}, wp::MobileIncoming(performer, {}), wp::SequenceFlag(0)};
    for (const ShowEntry& e : kShow)
        out.push_back(e.packet(s));
    out.push_back(wp::SequenceFlag(kShowRepeat));
    return out;
}

bool EffectScenario(const std::string& name, Script& script) {
    if (name == "night") {
        script.worldPackets = NightScenarioPackets(script);
        return true;
    }
    if (name == "show") {
        script.loginComplete = false;
        script.worldPackets = ShowScenarioPackets(script);
        return true;
    }
    return false;
}

} // namespace testshard
