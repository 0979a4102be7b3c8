#pragma once
// The tile data of "tiledata.mul": one row per land tile and one per item graphic, read at
// start-up (CObjectManager::startup) and changed in place by an editing server. Every other part
// reads rows only through Land and Item, which answer a zero row outside the tables.
//
// File, little-endian: 512 land groups then 512 item groups, each a u32 header and 32 records.
// Land record (26 bytes): u32 flags, u16 texture id, 20-byte name. Item record (37 bytes): u32
// flags, weight, quality, u32 value, u16 animation id, u16 hue, u16 misc word, height, 20-byte name.
#include <cstddef>
#include <cstdint>
#include <vector>

class DefTable;

// Item flag bits the client reads.
namespace TileFlag {
constexpr uint32_t Background = 0x1;
constexpr uint32_t Weapon = 0x2;
constexpr uint32_t Transparent = 0x4;
constexpr uint32_t Translucent = 0x8;
constexpr uint32_t Wall = 0x10;
constexpr uint32_t Damaging = 0x20;
constexpr uint32_t Impassable = 0x40;
constexpr uint32_t Wet = 0x80;
constexpr uint32_t Surface = 0x200;
constexpr uint32_t Bridge = 0x400;
constexpr uint32_t Stackable = 0x800;
constexpr uint32_t Window = 0x1000;
constexpr uint32_t NoShoot = 0x2000;
constexpr uint32_t ArticleA = 0x4000;
constexpr uint32_t ArticleAn = 0x8000;
constexpr uint32_t ArticleMask = 0xC000;
constexpr uint32_t Foliage = 0x20000;
constexpr uint32_t PartialHue = 0x40000;
constexpr uint32_t MapItem = 0x100000;
constexpr uint32_t Container = 0x200000;
constexpr uint32_t Wearable = 0x400000;
constexpr uint32_t LightSource = 0x800000;
constexpr uint32_t Animated = 0x1000000;
constexpr uint32_t Roof = 0x10000000;
constexpr uint32_t GhostPassable = 0x20000000;
constexpr uint32_t StairMask = 0xC0000000;
// The bits whose change rebuilds the light and animation lists.
constexpr uint32_t ListBits = LightSource | Animated;
} // namespace TileFlag

// Names are kept with a terminator after the 20-byte field, so a full field still ends.
constexpr int kTileNameSize = 20;

struct LandTileData {
    uint32_t flags;
    uint16_t textureId; // 0: none
    char name[kTileNameSize + 1];
};

struct ItemTileData {
    uint32_t flags;
    uint8_t weight;
    uint8_t quality;   // a wearable's layer, a light source's light id
    uint32_t value;    // low 16 bits: a static's default amount
    uint16_t animId;   // a wearable's animation
    uint16_t hue;      // a static's default hue
    uint16_t miscWord; // CObj::GetTileMiscWord
    uint8_t height;
    char name[kTileNameSize + 1];
};

namespace TileData {

constexpr int kRowCount = 16384;
constexpr int kGroupRows = 32;
constexpr int kLandGroups = 512;     // groups 0..511
constexpr int kFirstItemGroup = 512; // item groups 512..1023
constexpr int kItemGroupEnd = 1024;
constexpr int kLandRecordSize = 26;
constexpr int kItemRecordSize = 37;
constexpr int kLandGroupSize = 4 + kGroupRows * kLandRecordSize; // 836
constexpr int kItemGroupSize = 4 + kGroupRows * kItemRecordSize; // 1188
constexpr long kLandPartSize = 0x68800;
constexpr long kFileSize = 0xFD000;
constexpr const char* kFileName = "tiledata.mul";

constexpr long LandGroupOffset(int group) {
    return static_cast<long>(group) * kLandGroupSize;
}
constexpr long ItemGroupOffset(int group) {
    return static_cast<long>(group) * kItemGroupSize - 0x2C000;
}
static_assert(ItemGroupOffset(kFirstItemGroup) == kLandPartSize);
static_assert(ItemGroupOffset(kItemGroupEnd) == kFileSize);

// The row of a land id, and of an item graphic plus a (signed) increment; a zero row outside
// 0..16383 or while the tables are not allocated.
const LandTileData& Land(int landId);
const ItemTileData& Item(int graphic, int increment = 0);
// The same rows for the writers; null outside.
LandTileData* MutableLand(int landId);
ItemTileData* MutableItem(int graphic);

// Zero-filled tables / none. Allocate keeps tables already there.
void Allocate();
void Free();
bool IsAllocated();

// Reads a file image into the tables (allocated and emptied first). A short image is read as far as it goes
// (whole records only); the rest keeps its zeros and one line is logged. Returns the number of
// records read.
int LoadFromBytes(const uint8_t* bytes, size_t size);
// Reads "tiledata.mul" through the file manager, then the partial-hue correction with the "art.def"
// table when it is loaded. False when the file cannot be opened (the tables stay zero).
bool Load();
// Clears the partial-hue flag of every item whose "art.def" substitute lacks it.
void CorrectPartialHues(const DefTable& artTable);

// One group in file layout (header then 32 records); false when the bytes are fewer.
bool ParseLandGroup(const uint8_t* bytes, size_t size, uint32_t& header, LandTileData (&rows)[kGroupRows]);
bool ParseItemGroup(const uint8_t* bytes, size_t size, uint32_t& header, ItemTileData (&rows)[kGroupRows]);

// A group as packet 0x41 carries it (multi-byte fields big-endian) in file layout: the header and
// every multi-byte field of the records that lie inside the bytes are swapped; the length stays,
// so the writers judge a short group by its real length.
std::vector<uint8_t> GroupFromNetworkOrder(const uint8_t* bytes, size_t size, bool itemGroup);

} // namespace TileData

// Graphic classes by tile flags.
bool IsContainerGraphic(int graphic);
bool IsMapGraphic(int graphic);
