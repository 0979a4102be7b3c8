#pragma once
// The patch file "verdata.mul": replacement items for the numbered data files, found before the
// data files themselves, and whole replacement groups of three tables kept elsewhere (animated
// tiles, hues, bitmap fonts), handed to their owners.
//
// File (little-endian): i32 record count, then records of 20 bytes {i32 file: a row 0..33, or 51
// animated tiles, 52 hues, 53 a font; i32 id (group or font number); i32 offset; i32 length;
// i32 extra}.
#include <cstddef>
#include <cstdint>
#include <vector>

// Reads "verdata.mul" when "UseVerData" is on. Called once, right after CDHDCache::Init.
void LoadVersionFile();

namespace VerData {

constexpr int kRecordSize = 20;
constexpr int kAnimTileFile = 51;
constexpr int kHueFile = 52;
constexpr int kFontFile = 53;

// One replacement item of a data row.
struct Entry {
    int32_t id;
    int32_t offset; // inside "verdata.mul"
    int32_t length; // 0: the item does not exist
    int32_t extra;
};

// Reads the records of a patch image that stays mapped while its entries are used. Bad records are
// skipped with a warning. Returns the number of records accepted.
int Load(const uint8_t* view, size_t size);
// Forgets every entry (and the mapping LoadVersionFile made).
void Reset();

// The newest entry of a row for an id; null when the id is not patched.
const Entry* Find(int row, int id);
// The bytes of an entry (length > 0), or null.
const uint8_t* Bytes(const Entry& entry);
int EntryCount();

// ---------------------------------------------------------------- group records
// Animated tiles: group g replaces records 8 g .. 8 g + 7 of the animated-tile table.
constexpr int kAnimTileGroups = 2048;
struct AnimTileRecord {
    int8_t frames[64];  // graphic increments
    uint8_t frame;      // copied, not interpreted here
    uint8_t frameCount; // at most 64
    uint8_t interval;
    uint8_t startInterval;
};
// Hues: group g replaces entries 8 g .. 8 g + 7 of the hue table.
constexpr int kHueGroups = 375;
struct HueRecord {
    uint16_t colors[32];
    uint16_t tableStart;
    uint16_t tableEnd;
    char name[20]; // the last byte is always 0
};
// Fonts: slot s of the bitmap fonts is replaced by a font of 224 glyphs (codes 32..255).
constexpr int kFontSlots = 25;
constexpr int kFontGlyphs = 224;
struct FontGlyph {
    uint8_t width;
    uint8_t height;
    uint8_t header;
    std::vector<uint16_t> pixels; // width x height, row by row
};

// The group readers: false when the bytes do not hold a whole group (or font).
bool ParseAnimTileGroup(const uint8_t* bytes, size_t size, AnimTileRecord (&out)[8]);
bool ParseHueGroup(const uint8_t* bytes, size_t size, HueRecord (&out)[8]);
bool ParseFont(const uint8_t* bytes, size_t size, std::vector<FontGlyph>& out);

} // namespace VerData

// The owners of the patched tables take their groups here.
namespace animCrap {
void ApplyVersionGroup(int group, const VerData::AnimTileRecord (&records)[8]);
}
namespace HueManager {
void ApplyVersionGroup(int group, const VerData::HueRecord (&entries)[8]);
}
namespace FontManager {
void ApplyVersionFont(int slot, std::vector<VerData::FontGlyph> glyphs);
}
