#pragma once
// The "night" and "show" scenarios: the world's light at night with a torch in the player's hand,
// and a scripted show (recorded effects, an action and a sound, played twice).
#include <cstdint>
#include <string>
#include <vector>

namespace testshard {

struct Script;

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
