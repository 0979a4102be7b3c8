#include "render/SpanOps.h"

#include "render/HueManager.h"

#include <algorithm>
#include <cstring>

using namespace SpanChannels;

namespace {

struct BlendTables {
    // [mode][destination * 32 + source]; mode 0 (plain drawing) passes the source through so that a
    // blend span drawn with no mode chosen still draws something sensible.
    uint16_t table[8][32 * 32];
    uint8_t darkening[32 * 32];

    BlendTables() {
        for (int d = 0; d < 32; ++d) {
            for (int s = 0; s < 32; ++s) {
                int product = d * s / 32;
                int values[8] = {
                    s,
                    product,
                    std::min(d + s, 31),
                    std::min(d + s + product, 31),
                    std::min((d + s) / 2 + product, 31),
                    std::min((d + s) / 4 + product, 31),
                    std::max(d - s, 0),
                    std::max(s - d, 0),
                };
                for (int m = 0; m < 8; ++m)
                    table[m][d * 32 + s] = static_cast<uint16_t>(values[m]);
            }
        }
        for (int k = 0; k < 32; ++k)
            for (int v = 0; v < 32; ++v)
                darkening[k * 32 + v] = static_cast<uint8_t>(v * (32 - k) / 32);
    }
};

const BlendTables& Tables() {
    static const BlendTables tables;
    return tables;
}

// Table of a blend mode: 1 and 8..15 share the product table.
int TableOfMode(int mode) {
    int m = mode & 15;
    return m >= 8 ? 1 : m;
}

struct SpanState {
    int hueIndex = 0;
    const uint16_t* hue = nullptr; // colours of the current hue entry, resolved once
    int blendMode = 0;
    const uint16_t* blend = nullptr;
    uint16_t censor = kDefaultCensorColor;
};
SpanState g_span;

inline const uint16_t* CurrentHue() {
    if (!g_span.hue) g_span.hue = HueManager::ResolveHueColours(g_span.hueIndex);
    return g_span.hue;
}

inline const uint16_t* CurrentBlend() {
    if (!g_span.blend) g_span.blend = Tables().table[TableOfMode(g_span.blendMode)];
    return g_span.blend;
}

inline uint16_t Blend(const uint16_t* t, uint16_t q, uint16_t p) {
    return static_cast<uint16_t>(t[Red(q) * 32 + Red(p)] << 10 | t[Green(q) * 32 + Green(p)] << 5 |
                                 t[Blue(q) * 32 + Blue(p)]);
}

} // namespace

void CopySpan(uint16_t* destination, const uint16_t* source, int count) {
    if (count > 0) std::memmove(destination, source, static_cast<size_t>(count) * sizeof(uint16_t));
}

void CopySpanKeyed(uint16_t* destination, const uint16_t* source, int count) {
    for (int i = 0; i < count; ++i)
        if (source[i]) destination[i] = source[i];
}

void HueSpan(uint16_t* destination, const uint16_t* source, int count) {
    const uint16_t* colour = CurrentHue();
    for (int i = 0; i < count; ++i)
        destination[i] = colour[Red(source[i])];
}

void HueSpanKeyed(uint16_t* destination, const uint16_t* source, int count) {
    const uint16_t* colour = CurrentHue();
    for (int i = 0; i < count; ++i)
        if (source[i]) destination[i] = colour[Red(source[i])];
}

void HueSpanByGreen(uint16_t* destination, const uint16_t* source, int count) {
    const uint16_t* colour = CurrentHue();
    for (int i = 0; i < count; ++i)
        destination[i] = colour[Green(source[i])];
}

void PartialHueSpan(uint16_t* destination, const uint16_t* source, int count) {
    const uint16_t* colour = CurrentHue();
    for (int i = 0; i < count; ++i) {
        uint16_t p = source[i];
        destination[i] = IsGrey(p) ? colour[Red(p)] : p;
    }
}

void PartialHueSpanKeyed(uint16_t* destination, const uint16_t* source, int count) {
    const uint16_t* colour = CurrentHue();
    for (int i = 0; i < count; ++i) {
        uint16_t p = source[i];
        if (p) destination[i] = IsGrey(p) ? colour[Red(p)] : p;
    }
}

void TranslucentSpan(uint16_t* destination, const uint16_t* source, int count) {
    for (int i = 0; i < count; ++i)
        destination[i] = ThreeQuarters(source[i], destination[i]);
}

void TranslucentSpanKeyed(uint16_t* destination, const uint16_t* source, int count) {
    for (int i = 0; i < count; ++i)
        if (source[i]) destination[i] = ThreeQuarters(source[i], destination[i]);
}

void FaintSpan(uint16_t* destination, const uint16_t* source, int count) {
    for (int i = 0; i < count; ++i)
        destination[i] = ThreeQuarters(destination[i], source[i]);
}

void BlendSpanKeyed(uint16_t* destination, const uint16_t* source, int count) {
    for (int i = 0; i < count; ++i) {
        uint16_t p = source[i];
        if (p) destination[i] = static_cast<uint16_t>((((destination[i] & kHalfMask) + (p & kHalfMask)) >> 1) | 1);
    }
}

void HueTranslucentSpan(uint16_t* destination, const uint16_t* source, int count) {
    const uint16_t* colour = CurrentHue();
    for (int i = 0; i < count; ++i)
        destination[i] = ThreeQuarters(colour[Red(source[i])], destination[i]);
}

void HueTranslucentSpanKeyed(uint16_t* destination, const uint16_t* source, int count) {
    const uint16_t* colour = CurrentHue();
    for (int i = 0; i < count; ++i)
        if (source[i]) destination[i] = ThreeQuarters(colour[Red(source[i])], destination[i]);
}

void PartialHueTranslucentSpan(uint16_t* destination, const uint16_t* source, int count) {
    const uint16_t* colour = CurrentHue();
    for (int i = 0; i < count; ++i) {
        uint16_t p = source[i];
        destination[i] = IsGrey(p) ? ThreeQuarters(colour[Red(p)], destination[i]) : p;
    }
}

void PartialHueTranslucentSpanKeyed(uint16_t* destination, const uint16_t* source, int count) {
    const uint16_t* colour = CurrentHue();
    for (int i = 0; i < count; ++i) {
        uint16_t p = source[i];
        if (p) destination[i] = IsGrey(p) ? ThreeQuarters(colour[Red(p)], destination[i]) : p;
    }
}

void BlendTableSpan(uint16_t* destination, const uint16_t* source, int count) {
    const uint16_t* table = CurrentBlend();
    for (int i = 0; i < count; ++i)
        destination[i] = Blend(table, destination[i], source[i]);
}

void HueBlendSpan(uint16_t* destination, const uint16_t* source, int count) {
    const uint16_t* table = CurrentBlend();
    const uint16_t* colour = CurrentHue();
    for (int i = 0; i < count; ++i)
        destination[i] = Blend(table, destination[i], colour[Green(source[i])]);
}

void BloodRecolorSpan(uint16_t* destination, const uint16_t* source, int count) {
    const uint8_t* dark = Tables().darkening;
    const uint16_t censor = g_span.censor;
    for (int i = 0; i < count; ++i) {
        uint16_t p = source[i];
        int red = Red(p);
        if (red > Green(p) + Blue(p)) {
            const uint8_t* row = dark + (31 - red) * 32;
            destination[i] =
                static_cast<uint16_t>(row[Red(censor)] << 10 | row[Green(censor)] << 5 | row[Blue(censor)]);
        } else {
            destination[i] = p;
        }
    }
}

void HueGreySpan(uint16_t* destination, const uint16_t* source, int count, int hueIndex) {
    const uint16_t* colour = HueManager::ResolveHueColours(hueIndex);
    for (int i = 0; i < count; ++i) {
        uint16_t p = source[i];
        if (p) destination[i] = IsGrey(p) ? colour[Red(p)] : p;
    }
}

void SetCurrentHueIndex(int hueIndex) {
    g_span.hueIndex = hueIndex;
    g_span.hue = HueManager::ResolveHueColours(hueIndex);
}

int GetCurrentHueIndex() {
    return g_span.hueIndex;
}

bool IsNoBlendMode(int mode) {
    return (mode & 15) == 0;
}

int SelectBlendTable(int mode) {
    g_span.blendMode = mode & 15;
    g_span.blend = Tables().table[TableOfMode(mode)];
    return mode & 15;
}

const uint16_t* BlendTable(int mode) {
    return Tables().table[TableOfMode(mode)];
}

void SetCensorColor(uint16_t colour) {
    g_span.censor = colour & 0x7FFF;
}

uint16_t GetCensorColor() {
    return g_span.censor;
}

const uint8_t* DarkeningTable() {
    return Tables().darkening;
}

void ResetSpanState() {
    g_span = SpanState{};
}
