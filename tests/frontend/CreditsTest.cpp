// The credits roll: "credits.dat" read line by line with its directives, and the roll itself on the
// test clock over the sample installation (its fonts, background and "credits.dat").
#include "FrontEndFixture.h"

#include "core/ExitHandlers.h"
#include "frontend/credits.h"
#include "frontend/igr.h"
#include "media/MusicManager.h"
#include "mkinstall/CreditsFiles.h"
#include "mkinstall/TextFiles.h"
#include "render/BackBuffer.h"
#include "render/Display.h"
#include "render/GumpArt.h"
#include "render/Ppm.h"

#include <condition_variable>
#include <mutex>

namespace qvtest {
namespace {

std::string Narrow(const CWideString& text) {
    std::string out;
    for (const char16_t* p = text.GetText(); p && *p; ++p)
        out += static_cast<char>(*p);
    return out;
}

std::vector<int> Songs(CCycleList songs) {
    std::vector<int> out;
    for (int i = 0; i < songs.Count(); ++i, songs.Next())
        out.push_back(CreditSong(songs));
    return out;
}

constexpr int kDefault = 0x7777;
constexpr int kWhite = 0x7FFF;
constexpr int kRed = 0x7C00;
constexpr int kGreen = 0x03E0;

struct ExpectedLine {
    std::string text;
    int colour;
    int font;
};

TEST(CreditsFileTest, LinesDirectivesAndSongs) {
    struct Case {
        const char* name;
        std::string bytes;
        std::vector<ExpectedLine> lines;
        std::vector<int> songs;
        int defaultColourAfter;
    };
    const Case cases[] = {
        {"empty file: one empty line", "", {{"", kDefault, 0}}, {}, kDefault},
        {"no line end at the end", "a\nb", {{"a", kDefault, 0}, {"b", kDefault, 0}}, {}, kDefault},
        {"a line end at the end gives an empty last line",
         "a\nb\n",
         {{"a", kDefault, 0}, {"b", kDefault, 0}, {"", kDefault, 0}},
         {},
         kDefault},
        {"CR LF and LF CR are one end, LF LF two",
         "a\r\nb\n\rc\n\nd",
         {{"a", kDefault, 0}, {"b", kDefault, 0}, {"c", kDefault, 0}, {"", kDefault, 0}, {"d", kDefault, 0}},
         {},
         kDefault},
        {"color and font hold for the next text line only",
         "! color #ff0000 font 2\nred\nplain",
         {{"red", kRed, 2}, {"plain", kDefault, 0}},
         {},
         kDefault},
        {"defaultcolor and defaultfont carry on",
         "\t!  defaultcolor #00ff00 defaultfont 1\nx\n! color #ffffff\ny\nz",
         {{"x", kGreen, 1}, {"y", kWhite, 1}, {"z", kGreen, 1}},
         {},
         kGreen},
        {"songs in order, a directive adds no line",
         "! song 5 song 7\n",
         {{"", kDefault, 0}},
         {5, 7},
         kDefault},
        {"unknown words are passed over, a keyword without a value ends the line",
         "! sparkle font 3 color\nx",
         {{"x", kDefault, 3}},
         {},
         kDefault},
        {"'=' parts only the first token",
         "!=font 2\nx\n! font=4\ny",
         {{"x", kDefault, 2}, {"y", kDefault, 0}},
         {},
         kDefault},
        {"not a directive",
         "!x\n !!\nno ! here",
         {{"!x", kDefault, 0}, {" !!", kDefault, 0}, {"no ! here", kDefault, 0}},
         {},
         kDefault},
        {"a zero byte ends the text",
         std::string("ab\0cd\ne", 7),
         {{"ab", kDefault, 0}, {"e", kDefault, 0}},
         {},
         kDefault},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResetCreditsDefaultsForTests();
        CreditsText text;
        ParseCredits(c.bytes, text);
        ASSERT_EQ(text.lines.size(), c.lines.size());
        for (size_t i = 0; i < c.lines.size(); ++i) {
            EXPECT_EQ(Narrow(text.lines[i].text), c.lines[i].text) << i;
            EXPECT_EQ(text.lines[i].colour, c.lines[i].colour) << i;
            EXPECT_EQ(text.lines[i].font, c.lines[i].font) << i;
        }
        EXPECT_EQ(Songs(text.songs), c.songs);
        EXPECT_EQ(CreditsDefaultColour(), c.defaultColourAfter);
    }
    ResetCreditsDefaultsForTests();
}

TEST(CreditsFileTest, LongLinesAndSongsPastTheListAreCut) {
    ResetCreditsDefaultsForTests();
    ReportRecorder log;
    std::string bytes(300, 'x');
    bytes += "\n!";
    for (int i = 0; i < 33; ++i) // within the 254 bytes a line keeps
        bytes += " song " + std::to_string(i % 10);
    CreditsText text;
    ParseCredits(bytes, text);
    ASSERT_EQ(text.lines.size(), 1u);
    EXPECT_EQ(text.lines[0].text.GetLength(), 254);
    ASSERT_EQ(text.songs.Count(), 32);
    EXPECT_EQ(Songs(text.songs).back(), 1);
    EXPECT_TRUE(log.contains(QVReport::Level::Warning, "more than 32 songs; song 2 is dropped"));
}

TEST(CreditsFileTest, TheSampleHasItsSixtyLinesAndTwoSongs) {
    ResetCreditsDefaultsForTests();
    CreditsText text;
    ParseCredits(mkinstall::SampleCredits(), text);
    EXPECT_EQ(text.lines.size(), static_cast<size_t>(mkinstall::kSampleCreditLines));
    EXPECT_EQ(Songs(text.songs), (std::vector<int>{5, 7}));
    EXPECT_EQ(Narrow(text.lines.back().text), "THE END");
    ResetCreditsDefaultsForTests();
}

TEST(FramePacerTest, BalanceAndFramesBehind) {
    struct Case {
        int workMs;
        bool behind;
        int frames;    // TakeFramesBehind when behind
        int remaining; // the balance after it
    };
    const Case cases[] = {
        {10, false, 0, 23}, {33, false, 0, 0}, {34, true, 0, -1}, {66, true, 1, 0}, {100, true, 2, -1}};
    platform::UseManualClock(0xFFFFFFF0u, 1000); // the work crosses the wrap
    for (const Case& c : cases) {
        SCOPED_TRACE(c.workMs);
        CFramePacer pacer;
        pacer.BeginWork();
        platform::AdvanceManualClock(static_cast<uint32_t>(c.workMs));
        pacer.EndWork();
        pacer.Account();
        EXPECT_EQ(pacer.Balance(), 33 - c.workMs);
        EXPECT_EQ(pacer.IsBehind(), c.behind);
        if (c.behind) {
            EXPECT_EQ(pacer.TakeFramesBehind(), c.frames);
            EXPECT_EQ(pacer.Balance(), c.remaining);
        } else {
            EXPECT_EQ(pacer.TakeSpareTime(), c.remaining);
            EXPECT_EQ(pacer.Balance(), 0);
        }
    }
    platform::UseRealClock();
}

// The top of line i of the roll (it must not have left yet).
int TopOf(const CCreditsRoll& roll, int i) {
    int y = CCreditsRoll::kScreenHeight - roll.Offset();
    for (int k = roll.FirstLine(); k < i; ++k)
        y += roll.Lines()[static_cast<size_t>(k)].height;
    return y;
}

TEST(CreditsScrollTest, LinesOfUnequalHeightKeepTheirPlace) {
    const std::vector<int> heights = {10, 30, 20, 5};
    std::vector<CreditLine> lines(heights.size());
    int total = 0;
    for (size_t i = 0; i < heights.size(); ++i) {
        lines[i].height = heights[i];
        total += heights[i];
    }
    CCreditsRoll roll;
    roll.UseLines(std::move(lines));
    int advances = 0;
    while (!roll.Done()) {
        std::vector<int> before;
        for (int i = roll.FirstLine(); i < 4; ++i)
            before.push_back(TopOf(roll, i));
        const int first = roll.FirstLine();
        roll.Advance();
        ++advances;
        if (roll.Done()) break;
        for (int i = roll.FirstLine(); i < 4; ++i)
            ASSERT_EQ(TopOf(roll, i), before[static_cast<size_t>(i - first)] - 1)
                << "line " << i << " after " << advances << " pixels";
    }
    // Every line scrolled in from below the screen (30 pixels below its edge) and out over the top.
    EXPECT_EQ(advances, 30 + CCreditsRoll::kScreenHeight + total);
}

class CreditsRollTest : public FrontEndTest {
  protected:
    void SetUp() override {
        FrontEndTest::SetUp();
        ResetCreditsDefaultsForTests();
        StartClient(testshard::Script{});
        // The display remembers what an earlier test's window showed; this test's window is new.
        ForgetPresentedFrame();
    }
    void TearDown() override {
        ResetCreditsDefaultsForTests();
        FrontEndTest::TearDown();
    }
    static std::vector<uint16_t> Shown() { return platform::headless::LastFrame().pixels; }
    static void Steps(CCreditsRoll& roll, int count) {
        for (int i = 0; i < count; ++i)
            roll.Step();
    }
};

TEST_F(CreditsRollTest, TheFirstRowComesInTheThirtyFirstFrame) {
    CCreditsRoll roll;
    ASSERT_TRUE(roll.Load());
    ASSERT_EQ(roll.Lines().size(), static_cast<size_t>(mkinstall::kSampleCreditLines));
    Steps(roll, 30);
    EXPECT_EQ(TopOf(roll, 0), CCreditsRoll::kScreenHeight);
    Steps(roll, 1);
    EXPECT_EQ(TopOf(roll, 0), CCreditsRoll::kScreenHeight - 1);

    // The first line's ink starts at its font's glyph offset below the line's top: the frame that
    // shows it changes the last row only.
    CCreditsRoll again;
    ASSERT_TRUE(again.Load());
    const int firstInk = 31 + mkinstall::SampleUnicodeTop(0);
    Steps(again, firstInk - 1);
    const std::vector<uint16_t> before = Shown();
    Steps(again, 1);
    const std::vector<uint16_t> after = Shown();
    ASSERT_EQ(after.size(), before.size());
    size_t changed = 0;
    for (size_t i = 0; i < after.size(); ++i)
        if (after[i] != before[i]) {
            ++changed;
            EXPECT_EQ(i / 640, 479u) << "a changed pixel above the last row";
        }
    EXPECT_GT(changed, 0u) << "nothing of the first line in the last row";
}

TEST_F(CreditsRollTest, FramesBehindAdvanceSeveralPixels) {
    CCreditsRoll roll;
    ASSERT_TRUE(roll.Load());
    Steps(roll, 2);
    EXPECT_EQ(roll.Offset(), CCreditsRoll::kStartOffset + 2);
    // A frame's work took 100 ms: the next frame makes up two whole periods.
    roll.Pacer().TakeSpareTime();
    roll.Pacer().BeginWork();
    Advance(100);
    roll.Pacer().EndWork();
    roll.Pacer().Account();
    Steps(roll, 1);
    EXPECT_EQ(roll.Offset(), CCreditsRoll::kStartOffset + 5);
    // In step, each frame holds its period on the test clock.
    const uint32_t before = platform::TickCount();
    Steps(roll, 3);
    EXPECT_EQ(roll.Offset(), CCreditsRoll::kStartOffset + 8);
    EXPECT_EQ(platform::TickCount() - before, 2u * 33u + 32u); // a deficit of 1 ms carried
}

TEST_F(CreditsRollTest, AKeyOrClickEndsTheRoll) {
    struct Case {
        uint32_t message;
        bool ends;
    };
    const Case cases[] = {{platform::WM_KEYDOWN, true},   {platform::WM_LBUTTONDOWN, true},
                          {platform::WM_LBUTTONUP, true}, {platform::WM_RBUTTONDOWN, true},
                          {platform::WM_RBUTTONUP, true}, {platform::WM_MOUSEMOVE, false},
                          {platform::WM_KEYUP, false},    {platform::WM_CHAR, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        CCreditsRoll roll;
        ASSERT_TRUE(roll.Load());
        Steps(roll, 3);
        platform::headless::PushInput(platform::Message{c.message, 'A', 0, 0});
        Steps(roll, 2);
        EXPECT_EQ(roll.Done(), c.ends);
    }

    // A whole showing ended by a click: the front end's picture is back, no song plays.
    platform::headless::PushMouse(platform::WM_LBUTTONDOWN, 100, 100, 1);
    CCreditsRoll roll;
    ASSERT_TRUE(roll.Run());
    EXPECT_TRUE(roll.Done());
    EXPECT_FALSE(MusicManager::IsPlaying());
    for (int y : {0, 200, 479})
        for (int x : {0, 320, 639})
            EXPECT_EQ(BackBuffer::Pixels()[BackBuffer::IndexOf(x, y)],
                      GetGumpArtPixel(CCreditsRoll::kFrontEndArt, x, y))
                << x << "," << y;
}

TEST_F(CreditsRollTest, EndOfSongPlaysTheNextInTurn) {
    CCreditsRoll roll;
    ASSERT_TRUE(roll.Load());
    std::vector<int> played = {CreditSong(roll.Songs())};
    for (int i = 0; i < 3; ++i) {
        platform::PostMessage(platform::MM_MCINOTIFY, 1, 0);
        Steps(roll, 1);
        played.push_back(CreditSong(roll.Songs()));
    }
    EXPECT_EQ(played, (std::vector<int>{5, 7, 5, 7}));
}

TEST_F(CreditsRollTest, ClosingTheWindowEndsTheReportsThenExitsWithOne) {
    class Recording : public IGRPingTransport {
      public:
        bool SendPingMessage(const std::string&, uint32_t, const std::string&, const char* message,
                             size_t length) override {
            std::lock_guard<std::mutex> lock(mutex);
            commands.push_back(
                std::string(message, length).substr(0, std::string(message, length).find('&')));
            seen.notify_all();
            return true;
        }
        std::mutex mutex;
        std::condition_variable seen;
        std::vector<std::string> commands;
    };
    auto transport = std::make_shared<Recording>();
    IGRSetTransport(transport);
    IGRStartSession(IGRSessionParams("tester", 1, 3600, "ROOM", "ctx", 1, "h", "/p"));
    {
        std::unique_lock<std::mutex> lock(transport->mutex);
        ASSERT_TRUE(transport->seen.wait_for(lock, std::chrono::seconds(10),
                                             [&] { return !transport->commands.empty(); }));
    }
    CCreditsRoll roll;
    ASSERT_TRUE(roll.Load());
    Steps(roll, 2);
    platform::headless::PushClose();
    ReportRecorder exits; // its exit function throws instead of ending the test program
    int code = -1;
    try {
        Steps(roll, 2);
    } catch (const ProcessExit& e) {
        code = e.code;
    }
    EXPECT_EQ(code, 1);
    {
        std::lock_guard<std::mutex> lock(transport->mutex);
        EXPECT_EQ(transport->commands,
                  (std::vector<std::string>{"command=IGRSTARTGAME", "command=IGRENDGAME"}));
    }
    for (int i = 0; i < 5000 && IGRSessionCount() != 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(IGRSessionCount(), 0);
    IGRResetForTests();
}

TEST_F(CreditsRollTest, GoldenFrames) {
    CCreditsRoll roll;
    ASSERT_TRUE(roll.Load());
    const std::filesystem::path golden(QV_TESTS_DIR "/frontend/golden");
    Steps(roll, 31);
    ExpectGoldenPpm(golden / "credits_frame_31.ppm", EncodePpm(Shown().data(), 640, 480));
    Steps(roll, 200 - 31);
    ExpectGoldenPpm(golden / "credits_frame_200.ppm", EncodePpm(Shown().data(), 640, 480));
}

} // namespace
} // namespace qvtest
