#pragma once
// The bitmap fonts of "fonts.mul": 25 slots of coloured glyphs for the codes 32 to 255, and the
// measuring, wrapping, cutting and drawing of 8-bit text with them. Drawing writes into a blit
// target (pixels, pitch, height and the rectangle it may write) and is cut to it and to the clip.
// Also four small drawing operations for the 16-bit bitmaps of map windows.
#include "render/BlitTarget.h"
#include "render/Rect.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

constexpr int kFontSlots = 25;
constexpr int kFirstFontCode = 32;
constexpr int kFontGlyphs = 224;   // codes 32..255
constexpr int kMaxLineBytes = 255; // wrapped and cut texts use at most this many bytes

struct FontGlyphBitmap {
    int width = 0; // 0: the glyph is absent
    int height = 0;
    std::vector<uint16_t> pixels; // width x height, 5-5-5, 0 transparent
};

class CFont {
  public:
    CFont();
    ~CFont();
    CFont(const CFont&) = delete;
    CFont& operator=(const CFont&) = delete;

    // Set: a hue recolours only the grey pixels; otherwise every pixel, by its red channel.
    int partialHue = 0;
    FontGlyphBitmap glyph[kFontGlyphs];
    int descent[kFontGlyphs] = {}; // rows below the baseline

    // Null for codes outside 32..255 and for absent glyphs.
    const FontGlyphBitmap* Glyph(int code) const;
    int Width(int code) const;
    // Draws the glyph with its baseline on row y; a glyph that does not fit between the clip's
    // left and right edges is not drawn (0). Returns the glyph's width.
    int DrawChar(int x, int y, int hue, int code, const BlitTarget& target, const Rect& clip) const;
};

namespace FontManager {

void startup();
void shutdown();
// Reads "fonts.mul"; a missing file is fatal.
int LoadFonts();
// The font table from the bytes of "fonts.mul"; a file that ends inside a glyph keeps the glyphs
// read so far and leaves the later slots empty. Returns the number of fonts loaded.
int LoadFontsFromBytes(const uint8_t* data, size_t size);
// Empties every slot (shutdown, and before a new table is read).
void UnloadFonts();
// Puts a font into a slot (replacing and destroying the one there); null empties the slot.
void ReplaceFont(int slot, std::unique_ptr<CFont> font);

const CFont* GetFont(int font); // null outside 0..24 and for empty slots
bool IsFontLoaded(int font);
bool HasGlyph(int font, int code);
int GetCharWidth(int font, int code);
int GetPrefixWidth(int font, int n, const char* text);

// Width, height and baseline row of one line; 0 (outputs untouched) for a missing font.
int CalcInfo(int font, const char* text, int* width, int* height, int* baseline);
// Index of the last byte of the first line; -1 when everything fits.
int FindLineBreak(int font, const char* text, int width);
int CalcInfoWrap(int font, const char* text, int width, int* widest, int* height, int* baseline, int indent);
// Caret position of byte n in the wrapped text.
void GetStringWrapEndXY(int font, int n, const char* text, int width, int* x, int* y);
int GetCharsInWidth(int font, const char* text, int width);
int GetCharsInBox(int font, const char* text, int wrapWidth, int maxX, int maxY);

int DrawString(int x, int y, int font, int hue, const char* text, const BlitTarget& target, const Rect& clip);
// Word-wrapped at width from the top y; returns the height used.
int DrawstringBuf(int x, int y, int font, int hue, const char* text, int width, const BlitTarget& target,
                  const Rect& clip, int indent, int lineHeight, bool centre);
int DrawStringBufEllips(int x, int y, int font, int hue, const char* text, const BlitTarget& target,
                        const Rect& clip);
int DrawWideStringEllips(int x, int y, int font, int hue, const char16_t* text, const BlitTarget& target,
                         const Rect& clip);

// Tests only: back to the state before start-up.
void ResetForTests();

} // namespace FontManager

// A 16-bit bitmap in rows of its width (a pixel block).
struct PixelBlockView {
    uint16_t* pixels = nullptr;
    int width = 0;
    int height = 0;
};

// Fills pixel pairs from (left & ~1, top & ~1); bottom - top + 1 rows of (right - left + 1) / 2
// pairs. Everything is cut to the bitmap.
int FillBitmapRect(int left, int top, int right, int bottom, uint16_t colour, const PixelBlockView& bitmap);
// Lines with both end points; only pixels inside the bitmap are touched.
int DrawBitmapLine(int x0, int y0, int x1, int y1, uint16_t colour, const PixelBlockView& bitmap);
// Moves each pixel on the line half-way to white.
int DrawBitmapLineBlended(int x0, int y0, int x1, int y1, const PixelBlockView& bitmap);
// Copies the pixels on the line from src to dst, where both have them.
int CopyBitmapLine(int x0, int y0, int x1, int y1, const PixelBlockView& dst, const PixelBlockView& src);
