#pragma once
// The unicode font renderer: three 1-bit fonts ("unifont.mul", "unifont1.mul", "unifont2.mul")
// that cover the 16-bit code space through an offset table, one current font and style, bold,
// italic and underline made by the renderer, optional one-pixel anti-aliasing, an adjustable space
// width and the '^' colour escapes. Lines are 18 pixels high. Drawing writes into a blit target and
// is cut to it and to the clip; every glyph is checked against its file before it is read.
#include "render/BlitTarget.h"
#include "render/Rect.h"

#include <cstddef>
#include <cstdint>
#include <vector>

constexpr int kUnicodeFontCount = 3;
constexpr int kUnicodeLineHeight = 18;
constexpr size_t kUnicodeOffsetTableBytes = 65536 * 4;

// Text style flags (the HTML document sets them).
namespace TextStyle {
constexpr uint32_t Small = 0x2;
constexpr uint32_t Big = 0x4;
constexpr uint32_t I = 0x8;
constexpr uint32_t B = 0x10;
constexpr uint32_t U = 0x20;
constexpr uint32_t Em = 0x40;
constexpr uint32_t Strong = 0x80;
constexpr uint32_t H1 = 0x100;
constexpr uint32_t H2 = 0x200;
constexpr uint32_t H3 = 0x400;
constexpr uint32_t H4 = 0x800;
constexpr uint32_t H5 = 0x1000;
constexpr uint32_t H6 = 0x2000;
constexpr uint32_t RightAligned = 0x4000;
constexpr uint32_t Centred = 0x8000;
constexpr uint32_t Link = 0x10000;
constexpr uint32_t ItalicBits = 0x1048;
constexpr uint32_t BoldBits = 0xB90;
constexpr uint32_t UnderlineBits = 0x10120;
} // namespace TextStyle

// Set while the item-properties window draws: '^' escapes change the colour.
extern int unicodeColorEscapes;

// Maps the three files (a missing one is fatal); run by every operation until it has succeeded.
void LoadUnicodeFont();
bool UnicodeFontsLoaded();
// Uses these bytes as a font's file (tests, tools); marks the fonts loaded. Empty bytes: no font.
void UnicodeUseFontBytes(int font, std::vector<uint8_t> bytes);
// The same over bytes the caller keeps alive and unchanged while the font is in use.
void UnicodeUseFontView(int font, const uint8_t* data, size_t size);
void ResetUnicodeFontsForTests();

int UnicodeGetFont();
void UnicodeSetFont(int font); // a font without a file selects font 0
void UnicodeSetStyle(uint32_t flags);
void UnicodeRestoreStyle();
uint32_t UnicodeGetStyle();
bool UnicodeStyleIsRightAligned();
bool UnicodeStyleIsCentered();
bool UnicodeStyleIsItalic();
bool UnicodeStyleIsBold();
bool UnicodeStyleIsUnderlined();
int UnicodeGetSpaceWidth();
void UnicodeSetSpaceWidth(int pixels);
uint8_t UnicodeGetAntiAlias();
void UnicodeSetAntiAlias(uint8_t on);

// The glyph's rows (height rows of ceil(width / 8) bytes, bit 7 leftmost), or null: a space gives
// width = space width, a unit without a glyph all zeros.
const uint8_t* UnicodeGetGlyph(char16_t unit, int* xOffset, int* yOffset, int* width, int* height);
bool UnicodeHasGlyph(char16_t unit);
int UnicodeGetCharWidth(char16_t unit);
int UnicodeGetStringWidth(const char16_t* text);
int UnicodeGetWordWidth(const char16_t* text);
void UnicodeCalcInfo(const char16_t* text, int* width, int* height, int* third);
int UnicodeGetPrefixWidth(int n, const char16_t* text);
int UnicodeGetCharsInWidth(const char16_t* text, int width);
// Index of the last unit of the first line, or -2 when the whole text fits.
int UnicodeFindLineBreak(const char16_t* text, int maxWidth);
void UnicodeCalcInfoWrap(const char16_t* text, int width, int* widest, int* height, int* third);
void UnicodeGetStringWrapEndXY(int n, const char16_t* text, int width, int* x, int* y);
int UnicodeGetCharsInBox(const char16_t* text, int wrapWidth, int maxX, int maxY);

// y is the top of the 18-pixel line. 0 only when the fonts are not loaded.
int UnicodeDrawString(const BlitTarget& target, const char16_t* text, int x, int y, uint16_t colour,
                      const Rect& clip);
int UnicodeDrawStringSelected(const BlitTarget& target, const char16_t* text, int x, int y, uint16_t colour,
                              const Rect& clip, uint16_t selectionColour, int selectionStart,
                              int selectionEnd);
int UnicodeDrawStringEllips(const BlitTarget& target, const char16_t* text, int x, int y, uint16_t colour,
                            const Rect& clip);
int UnicodeDrawStringWrap(const BlitTarget& target, int width, const char16_t* text, int x, int y,
                          uint16_t colour, const Rect& clip, bool centre);
int UnicodeDrawStringWrapSelected(const BlitTarget& target, int width, const char16_t* text, int x, int y,
                                  uint16_t colour, const Rect& clip, uint16_t selectionColour,
                                  int selectionStart, int selectionEnd);

// 15-bit colour of an HTML colour name (the text need only begin with it), or -1.
int HtmlColorFromName(const char16_t* text);
// "#rrggbb" reduced to 5-5-5, or a decimal number as it stands; -1 otherwise.
int HtmlParseColor(const char16_t* text);
