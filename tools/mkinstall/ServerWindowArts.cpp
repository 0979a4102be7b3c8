#include "mkinstall/ServerWindowArts.h"

namespace mkinstall {
namespace {

constexpr uint16_t kMark = 0x7FFF;

uint16_t Rgb(int r, int g, int b) {
    return static_cast<uint16_t>((r & 31) << 10 | (g & 31) << 5 | (b & 31));
}

Picture Piece(int w, int h, uint16_t colour) {
    Picture p{w, h, std::vector<uint16_t>(static_cast<size_t>(w) * h, colour)};
    for (int y = 0; y < 2 && y < h; ++y)
        for (int x = 0; x < 2 && x < w; ++x)
            p.pixels[static_cast<size_t>(y) * w + x] = kMark;
    return p;
}

// A piece with a one-pixel border of a second colour.
Picture Framed(int w, int h, uint16_t fill, uint16_t border) {
    Picture p = Piece(w, h, fill);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if ((x == 0 || y == 0 || x == w - 1 || y == h - 1) && !(x < 2 && y < 2))
                p.pixels[static_cast<size_t>(y) * w + x] = border;
    return p;
}

// Nine pieces of size s: corners darker, edges lighter, the centre in between.
Picture FramePiece(int piece, int s, int r, int g, int b) {
    const bool corner = piece == 0 || piece == 2 || piece == 6 || piece == 8;
    const int shade = piece == 4 ? 0 : corner ? -4 : 3;
    return Piece(s, s, Rgb(r + shade, g + shade, b + shade));
}

} // namespace

Picture SampleServerWindowArt(int id) {
    if (id >= 2620 && id <= 2628) return FramePiece(id - 2620, 8, 10, 10, 12);
    if (id >= 5100 && id <= 5108) return FramePiece(id - 5100, 12, 20, 16, 9);
    switch (id) {
    case 5602:
        return Framed(40, 12, Rgb(8, 16, 24), Rgb(20, 26, 31)); // "more"
    case 5606:
        return Framed(40, 12, Rgb(14, 22, 30), Rgb(31, 31, 31));
    case 2320: { // the item picker: a panel with the strip and name areas darker
        Picture p = Framed(300, 130, Rgb(18, 14, 8), Rgb(10, 8, 4));
        for (int y = 44; y < 94; ++y)
            for (int x = 37; x < 260; ++x)
                p.pixels[static_cast<size_t>(y) * 300 + x] = Rgb(6, 5, 3);
        for (int y = 100; y < 121; ++y)
            for (int x = 36; x < 260; ++x)
                p.pixels[static_cast<size_t>(y) * 300 + x] = Rgb(24, 20, 14);
        for (int y = 61; y < 80; ++y) // the two arrows
            for (int d = 0; d < 10; ++d) {
                const int half = (y - 61) < 9 ? (y - 61) : 18 - (y - 61);
                if (d <= half) {
                    p.pixels[static_cast<size_t>(y) * 300 + 34 - d] = Rgb(28, 24, 6);
                    p.pixels[static_cast<size_t>(y) * 300 + 262 + d] = Rgb(28, 24, 6);
                }
            }
        return p;
    }
    case 5002:
        return Framed(16, 16, Rgb(24, 24, 24), Rgb(6, 6, 6)); // radio, unchecked
    case 5003: {
        Picture p = Framed(16, 16, Rgb(24, 24, 24), Rgb(6, 6, 6));
        for (int y = 5; y < 11; ++y)
            for (int x = 5; x < 11; ++x)
                p.pixels[static_cast<size_t>(y) * 16 + x] = Rgb(4, 20, 4);
        return p;
    }
    case 5200:
        return Framed(60, 22, Rgb(22, 6, 6), Rgb(31, 20, 20)); // cancel
    case 5201:
        return Framed(60, 22, Rgb(14, 3, 3), Rgb(31, 20, 20));
    case 5042:
        return Framed(60, 22, Rgb(6, 20, 6), Rgb(20, 31, 20)); // okay
    case 5043:
        return Framed(60, 22, Rgb(3, 12, 3), Rgb(20, 31, 20));
    default:
        return Picture{};
    }
}

void AddServerWindowArts(IndexedFile& gumps) {
    auto add = [&](int id) {
        const Picture p = SampleServerWindowArt(id);
        if (p.width > 0)
            AddItem(gumps, id, EncodeGumpArt(p.width, p.height, p.pixels), GumpExtra(p.width, p.height));
    };
    for (int id = 2620; id <= 2628; ++id)
        add(id);
    for (int id = 5100; id <= 5108; ++id)
        add(id);
    for (int id : {5602, 5606, 2320, 5002, 5003, 5200, 5201, 5042, 5043})
        add(id);
    // 1140-1149 (the query's background, field and buttons) are the front end's password dialog
    // arts, shared with the text query.
}

} // namespace mkinstall
