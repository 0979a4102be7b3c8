#pragma once
// The probe's world mode: the client's world model after login, run as the frame step runs it and
// printed whenever it changes.
#include <cstdint>
#include <string>

namespace shardprobe {

// Binds the world's side of the login confirmation and a small tile data table.
void PrepareWorld();
// The model as lines: objects (class, graphic, place, holder or wearer and layer, queued steps),
// then weather, light, time and season.
std::string DescribeWorld();
// Network passes and world steps for the given time; a changed model is printed.
void FollowWorld(uint32_t milliseconds);

} // namespace shardprobe
