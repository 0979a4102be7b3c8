#include "render/BackBuffer.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace BackBuffer {
namespace {
struct State {
    // Zeroed by new[]() in one memset: a vector's element fill stays a loop where the build
    // traces loops (fuzzing), and the buffer is remade whenever the screen size is applied.
    std::unique_ptr<uint16_t[]> pixels;
    size_t count = 0;
    int width = kStartWidth;
    int height = kStartHeight;
    int ringOffset = 0;
    std::vector<uint8_t> saveUnder;
};
State& S() {
    static State s;
    return s;
}
} // namespace

uint16_t* Pixels() {
    return S().pixels.get();
}
int Width() {
    return S().width;
}
int Height() {
    return S().height;
}
int PixelCount() {
    return S().width * S().height;
}
bool Exists() {
    return S().pixels != nullptr;
}

void SetSize(int width, int height) {
    S().width = std::max(width, 0);
    S().height = std::max(height, 0);
}

void Create() {
    S().count = static_cast<size_t>(S().width) * S().height;
    S().pixels = S().count > 0 ? std::make_unique<uint16_t[]>(S().count) : nullptr;
    S().ringOffset = 0;
}

void Destroy() {
    S().pixels.reset();
    S().count = 0;
}

void Resize(int width, int height) {
    SetSize(width, height);
    if (PixelCount() == 0) {
        Destroy();
        return;
    }
    Create();
}

int RingOffset() {
    return S().ringOffset;
}

void SetRingOffset(int offset) {
    int n = PixelCount();
    if (n <= 0) {
        S().ringOffset = 0;
        return;
    }
    offset %= n;
    S().ringOffset = offset < 0 ? offset + n : offset;
}

int RingX() {
    return S().width > 0 ? S().ringOffset % S().width : 0;
}
int RingY() {
    return S().width > 0 ? S().ringOffset / S().width : 0;
}

size_t IndexOf(int x, int y) {
    size_t n = static_cast<size_t>(PixelCount());
    return (static_cast<size_t>(S().ringOffset) + static_cast<size_t>(y) * S().width + x) % n;
}

void FillRect(const Rect& screenRect, uint16_t value) {
    if (!Exists()) return;
    Rect r = IntersectRect(screenRect, Rect{0, 0, S().width, S().height});
    if (r.IsEmpty()) return;
    const size_t n = S().count;
    uint16_t* p = S().pixels.get();
    for (int y = r.top; y < r.bottom; ++y) {
        size_t start = IndexOf(r.left, y);
        size_t count = static_cast<size_t>(r.Width());
        size_t first = std::min(count, n - start); // the row may run past the end of the buffer
        std::fill(p + start, p + start + first, value);
        std::fill(p, p + (count - first), value);
    }
}

uint8_t* SaveUnder() {
    return S().saveUnder.empty() ? nullptr : S().saveUnder.data();
}
size_t SaveUnderSize() {
    return S().saveUnder.size();
}
void GrowSaveUnder(size_t bytes) {
    if (S().saveUnder.size() < bytes) S().saveUnder.assign(bytes, 0);
}

void Release() {
    S() = State{};
}

} // namespace BackBuffer
