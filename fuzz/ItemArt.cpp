// Item art from the art file or from the server: decode, then draw and probe it where it is cut
// by a small target.
#include "render/Art.h"

#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto art = DecodeItemArt(data, size);
    if (!art) return 0;
    std::vector<uint16_t> canvas(64 * 48, 0);
    BlitTarget target = MakeBlitTarget(canvas.data(), 64, 48);
    const int positions[][2] = {{0, 0}, {-5, -7}, {40, 30}, {-art->width + 1, -art->height + 1}};
    for (auto& p : positions) {
        DrawArtTo(target, CopySpan, art.get(), kNoClip, p[0], p[1]);
        DrawArtTo(target, TranslucentSpanKeyed, art.get(), Rect{3, 2, 50, 40}, p[0], p[1]);
    }
    uint32_t sum = 0;
    for (int y = -5; y < 40 && y < art->height + 5; ++y)
        for (int x = -2; x < 40 && x < art->width + 2; ++x)
            sum += GetArtPixel(art.get(), x, y);
    return sum == 0xFFFFFFFF ? 1 : 0;
}
