#include "mkinstall/EffectArts.h"

#include <cmath>
#include <cstdlib>

namespace mkinstall {
namespace {

uint16_t Colour(int r, int g, int b) {
    return static_cast<uint16_t>((r & 31) << 10 | (g & 31) << 5 | (b & 31));
}

// A ring of fire: radius grows with the frame, hotter inside.
Picture Burst(int frame, int blue) {
    const int size = 16 + frame * 6;
    Picture p{size, size, std::vector<uint16_t>(static_cast<size_t>(size) * size, 0)};
    const double c = size / 2.0, outer = size / 2.0 - 1;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const double d = std::hypot(x + 0.5 - c, y + 0.5 - c);
            if (d > outer) continue;
            const int heat = static_cast<int>(31 * (1.0 - d / outer));
            p.pixels[static_cast<size_t>(y) * size + x] = Colour(31, 8 + heat * 2 / 3, blue + heat / 4);
        }
    return p;
}

} // namespace

Picture SampleEffectItem(int graphic) {
    if (graphic >= kExplosionArt && graphic < kExplosionArt + kExplosionFrames)
        return Burst(graphic - kExplosionArt, 0);
    if (graphic >= kObjectExplosionArt && graphic < kObjectExplosionArt + kObjectExplosionFrames)
        return Burst(graphic - kObjectExplosionArt, 16);
    return Picture{};
}

Picture SampleLightningGump(int gumpId) {
    if (gumpId < kFirstLightningGump || gumpId >= kFirstLightningGump + kLightningGumps) return Picture{};
    const int k = gumpId - kFirstLightningGump;
    constexpr int w = 24, h = 80;
    Picture p{w, h, std::vector<uint16_t>(static_cast<size_t>(w) * h, 0)};
    int x = w / 2;
    for (int y = 0; y < h; ++y) {
        // A zigzag whose turns depend on the bolt's number.
        x += ((y / (4 + k % 3)) + k) % 2 ? 1 : -1;
        x = std::abs(x) % (w - 2);
        for (int dx = 0; dx < 2; ++dx)
            p.pixels[static_cast<size_t>(y) * w + x + dx] = Colour(28 + k % 4, 28 + k % 4, 31);
    }
    return p;
}

void AddEffectItemArts(IndexedFile& art) {
    for (int g = kExplosionArt; g < kExplosionArt + kExplosionFrames; ++g) {
        const Picture p = SampleEffectItem(g);
        AddItem(art, 0x4000 + g, EncodeItemArt(p.width, p.height, p.pixels), 0);
    }
    for (int g = kObjectExplosionArt; g < kObjectExplosionArt + kObjectExplosionFrames; ++g) {
        const Picture p = SampleEffectItem(g);
        AddItem(art, 0x4000 + g, EncodeItemArt(p.width, p.height, p.pixels), 0);
    }
}

void AddEffectGumpArts(IndexedFile& gumps) {
    for (int id = kFirstLightningGump; id < kFirstLightningGump + kLightningGumps; ++id) {
        const Picture p = SampleLightningGump(id);
        AddItem(gumps, id, EncodeGumpArt(p.width, p.height, p.pixels), GumpExtra(p.width, p.height));
    }
}

} // namespace mkinstall
