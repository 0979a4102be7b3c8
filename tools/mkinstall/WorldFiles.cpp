#include "mkinstall/WorldFiles.h"

#include "mkinstall/DataFiles.h"
#include "mkinstall/EffectArts.h"
#include "mkinstall/Yard.h"

#include "platform/platform.h"

#include <algorithm>
#include <map>

namespace mkinstall {
namespace {

// Flag bits as the tile data stores them.
constexpr uint32_t kImpassable = 0x40, kWet = 0x80, kSurface = 0x200, kBridge = 0x400, kStackable = 0x800,
                   kA = 0x4000, kFoliage = 0x20000, kPartialHue = 0x40000, kMap = 0x100000,
                   kContainer = 0x200000, kWearable = 0x400000, kLight = 0x800000, kAnimated = 0x1000000,
                   kRoof = 0x10000000, kWall = 0x10, kGhostPassable = 0x20000000, kSlopeSouth = 0x40000000,
                   kSlopeEast = 0x80000000;

constexpr long kTileDataSize = 0xFD000;
constexpr int kRows = 16384;

std::string LittleEndian16(uint16_t v) {
    return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
}

std::string NameField(const std::string& name) {
    std::string field = name.substr(0, 20);
    field.resize(20, '\0');
    return field;
}

std::string TextField(const char* text) {
    std::string field(text ? text : "");
    field = field.substr(0, 40);
    field.resize(40, '\0');
    return field;
}

bool Write(const std::string& dir, const std::string& name, const std::string& bytes, std::string* error) {
    const std::string path = dir + "/" + name;
    if (platform::AtomicReplaceFile(path, bytes.data(), bytes.size())) return true;
    if (error) *error = "cannot write " + path;
    return false;
}

} // namespace

const std::vector<SampleLandTile>& SampleLandTiles() {
    static const std::vector<SampleLandTile> kLand = [] {
        std::vector<SampleLandTile> t = {
            {WorldLand::Grass, 0, 0, "grass"},         {WorldLand::Dirt, 0, 0, "dirt"},
            {WorldLand::Sand, 0, 0, "sand"},           {WorldLand::Water, kWet | kImpassable, 0, "water"},
            {WorldLand::Rock, kImpassable, 0, "rock"}, {WorldLand::Hill, 0, 1, "grassy hill"},
        };
        AppendYardLandTiles(t);
        return t;
    }();
    return kLand;
}

const std::vector<SampleItemTile>& SampleItemTiles() {
    static const std::vector<SampleItemTile> kItems = [] {
        std::vector<SampleItemTile> t = {
            {WorldItem::Wall, kA | kWall | kImpassable, 255, 0, 0, 20, "stone wall", "stone wall"},
            {WorldItem::Floor, kA | kSurface | 0x1, 255, 0, 0, 0, "wooden floor", "wooden floor"},
            {WorldItem::StairsSouth, kSurface | kBridge | kSlopeSouth, 255, 0, 0, 5, "stairs", "stairs"},
            {WorldItem::Roof, kA | kRoof | kSurface | kImpassable, 255, 0, 0, 3, "roof", "roof"},
            {WorldItem::Door, kA | kImpassable | kGhostPassable, 255, 0, 0, 20, "wooden door", "wooden door"},
            {WorldItem::TreeTrunk, kA | kImpassable, 255, 0, 0, 20, "tree", "tree"},
            {WorldItem::Foliage, kFoliage, 255, 0, 0, 20, "leaves", "leaves"},
            {WorldItem::LampPost, kA | kImpassable | kLight, 255, kLampLightId, 0, 20, "lamp post",
             "lamp post"},
            {WorldItem::Fire, kA | kLight | kAnimated, 255, 2, 0, 8, "fire", "fire"},
            {WorldItem::Fire + 1, kA | kLight, 255, 2, 0, 8, "fire", "fire"},
            {WorldItem::Fire + 2, kA | kLight, 255, 2, 0, 8, "fire", "fire"},
            {WorldItem::Fire + 3, kA | kLight, 255, 2, 0, 8, "fire", "fire"},
            {WorldItem::WaterWheel, kA | kImpassable | kAnimated, 255, 0, 0, 20, "water wheel",
             "water wheel"},
            {WorldItem::WaterWheel + 1, kA | kImpassable, 255, 0, 0, 20, "water wheel", "water wheel"},
            {WorldItem::WaterWheel + 2, kA | kImpassable, 255, 0, 0, 20, "water wheel", "water wheel"},
            {WorldItem::WaterWheel + 3, kA | kImpassable, 255, 0, 0, 20, "water wheel", "water wheel"},
            {WorldItem::Chest, kA | kContainer | kPartialHue, 25, 0, 0, 4, "wooden chest", "wooden chest"},
            {WorldItem::MapItem, kA | kMap, 1, 0, 0, 0, "map", "map"},
            {WorldItem::Tunic, kA | kWearable | kPartialHue, 2, kTunicLayer, kTunicAnimId, 0, "tunic",
             "tunic"},
            {WorldItem::Bread, kA | kStackable, 1, 0, 0, 0, "loa%ves/f% of bread", "loaf of bread"},
            {WorldItem::StairsEast, kSurface | kBridge | kSlopeEast, 255, 0, 0, 5, "stairs", "stairs"},
            {WorldItem::Coin, kA | kStackable, 0, 0, 0, 0, "gold coin%s%", "gold coin"},
            {WorldItem::CoinPile, kA | kStackable, 0, 0, 0, 0, "gold coin%s%", "gold coin"},
            {WorldItem::CoinStack, kA | kStackable, 0, 0, 0, 0, "gold coin%s%", "gold coin"},
            {WorldItem::Scroll, kA | kStackable, 1, 0, 0, 0, "scroll%s%", "blank scroll"},
            {WorldItem::Blood, 0, 255, 0, 0, 0, "blood", "blood"},
            {WorldItem::Flesh, kA, 5, 0, 0, 0, "torso", "torso"},
            {WorldItem::Corpse, kA | kContainer, 255, 0, 0, 2, "corpse", "corpse"},
            {WorldItem::StreetLamp, kA | kImpassable | kLight, 255, kLampLightId, 0, 20, "street lamp",
             "street lamp"},
            {WorldItem::Torch, kA | kLight | kWearable, 5, kTorchLightId, 0, 3, "torch", "torch"},
            {WorldItem::BlueLamp, kA | kLight, 10, 3, 0, 6, "blue lamp", "blue lamp"},
            // Effects: the quality byte holds the frame count.
            {kExplosionArt, 0, 255, kExplosionFrames, 0, 0, "explosion", "explosion"},
            {kObjectExplosionArt, 0, 255, kObjectExplosionFrames, 0, 0, "explosion", "explosion"},
            {WorldItem::Shirt, kA | kWearable | kPartialHue, 1, 5, 410, 0, "shirt", "shirt"},
            {WorldItem::Cloak, kA | kWearable | kPartialHue, 3, 20, 411, 0, "cloak", "cloak"},
            {WorldItem::StandInMount, 0, 255, 25, 205, 0, "mount", "mount"},
            {WorldItem::Horse, 0, 255, 25, 204, 0, "horse", "horse"},
        };
        AppendYardItemTiles(t);
        return t;
    }();
    return kItems;
}

const SampleLandTile* FindSampleLand(int id) {
    for (const SampleLandTile& t : SampleLandTiles())
        if (t.id == id) return &t;
    return nullptr;
}

const SampleItemTile* FindSampleItem(int graphic) {
    for (const SampleItemTile& t : SampleItemTiles())
        if (t.graphic == graphic) return &t;
    return nullptr;
}

std::string LandTileRecord(uint32_t flags, uint16_t textureId, const std::string& name) {
    return LittleEndian32(static_cast<int32_t>(flags)) + LittleEndian16(textureId) + NameField(name);
}

std::string ItemTileRecord(uint32_t flags, uint8_t weight, uint8_t quality, uint32_t value, uint16_t animId,
                           uint16_t hue, uint16_t miscWord, uint8_t height, const std::string& name) {
    return LittleEndian32(static_cast<int32_t>(flags)) + static_cast<char>(weight) +
           static_cast<char>(quality) + LittleEndian32(static_cast<int32_t>(value)) + LittleEndian16(animId) +
           LittleEndian16(hue) + LittleEndian16(miscWord) + static_cast<char>(height) + NameField(name);
}

std::string MakeTileDataFile() {
    std::string out;
    out.reserve(static_cast<size_t>(kTileDataSize));
    for (int i = 0; i < kRows; ++i) {
        if (i % 32 == 0) out += LittleEndian32(i / 32); // the group header: its number
        const SampleLandTile* t = FindSampleLand(i);
        out += t ? LandTileRecord(t->flags, t->textureId, t->name) : LandTileRecord(0, 0, "");
    }
    for (int i = 0; i < kRows; ++i) {
        if (i % 32 == 0) out += LittleEndian32(512 + i / 32);
        const SampleItemTile* t = FindSampleItem(i);
        out += t ? ItemTileRecord(t->flags, t->weight, t->quality, 0, t->animId, 0, 0, t->height, t->name)
                 : ItemTileRecord(0, 0, 0, 0, 0, 0, 0, 0, "");
    }
    return out;
}

const std::vector<SampleRegion>& SampleRegions() {
    static const std::vector<SampleRegion> kRegions = {
        {0, "Varnis Harbour", {8, 8, 40, 40, -128, 127}, "the sample town", 1, 0, 7, 1, 0},
        {1, "the Greenwood", {40, 0, 64, 64, -128, 127}, "", 2, 0, 0, 0, 0},
        {2, "Stonewatch", {0, 40, 40, 64, -128, 127}, "the old walls", 3, 1, 0, 0, 2},
    };
    return kRegions;
}

std::string RegionRecordV2(const SampleRegion& r) {
    std::string out = TextField(r.name) + LittleEndian16(static_cast<uint16_t>(r.slot));
    for (int16_t v : r.values)
        out += LittleEndian16(static_cast<uint16_t>(v));
    out += LittleEndian32(0) + TextField(r.text) + LittleEndian16(r.value1) + LittleEndian16(r.value2) +
           LittleEndian16(r.value3) + static_cast<char>(r.value4) + LittleEndian16(r.value5);
    return out;
}

std::string MakeRegionsFile() {
    std::string out = LittleEndian16(0xFACF);
    for (const SampleRegion& r : SampleRegions())
        out += RegionRecordV2(r);
    return out;
}

const std::vector<SampleAnimation>& SampleAnimations() {
    static const std::vector<SampleAnimation> kAnimations = {
        {WorldItem::Fire, {0, 1, 2, 3}, 2, 0},
        {WorldItem::WaterWheel, {0, 1, 2, 3}, 4, 1},
    };
    return kAnimations;
}

std::string AnimDataRecord(const std::vector<int8_t>& increments, uint8_t frame, uint8_t frameCount,
                           uint8_t interval, uint8_t startOffset) {
    std::string out(64, '\0');
    for (size_t i = 0; i < increments.size() && i < 64; ++i)
        out[i] = static_cast<char>(increments[i]);
    out += static_cast<char>(frame);
    out += static_cast<char>(frameCount);
    out += static_cast<char>(interval);
    out += static_cast<char>(startOffset);
    return out;
}

std::string MakeAnimDataFile() {
    int last = 0;
    for (const SampleAnimation& a : SampleAnimations())
        last = std::max(last, a.graphic);
    const int records = (last / 8 + 1) * 8; // whole groups up to the last animated graphic
    std::string out;
    for (int g = 0; g < records; ++g) {
        if (g % 8 == 0) out += LittleEndian32(0);
        const SampleAnimation* found = nullptr;
        for (const SampleAnimation& a : SampleAnimations())
            if (a.graphic == g) found = &a;
        out += found ? AnimDataRecord(found->increments, 0, static_cast<uint8_t>(found->increments.size()),
                                      found->interval, found->startOffset)
                     : AnimDataRecord({}, 0, 0, 0, 0);
    }
    return out;
}

void AppendItemNameSections(std::vector<SampleSection>& sections) {
    // Text number 1020000 + graphic lives in section "cliloc" 20 + graphic / 1000, string graphic % 1000.
    std::map<int, std::vector<std::pair<int, std::string>>> bySection;
    for (const SampleItemTile& t : SampleItemTiles())
        bySection[20 + t.graphic / 1000].emplace_back(t.graphic % 1000, t.localized);
    for (auto& [number, texts] : bySection) {
        static std::map<int, std::string> names; // a section keeps a plain pointer to its name
        const std::string& name = names.try_emplace(number, "cliloc" + std::to_string(number)).first->second;
        int count = 0;
        for (const auto& [string, text] : texts)
            count = std::max(count, string + 1);
        sections.push_back({name.c_str(), 2, count, texts, {}});
    }
}

bool WriteWorldFiles(const std::string& dir, std::string* error) {
    return Write(dir, "tiledata.mul", MakeTileDataFile(), error) &&
           Write(dir, "regions.mul", MakeRegionsFile(), error) &&
           Write(dir, "animdata.mul", MakeAnimDataFile(), error);
}

} // namespace mkinstall
