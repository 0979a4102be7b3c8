#include "core/GameTicks.h"

#include "platform/platform.h"

#include <atomic>

namespace {

std::atomic<TickSource> g_source{&TickCountSource};
std::atomic<int32_t> g_offset{0};

} // namespace

uint32_t TickCountSource() {
    return platform::TickCount();
}

uint32_t GetGameTicks() {
    return g_source.load(std::memory_order_acquire)();
}

uint32_t ClockTickSource() {
    return platform::ProcessClockMillis() + static_cast<uint32_t>(g_offset.load(std::memory_order_acquire));
}

int TickDifference(uint32_t now, uint32_t then) {
    if (now >= then) return static_cast<int>(now - then);
    return static_cast<int>(now - then - 1u);
}

void SetClockTickSourceOffset(int32_t offset) {
    g_offset.store(offset, std::memory_order_release);
}

int32_t GetClockTickSourceOffset() {
    return g_offset.load(std::memory_order_acquire);
}

void UseClockTickSource(bool on) {
    g_source.store(on ? &ClockTickSource : &TickCountSource, std::memory_order_release);
}

bool IsClockTickSourceActive() {
    return g_source.load(std::memory_order_acquire) == &ClockTickSource;
}

void ResetGameTicks() {
    UseClockTickSource(false);
    SetClockTickSourceOffset(0);
}
