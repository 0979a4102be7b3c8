// The unicode glyph reader: a font file whose offset table points the units 'A'..'P' wherever the
// first 64 bytes say (inside, before or past the file), followed by the rest of the bytes as glyph
// data; then measuring, wrapping and drawing with every style.
#include "text/UnicodeFont.h"

#include <cstdint>
#include <cstring>
#include <vector>

static unsigned g_sink;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 66) return 0;
    const uint32_t style = static_cast<uint32_t>(data[0]) << 8 | data[1];
    // One buffer for every run: fresh quarter-megabyte tables would cost more than the run itself.
    static std::vector<uint8_t> font;
    font.resize(kUnicodeOffsetTableBytes);
    for (int i = 0; i < 16; ++i) {
        int32_t offset;
        std::memcpy(&offset, data + 2 + 4 * i, sizeof offset);
        // Small offsets land in the glyph data; the others are taken as they come.
        if (offset >= 0 && offset < 0x10000) offset += static_cast<int32_t>(kUnicodeOffsetTableBytes);
        std::memcpy(font.data() + (static_cast<size_t>('A') + i) * 4, &offset, sizeof offset);
    }
    font.insert(font.end(), data + 66, data + size);
    UnicodeUseFontView(0, font.data(), font.size());
    UnicodeSetStyle(style);
    UnicodeSetAntiAlias(style & 1);
    unicodeColorEscapes = (style >> 1) & 1;
    std::vector<uint16_t> canvas(48 * 40, 0);
    BlitTarget target = MakeBlitTarget(canvas.data(), 48, 40);
    const char16_t* text = u"ABC DEFG\nHIJ\r\nKLMNOP A^MB^nC ^";
    int w = 0, h = 0, t = 0;
    UnicodeCalcInfo(text, &w, &h, &t);
    UnicodeCalcInfoWrap(text, 30, &w, &h, &t);
    UnicodeGetStringWrapEndXY(12, text, 30, &w, &h);
    g_sink +=
        static_cast<unsigned>(w + h + UnicodeGetCharsInBox(text, 30, 20, 20) + UnicodeGetWordWidth(text));
    for (int x : {-3, 40}) {
        UnicodeDrawString(target, text, x, -5, 0x7FFF, kNoClip);
        UnicodeDrawStringWrap(target, 30, text, x, 2, 0x7C00, Rect{1, 1, 45, 38}, true);
        UnicodeDrawStringEllips(target, text, x, 20, 0x03E0, Rect{0, 0, 30, 40});
        UnicodeDrawStringWrapSelected(target, 25, text, x, 10, 0x7FFF, kNoClip, 0x001F, 3, 9);
    }
    for (uint16_t p : canvas)
        g_sink += p;
    ResetUnicodeFontsForTests();
    return 0;
}
