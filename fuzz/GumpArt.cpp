// Gump art: the first four bytes stand for the index record's size word (width << 16 | height),
// the rest is the item. Decode, draw cut by a small target, and probe pixels.
#include "render/GumpArt.h"

#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    uint32_t extra = static_cast<uint32_t>(data[0]) | static_cast<uint32_t>(data[1]) << 8 |
                     static_cast<uint32_t>(data[2]) << 16 | static_cast<uint32_t>(data[3]) << 24;
    auto art = DecodeGumpArt(data + 4, size - 4, extra);
    if (!art) return 0;
    std::vector<uint16_t> canvas(64 * 48, 0);
    BlitTarget target = MakeBlitTarget(canvas.data(), 64, 48);
    const int positions[][2] = {{0, 0}, {-10, -3}, {60, 44}, {-art->width + 2, 5}};
    for (auto& p : positions) {
        DrawGumpArtTo(target, CopySpan, art.get(), kNoClip, p[0], p[1]);
        DrawGumpArtTo(target, HueSpanKeyed, art.get(), Rect{-4, 4, 20, 30}, p[0], p[1]);
    }
    uint32_t sum = 0;
    for (int y = -1; y < 48 && y <= art->height; ++y)
        for (int x = -1; x < 64 && x <= art->width; ++x)
            sum += GetGumpArtPixel(art.get(), x, y);
    return sum == 0xFFFFFFFF ? 1 : 0;
}
