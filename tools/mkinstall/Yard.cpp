#include "mkinstall/Yard.h"

#include "mkinstall/Glyphs.h"
#include "platform/platform.h"

#include <algorithm>
#include <cstdlib>
#include <string>

namespace mkinstall {
namespace {

constexpr uint32_t kBackground = 0x1, kWall = 0x10, kImpassable = 0x40, kSurface = 0x200, kA = 0x4000,
                   kFoliage = 0x20000, kRoof = 0x10000000;

uint16_t Rgb(int r, int g, int b) {
    return static_cast<uint16_t>((std::clamp(r, 0, 31)) << 10 | (std::clamp(g, 0, 31)) << 5 |
                                 std::clamp(b, 0, 31));
}

uint16_t Shade(uint16_t c, int delta) {
    return Rgb(((c >> 10) & 31) + delta, ((c >> 5) & 31) + delta, (c & 31) + delta);
}

// A colour of the id's own, never dark.
uint16_t OwnColour(int id) {
    const unsigned h = static_cast<unsigned>(id) * 2654435761u;
    return Rgb(8 + static_cast<int>(h >> 27) % 20, 8 + static_cast<int>((h >> 22) & 31) % 20,
               8 + static_cast<int>((h >> 17) & 31) % 20);
}

// Writes the number centred at (cx, cy) in the built-in glyphs, scale pixels per glyph pixel.
void DrawNumber(Picture& p, int number, int cx, int cy, uint16_t ink, int scale = 1) {
    const std::string text = std::to_string(number);
    const int width = static_cast<int>(text.size()) * (kGlyphColumns + 1) * scale - scale;
    int x0 = cx - width / 2;
    const int y0 = cy - kGlyphRows * scale / 2;
    for (char ch : text) {
        for (int row = 0; row < kGlyphRows; ++row)
            for (int col = 0; col < kGlyphColumns; ++col)
                if (BuiltinInk(ch, col, row))
                    for (int sy = 0; sy < scale; ++sy)
                        for (int sx = 0; sx < scale; ++sx) {
                            const int x = x0 + col * scale + sx, y = y0 + row * scale + sy;
                            if (x >= 0 && y >= 0 && x < p.width && y < p.height)
                                p.pixels[static_cast<size_t>(y) * p.width + x] = ink;
                        }
        x0 += (kGlyphColumns + 1) * scale;
    }
}

bool InDiamond(int x, int y) { // the 44 x 44 cell diamond
    const int half = y < 22 ? y + 1 : 44 - y;
    return y >= 0 && y < 44 && x >= 22 - half && x < 22 + half;
}

// An isometric block of the cell's footprint, lift pixels tall: light top, darker sides.
Picture Block(int id, int lift, uint16_t colour, int inset = 0) {
    Picture p{44, 44 + lift, std::vector<uint16_t>(static_cast<size_t>(44) * (44 + lift), 0)};
    for (int y = 0; y < p.height; ++y)
        for (int x = inset; x < 44 - inset; ++x) {
            uint16_t c = 0;
            if (InDiamond(x, y))
                c = Shade(colour, 4); // the top face
            else
                for (int d = 1; d <= lift && !c; ++d)
                    if (InDiamond(x, y - d)) c = x < 22 ? Shade(colour, -6) : Shade(colour, -2);
            p.pixels[static_cast<size_t>(y) * 44 + x] = c;
        }
    DrawNumber(p, id, 22, 22, Rgb(2, 2, 2));
    return p;
}

Picture Blob(int id, int width, int height, uint16_t colour) {
    Picture p{width, height, std::vector<uint16_t>(static_cast<size_t>(width) * height, 0)};
    const double rx = width / 2.0, ry = height / 2.0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const double dx = (x + 0.5 - rx) / rx, dy = (y + 0.5 - ry) / ry;
            if (dx * dx + dy * dy <= 1.0)
                p.pixels[static_cast<size_t>(y) * width + x] = Shade(colour, dx + dy < 0 ? 3 : -3);
        }
    DrawNumber(p, id, width / 2, height / 2, Rgb(2, 2, 2));
    return p;
}

Picture Column(int id, int width, int height, uint16_t colour) {
    Picture p{width, height, std::vector<uint16_t>(static_cast<size_t>(width) * height, 0)};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            p.pixels[static_cast<size_t>(y) * width + x] = x < width / 2 ? Shade(colour, -4) : colour;
    DrawNumber(p, id, width / 2, height / 2, Rgb(2, 2, 2));
    return p;
}

// A seat (a low block) with a back rising along its north-east edge, numbered on the back.
Picture Chair(int id, uint16_t colour) {
    Picture p = Block(id, 12, colour);
    const int back = 40;
    Picture out{p.width, p.height + back,
                std::vector<uint16_t>(static_cast<size_t>(p.width) * (p.height + back), 0)};
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
            out.pixels[static_cast<size_t>(y + back) * p.width + x] =
                p.pixels[static_cast<size_t>(y) * p.width + x];
    for (int y = 4; y < back + 16; ++y)
        for (int x = 24; x < 40; ++x)
            out.pixels[static_cast<size_t>(y) * p.width + x] = Shade(colour, x < 28 ? -5 : 2);
    DrawNumber(out, id, 32, 20, Rgb(31, 31, 31));
    return out;
}

Picture ItemPicture(int graphic) {
    switch (graphic) {
    case YardItem::Wall:
        return Block(graphic, 80, Rgb(20, 18, 14));
    case YardItem::Floor:
        return Block(graphic, 0, Rgb(18, 12, 6));
    case YardItem::Roof:
        return Block(graphic, 12, Rgb(24, 6, 4));
    case YardItem::Statue:
        return Column(graphic, 24, 150, Rgb(22, 22, 24));
    case YardItem::Chair:
    case YardItem::ChairBack:
        return Chair(graphic, graphic == YardItem::Chair ? Rgb(20, 12, 4) : Rgb(8, 12, 22));
    case YardItem::StreetLamp:
        return Column(graphic, 10, 100, Rgb(28, 20, 6));
    case 3821:
    case 3822:
    case 3823:
        return Blob(graphic, 18 + 4 * (graphic - 3821), 12 + 2 * (graphic - 3821), Rgb(30, 26, 4));
    default:
        if (graphic >= YardItem::Canopy && graphic < YardItem::Canopy + 4)
            return Blob(graphic, 60, 56, Rgb(4, 16 + 3 * (graphic - YardItem::Canopy), 5));
        if (graphic >= YardItem::Trunk && graphic < YardItem::Trunk + 4)
            return Column(graphic, 14, 80, Rgb(14, 9, 4));
        // The landscape's own items and the plants: their own colour.
        if (graphic == 4) return Block(graphic, 12, Rgb(24, 6, 4));       // roof
        if (graphic == 5) return Block(graphic, 80, Rgb(16, 10, 4), 10);  // door
        if (graphic == 6) return Column(graphic, 14, 80, Rgb(14, 9, 4));  // trunk
        if (graphic == 7) return Blob(graphic, 60, 56, Rgb(4, 18, 5));    // leaves
        if (graphic == 8) return Column(graphic, 8, 90, Rgb(10, 10, 12)); // lamp post
        return Blob(graphic, 30, 30, OwnColour(graphic));
    }
}

constexpr int kYardItemGraphics[] = {YardItem::Wall, YardItem::Floor, YardItem::Roof, YardItem::Statue,
                                     YardItem::Chair, YardItem::ChairBack, YardItem::StreetLamp, 3821, 3822,
                                     3823, 3397, 3398, 3399, 3400, 3401, 3402, 3403, 3404,
                                     // the plants and their seasons' replacements
                                     3212, 3270, 7086, 3239, 3204, 3144, 7068,
                                     // the landscape's items without pictures of their own
                                     4, 5, 6, 7, 8, 9, 10, 11, 12, 16, 17, 18, 19, 20, 24};

uint16_t LandColour(int id) {
    switch (id) {
    case WorldLand::Grass:
        return Rgb(6, 18, 6);
    case WorldLand::Dirt:
        return Rgb(17, 12, 6);
    case WorldLand::Sand:
        return Rgb(26, 23, 14);
    case WorldLand::Water:
        return Rgb(4, 8, 24);
    case WorldLand::Rock:
        return Rgb(14, 14, 14);
    case WorldLand::Hill:
        return Rgb(8, 20, 8);
    default:
        if (id >= 196 && id <= 199) return Rgb(7 + id - 196, 20 - (id - 196), 6);
        if (id >= 282 && id <= 285) return Rgb(28 - (id - 282), 29, 31);
        return OwnColour(id);
    }
}

constexpr int kYardLandIds[] = {3, 4, 5, 6, 7, 8, 196, 197, 198, 199, 282, 283, 284, 285};

std::vector<uint16_t> LandDiamond(int id) {
    Picture p{44, 44, std::vector<uint16_t>(44 * 44, 0)};
    const uint16_t c = LandColour(id);
    for (int y = 0; y < 44; ++y)
        for (int x = 0; x < 44; ++x)
            if (InDiamond(x, y))
                p.pixels[static_cast<size_t>(y) * 44 + x] = ((x / 4 + y / 4) & 1) ? c : Shade(c, 1);
    DrawNumber(p, id, 22, 22, Shade(c, -6));
    std::vector<uint16_t> diamond;
    for (int row = 0; row < 44; ++row) {
        const int w = row < 22 ? 2 * (row + 1) : 2 * (44 - row);
        for (int i = 0; i < w; ++i)
            diamond.push_back(p.pixels[static_cast<size_t>(row) * 44 + 22 - w / 2 + i]);
    }
    return diamond;
}

// A numbered checkerboard of squares of 8 (16 on the large one).
std::string Texture(int id, int size) {
    Picture p{size, size, std::vector<uint16_t>(static_cast<size_t>(size) * size)};
    static constexpr uint16_t kColours[] = {0, 0x1A46, 0x2A65, 0x1E24, 0x6F7F}; // greens, then snow
    const uint16_t a = kColours[id & 3 ? id & 3 : 4], b = Shade(a, -4);
    const int square = size / 8;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            p.pixels[static_cast<size_t>(y) * size + x] = ((x / square + y / square) & 1) ? a : b;
    DrawNumber(p, id, size / 2, size / 2, Rgb(31, 31, 31), size / 32);
    std::string bytes;
    for (uint16_t v : p.pixels) {
        bytes += static_cast<char>(v & 0xFF);
        bytes += static_cast<char>(v >> 8);
    }
    return bytes;
}

bool InYard(int x, int y) {
    return x >= kYardX && y >= kYardY && x < kYardX + kYardWidth && y < kYardY + kYardHeight;
}

} // namespace

bool YardLand(int x, int y, LandCell& out) {
    if (!InYard(x, y)) return false;
    const int r = std::max(std::abs(x - kYardHillX), std::abs(y - kYardHillY));
    if (r <= 3) {
        out = {r <= 1 ? 198 + (x + y) % 2 : 196 + (x + y) % 2, (3 - r) * kYardHillTop / 3};
        return true;
    }
    if (x >= 1503 && y >= 1609) { // a patch of snow
        out = {282 + (x * 3 + y) % 4, 0};
        return true;
    }
    out = {196 + (x * 3 + y) % 4, 0};
    return true;
}

void AppendYardStatics(std::vector<SampleStatic>& s) {
    auto add = [&](int graphic, int x, int y, int z) { s.push_back({graphic, x, y, z, 0}); };
    // The house: walls round 1502..1506 x 1601..1605 on two storeys, a doorway on the west, floors
    // inside on both, the roof above.
    for (int z : {0, 20})
        for (int i = 0; i <= 4; ++i) {
            add(YardItem::Wall, 1502 + i, 1601, z);
            add(YardItem::Wall, 1502 + i, 1605, z);
            if (i > 0 && i < 4) {
                if (!(z == 0 && i == 2)) add(YardItem::Wall, 1502, 1601 + i, z);
                add(YardItem::Wall, 1506, 1601 + i, z);
            }
        }
    for (int y = 1602; y <= 1604; ++y)
        for (int x = 1503; x <= 1505; ++x) {
            add(YardItem::Floor, x, y, 0);
            add(YardItem::Floor, x, y, 20);
        }
    for (int y = 1601; y <= 1605; ++y)
        for (int x = 1502; x <= 1506; ++x)
            add(YardItem::Roof, x, y, 40);
    // The tree: four cells, trunk below and canopy above each.
    const int cells[4][2] = {{1498, 1605}, {1499, 1605}, {1498, 1606}, {1499, 1606}};
    for (int i = 0; i < 4; ++i) {
        add(YardItem::Trunk + i, cells[i][0], cells[i][1], 0);
        add(YardItem::Canopy + i, cells[i][0], cells[i][1], 20);
    }
    add(YardItem::Statue, 1499, 1601, 0);
    add(3821, 1498, 1601, 0);
    add(YardItem::Bush, 1495, 1601, 0);
    add(YardItem::Bush, 1493, 1603, 0);
    add(YardItem::Plant, 1496, 1603, 0);
    add(YardItem::Plant, 1501, 1608, 0);
    add(YardItem::Chair, kYardChairX, kYardChairY, 0);
    add(YardItem::ChairBack, kYardChairBackX, kYardChairBackY, 0);
    add(YardItem::StreetLamp, kYardLampX, kYardLampY, 0);
}

void AppendYardLandTiles(std::vector<SampleLandTile>& tiles) {
    for (int id = 196; id <= 199; ++id)
        tiles.push_back({id, 0, static_cast<uint16_t>(id <= 197 ? 2 : 3), "grass"});
    for (int id = 282; id <= 285; ++id)
        tiles.push_back({id, 0, 4, "snow"});
}

void AppendYardItemTiles(std::vector<SampleItemTile>& t) {
    t.push_back({YardItem::Wall, kA | kWall | kImpassable, 255, 0, 0, 20, "brick wall", "brick wall"});
    t.push_back({YardItem::Floor, kA | kSurface | kBackground, 255, 0, 0, 0, "plank floor", "plank floor"});
    t.push_back(
        {YardItem::Roof, kA | kRoof | kSurface | kImpassable, 255, 0, 0, 3, "roof tiles", "roof tiles"});
    t.push_back({YardItem::Statue, kA | kImpassable, 255, 0, 0, 40, "statue", "statue"});
    for (int i = 0; i < 4; ++i) {
        t.push_back({YardItem::Canopy + i, kFoliage, 255, 0, 0, 20, "leaves", "leaves"});
        t.push_back({YardItem::Trunk + i, kA | kImpassable, 255, 0, 0, 20, "tree", "tree"});
    }
    t.push_back({YardItem::Chair, kA, 255, 0, 0, 1, "chair", "chair"});
    t.push_back({YardItem::ChairBack, kA, 255, 0, 0, 1, "chair", "chair"});
    for (int g : {3212, 3270, 7086, 3239, 3204, 3144, 7068})
        t.push_back({g, kA, 255, 0, 0, 2, "plant", "plant"});
}

void AddYardArts(IndexedFile& art) {
    for (int id : kYardLandIds)
        AddItem(art, id, EncodeLandArt(LandDiamond(id)), 0);
    for (int g : kYardItemGraphics) {
        const Picture p = ItemPicture(g);
        AddItem(art, 0x4000 + g, EncodeItemArt(p.width, p.height, p.pixels), 0);
    }
}

IndexedFile MakeTextureFiles() {
    IndexedFile file;
    for (int id = 1; id <= 4; ++id) {
        const int size = id == 3 ? 128 : 64;
        const std::string bytes = Texture(id, size);
        AddItem(file, id, std::vector<uint8_t>(bytes.begin(), bytes.end()), size == 128 ? 1 : 0);
    }
    return file;
}

bool WriteTextureFiles(const std::string& dir, std::string* error) {
    const IndexedFile tex = MakeTextureFiles();
    for (const auto& [name, bytes] : {std::pair{"texidx.mul", &tex.index}, {"texmaps.mul", &tex.data}}) {
        const std::string path = dir + "/" + name;
        if (!platform::AtomicReplaceFile(path, bytes->data(), bytes->size())) {
            if (error) *error = "cannot write " + path;
            return false;
        }
    }
    return true;
}

} // namespace mkinstall
