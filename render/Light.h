#pragma once
// The world's light over a painted screen rectangle: one darkness level per pixel, or one per
// colour channel (coloured lighting). Levels run from 0 (full light) to 31 (darkest).
//
// The light bitmaps of "lightidx.mul"/"light.mul" belong to thelightthingie; every index entry is
// checked against both files once, when they are opened, so the renderers read only bitmaps that
// lie inside "light.mul". Which sources shine, and where, is the world's business: it binds a
// LightSceneSource that lists them per call (render/ knows no world class).
#include "render/BlitTarget.h"
#include "render/Rect.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

constexpr int kLightIdCount = 100;
constexpr int kLightBlockWidth = 64;
constexpr int kLightBlockHeight = 48;
constexpr int kLightIndexEntrySize = 12;

struct LightBitmap {
    const int8_t* values = nullptr; // width x height, row by row
    int width = 0;
    int height = 0;
};

namespace thelightthingie {
// Maps both files of the installation folder (logged); a missing file leaves every light empty.
void startup();
void shutdown();
// The same over bytes in memory (tests, the fuzzer); the bytes must outlive their use.
void UseBytes(const uint8_t* index, size_t indexLength, const uint8_t* data, size_t dataLength);
// The bitmap of a light id; false for an id outside 0..99, an empty entry or one that does not
// fit the files (that one logged once, when the files were opened).
bool GetLight(int id, LightBitmap& out);
} // namespace thelightthingie

// ---- the light tables, built once before the program's entry point
void BuildLightTables();
namespace LightTables {
// Row k, column v: v * (32 - k) / 32 (the raster core's darkening rows).
const uint8_t* Darkening();
// [v * 32 + k] -> dark(k, v) in the blue, green and red position of a 5-5-5 pixel (the radar's).
const uint32_t* RadarBlue();
const uint32_t* RadarGreen();
const uint32_t* RadarRed();
// Every 15-bit pixel with each channel darkened at level 5.
const uint16_t* DarkenedAtFive();
// The tint curves c1..c4 (which = 1..4). A value outside 0..31 reads sign(v) x c[min(|v|, 31)].
int Curve(int which, int v);
} // namespace LightTables

// ---- the ambient level
struct LightLevels {
    int global = 0;   // the server's global light level
    int personal = 0; // the player's personal light total
    bool darkNights = false;
    bool ghost = false;
};
int AmbientLightLevel(const LightLevels& levels);

// The server's global level and the "DarkNights" option, kept here until the world keeps them.
void SetGlobalLightLevel(int level);
int GetGlobalLightLevel();
void SetDarkNights(bool on);
bool GetDarkNights();

// ---- the sources of one call
struct PlacedLight {
    int x = 0; // centre, screen pixels
    int y = 0;
    int lightId = 0; // the white renderer's id
    int graphic = 0; // the source's graphic: the coloured variant (and ids of a few graphics)
};
struct LightFrame {
    LightLevels levels;
    std::vector<PlacedLight> lights;
};
// Fills the frame for a screen rectangle; the default gives the levels kept here and no sources.
using LightSceneSource = std::function<void(const Rect& rect, LightFrame& frame)>;
void SetLightSceneSource(LightSceneSource source);
void ResetLightsForTests();

// The screen rect a light bitmap covers around a centre; empty for no light.
Rect LightRect(int x, int y, int lightId);

enum class LightVariant : uint8_t {
    White,
    Soft,
    Blue,
    Green,
    Yellow,
    Purple,
    Orange,
    DimOrange,
    Red,
    DimYellow,
    SoftYellow,
};
LightVariant LightVariantOfGraphic(int graphic);
// The coloured renderer's id: graphics 15874..15883 and 14612..14633 are light 2.
int ColoredLightId(int graphic, int lightId);

// The renderers over an explicit target and frame (RenderFrame's path reads the blit target and
// the bound source).
void ApplyLightsTo(const BlitTarget& target, const Rect& rect, const LightFrame& frame);
void ApplyLightsColoredTo(const BlitTarget& target, const Rect& rect, const LightFrame& frame);
void ApplyLights(const Rect& rect);
void ApplyLightsColored(const Rect& rect);
