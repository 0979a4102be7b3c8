#include "mkinstall/AnimFiles.h"

#include "platform/platform.h"

#include <algorithm>

namespace mkinstall {
namespace {

void Put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}
void Set32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
}
uint16_t Colour(int r, int g, int b) {
    return static_cast<uint16_t>(r << 10 | g << 5 | b);
}

// ---------------------------------------------------------------- drawing the pictures

// Digits of three by five cells, drawn twice the size.
constexpr const char* kDigits[10][5] = {
    {"###", "#.#", "#.#", "#.#", "###"}, {".#.", "##.", ".#.", ".#.", "###"},
    {"###", "..#", "###", "#..", "###"}, {"###", "..#", "###", "..#", "###"},
    {"#.#", "#.#", "###", "..#", "..#"}, {"###", "#..", "###", "..#", "###"},
    {"###", "#..", "###", "#.#", "###"}, {"###", "..#", ".#.", ".#.", ".#."},
    {"###", "#.#", "###", "#.#", "###"}, {"###", "#.#", "###", "..#", "###"},
};

class Canvas {
  public:
    Canvas(int width, int height, int anchorX, int anchorY) {
        p_.width = width;
        p_.height = height;
        p_.anchorX = anchorX;
        p_.anchorY = anchorY;
        p_.indexes.assign(static_cast<size_t>(width) * height, 0);
    }
    void Fill(int left, int top, int right, int bottom, uint8_t ink) {
        for (int y = std::max(0, top); y < std::min(p_.height, bottom); ++y)
            for (int x = std::max(0, left); x < std::min(p_.width, right); ++x)
                p_.at(x, y) = ink;
    }
    // A plate of 16 x 12 at (left, top) with the direction digit and the frame number.
    void Plate(int left, int top, int direction, int frame) {
        Fill(left, top, left + 16, top + 12, AnimInk::Plate);
        Digit(left + 1, top + 1, direction);
        Digit(left + 9, top + 1, frame % 10);
    }
    AnimPicture Take() { return std::move(p_); }

  private:
    void Digit(int left, int top, int digit) {
        for (int row = 0; row < 5; ++row)
            for (int col = 0; col < 3; ++col)
                if (kDigits[digit][row][col] == '#')
                    Fill(left + 2 * col, top + 2 * row, left + 2 * col + 2, top + 2 * row + 2,
                         AnimInk::Digit);
    }
    AnimPicture p_;
};

enum class Part { Body, Shirt, Cloak };

// Walking legs swing by this many pixels.
int Swing(int frame) {
    static constexpr int kSwing[10] = {0, 1, 2, 1, 0, -1, -2, -1, 0, 1};
    return kSwing[frame % 10];
}

bool IsDeath(int group) {
    return group == 21 || group == 22;
}
bool IsMounted(int group) {
    return group == 23 || group == 25;
}

// The human, or a garment over it, in one frame. Standing figures are 32 x 80 with the feet at
// the bottom centre; riders sit 24 pixels above the feet; the dead lie across 80 pixels.
AnimPicture HumanFrame(Part part, int group, int direction, int frame) {
    if (IsDeath(group)) {
        Canvas c(80, 24, 40, 24);
        const bool headRight = group == 21;
        auto x = [&](int left, int right, int& l, int& r) {
            l = headRight ? left : 80 - right;
            r = headRight ? right : 80 - left;
        };
        int l = 0, r = 0;
        if (part == Part::Body) {
            x(4, 36, l, r);
            c.Fill(l, 14, r, 22, AnimInk::Trousers);
            x(36, 66, l, r);
            c.Fill(l, 12, r, 23, AnimInk::Skin);
            x(66, 77, l, r);
            c.Fill(l, 12, r, 22, AnimInk::Skin);
            c.Plate(32, 0, direction, frame);
        } else if (part == Part::Shirt) {
            x(36, 66, l, r);
            c.Fill(l, 12, r, 23, AnimInk::ClothLight);
        } else {
            x(30, 70, l, r);
            c.Fill(l, 20, r, 24, AnimInk::Cloak);
        }
        return c.Take();
    }
    const bool mounted = IsMounted(group);
    const int height = mounted ? 56 : 80;
    Canvas c(32, height, 16, mounted ? height + 24 : height);
    const bool war = group == 7;
    if (part == Part::Body) {
        c.Plate(8, 0, direction, frame);
        c.Fill(11, 13, 21, 25, AnimInk::Skin);
        c.Fill(11, 13, 21, 16, AnimInk::Hair);
        if (direction < 4) c.Fill(direction < 2 ? 17 : 13, 18, direction < 2 ? 19 : 15, 20, AnimInk::Outline);
        c.Fill(9, 25, 23, 47, AnimInk::Skin);
        if (war) {
            c.Fill(3, 22, 9, 28, AnimInk::Skin);
            c.Fill(23, 22, 29, 28, AnimInk::Skin);
        } else {
            c.Fill(6, 26, 9, 45, AnimInk::Skin);
            c.Fill(23, 26, 26, 45, AnimInk::Skin);
        }
        if (mounted) {
            c.Fill(2, 47, 14, 56, AnimInk::Trousers);
            c.Fill(18, 47, 30, 56, AnimInk::Trousers);
        } else {
            const int s = group == 0 ? Swing(frame) : 0;
            c.Fill(10 + s, 47, 15 + s, 80, AnimInk::Trousers);
            c.Fill(17 - s, 47, 22 - s, 80, AnimInk::Trousers);
        }
    } else if (part == Part::Shirt) {
        c.Fill(9, 25, 23, 44, AnimInk::ClothLight);
        c.Fill(9, 44, 23, 47, AnimInk::ClothDark);
        if (!war) {
            c.Fill(6, 26, 9, 34, AnimInk::ClothLight);
            c.Fill(23, 26, 26, 34, AnimInk::ClothLight);
        }
    } else {
        const int bottom = mounted ? 52 : 62;
        if (direction == 4) {
            c.Fill(5, 25, 27, bottom, AnimInk::Cloak);
        } else {
            c.Fill(5, 25, 9, bottom, AnimInk::Cloak);
            c.Fill(23, 25, 27, bottom, AnimInk::Cloak);
        }
    }
    return c.Take();
}

// A horse of 64 x 40, feet at the bottom centre; its head shows which way it faces.
AnimPicture HorseFrame(uint8_t coat, int group, int direction, int frame) {
    Canvas c(64, 40, 32, 40);
    const int s = group == 2 ? 0 : Swing(frame * 2);
    c.Fill(12, 12, 52, 29, coat);
    for (int leg : {14, 22, 38, 46}) {
        const int shift = (leg == 14 || leg == 38) ? s : -s;
        c.Fill(leg + shift, 29, leg + shift + 4, 40, coat);
    }
    if (direction == 4) {
        c.Fill(26, 0, 38, 12, coat);
        c.Fill(28, 0, 36, 4, AnimInk::Mane);
    } else {
        c.Fill(50, 2, 61, 15, coat);
        c.Fill(48, 2, 52, 14, AnimInk::Mane);
    }
    c.Plate(24, 14, direction, frame);
    return c.Take();
}

// A creature of 40 x 160 whose feet point lies 60 rows down: it reaches 100 rows below its feet.
AnimPicture CreatureFrame(int group, int direction, int frame) {
    Canvas c(40, 60 + kTallCreatureDepth, 20, 60);
    const int bulge = group == 0 ? Swing(frame) : 0;
    c.Fill(12, 0, 28, 14, AnimInk::Creature);
    c.Fill(8 + bulge, 14, 32 + bulge, 160, AnimInk::Creature);
    c.Fill(8 + bulge, 58, 32 + bulge, 60, AnimInk::Outline); // the feet line
    c.Plate(12 + bulge, 20, direction, frame);
    return c.Take();
}

int LayoutIndex(int first, int base, int groups, int body, int group, int direction) {
    return first + (body - base) * groups + group * 5 + direction;
}
int HumanIndex(int body, int group, int direction) {
    return LayoutIndex(35000, 400, 175, body, group, direction);
}
int AnimalIndex(int body, int group, int direction) {
    return LayoutIndex(22000, 200, 65, body, group, direction);
}
int CreatureIndex(int body, int group, int direction) {
    return LayoutIndex(0, 0, 110, body, group, direction);
}

void AddHuman(IndexedFile& file, int body, Part part) {
    for (const AnimGroup& g : HumanAnimGroups())
        for (int d = 0; d < 5; ++d) {
            std::vector<AnimPicture> frames;
            for (int f = 0; f < g.frames; ++f)
                frames.push_back(HumanFrame(part, g.group, d, f));
            AddItem(file, HumanIndex(body, g.group, d), EncodeAnimItem(SampleAnimPalette(), frames), 0);
        }
}

// Standing still, walking and running.
void AddHorse(IndexedFile& file, uint8_t coat) {
    for (AnimGroup g : {AnimGroup{0, 5}, AnimGroup{1, 5}, AnimGroup{2, 1}})
        for (int d = 0; d < 5; ++d) {
            std::vector<AnimPicture> frames;
            for (int f = 0; f < g.frames; ++f)
                frames.push_back(HorseFrame(coat, g.group, d, f));
            AddItem(file, AnimalIndex(kAnimHorseBody, g.group, d),
                    EncodeAnimItem(SampleAnimPalette(), frames), 0);
        }
}

void AddCreatureLayout(IndexedFile& file, int body, const std::vector<AnimGroup>& groups,
                       AnimPicture (*draw)(int group, int direction, int frame)) {
    for (const AnimGroup& g : groups)
        for (int d = 0; d < 5; ++d) {
            std::vector<AnimPicture> frames;
            for (int f = 0; f < g.frames; ++f)
                frames.push_back(draw(g.group, d, f));
            AddItem(file, CreatureIndex(body, g.group, d), EncodeAnimItem(SampleAnimPalette(), frames), 0);
        }
}

bool WriteBytes(const std::string& dir, const std::string& name, const std::vector<uint8_t>& bytes,
                std::string* error) {
    const std::string path = dir + "/" + name;
    if (platform::AtomicReplaceFile(path, bytes.data(), bytes.size())) return true;
    if (error) *error = "cannot write " + path;
    return false;
}

} // namespace

std::vector<uint8_t> EncodeAnimItem(const std::vector<uint16_t>& palette,
                                    const std::vector<AnimPicture>& frames) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i < 256; ++i)
        Put16(out, i < palette.size() ? palette[i] : 0);
    Put32(out, static_cast<uint32_t>(frames.size()));
    const size_t table = out.size();
    out.resize(out.size() + 4 * frames.size());
    for (size_t f = 0; f < frames.size(); ++f) {
        const AnimPicture& p = frames[f];
        Set32(out, table + 4 * f, static_cast<uint32_t>(out.size() - 512));
        Put16(out, static_cast<uint16_t>(p.anchorX));
        Put16(out, static_cast<uint16_t>(p.anchorY - p.height));
        Put16(out, static_cast<uint16_t>(p.width));
        Put16(out, static_cast<uint16_t>(p.height));
        for (int y = 0; y < p.height; ++y) {
            int x = 0;
            while (x < p.width) {
                if (p.indexes[static_cast<size_t>(y) * p.width + x] == 0) {
                    ++x;
                    continue;
                }
                const int start = x;
                while (x < p.width && x - start < 4095 &&
                       p.indexes[static_cast<size_t>(y) * p.width + x] != 0)
                    ++x;
                const uint32_t dx = static_cast<uint32_t>(start - p.anchorX) & 0x3FF;
                const uint32_t dy = static_cast<uint32_t>(y - p.anchorY) & 0x3FF;
                Put32(out, static_cast<uint32_t>(x - start) | dy << 12 | dx << 22);
                out.insert(out.end(), p.indexes.begin() + static_cast<ptrdiff_t>(y) * p.width + start,
                           p.indexes.begin() + static_cast<ptrdiff_t>(y) * p.width + x);
            }
        }
        Put32(out, 0x7FFF7FFF);
    }
    return out;
}

const std::vector<uint16_t>& SampleAnimPalette() {
    static const std::vector<uint16_t> kPalette = [] {
        std::vector<uint16_t> p(256, Colour(31, 0, 31));
        p[0] = 0;
        p[AnimInk::Skin] = Colour(28, 20, 14);
        p[AnimInk::Hair] = Colour(10, 6, 2);
        p[AnimInk::Digit] = Colour(31, 31, 31);
        p[AnimInk::Outline] = Colour(2, 2, 2);
        p[AnimInk::Trousers] = Colour(4, 8, 20);
        p[AnimInk::ClothLight] = Colour(22, 22, 22);
        p[AnimInk::ClothDark] = Colour(14, 14, 14);
        p[AnimInk::Cloak] = Colour(4, 16, 6);
        p[AnimInk::Horse] = Colour(18, 10, 4);
        p[AnimInk::Mane] = Colour(6, 3, 1);
        p[AnimInk::Creature] = Colour(16, 6, 20);
        p[AnimInk::Plate] = Colour(2, 4, 12);
        p[AnimInk::StandInHorse] = Colour(24, 22, 20);
        p[AnimInk::ConvertedHorse] = Colour(8, 8, 10);
        return p;
    }();
    return kPalette;
}

const std::vector<AnimGroup>& HumanAnimGroups() {
    // Walk, stand, war stance, the two falls, riding and sitting a mount.
    static const std::vector<AnimGroup> kGroups = {{0, 10}, {4, 1},  {7, 1}, {21, 6},
                                                   {22, 6}, {23, 5}, {25, 1}};
    return kGroups;
}

IndexedFile MakeAnimFiles() {
    IndexedFile file;
    AddCreatureLayout(file, kAnimTallCreatureBody, {{0, 10}, {1, 1}, {2, 4}, {3, 4}}, CreatureFrame);
    AddHorse(file, AnimInk::Horse);
    AddCreatureLayout(file, kAnimStandInHorseBody, {{0, 10}, {1, 1}},
                      [](int group, int direction, int frame) {
                          return HorseFrame(AnimInk::StandInHorse, group == 1 ? 2 : group, direction, frame);
                      });
    AddHuman(file, kAnimHumanBody, Part::Body);
    AddHuman(file, kAnimShirt, Part::Shirt);
    AddHuman(file, kAnimCloak, Part::Cloak);
    return file;
}

IndexedFile MakeAnim2Files() {
    IndexedFile file;
    AddHorse(file, AnimInk::ConvertedHorse);
    return file;
}

bool WriteAnimFiles(const std::string& dir, std::string* error) {
    // Built once per process: test programs write many installations.
    static const IndexedFile anim = MakeAnimFiles();
    static const IndexedFile anim2 = MakeAnim2Files();
    return WriteBytes(dir, "anim.idx", anim.index, error) && WriteBytes(dir, "anim.mul", anim.data, error) &&
           WriteBytes(dir, "anim2.idx", anim2.index, error) &&
           WriteBytes(dir, "anim2.mul", anim2.data, error);
}

} // namespace mkinstall
