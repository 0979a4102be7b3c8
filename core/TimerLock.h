#pragma once
// The busy flag that keeps the cursor tick away from music and sound-voice work, which may run on
// other threads. Acquire waits (1 ms polls) until the flag is free; a tick never waits: it tries
// once and is skipped instead.
void AcquireTimerLock();
void ReleaseTimerLock();
bool IsTimerLockTaken();
bool TryAcquireTimerLock();
void ResetTimerLockForTests();

// Holds the flag for a scope, so that an early return or an exception (a fatal report ends the
// process by one) cannot leave it taken.
class TimerLockGuard {
  public:
    TimerLockGuard() { AcquireTimerLock(); }
    ~TimerLockGuard() { ReleaseTimerLock(); }
    TimerLockGuard(const TimerLockGuard&) = delete;
    TimerLockGuard& operator=(const TimerLockGuard&) = delete;
};
