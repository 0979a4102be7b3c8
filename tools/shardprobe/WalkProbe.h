#pragma once
// The probe's walk: the sample installation's map under the client's own walk queue, driven by a
// string of directions once the probe is in the world.
#include <string>

namespace shardprobe {
// Takes "--walk DIRECTIONS" and "--run" out of the arguments; false for a bad direction string.
bool TakeWalkArguments(int& argc, char** argv, std::string& directions, bool& run);
// Writes the sample installation into the folder and starts the world tables and the map on it.
bool StartWorld(const std::string& folder);
// Prints the walk messages the client receives (the rest by id and length).
void PrintWalkPacket(const uint8_t* packet, int length);
// One step per direction, each settled with the server; prints the final view centre.
bool Walk(const std::string& directions, bool run);
} // namespace shardprobe
