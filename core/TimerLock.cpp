#include "core/TimerLock.h"

#include "platform/platform.h"

#include <atomic>

namespace {

std::atomic<bool>& TimerBusy() {
    static std::atomic<bool> busy{false};
    return busy;
}

} // namespace

void AcquireTimerLock() {
    bool expected = false;
    while (!TimerBusy().compare_exchange_weak(expected, true)) {
        expected = false;
        platform::SleepMillis(1);
    }
}

void ReleaseTimerLock() {
    TimerBusy() = false;
}

bool IsTimerLockTaken() {
    return TimerBusy().load();
}

bool TryAcquireTimerLock() {
    bool expected = false;
    return TimerBusy().compare_exchange_strong(expected, true);
}

void ResetTimerLockForTests() {
    TimerBusy() = false;
}
