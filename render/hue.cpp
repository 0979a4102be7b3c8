// The hue table ("hues.mul"), the notoriety hues and configuration colours.
#include "render/HueManager.h"

#include "core/VerData.h"

#include "core/QVReport.h"
#include "render/RenderData.h"

#include <array>
#include <cctype>
#include <cstring>

namespace HueManager {
namespace {

struct State {
    std::array<HueEntry, kHueCount> table{};
    int notoriety[kNotorietyCount] = {0, 89, 63, 946, 946, 144, 34};
    int highlightSlots[kNotorietyCount] = {};
};
State& S() {
    static State s;
    return s;
}

uint16_t ReadU16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

// One 88-byte entry; colours of an entry with a colour range are never transparent.
void ReadEntry(const uint8_t* p, HueEntry& e) {
    for (int c = 0; c < 32; ++c)
        e.colours[c] = ReadU16(p + 2 * c);
    e.tableStart = ReadU16(p + 64);
    e.tableEnd = ReadU16(p + 66);
    std::memcpy(e.name, p + 68, sizeof e.name);
    if (e.tableStart != 0 || e.tableEnd != 0)
        for (uint16_t& c : e.colours)
            if (c == 0) c = 1;
}

// Every colour drawable: 0 is the transparent value and bit 15 is not a 5-5-5 colour.
void MakeColoursSafe(HueEntry& e) {
    for (uint16_t& c : e.colours)
        if (c == 0 || (c & 0x8000)) c = 1;
}

} // namespace

void startup() {
    QVReport::message("HueManager::startup: begin.\n");
    S().table = {};
    auto bytes = RenderData::ReadFile("hues.mul", kFileBytes);
    if (!bytes) {
        QVReport::error(
            "File:%s, Function:HueManager::CHueManager(): cannot open file ''. in-game colours may "
            "no be correct.\n",
            "render/hue.cpp");
        for (HueEntry& e : S().table)
            MakeColoursSafe(e);
    } else {
        LoadFromBytes(bytes->data(), bytes->size());
    }
    for (int i = 0; i < kNotorietyCount; ++i) {
        int value = S().highlightSlots[i];
        if (value == 0) continue;
        S().notoriety[i] = value < 0 ? -value : (FindNearestHue(value) & 0xFFFF);
        S().highlightSlots[i] = 0;
    }
}

void shutdown() {}

void LoadFromBytes(const uint8_t* data, size_t length) {
    size_t pos = 0;
    for (int i = 0; i < kHueCount; ++i) {
        if (i % kEntriesPerGroup == 0) pos += 4;
        if (!data || pos > length || length - pos < kEntryBytes) break;
        ReadEntry(data + pos, S().table[i]);
        pos += kEntryBytes;
    }
    for (HueEntry& e : S().table)
        MakeColoursSafe(e);
}

bool ApplyGroup(int group, const uint8_t* data, size_t length) {
    if (!data || group < 0 || group >= kHueCount / kEntriesPerGroup || length < kGroupBytes) return false;
    for (int k = 0; k < kEntriesPerGroup; ++k) {
        HueEntry& e = S().table[group * kEntriesPerGroup + k];
        ReadEntry(data + 4 + k * kEntryBytes, e);
        e.name[sizeof e.name - 1] = 0;
        MakeColoursSafe(e);
    }
    return true;
}

void ApplyVersionGroup(int group, const VerData::HueRecord (&entries)[8]) {
    if (group < 0 || group >= kHueCount / kEntriesPerGroup) return;
    for (int k = 0; k < kEntriesPerGroup; ++k) {
        HueEntry& e = S().table[group * kEntriesPerGroup + k];
        std::memcpy(e.colours, entries[k].colors, sizeof e.colours);
        e.tableStart = entries[k].tableStart;
        e.tableEnd = entries[k].tableEnd;
        std::memcpy(e.name, entries[k].name, sizeof e.name);
        MakeColoursSafe(e);
    }
}

const HueEntry& GetEntry(int hueIndex) {
    if (hueIndex < 0 || hueIndex >= kHueCount) hueIndex = 0;
    return S().table[hueIndex];
}

const uint16_t* ResolveHueColours(int hueIndex) {
    return GetEntry(hueIndex).colours;
}

int FindNearestHue(int rgb555) {
    int r = (rgb555 >> 10) & 31, g = (rgb555 >> 5) & 31, b = rgb555 & 31;
    int best = 0;
    int bestDistance = 0;
    for (int i = 1; i <= 1000; ++i) {
        const HueEntry& e = S().table[i];
        if (e.tableStart == 0 && e.tableEnd == 0) continue;
        int dr = ((e.tableEnd >> 10) & 31) - r;
        int dg = ((e.tableEnd >> 5) & 31) - g;
        int db = (e.tableEnd & 31) - b;
        int distance = dr * dr + dg * dg + db * db;
        if (best == 0 || distance < bestDistance) {
            best = i + 1; // the hue number that selects entry i
            bestDistance = distance;
        }
    }
    return best;
}

int GetNotorietyHue(int notoriety) {
    if (notoriety < 0 || notoriety >= kNotorietyCount) return 0;
    return S().notoriety[notoriety];
}

void SetNotorietyHue(int notoriety, int hue) {
    if (notoriety >= 0 && notoriety < kNotorietyCount) S().notoriety[notoriety] = hue;
}

void SetHighlightColorSlot(int notoriety, int value) {
    if (notoriety >= 0 && notoriety < kNotorietyCount) S().highlightSlots[notoriety] = value;
}

void ResetForTests() {
    S() = State{};
}

} // namespace HueManager

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 0;
}

// atoi without its overflow: leading blanks, a sign, digits; wraps like a 32-bit register.
int DecimalValue(const char* text) {
    while (*text == ' ' || *text == '\t')
        ++text;
    bool negative = false;
    if (*text == '-' || *text == '+') negative = *text++ == '-';
    uint32_t v = 0;
    while (*text >= '0' && *text <= '9')
        v = v * 10u + static_cast<uint32_t>(*text++ - '0');
    if (negative) v = 0u - v;
    return static_cast<int>(v);
}

int Pack(uint32_t r, uint32_t g, uint32_t b) {
    return static_cast<int>((r >> 3) << 10 | (g >> 3) << 5 | (b >> 3));
}

} // namespace

int ParseColor(const char* text) {
    if (!text) return 0;
    if (text[0] == '#') {
        uint32_t digits[6] = {};
        const char* p = text + 1;
        for (int i = 0; i < 6 && *p; ++i, ++p)
            digits[i] = static_cast<uint32_t>(HexDigit(*p));
        return Pack(digits[0] << 4 | digits[1], digits[2] << 4 | digits[3], digits[4] << 4 | digits[5]);
    }
    if (text[0] == '-') return DecimalValue(text);
    uint32_t v = static_cast<uint32_t>(DecimalValue(text));
    return Pack((v >> 16) & 255, (v >> 8) & 255, v & 255);
}
