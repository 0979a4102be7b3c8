#pragma once
// The display: the back buffer's creation, full-screen surfaces and presenting a frame. Memory
// pixels are 5-5-5 everywhere and the platform display takes them as they are, so the 5-6-5
// conversion is never needed on the way out; CopyRingToSurface565 is kept for a 5-6-5 surface.
#include "render/Rect.h"

#include <cstdint>
#include <vector>

// A lockable surface: width x height pixels in rows of pitch pixels.
struct DisplaySurface {
    uint16_t* pixels = nullptr;
    int pitch = 0;
    int width = 0;
    int height = 0;
};

// The back buffer seen as a ring of width x height pixels.
struct RingView {
    const uint16_t* pixels = nullptr;
    int width = 0;
    int height = 0;
};

// Recreates the back buffer: at least the screen size, zeroed, the save-under area grown to
// match, and the whole screen marked dirty.
void CreateBackBuffer();
void DestroyBackBuffer();

// Full screen at 640 x 480, or in the world at the "FullScreenRes" mode (640 x 480 when that is
// refused); the back buffer takes the mode's size. Main thread, like everything here.
void CreateFullScreenSurfaces();
void ReleaseFullScreenSurfaces();
bool IsFullScreenActive();
void SetFullScreenRes(int width, int height); // the "FullScreenRes" option
// The surface presented in full screen (empty in a window).
DisplaySurface GetFullScreenSurface();

// Copy count ring pixels from ringIndex on to the surface, where destination position p is row
// p / ring width, column p % ring width; each piece ends at the end of a ring-width row. Rows and
// columns outside the surface are not written, and ring pixels outside the ring are not read.
void CopyRingToSurface(const DisplaySurface& destination, const RingView& ring, int destinationPosition,
                       int ringIndex, int count);
// The same, turning 5-5-5 into 5-6-5 (red and green up one bit, the new lowest green bit 0).
void CopyRingToSurface565(const DisplaySurface& destination, const RingView& ring, int destinationPosition,
                          int ringIndex, int count);

// Shows the back buffer in the window or on the full-screen surface, rotated so that the game
// area's top-left pixel is the screen's. Only the rectangles that differ from the last present
// go out (the first present and one after a size change show everything); a frame that changed
// nothing presents nothing.
void PresentFrame();
// The next present shows the whole frame (the window lost what it showed).
void ForgetPresentedFrame();
// The rows are compared in bands of this many; a band that changed gives one rectangle from its
// first to its last changed column, and bands below each other over the same columns join.
constexpr int kPresentBandRows = 16;
std::vector<Rect> ChangedRects(const uint16_t* before, const uint16_t* now, int width, int height);
// The ring index shown at the window's top-left pixel.
int PresentStartIndex();

void ResetDisplayForTests();
