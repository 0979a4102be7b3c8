#pragma once
// The "night" and "show" scenarios: the world's light at night with a torch in the player's hand,
// and a scripted show (recorded effects, an action and a sound, played twice). With the builders of
// the effect, sound and sequence messages, written from the wire layouts.
#include <cstdint>
#include <string>
#include <vector>

namespace testshard {

struct Script;

namespace world {

using Bytes = std::vector<uint8_t>;

struct EffectFields {
    uint8_t kind = 0; // 0 moving, 1 lightning, 2 fixed at the source position, 3 fixed on the source
    uint32_t source = 0, target = 0;
    uint16_t graphic = 0;
    uint16_t sourceX = 0, sourceY = 0, targetX = 0, targetY = 0;
    int8_t sourceZ = 0, targetZ = 0;
    uint8_t speed = 0, duration = 0, descending = 0, pingPong = 0, fixedDirection = 0, explode = 0;
    // Sent (0xC0) when either is set, else the plain message (0x70).
    uint32_t hue = 0, blendMode = 0;
};
Bytes GraphicEffect(const EffectFields& effect);                                   // 0x70 or 0xC0
Bytes PlaySound(uint8_t mode, uint16_t sound, uint16_t x, uint16_t y, uint16_t z); // 0x54
Bytes SequenceFlag(uint8_t flag);                                                  // 0x7B
Bytes DeathStatus(uint8_t action);                                                 // 0x2C

} // namespace world

// The night: global light, the player's personal light, a torch in the player's hand.
constexpr uint8_t kNightLight = 20;
constexpr uint8_t kNightPersonalLight = 6;
constexpr uint32_t kNightTorch = 0x40000A01;
constexpr uint8_t kNightTorchLayer = 1;

// The show: a performer beside the player; the steps as the client must play them.
constexpr uint32_t kShowPerformer = 0x00000A02;
constexpr int kShowPerformerDx = 2;
constexpr uint8_t kShowRepeat = 2;
constexpr uint16_t kShowAction = 12;
constexpr uint16_t kShowActionFrames = 5;
constexpr uint16_t kShowSound = 12;
constexpr uint16_t kShowMissileArt = 0; // the sample's item art 0, 20 x 30
struct ShowStep {
    enum Kind { Effect, Action, Sound } kind;
    uint16_t what; // the effect's graphic, the action or the sound
};
// In recorded order: a missile from the player to the performer, an explosion beside them, the
// performer's action, a sound at the performer and a hued, blended effect on the performer.
std::vector<ShowStep> ShowSteps();

std::vector<std::vector<uint8_t>> NightScenarioPackets(const Script& script);
std::vector<std::vector<uint8_t>> ShowScenarioPackets(const Script& script);
// "night" and "show" over a script; false for another name.
bool EffectScenario(const std::string& name, Script& script);

} // namespace testshard
