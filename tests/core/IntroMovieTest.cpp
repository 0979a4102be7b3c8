#include "AppFixture.h"

#include "app/IntroMovie.h"
#include "app/StartupServices.h"
#include "media/MediaStandIns.h"
#include "mkinstall/IntroMovie.h"
#include "platform/headless.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace {

IntroMpegStream* const kStream = reinterpret_cast<IntroMpegStream*>(0x10);

class IntroMovieTest : public qvtest::AppTest {
  protected:
    void SetUp() override {
        AppTest::SetUp();
        AppServices& s = Services();
        s.setSoftwareCursor = [this](bool on) { calls.push_back(on ? "cursor on" : "cursor off"); };
        s.musicEnabled = [this] { return music; };
        s.enableMusic = [this](bool on) { calls.push_back(on ? "music on" : "music off"); };
        s.moviePlay = [this](const char* path, MovieSettings* settings) {
            calls.push_back("play " + std::filesystem::path(path).filename().string());
            playingDuringMovie = IsMoviePlaying();
            seen = *settings;
        };
        s.openIntroMpeg = [this](const char* path, IntroMpegStream** stream) {
            calls.push_back("open " + std::filesystem::path(path).filename().string());
            *stream = kStream;
            return mpegOpens ? 0 : 1;
        };
        s.playIntroMpeg = [this](IntroMpegStream* stream) {
            calls.push_back(stream == kStream ? "mpeg" : "?");
        };
        s.releaseIntroMpeg = [this](IntroMpegStream*) { calls.push_back("release"); };
        ASSERT_TRUE(CreateMainWindow(false));
        Install(dir_, {}, CApp::kInstallKey, false);
        FileManager::startup();
    }
    void TearDown() override {
        FileManager::shutdown();
        AppTest::TearDown();
    }
    // The movie files in the installation's "music" folder, and nothing else there.
    void Movies(const std::vector<std::string>& names) {
        std::filesystem::remove_all(dir_.file("install/music"));
        std::filesystem::create_directories(dir_.file("install/music"));
        for (const std::string& name : names)
            std::ofstream(dir_.file("install/music/" + name)) << "x";
    }
    qvtest::TempDir dir_;
    bool music = true, mpegOpens = true, playingDuringMovie = false;
    MovieSettings seen;
};

TEST_F(IntroMovieTest, PlaysBothFormsAndRestoresMusicAndCursor) {
    struct Case {
        std::vector<std::string> files;
        bool musicWasOn, mpegOpens;
        std::vector<std::string> expected;
    } cases[] = {
        {{"intro.wve", "intro.mpg"},
         true,
         true,
         {"cursor off", "music off", "play intro.wve", "open intro.mpg", "mpeg", "release", "cursor on",
          "music on"}},
        {{"INTRO.WVE"}, false, true, {"cursor off", "music off", "play INTRO.WVE", "cursor on"}},
        {{"intro.mpg"}, true, false, {"cursor off", "music off", "open intro.mpg", "cursor on", "music on"}},
        {{}, true, true, {}},
    };
    for (const Case& c : cases) {
        std::filesystem::remove_all(dir_.file("install/music"));
        Movies(c.files);
        music = c.musicWasOn;
        mpegOpens = c.mpegOpens;
        calls.clear();
        PlayIntroMovie();
        EXPECT_EQ(calls, c.expected) << (c.files.empty() ? "no files" : c.files[0]);
        EXPECT_FALSE(IsMoviePlaying());
    }
}

TEST_F(IntroMovieTest, MoviePlaysSynchronouslyCentredInTheWindow) {
    Movies({"intro.wve"});
    platform::SetClientSize(800, 600);
    PlayIntroMovie();
    EXPECT_TRUE(playingDuringMovie);
    EXPECT_FALSE(seen.asynchronous);
    EXPECT_FALSE(seen.fullScreen);
    EXPECT_EQ(seen.messagePump, &IntroMovieMessagePump);
    EXPECT_EQ(seen.left, 80);
    EXPECT_EQ(seen.top, 60);
}

// The sample installation's intro through the real player: every picture presented centred in the
// window while the music is off, the music back on afterwards.
TEST_F(IntroMovieTest, TheSampleIntroPlaysThroughThePlayer) {
    Movies({});
    std::string error;
    ASSERT_TRUE(mkinstall::WriteIntroMovie(dir_.file("install"), &error)) << error;
    platform::SetClientSize(800, 600);
    int presentedDuring = 0;
    Services().moviePlay = [&](const char* path, MovieSettings* settings) {
        calls.push_back("play " + std::filesystem::path(path).filename().string());
        int before = platform::headless::PresentedFrameCount();
        MoviePlay(path, settings);
        presentedDuring = platform::headless::PresentedFrameCount() - before;
    };
    PlayIntroMovie();
    EXPECT_EQ(calls, (std::vector<std::string>{"cursor off", "music off", "play intro.wve", "cursor on",
                                               "music on"}));
    EXPECT_EQ(presentedDuring, 181); // 180 pictures and the pump clearing the window on its second call
    const platform::headless::Frame& last = platform::headless::LastFrame();
    EXPECT_EQ(last.width, 800);
    EXPECT_EQ(last.height, 600);
    EXPECT_FALSE(IsMoviePlaying());
}

TEST_F(IntroMovieTest, WithoutAWindowNothingPlays) {
    Movies({"intro.wve"});
    platform::DestroyMainWindow();
    PlayIntroMovie();
    EXPECT_TRUE(calls.empty());
}

TEST_F(IntroMovieTest, PumpStopsOnKeysAndButtonsOnly) {
    struct Case {
        uint32_t id;
        uintptr_t wParam;
        int result;
    } cases[] = {
        {platform::WM_KEYDOWN, 'A', 1},       {platform::WM_LBUTTONDOWN, 0, 1},
        {platform::WM_RBUTTONDOWN, 0, 1},     {platform::WM_SYSCOMMAND, platform::SC_RESTORE, 1},
        {platform::WM_SYSCOMMAND, 0xF020, 0}, // minimise
        {platform::WM_MBUTTONDOWN, 0, 0},     {platform::WM_MOUSEMOVE, 0, 0},
        {platform::WM_KEYUP, 'A', 0},
    };
    for (const Case& c : cases) {
        platform::PostMessage(c.id, c.wParam);
        EXPECT_EQ(IntroMovieMessagePump(), c.result) << std::hex << c.id;
        EXPECT_FALSE(platform::WaitMessage(0)); // the message was taken either way
    }
    EXPECT_EQ(IntroMovieMessagePump(), 0); // nothing waiting
}

TEST_F(IntroMovieTest, PumpClearsOnItsSecondCallAndOnPaint) {
    Movies({"intro.wve"});
    int framesAtStart = platform::headless::PresentedFrameCount();
    Services().moviePlay = [](const char*, MovieSettings* settings) {
        settings->messagePump();
        settings->messagePump();
        settings->messagePump();
    };
    PlayIntroMovie();
    EXPECT_EQ(IntroMoviePumpCount(), 3);
    EXPECT_EQ(platform::headless::PresentedFrameCount(), framesAtStart + 1);
    platform::PostMessage(platform::WM_PAINT);
    EXPECT_EQ(IntroMovieMessagePump(), 0);
    EXPECT_EQ(platform::headless::PresentedFrameCount(), framesAtStart + 2);
    const auto& frame = platform::headless::LastFrame();
    EXPECT_EQ(frame.width, 640);
    EXPECT_EQ(std::count(frame.pixels.begin(), frame.pixels.end(), 0), 640 * 480);
}

TEST_F(IntroMovieTest, QuitDuringTheMovieStopsItAndReachesTheMainLoop) {
    platform::PostQuitMessage(3);
    EXPECT_EQ(IntroMovieMessagePump(), 1);
    EXPECT_FALSE(RunMainLoopPass(false));
    EXPECT_EQ(RunShutdown(), 3);
}

} // namespace
