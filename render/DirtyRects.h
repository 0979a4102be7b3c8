#pragma once
// Dirty rectangles over the back-buffer ring: the world view is repainted only where something
// changed. The list holds pairwise disjoint screen rectangles, none of which crosses the point
// where the ring wraps from its last pixel to its first, so each is contiguous row by row.
#include "render/BlitTarget.h"
#include "render/Rect.h"

constexpr int kDirtyRectLimit = 256;
constexpr int kDirtyRectLargeLimit = 1024;

// Marks a screen rectangle for redraw (split at the ring's wrap). Ignored while the whole screen is
// dirty or the death fade runs.
void DirtyRect(const Rect* r);
// Adds a rectangle without overlapping the listed ones; past the limit the whole screen becomes
// dirty and the back buffer is cleared.
void DirtyRect_Internal(const Rect* r);
// The whole screen dirty, the ring back at offset 0 and the back buffer cleared.
void InvalidateAll();
// Clears the all-dirty flag, then InvalidateAll.
void ResetDirtyRects();
// Moves the ring by a scroll of the view, clears the strips that come in and moves the listed
// rectangles with the picture.
void ScrollBackBuffer(int dx, int dy);
// ScrollBackBuffer, then the incoming strips are dirtied.
void ScrollScreen(int dx, int dy);
// Paints and lights every listed rectangle, then empties the list.
void RenderFrame();

int GetDirtyRectCount();
const Rect* GetDirtyRects();
bool IsAllDirty();
void SetLargeDirtyLimit(bool on);
// The "ColoredLighting" option: which light pass RenderFrame applies.
void SetColoredLighting(bool on);

// A blit target over the back buffer that reaches the pixels of rect (screen coordinates, not
// crossing the ring's wrap) at their screen coordinates, and nothing else.
BlitTarget RingTargetFor(const Rect& rect);
// True when rect's pixels cross the ring's wrap (rect must lie on the screen).
bool StraddlesRingWrap(const Rect& rect);

void ResetDirtyRectsForTests();
