#include "mkinstall/ControlArts.h"

namespace mkinstall {
namespace {

uint16_t Rgb(int r, int g, int b) {
    return static_cast<uint16_t>((r & 31) << 10 | (g & 31) << 5 | (b & 31));
}

// A piece of one colour with the white corner mark.
Picture Piece(int w, int h, uint16_t colour) {
    Picture p{w, h, std::vector<uint16_t>(static_cast<size_t>(w) * h, colour)};
    for (int y = 0; y < 2 && y < h; ++y)
        for (int x = 0; x < 2 && x < w; ++x)
            p.pixels[static_cast<size_t>(y) * w + x] = kControlMark;
    return p;
}

// The same with a transparent notch in the top-right corner (for pixel-exact hits).
Picture Notched(int w, int h, uint16_t colour) {
    Picture p = Piece(w, h, colour);
    for (int y = 0; y < 3 && y < h; ++y)
        for (int x = w - 3; x < w; ++x)
            if (x >= 0) p.pixels[static_cast<size_t>(y) * w + x] = 0;
    return p;
}

// An ornament: a coloured bar with a transparent hole in its middle (drawn with the plain copy,
// the hole overwrites too).
Picture Ornament(int w, int h, uint16_t colour) {
    Picture p = Piece(w, h, colour);
    for (int y = h / 3; y < h - h / 3; ++y)
        for (int x = w / 3; x < w - w / 3; ++x)
            p.pixels[static_cast<size_t>(y) * w + x] = 0;
    return p;
}

// A frame set: corners c x c, edges e long, a centre e x e.
Picture FramePiece(int piece, int c, int e, int hueBase) {
    const uint16_t colour = Rgb(hueBase + piece * 2, 31 - piece * 3, 8 + piece * 2);
    switch (piece) {
    case 0:
    case 2:
    case 6:
    case 8:
        return Piece(c, c, colour);
    case 1:
    case 7:
        return Piece(e, c, colour);
    case 3:
    case 5:
        return Piece(c, e, colour);
    default:
        return Piece(e, e, colour);
    }
}

} // namespace

Picture SampleControlArt(int id) {
    if (id >= 2600 && id <= 2608) return FramePiece(id - 2600, 44, 20, 4);
    if (id >= kControlFrameArt && id <= kControlFrameArt + 8)
        return FramePiece(id - kControlFrameArt, 12, 10, 10);
    switch (id - kControlFrameArt) {
    case 11:
        return Ornament(24, 6, Rgb(31, 0, 0));
    case 12:
        return Ornament(18, 6, Rgb(31, 16, 0));
    case 13:
        return Ornament(6, 24, Rgb(0, 31, 0));
    case 14:
        return Ornament(6, 18, Rgb(0, 31, 16));
    case 15:
        return Ornament(6, 24, Rgb(0, 0, 31));
    case 16:
        return Ornament(6, 18, Rgb(16, 0, 31));
    case 17:
        return Ornament(24, 6, Rgb(31, 31, 0));
    case 18:
        return Ornament(18, 6, Rgb(31, 0, 31));
    default:
        break;
    }
    if (id >= kControlBarArt && id <= kControlBarArt + 2) {
        // Rounded ends: the outer corners transparent.
        Picture p = Piece(8, 12, Rgb(6 + 8 * (id - kControlBarArt), 20, 28));
        if (id != kControlBarArt + 1)
            for (int y : {0, 11}) {
                const int x = id == kControlBarArt ? 0 : 7;
                p.pixels[static_cast<size_t>(y) * 8 + x] = 0;
            }
        return p;
    }
    switch (id) {
    case 1150:
        return Notched(40, 20, Rgb(20, 4, 4)); // cancel
    case 1151:
        return Notched(40, 20, Rgb(28, 10, 10)); // cancel, hover
    case 1152:
        return Notched(40, 20, Rgb(12, 2, 2)); // cancel, pressed
    case 1153:
        return Notched(40, 20, Rgb(4, 20, 4)); // OK
    case 1154:
        return Notched(40, 20, Rgb(10, 28, 10)); // OK, hover
    case 1155:
        return Notched(40, 20, Rgb(2, 12, 2)); // OK, pressed
    case 2070: {
        Picture p = Piece(180, 110, Rgb(24, 22, 16));
        for (int y = 0; y < 110; ++y)
            for (int x = 0; x < 180; ++x)
                if (x < 3 || y < 3 || x >= 177 || y >= 107)
                    p.pixels[static_cast<size_t>(y) * 180 + x] = Rgb(10, 6, 2);
        return p;
    }
    case 2071:
        return Notched(40, 16, Rgb(4, 16, 24)); // left: normal, pressed, hover
    case 2072:
        return Notched(40, 16, Rgb(2, 8, 14));
    case 2073:
        return Notched(40, 16, Rgb(8, 24, 31));
    case 2074:
        return Notched(40, 16, Rgb(24, 16, 4)); // right: normal, pressed, hover
    case 2075:
        return Notched(40, 16, Rgb(14, 8, 2));
    case 2076:
        return Notched(40, 16, Rgb(31, 24, 8));
    case 250:
        return Piece(15, 15, Rgb(20, 20, 4)); // up arrow, pressed
    case 251:
        return Piece(15, 15, Rgb(12, 12, 2));
    case 252:
        return Piece(15, 15, Rgb(4, 20, 20)); // down arrow, pressed
    case 253:
        return Piece(15, 15, Rgb(2, 12, 12));
    case 254:
        return Piece(15, 10, Rgb(28, 14, 4)); // thumb
    case 255:
        return Piece(15, 5, Rgb(10, 10, 10)); // track bottom
    case 256:
        return Piece(15, 8, Rgb(16, 16, 16)); // track
    case 257:
        return Piece(15, 5, Rgb(22, 22, 22)); // track top
    case 210:
        return Piece(15, 15, Rgb(24, 24, 24)); // unchecked
    case 211:
        return Piece(15, 15, Rgb(4, 24, 4)); // checked
    case 212:
        return Piece(15, 15, Rgb(14, 14, 14)); // read-only unchecked
    case 213:
        return Piece(15, 15, Rgb(4, 14, 4)); // read-only checked
    case 214:
        return Piece(15, 15, Rgb(31, 31, 24)); // hover unchecked
    case 215:
        return Piece(15, 15, Rgb(12, 31, 12)); // hover checked
    case kControlSignArt: {
        Picture p = Piece(300, 200, Rgb(18, 12, 6));
        for (int y = 30; y <= 170; ++y)
            for (int x = 30; x <= 270; ++x)
                p.pixels[static_cast<size_t>(y) * 300 + x] = Rgb(28, 26, 20);
        return p;
    }
    default:
        return Picture{};
    }
}

void AddControlArts(IndexedFile& gumps) {
    auto add = [&](int id) {
        const Picture p = SampleControlArt(id);
        if (p.width > 0)
            AddItem(gumps, id, EncodeGumpArt(p.width, p.height, p.pixels), GumpExtra(p.width, p.height));
    };
    add(kControlSignArt);
    for (int id = 210; id <= 215; ++id)
        add(id);
    for (int id = 250; id <= 257; ++id)
        add(id);
    for (int id = 1150; id <= 1155; ++id)
        add(id);
    for (int id = 2070; id <= 2076; ++id)
        add(id);
    for (int id = 2600; id <= 2608; ++id)
        add(id);
    for (int id = kControlFrameArt; id <= kControlFrameArt + 18; ++id)
        add(id);
    for (int id = kControlBarArt; id <= kControlBarArt + 2; ++id)
        add(id);
}

} // namespace mkinstall
