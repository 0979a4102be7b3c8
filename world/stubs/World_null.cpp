// Stand-in until walking is built.
#include "world/WorldStandIns.h"

void UpdatePlayerWalk() {}
void WalkByKey(int, intptr_t) {}
bool IsWalkRequestPending() {
    return false;
}
uint32_t LastWalkRequestTick() {
    return 0;
}
void QueueWalkStep(int, int, bool) {}
