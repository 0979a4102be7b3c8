#include "mkinstall/CursorArt.h"

#include <cstdlib>

namespace mkinstall {
namespace {

constexpr uint16_t kMarker = 0x03E0; // pure green

uint16_t Rgb(int r, int g, int b) {
    return static_cast<uint16_t>((r & 31) << 10 | (g & 31) << 5 | (b & 31));
}

// The eight directions, 0 up and then clockwise.
constexpr int kDirX[8] = {0, 1, 1, 1, 0, -1, -1, -1};
constexpr int kDirY[8] = {-1, -1, 0, 1, 1, 1, 0, -1};

} // namespace

Picture SampleCursor(int artId, int* hotX, int* hotY) {
    const int i = artId - kFirstCursorArt;
    const int w = 22 + 2 * (i % 3), h = 21 + i % 4; // even widths; marker column included
    Picture p{w, h, std::vector<uint16_t>(static_cast<size_t>(w) * h, 0)};
    const uint16_t colour = Rgb(8 + i % 24, 31 - i % 16, 4 + (i * 5) % 28) | 1;
    const bool direction = (i >= 0 && i < 8) || (i >= 23 && i < 31);
    if (direction) {
        // An arrow from the centre towards its direction, the hot spot at the centre.
        const int d = i < 8 ? i : i - 23;
        const int cx = w / 2, cy = h / 2;
        *hotX = cx;
        *hotY = cy;
        for (int k = 0; k < 9; ++k)
            for (int t = -1; t <= 1; ++t) {
                const int x = cx + kDirX[d] * k + (kDirY[d] != 0 ? t : 0);
                const int y = cy + kDirY[d] * k + (kDirX[d] != 0 && kDirY[d] == 0 ? t : 0);
                if (x >= 1 && y >= 1 && x < w - 1 && y < h) p.pixels[static_cast<size_t>(y) * w + x] = colour;
            }
        p.pixels[static_cast<size_t>(cy) * w + cx] = Rgb(31, 31, 31);
    } else {
        // A pointer-like wedge whose slope and stripes tell the arts apart; the hot spot at its tip.
        *hotX = 1 + i % 3;
        *hotY = 1 + i % 2;
        for (int y = *hotY; y < h; ++y)
            for (int x = *hotX; x < w - 1; ++x) {
                const int dx = x - *hotX, dy = y - *hotY;
                if (dx * (2 + i % 5) <= dy * 3 && (dx + dy + i) % 4 != 0)
                    p.pixels[static_cast<size_t>(y) * w + x] = colour;
            }
    }
    return p;
}

Picture SampleTooltipArt(int gumpId) {
    static const int kSizes[9][2] = {{4, 4},   {245, 4}, {4, 4},   {4, 244}, {240, 240},
                                     {4, 244}, {4, 4},   {245, 4}, {4, 4}};
    const int k = gumpId - 3000;
    const int w = kSizes[k][0], h = kSizes[k][1];
    const uint16_t colour = k == 4 ? Rgb(2, 2, 6) : (k % 2 == 0 ? Rgb(24, 20, 8) : Rgb(16, 12, 4));
    return Picture{w, h, std::vector<uint16_t>(static_cast<size_t>(w) * h, colour)};
}

Picture SampleWindow() {
    const int w = 200, h = 150;
    Picture p{w, h, std::vector<uint16_t>(static_cast<size_t>(w) * h, Rgb(6, 10, 14))};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const bool border = x < 5 || y < 5 || x >= w - 5 || y >= h - 5;
            const bool title = y >= 5 && y < 20;
            if (border)
                p.pixels[static_cast<size_t>(y) * w + x] = Rgb(20, 16, 8);
            else if (title)
                p.pixels[static_cast<size_t>(y) * w + x] = Rgb(8, 8, 20);
        }
    // A transparent notch in the top-right corner.
    for (int y = 0; y < 4; ++y)
        for (int x = w - 4 + y; x < w; ++x)
            p.pixels[static_cast<size_t>(y) * w + x] = 0;
    return p;
}

void AddCursorArts(IndexedFile& art) {
    for (int id = kFirstCursorArt; id <= kLastCursorArt; ++id) {
        int hx = 0, hy = 0;
        Picture p = SampleCursor(id, &hx, &hy);
        // The marker: the top row is one run with the hot spot's column green; the left column is
        // empty but for its row in green.
        for (int x = 0; x < p.width; ++x)
            p.pixels[static_cast<size_t>(x)] = Rgb(1, 1, 1);
        for (int y = 1; y < p.height; ++y)
            p.pixels[static_cast<size_t>(y) * p.width] = 0;
        p.pixels[static_cast<size_t>(hx)] = kMarker;
        p.pixels[static_cast<size_t>(hy) * p.width] = kMarker;
        AddItem(art, id, EncodeItemArt(p.width, p.height, p.pixels), 0);
    }
}

void AddWindowGumpArts(IndexedFile& gumps) {
    Picture window = SampleWindow();
    AddItem(gumps, kSampleWindowGump, EncodeGumpArt(window.width, window.height, window.pixels),
            GumpExtra(window.width, window.height));
    for (int id = 3000; id <= 3008; ++id) {
        Picture p = SampleTooltipArt(id);
        AddItem(gumps, id, EncodeGumpArt(p.width, p.height, p.pixels), GumpExtra(p.width, p.height));
    }
}

} // namespace mkinstall
