#include "mkinstall/CreationFiles.h"

#include "mkinstall/Glyphs.h"
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

Picture Hair(bool woman) {
    Picture p = Blank(140, 300, 0);
    const uint16_t brown = Rgb(14, 8, 3);
    Fill(p, 52, 16, 36, 10, brown);
    if (woman) {
        Fill(p, 48, 20, 8, 40, brown);
        Fill(p, 84, 20, 8, 40, brown);
    }
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
    case 1875:
    case 1847:
        return Hair(id == 1847);
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
                   1875,      1847,          1805,        1806,
                   1807,      1808,          1809,        1810,
                   4506,      4509,          4510}) {
        const Picture p = SampleCreationArt(id);
        AddItem(gumps, id, EncodeGumpArt(p.width, p.height, p.pixels), GumpExtra(p.width, p.height));
    }
}

bool WriteCreationFiles(const std::string& dir, std::string* error) {
    const std::string path = dir + "/prof.txt";
    const std::string text = SampleProfessions();
    if (platform::AtomicReplaceFile(path, text.data(), text.size())) return true;
    if (error) *error = "cannot write " + path;
    return false;
}

} // namespace mkinstall
