#pragma once
// Span operations: the inner loop of every blit. Each writes count destination pixels from count
// source pixels of 16-bit 5-5-5 colour. Keyed operations leave the destination alone where the
// source is 0 (transparent); the others write every pixel. Blended results have bit 0 set so that
// they never become the transparent value.
#include <cstdint>

using SpanOp = void (*)(uint16_t* destination, const uint16_t* source, int count);

void CopySpan(uint16_t* destination, const uint16_t* source, int count);
void CopySpanKeyed(uint16_t* destination, const uint16_t* source, int count);
void HueSpan(uint16_t* destination, const uint16_t* source, int count);
void HueSpanKeyed(uint16_t* destination, const uint16_t* source, int count);
void HueSpanByGreen(uint16_t* destination, const uint16_t* source, int count);
void PartialHueSpan(uint16_t* destination, const uint16_t* source, int count);
void PartialHueSpanKeyed(uint16_t* destination, const uint16_t* source, int count);
void TranslucentSpan(uint16_t* destination, const uint16_t* source, int count);
void TranslucentSpanKeyed(uint16_t* destination, const uint16_t* source, int count);
void FaintSpan(uint16_t* destination, const uint16_t* source, int count);
void BlendSpanKeyed(uint16_t* destination, const uint16_t* source, int count);
void HueTranslucentSpan(uint16_t* destination, const uint16_t* source, int count);
void HueTranslucentSpanKeyed(uint16_t* destination, const uint16_t* source, int count);
void PartialHueTranslucentSpan(uint16_t* destination, const uint16_t* source, int count);
void PartialHueTranslucentSpanKeyed(uint16_t* destination, const uint16_t* source, int count);
void BlendTableSpan(uint16_t* destination, const uint16_t* source, int count);
void HueBlendSpan(uint16_t* destination, const uint16_t* source, int count);
void BloodRecolorSpan(uint16_t* destination, const uint16_t* source, int count);

// An operation with what it reads resolved once, for a blit that runs it over many spans while
// the hue and blend state stay put: the loop of this processor and its parameters.
struct SpanParams;
struct ResolvedSpan {
    void (*kernel)(uint16_t*, const uint16_t*, int, const SpanParams&) = nullptr;
    const SpanParams* params = nullptr;
    void operator()(uint16_t* destination, const uint16_t* source, int count) const {
        kernel(destination, source, count, *params);
    }
};
// False for CopySpan and for an operation that is not one of the above.
bool ResolveSpanOp(SpanOp op, ResolvedSpan& out, SpanParams& params);

// Keyed; grey source pixels take colour[red] of the given hue, other pixels are copied. The
// bitmap fonts hue only their grey pixels with it.
void HueGreySpan(uint16_t* destination, const uint16_t* source, int count, int hueIndex);

// The hue the hue operations read: index = hue number - 1. The entry is looked up here, once, and
// an index outside the table (a bad hue number from a packet, hue arithmetic below 0) takes
// entry 0, so the operations themselves never index out of the table.
void SetCurrentHueIndex(int hueIndex);
int GetCurrentHueIndex();

// Blend modes of the effects: the low four bits choose a table; 0 is plain drawing.
bool IsNoBlendMode(int mode);
int SelectBlendTable(int mode);
// table[destination channel * 32 + source channel] -> result channel (tests and the light code).
const uint16_t* BlendTable(int mode);

// The "CensoredBloodColor" option: what blood becomes when it is censored (5-5-5).
void SetCensorColor(uint16_t colour);
uint16_t GetCensorColor();
constexpr uint16_t kDefaultCensorColor = 0x03E0;

// Row k, column v = v * (32 - k) / 32: 32 rows of 32 bytes.
const uint8_t* DarkeningTable();

// Back to the start-up state: hue index 0, blend mode 0, the default censor colour.
void ResetSpanState();

namespace SpanChannels {
constexpr uint16_t kHalfMask = 0x7BDE;    // each channel without its lowest bit
constexpr uint16_t kQuarterMask = 0x739C; // each channel without its two lowest bits
inline int Red(uint16_t p) {
    return (p >> 10) & 31;
}
inline int Green(uint16_t p) {
    return (p >> 5) & 31;
}
inline int Blue(uint16_t p) {
    return p & 31;
}
inline bool IsGrey(uint16_t p) {
    return Red(p) == Green(p) && Green(p) == Blue(p);
}
// Three quarters of p over one quarter of q, never 0.
// In 16-bit steps (no sum exceeds 0xFFFF), so that loops of it become 16-bit vector code.
inline uint16_t ThreeQuarters(uint16_t p, uint16_t q) {
    uint16_t quarters = static_cast<uint16_t>((q & kQuarterMask) + (p & kQuarterMask));
    uint16_t sum = static_cast<uint16_t>(static_cast<uint16_t>(quarters >> 1) + (p & kHalfMask));
    return static_cast<uint16_t>(static_cast<uint16_t>(sum >> 1) | 1);
}
} // namespace SpanChannels
