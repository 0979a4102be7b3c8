// "fonts.mul": the font table read from the bytes, then every loaded font measured, wrapped, cut
// and drawn into a small target at positions near its edges; and the map-window bitmap helpers
// with coordinates taken from the bytes.
#include "text/FontManager.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

static unsigned g_sink;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (FontManager::LoadFontsFromBytes(data, size) == 0) return 0;
    std::vector<uint16_t> canvas(40 * 24, 0);
    BlitTarget target = MakeBlitTarget(canvas.data(), 40, 24);
    std::string text;
    for (size_t i = 0; i < size && text.size() < 40; i += 97)
        text += static_cast<char>(data[i] ? data[i] : 'a');
    text += " ab\xE9 cd efgh ijkl";
    for (int font = 0; font < kFontSlots; ++font) {
        if (!FontManager::IsFontLoaded(font)) continue;
        int w = 0, h = 0, b = 0;
        FontManager::CalcInfo(font, text.c_str(), &w, &h, &b);
        FontManager::CalcInfoWrap(font, text.c_str(), 17, &w, &h, &b, 3);
        FontManager::GetStringWrapEndXY(font, 9, text.c_str(), 17, &w, &h);
        g_sink +=
            static_cast<unsigned>(w + h + b + FontManager::GetCharsInBox(font, text.c_str(), 17, 20, 20));
        for (int x : {-300, -5, 0, 30}) {
            FontManager::DrawString(x, 10, font, 0, text.c_str(), target, kNoClip);
            FontManager::DrawstringBuf(x, -3, font, 40, text.c_str(), 20, target, Rect{-2, 3, 35, 20}, 2, 0,
                                       true);
            FontManager::DrawStringBufEllips(x, 300, font, 1, text.c_str(), target, Rect{0, 0, 30, 24});
        }
    }
    int32_t c[4] = {};
    std::memcpy(c, data, std::min(size, sizeof c));
    PixelBlockView view{canvas.data(), 40, 24};
    FillBitmapRect(c[0], c[1], c[2], c[3], 7, view);
    DrawBitmapLine(c[0], c[1], c[2], c[3], 9, view);
    DrawBitmapLineBlended(c[3], c[2], c[1], c[0], view);
    std::vector<uint16_t> other(7 * 5, 1);
    CopyBitmapLine(c[0], c[1], c[2], c[3], view, PixelBlockView{other.data(), 7, 5});
    for (uint16_t p : canvas)
        g_sink += p;
    FontManager::ResetForTests();
    return 0;
}
