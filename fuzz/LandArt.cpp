// Land tiles: decode the 44 x 44 diamond and draw it cut at each edge of a small target.
#include "render/Art.h"

#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto land = DecodeLandArt(data, size);
    if (!land) return 0;
    std::vector<uint16_t> canvas(50 * 40, 0);
    BlitTarget target = MakeBlitTarget(canvas.data(), 50, 40);
    const int positions[][2] = {{0, 0}, {-22, -22}, {30, 20}, {3, -40}};
    for (auto& p : positions)
        DrawArtTo(target, BloodRecolorSpan, land.get(), kNoClip, p[0], p[1]);
    uint32_t sum = 0;
    for (int y = -1; y <= kLandTileSize; ++y)
        for (int x = -1; x <= kLandTileSize; ++x)
            sum += GetArtPixel(land.get(), x, y);
    return sum == 0xFFFFFFFF ? 1 : 0;
}
