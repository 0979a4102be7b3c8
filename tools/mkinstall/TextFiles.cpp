#include "mkinstall/TextFiles.h"

#include "mkinstall/ChatSamples.h"
#include "mkinstall/CreationFiles.h"

#include "mkinstall/DataFiles.h"
#include "mkinstall/Glyphs.h"
#include "mkinstall/WorldFiles.h"

#include "platform/platform.h"

#include <cstring>

namespace mkinstall {
namespace {

constexpr int kFontSlotCount = 25;
constexpr int kCodeCount = 224; // codes 32..255

std::string LittleEndian16(uint16_t v) {
    return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
}

// The ink of code at pixel (x, y) of a glyph drawn at this scale and boldness, counted from the
// glyph's first inked column.
bool InkAt(int code, int scale, bool bold, int x, int y) {
    const int start = BuiltinInkStart(code);
    auto at = [&](int px) { return px >= 0 && BuiltinInk(code, start + px / scale, y / scale); };
    return at(x) || (bold && at(x - 1));
}

std::string BitmapGlyph(int code, const SampleFontStyle& style) {
    const uint8_t* rows = BuiltinGlyph(code);
    if (!rows) return std::string(3, '\0'); // absent: width 0
    const int used = BuiltinInkColumns(code) - BuiltinInkStart(code);
    const int extra = (style.bold ? 1 : 0) + (style.shadow ? 1 : 0);
    // A space (no ink) keeps three columns; every glyph ends in one blank column.
    const int width = (used > 0 ? used * style.scale + extra : 3 * style.scale) + 1;
    const int height = kGlyphRows * style.scale + (style.shadow ? 1 : 0);
    std::string out;
    out += static_cast<char>(width);
    out += static_cast<char>(height);
    out += static_cast<char>(style.shadow ? 1 : 0); // the shadow row hangs below the baseline
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint16_t p = 0;
            if (x < width - 1 && InkAt(code, style.scale, style.bold, x, y))
                p = style.ink;
            else if (style.shadow && InkAt(code, style.scale, style.bold, x - 1, y - 1))
                p = style.shadowColour;
            out += LittleEndian16(p);
        }
    }
    return out;
}

std::u16string FromUtf8(const std::string& text) {
    std::u16string out;
    for (size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            out += c;
            i += 1;
        } else if ((c & 0xE0) == 0xC0 && i + 1 < text.size()) {
            out += static_cast<char16_t>((c & 0x1F) << 6 | (text[i + 1] & 0x3F));
            i += 2;
        } else if (i + 2 < text.size()) {
            out += static_cast<char16_t>((c & 0x0F) << 12 | (text[i + 1] & 0x3F) << 6 | (text[i + 2] & 0x3F));
            i += 3;
        } else {
            break;
        }
    }
    return out;
}

bool WriteBytes(const std::string& path, const void* data, size_t size, std::string* error) {
    if (platform::AtomicReplaceFile(path, data, size)) return true;
    if (error) *error = "cannot write " + path;
    return false;
}

} // namespace

std::string BigEndian32(uint32_t value) {
    return std::string{static_cast<char>(value >> 24), static_cast<char>(value >> 16),
                       static_cast<char>(value >> 8), static_cast<char>(value)};
}

std::string IffChunk(const char* tag, const std::string& data) {
    std::string out = std::string(tag, 4) + BigEndian32(static_cast<uint32_t>(data.size())) + data;
    if (data.size() & 1) out += '\0';
    return out;
}

std::string IffForm(const char* type, const std::string& contents) {
    return "FORM" + BigEndian32(static_cast<uint32_t>(contents.size() + 4)) + std::string(type, 4) + contents;
}

SampleFontStyle SampleFont(int slot) {
    static const SampleFontStyle kStyles[kSampleFontCount] = {
        {1, false, false, 0x739C, 0},     // 0: grey, hued in its grey
        {2, false, false, 0x739C, 0},     // 1: large grey
        {1, true, false, 0x739C, 0},      // 2: bold grey
        {1, false, true, 0x7FFF, 0x0008}, // 3: white with a dark blue shadow the hue leaves alone
        {1, false, false, 0x7FE0, 0},     // 4: yellow, hued by its red channel
        {1, true, false, 0x7FFF, 0},      // 5: bold white
        {2, true, false, 0x7C00, 0},      // 6: large bold red
        {1, false, true, 0x6318, 0x0010}, // 7: grey with a blue shadow
        {1, false, false, 0x03FF, 0},     // 8: cyan
        {1, false, false, 0x7FFF, 0},     // 9: white
    };
    return kStyles[slot >= 0 && slot < kSampleFontCount ? slot : 0];
}

std::vector<uint8_t> MakeFontsFile() {
    std::string out;
    for (int slot = 0; slot < kFontSlotCount; ++slot) {
        if (slot >= kSampleFontCount) {
            out += '\0';
            continue;
        }
        out += '\1';
        for (int code = 32; code < 32 + kCodeCount; ++code)
            out += BitmapGlyph(code, SampleFont(slot));
    }
    return std::vector<uint8_t>(out.begin(), out.end());
}

int SampleUnicodeScale(int font) {
    return font == 0 ? 2 : 1;
}

int SampleUnicodeTop(int font) {
    return font == 0 ? 2 : font == 1 ? 6 : 8;
}

std::vector<uint8_t> MakeUnicodeFontFile(int font) {
    const int scale = SampleUnicodeScale(font);
    std::vector<uint8_t> out(65536 * 4, 0);
    for (int unit = 33; unit <= 0xFF; ++unit) {
        if (!BuiltinGlyph(unit) || (unit > 126 && unit < 0xC0)) continue;
        const int start = BuiltinInkStart(unit);
        const int width = (BuiltinInkColumns(unit) - start) * scale;
        const int height = kGlyphRows * scale;
        if (width <= 0) continue;
        const uint32_t offset = static_cast<uint32_t>(out.size());
        for (int b = 0; b < 4; ++b)
            out[static_cast<size_t>(unit) * 4 + b] = static_cast<uint8_t>(offset >> (8 * b));
        out.push_back(0);                                            // xOffset
        out.push_back(static_cast<uint8_t>(SampleUnicodeTop(font))); // yOffset
        out.push_back(static_cast<uint8_t>(width));
        out.push_back(static_cast<uint8_t>(height));
        const int rowBytes = (width + 7) / 8;
        for (int y = 0; y < height; ++y) {
            std::vector<uint8_t> row(static_cast<size_t>(rowBytes), 0);
            for (int x = 0; x < width; ++x)
                if (BuiltinInk(unit, start + x / scale, y / scale))
                    row[static_cast<size_t>(x / 8)] |= 0x80 >> (x % 8);
            out.insert(out.end(), row.begin(), row.end());
        }
    }
    return out;
}

std::string MakeLangCodeFile() {
    struct Language {
        const char* code;
        int id;
        const char* name;
        const char* country;
    };
    static const Language kLanguages[] = {{"enu", 101, "English", "United States"},
                                          {"deu", 100, "German", "Germany"},
                                          {"fra", 102, "French", "France"},
                                          {"jpn", 106, "Japanese", "Japan"},
                                          {"kor", 107, "Korean", "Korea"}};
    std::string codes;
    for (const Language& l : kLanguages) {
        std::string data =
            std::string(l.code) + '\0' + LittleEndian32(l.id) + l.name + '\0' + l.country + '\0';
        codes += IffChunk("CODE", data);
    }
    return IffForm("DATA", IffForm("LANG", IffForm("WIN3", codes)));
}

const std::vector<SampleSection>& SampleSections() {
    static const std::vector<SampleSection> kSections = [] {
        std::vector<SampleSection> s;
        s.push_back({"intro",
                     2,
                     3,
                     {{0, "In a land of stone and sea..."},
                      {1, "...one harbour still keeps its gates open."},
                      {2, "Welcome to Varnis."}},
                     {{0, 59}, {60, 119}, {120, 179}}});
        s.push_back({"tooltips",
                     2,
                     61,
                     {{0, "Visit the main web site"},
                      {1, "Create a new account"},
                      {2, "Get help and support"},
                      {3, "Manage your account"},
                      {5, "Watch the introduction again"},
                      {6, "See who made this world"},
                      {8, "Log in"},
                      {9, "Your account name"},
                      {10, "Your password"},
                      {11, "Quit"},
                      {15, "Play on the chosen shard"},
                      {18, "Back"},
                      {19, "Next"},
                      {22, "A character of this account"},
                      {23, "An empty character slot"},
                      {24, "Delete the selected character"},
                      {25, "Create a new character"},
                      {22, "A character of this account"},
                      {23, "An empty character slot"},
                      {24, "Delete the selected character"},
                      {25, "Create a new character"},
                      {26, "Back"},
                      {27, "Play the chosen character"},
                      {35, "The colour of the hair"},
                      {36, "The style of the hair"},
                      {37, "The style and colour of the facial hair"},
                      {38, "Man or woman"},
                      {39, "The colour of the skin"},
                      {40, "The colour of the shirt"},
                      {41, "The colour of the pants"},
                      {42, "The colour of the skirt"},
                      {43, "The character's name"},
                      {44, "Back to the professions"},
                      {45, "Go on"},
                      {58, "Sort by round-trip time"},
                      {59, "Sort by load"},
                      {60, "Sort by time zone"}},
                     {}});
        s.push_back(
            {"gt_0000",
             2,
             4,
             {{0, "A sample window"}, {1, "A sample frame"}, {2, "A sample button"}, {3, "A sample picture"}},
             {}});
        s.push_back({"gt_1010", 2, 44, {{43, "Remember the password on this computer"}}, {}});
        s.push_back({"gt_2000", 2, 2, {{0, "Status"}, {1, "Paperdoll"}}, {}});
        s.push_back({"gt_2310", 2, 1, {{0, "Party"}}, {}});
        s.push_back({"gt_2400", 2, 1, {{0, "Book"}}, {}});
        s.push_back({"gt_5000", 2, 2, {{0, "Options"}, {1, "Apply"}}, {}});
        s.push_back({"gt_5400", 2, 1, {{0, "Shard list"}}, {}});
        {
            SampleSection skills{"skilname", 1, kSkillCount, {}, {}};
            for (int i = 0; i < kSkillCount; ++i)
                skills.texts.emplace_back(i, SkillName(i));
            s.push_back(skills);
        }
        s.push_back(ChatSampleSection());
        s.push_back({"options", 2, 3, {{0, "Options"}, {1, "General"}, {2, "Sound and music"}}, {}});
        s.push_back({"professn",
                     2,
                     8,
                     {{0, "Custom"},
                      {1, "Warrior"},
                      {2, "Mage"},
                      {4, "Choose a profession to begin."},
                      {5, "You choose your own skills."},
                      {6, "Strong of arm, quick to the fight."},
                      {7, "A scholar of the arcane arts."}},
                     {}});
        s.push_back(CityTextSection());
        s.push_back(
            {"cliloc-1",
             2,
             4,
             {{0, "You cannot do that."}, {1, "Target what?"}, {2, "That is too far away."}, {3, "Done."}},
             {}});
        s.push_back({"cliloc37", 2, 10, {{9, "Insured"}}, {}});
        s.push_back({"cliloc38", 2, 1, {{0, "Weight"}}, {}});
        s.push_back({"cliloc43", 2, 328, {{323, "Keep my settings on the server"}, {327, "Saving..."}}, {}});
        s.push_back({"cliloc44", 2, 580, {{577, "Round trip"}, {578, "Loss"}, {579, "Shard"}}, {}});
        s.push_back({"cliloc60", 2, 124, {{0, "a gold coin"}, {123, "~1_NAME~ gives you ~2_ITEM~."}}, {}});
        s.push_back({"intloc00",
                     2,
                     432,
                     {{129, "Journal"}, {130, "Skills"}, {134, "Help"}, {430, "Map"}, {431, "Backpack"}},
                     {}});
        s.push_back({"intloc01", 2, 21, {{20, "Paperdoll"}}, {}});
        s.push_back(
            {"intloc10",
             2,
             8,
             {{0, "Help"}, {2, "Back"}, {3, "Index"}, {4, "Recent"}, {5, "Search"}, {7, "Related topics"}},
             {}});
        AppendItemNameSections(s);
        return s;
    }();
    return kSections;
}

std::string MakeSectionFile(const SampleSection& section, const std::string& code) {
    std::string info = code + '\0' + LittleEndian32(section.charSize) + LittleEndian32(0) + section.name +
                       '\0' + LittleEndian32(0) + LittleEndian32(section.count);
    std::vector<std::u16string> texts(static_cast<size_t>(section.count));
    for (const auto& [number, text] : section.texts)
        texts[static_cast<size_t>(number)] = FromUtf8(text);
    std::string text;
    for (const std::u16string& t : texts) {
        for (char16_t u : t)
            text += section.charSize == 2 ? LittleEndian16(u) : std::string(1, static_cast<char>(u));
        text += std::string(static_cast<size_t>(section.charSize), '\0');
    }
    std::string body = IffChunk("INFO", info) + IffChunk("TEXT", text);
    if (!section.times.empty()) {
        std::string times;
        for (const auto& [start, end] : section.times)
            times += LittleEndian32(start) + LittleEndian32(end);
        body += IffChunk("TIME", times);
    }
    return IffForm("DATA", IffForm("LANG", body));
}

std::string SampleSectionText(const std::string& section, int number) {
    for (const SampleSection& s : SampleSections()) {
        if (section != s.name) continue;
        for (const auto& [n, text] : s.texts)
            if (n == number) return text;
    }
    return "";
}

bool WriteTextFiles(const std::string& dir, std::string* error) {
    std::vector<uint8_t> fonts = MakeFontsFile();
    if (!WriteBytes(dir + "/fonts.mul", fonts.data(), fonts.size(), error)) return false;
    for (int font = 0; font < 3; ++font) {
        std::vector<uint8_t> bytes = MakeUnicodeFontFile(font);
        std::string name = font == 0 ? "unifont.mul" : "unifont" + std::to_string(font) + ".mul";
        if (!WriteBytes(dir + "/" + name, bytes.data(), bytes.size(), error)) return false;
    }
    const std::string language = dir + "/language";
    if (!platform::MakeDirectories(language)) {
        if (error) *error = "cannot create " + language;
        return false;
    }
    std::string codes = MakeLangCodeFile();
    if (!WriteBytes(language + "/langcode.iff", codes.data(), codes.size(), error)) return false;
    for (const SampleSection& section : SampleSections()) {
        std::string bytes = MakeSectionFile(section, "enu");
        if (!WriteBytes(language + "/" + section.name + ".enu", bytes.data(), bytes.size(), error))
            return false;
    }
    return true;
}

} // namespace mkinstall
