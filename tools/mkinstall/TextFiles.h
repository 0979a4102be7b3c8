#pragma once
// The text files of the synthetic installation: the bitmap fonts ("fonts.mul"), the three unicode
// fonts, the language list ("language/langcode.iff") and English text sections, all rasterised or
// written from built-in data so that what the client shows can be read.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace mkinstall {

// ---------------------------------------------------------------- IFF
// A chunk: tag, big-endian size, the data, a pad byte after odd sizes.
std::string IffChunk(const char* tag, const std::string& data);
// A FORM of this type around the contents.
std::string IffForm(const char* type, const std::string& contents);
std::string BigEndian32(uint32_t value);

// ---------------------------------------------------------------- fonts
constexpr int kSampleFontCount = 10; // slots 0..9 hold fonts, 10..24 are empty
struct SampleFontStyle {
    int scale;    // pixels per glyph-set pixel
    bool bold;    // each ink pixel also one column to the right
    bool shadow;  // a shadow one pixel down and right, in shadowColour
    uint16_t ink; // 5-5-5
    uint16_t shadowColour;
};
SampleFontStyle SampleFont(int slot);
std::vector<uint8_t> MakeFontsFile();

// Unicode font n: 1-bit glyphs for ASCII 33..126 and Latin-1 letters, scale 2 for font 0.
std::vector<uint8_t> MakeUnicodeFontFile(int font);
int SampleUnicodeScale(int font);
int SampleUnicodeTop(int font); // the glyphs' yOffset

// ---------------------------------------------------------------- language files
std::string MakeLangCodeFile();

struct SampleSection {
    const char* name;
    int charSize;                                   // 1 or 2
    int count;                                      // stringCount
    std::vector<std::pair<int, std::string>> texts; // number, text (UTF-8); the others are empty
    std::vector<std::pair<int, int>> times;         // a TIME chunk when not empty: one range per text
};
const std::vector<SampleSection>& SampleSections();
// The bytes of one section file in a language.
std::string MakeSectionFile(const SampleSection& section, const std::string& code);
// The English text of a section's number, or "" when it has none.
std::string SampleSectionText(const std::string& section, int number);

// Writes the fonts into dir and the language files into dir/language.
bool WriteTextFiles(const std::string& dir, std::string* error);

} // namespace mkinstall
