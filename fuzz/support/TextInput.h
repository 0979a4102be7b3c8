#pragma once
// For the targets that type into fields and fill lists: small fonts loaded from memory, no item
// art, and a reader that takes bytes and big-endian ints from the input and gives 0 past its end.
#include "core/QVReport.h"
#include "render/RenderData.h"
#include "text/FontManager.h"
#include "text/UnicodeFont.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qvfuzz {

// Two bitmap fonts whose glyphs are 2 to 6 pixels wide and 6 high, and no unicode glyphs (nothing
// is looked for on disk).
inline void LoadSmallFonts() {
    std::vector<uint8_t> file;
    for (int slot = 0; slot < 2; ++slot) {
        file.push_back(1);
        for (int i = 0; i < kFontGlyphs; ++i) {
            const int w = 2 + i % 5, h = 6;
            file.insert(file.end(), {static_cast<uint8_t>(w), static_cast<uint8_t>(h), 1});
            for (int p = 0; p < w * h; ++p)
                file.insert(file.end(), {0x1F, 0x7C});
        }
    }
    FontManager::LoadFontsFromBytes(file.data(), file.size());
    for (int font = 0; font < kUnicodeFontCount; ++font)
        UnicodeUseFontBytes(font, {});
}

// An item source with no art at all.
inline const uint8_t* NoItemArt(int, int, int, int& length, int& extra) {
    length = 0;
    extra = 0;
    return nullptr;
}

// The once-only setup of a text target: no log file in the folder the fuzzer runs in, reports
// dropped, no item art, the small fonts. True, for a static to hold.
inline bool SetUpTextTarget() {
    QVReport::startWithoutFile();
    QVReport::setRecorder([](QVReport::Level, const std::string&) {});
    RenderData::SetItemSource(NoItemArt);
    LoadSmallFonts();
    return true;
}

struct InputReader {
    const uint8_t* data;
    size_t size;
    size_t at = 0;
    bool More() const { return at < size; }
    int Byte() { return at < size ? data[at++] : 0; }
    int Int() {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v = v << 8 | static_cast<uint32_t>(Byte());
        return static_cast<int>(v);
    }
};

} // namespace qvfuzz
