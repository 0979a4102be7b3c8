#pragma once
// The animation files of the synthetic installation: "anim.idx"/"anim.mul" with a human (body
// 400), a horse (body 204, and 205 for servers that do not show 204 natively), a tall creature
// (body 1) reaching 100 pixels below its feet, a shirt (animation 410) and a cloak (411); and
// "anim2.idx"/"anim2.mul" with the horse as the converted body 204, in a coat of its own. Every frame of the
// human, the horse and the creature shows its stored direction (0..4) and its frame number as two digits, so
// a picture tells which frame was chosen.
#include "mkinstall/ArtFiles.h"

#include <cstdint>
#include <string>
#include <vector>

namespace mkinstall {

// A frame as a picture of palette indexes (0 = nothing) with the figure's feet point in it.
struct AnimPicture {
    int width = 0;
    int height = 0;
    int anchorX = 0; // feet point, in picture pixels
    int anchorY = 0;
    std::vector<uint8_t> indexes;
    uint8_t& at(int x, int y) { return indexes[static_cast<size_t>(y) * width + x]; }
};

// An item in the animation format: palette, frame table, frames with their runs.
std::vector<uint8_t> EncodeAnimItem(const std::vector<uint16_t>& palette,
                                    const std::vector<AnimPicture>& frames);

// Bodies and animation ids of the sample.
constexpr int kAnimHumanBody = 400;
constexpr int kAnimHorseBody = 204;
constexpr int kAnimStandInHorseBody = 205;
constexpr int kAnimTallCreatureBody = 1;
constexpr int kAnimShirt = 410;
constexpr int kAnimCloak = 411;
constexpr int kTallCreatureDepth = 100; // rows below the feet

// The palette every sample item uses (5-5-5); index 0 is never drawn.
const std::vector<uint16_t>& SampleAnimPalette();
namespace AnimInk {
constexpr uint8_t Skin = 1, Hair = 2, Digit = 3, Outline = 4, Trousers = 5, ClothLight = 6, ClothDark = 7,
                  Cloak = 8, Horse = 9, Mane = 10, Creature = 11, Plate = 12, StandInHorse = 13,
                  ConvertedHorse = 14;
}

// The groups written per body, with their frame counts.
struct AnimGroup {
    int group;
    int frames;
};
const std::vector<AnimGroup>& HumanAnimGroups();

IndexedFile MakeAnimFiles();
IndexedFile MakeAnim2Files();
bool WriteAnimFiles(const std::string& dir, std::string* error);

} // namespace mkinstall
