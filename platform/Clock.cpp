#include "platform/backend.h"
#include "platform/platform.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace platform {
namespace {

using SteadyClock = std::chrono::steady_clock;
const SteadyClock::time_point g_processStart = SteadyClock::now();

std::atomic<bool> g_manual{false};
std::atomic<uint32_t> g_manualTick{0};
std::atomic<uint32_t> g_manualProcess{0};
std::atomic<detail::ManualClockListener> g_clockListener{nullptr};

} // namespace

uint32_t TickCount() {
    if (g_manual.load(std::memory_order_acquire)) return g_manualTick.load(std::memory_order_acquire);
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now().time_since_epoch());
    return static_cast<uint32_t>(static_cast<uint64_t>(ms.count()));
}

uint32_t ProcessClockMillis() {
    if (g_manual.load(std::memory_order_acquire)) return g_manualProcess.load(std::memory_order_acquire);
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now() - g_processStart);
    return static_cast<uint32_t>(static_cast<uint64_t>(ms.count()));
}

void UseManualClock(uint32_t tickStart, uint32_t processStart) {
    g_manualTick.store(tickStart);
    g_manualProcess.store(processStart);
    g_manual.store(true, std::memory_order_release);
}

void AdvanceManualClock(uint32_t tickMs, std::optional<uint32_t> processMs) {
    g_manualTick.fetch_add(tickMs);
    g_manualProcess.fetch_add(processMs.value_or(tickMs));
    if (auto listener = g_clockListener.load()) listener();
}

void detail::SetManualClockListener(detail::ManualClockListener listener) {
    g_clockListener.store(listener);
}

void UseRealClock() {
    g_manual.store(false, std::memory_order_release);
}
bool IsManualClock() {
    return g_manual.load(std::memory_order_acquire);
}

void SleepMillis(uint32_t ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

struct PeriodicTimer::State {
    std::mutex mutex;
    std::condition_variable wake;
    bool stop = false;
};

PeriodicTimer::~PeriodicTimer() {
    Stop();
}

bool PeriodicTimer::Start(uint32_t intervalMs, std::function<void()> callback) {
    if (IsRunning() || !callback || intervalMs == 0) return false;
    state_ = std::make_shared<State>();
    auto state = state_;
    thread_ = std::thread([state, intervalMs, cb = std::move(callback)] {
        auto next = SteadyClock::now();
        for (;;) {
            next += std::chrono::milliseconds(intervalMs);
            {
                std::unique_lock<std::mutex> lock(state->mutex);
                if (state->wake.wait_until(lock, next, [&] { return state->stop; })) return;
            }
            cb(); // outside the lock: the callback may take locks of its own
            auto now = SteadyClock::now();
            if (now > next + std::chrono::milliseconds(intervalMs)) next = now; // never run a backlog
        }
    });
    return true;
}

void PeriodicTimer::Stop() {
    if (!state_) return;
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        state_->stop = true;
    }
    state_->wake.notify_all();
    if (thread_.joinable()) thread_.join();
    state_.reset();
}

bool PeriodicTimer::IsRunning() const {
    return state_ != nullptr;
}

bool SetCurrentThreadPriority(ThreadPriority priority) {
    int nice = 0;
    switch (priority) {
    case ThreadPriority::Lowest:
        nice = 10;
        break;
    case ThreadPriority::BelowNormal:
        nice = 5;
        break;
    case ThreadPriority::Normal:
        nice = 0;
        break;
    case ThreadPriority::Highest:
        nice = -5;
        break;
    }
    return setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), nice) == 0;
}

} // namespace platform
