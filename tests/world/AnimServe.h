#pragma once
// Animation items served to the animation cache without files: tests put pictures at indexes.
#include "mkinstall/AnimFiles.h"
#include "render/AnimFrames.h"

#include <map>
#include <vector>

namespace animtest {

struct Served {
    std::map<std::pair<int, bool>, std::vector<uint8_t>> items;
};
inline Served g_served;

inline const uint8_t* Serve(int index, bool secondPair, int& length) {
    auto it = g_served.items.find({index, secondPair});
    if (it == g_served.items.end()) return nullptr;
    length = static_cast<int>(it->second.size());
    return it->second.data();
}

// Serving starts empty and ends with the test.
struct ServeScope {
    ServeScope() {
        g_served = {};
        AnimCache::SetItemSourceForTests(Serve);
    }
    ~ServeScope() {
        AnimCache::SetItemSourceForTests(nullptr);
        g_served = {};
    }
};

// A solid block of one palette index, left..right x top..bottom around the feet point.
inline mkinstall::AnimPicture Block(int left, int top, int right, int bottom, uint8_t ink = 1) {
    mkinstall::AnimPicture p;
    p.width = right - left;
    p.height = bottom - top;
    p.anchorX = -left;
    p.anchorY = -top;
    p.indexes.assign(static_cast<size_t>(p.width) * p.height, ink);
    return p;
}

// Frames at an index; palette index i is colour i x 0x0421 + 0x0400 (never grey, never 0) unless
// the palette is given.
inline void Put(int index, const std::vector<mkinstall::AnimPicture>& frames, bool secondPair = false) {
    std::vector<uint16_t> palette(256);
    for (int i = 0; i < 256; ++i)
        palette[static_cast<size_t>(i)] = static_cast<uint16_t>(((i & 31) << 5) | 0x0400 | (i & 31));
    AnimCache::Clear();
    g_served.items[{index, secondPair}] = mkinstall::EncodeAnimItem(palette, frames);
}

} // namespace animtest
