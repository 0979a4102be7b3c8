#pragma once
// The world's calls into the running effects: the view's scroll moves every missile with it, a
// mobile that goes takes the missiles aimed at it and the effects hanging on it, and the weather's
// lightning shows its flash. The application binds these with the world's other hooks.
#include <cstdint>

struct WorldHooks;

namespace CGumpManager {
// Every top-level missile keeps its world place while the view scrolls by (dx, dy).
void ShiftMissiles(int dx, int dy);
// Every effect aimed at the object or hanging on it ends.
void DeleteMissilesAt(uint32_t serial);
} // namespace CGumpManager

// Fills the effect entries of the world's hooks table.
void BindEffectHooks(WorldHooks& hooks);
