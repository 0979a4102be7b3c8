#include "text/FontManager.h"

#include "core/FileManager.h"
#include "core/QVReport.h"
#include "core/SharedServices.h"
#include "core/VerData.h"
#include "render/SpanOps.h"
#include "text/TextConfig.h"
#include "text/TextLayout.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace {

// Fonts 0, 1, 2, 3 and 7 hue only their grey pixels.
constexpr int kPartialHue[9] = {1, 1, 1, 1, 0, 0, 0, 1, 0};

struct FontState {
    std::unique_ptr<CFont> fonts[kFontSlots];
};
FontState g_fonts;

int PartialHueOfSlot(int slot) {
    return slot >= 0 && slot < 9 ? kPartialHue[slot] : 0;
}

const CFont* Font(int font) {
    return font >= 0 && font < kFontSlots ? g_fonts.fonts[font].get() : nullptr;
}

// The font to draw with; a missing one is shown to the player.
const CFont* DrawingFont(int font) {
    const CFont* f = Font(font);
    if (!f) ShowErrorMessage("Missing Font!", "Error", nullptr);
    return f;
}

// 8-bit text as the layout reads it.
std::u16string Widen(std::string_view bytes) {
    std::u16string units;
    units.reserve(bytes.size());
    for (unsigned char c : bytes)
        units.push_back(c);
    return units;
}

// The text as the wrapping and cutting operations use it: at most 255 bytes.
std::u16string CutText(const char* text, const char* overflowFormat) {
    size_t length = std::strlen(text);
    if (length > kMaxLineBytes - 1) QVReport::message(overflowFormat, static_cast<int>(length + 1));
    return Widen(std::string_view(text, std::min<size_t>(length, kMaxLineBytes)));
}

// A bitmap font's metrics: the glyph widths, and a line as high as its tallest glyph above and
// below the baseline. Breaks go before spaces only.
class BitmapMetrics final : public GlyphMetrics {
  public:
    explicit BitmapMetrics(const CFont& font) : font_(font) {}
    int Advance(char16_t unit) const override { return unit <= 255 ? font_.Width(unit) : 0; }
    LineBox Measure(std::u16string_view line) const override {
        int ascent = 0, descent = 0;
        LineBox box;
        for (char16_t u : line) {
            const FontGlyphBitmap* g = font_.Glyph(u);
            if (!g) continue;
            box.width += g->width;
            ascent = std::max(ascent, g->height - font_.descent[u - kFirstFontCode]);
            descent = std::max(descent, font_.descent[u - kFirstFontCode]);
        }
        box.height = ascent + descent;
        box.baseline = ascent - 1;
        return box;
    }

  private:
    const CFont& font_;
};

uint16_t Shade(uint16_t p, int amount) {
    int r = std::max(((p >> 10) & 31) - amount, 1);
    int g = std::max(((p >> 5) & 31) - amount, 1);
    int b = std::max((p & 31) - amount, 1);
    return static_cast<uint16_t>(r << 10 | g << 5 | b);
}

// One line cut to the clip's right edge and ended with three dots; a unit past 255 has no glyph.
void DrawEllipsis(const CFont& font, int x, int y, int hue, std::u16string_view units,
                  const BlitTarget& target, const Rect& clip) {
    auto draw = [&](char16_t u, int64_t at) {
        if (at >= INT32_MIN && at <= INT32_MAX)
            font.DrawChar(static_cast<int>(at), y, hue, u <= 255 ? u : 0, target, clip);
    };
    const BitmapMetrics metrics(font);
    if (TextLayout::DrawCutToDots(metrics, units, x, WritableArea(target, clip).right, draw)) return;
    int64_t at = x;
    for (char16_t u : units) {
        draw(u, at);
        at += metrics.Advance(u);
    }
}

} // namespace

CFont::CFont() {
    QVReport::message("CFont::CFont(): begin.\n");
}

CFont::~CFont() {
    QVReport::message("CFont::~CFont()\n");
}

const FontGlyphBitmap* CFont::Glyph(int code) const {
    if (code < kFirstFontCode || code > 255) return nullptr;
    const FontGlyphBitmap& g = glyph[code - kFirstFontCode];
    return g.width > 0 ? &g : nullptr;
}

int CFont::Width(int code) const {
    const FontGlyphBitmap* g = Glyph(code);
    return g ? g->width : 0;
}

int CFont::DrawChar(int x, int y, int hue, int code, const BlitTarget& target, const Rect& clip) const {
    const FontGlyphBitmap* g = Glyph(code);
    if (!g) return 0;
    Rect area = WritableArea(target, clip);
    if (area.IsEmpty() || g->width > 256 || x < area.left || int64_t{x} + g->width - 1 >= area.right)
        return 0;
    const int64_t top = int64_t{y} + descent[code - kFirstFontCode] - g->height + 1;
    const int firstRow = static_cast<int>(std::clamp<int64_t>(area.top - top, 0, g->height));
    const int endRow = static_cast<int>(std::clamp<int64_t>(area.bottom - top, 0, g->height));
    const bool shaded = ConfiguredShadedFonts();
    const int savedHue = GetCurrentHueIndex();
    if (hue != 0 && !partialHue) SetCurrentHueIndex(hue - 1);
    uint16_t row[256]; // glyph widths are bytes
    for (int r = firstRow; r < endRow; ++r) {
        const uint16_t* src = g->pixels.data() + static_cast<size_t>(r) * g->width;
        if (shaded) {
            const int amount = (r - firstRow + 1) / 2;
            for (int i = 0; i < g->width; ++i)
                row[i] = src[i] ? Shade(src[i], amount) : 0;
            src = row;
        }
        uint16_t* dst = target.At(x, static_cast<int>(top + r));
        if (hue == 0)
            CopySpanKeyed(dst, src, g->width);
        else if (partialHue)
            HueGreySpan(dst, src, g->width, hue - 1);
        else
            HueSpanKeyed(dst, src, g->width);
    }
    if (hue != 0 && !partialHue) SetCurrentHueIndex(savedHue);
    return g->width;
}

namespace FontManager {

void startup() {
    QVReport::message("FontManager::startup: starting...\n");
    UnloadFonts();
    LoadFonts();
    QVReport::message("FontManager::startup: started.\n");
}

void shutdown() {
    QVReport::message("FontManager::shutdown: stopping...\n");
    UnloadFonts();
    QVReport::message("FontManager::shutdown: stopped.\n");
}

int LoadFonts() {
    const char* name = "fonts.mul";
    std::FILE* file = FileManager::open(name, "rb");
    if (!file) QVReport::fatal("FontManager::LoadFonts: cannot open '%s'.\n", name);
    std::vector<uint8_t> bytes;
    uint8_t block[65536];
    size_t n = 0;
    while ((n = FileManager::read(block, 1, sizeof block, file)) > 0)
        bytes.insert(bytes.end(), block, block + n);
    FileManager::close(file);
    LoadFontsFromBytes(bytes.data(), bytes.size());
    return 1;
}

int LoadFontsFromBytes(const uint8_t* data, size_t size) {
    UnloadFonts();
    if (!data) size = 0;
    size_t at = 0;
    int loaded = 0;
    for (int slot = 0; slot < kFontSlots && at < size; ++slot) {
        if (data[at++] == 0) continue;
        auto font = std::make_unique<CFont>();
        font->partialHue = PartialHueOfSlot(slot);
        bool complete = true;
        for (int i = 0; i < kFontGlyphs; ++i) {
            if (size - at < 3) {
                complete = false;
            } else {
                const int width = data[at], height = data[at + 1];
                const size_t bytes = static_cast<size_t>(width) * height * 2;
                if (size - at - 3 < bytes) {
                    complete = false;
                } else {
                    FontGlyphBitmap& g = font->glyph[i];
                    g.width = width;
                    g.height = height;
                    g.pixels.resize(static_cast<size_t>(width) * height);
                    for (size_t p = 0; p < g.pixels.size(); ++p)
                        g.pixels[p] = static_cast<uint16_t>(data[at + 3 + 2 * p] | data[at + 4 + 2 * p] << 8);
                    font->descent[i] = data[at + 2];
                    at += 3 + bytes;
                }
            }
            if (!complete) {
                QVReport::warning("FontManager::LoadFonts: font %d ends inside glyph %d.\n", slot, i);
                break;
            }
        }
        g_fonts.fonts[slot] = std::move(font);
        ++loaded;
        if (!complete) break; // the file has ended
    }
    return loaded;
}

void ReplaceFont(int slot, std::unique_ptr<CFont> font) {
    if (slot < 0 || slot >= kFontSlots) return;
    g_fonts.fonts[slot] = std::move(font);
}

void ApplyVersionFont(int slot, std::vector<VerData::FontGlyph> glyphs) {
    if (slot < 0 || slot >= kFontSlots || glyphs.size() != kFontGlyphs) {
        QVReport::warning("FontManager::ApplyVersionFont: font %d of %zu glyphs dropped.\n", slot,
                          glyphs.size());
        return;
    }
    auto font = std::make_unique<CFont>();
    font->partialHue = PartialHueOfSlot(slot);
    for (int i = 0; i < kFontGlyphs; ++i) {
        VerData::FontGlyph& in = glyphs[static_cast<size_t>(i)];
        if (in.pixels.size() != static_cast<size_t>(in.width) * in.height) continue; // stays absent
        font->glyph[i].width = in.width;
        font->glyph[i].height = in.height;
        font->glyph[i].pixels = std::move(in.pixels);
        font->descent[i] = in.header;
    }
    ReplaceFont(slot, std::move(font));
    QVReport::message("FontManager::ApplyVersionFont: font %d replaced.\n", slot);
}

const CFont* GetFont(int font) {
    return Font(font);
}

bool IsFontLoaded(int font) {
    return Font(font) != nullptr;
}

bool HasGlyph(int font, int code) {
    const CFont* f = Font(font);
    return f && f->Glyph(code);
}

int GetCharWidth(int font, int code) {
    const CFont* f = Font(font);
    return f ? f->Width(code) : 0;
}

int GetPrefixWidth(int font, int n, const char* text) {
    const CFont* f = Font(font);
    if (!f || !text || n <= 0) return 0;
    return TextLayout::PrefixWidth(BitmapMetrics(*f), Widen(std::string_view(text, strnlen(text, n))), n);
}

int CalcInfo(int font, const char* text, int* width, int* height, int* baseline) {
    const CFont* f = Font(font);
    if (!f) return 0;
    const LineBox box = BitmapMetrics(*f).Measure(Widen(text ? text : ""));
    if (width) *width = box.width;
    if (height) *height = box.height;
    if (baseline) *baseline = box.baseline;
    return 1;
}

int FindLineBreak(int font, const char* text, int width) {
    const CFont* f = Font(font);
    if (!f || !text) return -1;
    const int end = TextLayout::LineEnd(BitmapMetrics(*f), Widen(text), width);
    return end == TextLayout::kOneLine ? -1 : end;
}

int CalcInfoWrap(int font, const char* text, int width, int* widest, int* height, int* baseline, int indent) {
    const CFont* f = Font(font);
    if (!f || !text) return 0;
    const std::u16string cut = CutText(text, "FontManager::CalcInfoWrap - OVERFLOW: msg is %d bytes\n");
    const LineBox box = TextLayout::MeasureWrapped(BitmapMetrics(*f), cut, width, indent);
    if (widest) *widest = box.width;
    if (height) *height = box.height;
    if (baseline) *baseline = box.baseline;
    return 1;
}

void GetStringWrapEndXY(int font, int n, const char* text, int width, int* x, int* y) {
    if (x) *x = 0;
    if (y) *y = 0;
    const CFont* f = Font(font);
    if (!f || !text) return;
    QVReport::message("FontManager::GetStringWrapEndXY - msg is %d bytes\n",
                      static_cast<int>(std::strlen(text) + 1));
    const std::u16string cut = CutText(text, "FontManager::GetStringWrapEndXY - OVERFLOW: msg is %d bytes\n");
    const TextLayout::Caret caret = TextLayout::CaretOf(BitmapMetrics(*f), cut, width, n);
    if (x) *x = caret.x;
    if (y) *y = caret.y;
}

int GetCharsInWidth(int font, const char* text, int width) {
    const CFont* f = Font(font);
    if (!f || !text) return 0;
    return TextLayout::UnitsInWidth(BitmapMetrics(*f), Widen(text), width);
}

int GetCharsInBox(int font, const char* text, int wrapWidth, int maxX, int maxY) {
    const CFont* f = Font(font);
    if (!f || !text) return 0;
    const size_t length = std::strlen(text);
    const std::u16string cut = Widen(std::string_view(text, std::min<size_t>(length, kMaxLineBytes)));
    return TextLayout::UnitsInBox(
        BitmapMetrics(*f), cut, static_cast<int>(std::min<size_t>(length, INT32_MAX)), wrapWidth, maxX, maxY);
}

int DrawString(int x, int y, int font, int hue, const char* text, const BlitTarget& target,
               const Rect& clip) {
    const CFont* f = DrawingFont(font);
    if (!f) return 0;
    int64_t cx = x;
    for (const char* p = text ? text : ""; *p && cx <= INT32_MAX; ++p) {
        int w = f->DrawChar(static_cast<int>(cx), y, hue, static_cast<unsigned char>(*p), target, clip);
        if (w == 0) break;
        cx += w;
    }
    return 1;
}

int DrawstringBuf(int x, int y, int font, int hue, const char* text, int width, const BlitTarget& target,
                  const Rect& clip, int indent, int lineHeight, bool centre) {
    if (!text) return 0;
    const CFont* f = DrawingFont(font);
    if (!f) return 0;
    const std::u16string cut = CutText(text, "FontManager::DrawstringBuf - OVERFLOW: msg is %d bytes\n");
    auto drawLine = [&](const TextLayout::Line& line, const LineBox& box, int64_t lx, int64_t top) {
        const int64_t ly = top + box.baseline;
        if (ly < INT32_MIN || ly > INT32_MAX) return;
        for (char16_t c : line.units) {
            if (lx < INT32_MIN || lx > INT32_MAX) break;
            int w = f->DrawChar(static_cast<int>(lx), static_cast<int>(ly), hue, c, target, clip);
            if (w == 0) break;
            lx += w;
        }
    };
    const int64_t used =
        TextLayout::PlaceWrapped(BitmapMetrics(*f), cut, width, indent, x, y, centre, lineHeight, drawLine);
    return static_cast<int>(std::clamp<int64_t>(used, INT32_MIN, INT32_MAX));
}

int DrawStringBufEllips(int x, int y, int font, int hue, const char* text, const BlitTarget& target,
                        const Rect& clip) {
    const CFont* f = DrawingFont(font);
    if (!f) return 0;
    DrawEllipsis(*f, x, y, hue,
                 CutText(text ? text : "", "FontManager::DrawStringBufEllips - OVERFLOW: msg is %d bytes\n"),
                 target, clip);
    return 1;
}

int DrawWideStringEllips(int x, int y, int font, int hue, const char16_t* text, const BlitTarget& target,
                         const Rect& clip) {
    const CFont* f = DrawingFont(font);
    if (!f) return 0;
    std::u16string units;
    for (const char16_t* p = text; p && *p && units.size() < 256; ++p)
        units.push_back(*p);
    DrawEllipsis(*f, x, y, hue, units, target, clip);
    return 1;
}

void UnloadFonts() {
    for (auto& font : g_fonts.fonts)
        font.reset();
}

void ResetForTests() {
    g_fonts = FontState{};
}

} // namespace FontManager

// ---------------------------------------------------------------- bitmap drawing

namespace {

bool Inside(const PixelBlockView& b, int64_t x, int64_t y) {
    return b.pixels && x >= 0 && y >= 0 && x < b.width && y < b.height;
}

// Visits the points of the line that lie inside a width x height area: both end points of a
// horizontal or vertical line, else one point per step of the longer axis with the other
// coordinate in 16.16 fixed point. Steps outside the area are skipped, not walked.
template <class F> void WalkLine(int x0, int y0, int x1, int y1, int width, int height, F&& plot) {
    if (width <= 0 || height <= 0) return;
    auto visit = [&](int64_t x, int64_t y) {
        if (x >= 0 && y >= 0 && x < width && y < height) plot(static_cast<int>(x), static_cast<int>(y));
    };
    const int64_t dx = int64_t{x1} - x0, dy = int64_t{y1} - y0;
    const bool xMajor = (dx < 0 ? -dx : dx) >= (dy < 0 ? -dy : dy);
    const int64_t major0 = xMajor ? x0 : y0, minor0 = xMajor ? y0 : x0;
    const int64_t majorDelta = xMajor ? dx : dy, minorDelta = xMajor ? dy : dx;
    const int64_t majorSize = xMajor ? width : height;
    const int64_t steps = majorDelta < 0 ? -majorDelta : majorDelta;
    const int64_t direction = majorDelta < 0 ? -1 : 1;
    // Steps k with 0 <= major0 + direction * k < majorSize.
    int64_t first = direction > 0 ? -major0 : major0 - (majorSize - 1);
    int64_t last = direction > 0 ? majorSize - 1 - major0 : major0;
    first = std::max<int64_t>(first, 0);
    last = std::min(last, steps);
    const int64_t slope = steps == 0 ? 0 : (minorDelta * 65536) / steps;
    for (int64_t k = first; k <= last; ++k) {
        int64_t major = major0 + direction * k;
        int64_t minor = (minorDelta == 0) ? minor0 : ((minor0 * 65536 + slope * k) >> 16);
        if (xMajor)
            visit(major, minor);
        else
            visit(minor, major);
    }
}

} // namespace

int FillBitmapRect(int left, int top, int right, int bottom, uint16_t colour, const PixelBlockView& bitmap) {
    if (!bitmap.pixels || bottom < top) return 1;
    const int64_t x0 = left & ~1, y0 = top & ~1;
    const int64_t pairs = (int64_t{right} - left + 1) / 2;
    const int64_t rows = int64_t{bottom} - top + 1;
    const int64_t xs = std::max<int64_t>(x0, 0), xe = std::min<int64_t>(x0 + 2 * pairs, bitmap.width);
    const int64_t ys = std::max<int64_t>(y0, 0), ye = std::min<int64_t>(y0 + rows, bitmap.height);
    for (int64_t y = ys; y < ye; ++y)
        for (int64_t x = xs; x < xe; ++x)
            bitmap.pixels[y * bitmap.width + x] = colour;
    return 1;
}

int DrawBitmapLine(int x0, int y0, int x1, int y1, uint16_t colour, const PixelBlockView& bitmap) {
    if (!bitmap.pixels) return 1;
    WalkLine(x0, y0, x1, y1, bitmap.width, bitmap.height,
             [&](int x, int y) { bitmap.pixels[static_cast<size_t>(y) * bitmap.width + x] = colour; });
    return 1;
}

int DrawBitmapLineBlended(int x0, int y0, int x1, int y1, const PixelBlockView& bitmap) {
    if (!bitmap.pixels) return 1;
    WalkLine(x0, y0, x1, y1, bitmap.width, bitmap.height, [&](int x, int y) {
        uint16_t& p = bitmap.pixels[static_cast<size_t>(y) * bitmap.width + x];
        p = static_cast<uint16_t>(((p >> 1) & (SpanChannels::kHalfMask >> 1)) + 0x3DEF);
    });
    return 1;
}

int CopyBitmapLine(int x0, int y0, int x1, int y1, const PixelBlockView& dst, const PixelBlockView& src) {
    if (!dst.pixels || !src.pixels) return 1;
    WalkLine(x0, y0, x1, y1, dst.width, dst.height, [&](int x, int y) {
        if (Inside(src, x, y))
            dst.pixels[static_cast<size_t>(y) * dst.width + x] =
                src.pixels[static_cast<size_t>(y) * src.width + x];
    });
    return 1;
}
