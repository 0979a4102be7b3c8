#include "AppFixture.h"
#include "core/HWProfile.h"
#include "platform/headless.h"

#include <gtest/gtest.h>

namespace {

using qvtest::TempDir;

class MainLoopTest : public qvtest::AppTest {
  protected:
    void SetUp() override {
        AppTest::SetUp();
        Install(dir, {});
        RunStartup();
        Services().appUpdate = [this](int catchUp) { updates.push_back(catchUp); };
    }
    void TearDown() override {
        RunShutdown();
        AppTest::TearDown();
    }
    void Passes(int n) {
        for (int i = 0; i < n; ++i)
            ASSERT_TRUE(RunMainLoopPass(false));
    }
    TempDir dir;
    std::vector<int> updates; // the catchUp argument of each CApp::Update
};

TEST_F(MainLoopTest, FrameStepAdvancesByTheIntervalUnlessTwoAreLate) {
    struct Case {
        uint32_t late;
        bool frameSkipping;
        std::vector<int> updates;
        bool reset; // the step start becomes now instead of advancing by 50 ms
    } cases[] = {
        {49, false, {}, false},     {50, false, {0}, false}, {99, false, {0}, false},
        {99, true, {0}, false},     {100, false, {0}, true}, {100, true, {1, 0}, true},
        {5000, true, {1, 0}, true},
    };
    for (const Case& c : cases) {
        FrameSkipping = c.frameSkipping;
        updates.clear();
        uint32_t start = GetStepStart();
        Advance(c.late);
        Passes(1);
        EXPECT_EQ(updates, c.updates) << c.late << " ms late";
        uint32_t expected = c.updates.empty() ? start : c.reset ? GetGameTicks() : start + 50;
        EXPECT_EQ(GetStepStart(), expected) << c.late << " ms late";
        // Line the step start up with now for the next case.
        Advance(100);
        Passes(1);
    }
}

TEST_F(MainLoopTest, APassWithNothingToDoSleepsUntilTheNextDeadline) {
    // Line the step start up with now.
    Advance(100);
    Passes(1);
    const uint32_t start = GetStepStart();
    updates.clear();
    const MainLoopCounts before = GetMainLoopCounts();
    // Nothing due: the pass waits exactly until the frame step (the manual clock moves there).
    ASSERT_TRUE(RunMainLoopPass(true));
    EXPECT_EQ(GetGameTicks(), start + 50);
    EXPECT_TRUE(updates.empty());
    ASSERT_TRUE(RunMainLoopPass(true)); // the step runs; a busy pass does not wait
    EXPECT_EQ(updates, std::vector<int>{0});
    EXPECT_EQ(GetGameTicks(), start + 50);

    // A deadline another part registered comes first; input ends the wait at once.
    platform::Deadline other;
    other.Set(platform::TickCount() + 20);
    ASSERT_TRUE(RunMainLoopPass(true));
    EXPECT_EQ(GetGameTicks(), start + 70);
    other.Clear();
    platform::headless::PushMouse(platform::WM_MOUSEMOVE, 5, 5);
    ASSERT_TRUE(RunMainLoopPass(true)); // drains the input: busy, no wait
    ASSERT_TRUE(RunMainLoopPass(true));
    EXPECT_EQ(GetGameTicks(), start + 100);
    const MainLoopCounts after = GetMainLoopCounts();
    EXPECT_EQ(after.passes - before.passes, 5u);
    EXPECT_EQ(after.waits - before.waits, 3u);
}

TEST_F(MainLoopTest, ClockDriftSwitchesTheSourceWithoutAJumpAndBack) {
    ASSERT_FALSE(IsClockTickSourceActive());
    // The process clock runs 301 ms ahead of the tick count within the 100 passes of one check.
    platform::AdvanceManualClock(0, 301);
    Passes(99);
    EXPECT_FALSE(IsClockTickSourceActive());
    uint32_t before = GetGameTicks();
    Passes(1);
    EXPECT_TRUE(IsClockTickSourceActive());
    EXPECT_LE(TickDifference(GetGameTicks(), before), 301);

    // Both clocks agree again: back to the tick count at the next check.
    Advance(40);
    Passes(99);
    EXPECT_TRUE(IsClockTickSourceActive());
    Passes(1);
    EXPECT_FALSE(IsClockTickSourceActive());
    EXPECT_EQ(GetGameTicks(), platform::TickCount());
}

TEST_F(MainLoopTest, DriftOfAtMost300MsKeepsTheTickCount) {
    for (int drift : {300, -300}) {
        if (drift > 0)
            platform::AdvanceManualClock(0, static_cast<uint32_t>(drift));
        else
            platform::AdvanceManualClock(static_cast<uint32_t>(-drift), 0);
        Passes(100);
        EXPECT_FALSE(IsClockTickSourceActive()) << drift;
    }
    platform::AdvanceManualClock(301, 0); // the tick count ahead counts as drift too
    Passes(100);
    EXPECT_TRUE(IsClockTickSourceActive());
}

TEST_F(MainLoopTest, QuitInTheMiddleOfADrainSkipsTheRest) {
    Services().playNextSong = Record("dispatched");
    Services().soundUpdate = Record("SoundManager::Update");
    Services().pollNetwork = Record("PollNetwork");
    platform::PostMessage(platform::MM_MCINOTIFY);
    platform::PostMessage(platform::WM_QUIT, 7);
    platform::PostMessage(platform::MM_MCINOTIFY);
    Advance(100);
    EXPECT_FALSE(RunMainLoopPass(false));
    EXPECT_EQ(calls, (std::vector<std::string>{"dispatched", "SoundManager::Update"}));
    EXPECT_TRUE(updates.empty());
    EXPECT_FALSE(RunMainLoopPass(false)); // the loop stays ended
    EXPECT_EQ(RunShutdown(), 7);
}

TEST_F(MainLoopTest, EachPassDrainsThenPollsThenSteps) {
    Services().playNextSong = Record("dispatched");
    Services().soundUpdate = Record("SoundManager::Update");
    Services().translationUpdate = Record("LanguageTranslationServer::Packet::update");
    Services().pollNetwork = Record("PollNetwork");
    Services().appUpdate = [this](int) { calls.push_back("CApp::Update"); };
    platform::PostMessage(platform::MM_MCINOTIFY);
    platform::PostMessage(platform::MM_MCINOTIFY);
    Advance(50);
    Passes(1);
    EXPECT_EQ(calls, (std::vector<std::string>{
                         "dispatched", "SoundManager::Update", "LanguageTranslationServer::Packet::update",
                         "dispatched", "SoundManager::Update", "LanguageTranslationServer::Packet::update",
                         "PollNetwork", "SoundManager::Update", "CApp::Update"}));
}

// A description queued by a shard list (inside the network pass) is stored in the same pass, after
// the packets; one still queued at the end is stored by the shutdown.
TEST_F(MainLoopTest, TheMachineDescriptionIsStoredAfterTheNetworkPass) {
    ResetHWProfileForTests();
    bool queuedDuringPoll = false;
    Services().pollNetwork = [&] {
        QueueHWProfileSave();
        queuedDuringPoll = IsHWProfileSaveQueued();
    };
    Passes(1);
    EXPECT_TRUE(queuedDuringPoll);
    EXPECT_FALSE(IsHWProfileSaveQueued());
    HWProfile stored;
    EXPECT_TRUE(LoadHWProfile(stored));

    Services().pollNetwork = [] {};
    platform::RegDeleteValue(platform::RegRoot::LocalMachine, kHWProfileKey, "timeZoneBias");
    QueueHWProfileSave();
    RunShutdown();
    EXPECT_TRUE(LoadHWProfile(stored));
    ResetHWProfileForTests();
}

TEST_F(MainLoopTest, ServerKeptFilesAreCheckedOnlyInTheWorld) {
    bool inWorld = false;
    std::vector<bool> forced;
    Services().serverConfigEnabled = [] { return true; };
    Services().inWorld = [&] { return inWorld; };
    Services().checkServerConfigFiles = [&](bool force) { forced.push_back(force); };
    Passes(1);
    EXPECT_TRUE(forced.empty());
    inWorld = true;
    Passes(2);
    EXPECT_EQ(forced, (std::vector<bool>{false, false}));
}

TEST_F(MainLoopTest, ClosingTheWindowEndsTheLoopWithCodeZero) {
    Services().saveDesktop = Record("CGumpManager::SaveDesktop");
    Services().setNetworkQuiet = [this](bool quiet) { calls.push_back(quiet ? "quiet" : "loud"); };
    platform::headless::PushClose();
    int passes = 0;
    while (RunMainLoopPass(false) && passes < 10)
        ++passes;
    EXPECT_LT(passes, 10);
    EXPECT_FALSE(platform::HasMainWindow());
    EXPECT_EQ(calls, (std::vector<std::string>{"CGumpManager::SaveDesktop", "quiet"}));
    EXPECT_EQ(RunShutdown(), 0);
}

TEST_F(MainLoopTest, ClosingInTheWorldQuitsTheGameInstead) {
    Services().inWorld = [] { return true; };
    Services().quitGame = Record("QuitGame");
    platform::headless::PushClose();
    Passes(2);
    EXPECT_TRUE(platform::HasMainWindow());
    EXPECT_EQ(calls, (std::vector<std::string>{"QuitGame"}));
}

TEST_F(MainLoopTest, FramesArePresentedByTheRealFrameStep) {
    ResetAppServices();
    for (int i = 0; i < 4; ++i) {
        Advance(50);
        Passes(1);
    }
    // The first frame shows everything; frames that change nothing present nothing.
    EXPECT_EQ(platform::headless::PresentedFrameCount(), 1);
    EXPECT_EQ(platform::headless::LastFrame().width, 640);
    ASSERT_EQ(platform::headless::LastPresentedRects().size(), 1u);
    EXPECT_EQ(platform::headless::LastPresentedRects()[0].right, 640);
    EXPECT_EQ(platform::headless::LastPresentedRects()[0].bottom, 480);

    // The window lost its picture: the next frame shows all of it again.
    platform::SendMessage(platform::WM_PAINT);
    for (int i = 0; i < 2; ++i) {
        Advance(50);
        Passes(1);
    }
    EXPECT_EQ(platform::headless::PresentedFrameCount(), 2);
    ASSERT_EQ(platform::headless::LastPresentedRects().size(), 1u);
    EXPECT_EQ(platform::headless::LastPresentedRects()[0].bottom, 480);
}

} // namespace
