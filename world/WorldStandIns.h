#pragma once
// The world model: the functions of this folder that others call and that are not built yet. Their stand-ins
// live in world/stubs/; each goes away, with its declaration here, when its code arrives.
#include <cstdint>

namespace WeatherManager {
void startup();
void shutdown();
void Update();
} // namespace WeatherManager
