#pragma once
// The world model: the functions of this folder that others call and that are not built yet. Their stand-ins
// live in world/stubs/; each goes away, with its declaration here, when its code arrives.
#include <cstdint>

void UpdatePlayerWalk();
void WalkByKey(int direction, intptr_t keyData);
// The player's walk queue: whether a step request waits for the server, when the last went out, and a
// queued step (direction + 1; run -1 keeps the current pace).
bool IsWalkRequestPending();
uint32_t LastWalkRequestTick();
void QueueWalkStep(int direction, int run, bool check);
