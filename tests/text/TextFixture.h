#pragma once
// Fonts of known shape for the text tests, a canvas that shows writes outside its target, and the
// text modules reset around every test.
#include "render/BlitTarget.h"
#include "render/HueManager.h"
#include "render/SpanOps.h"
#include "support/CanaryCanvas.h"
#include "support/TestSupport.h"
#include "text/FontManager.h"
#include "text/LanguageManager.h"
#include "text/TextConfig.h"
#include "text/UnicodeFont.h"

#include <cstdint>
#include <string>
#include <vector>

namespace texttest {

// ---------------------------------------------------------------- the test bitmap font
// Letters a..z: 3 x 5, descent 0. 'g' and 'p': 3 x 7, descent 2. ' ': 2 x 5, blank. '.': 1 x 1.
// 'W': 6 x 5. 0xE9: 4 x 5. Everything else is absent. Pixel rows are grey, row r of level 8 + 3r,
// so a row can be told by its colour.
struct GlyphShape {
    int width = 0;
    int height = 0;
    int descent = 0;
};
inline GlyphShape TestGlyph(int code) {
    if (code == 'g' || code == 'p') return {3, 7, 2};
    if (code >= 'a' && code <= 'z') return {3, 5, 0};
    if (code == ' ') return {2, 5, 0};
    if (code == '.') return {1, 1, 0};
    if (code == 'W') return {6, 5, 0};
    if (code == 0xE9) return {4, 5, 0};
    return {};
}
inline uint16_t RowGrey(int row) {
    int level = 8 + 3 * row;
    return static_cast<uint16_t>(level << 10 | level << 5 | level);
}
inline std::string TestFontRecords() {
    std::string out;
    for (int code = 32; code < 256; ++code) {
        GlyphShape g = TestGlyph(code);
        out += static_cast<char>(g.width);
        out += static_cast<char>(g.height);
        out += static_cast<char>(g.descent);
        for (int y = 0; y < g.height; ++y)
            for (int x = 0; x < g.width; ++x) {
                uint16_t p = code == ' ' ? 0 : RowGrey(y);
                out += static_cast<char>(p & 0xFF);
                out += static_cast<char>(p >> 8);
            }
    }
    return out;
}
// "fonts.mul" with the test font in the first `present` slots.
inline std::vector<uint8_t> TestFontsFile(int present) {
    std::string out;
    for (int slot = 0; slot < kFontSlots; ++slot) {
        if (slot < present) {
            out += '\1';
            out += TestFontRecords();
        } else {
            out += '\0';
        }
    }
    return std::vector<uint8_t>(out.begin(), out.end());
}

// ---------------------------------------------------------------- the test unicode font
// 'A': 4 x 3 of ink at yOffset 1. 'B': 9 x 1 with ink in columns 0 and 8 (a row of two bytes).
// 'x': 2 x 2 at xOffset 2. '.': 1 x 1 at yOffset 10. '^', 'F', 'L', 'M', 'R', 'n', 'q': 2 x 2.
// U+4E00 and U+4E8C: 5 x 5 of ink. Everything else has no glyph.
struct UnicodeGlyphShape {
    char16_t unit;
    int xOffset, yOffset, width, height;
    std::vector<std::string> rows; // '#' ink
};
inline std::vector<UnicodeGlyphShape> TestUnicodeGlyphs() {
    std::vector<UnicodeGlyphShape> g = {
        {u'A', 0, 1, 4, 3, {"####", "####", "####"}},
        {u'B', 0, 0, 9, 1, {"#.......#"}},
        {u'x', 2, 0, 2, 2, {"##", "##"}},
        {u'.', 0, 10, 1, 1, {"#"}},
        {u'\u4E00', 0, 0, 5, 5, {"#####", "#####", "#####", "#####", "#####"}},
        {u'\u4E8C', 0, 0, 5, 5, {"#####", "#####", "#####", "#####", "#####"}},
    };
    for (char16_t u : {u'^', u'F', u'L', u'M', u'R', u'n', u'q'})
        g.push_back({u, 0, 0, 2, 2, {"##", "##"}});
    return g;
}
inline std::vector<uint8_t> TestUnicodeFontFile() {
    std::vector<uint8_t> out(kUnicodeOffsetTableBytes, 0);
    for (const UnicodeGlyphShape& s : TestUnicodeGlyphs()) {
        uint32_t offset = static_cast<uint32_t>(out.size());
        for (int b = 0; b < 4; ++b)
            out[static_cast<size_t>(s.unit) * 4 + b] = static_cast<uint8_t>(offset >> (8 * b));
        out.push_back(static_cast<uint8_t>(s.xOffset));
        out.push_back(static_cast<uint8_t>(s.yOffset));
        out.push_back(static_cast<uint8_t>(s.width));
        out.push_back(static_cast<uint8_t>(s.height));
        for (const std::string& row : s.rows) {
            std::vector<uint8_t> bytes(static_cast<size_t>((s.width + 7) / 8), 0);
            for (int x = 0; x < s.width; ++x)
                if (row[static_cast<size_t>(x)] == '#') bytes[static_cast<size_t>(x / 8)] |= 0x80 >> (x % 8);
            out.insert(out.end(), bytes.begin(), bytes.end());
        }
    }
    return out;
}

using Canvas = qvtest::CanaryCanvas;

// ---------------------------------------------------------------- fixture
class TextTest : public qvtest::CleanState {
  protected:
    void SetUp() override {
        qvtest::CleanState::SetUp();
        ResetAll();
    }
    void TearDown() override {
        ResetAll();
        qvtest::CleanState::TearDown();
    }
    static void ResetAll() {
        FontManager::ResetForTests();
        ResetUnicodeFontsForTests();
        LanguageManager::ResetForTests();
        ResetTextConfig();
        ResetSpanState();
        HueManager::ResetForTests();
    }
    // The test bitmap font in slots 0..present-1.
    static void UseTestFonts(int present = 2) {
        std::vector<uint8_t> file = TestFontsFile(present);
        FontManager::LoadFontsFromBytes(file.data(), file.size());
    }
    // The test unicode font as all three fonts.
    static void UseTestUnicodeFonts() {
        for (int f = 0; f < kUnicodeFontCount; ++f)
            UnicodeUseFontBytes(f, TestUnicodeFontFile());
    }
};

} // namespace texttest
