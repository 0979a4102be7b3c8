#pragma once
// The 16-bit back buffer, used as a ring that scrolls with the view: screen pixel (x, y) is
// pixel (ring offset + y * width + x) mod (width * height).
#include <cstdint>

namespace BackBuffer {
uint16_t* Pixels();
int Width();
int Height();
int RingOffset();
// Gives the buffer its size; pixels are zeroed. The ring offset starts at 0.
void Resize(int width, int height);
void SetRingOffset(int offset);
void Release();
} // namespace BackBuffer
