#include "mkinstall/FieldArts.h"

namespace mkinstall {
namespace {

uint16_t Rgb(int r, int g, int b) {
    return static_cast<uint16_t>((r & 31) << 10 | (g & 31) << 5 | (b & 31));
}

Picture Piece(int w, int h, uint16_t colour) {
    Picture p{w, h, std::vector<uint16_t>(static_cast<size_t>(w) * h, colour)};
    for (int y = 0; y < 2 && y < h; ++y)
        for (int x = 0; x < 2 && x < w; ++x)
            p.pixels[static_cast<size_t>(y) * w + x] = 0x7FFF;
    return p;
}

// A triangle pointing down (or up) in a w x h box, the rest transparent.
Picture Arrow(int w, int h, uint16_t colour, bool down) {
    Picture p{w, h, std::vector<uint16_t>(static_cast<size_t>(w) * h, 0)};
    for (int y = 0; y < h; ++y) {
        const int row = down ? h - 1 - y : y;
        const int half = row * w / (2 * h);
        for (int x = w / 2 - half; x <= w / 2 + half && x < w; ++x)
            if (x >= 0) p.pixels[static_cast<size_t>(y) * w + x] = colour;
    }
    return p;
}

constexpr int kFieldIds[] = {2360, 2361, 2362, 2363, 2364, 2365, 2366, 2367, 2368, 2369, 2370,
                             2371, 2435, 2436, 2437, 2438, 2443, 2444, 2445, 2446, 2485, 2486,
                             2487, 2488, 2489, 3600, 5009, 5109, 5110, 9400, 9401};

} // namespace

Picture SampleFieldArt(int id) {
    switch (id) {
    case 2443:
        return Piece(140, 21, Rgb(6, 10, 14)); // text field
    case 2444:
        return Piece(140, 21, Rgb(12, 12, 12)); // disabled
    case 2445:
        return Piece(100, 21, Rgb(8, 12, 6)); // drop-down field
    case 2446:
        return Piece(130, 21, Rgb(10, 6, 12)); // wider drop-down field
    case 2435:
        return Arrow(11, 8, Rgb(28, 28, 8), false); // up mark
    case 2436:
        return Arrow(11, 8, Rgb(31, 31, 20), false);
    case 2437:
        return Arrow(11, 8, Rgb(8, 28, 28), true); // down mark, drop-down arrow
    case 2438:
        return Arrow(11, 8, Rgb(20, 31, 31), true);
    case 5009:
        return Arrow(7, 6, Rgb(31, 20, 4), true); // small drop-down arrow
    case 2360:
    case 2361:
    case 2362:
        return Piece(10, 10, Rgb(31 - 10 * (id - 2360), 8 + 10 * (id - 2360), 6)); // row marks
    case kPanelArt:
        return Piece(20, 20, Rgb(8, 8, 14)); // panel tile
    case 5109:
    case 5110:
        return Piece(4, 14, Rgb(20, 20, 26)); // highlight bar ends
    case 2485:
    case 2489:
        return Piece(120, 6, Rgb(18, 12, 4)); // list caps
    case 2486:
    case 2487:
    case 2488:
        return Piece(120, 14, Rgb(4 + 3 * (id - 2486), 6, 10)); // list body
    case 9400:
        return Piece(180, 150, Rgb(6, 8, 6)); // edit list rows
    case 9401:
        return Piece(180, 150, Rgb(14, 12, 8)); // edit list
    default:
        break;
    }
    if (id >= 2363 && id <= 2371)
        return Piece(100, 20, Rgb(6 + 3 * (id - 2363), 14, 20 - (id - 2363))); // sorts
    return Picture{};
}

void AddFieldArts(IndexedFile& gumps) {
    for (int id : kFieldIds) {
        const Picture p = SampleFieldArt(id);
        if (p.width > 0)
            AddItem(gumps, id, EncodeGumpArt(p.width, p.height, p.pixels), GumpExtra(p.width, p.height));
    }
}

} // namespace mkinstall
