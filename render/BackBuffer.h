#pragma once
// The 16-bit back buffer, used as a ring that scrolls with the view: screen pixel (x, y) is
// pixel (ring offset + y * width + x) mod (width * height). Its size outlives the pixels: the
// display recreates the pixels at the kept size, which is only ever raised in a window.
#include "render/Rect.h"

#include <cstddef>
#include <cstdint>

namespace BackBuffer {

constexpr int kStartWidth = 640;
constexpr int kStartHeight = 480;

uint16_t* Pixels(); // null while there is no buffer
int Width();
int Height();
int PixelCount(); // width x height
bool Exists();

// Sets the size for the next Create (the pixels, if any, stay as they are).
void SetSize(int width, int height);
// Allocates width x height zeroed pixels; the ring offset starts at 0.
void Create();
void Destroy();
// SetSize, then Create; a size of 0 destroys the buffer.
void Resize(int width, int height);

int RingOffset();
void SetRingOffset(int offset); // brought into 0 .. width x height - 1
int RingX();
int RingY();

// Screen pixel (x, y) of the ring: its index in Pixels().
size_t IndexOf(int x, int y);
// Sets every pixel of a screen rectangle (cut to the buffer) through the ring.
void FillRect(const Rect& screenRect, uint16_t value);

// The gump layer's save-under area: at least width x height x 2 bytes once the buffer exists.
uint8_t* SaveUnder();
size_t SaveUnderSize();
void GrowSaveUnder(size_t bytes);

// Everything back to the start: 640 x 480, no pixels, no save-under area.
void Release();

} // namespace BackBuffer
