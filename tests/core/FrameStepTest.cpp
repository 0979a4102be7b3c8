#include "AppFixture.h"

#include "app/FrameStep.h"
#include "core/TimerLock.h"

#include <stdexcept>

#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace {

class FrameStepTest : public qvtest::AppTest {
  protected:
    void SetUp() override {
        AppTest::SetUp();
        AppServices& s = Services();
        s.mouseUpdate = Record("MouseManager::Update");
        s.gumpUpdate = Record("CGumpManager::Update");
        s.expireSavedTexts = Record("CObjectManager::ExpireSavedTexts");
        s.flushSpeechQueue = Record("CApp::FlushSpeechQueue");
        s.stepAlongPath = Record("StepAlongPath");
        s.musicUpdate = Record("MusicManager::Update");
        s.soundUpdate = Record("SoundManager::Update");
        s.updatePlayerWalk = Record("UpdatePlayerWalk");
        s.updateMovement = Record("CObjectManager::UpdateMovement");
        s.weatherUpdate = Record("WeatherManager::Update");
        s.updateMacroPlayer = Record("UpdateMacroPlayer");
        s.drawFrame = Record("GraphicManager::DrawFrame");
        s.sendKeepAlive = Record("SendKeepAlive");
        s.updateContainerQueue = Record("CGumpManager::UpdateContainerQueue");
        s.containerQueueFinished = [this] { return containerQueueFinished; };
    }
    bool containerQueueFinished = false;

    static std::vector<std::string> WindowLayer() { return {"MouseManager::Update", "CGumpManager::Update"}; }
    static std::vector<std::string> WorldStep(bool draw) {
        std::vector<std::string> v = {"CApp::FlushSpeechQueue", "StepAlongPath",
                                      "MusicManager::Update",   "SoundManager::Update",
                                      "UpdatePlayerWalk",       "CObjectManager::UpdateMovement",
                                      "WeatherManager::Update", "UpdateMacroPlayer"};
        if (draw) v.push_back("GraphicManager::DrawFrame");
        v.push_back("SendKeepAlive");
        v.push_back("CGumpManager::UpdateContainerQueue");
        return v;
    }
    static std::vector<std::string> Join(std::vector<std::string> a, const std::vector<std::string>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    }
};

TEST_F(FrameStepTest, FirstStepOpensEveryGateInOrder) {
    CApp::Update(0);
    std::vector<std::string> expected = WindowLayer();
    expected.push_back("CObjectManager::ExpireSavedTexts");
    EXPECT_EQ(calls, Join(expected, WorldStep(true)));
    EXPECT_EQ(GetFrameTicks(), qvtest::kTickStart);
}

TEST_F(FrameStepTest, CatchUpStepUpdatesTheWorldWithoutDrawing) {
    CApp::Update(1);
    std::vector<std::string> expected = WindowLayer();
    expected.push_back("CObjectManager::ExpireSavedTexts");
    EXPECT_EQ(calls, Join(expected, WorldStep(false)));
}

TEST_F(FrameStepTest, GatesOpenAfterTheirIntervals) {
    struct Case {
        uint32_t after;
        bool windowLayer, clock, world;
    } cases[] = {
        {32, false, false, false}, // the window layer needs more than 32 ms
        {33, true, false, false},  {50, true, false, false}, {75, true, false, false},
        {76, true, false, true},   {999, true, false, true}, {1000, true, true, true},
    };
    for (const Case& c : cases) {
        ResetFrameStep();
        CApp::Update(0);
        calls.clear();
        Advance(c.after);
        CApp::Update(0);
        std::vector<std::string> expected;
        if (c.windowLayer) expected = WindowLayer();
        if (c.clock) expected.push_back("CObjectManager::ExpireSavedTexts");
        if (c.world) expected = Join(expected, WorldStep(true));
        EXPECT_EQ(calls, expected) << "after " << c.after << " ms";
    }
}

TEST_F(FrameStepTest, StepsEvery50MsRunTheWorldOnEverySecondStep) {
    int windowLayers = 0, worldSteps = 0;
    for (int step = 0; step < 10; ++step) {
        calls.clear();
        CApp::Update(0);
        windowLayers += static_cast<int>(std::count(calls.begin(), calls.end(), "MouseManager::Update"));
        worldSteps += static_cast<int>(std::count(calls.begin(), calls.end(), "StepAlongPath"));
        Advance(50);
    }
    EXPECT_EQ(windowLayers, 10);
    EXPECT_EQ(worldSteps, 5);
}

TEST_F(FrameStepTest, FinishedContainerQueueIsNotUpdated) {
    containerQueueFinished = true;
    CApp::Update(0);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "CGumpManager::UpdateContainerQueue"), 0);
}

TEST_F(FrameStepTest, ActionWaitCounterFallsOncePerWorldStep) {
    SetActionWaitCounter(2);
    CApp::Update(0);
    EXPECT_EQ(GetActionWaitCounter(), 1);
    Advance(50); // window layer only
    CApp::Update(0);
    EXPECT_EQ(GetActionWaitCounter(), 1);
    Advance(50);
    CApp::Update(0);
    Advance(100);
    CApp::Update(0);
    EXPECT_EQ(GetActionWaitCounter(), 0); // never below 0
}

TEST_F(FrameStepTest, GameClockCountsMinutesAndHours) {
    for (int i = 0; i < 20; ++i)
        AdvanceGameClock();
    EXPECT_EQ(GetGameClock().minute, 1);
    EXPECT_EQ(GetGameClock().count, 0);

    SetGameClock(23, 59, 19);
    AdvanceGameClock();
    EXPECT_EQ(GetGameClock().hour, 0);
    EXPECT_EQ(GetGameClock().minute, 0);
    EXPECT_EQ(GetGameClock().count, 0);

    // One count per second of frame steps.
    SetGameClock(0, 0, 0);
    for (int i = 0; i < 60; ++i) {
        CApp::Update(0);
        Advance(50);
    }
    EXPECT_EQ(GetGameClock().count, 3);
}

TEST_F(FrameStepTest, SpeechBudgetFallsBySpamLimitPerSecond) {
    struct Case {
        int budget;
        uint32_t elapsed;
        int expected;
    } cases[] = {{25, 500, 10}, {25, 1000, 0}, {25, 5000, 0}, {25, 0, 25}};
    for (const Case& c : cases) {
        CApp::ResetSpeechBudget(1000);
        CApp::SetSpeechBudget(c.budget);
        CApp::DecaySpeechBudget(1000 + c.elapsed);
        EXPECT_EQ(CApp::GetSpeechBudget(), c.expected) << c.budget << " after " << c.elapsed << " ms";
    }
}

TEST_F(FrameStepTest, SpeechBudgetKeepsTheFractionOfShortSteps) {
    // 20 ms at 30 units a second is 0.6 units: rounding each step down would never lower the budget.
    CApp::ResetSpeechBudget(qvtest::kTickStart);
    CApp::SetSpeechBudget(100);
    uint32_t t = qvtest::kTickStart;
    for (int i = 0; i < 50; ++i) {
        t += 20;
        CApp::DecaySpeechBudget(t);
    }
    EXPECT_EQ(CApp::GetSpeechBudget(), 70);
}

TEST_F(FrameStepTest, WorldStepDecaysTheBudget) {
    CApp::ResetSpeechBudget(qvtest::kTickStart);
    CApp::SetSpeechBudget(25);
    Advance(500); // across the counter's wrap
    CApp::Update(0);
    EXPECT_EQ(CApp::GetSpeechBudget(), 10);
}

TEST_F(FrameStepTest, TimerLockWaitsForItsHolder) {
    AcquireTimerLock();
    EXPECT_TRUE(IsTimerLockTaken());
    std::atomic<bool> acquired{false};
    std::thread other([&] {
        AcquireTimerLock();
        acquired = true;
        ReleaseTimerLock();
    });
    platform::SleepMillis(20);
    EXPECT_FALSE(acquired.load());
    ReleaseTimerLock();
    other.join();
    EXPECT_TRUE(acquired.load());
    EXPECT_FALSE(IsTimerLockTaken());
}

TEST_F(FrameStepTest, CursorTimerTickSkipsWhileTheFlagIsTaken) {
    ASSERT_TRUE(StartCursorTimer());
    unsigned id = CursorTimerId();
    EXPECT_NE(id, 0u);
    AcquireTimerLock();
    MouseTimerProc(id, 0, 1, 0, 0); // must neither wait nor free the flag
    EXPECT_TRUE(IsTimerLockTaken());
    ReleaseTimerLock();
    MouseTimerProc(id, 0, 1, 0, 0); // takes and frees the flag itself
    EXPECT_FALSE(IsTimerLockTaken());
    StopCursorTimer();
    EXPECT_EQ(CursorTimerId(), 0u);
}

TEST(TimerLockTest, AGuardGivesTheFlagBackWhenAnExceptionLeavesItsScope) {
    ResetTimerLockForTests();
    try {
        TimerLockGuard lock;
        EXPECT_TRUE(IsTimerLockTaken());
        throw std::runtime_error("fatal report");
    } catch (const std::runtime_error&) {
    }
    EXPECT_FALSE(IsTimerLockTaken());
}

} // namespace
