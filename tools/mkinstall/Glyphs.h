#pragma once
// The built-in glyph set the font writers rasterise: a 5 x 7 pixel font for ASCII 32..126, with
// the Latin-1 letters 0xC0..0xFF drawn as their base letters.
#include <cstdint>

namespace mkinstall {

constexpr int kGlyphColumns = 5;
constexpr int kGlyphRows = 7;

// Seven rows (bit 4 leftmost), or null for a code the set does not draw.
const uint8_t* BuiltinGlyph(int code);
bool BuiltinInk(int code, int column, int row);
// The first and one past the last column with ink (0 and 0 for a blank glyph).
int BuiltinInkStart(int code);
int BuiltinInkColumns(int code);

} // namespace mkinstall
