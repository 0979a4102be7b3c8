#include "TextFixture.h"

#include "core/FileManager.h"
#include "mkinstall/ArtFiles.h"
#include "platform/headless.h"

#include <climits>
#include <gtest/gtest.h>

namespace {

using texttest::Canvas;
using texttest::RowGrey;

class FontManagerTest : public texttest::TextTest {
  protected:
    void SetUp() override {
        TextTest::SetUp();
        UseTestFonts(9);
    }
    static void UseSampleHues() {
        std::vector<uint8_t> hues = mkinstall::MakeHuesFile();
        HueManager::LoadFromBytes(hues.data(), hues.size());
    }
};

// ---------------------------------------------------------------- reading "fonts.mul"

TEST_F(FontManagerTest, ReadsPresentSlotsAndTheirPartialHueFlags) {
    for (int slot = 0; slot < kFontSlots; ++slot)
        EXPECT_EQ(FontManager::IsFontLoaded(slot), slot < 9) << slot;
    EXPECT_FALSE(FontManager::IsFontLoaded(-1));
    EXPECT_FALSE(FontManager::IsFontLoaded(25));
    const int partial[9] = {1, 1, 1, 1, 0, 0, 0, 1, 0};
    for (int slot = 0; slot < 9; ++slot)
        EXPECT_EQ(FontManager::GetFont(slot)->partialHue, partial[slot]) << slot;

    const CFont* font = FontManager::GetFont(0);
    EXPECT_EQ(font->glyph['g' - 32].height, 7);
    EXPECT_EQ(font->descent['g' - 32], 2);
    EXPECT_EQ(font->glyph['a' - 32].pixels[3], RowGrey(1)); // row 1, column 0
    EXPECT_TRUE(FontManager::HasGlyph(0, 'a'));
    EXPECT_TRUE(FontManager::HasGlyph(0, 0xE9));
    EXPECT_FALSE(FontManager::HasGlyph(0, 'A')); // width 0
    EXPECT_FALSE(FontManager::HasGlyph(0, 31));
    EXPECT_FALSE(FontManager::HasGlyph(0, 256));
    EXPECT_FALSE(FontManager::HasGlyph(25, 'a'));
}

TEST_F(FontManagerTest, AFileEndingInsideAGlyphKeepsWhatWasRead) {
    std::vector<uint8_t> file = texttest::TestFontsFile(3);
    const size_t fontBytes = 1 + texttest::TestFontRecords().size();
    // Cut inside font 1, in the record of 'b' (after the glyphs up to 'a').
    size_t cut = fontBytes + 1;
    for (int code = 32; code <= 'a'; ++code) {
        texttest::GlyphShape g = texttest::TestGlyph(code);
        cut += 3 + 2 * static_cast<size_t>(g.width) * g.height;
    }
    cut += 5;
    qvtest::ReportRecorder report;
    EXPECT_EQ(FontManager::LoadFontsFromBytes(file.data(), cut), 2);
    EXPECT_TRUE(FontManager::HasGlyph(1, 'a'));
    EXPECT_FALSE(FontManager::HasGlyph(1, 'b'));
    EXPECT_FALSE(FontManager::IsFontLoaded(2));
    EXPECT_TRUE(report.contains(QVReport::Level::Warning, "font 1 ends inside glyph 66"));

    EXPECT_EQ(FontManager::LoadFontsFromBytes(nullptr, 100), 0);
    EXPECT_FALSE(FontManager::IsFontLoaded(0));
}

TEST_F(FontManagerTest, MissingFileIsFatal) {
    qvtest::ReportRecorder report;
    qvtest::TempDir dir;
    FileManager::startupWithPaths(dir.path().string(), "");
    EXPECT_THROW(FontManager::LoadFonts(), qvtest::ProcessExit);
    EXPECT_TRUE(report.contains(QVReport::Level::Fatal, "FontManager::LoadFonts: cannot open 'fonts.mul'."));
    FileManager::shutdown();
}

// ---------------------------------------------------------------- measuring

TEST_F(FontManagerTest, MeasuresOneLine) {
    struct Case {
        const char* text;
        int width, height, baseline;
    } cases[] = {
        {"", 0, 0, -1},        {"ab", 6, 5, 4}, {"ag", 6, 7, 4}, // 'g' hangs two rows below the baseline
        {"a\x01z", 6, 5, 4},                                     // codes below 32 count nothing
        {"\xE9\xE9", 8, 5, 4},                                   // bytes from 0x80 up have their glyph widths
        {"a.", 4, 5, 4},
    };
    for (const Case& c : cases) {
        int w = 99, h = 99, b = 99;
        EXPECT_EQ(FontManager::CalcInfo(0, c.text, &w, &h, &b), 1);
        EXPECT_EQ(w, c.width) << c.text;
        EXPECT_EQ(h, c.height) << c.text;
        EXPECT_EQ(b, c.baseline) << c.text;
    }
    int w = 99;
    EXPECT_EQ(FontManager::CalcInfo(25, "ab", &w, nullptr, nullptr), 0);
    EXPECT_EQ(w, 99); // a missing font leaves the outputs alone
    EXPECT_EQ(FontManager::CalcInfo(-1, "ab", &w, nullptr, nullptr), 0);

    EXPECT_EQ(FontManager::GetPrefixWidth(0, 2, "a bc"), 5);
    EXPECT_EQ(FontManager::GetPrefixWidth(0, 10, "ab"), 6);
    EXPECT_EQ(FontManager::GetCharsInWidth(0, "aaa", 6), 1); // strictly less than the width
    EXPECT_EQ(FontManager::GetCharsInWidth(0, "aaa", 7), 2);
    EXPECT_EQ(FontManager::GetCharsInWidth(0, "aaa", 100), 3);
}

TEST_F(FontManagerTest, FindsTheFirstLineBreak) {
    EXPECT_EQ(FontManager::FindLineBreak(0, "ab cd", 12), 1); // four bytes fit: break before the space
    EXPECT_EQ(FontManager::FindLineBreak(0, "abcdef", 7), 1); // no space: the last byte that fits
    EXPECT_EQ(FontManager::FindLineBreak(0, "ab cd", 100), -1);
    EXPECT_EQ(FontManager::FindLineBreak(0, "ab cd", 2), -1); // not even the first byte fits
    EXPECT_EQ(FontManager::FindLineBreak(0, "a bcd", 6), 1);  // a space at index 1 is no break
}

// ---------------------------------------------------------------- drawing and clipping

TEST_F(FontManagerTest, GlyphsAreWholeAcrossTheSidesAndCutAtTopAndBottom) {
    struct Case {
        const char* name;
        int x, y;
        Rect clip;
        int drawnWidth;     // what DrawChar returns
        int firstRow, rows; // glyph rows that reach the canvas
    } cases[] = {
        {"inside", 2, 6, kNoClip, 3, 0, 5},
        {"left edge", 1, 6, {2, 0, 20, 20}, 0, 0, 0},
        {"right edge", 9, 6, {0, 0, 11, 20}, 0, 0, 0},
        {"right edge of the target", 18, 6, kNoClip, 0, 0, 0},
        {"top", 2, 6, {0, 4, 20, 20}, 3, 2, 3},
        {"bottom", 2, 6, {0, 0, 20, 4}, 3, 0, 2},
        {"above the target", 2, 1, kNoClip, 3, 3, 2},
        {"below the target", 2, 14, kNoClip, 3, 0, 2},
    };
    for (const Case& c : cases) {
        Canvas canvas(20, 12);
        int w = FontManager::GetFont(0)->DrawChar(c.x, c.y, 0, 'a', canvas.Target(), c.clip);
        EXPECT_EQ(w, c.drawnWidth) << c.name;
        EXPECT_EQ(canvas.Ink(), 3 * c.rows) << c.name;
        for (int r = 0; r < c.rows; ++r) {
            int row = c.firstRow + r;
            EXPECT_EQ(canvas.at(c.x, c.y - 4 + row), RowGrey(row)) << c.name << " row " << row;
        }
        EXPECT_TRUE(canvas.CanariesIntact()) << c.name;
    }
}

TEST_F(FontManagerTest, DrawStringStopsAtTheFirstGlyphThatDoesNotFit) {
    Canvas canvas(20, 8);
    EXPECT_EQ(FontManager::DrawString(0, 4, 0, 0, "abcdefgh", canvas.Target(), Rect{0, 0, 10, 8}), 1);
    EXPECT_EQ(canvas.Row(0), "#########...........");
    // An absent glyph ends the line too.
    Canvas second(20, 8);
    FontManager::DrawString(0, 4, 0, 0, "aAa", second.Target(), kNoClip);
    EXPECT_EQ(second.Row(0), "###.................");
    EXPECT_TRUE(canvas.CanariesIntact());
}

TEST_F(FontManagerTest, HuesRecolourGreyPixelsOrEveryPixelByItsRedChannel) {
    UseSampleHues();
    const int hue = 38;
    Canvas canvas(20, 6);
    FontManager::DrawString(0, 4, 0, hue, "a", canvas.Target(), kNoClip); // partial-hue font
    FontManager::DrawString(5, 4, 4, hue, "a", canvas.Target(), kNoClip); // full-hue font
    FontManager::DrawString(10, 4, 4, 0, "a", canvas.Target(), kNoClip);  // no hue
    for (int row = 0; row < 5; ++row) {
        uint16_t expected = mkinstall::SampleHueColour(hue - 1, SpanChannels::Red(RowGrey(row)));
        EXPECT_EQ(canvas.at(0, row), expected) << row;
        EXPECT_EQ(canvas.at(5, row), expected) << row;
        EXPECT_EQ(canvas.at(10, row), RowGrey(row)) << row;
    }
    EXPECT_EQ(GetCurrentHueIndex(), 0); // the module-wide hue is left as it was
}

TEST_F(FontManagerTest, ShadedFontsDarkenRowByRowFromTheFirstRowDrawn) {
    SetConfiguredShadedFonts(true);
    Canvas canvas(10, 6);
    FontManager::DrawString(0, 4, 0, 0, "a", canvas.Target(), kNoClip);
    for (int row = 0; row < 5; ++row) {
        int level = std::max(8 + 3 * row - (row + 1) / 2, 1);
        EXPECT_EQ(canvas.at(1, row), level << 10 | level << 5 | level) << row;
    }
    Canvas cut(10, 6);
    FontManager::DrawString(0, 4, 0, 0, "a", cut.Target(), Rect{0, 2, 10, 6});
    EXPECT_EQ(cut.at(1, 2), RowGrey(2)); // the first row drawn is not darkened
}

// ---------------------------------------------------------------- wrapping

TEST_F(FontManagerTest, WrapsAtSpacesInsideLongWordsOrNotAtAll) {
    struct Case {
        const char* name;
        const char* text;
        int width;
        std::vector<std::string> rows; // row 0 of each 5-pixel line
    } cases[] = {
        {"at a space", "ab cd", 8, {"######......", "######......"}},
        {"inside a long word", "abcdef", 7, {"######......", "######......", "######......"}},
        {"first byte wider than the width", "ab cd", 2, {"######..######"}},
    };
    for (const Case& c : cases) {
        Canvas canvas(14, 20);
        int height =
            FontManager::DrawstringBuf(0, 0, 0, 0, c.text, c.width, canvas.Target(), kNoClip, 0, 0, false);
        EXPECT_EQ(height, 5 * static_cast<int>(c.rows.size())) << c.name;
        for (size_t i = 0; i < c.rows.size(); ++i)
            EXPECT_EQ(canvas.Row(static_cast<int>(5 * i)).substr(0, c.rows[i].size()), c.rows[i])
                << c.name << i;
        int widest = 0, total = 0, baseline = 0;
        EXPECT_EQ(FontManager::CalcInfoWrap(0, c.text, c.width, &widest, &total, &baseline, 0), 1);
        EXPECT_EQ(total, height) << c.name;
        EXPECT_EQ(baseline, 4) << c.name;
    }
}

TEST_F(FontManagerTest, IndentCentreAndLineHeight) {
    Canvas canvas(20, 40);
    int height =
        FontManager::DrawstringBuf(0, 0, 0, 0, "ab cd ef", 12, canvas.Target(), kNoClip, 2, 0, false);
    EXPECT_EQ(height, 15);
    EXPECT_EQ(canvas.Row(0).substr(0, 10), "######....");
    EXPECT_EQ(canvas.Row(5).substr(0, 10), "....######"); // two space widths in
    EXPECT_EQ(canvas.Row(10).substr(0, 10), "....######");

    Canvas centred(20, 40);
    height = FontManager::DrawstringBuf(0, 0, 0, 0, "abc de", 12, centred.Target(), kNoClip, 0, 9, true);
    EXPECT_EQ(height, 18); // the given line height, twice
    EXPECT_EQ(centred.Row(0).substr(0, 12), ".#########..");
    EXPECT_EQ(centred.Row(9).substr(0, 12), "...######...");

    // An indent wider than the width still ends: each line takes a byte of the text.
    Canvas narrow(20, 40);
    height = FontManager::DrawstringBuf(0, 0, 0, 0, "a b c", 3, narrow.Target(), kNoClip, 6, 0, false);
    EXPECT_GT(height, 0);
    EXPECT_TRUE(narrow.CanariesIntact());
}

TEST_F(FontManagerTest, OverlongTextsAreCutTo255Bytes) {
    qvtest::ReportRecorder report;
    std::string text(300, 'a');
    int widest = 0, height = 0;
    FontManager::CalcInfoWrap(0, text.c_str(), 10000, &widest, &height, nullptr, 0);
    EXPECT_EQ(widest, 255 * 3);
    EXPECT_TRUE(report.contains("FontManager::CalcInfoWrap - OVERFLOW: msg is 301 bytes"));
}

TEST_F(FontManagerTest, CaretPositionsInTheWrappedText) {
    struct Case {
        int n, x, y;
    } cases[] = {{0, 0, 0}, {1, 3, 0}, {2, 0, 0} /* the space removed at the break */, {3, 0, 5}, {4, 3, 5},
                 {5, 6, 5}, {9, 6, 5}};
    for (const Case& c : cases) {
        int x = -1, y = -1;
        FontManager::GetStringWrapEndXY(0, c.n, "ab cd", 8, &x, &y);
        EXPECT_EQ(x, c.x) << c.n;
        EXPECT_EQ(y, c.y) << c.n;
    }
    EXPECT_EQ(FontManager::GetCharsInBox(0, "ab cd", 8, 3, 5), 4);
    EXPECT_EQ(FontManager::GetCharsInBox(0, "ab cd", 8, 100, 100), 5);
    EXPECT_EQ(FontManager::GetCharsInBox(0, "ab cd", 8, 2, 0), 2); // the removed space answers 0, 0
    EXPECT_EQ(FontManager::GetCharsInBox(0, "ab cd", 8, 2, -1), 0);
}

// ---------------------------------------------------------------- one line with an ellipsis

TEST_F(FontManagerTest, EllipsisCutsToTheClip) {
    Canvas canvas(20, 6);
    FontManager::DrawStringBufEllips(0, 4, 0, 0, "abcdef", canvas.Target(), Rect{0, 0, 10, 6});
    EXPECT_EQ(canvas.Row(0), "######..............");
    EXPECT_EQ(canvas.Row(4), "#########..........."); // a, b, then three dots on the baseline

    Canvas fits(20, 6);
    FontManager::DrawStringBufEllips(0, 4, 0, 0, "abc", fits.Target(), Rect{0, 0, 10, 6});
    EXPECT_EQ(fits.Row(4), "#########...........");
    EXPECT_EQ(fits.Row(0), "#########...........");

    // Narrower than three dots: every byte goes and only the dots inside the clip are drawn.
    Canvas narrow(20, 6);
    FontManager::DrawStringBufEllips(0, 4, 0, 0, "abc", narrow.Target(), Rect{0, 0, 2, 6});
    EXPECT_EQ(narrow.Row(4), "##..................");
    EXPECT_EQ(narrow.Ink(), 2);

    Canvas wide(20, 6);
    FontManager::DrawWideStringEllips(0, 4, 0, 0, u"ab\u4E00cdef", wide.Target(), Rect{0, 0, 10, 6});
    EXPECT_EQ(wide.Row(4), "#########..........."); // the ideograph has no width in a bitmap font
    EXPECT_TRUE(wide.CanariesIntact());
}

TEST_F(FontManagerTest, MissingFontShowsABoxAndDrawsNothing) {
    Canvas canvas(10, 6);
    for (int font : {-1, 25, 12}) {
        platform::headless::ClearMessageBoxes();
        EXPECT_EQ(FontManager::DrawString(0, 4, font, 0, "a", canvas.Target(), kNoClip), 0);
        EXPECT_EQ(FontManager::DrawStringBufEllips(0, 4, font, 0, "a", canvas.Target(), kNoClip), 0);
        EXPECT_EQ(FontManager::DrawstringBuf(0, 0, font, 0, "a", 10, canvas.Target(), kNoClip, 0, 0, false),
                  0);
        ASSERT_EQ(platform::headless::MessageBoxes().size(), 3u) << font;
        EXPECT_EQ(platform::headless::MessageBoxes()[0].text, "Missing Font!");
        EXPECT_EQ(platform::headless::MessageBoxes()[0].caption, "Error");
    }
    EXPECT_EQ(canvas.Ink(), 0);
}

// ---------------------------------------------------------------- bitmap drawing

struct Bitmap {
    Bitmap(int w, int h) : width(w), height(h), cells(static_cast<size_t>(w) * h + 16, 0x5A5A) {
        std::fill(cells.begin(), cells.begin() + static_cast<long>(w) * h, 0);
    }
    PixelBlockView View() { return PixelBlockView{cells.data(), width, height}; }
    uint16_t at(int x, int y) const { return cells[static_cast<size_t>(y) * width + x]; }
    std::string Row(int y) const {
        std::string s;
        for (int x = 0; x < width; ++x)
            s += at(x, y) ? '#' : '.';
        return s;
    }
    bool TailIntact() const {
        return std::all_of(cells.begin() + static_cast<long>(width) * height, cells.end(),
                           [](uint16_t c) { return c == 0x5A5A; });
    }
    int width, height;
    std::vector<uint16_t> cells;
};

TEST_F(FontManagerTest, FillBitmapRectRowsFollowThePitchOfOddWidths) {
    Bitmap b(5, 4);
    FillBitmapRect(0, 0, 3, 3, 7, b.View());
    for (int y = 0; y < 4; ++y)
        EXPECT_EQ(b.Row(y), "####.") << y;

    Bitmap odd(5, 4);
    FillBitmapRect(1, 1, 2, 2, 7, odd.View()); // pairs from even corners: one row higher
    EXPECT_EQ(odd.Row(0), "##...");
    EXPECT_EQ(odd.Row(1), "##...");
    EXPECT_EQ(odd.Row(2), ".....");

    Bitmap all(5, 4);
    FillBitmapRect(-1000, -1000, INT_MAX - 1, 1000, 7, all.View());
    for (int y = 0; y < 4; ++y)
        EXPECT_EQ(all.Row(y), "#####") << y;
    EXPECT_TRUE(all.TailIntact());

    Bitmap none(5, 4);
    FillBitmapRect(0, 3, 4, 1, 7, none.View()); // bottom above top
    FillBitmapRect(40, 40, 50, 50, 7, none.View());
    for (int y = 0; y < 4; ++y)
        EXPECT_EQ(none.Row(y), ".....");
    EXPECT_TRUE(none.TailIntact());
}

TEST_F(FontManagerTest, LinesCoverTheirEndsAndStayInsideTheBitmap) {
    Bitmap diagonal(6, 4);
    DrawBitmapLine(0, 0, 5, 3, 9, diagonal.View());
    // The 16.16 slope is truncated, so the far end may fall a row short.
    EXPECT_EQ(diagonal.Row(0), "##....");
    EXPECT_EQ(diagonal.Row(1), "..##..");
    EXPECT_EQ(diagonal.Row(2), "....##");
    EXPECT_EQ(diagonal.Row(3), "......");

    Bitmap vertical(3, 5);
    DrawBitmapLine(1, 4, 1, 1, 9, vertical.View());
    EXPECT_EQ(vertical.Row(0), "...");
    for (int y = 1; y < 5; ++y)
        EXPECT_EQ(vertical.Row(y), ".#.");

    // Course-map pins come from the server: far ends are walked only where they cross the bitmap.
    Bitmap far(6, 4);
    DrawBitmapLine(-2000000000, 2, 2000000000, 2, 9, far.View());
    DrawBitmapLine(INT_MIN, INT_MIN, INT_MAX, INT_MAX, 9, far.View());
    DrawBitmapLine(3, -5, 3, INT_MAX, 9, far.View());
    EXPECT_EQ(far.Row(2), "######");
    EXPECT_EQ(far.at(0, 0), 9);
    EXPECT_EQ(far.at(3, 0), 9);
    EXPECT_TRUE(far.TailIntact());

    Bitmap blended(3, 1);
    blended.cells[0] = 0;
    blended.cells[1] = 0x7FFF;
    DrawBitmapLineBlended(0, 0, 2, 0, blended.View());
    EXPECT_EQ(blended.at(0, 0), 0x3DEF);
    EXPECT_EQ(blended.at(1, 0), 0x7BDE);

    Bitmap dst(4, 4), src(2, 2);
    std::fill(src.cells.begin(), src.cells.begin() + 4, 5);
    CopyBitmapLine(0, 0, 3, 3, dst.View(), src.View());
    EXPECT_EQ(dst.Row(0), "#...");
    EXPECT_EQ(dst.Row(1), ".#..");
    EXPECT_EQ(dst.Row(2), "...."); // outside the smaller source
    EXPECT_TRUE(dst.TailIntact());
}

} // namespace
