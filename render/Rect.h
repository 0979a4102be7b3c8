#pragma once
// A rectangle of screen, world or bitmap pixels; right and bottom are exclusive.
#include <algorithm>

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    bool IsEmpty() const { return left >= right || top >= bottom; }
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const Rect&) const = default;
};

// The common part of a and b (empty when they do not meet).
inline Rect IntersectRect(const Rect& a, const Rect& b) {
    Rect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
           std::min(a.bottom, b.bottom)};
    if (r.IsEmpty()) return Rect{};
    return r;
}
