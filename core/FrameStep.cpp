#include "core/FrameStep.h"

#include "core/AppServices.h"
#include "core/DisplayLock.h"
#include "core/GameTicks.h"
#include "core/Options.h"
#include "core/StartupServices.h"
#include "platform/platform.h"

#include <atomic>
#include <mutex>

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

// The application critical section and the flag it guards.
struct TimerLock {
    std::mutex section;
    bool busy = false;
};

TimerLock& T() {
    static TimerLock lock;
    return lock;
}

struct CursorTimer {
    platform::PeriodicTimer timer;
    std::atomic<unsigned> id{0};
    unsigned nextId = 1;
    std::atomic<int> reentry{0};
};

CursorTimer& C() {
    static CursorTimer timer;
    return timer;
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
    uint64_t limit = SpamLimit > 0 ? static_cast<uint64_t>(SpamLimit) : 0;
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

void AcquireTimerLock() {
    TimerLock& t = T();
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(t.section);
            if (!t.busy) {
                t.busy = true;
                return;
            }
        }
        platform::SleepMillis(1);
    }
}

void ReleaseTimerLock() {
    std::lock_guard<std::mutex> lock(T().section);
    T().busy = false;
}

bool IsTimerLockTaken() {
    std::lock_guard<std::mutex> lock(T().section);
    return T().busy;
}

void MouseTimerProc(unsigned timerId, unsigned, uintptr_t user, uintptr_t, uintptr_t) {
    TimerLock& t = T();
    {
        std::lock_guard<std::mutex> lock(t.section);
        if (t.busy) return; // skip this tick rather than wait
        t.busy = true;
    }
    CursorTimer& c = C();
    if (timerId != 0 && timerId == c.id.load() && user == kCursorTimerUser && c.reentry.load() == 0) {
        c.reentry = 1;
        int x = 0, y = 0;
        platform::GetCursorPosition(x, y);
        int drawnX = 0, drawnY = 0;
        MouseManager::GetMousePos(&drawnX, &drawnY);
        MouseManager::UpdateCursorShape();
        if (x != drawnX || y != drawnY || MouseManager::IsCursorDirty()) {
            MouseManager::SetMousePos(x, y);
            MouseManager::DrawSoftwareCursor(true);
        }
        c.reentry = 0;
    }
    std::lock_guard<std::mutex> lock(t.section);
    t.busy = false;
}

bool StartCursorTimer() {
    CursorTimer& c = C();
    if (c.timer.IsRunning()) return true;
    unsigned id = c.nextId++;
    if (c.nextId == 0) c.nextId = 1;
    c.id = id;
    if (!c.timer.Start(kCursorTimerInterval, [id] { MouseTimerProc(id, 0, kCursorTimerUser, 0, 0); })) {
        c.id = 0;
        return false;
    }
    return true;
}

// Under the display lock the timer loses its id, so no tick draws after the lock is left; the
// thread is joined outside the lock, as a tick in progress may be waiting for it.
void StopCursorTimer() {
    CursorTimer& c = C();
    {
        std::lock_guard<std::recursive_mutex> lock(DisplayLock());
        if (!c.timer.IsRunning()) return;
        c.id = 0;
    }
    c.timer.Stop();
}

unsigned CursorTimerId() {
    return C().id.load();
}

void ResetFrameStep() {
    StopCursorTimer();
    F() = FrameState{};
    std::lock_guard<std::mutex> lock(T().section);
    T().busy = false;
}
