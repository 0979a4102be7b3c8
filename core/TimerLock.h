#pragma once
// The busy flag that keeps the cursor tick away from music and sound-voice work, which may run on
// other threads. Acquire waits (1 ms polls) until the flag is free; a tick never waits: it tries
// once and is skipped instead.
void AcquireTimerLock();
void ReleaseTimerLock();
bool IsTimerLockTaken();
bool TryAcquireTimerLock();
void ResetTimerLockForTests();
