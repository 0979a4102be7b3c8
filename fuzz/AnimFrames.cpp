// Animation items from the animation files: decode, then draw every frame (all hue modes, both
// ways round, shadowed) where a small canary-framed target cuts it, and probe it pixel by pixel.
#include "render/AnimFrames.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {
constexpr int kWidth = 64, kHeight = 48, kMargin = 8, kPitch = kWidth + 2 * kMargin;
constexpr uint16_t kCanary = 0x5A5A;
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    AnimItem item;
    if (!DecodeAnimItem(data, size, item)) return 0;
    std::vector<uint16_t> cells(static_cast<size_t>(kPitch) * (kHeight + 2 * kMargin), kCanary);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            cells[static_cast<size_t>(y + kMargin) * kPitch + x + kMargin] = 0x1234;
    BlitTarget target{&cells[static_cast<size_t>(kMargin) * kPitch + kMargin], kPitch, kHeight,
                      Rect{0, 0, kWidth, kHeight}, 0};
    const int hues[] = {0, 7, 7 | kHuePartial, 7 | kHueDarken, 0x3FFF | kHuePartial | kHueDarken};
    const int anchors[][2] = {{32, 40}, {-3, 50}};
    uint32_t hits = 0;
    unsigned turn = 0;
    const int frames = item.FrameCount() < 16 ? item.FrameCount() : 16;
    for (int n = 0; n < frames; ++n) {
        const AnimFrame* frame = item.Frame(n);
        if (!frame) continue;
        for (const auto& a : anchors)
            for (bool mirrored : {false, true}) {
                DrawAnimShadow(target, mirrored, a[0], a[1], Rect{2, 3, 60, 45}, item, *frame);
                // One hue mode per draw, in turn: every mode is reached over a few frames.
                DrawAnimFrame(target, mirrored, hues[turn++ % 5], a[0], a[1], kNoClip, item, *frame);
                const Rect box = AnimFrameRect(*frame, mirrored, a[0], a[1]);
                for (int y = box.top; y < box.bottom && y < box.top + 24; y += 5)
                    for (int x = box.left; x < box.right && x < box.left + 24; x += 4)
                        hits += IsAnimPixelAt(x, y, mirrored, a[0], a[1], item, *frame);
            }
    }
    // Nothing outside the target is ever written.
    for (int y = 0; y < kHeight + 2 * kMargin; ++y)
        for (int x = 0; x < kPitch; ++x) {
            const bool inside = y >= kMargin && y < kMargin + kHeight && x >= kMargin && x < kMargin + kWidth;
            if (!inside && cells[static_cast<size_t>(y) * kPitch + x] != kCanary) std::abort();
        }
    return hits == 0xFFFFFFFF ? 1 : 0;
}
