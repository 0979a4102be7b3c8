#pragma once
// The world tables of the synthetic installation, from one table of the sample world's tiles that
// the map, the statics and the test server read too, so that the client's walking and sight, the
// landscape and the server's obstacles agree: "tiledata.mul" (in full), "regions.mul" (version 2),
// "animdata.mul" (up to the last animated graphic) and the English item names (text numbers
// 1020000 + graphic).
#include "mkinstall/TextFiles.h"

#include <cstdint>
#include <string>
#include <vector>

namespace mkinstall {

// Land ids of the sample world. The map's cells are grass.
namespace WorldLand {
constexpr int Grass = 3;
constexpr int Dirt = 4;
constexpr int Sand = 5;
constexpr int Water = 6; // wet and impassable
constexpr int Rock = 7;  // impassable
constexpr int Hill = 8;  // textured: drawn stretched
} // namespace WorldLand

// Item graphics of the sample world.
namespace WorldItem {
constexpr int Wall = 1;
constexpr int Floor = 2;
constexpr int StairsSouth = 3; // slope towards the south
constexpr int Roof = 4;
constexpr int Door = 5;
constexpr int TreeTrunk = 6;
constexpr int Foliage = 7;
constexpr int LampPost = 8;    // light id kLampLightId
constexpr int Fire = 9;        // animated over 9..12
constexpr int WaterWheel = 16; // animated over 16..19
constexpr int Chest = 20;
constexpr int MapItem = 21;
constexpr int Tunic = 22; // worn on layer 5
constexpr int Bread = 23; // "loa%ves/f% of bread": a slash alternative
constexpr int StairsEast = 24;
constexpr int Shirt = 25;           // animation 410 on layer 5, grey cloth that takes a partial hue
constexpr int Cloak = 26;           // animation 411 on layer 20
constexpr int StandInMount = 16031; // what "body.def" turns a substituted mount into
constexpr int Horse = 16034;        // mount body 204, animation 204
constexpr int Coin = 654;
constexpr int CoinPile = 3821;
constexpr int CoinStack = 3824;
constexpr int Scroll = 3827;
constexpr int Blood = 4650;
constexpr int Flesh = 6941;
constexpr int Corpse = 0x2006;
constexpr int StreetLamp = 2560; // orange light, light id kLampLightId
constexpr int Torch = 2578;      // held: light id kTorchLightId from its tile data
constexpr int BlueLamp = 3948;   // blue light
} // namespace WorldItem
constexpr int kTorchLightId = 1;
constexpr int kLampLightId = 3;
constexpr int kTunicLayer = 5;
constexpr int kTunicAnimId = 0x1F;

// The demo's bodies: a human, an animal and a creature.
constexpr int kSampleHumanBody = 400;
constexpr int kSampleAnimalBody = 204;
constexpr int kSampleCreatureBody = 9;

struct SampleLandTile {
    int id;
    uint32_t flags;
    uint16_t textureId;
    const char* name;
};
struct SampleItemTile {
    int graphic;
    uint32_t flags;
    uint8_t weight;
    uint8_t quality;
    uint16_t animId;
    uint8_t height;
    const char* name;      // the tile data's 20 bytes (article and plural by the flags)
    const char* localized; // English text of 1020000 + graphic
};
const std::vector<SampleLandTile>& SampleLandTiles();
const std::vector<SampleItemTile>& SampleItemTiles();
// The row of a land id or item graphic, null for one the sample world does not use.
const SampleLandTile* FindSampleLand(int id);
const SampleItemTile* FindSampleItem(int graphic);

// File-layout records and the whole file.
std::string LandTileRecord(uint32_t flags, uint16_t textureId, const std::string& name);
std::string ItemTileRecord(uint32_t flags, uint8_t weight, uint8_t quality, uint32_t value, uint16_t animId,
                           uint16_t hue, uint16_t miscWord, uint8_t height, const std::string& name);
std::string MakeTileDataFile();

struct SampleRegion {
    int slot;
    const char* name;
    int16_t values[6]; // west, north, east, south, lowest z, highest z
    const char* text;
    uint16_t value1, value2, value3;
    uint8_t value4;
    uint16_t value5;
};
const std::vector<SampleRegion>& SampleRegions();
// A version 2 record (107 bytes) and the file (0xFACF header).
std::string RegionRecordV2(const SampleRegion& region);
std::string MakeRegionsFile();

struct SampleAnimation {
    int graphic;
    std::vector<int8_t> increments;
    uint8_t interval;
    uint8_t startOffset;
};
const std::vector<SampleAnimation>& SampleAnimations();
// One 68-byte record.
std::string AnimDataRecord(const std::vector<int8_t>& increments, uint8_t frame, uint8_t frameCount,
                           uint8_t interval, uint8_t startOffset);
std::string MakeAnimDataFile();

// The English sections of the item names, added to the sample sections.
void AppendItemNameSections(std::vector<SampleSection>& sections);

bool WriteWorldFiles(const std::string& dir, std::string* error);

} // namespace mkinstall
