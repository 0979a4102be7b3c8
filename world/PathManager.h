#pragma once
// A* path search over the eight neighbour directions with the walking step test. The answer is the
// goal node; nodes link back to the start through their parents. Nodes come from an arena that is
// reused until FreeLists; a hash from (x, y, z) finds a cell's node, and the open list is a binary
// heap by f (the newer node first on ties).
#include <cstdint>

namespace PathManager {

struct Node {
    float f = 0, h = 0, g = 0;
    int32_t x = 0, y = 0, z = 0;
    Node* parent = nullptr;
    // Filled by the walker, not by the search.
    int32_t direction = 0;
    Node* forward = nullptr;
    Node* successors[8] = {};
    // Search bookkeeping.
    uint32_t sequence = 0;  // order of creation: the newer wins a tie
    int32_t heapIndex = -1; // -1: closed
};

constexpr int kMaxExpansions = 5000;

// The step test: whether (x, y) can be entered from z by a step in direction d, and at which z.
using StepTest = bool (*)(int x, int y, int z, int direction, int& newZ);
// Default: CanWalkOnto.
void SetStepTest(StepTest test);

void startup();
void shutdown();
// The goal node, or null when none is reached within the caps.
Node* FindPath(int fromX, int fromY, int fromZ, int toX, int toY, int toZ, int maximum, int range);
void FreeLists();
// Nodes expanded by the last search.
int ExpandedCount();
// Whether a diagonal step is possible (the diagonal cell and both sides); the z of the last test.
bool CanStepDiagonal(int x, int y, int z, int direction, int& newZ);

} // namespace PathManager
