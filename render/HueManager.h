#pragma once
// The hue table of "hues.mul": hue number n (1..3000) recolours a picture through entry n - 1,
// whose 32 colours are indexed by a 5-bit channel of the source pixel.
#include <cstddef>
#include <cstdint>

struct HueEntry {
    uint16_t colours[32];
    uint16_t tableStart;
    uint16_t tableEnd;
    char name[20]; // not terminated when 20 characters long
};

namespace HueManager {

constexpr int kHueCount = 3000;
constexpr int kEntriesPerGroup = 8;
constexpr size_t kEntryBytes = 88;
constexpr size_t kGroupBytes = 4 + kEntriesPerGroup * kEntryBytes;
constexpr size_t kFileBytes = (kHueCount / kEntriesPerGroup) * kGroupBytes; // 265,500
constexpr int kNotorietyCount = 7;

void startup();
void shutdown();

// Loads the table from the bytes of "hues.mul"; a short file leaves the entries it does not reach
// as they were. Colours are then made safe to draw (never 0, never bit 15).
void LoadFromBytes(const uint8_t* data, size_t length);
// A patch group (8 entries after a 4-byte header) replacing entries 8 x group to 8 x group + 7.
// False, with nothing changed, when the group or the bytes do not fit.
bool ApplyGroup(int group, const uint8_t* data, size_t length);

// Entry hueIndex (hue number - 1); an index outside the table gives entry 0.
const HueEntry& GetEntry(int hueIndex);
// The 32 colours of GetEntry(hueIndex).
const uint16_t* ResolveHueColours(int hueIndex);

// The hue number whose table end is nearest to the 5-5-5 colour, among hue numbers 2 to 1001
// (entries with table start and end both 0 are skipped); 0 when none qualifies.
int FindNearestHue(int rgb555);

// Hue numbers of the notorieties, read for name and highlight colours.
int GetNotorietyHue(int notoriety); // 0 outside 0..6
void SetNotorietyHue(int notoriety, int hue);
// Highlight colour slots set by the configuration before start-up: a negative value is a hue
// number, a positive one a colour whose nearest hue is taken; 0 means unset.
void SetHighlightColorSlot(int notoriety, int value);

void ResetForTests();

} // namespace HueManager

// A configuration colour: "#rrggbb", a decimal 0xRRGGBB value, or "-n" (a hue number, returned
// unchanged). The colours come back as 5-5-5 pixels.
int ParseColor(const char* text);
