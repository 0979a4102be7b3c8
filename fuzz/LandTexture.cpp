// Land textures: check the item's size against its length, then fill triangles from it through
// both rasterisers into a target surrounded by canary pixels that must stay untouched.
#include "render/Art.h"
#include "render/SceneBlits.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    constexpr size_t kHeader = 1 + 3 * 5;
    if (size < kHeader) return 0;
    const int extra = static_cast<int>(data[0]) - 2;
    LandTexture texture;
    if (!DecodeLandTexture(data + kHeader, static_cast<int>(size - kHeader), extra, texture)) return 0;
    // Corners from the header: positions around and beyond the target, texture coordinates and
    // light beyond their ranges.
    TexVertex corners[3];
    for (int i = 0; i < 3; ++i) {
        const uint8_t* c = data + 1 + i * 5;
        corners[i] =
            TexVertex{static_cast<int8_t>(c[0]), static_cast<int8_t>(c[1]), static_cast<int8_t>(c[2]) * 2,
                      static_cast<int8_t>(c[3]) * 2, static_cast<int8_t>(c[4]) / 32};
    }
    constexpr int kWidth = 96, kHeight = 80, kMargin = 8;
    constexpr uint16_t kCanary = 0x5A5A;
    std::vector<uint16_t> canvas(static_cast<size_t>(kWidth) * kHeight, kCanary);
    BlitTarget target = MakeBlitTarget(canvas.data(), kWidth, kHeight);
    target.valid = Rect{kMargin, kMargin, kWidth - kMargin, kHeight - kMargin};
    SetBlitTarget(target);
    const Rect clips[] = {kNoClip, Rect{20, 10, 60, 50}};
    for (const Rect& clip : clips) {
        DrawTexturedTriangle(texture, corners, clip, false);
        DrawTexturedTriangle(texture, corners, clip, true);
    }
    SetBlitTarget(BlitTarget{});
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const bool inside = x >= kMargin && x < kWidth - kMargin && y >= kMargin && y < kHeight - kMargin;
            if (!inside && canvas[static_cast<size_t>(y) * kWidth + x] != kCanary) std::abort();
        }
    return 0;
}
