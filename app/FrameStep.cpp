#include "app/FrameStep.h"

#include "app/AppServices.h"
#include "app/SpeechQueue.h"
#include "app/StartupServices.h"
#include "core/GameTicks.h"
#include "core/Options.h"
#include "core/TimerLock.h"
#include "platform/platform.h"

#include <atomic>

namespace {

constexpr uint32_t kWindowLayerGap = 32; // the window layer runs when more than this passed
constexpr uint32_t kClockGap = 1000;
constexpr uint32_t kWorldStepGap = 76;
constexpr uint32_t kCursorTimerInterval = 25;
constexpr uintptr_t kCursorTimerUser = 1;

struct FrameState {
    uint32_t frameTicks = 0;
    time_t frameSeconds = 0;
    uint32_t windowLayerTime = 0;
    uint32_t clockTime = 0;
    uint32_t worldStepTime = 0;
    GameClock clock;
    int speechBudget = 0;
    uint32_t lastDecayTime = 0;
    uint32_t decayRemainder = 0; // thousandths of a budget unit not yet taken off
    int actionWaitCounter = 0;
};

FrameState& F() {
    static FrameState state;
    return state;
}

// The timer's thread only posts a tick; the tick runs on the main thread, so the cursor, the
// mouse manager and the input they follow are never touched by two threads. Everything here but
// the posted flag and the thread belongs to the main thread.
struct CursorTimer {
    platform::PeriodicTimer timer;
    unsigned id = 0;
    unsigned nextId = 1;
    bool reentry = false;
    std::atomic<bool> tickPosted{false}; // one tick waits in the queue at most
};

CursorTimer& C() {
    static CursorTimer timer;
    return timer;
}

// The periodic timer's callback, on its own thread.
void PostCursorTick(unsigned id) {
    if (C().tickPosted.exchange(true)) return;
    platform::PostCall(
        [](uintptr_t timerId) {
            C().tickPosted = false;
            MouseTimerProc(static_cast<unsigned>(timerId), platform::WM_TIMER, kCursorTimerUser, 0, 0);
        },
        id);
}

void RunWindowLayer(uint32_t now) {
    FrameState& f = F();
    f.windowLayerTime = now;
    bool clockTicked = false;
    if (now - f.clockTime >= kClockGap) {
        f.clockTime = now;
        AdvanceGameClock();
        clockTicked = true;
    }
    AppServices& s = Services();
    s.mouseUpdate();
    s.gumpUpdate();
    if (clockTicked) s.expireSavedTexts();
}

void RunWorldStep(int catchUp) {
    AppServices& s = Services();
    CApp::DecaySpeechBudget(GetGameTicks());
    s.flushSpeechQueue();
    s.stepAlongPath();
    s.musicUpdate();
    s.soundUpdate();
    s.updatePlayerWalk();
    s.updateMovement();
    s.weatherUpdate();
    s.updateMacroPlayer();
    FrameState& f = F();
    if (f.actionWaitCounter != 0) --f.actionWaitCounter;
    if (catchUp == 0) s.drawFrame();
    s.sendKeepAlive();
    if (!s.containerQueueFinished()) s.updateContainerQueue();
}

} // namespace

namespace CApp {

void Update(int catchUp) {
    FrameState& f = F();
    uint32_t now = GetGameTicks();
    f.frameTicks = now;
    f.frameSeconds = time(nullptr);
    if (now - f.windowLayerTime > kWindowLayerGap) RunWindowLayer(now);
    if (now - f.worldStepTime < kWorldStepGap) return;
    f.worldStepTime = now;
    RunWorldStep(catchUp);
}

int GetSpeechBudget() {
    return F().speechBudget;
}

void SetSpeechBudget(int budget) {
    F().speechBudget = budget < 0 ? 0 : budget;
}

void ResetSpeechBudget(uint32_t now) {
    FrameState& f = F();
    f.speechBudget = 0;
    f.lastDecayTime = now;
    f.decayRemainder = 0;
}

void DecaySpeechBudget(uint32_t now) {
    FrameState& f = F();
    uint64_t limit = static_cast<uint64_t>(EffectiveSpamLimit());
    uint64_t thousandths = static_cast<uint64_t>(now - f.lastDecayTime) * limit + f.decayRemainder;
    f.lastDecayTime = now;
    f.decayRemainder = static_cast<uint32_t>(thousandths % 1000);
    uint64_t units = thousandths / 1000;
    f.speechBudget =
        units >= static_cast<uint64_t>(f.speechBudget) ? 0 : f.speechBudget - static_cast<int>(units);
}

} // namespace CApp

GameClock GetGameClock() {
    return F().clock;
}

void SetGameClock(int hour, int minute, int count) {
    F().clock = GameClock{count, minute, hour};
}

void AdvanceGameClock() {
    GameClock& c = F().clock;
    if (++c.count < 20) return;
    c.count = 0;
    if (++c.minute < 60) return;
    c.minute = 0;
    if (++c.hour >= 24) c.hour = 0;
}

uint32_t GetFrameTicks() {
    return F().frameTicks;
}

time_t GetFrameSeconds() {
    return F().frameSeconds;
}

void SetActionWaitCounter(int value) {
    F().actionWaitCounter = value;
}

int GetActionWaitCounter() {
    return F().actionWaitCounter;
}

void MouseTimerProc(unsigned timerId, unsigned, uintptr_t user, uintptr_t, uintptr_t) {
    if (!TryAcquireTimerLock()) return; // skip this tick rather than wait
    CursorTimer& c = C();
    // A tick of a timer stopped since it was posted finds another id, or none.
    if (timerId != 0 && timerId == c.id && user == kCursorTimerUser && !c.reentry) {
        c.reentry = true;
        int x = 0, y = 0;
        platform::GetCursorPosition(x, y);
        int drawnX = 0, drawnY = 0;
        MouseManager::GetMousePos(&drawnX, &drawnY);
        MouseManager::UpdateCursorShape();
        if (x != drawnX || y != drawnY || MouseManager::IsCursorDirty()) {
            MouseManager::SetMousePos(x, y);
            MouseManager::DrawSoftwareCursor(true);
        }
        c.reentry = false;
    }
    ReleaseTimerLock();
}

bool StartCursorTimer() {
    CursorTimer& c = C();
    if (c.timer.IsRunning()) return true;
    unsigned id = c.nextId++;
    if (c.nextId == 0) c.nextId = 1;
    c.id = id;
    c.tickPosted = false;
    if (!c.timer.Start(kCursorTimerInterval, [id] { PostCursorTick(id); })) {
        c.id = 0;
        return false;
    }
    return true;
}

// A tick already posted finds the id cleared and does nothing; the thread only posts, so joining
// it is quick.
void StopCursorTimer() {
    CursorTimer& c = C();
    if (!c.timer.IsRunning()) return;
    c.id = 0;
    c.timer.Stop();
}

unsigned CursorTimerId() {
    return C().id;
}

void ResetFrameStep() {
    StopCursorTimer();
    F() = FrameState{};
    ResetTimerLockForTests();
}
