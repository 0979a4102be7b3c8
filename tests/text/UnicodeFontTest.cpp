#include "TextFixture.h"

#include "core/FileManager.h"
#include "mkinstall/ArtFiles.h"
#include "mkinstall/TextFiles.h"
#include "platform/headless.h"

#include <gtest/gtest.h>

namespace {

using texttest::Canvas;

constexpr uint16_t kWhite = 0x7FFF;
constexpr uint16_t kHalfWhite = 0x3DEF;

class UnicodeFontTest : public texttest::TextTest {
  protected:
    void SetUp() override {
        TextTest::SetUp();
        UseTestUnicodeFonts();
    }
    // The text in an array of exactly its length and terminator, so a read past it is caught.
    static std::vector<char16_t> Exact(const std::u16string& text) {
        std::vector<char16_t> units(text.begin(), text.end());
        units.push_back(0);
        return units;
    }
};

void PutOffset(std::vector<uint8_t>& font, char16_t unit, int32_t offset) {
    for (int b = 0; b < 4; ++b)
        font[static_cast<size_t>(unit) * 4 + b] =
            static_cast<uint8_t>(static_cast<uint32_t>(offset) >> (8 * b));
}

// ---------------------------------------------------------------- widths and styles

TEST_F(UnicodeFontTest, AdvancesWithBoldItalicAndAntiAliasing) {
    struct Case {
        uint32_t style;
        uint8_t antiAlias;
        int glyph, none; // advance of 'A' (xOffset 0, width 4) and of a unit without a glyph
    } cases[] = {
        {0, 0, 5, 1},
        {TextStyle::B, 0, 6, 2},
        {TextStyle::Em, 0, 6, 2},
        {TextStyle::H1, 0, 6, 2},
        {TextStyle::I | TextStyle::Strong, 0, 7, 3},
        {0, 1, 4, 0},
        {TextStyle::B, 1, 5, 1},
    };
    for (const Case& c : cases) {
        UnicodeSetStyle(c.style);
        UnicodeSetAntiAlias(c.antiAlias);
        EXPECT_EQ(UnicodeGetCharWidth(u'A'), c.glyph) << std::hex << c.style;
        EXPECT_EQ(UnicodeGetCharWidth(u'z'), c.none) << std::hex << c.style;
        EXPECT_EQ(UnicodeGetCharWidth(u' '), 8) << "a space is the space width alone";
    }
    UnicodeSetStyle(0);
    UnicodeSetAntiAlias(0);
    EXPECT_EQ(UnicodeGetCharWidth(u'x'), 5); // xOffset 2 + width 2 + 1
    EXPECT_EQ(UnicodeGetStringWidth(u"A A"), 18);
    EXPECT_EQ(UnicodeGetStringWidth(u"AzA"), 11);
    int width = -1, height = -1, third = -1;
    UnicodeCalcInfo(u"AzA", &width, &height, &third);
    EXPECT_EQ(width, 10); // a unit without a glyph measures nothing here
    EXPECT_EQ(height, 18);
    EXPECT_EQ(third, 0);
    {
        qvtest::ReportRecorder report;
        UnicodeCalcInfo(nullptr, &width, &height, &third);
        EXPECT_EQ(width, 0);
        EXPECT_TRUE(report.contains(QVReport::Level::Error, "UnicodeCalcInfo: text == 0."));
    }
    EXPECT_EQ(UnicodeGetPrefixWidth(2, u"AAA"), 10);
    EXPECT_EQ(UnicodeGetPrefixWidth(-1, u"AAA"), 0);
    EXPECT_EQ(UnicodeGetPrefixWidth(10, u"AAA"), 15);
    EXPECT_EQ(UnicodeGetCharsInWidth(u"AAA", 10), 1); // strictly less than the width
    EXPECT_EQ(UnicodeGetCharsInWidth(u"AAA", 11), 2);
    EXPECT_EQ(UnicodeGetWordWidth(u"AA A"), 10);
    EXPECT_EQ(UnicodeGetWordWidth(u"\u4E00\u4E8C\u4E00"), 6); // ideographs break after each
    int x = -1, w = -1;
    EXPECT_EQ(UnicodeGetGlyph(u' ', &x, nullptr, &w, nullptr), nullptr);
    EXPECT_EQ(w, 8);
    EXPECT_EQ(UnicodeGetGlyph(u'z', &x, nullptr, &w, nullptr), nullptr);
    EXPECT_EQ(w, 0);
    EXPECT_NE(UnicodeGetGlyph(u'x', &x, nullptr, &w, nullptr), nullptr);
    EXPECT_EQ(x, 2);
    EXPECT_TRUE(UnicodeHasGlyph(u' '));
    EXPECT_FALSE(UnicodeHasGlyph(u'z'));
}

TEST_F(UnicodeFontTest, StylesPickFontsAndSaveOneLevel) {
    UnicodeSetStyle(TextStyle::Small);
    EXPECT_EQ(UnicodeGetFont(), 2);
    UnicodeSetStyle(TextStyle::H3);
    EXPECT_EQ(UnicodeGetFont(), 0);
    UnicodeSetStyle(TextStyle::B | TextStyle::Link);
    EXPECT_EQ(UnicodeGetFont(), 1);
    EXPECT_TRUE(UnicodeStyleIsBold());
    EXPECT_TRUE(UnicodeStyleIsUnderlined());
    EXPECT_FALSE(UnicodeStyleIsItalic());
    UnicodeRestoreStyle(); // the state before the last call only
    EXPECT_EQ(UnicodeGetFont(), 0);
    EXPECT_EQ(UnicodeGetStyle(), TextStyle::H3);
    UnicodeRestoreStyle();
    EXPECT_EQ(UnicodeGetStyle(), TextStyle::H3);

    UnicodeSetStyle(TextStyle::Centred | TextStyle::RightAligned | TextStyle::H5);
    EXPECT_TRUE(UnicodeStyleIsCentered());
    EXPECT_TRUE(UnicodeStyleIsRightAligned());
    EXPECT_TRUE(UnicodeStyleIsItalic());

    UnicodeUseFontBytes(2, {}); // a font without its file falls back to font 0
    UnicodeSetStyle(TextStyle::Small);
    EXPECT_EQ(UnicodeGetFont(), 0);
    UnicodeSetFont(2);
    EXPECT_EQ(UnicodeGetFont(), 0);
    UnicodeSetFont(7);
    EXPECT_EQ(UnicodeGetFont(), 0);
    UnicodeSetFont(1);
    EXPECT_EQ(UnicodeGetFont(), 1);
}

TEST_F(UnicodeFontTest, UnreasonableSpaceWidthsAreShownAndKept) {
    for (int width : {0, 21, 20, 1}) {
        platform::headless::ClearMessageBoxes();
        UnicodeSetSpaceWidth(width);
        EXPECT_EQ(UnicodeGetSpaceWidth(), width);
        bool unreasonable = width < 1 || width > 20;
        ASSERT_EQ(platform::headless::MessageBoxes().size(), unreasonable ? 1u : 0u) << width;
        if (unreasonable) {
            EXPECT_EQ(platform::headless::MessageBoxes()[0].text, "Unreasonable width of space character.");
            EXPECT_EQ(platform::headless::MessageBoxes()[0].caption, "UnicodeSetSpaceWidth()");
        }
    }
}

TEST_F(UnicodeFontTest, GlyphsOutsideTheirFileAreNotRead) {
    std::vector<uint8_t> font = texttest::TestUnicodeFontFile();
    const int32_t size = static_cast<int32_t>(font.size());
    PutOffset(font, u'D', -5);                       // before the file
    PutOffset(font, u'E', 0x7FFFFFFF);               // far past it
    font.insert(font.end(), {0, 0, 100, 100, 0xFF}); // a 100 x 100 glyph of one byte
    PutOffset(font, u'G', size);
    font.insert(font.end(), {0, 0, 0x80, 4}); // a negative width
    PutOffset(font, u'H', size + 5);
    PutOffset(font, u'C', static_cast<int32_t>(font.size()) - 2); // the header runs past the end
    qvtest::ReportRecorder report;
    UnicodeUseFontBytes(1, font);
    UnicodeSetFont(1);
    Canvas canvas(60, 18);
    for (char16_t u : {u'C', u'D', u'E', u'G', u'H'}) {
        EXPECT_FALSE(UnicodeHasGlyph(u)) << static_cast<char>(u);
        EXPECT_EQ(UnicodeGetCharWidth(u), 1);
        const char16_t text[] = {u, u'A', 0};
        UnicodeDrawString(canvas.Target(), text, 0, 0, kWhite, kNoClip);
    }
    EXPECT_EQ(canvas.Ink(), 12); // the 'A's only
    EXPECT_TRUE(UnicodeHasGlyph(u'A'));
    int warnings = 0;
    for (const auto& line : report.lines())
        warnings += line.text.find("lies outside its file") != std::string::npos;
    EXPECT_EQ(warnings, 1); // once per font

    // A file too short for its offset table is no font at all.
    UnicodeUseFontBytes(2, std::vector<uint8_t>(1000, 0));
    UnicodeSetFont(2);
    EXPECT_EQ(UnicodeGetFont(), 0);
    EXPECT_TRUE(report.contains(QVReport::Level::Error, "too short for its offset table"));
}

// ---------------------------------------------------------------- drawing

TEST_F(UnicodeFontTest, BoldItalicUnderlineAndAntiAliasPixels) {
    struct Case {
        const char* name;
        uint32_t style;
        uint8_t antiAlias;
        std::vector<std::string> rows; // canvas rows 0..3 and 14
    } cases[] = {
        {"plain", 0, 0, {"..........", "####......", "####......", "####......", ".........."}},
        {"bold", TextStyle::B, 0, {"..........", "#####.....", "#####.....", "#####.....", ".........."}},
        {"italic", TextStyle::I, 0, {"..........", ".####.....", "####......", "####......", ".........."}},
        {"underline",
         TextStyle::U,
         0,
         {"..........", "####......", "####......", "####......", "#####....."}},
        {"anti-aliased", 0, 1, {"..........", "####......", "####......", "####......", ".........."}},
    };
    for (const Case& c : cases) {
        UnicodeSetStyle(c.style);
        UnicodeSetAntiAlias(c.antiAlias);
        Canvas canvas(10, 18);
        EXPECT_EQ(UnicodeDrawString(canvas.Target(), u"A", 0, 0, kWhite, kNoClip), 1);
        for (int r = 0; r < 4; ++r)
            EXPECT_EQ(canvas.Row(r), c.rows[static_cast<size_t>(r)]) << c.name << " row " << r;
        EXPECT_EQ(canvas.Row(14), c.rows[4]) << c.name;
        EXPECT_EQ(canvas.at(0, 2), c.antiAlias ? kHalfWhite : kWhite) << c.name;
        EXPECT_EQ(canvas.at(1, 2), kWhite) << c.name;
    }
    UnicodeSetStyle(TextStyle::B);
    UnicodeSetAntiAlias(1);
    Canvas both(10, 18);
    UnicodeDrawString(both.Target(), u"A", 0, 0, kWhite, kNoClip);
    EXPECT_EQ(both.at(0, 1), kHalfWhite);
    EXPECT_EQ(both.at(1, 1), kWhite); // the half twin is drawn over by the next ink pixel
    EXPECT_EQ(both.at(4, 1), kWhite);
    Canvas twin(10, 18);
    UnicodeDrawString(twin.Target(), u".", 0, 0, kWhite, kNoClip);
    EXPECT_EQ(twin.at(0, 10), kHalfWhite);
    EXPECT_EQ(twin.at(1, 10), kHalfWhite); // a lone pixel's bold twin stays half

    UnicodeSetStyle(0);
    UnicodeSetAntiAlias(0);
    Canvas wide(16, 18);
    UnicodeDrawString(wide.Target(), u"Bx", 0, 0, kWhite, kNoClip);
    EXPECT_EQ(wide.Row(0), "#.......#...##.."); // bit 7 of the second byte is column 8; 'x' starts 2 in
}

TEST_F(UnicodeFontTest, DrawingIsCutAtEveryEdge) {
    struct Case {
        const char* name;
        int x, y;
        Rect clip;
        int ink;
    } cases[] = {
        {"inside", 1, 0, kNoClip, 12},
        {"left", 1, 0, {3, 0, 20, 18}, 6},
        {"right", 1, 0, {0, 0, 4, 18}, 9},
        {"top", 1, 0, {0, 2, 20, 18}, 8},
        {"bottom", 1, 0, {0, 0, 20, 3}, 8},
        {"left of the target", -2, 0, kNoClip, 6},
        {"right of the target", 8, 0, kNoClip, 6},
        {"above the target", 1, -2, kNoClip, 8},
        {"below the target", 1, 7, kNoClip, 4},
        {"far away", 1 << 30, 1 << 30, kNoClip, 0},
    };
    for (const Case& c : cases) {
        Canvas canvas(10, 9);
        UnicodeDrawString(canvas.Target(), u"A", c.x, c.y, kWhite, c.clip);
        EXPECT_EQ(canvas.Ink(), c.ink) << c.name;
        EXPECT_TRUE(canvas.CanariesIntact()) << c.name;
    }
    // Bold, italic and underline past every edge write nothing outside.
    UnicodeSetStyle(TextStyle::I | TextStyle::B | TextStyle::U);
    for (int x : {-3, 6, 9})
        for (int y : {-14, -2, 0, 8}) {
            Canvas canvas(10, 9);
            UnicodeDrawString(canvas.Target(), u"A\u4E00 A", x, y, kWhite, kNoClip);
            EXPECT_TRUE(canvas.CanariesIntact()) << x << "," << y;
        }
}

TEST_F(UnicodeFontTest, ColourEscapes) {
    unicodeColorEscapes = 1;
    const uint16_t base = 0x1234;
    Canvas canvas(40, 18);
    UnicodeDrawString(canvas.Target(), u"A^MA^nA^qA", 0, 0, base, kNoClip);
    EXPECT_EQ(canvas.at(0, 1), base);
    EXPECT_EQ(canvas.at(5, 1), 0x7C00); // "^M" switched to red and was not drawn
    EXPECT_EQ(canvas.at(10, 1), base);  // "^n" went back
    EXPECT_EQ(canvas.at(15, 0), base);  // '^' before another letter with the base colour is drawn
    EXPECT_EQ(canvas.at(18, 0), base);  // and so is the letter
    EXPECT_EQ(canvas.at(21, 1), base);

    struct Case {
        char16_t letter;
        uint16_t colour;
    } colours[] = {{u'F', 0x319B}, {u'L', 0x7FE0}, {u'M', 0x7C00}, {u'R', 0x4A52}};
    for (const Case& c : colours) {
        Canvas one(20, 18);
        const char16_t text[] = {u'^', c.letter, u'A', 0};
        UnicodeDrawString(one.Target(), text, 0, 0, base, kNoClip);
        EXPECT_EQ(one.at(0, 1), c.colour) << static_cast<char>(c.letter);
    }

    // A '^' at the very end after a colour change stops there, without reading past the text.
    std::vector<char16_t> ending = Exact(u"^MA^");
    Canvas end(20, 18);
    UnicodeDrawString(end.Target(), ending.data(), 0, 0, base, kNoClip);
    EXPECT_EQ(end.Ink(), 12);
    std::vector<char16_t> lone = Exact(u"A^");
    Canvas plain(20, 18);
    UnicodeDrawString(plain.Target(), lone.data(), 0, 0, base, kNoClip);
    EXPECT_EQ(plain.Ink(), 12 + 4); // with the base colour the '^' is drawn

    unicodeColorEscapes = 0;
    Canvas off(30, 18);
    UnicodeDrawString(off.Target(), u"^MA", 0, 0, base, kNoClip);
    EXPECT_EQ(off.Count(base), 4 + 4 + 12);
}

TEST_F(UnicodeFontTest, SelectedUnitsAndEllipsis) {
    Canvas canvas(20, 18);
    UnicodeDrawStringSelected(canvas.Target(), u"AzAA", 0, 0, kWhite, kNoClip, 0x001F, 1, 2);
    EXPECT_EQ(canvas.at(0, 1), kWhite);
    EXPECT_EQ(canvas.at(5, 1), 0x001F); // index 2: the glyphless unit at 1 counts
    EXPECT_EQ(canvas.at(10, 1), kWhite);

    // Overflowing by its last unit: the units that fit, then three dots.
    Canvas cut(30, 18);
    UnicodeDrawStringEllips(cut.Target(), u"AAAA", 0, 0, kWhite, Rect{0, 0, 19, 18});
    EXPECT_EQ(cut.Row(1), "####.####.....................");
    EXPECT_EQ(cut.Row(10), "..........#.#.#...............");
    Canvas fits(30, 18);
    UnicodeDrawStringEllips(fits.Target(), u"AAAA", 0, 0, kWhite, Rect{0, 0, 20, 18});
    EXPECT_EQ(fits.Row(1), "####.####.####.####...........");
    EXPECT_EQ(fits.Row(10), "..............................");
}

// ---------------------------------------------------------------- breaking and wrapping

TEST_F(UnicodeFontTest, FindsLineBreaks) {
    struct Case {
        const char16_t* text;
        int width, result;
    } cases[] = {
        {u"AAAAA\nAA", 100, 4}, // a line feed ends the line at once
        {u"AA\rAA", 100, 1},
        {u"\nAA", 100, -1},
        {u"AA AA", 12, 1},         // before the space
        {u"AAAA", 12, 1},          // no break: the last unit that fits
        {u"AA AA", 100, -2},       // everything fits
        {u"AA", 3, -2},            // not even the first unit fits
        {u"AAA\u4E00AAAA", 30, 3}, // after the ideograph
        {u"AAA\u4E00.AAA", 30, 2}, // never before a full stop
    };
    for (const Case& c : cases)
        EXPECT_EQ(UnicodeFindLineBreak(c.text, c.width), c.result) << (&c - cases);
}

TEST_F(UnicodeFontTest, WrapsMeasuresAndPlacesTheCaret) {
    struct Case {
        const char16_t* text;
        int width, widest, lines;
    } cases[] = {
        {u"AA AA", 12, 10, 2},
        {u"AA\r\nAA", 100, 10, 3}, // CR LF leaves an empty line between its halves
        {u"AA\n", 100, 10, 2},
        {u"", 100, 0, 1},
    };
    for (const Case& c : cases) {
        int widest = -1, height = -1, third = -1;
        UnicodeCalcInfoWrap(c.text, c.width, &widest, &height, &third);
        EXPECT_EQ(widest, c.widest) << (&c - cases);
        EXPECT_EQ(height, 18 * c.lines) << (&c - cases);
    }
    int untouched = 77;
    UnicodeCalcInfoWrap(nullptr, 10, &untouched, nullptr, nullptr);
    EXPECT_EQ(untouched, 77);

    struct Caret {
        int n, x, y;
    } carets[] = {{0, 0, 0}, {1, 5, 0}, {2, 0, 0}, {3, 0, 18}, {5, 10, 18}, {40, 10, 18}};
    for (const Caret& c : carets) {
        int x = -1, y = -1;
        UnicodeGetStringWrapEndXY(c.n, u"AA AA", 12, &x, &y);
        EXPECT_EQ(x, c.x) << c.n;
        EXPECT_EQ(y, c.y) << c.n;
    }
    EXPECT_EQ(UnicodeGetCharsInBox(u"AA AA", 12, 5, 18), 4);
    EXPECT_EQ(UnicodeGetCharsInBox(u"AA AA", 12, 100, 100), 5);

    // Lines far longer than 199 units.
    std::u16string wide(500, u'A');
    int widest = 0, height = 0;
    UnicodeCalcInfoWrap(wide.c_str(), 100000, &widest, &height, nullptr);
    EXPECT_EQ(widest, 2500);
    EXPECT_EQ(height, 18);
    int x = 0, y = 0;
    UnicodeGetStringWrapEndXY(400, wide.c_str(), 100000, &x, &y);
    EXPECT_EQ(x, 2000);
    Canvas canvas(40, 40);
    UnicodeDrawStringWrap(canvas.Target(), 100000, wide.c_str(), 0, 0, kWhite, kNoClip, false);
    EXPECT_TRUE(canvas.CanariesIntact());
}

TEST_F(UnicodeFontTest, WrappedDrawingCentresLinesAndShiftsTheSelection) {
    Canvas canvas(30, 40);
    UnicodeDrawStringWrap(canvas.Target(), 16, u"AAA A", 0, 0, kWhite, kNoClip, true);
    EXPECT_EQ(canvas.Row(1).substr(0, 16), "####.####.####..");  // 15 wide: (16 - 15) / 2 = 0
    EXPECT_EQ(canvas.Row(19).substr(0, 16), ".....####......."); // 5 wide: (16 - 5) / 2 = 5
    Canvas selected(30, 40);
    UnicodeDrawStringWrapSelected(selected.Target(), 12, u"AA AA", 0, 0, kWhite, kNoClip, 0x001F, 4, 4);
    EXPECT_EQ(selected.at(0, 19), kWhite);
    EXPECT_EQ(selected.at(5, 19), 0x001F); // unit 4 is the second unit of the second line
    EXPECT_EQ(selected.Count(0x001F), 12);
}

// ---------------------------------------------------------------- HTML colours

TEST_F(UnicodeFontTest, HtmlColours) {
    struct Case {
        const char16_t* text;
        int name, value;
    } cases[] = {
        {u"navy", 0x000F, -1}, {u"WHITEISH", 0x7BDE, -1}, {u"Black", 0x0001, -1}, {u"darkgreen", 0x0168, -1},
        {u"grey", 0x3DEF, -1}, {u"Fuchsia", 0x7C1F, -1},  {u"teal", 0x01EF, -1},  {u"bl", -1, -1},
        {u"", -1, -1},         {u"#FF8000", -1, 0x7E00},  {u"#000000", -1, 0},    {u"123", -1, 123},
        {u"-5", -1, -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(HtmlColorFromName(c.text), c.name) << (&c - cases);
        EXPECT_EQ(HtmlParseColor(c.text), c.value) << (&c - cases);
    }
    EXPECT_EQ(HtmlColorFromName(nullptr), -1);
    EXPECT_EQ(HtmlParseColor(nullptr), -1);
}

// ---------------------------------------------------------------- the installed files

TEST_F(UnicodeFontTest, LoadsTheInstalledFontsOrEndsWithoutThem) {
    ResetUnicodeFontsForTests();
    qvtest::TempDir dir;
    qvtest::ReportRecorder report;
    FileManager::startupWithPaths(dir.path().string(), "");
    EXPECT_THROW(LoadUnicodeFont(), qvtest::ProcessExit);
    EXPECT_TRUE(
        report.contains(QVReport::Level::Fatal, "LoadUnicodeFont(): cannot open file 'unifont.mul'."));
    FileManager::shutdown();

    ASSERT_TRUE(mkinstall::WriteTextFiles(dir.path().string(), nullptr));
    FileManager::startupWithPaths(dir.path().string(), "");
    LoadUnicodeFont();
    EXPECT_TRUE(UnicodeFontsLoaded());
    UnicodeSetFont(0);
    EXPECT_EQ(UnicodeGetFont(), 0);
    int xOffset = 0, yOffset = 0, width = 0, height = 0;
    EXPECT_NE(UnicodeGetGlyph(u'H', &xOffset, &yOffset, &width, &height), nullptr);
    EXPECT_EQ(height, 14); // font 0 is twice the glyph set
    EXPECT_EQ(yOffset, mkinstall::SampleUnicodeTop(0));
    UnicodeSetFont(1);
    EXPECT_EQ(UnicodeGetGlyph(u'H', &xOffset, &yOffset, &width, &height) != nullptr, true);
    EXPECT_EQ(height, 7);
    FileManager::shutdown();
}

} // namespace
