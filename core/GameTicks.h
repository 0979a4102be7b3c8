#pragma once
// The millisecond clock every timed part of the client reads. It is the tick count, or, when the
// main loop finds the tick count drifting away from the process clock, the process clock plus an
// offset (ClockTickSource). The source is switched on the main thread and read on any thread.
#include <cstdint>

using TickSource = uint32_t (*)();

uint32_t GetGameTicks();
// The process clock plus the offset.
uint32_t ClockTickSource();
// now - then, and now - then - 1 when the counter wrapped in between.
int TickDifference(uint32_t now, uint32_t then);

void SetClockTickSourceOffset(int32_t offset);
int32_t GetClockTickSourceOffset();
// Chooses ClockTickSource (true) or the tick count (false) as the source of GetGameTicks.
void UseClockTickSource(bool on);
bool IsClockTickSourceActive();
// The tick count source: platform::TickCount.
uint32_t TickCountSource();
// Back to the tick count with offset 0.
void ResetGameTicks();
