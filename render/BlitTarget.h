#pragma once
// Where a blit writes: a 16-bit pixel buffer addressed by rows of the pitch, and the rectangle a
// blit may write in. Every blit intersects its own clip with that rectangle first, so nothing is
// written left of or above it, past the pitch or below the last row.
#include "render/Rect.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

struct BlitTarget {
    uint16_t* pixels = nullptr; // pixel (x, y) is pixels[origin + y * pitch + x]
    int pitch = 0;
    int height = 0;
    Rect valid{}; // inside {0, 0, pitch, height}
    // A ring-addressed target (a dirty rectangle of the back buffer) starts before or after the
    // buffer's first pixel; only the pixels of the valid rectangle are inside the buffer.
    ptrdiff_t origin = 0;

    uint16_t* At(int x, int y) const { return pixels + (origin + static_cast<ptrdiff_t>(y) * pitch + x); }
    bool IsUsable() const { return pixels && pitch > 0 && height > 0 && !valid.IsEmpty(); }
};

// A whole buffer of height rows of pitch pixels.
inline BlitTarget MakeBlitTarget(uint16_t* pixels, int pitch, int height) {
    BlitTarget t;
    if (!pixels || pitch <= 0 || height <= 0) return t;
    t.pixels = pixels;
    t.pitch = pitch;
    t.height = height;
    t.valid = Rect{0, 0, pitch, height};
    return t;
}

// The rectangle a blit with this clip may write: the clip cut to the target's valid rectangle and
// to the buffer. Empty when the target is not usable.
inline Rect WritableArea(const BlitTarget& target, const Rect& clip) {
    if (!target.IsUsable()) return Rect{};
    return IntersectRect(IntersectRect(clip, target.valid), Rect{0, 0, target.pitch, target.height});
}

// The part of an object of width x height at (x, y) that a blit may write, in the object's own
// coordinates: the object cut to the clip and to the target's valid rectangle. Empty when nothing.
inline Rect VisiblePart(const BlitTarget& target, const Rect& clip, int x, int y, int width, int height) {
    if (!target.IsUsable() || width <= 0 || height <= 0) return Rect{};
    Rect onTarget = WritableArea(target, clip);
    if (onTarget.IsEmpty()) return Rect{};
    // In 64 bits: positions come from packets and windows dragged far off the screen.
    int64_t left = std::max<int64_t>(onTarget.left, x),
            right = std::min<int64_t>(onTarget.right, int64_t{x} + width);
    int64_t top = std::max<int64_t>(onTarget.top, y),
            bottom = std::min<int64_t>(onTarget.bottom, int64_t{y} + height);
    if (left >= right || top >= bottom) return Rect{};
    return Rect{static_cast<int>(left - x), static_cast<int>(top - y), static_cast<int>(right - x),
                static_cast<int>(bottom - y)};
}

// No clip beyond the target itself.
constexpr Rect kNoClip{-(1 << 30), -(1 << 30), 1 << 30, 1 << 30};
