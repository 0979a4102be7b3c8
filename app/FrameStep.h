#pragma once
// The frame step (CApp::Update), the game clock, the speech budget's decay, the timer busy flag
// and the software-cursor timer.
#include <cstdint>
#include <ctime>

namespace CApp {

// One frame step: the window layer when more than 32 ms passed, one game-clock count per second,
// and the world step at most every 76 ms. catchUp non-zero updates the world without drawing.
void Update(int catchUp);

// The speech budget: what the player said recently, falling by "SpamLimit" units per second.
int GetSpeechBudget();
void SetSpeechBudget(int budget);
// Budget 0, last decay now.
void ResetSpeechBudget(uint32_t now);
// Lowers the budget for the time since the last decay; the fraction of a unit that time earned
// is kept for the next decay, so short steps lose nothing.
void DecaySpeechBudget(uint32_t now);

} // namespace CApp

// The game clock: 20 counts a minute, 60 minutes an hour, 24 hours a day.
struct GameClock {
    int count = 0;
    int minute = 0;
    int hour = 0;
};
GameClock GetGameClock();
void SetGameClock(int hour, int minute, int count);
void AdvanceGameClock();

// The tick and wall-clock second sampled at the start of the last frame step.
uint32_t GetFrameTicks();
time_t GetFrameSeconds();

// Set by the macro player's arm and disarm actions; counted down once per world step.
void SetActionWaitCounter(int value);
int GetActionWaitCounter();


// The 25 ms cursor timer. Its thread only posts a tick to the main loop (at most one waits in the
// queue); MouseTimerProc, the tick, runs on the main thread when the loop dispatches it and moves
// the software cursor to the pointer. Start, stop and the id belong to the main thread.
void MouseTimerProc(unsigned timerId, unsigned message, uintptr_t user, uintptr_t, uintptr_t);
bool StartCursorTimer();
// Nothing when none runs. Also the exit handler.
void StopCursorTimer();
unsigned CursorTimerId(); // 0 when none runs

// Gates, clock, budget, counters and the cursor timer back to their start.
void ResetFrameStep();
