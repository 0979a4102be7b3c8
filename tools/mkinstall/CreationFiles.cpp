#include "mkinstall/CreationFiles.h"

#include "mkinstall/Glyphs.h"
#include "mkinstall/TextFiles.h"
#include "platform/platform.h"

#include <algorithm>

namespace mkinstall {
namespace {

constexpr int kAdvance = kGlyphColumns + 1;

uint16_t Rgb(int r, int g, int b) {
    return static_cast<uint16_t>((r << 10) | (g << 5) | b);
}

Picture Blank(int w, int h, uint16_t colour) {
    return Picture{w, h, std::vector<uint16_t>(static_cast<size_t>(w) * h, colour)};
}

void Fill(Picture& p, int x0, int y0, int w, int h, uint16_t colour) {
    for (int y = std::max(0, y0); y < std::min(p.height, y0 + h); ++y)
        for (int x = std::max(0, x0); x < std::min(p.width, x0 + w); ++x)
            p.pixels[static_cast<size_t>(y) * p.width + x] = colour;
}

void Border(Picture& p, uint16_t colour) {
    Fill(p, 0, 0, p.width, 1, colour);
    Fill(p, 0, p.height - 1, p.width, 1, colour);
    Fill(p, 0, 0, 1, p.height, colour);
    Fill(p, p.width - 1, 0, 1, p.height, colour);
}

void CentredText(Picture& p, int y0, const std::string& text, int scale, uint16_t colour) {
    int x = (p.width - (static_cast<int>(text.size()) * kAdvance - 1) * scale) / 2;
    for (char c : text) {
        for (int row = 0; row < kGlyphRows; ++row)
            for (int col = 0; col < kGlyphColumns; ++col)
                if (BuiltinInk(static_cast<unsigned char>(c), col, row))
                    Fill(p, x + col * scale, y0 + row * scale, scale, scale, colour);
        x += kAdvance * scale;
    }
}

// A profession's picture: a plate with a simple emblem and its name; pressed is darker.
Picture Emblem(const std::string& name, uint16_t body, bool pressed) {
    Picture p = Blank(66, 66, pressed ? Rgb(4, 4, 6) : Rgb(8, 8, 12));
    Border(p, Rgb(28, 22, 6));
    Fill(p, 21, 8, 24, 30, pressed ? static_cast<uint16_t>((body >> 1) & 0x3DEF) : body);
    CentredText(p, 48, name, 1, Rgb(31, 31, 31));
    return p;
}

Picture UpButton(int face) {
    Picture p = Blank(40, 20, face == 2 ? Rgb(6, 6, 10) : Rgb(10, 10, 16));
    Border(p, face == 1 ? Rgb(31, 26, 8) : Rgb(20, 16, 4));
    CentredText(p, 7, "UP", 1, Rgb(31, 31, 31));
    return p;
}

// The preview's figure, drawn in grey so that a hue shows: head, body and arms; a woman narrower.
Picture Body(bool woman) {
    Picture p = Blank(140, 300, 0);
    const uint16_t skin = Rgb(24, 24, 24);
    for (int y = 20; y < 56; ++y)
        for (int x = 52; x < 88; ++x)
            if ((x - 70) * (x - 70) + (y - 38) * (y - 38) <= 18 * 18) Fill(p, x, y, 1, 1, skin);
    const int half = woman ? 22 : 28;
    Fill(p, 70 - half, 60, 2 * half, 120, skin);
    Fill(p, 70 - half - 12, 64, 10, 100, skin);
    Fill(p, 70 + half + 2, 64, 10, 100, skin);
    Fill(p, 70 - half + 4, 180, 16, 110, skin);
    Fill(p, 70 + half - 20, 180, 16, 110, skin);
    return p;
}

Picture Garment(int top, int height, int half, uint16_t colour, const std::string& label) {
    Picture p = Blank(140, 300, 0);
    Fill(p, 70 - half, top, 2 * half, height, colour);
    CentredText(p, top + height / 2 - 3, label, 1, Rgb(31, 31, 31));
    return p;
}

void Disc(Picture& p, int cx, int cy, int r, uint16_t colour) {
    for (int y = cy - r; y <= cy + r; ++y)
        for (int x = cx - r; x <= cx + r; ++x)
            if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r) Fill(p, x, y, 1, 1, colour);
}

// Hair and beards are grey, so that the chosen hue shows; each style has its own outline around
// the head (centre 70,38, radius 18).
constexpr uint16_t kHairGrey = (20 << 10) | (20 << 5) | 20;

Picture HairStyle(int style, bool woman) {
    Picture p = Blank(140, 300, 0);
    const uint16_t g = kHairGrey;
    auto cap = [&] { Fill(p, 52, 16, 36, 10, g); };
    switch (style) {
    case 1: // short
        cap();
        break;
    case 2: // long: to the shoulders
        cap();
        Fill(p, 48, 20, 8, 50, g);
        Fill(p, 84, 20, 8, 50, g);
        break;
    case 3: // pony tail behind the right ear
        cap();
        Fill(p, 88, 24, 8, 8, g);
        Fill(p, 92, 30, 6, 44, g);
        break;
    case 4: // mohawk: a crest over the middle
        Fill(p, 66, 4, 8, 22, g);
        break;
    case 5: // pageboy: straight to the chin
        cap();
        Fill(p, 48, 20, 8, 36, g);
        Fill(p, 84, 20, 8, 36, g);
        Fill(p, 48, 54, 44, 3, g);
        break;
    case 6: // topknot
        cap();
        Disc(p, 70, 9, 6, g);
        break;
    case 7: // curly: a ring of curls
        for (int i = 0; i < 7; ++i)
            Disc(p, 50 + 7 * i, 18 + (i % 2) * 3, 5, g);
        break;
    case 8: // receding: the sides only
        Fill(p, 50, 24, 8, 14, g);
        Fill(p, 82, 24, 8, 14, g);
        break;
    case 9: // two tails
        cap();
        Fill(p, 38, 26, 10, 50, g);
        Fill(p, 92, 26, 10, 50, g);
        break;
    case 10: // buns over the ears
        cap();
        Disc(p, 48, 30, 8, g);
        Disc(p, 92, 30, 8, g);
        break;
    default:
        break;
    }
    if (woman && style != 4 && style != 8 && style != 10) Fill(p, 50, 24, 4, 20, g); // a fringe at the side
    return p;
}

Picture Beard(int style) {
    Picture p = Blank(140, 300, 0);
    const uint16_t g = kHairGrey;
    const bool moustache = style == 4 || style == 5 || style == 6 || style == 7;
    if (moustache) Fill(p, 60, 45, 20, 4, g);
    switch (style) {
    case 1: // goatee
    case 7: // vandyke
        Fill(p, 64, 52, 12, 12, g);
        break;
    case 2: // long beard
    case 6:
        Fill(p, 54, 46, 32, 12, g);
        Fill(p, 58, 58, 24, 34, g);
        break;
    case 3: // short beard along the jaw
    case 5:
        Fill(p, 52, 40, 6, 14, g);
        Fill(p, 82, 40, 6, 14, g);
        Fill(p, 56, 50, 28, 10, g);
        break;
    default:
        break;
    }
    return p;
}

// Eyes and a mouth over the face: drawn unhued.
Picture Face(bool woman) {
    Picture p = Blank(140, 300, 0);
    const uint16_t dark = Rgb(2, 2, 6);
    Fill(p, 62, 33, 4, 4, dark);
    Fill(p, 74, 33, 4, 4, dark);
    Fill(p, 65, 48, 10, 2, woman ? Rgb(24, 4, 6) : Rgb(12, 4, 4));
    return p;
}

// A corner or edge of the preview frames (the centre is the menu's tile): a gold line on the
// outer sides of the piece's place in the nine.
Picture FramePiece(int piece) {
    Picture p = Blank(20, 20, Rgb(8, 8, 14));
    const uint16_t gold = Rgb(24, 20, 6);
    if (piece <= 2) Fill(p, 0, 0, 20, 2, gold);
    if (piece >= 6) Fill(p, 0, 18, 20, 2, gold);
    if (piece % 3 == 0) Fill(p, 0, 0, 2, 20, gold);
    if (piece % 3 == 2) Fill(p, 18, 0, 2, 20, gold);
    return p;
}

// The start-city map: a sea with the land the nine cities stand on and a coast line.
Picture CityMap() {
    Picture p = Blank(390, 390, Rgb(5, 10, 20));
    struct Blob {
        int x, y, r;
    };
    const Blob land[] = {{60, 100, 55},  {150, 70, 60},  {120, 160, 70}, {230, 110, 70}, {320, 120, 50},
                         {150, 260, 70}, {270, 210, 65}, {110, 340, 45}, {60, 210, 50},  {200, 300, 50}};
    for (const Blob& b : land)
        Disc(p, b.x, b.y, b.r + 3, Rgb(16, 13, 6));
    for (const Blob& b : land)
        Disc(p, b.x, b.y, b.r, Rgb(20, 22, 12));
    // A river and a mountain range as landmarks.
    for (int i = 0; i < 120; ++i)
        Fill(p, 170 + i / 3, 120 + i, 3, 1, Rgb(5, 10, 20));
    for (int i = 0; i < 6; ++i)
        for (int row = 0; row < 10; ++row)
            Fill(p, 240 + 14 * i + (10 - row) / 2, 250 + row, row + 1, 1, Rgb(12, 10, 8));
    Border(p, Rgb(24, 20, 6));
    return p;
}

// A city's spot: a pin below the name's line.
Picture CitySpot(bool selected) {
    Picture p = Blank(12, 22, 0);
    Disc(p, 6, 15, 5, Rgb(2, 2, 2));
    Disc(p, 6, 15, 4, selected ? Rgb(31, 28, 4) : Rgb(22, 4, 4));
    return p;
}

Picture GenderButton(const std::string& caption, int face) {
    Picture p = Blank(70, 22, face == 2 ? Rgb(6, 6, 10) : Rgb(10, 10, 16));
    Border(p, face == 1 ? Rgb(31, 26, 8) : Rgb(20, 16, 4));
    CentredText(p, 8, caption, 1, Rgb(31, 31, 31));
    return p;
}

} // namespace

std::string SampleProfessions() {
    return "# The professions offered at character creation.\r\n"
           "Begin\r\n"
           "\tName\tWarrior\r\n"
           "\tTrueName\t\"Warrior\"\r\n"
           "\tDesc\t3\r\n"
           "\tTopLevel\ttrue\r\n"
           "\tGump\t5571\r\n"
           "\tSkill\tSwordsmanship\t50\r\n"
           "\tSkill\tTactics\t30\r\n"
           "\tSkill\tHealing\t20\r\n"
           "\tStat\tStr\t45\r\n"
           "\tStat\tDex\t25\r\n"
           "\tStat\tInt\t10\r\n"
           "End\r\n"
           "Begin\r\n"
           "\tName\tMage\r\n"
           "\tTrueName\t\"Mage\"\r\n"
           "\tDesc\t4\r\n"
           "\tTopLevel\ttrue\r\n"
           "\tGump\t5573\r\n"
           "\tSkill\tMagery\t50\r\n"
           "\tSkill\tMeditation\t50\r\n"
           "\tStat\tStr\t20\r\n"
           "\tStat\tDex\t10\r\n"
           "\tStat\tInt\t50\r\n"
           "End\r\n"
           "Begin\r\n"
           "\tName\tCrafts\r\n"
           "\tTrueName\t\"Craftsman\"\r\n"
           "\tDesc\t5\r\n"
           "\tTopLevel\ttrue\r\n"
           "\tType\tCategory\r\n"
           "\tGump\t5575\r\n"
           "\tChildren\tSmith, Tailor\r\n"
           "End\r\n"
           "Begin\r\n"
           "\tName\tSmith\r\n"
           "\tTrueName\t\"Blacksmith\"\r\n"
           "\tDesc\t18\r\n"
           "\tGump\t5577\r\n"
           "\tSkill\tBlacksmith\t50\r\n"
           "\tSkill\tMining\t30\r\n"
           "\tSkill\tArmsLore\t20\r\n"
           "\tStat\tStr\t60\r\n"
           "\tStat\tDex\t10\r\n"
           "\tStat\tInt\t10\r\n"
           "End\r\n"
           "Begin\r\n"
           "\tName\tTailor\r\n"
           "\tTrueName\t\"Tailor\"\r\n"
           "\tDesc\t6\r\n"
           "\tGump\t5579\r\n"
           "\tSkill\tTailoring\t50\r\n"
           "\tSkill\tCooking\t50\r\n"
           "\tStat\tStr\t30\r\n"
           "\tStat\tDex\t30\r\n"
           "\tStat\tInt\t20\r\n"
           "End\r\n";
}

Picture SampleCreationArt(int id) {
    struct Pictured {
        int id;
        const char* name;
        uint16_t body;
    };
    const Pictured pictures[] = {
        {5504, "CUSTOM", Rgb(10, 24, 10)},     {kWarriorArt, "WARRIOR", Rgb(26, 6, 6)},
        {kMageArt, "MAGE", Rgb(8, 8, 28)},     {kCraftsArt, "CRAFTS", Rgb(20, 14, 6)},
        {kSmithArt, "SMITH", Rgb(16, 16, 16)}, {kTailorArt, "TAILOR", Rgb(24, 10, 24)},
    };
    for (const Pictured& pic : pictures) {
        // The custom entry's pressed look is two ids on; the professions' is the next id.
        const int pressedId = pic.id == 5504 ? 5506 : pic.id + 1;
        if (id == pic.id || id == pressedId) return Emblem(pic.name, pic.body, id == pressedId);
    }
    switch (id) {
    case 1419: { // the plate behind the picture
        Picture p = Blank(170, 100, Rgb(5, 5, 8));
        Border(p, Rgb(28, 22, 6));
        return p;
    }
    case 216: { // the slider's thumb
        Picture p = Blank(9, 16, Rgb(28, 22, 6));
        Border(p, Rgb(10, 6, 0));
        return p;
    }
    case 1888:
    case 1889:
        return Body(id == 1888);
    case 1849:
        return Garment(60, 80, 30, Rgb(6, 14, 26), "SHIRT");
    case 1812:
        return Garment(60, 80, 24, Rgb(6, 14, 26), "BLOUSE");
    case 1848:
        return Garment(180, 110, 30, Rgb(12, 10, 6), "PANTS");
    case 1892:
        return Garment(180, 70, 34, Rgb(16, 6, 12), "SKIRT");
    case 1890:
    case 1891:
        return Face(id == 1891);
    case 3601:
    case 3602:
    case 3603:
    case 3605:
    case 3606:
    case 3607:
    case 3608:
        return FramePiece(id - 3600);
    case 5528:
        return CityMap();
    case 1209:
    case 1210:
        return CitySpot(id == 1210);
    case 1805:
    case 1806:
    case 1807:
        return GenderButton("WOMAN", id - 1805);
    case 1808:
    case 1809:
    case 1810:
        return GenderButton("MAN", id - 1808);
    case 4506:
        return UpButton(0);
    case 4509:
        return UpButton(1);
    case 4510:
        return UpButton(2);
    default:
        return Picture{};
    }
}

void AddCreationArts(IndexedFile& gumps) {
    for (int id : {5504,      5506,          kWarriorArt, kWarriorArt + 1,
                   kMageArt,  kMageArt + 1,  kCraftsArt,  kCraftsArt + 1,
                   kSmithArt, kSmithArt + 1, kTailorArt,  kTailorArt + 1,
                   1419,      216,           1888,        1889,
                   1849,      1812,          1848,        1892,
                   1805,      1806,          1807,        1808,
                   1809,      1810,          4506,        4509,
                   4510,      1890,          1891,        3601,
                   3602,      3603,          3605,        3606,
                   3607,      3608,          5528,        1209,
                   1210}) {
        const Picture p = SampleCreationArt(id);
        AddItem(gumps, id, EncodeGumpArt(p.width, p.height, p.pixels), GumpExtra(p.width, p.height));
    }
    // The hair styles' pictures for men and women (a style not offered has none), and the beards.
    const int manArts[11] = {0, 1875, 1876, 1879, 1877, 1871, 1874, 1873, 1880, 1870, 0};
    const int womanArts[11] = {0, 1847, 1842, 1845, 1843, 1844, 1840, 1839, 1846, 1836, 1841};
    for (int style = 1; style < 11; ++style)
        for (int woman = 0; woman < 2; ++woman) {
            const int id = woman ? womanArts[style] : manArts[style];
            if (id == 0) continue;
            const Picture p = HairStyle(style, woman != 0);
            AddItem(gumps, id, EncodeGumpArt(p.width, p.height, p.pixels), GumpExtra(p.width, p.height));
        }
    const int beardArts[8] = {0, 1881, 1883, 1885, 1884, 1886, 1882, 1887};
    for (int style = 1; style < 8; ++style) {
        const Picture p = Beard(style);
        AddItem(gumps, beardArts[style], EncodeGumpArt(p.width, p.height, p.pixels),
                GumpExtra(p.width, p.height));
    }
}

SampleSection CityTextSection() {
    struct City {
        const char* name;
        const char* text;
    };
    const City cities[9] = {
        {"Ashwold", "A hill town of ash trees and charcoal burners."},
        {"Pellin", "Fishers and boat builders on the northern bay."},
        {"Veldmoor", "The old capital on the moor, seat of the council."},
        {"Starvell", "A harbour of traders under the eastern cliffs."},
        {"Corthal", "Miners and smiths at the foot of the hills."},
        {"Ambrevia", "Orchards, vineyards and a quiet market."},
        {"Qastor", "The southern port, gate to the isles."},
        {"Fenmara", "Reed houses on the western fens."},
        {"Lorvick", "A walled town of scholars and scribes."},
    };
    SampleSection section{"citytext", 2, 1 + 3 * 9, {{0, ".END"}}, {}};
    for (int i = 0; i < 9; ++i) {
        section.texts.emplace_back(1 + 3 * i, cities[i].name);
        section.texts.emplace_back(2 + 3 * i, cities[i].text);
        section.texts.emplace_back(3 + 3 * i, ".END");
    }
    return section;
}

bool WriteCreationFiles(const std::string& dir, std::string* error) {
    const std::string path = dir + "/prof.txt";
    const std::string text = SampleProfessions();
    if (platform::AtomicReplaceFile(path, text.data(), text.size())) return true;
    if (error) *error = "cannot write " + path;
    return false;
}

} // namespace mkinstall
