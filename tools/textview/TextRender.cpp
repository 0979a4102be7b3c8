#include "textview/TextRender.h"

#include "render/BlitTarget.h"
#include "render/HueManager.h"
#include "text/FontManager.h"
#include "text/UnicodeFont.h"
#include "text/WideText.h"

#include <algorithm>

namespace textview {
namespace {

std::u16string Decode(const std::string& text) {
    std::u16string units(text.size() + 1, 0);
    Utf8ToWideBounded(units.data(), static_cast<int>(units.size()), text.data(),
                      static_cast<int>(text.size()));
    units.resize(static_cast<size_t>(WideLength(units.c_str())));
    return units;
}

void NewCanvas(Image& out, int width, int height) {
    out.width = std::max(width, 1);
    out.height = std::max(height, 1);
    out.pixels.assign(static_cast<size_t>(out.width) * out.height, 0);
}

bool RenderBitmap(const Request& request, Image& out, std::string* error) {
    if (!FontManager::IsFontLoaded(request.font)) {
        if (error) *error = "no bitmap font " + std::to_string(request.font);
        return false;
    }
    std::string bytes;
    for (char16_t u : Decode(request.text))
        bytes += static_cast<char>(u <= 255 ? u : '?');
    int width = 0, height = 0, baseline = 0;
    FontManager::CalcInfo(request.font, bytes.c_str(), &width, &height, &baseline);
    NewCanvas(out, width, height);
    BlitTarget target = MakeBlitTarget(out.pixels.data(), out.width, out.height);
    FontManager::DrawString(0, baseline, request.font, request.hue, bytes.c_str(), target, kNoClip);
    return true;
}

bool RenderUnicode(const Request& request, Image& out, std::string* error) {
    if (request.font < 0 || request.font >= kUnicodeFontCount) {
        if (error) *error = "no unicode font " + std::to_string(request.font);
        return false;
    }
    UnicodeSetFont(request.font);
    std::u16string units = Decode(request.text);
    int width = 0, height = 0, third = 0;
    UnicodeCalcInfo(units.c_str(), &width, &height, &third);
    NewCanvas(out, width, height);
    uint16_t colour = request.hue > 0 ? HueManager::GetEntry(request.hue - 1).colours[31] : 0x7FFF;
    BlitTarget target = MakeBlitTarget(out.pixels.data(), out.width, out.height);
    UnicodeDrawString(target, units.c_str(), 0, 0, colour, kNoClip);
    return true;
}

} // namespace

bool Render(const Request& request, Image& out, std::string* error) {
    return request.kind == FontKind::Bitmap ? RenderBitmap(request, out, error)
                                            : RenderUnicode(request, out, error);
}

} // namespace textview
