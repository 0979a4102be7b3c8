#include "mkinstall/CreditsFiles.h"

#include "mkinstall/Glyphs.h"
#include "platform/platform.h"

#include <algorithm>

namespace mkinstall {
namespace {

uint16_t Rgb(int r, int g, int b) {
    return static_cast<uint16_t>((r << 10) | (g << 5) | b);
}

void Fill(Picture& p, int x0, int y0, int w, int h, uint16_t colour) {
    for (int y = std::max(0, y0); y < std::min(p.height, y0 + h); ++y)
        for (int x = std::max(0, x0); x < std::min(p.width, x0 + w); ++x)
            p.pixels[static_cast<size_t>(y) * p.width + x] = colour;
}

void Text(Picture& p, int x, int y, const std::string& text, int scale, uint16_t colour) {
    for (char c : text) {
        for (int row = 0; row < kGlyphRows; ++row)
            for (int col = 0; col < kGlyphColumns; ++col)
                if (BuiltinInk(static_cast<unsigned char>(c), col, row))
                    Fill(p, x + col * scale, y + row * scale, scale, scale, colour);
        x += (kGlyphColumns + 1) * scale;
    }
}

} // namespace

std::string SampleCredits() {
    std::string s;
    // Every directive once: the default colour and font carry on, colour and font hold for one line,
    // an unknown word is passed over, a keyword at the line's end is ignored.
    s += "! defaultcolor #e8d8a0 song 5 song 7\r\n";
    s += "! color #ffffff font 0\r\n";
    s += "VARNIS ONLINE\r\n";
    s += "\r\n";
    int lines = 2;
    const char* const kGroups[] = {"Design", "Programming", "Art", "Music", "Writing", "Testing", "Thanks"};
    int person = 1;
    for (const char* group : kGroups) {
        s += "! color #80c0ff sparkle font 2\r\n";
        s += std::string(group) + "\r\n";
        ++lines;
        for (int i = 0; i < 5 && lines < kSampleCreditLines - 3; ++i, ++lines)
            s += "Member " + std::to_string(person++) + " of the " + group + " team\r\n";
        s += "\r\n";
        ++lines;
    }
    s += "! defaultfont 1 font\r\n";
    while (lines < kSampleCreditLines - 1) {
        s += "Line " + std::to_string(lines + 1) + "\r\n";
        ++lines;
    }
    s += "! color #ff8040\r\n";
    s += "THE END"; // no line end: no empty line after it
    return s;
}

Picture SampleCreditsBackground() {
    Picture p{640, 480, std::vector<uint16_t>(640 * 480)};
    for (int y = 0; y < 480; ++y)
        Fill(p, 0, y, 640, 1, Rgb(0, 0, 4 + y * 8 / 480));
    const uint16_t gold = Rgb(24, 19, 6);
    Fill(p, 8, 8, 624, 2, gold);
    Fill(p, 8, 470, 624, 2, gold);
    Fill(p, 8, 8, 2, 464, gold);
    Fill(p, 630, 8, 2, 464, gold);
    Text(p, 20, 20, "CREDITS", 2, gold);
    return p;
}

void AddCreditsArts(IndexedFile& gumps) {
    const Picture p = SampleCreditsBackground();
    AddItem(gumps, kCreditsArt, EncodeGumpArt(p.width, p.height, p.pixels), GumpExtra(p.width, p.height));
}

bool WriteCreditsFiles(const std::string& dir, std::string* error) {
    const std::string path = dir + "/credits.dat";
    const std::string text = SampleCredits();
    if (platform::AtomicReplaceFile(path, text.data(), text.size())) return true;
    if (error) *error = "cannot write " + path;
    return false;
}

} // namespace mkinstall
