#include "render/BackBuffer.h"

#include <cstddef>
#include <vector>

namespace BackBuffer {
namespace {
struct State {
    std::vector<uint16_t> pixels;
    int width = 0;
    int height = 0;
    int ringOffset = 0;
};
State& S() {
    static State s;
    return s;
}
} // namespace

uint16_t* Pixels() {
    return S().pixels.empty() ? nullptr : S().pixels.data();
}
int Width() {
    return S().width;
}
int Height() {
    return S().height;
}
int RingOffset() {
    return S().ringOffset;
}

void Resize(int width, int height) {
    if (width <= 0 || height <= 0) {
        Release();
        return;
    }
    S().pixels.assign(static_cast<size_t>(width) * height, 0);
    S().width = width;
    S().height = height;
    S().ringOffset = 0;
}

void SetRingOffset(int offset) {
    S().ringOffset = offset;
}

void Release() {
    S() = State{};
}

} // namespace BackBuffer
