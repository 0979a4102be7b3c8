#include "testshard/EffectScenarios.h"

#include "mkinstall/EffectArts.h"
#include "mkinstall/WorldFiles.h"
#include "testshard/ScenarioServer.h"
#include "testshard/WorldPackets.h"

namespace testshard {
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
