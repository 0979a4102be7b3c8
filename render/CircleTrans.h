#pragma once
// The circle of transparency: statics around the player fade inside it.
namespace CircleTrans {
// r <= 1 gives 2, above 256 gives 256.
void SetRadius(int radius);
// Each clamped to the screen.
void SetCenter(int x, int y);
} // namespace CircleTrans
