// Tooltips: the wrap width rule, the nine-piece frame, the text lookup by id, showing one after the
// rest delay, and golden pictures of windows drawn over the world.
#include "core/FileManager.h"
#include "gumps/GumpFixture.h"
#include "gumps/ToolTipGump.h"
#include "mkinstall/CursorArt.h"
#include "mkinstall/TextFiles.h"
#include "render/Ppm.h"
#include "text/LanguageManager.h"
#include "text/UnicodeFont.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace gumptest;

namespace {

class ToolTipTest : public GumpTest {
  protected:
    void SetUp() override {
        GumpTest::SetUp();
        for (int font = 0; font < 3; ++font)
            UnicodeUseFontBytes(font, mkinstall::MakeUnicodeFontFile(font));
        ToolTipFont = 1;
        ToolTipTextColor = 0x7FFF;
    }
    void TearDown() override {
        LanguageManager::shutdown();
        FileManager::shutdown();
        ResetUnicodeFontsForTests();
        GumpTest::TearDown();
    }
    // The language files of the sample installation, with "gt_5400" holding count entries.
    void UseLanguageFiles(int gt5400Count) {
        ASSERT_TRUE(mkinstall::WriteTextFiles(dir.path().string(), nullptr));
        mkinstall::SampleSection section{"gt_5400", 2, gt5400Count, {{0, "Shard list"}, {50, "Fifty"}}, {}};
        if (gt5400Count <= 50) section.texts.pop_back();
        dir.write("language/gt_5400.enu", mkinstall::MakeSectionFile(section, "enu"));
        FileManager::startupWithPaths(dir.path().string(), "");
        LanguageManager::startup();
    }
    // A word of 'm' (6 pixels) and 'j' (5) whose width in the tooltip font is exactly width, or empty.
    static std::u16string WordOfWidth(int width) {
        UnicodeSetFont(1);
        for (int m = 0; m < 40; ++m)
            for (int i = 0; i < 40; ++i) {
                std::u16string word(static_cast<size_t>(m), u'm');
                word.append(static_cast<size_t>(i), u'j');
                if (!word.empty() && UnicodeGetWordWidth(word.c_str()) == width) return word;
            }
        return {};
    }
    qvtest::TempDir dir;
};

} // namespace

// Rows of '.' (transparent), '#' (solid), 'k' (already the key) and 'o' (the outline expected).
TEST(OutlineBitmapTest, EveryTransparentPixelBesideASolidOneBecomesTheKey) {
    struct Case {
        const char* name;
        int width;
        std::vector<const char*> before, after;
    };
    const Case cases[] = {
        {"a lone pixel in the middle",
         5,
         {".....", ".....", "..#..", ".....", "....."},
         {".....", "..o..", ".o#o.", "..o..", "....."}},
        {"pixels at the corners", 4, {"#...", "....", "...#"}, {"#o..", "o..o", "..o#"}},
        {"no wrap from a row's end to the next row's start", 3, {"..#", "...", "#.."}, {".o#", "o.o", "#o."}},
        {"the key is not solid, and a set pixel stays",
         5,
         {".k.#.", ".....", "#k##k"},
         {".ko#o", "o.oo.", "#k##k"}},
        {"a filled block keeps its inside",
         6,
         {"......", ".###..", ".###..", "......"},
         {".ooo..", "o###o.", "o###o.", ".ooo.."}},
        {"runs of transparent pixels longer than four",
         11,
         {"...........", "..........#", "..........."},
         {"..........o", ".........o#", "..........o"}},
        {"one column", 1, {".", "#", ".", "."}, {"o", "#", "o", "."}},
        {"all transparent", 7, {".......", "......."}, {".......", "......."}},
    };
    constexpr uint16_t kKey = 1, kSolid = 0x7FFF;
    for (const Case& c : cases) {
        std::vector<uint16_t> pixels;
        for (const char* row : c.before)
            for (const char* p = row; *p; ++p)
                pixels.push_back(*p == '#' ? kSolid : *p == 'k' ? kKey : 0);
        OutlineBitmap(pixels.data(), c.width, static_cast<int>(c.before.size()), kKey);
        std::vector<std::string> rows;
        for (size_t y = 0; y < c.before.size(); ++y) {
            std::string row;
            for (int x = 0; x < c.width; ++x) {
                const uint16_t p = pixels[y * c.width + x];
                const char was = c.before[y][x];
                row += p == kSolid ? '#' : p == 0 ? '.' : was == 'k' ? 'k' : 'o';
            }
            rows.push_back(row);
        }
        EXPECT_EQ(rows, std::vector<std::string>(c.after.begin(), c.after.end())) << c.name;
    }
}

TEST_F(ToolTipTest, AWrapWidthOfTwiceTheLineHeightIsKeptAndOnePixelLessIsWidened) {
    struct Case {
        int wordWidth;
        int expectedWrap;
    } cases[] = {{36, 36}, {35, 51}};
    for (const Case& c : cases) {
        const std::u16string word = WordOfWidth(c.wordWidth);
        ASSERT_FALSE(word.empty()) << c.wordWidth;
        int tw = 0, th = 0;
        UnicodeSetFont(1);
        EXPECT_EQ(ToolTipWrapWidth(word.c_str(), &tw, &th), c.expectedWrap);
        EXPECT_EQ(th, 18);
        ToolTipGump tip(0, 0, word.c_str());
        EXPECT_EQ(tip.wrapWidth, c.expectedWrap);
        EXPECT_EQ(tip.width, tw + 10);
        EXPECT_EQ(tip.height, th + 10);
        EXPECT_TRUE(tip.IsToolTipGump());
        EXPECT_TRUE(tip.IsDisposable());
    }
}

TEST_F(ToolTipTest, ALongTextWidensUntilTheWrapWidthIsTwiceItsHeight) {
    std::u16string text;
    for (int i = 0; i < 60; ++i)
        text += u"mim ";
    UnicodeSetFont(1);
    int tw = 0, th = 0;
    const int w = ToolTipWrapWidth(text.c_str(), &tw, &th);
    const int first = UnicodeGetWordWidth(u"mim");
    EXPECT_EQ((w - first) % 16, 0);
    EXPECT_GE(w / th, 2);
    int tw2 = 0, th2 = 0, third = 0;
    UnicodeCalcInfoWrap(text.c_str(), w - 16, &tw2, &th2, &third);
    EXPECT_LT((w - 16) / th2, 2); // one step less was not enough
}

TEST_F(ToolTipTest, AWideBoxRepeatsTheTopEdgeArt) {
    const std::u16string word(100, u'm');
    ToolTipGump tip(0, 0, word.c_str());
    ASSERT_GT(tip.textWidth, 490); // three pieces of 245
    const PixelBlock* block = tip.CurrentFrame();
    ASSERT_NE(block, nullptr);
    const uint16_t edge = mkinstall::SampleTooltipArt(3001).pixels[0];
    const uint16_t corner = mkinstall::SampleTooltipArt(3000).pixels[0];
    for (int x = 0; x < block->width; ++x) {
        const bool inCorner = x < 4 || x >= 4 + tip.textWidth;
        EXPECT_EQ(block->At(x, 0), inCorner ? corner : edge) << x;
        EXPECT_EQ(block->At(x, block->height - 1), inCorner ? corner : edge) << x;
    }
}

TEST_F(ToolTipTest, FrameArtOfAnotherSizeEndsTheProgram) {
    qvtest::ReportRecorder recorder;
    mkinstall::ReplaceItem(Served().gumps, 3004, mkinstall::EncodeGumpArt(2, 2, {1, 1, 1, 1}),
                           mkinstall::GumpExtra(2, 2));
    ResetGumpArtCache();
    EXPECT_THROW(ToolTipGump(0, 0, u"mim"), qvtest::ProcessExit);
    ASSERT_FALSE(platform::headless::MessageBoxes().empty());
    EXPECT_EQ(platform::headless::MessageBoxes().back().text, "Gump Tooltip art is wrong size!");
}

TEST_F(ToolTipTest, Id5450ReadsEntry50OnlyWhenTheSectionHasIt) {
    UseLanguageFiles(51);
    EXPECT_EQ(CGumpManager::LookupTooltipText(5450), u"Fifty");
    EXPECT_EQ(CGumpManager::LookupTooltipText(5400), u"Shard list");
    EXPECT_EQ(CGumpManager::LookupTooltipText(2001), u"Paperdoll");
    EXPECT_EQ(CGumpManager::LookupTooltipText(0), u"A sample window");
    EXPECT_EQ(CGumpManager::LookupTooltipText(100008), u"Log in");
    EXPECT_EQ(CGumpManager::LookupTooltipText(-1), u"");
}

TEST_F(ToolTipTest, Id5450FallsThroughWhenTheSectionIsShorter) {
    UseLanguageFiles(1);
    EXPECT_EQ(CGumpManager::LookupTooltipText(5450), u"");
    EXPECT_EQ(CGumpManager::LookupTooltipText(5400), u"Shard list");
}

TEST_F(ToolTipTest, ATooltipShowsAfterTheRestDelayBesideThePointerForOnePass) {
    UseLanguageFiles(1);
    auto* window = new TestGump(100, 100, 200, 150, 0);
    window->SetFrameCount(0);
    window->gumpArt = 0;                             // "A sample window"
    platform::headless::SetCursorPosition(102, 105); // on the art's grey bar
    MouseManager::Update();
    const Rect all{0, 0, 800, 600};
    CGumpManager::DrawAllGumps(&all, true); // the gump becomes the hovered one
    Advance(1000);
    CGumpManager::DrawAllGumps(&all, true);
    EXPECT_EQ(platform::headless::PresentedFrameCount(), 1); // the same picture: nothing to present
    EXPECT_EQ(platform::headless::LastFrame().pixels[105 * 800 + 102], GetGumpArtPixel(0, 2, 5));
    Advance(1);
    CGumpManager::DrawAllGumps(&all, true); // rested long enough: shown at (mx + cursor width, my)
    const uint16_t corner = mkinstall::SampleTooltipArt(3000).pixels[0];
    EXPECT_EQ(platform::headless::LastFrame().pixels[105 * 800 + 102], corner);
    EXPECT_EQ(CGumpManager::GetToolTip(), nullptr); // gone after the pass
    EXPECT_EQ(CGumpManager::TopLevel().first, window);
}

TEST_F(ToolTipTest, GoldenWindowsAndATooltipOverTheWorld) {
    UseLanguageFiles(1);
    BackBuffer::Resize(320, 240);
    FillWorld();
    MouseManager::startup();
    MouseManager::LoadCursors();
    auto window = [](int x, int y) {
        auto* g = new TestGump(x, y, 200, 150, 0);
        g->SetFrameCount(0);
        g->gumpArt = mkinstall::kSampleWindowGump;
        return g;
    };
    window(-30, 10);
    auto* middle = window(40, 40);
    new TestGump(20, 40, 60, 20, 0x7FE0, middle); // a child control
    window(220, 170);                             // partly off the buffer
    auto* front = window(90, 70);
    front->tooltipId = 2000; // "Status"
    const std::vector<uint16_t> world(BackBuffer::Pixels(), BackBuffer::Pixels() + BackBuffer::PixelCount());
    platform::headless::SetCursorPosition(150, 100);
    MouseManager::Update();
    const Rect all{0, 0, 320, 240};
    CGumpManager::DrawAllGumps(&all, true);
    Advance(1001);
    CGumpManager::DrawAllGumps(&all, true);
    const std::vector<uint16_t> straight = platform::headless::LastFrame().pixels;
    const std::vector<uint8_t> ppm = EncodePpm(straight.data(), 320, 240);
    qvtest::ExpectGoldenPpm(std::filesystem::path(QV_TESTS_DIR "/gumps/golden/windows.ppm"), ppm);
    EXPECT_TRUE(std::equal(world.begin(), world.end(), BackBuffer::Pixels()));

    // The same picture across the ring's wrap (four pieces).
    BackBuffer::SetRingOffset(320 * 240 - (133 * 320 + 111));
    FillWorld();
    CGumpManager::DrawAllGumps(&all, true);
    EXPECT_EQ(platform::headless::LastFrame().pixels, straight);
}
