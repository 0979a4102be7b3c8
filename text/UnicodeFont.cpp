#include "text/UnicodeFont.h"

#include "core/CMMF.h"
#include "core/FileManager.h"
#include "core/QVReport.h"
#include "core/SharedServices.h"
#include "render/HueManager.h"
#include "text/TextLayout.h"
#include "text/WideText.h"

#include <algorithm>
#include <memory>
#include <string>

int unicodeColorEscapes = 0;

namespace {

struct FontFile {
    std::unique_ptr<CMMF> mapping;
    std::vector<uint8_t> owned;
    const uint8_t* data = nullptr; // null: no usable font
    size_t size = 0;
    bool badGlyphReported = false;
};

struct UnicodeState {
    FontFile fonts[kUnicodeFontCount];
    bool loaded = false;
    int font = 0;
    uint32_t style = 0;
    int savedFont = 0;
    uint32_t savedStyle = 0;
    int spaceWidth = 8;
    uint8_t antiAlias = 0;
};
UnicodeState g;

bool Ready() {
    if (!g.loaded) LoadUnicodeFont();
    return g.loaded;
}

// A font is usable when its file holds the whole offset table.
void Attach(int index, const uint8_t* data, size_t size, const char* name) {
    FontFile& f = g.fonts[index];
    if (data && size < kUnicodeOffsetTableBytes) {
        QVReport::error("LoadUnicodeFont(): file '%s' is too short for its offset table.\n", name);
        data = nullptr;
    }
    f.data = data;
    f.size = data ? size : 0;
    f.badGlyphReported = false;
}

int UsableFont(int font) {
    return font >= 0 && font < kUnicodeFontCount && g.fonts[font].data ? font : 0;
}

struct Glyph {
    const uint8_t* rows = nullptr;
    int xOffset = 0;
    int yOffset = 0;
    int width = 0;
    int height = 0;
};

// The glyph of a unit in the current font, checked against the font's file.
bool FindGlyph(char16_t unit, Glyph& out) {
    if (!Ready()) return false;
    FontFile& f = g.fonts[UsableFont(g.font)];
    if (!f.data) return false;
    const uint8_t* entry = f.data + static_cast<size_t>(unit) * 4;
    const int32_t offset =
        static_cast<int32_t>(static_cast<uint32_t>(entry[0]) | static_cast<uint32_t>(entry[1]) << 8 |
                             static_cast<uint32_t>(entry[2]) << 16 | static_cast<uint32_t>(entry[3]) << 24);
    if (offset == 0) return false;
    bool good = offset > 0 && static_cast<size_t>(offset) <= f.size - 4;
    if (good) {
        const uint8_t* p = f.data + offset;
        out.xOffset = static_cast<int8_t>(p[0]);
        out.yOffset = static_cast<int8_t>(p[1]);
        out.width = static_cast<int8_t>(p[2]);
        out.height = static_cast<int8_t>(p[3]);
        const size_t bytes =
            static_cast<size_t>(std::max(out.height, 0)) * ((std::max(out.width, 0) + 7) / 8);
        good = out.width >= 0 && out.height >= 0 && bytes <= f.size - static_cast<size_t>(offset) - 4;
        out.rows = p + 4;
    }
    if (!good && !f.badGlyphReported) {
        QVReport::warning("UnicodeGetGlyph: the glyph of unit 0x%04X in font %d lies outside its file.\n",
                          static_cast<unsigned>(unit), UsableFont(g.font));
        f.badGlyphReported = true;
    }
    return good;
}

bool Bold() {
    return UnicodeStyleIsBold();
}
bool Italic() {
    return UnicodeStyleIsItalic();
}
bool Underlined() {
    return UnicodeStyleIsUnderlined();
}

// Extra columns of every unit that is not a space.
int Extra() {
    return (Bold() ? 1 : 0) + (Italic() ? 1 : 0) + (g.antiAlias ? 0 : 1);
}

// A line's width as CalcInfo, centring and the widest line count it: units without a glyph add 0.
int LineWidth(const char16_t* text, size_t count) {
    int width = 0;
    Glyph gl;
    for (size_t i = 0; i < count && text[i]; ++i) {
        if (text[i] == u' ')
            width += g.spaceWidth;
        else if (FindGlyph(text[i], gl))
            width += gl.xOffset + gl.width + Extra();
    }
    return width;
}

// The metrics of the current font and style. Lines are 18 pixels high, their width counts only
// units with a glyph; breaks also go where the line-break rules allow and at line ends. A line cut
// to dots is drawn as without anti-aliasing, each unit one column wider.
class UnicodeMetrics final : public GlyphMetrics {
  public:
    int Advance(char16_t unit) const override { return UnicodeGetCharWidth(unit); }
    int CutAdvance(char16_t unit) const override {
        if (unit == u' ') return g.spaceWidth + 1;
        Glyph gl;
        const int glyph = FindGlyph(unit, gl) ? gl.xOffset + gl.width : 0;
        return glyph + 1 + (Bold() ? 1 : 0) + (Italic() ? 1 : 0);
    }
    bool BreakAllowed(char16_t prev, char16_t unit) const override {
        return UnicodeLineBreakAllowed(prev, unit);
    }
    bool EndsLine(char16_t unit) const override { return unit == 10 || unit == 13; }
    LineBox Measure(std::u16string_view line) const override {
        return LineBox{LineWidth(line.data(), line.size()), kUnicodeLineHeight, 0};
    }
};

// The text up to its terminator, or its first max units.
std::u16string_view Bounded(const char16_t* text, int max) {
    size_t n = 0;
    while (static_cast<int64_t>(n) < max && text[n])
        ++n;
    return std::u16string_view(text, n);
}

struct Painter {
    const BlitTarget& target;
    Rect clip; // already cut to the target

    void Plot(int64_t x, int64_t y, uint16_t colour) const {
        if (x >= clip.left && x < clip.right && y >= clip.top && y < clip.bottom)
            *target.At(static_cast<int>(x), static_cast<int>(y)) = colour;
    }
    void Underline(int64_t x, int64_t width, int y, uint16_t colour) const {
        for (int64_t i = std::max<int64_t>(x, clip.left); i < std::min<int64_t>(x + width, clip.right); ++i)
            Plot(i, int64_t{y} + 14, colour);
    }
    void DrawGlyph(int64_t x, int y, const Glyph& gl, uint16_t colour, bool bold, bool italic,
                   bool antiAlias) const {
        const uint16_t half = static_cast<uint16_t>((colour >> 1) & 0x3DEF);
        const int rowBytes = (gl.width + 7) / 8;
        for (int row = 0; row < gl.height; ++row) {
            const uint8_t* bits = gl.rows + static_cast<size_t>(row) * rowBytes;
            const int64_t shift = italic ? (gl.height - row - 1) / 2 : 0;
            const int64_t py = int64_t{y} + gl.yOffset + row;
            if (py < clip.top || py >= clip.bottom) continue;
            bool first = true;
            for (int col = 0; col < gl.width; ++col) {
                if (!(bits[col >> 3] & (0x80 >> (col & 7)))) continue;
                const uint16_t c = antiAlias && first ? half : colour;
                const int64_t px = x + gl.xOffset + col + shift;
                Plot(px, py, c);
                if (bold) Plot(px + 1, py, c);
                first = false;
            }
        }
    }
};

// The colour an escape letter selects, or -1.
int EscapeColour(char16_t unit) {
    switch (unit & 0xFF) {
    case 'F':
        return 0x319B;
    case 'L':
        return 0x7FE0;
    case 'M':
        return 0x7C00;
    case 'R':
        return 0x4A52;
    default:
        return -1;
    }
}

struct DrawOptions {
    bool escapes = false;
    bool selection = false;
    uint16_t selectionColour = 0;
    int selectionStart = 0;
    int selectionEnd = -1;
};

void DrawLine(const BlitTarget& target, const char16_t* text, int x, int y, uint16_t colour, const Rect& clip,
              const DrawOptions& options) {
    Painter painter{target, WritableArea(target, clip)};
    const bool bold = Bold(), italic = Italic(), underline = Underlined(), antiAlias = g.antiAlias != 0;
    const uint16_t escapeStop = HueManager::GetEntry(53).colours[30];
    uint16_t current = colour;
    int64_t cx = x;
    Glyph gl;
    for (int i = 0; text[i];) {
        const char16_t u = text[i];
        uint16_t c = current;
        if (options.selection && i >= options.selectionStart && i <= options.selectionEnd)
            c = options.selectionColour;
        if (u == u' ') {
            if (underline) painter.Underline(cx, g.spaceWidth, y, c);
            cx += g.spaceWidth;
            ++i;
            continue;
        }
        if (options.escapes && u == u'^') {
            const char16_t next = text[i + 1];
            if (current != escapeStop) {
                if ((next & 0xFF) == 'n' && next) {
                    current = colour;
                    i += 2;
                    continue;
                }
                if (int chosen = EscapeColour(next); chosen >= 0 && next)
                    current = static_cast<uint16_t>(chosen);
            }
            if (current != colour) {
                if (!next) break; // a '^' at the very end: the pair would swallow the terminator
                i += 2;
                continue;
            }
        }
        if (!FindGlyph(u, gl)) {
            ++i;
            continue;
        }
        painter.DrawGlyph(cx, y, gl, c, bold, italic, antiAlias);
        const int advance = gl.xOffset + gl.width + Extra();
        if (underline) painter.Underline(cx, advance, y, c);
        cx += advance;
        ++i;
    }
}

} // namespace

void LoadUnicodeFont() {
    for (int i = 0; i < kUnicodeFontCount; ++i) {
        std::string name = i == 0 ? "unifont.mul" : "unifont" + std::to_string(i) + ".mul";
        std::FILE* file = FileManager::open(name.c_str(), "rb");
        if (!file) QVReport::fatal("LoadUnicodeFont(): cannot open file '%s'.\n", name.c_str());
        std::string path = FileManager::actualNameOf(file);
        FileManager::close(file);
        FontFile& f = g.fonts[i];
        f.owned.clear();
        f.mapping =
            std::make_unique<CMMF>(path.empty() ? FileManager::get_HDpath(name).c_str() : path.c_str());
        const uint8_t* view = f.mapping->Open(true);
        Attach(i, view, view ? static_cast<size_t>(f.mapping->GetSize()) : 0, name.c_str());
    }
    g.loaded = true;
}

bool UnicodeFontsLoaded() {
    return g.loaded;
}

void UnicodeUseFontBytes(int font, std::vector<uint8_t> bytes) {
    if (font < 0 || font >= kUnicodeFontCount) return;
    FontFile& f = g.fonts[font];
    f.mapping.reset();
    f.owned = std::move(bytes);
    Attach(font, f.owned.empty() ? nullptr : f.owned.data(), f.owned.size(), "(memory)");
    g.loaded = true;
}

void UnicodeUseFontView(int font, const uint8_t* data, size_t size) {
    if (font < 0 || font >= kUnicodeFontCount) return;
    FontFile& f = g.fonts[font];
    f.mapping.reset();
    f.owned.clear();
    Attach(font, data, data ? size : 0, "(memory)");
    g.loaded = true;
}

void ResetUnicodeFontsForTests() {
    g = UnicodeState{};
    unicodeColorEscapes = 0;
}

int UnicodeGetFont() {
    return g.font;
}

void UnicodeSetFont(int font) {
    Ready();
    g.font = UsableFont(font);
}

void UnicodeSetStyle(uint32_t flags) {
    Ready();
    g.savedFont = g.font;
    g.savedStyle = g.style;
    g.style = flags;
    int font = 1;
    if (flags & TextStyle::Small)
        font = 2;
    else if (flags & 0x704)
        font = 0;
    g.font = UsableFont(font);
}

void UnicodeRestoreStyle() {
    Ready();
    g.font = UsableFont(g.savedFont);
    g.style = g.savedStyle;
}

uint32_t UnicodeGetStyle() {
    return g.style;
}
bool UnicodeStyleIsRightAligned() {
    return g.style & TextStyle::RightAligned;
}
bool UnicodeStyleIsCentered() {
    return g.style & TextStyle::Centred;
}
bool UnicodeStyleIsItalic() {
    return g.style & TextStyle::ItalicBits;
}
bool UnicodeStyleIsBold() {
    return g.style & TextStyle::BoldBits;
}
bool UnicodeStyleIsUnderlined() {
    return g.style & TextStyle::UnderlineBits;
}

int UnicodeGetSpaceWidth() {
    return g.spaceWidth;
}

void UnicodeSetSpaceWidth(int pixels) {
    if (pixels < 1 || pixels > 20)
        ShowErrorMessage("Unreasonable width of space character.", "UnicodeSetSpaceWidth()", nullptr);
    g.spaceWidth = pixels;
}

uint8_t UnicodeGetAntiAlias() {
    return g.antiAlias;
}

void UnicodeSetAntiAlias(uint8_t on) {
    g.antiAlias = on;
}

const uint8_t* UnicodeGetGlyph(char16_t unit, int* xOffset, int* yOffset, int* width, int* height) {
    Glyph gl;
    const bool space = unit == u' ';
    const bool found = !space && FindGlyph(unit, gl);
    if (!found) gl = Glyph{};
    if (xOffset) *xOffset = gl.xOffset;
    if (yOffset) *yOffset = gl.yOffset;
    if (width) *width = space ? g.spaceWidth : gl.width;
    if (height) *height = gl.height;
    return found ? gl.rows : nullptr;
}

bool UnicodeHasGlyph(char16_t unit) {
    Glyph gl;
    return unit == u' ' || FindGlyph(unit, gl);
}

int UnicodeGetCharWidth(char16_t unit) {
    if (unit == u' ') return g.spaceWidth;
    Glyph gl;
    if (!FindGlyph(unit, gl)) return Extra();
    return gl.xOffset + gl.width + Extra();
}

int UnicodeGetStringWidth(const char16_t* text) {
    int width = 0;
    for (const char16_t* p = text; p && *p; ++p)
        width += UnicodeGetCharWidth(*p);
    return width;
}

int UnicodeGetWordWidth(const char16_t* text) {
    int width = 0;
    for (int i = 0; text && text[i] && text[i] != u' '; ++i) {
        width += UnicodeGetCharWidth(text[i]);
        if (text[i + 1] && UnicodeLineBreakAllowed(text[i], text[i + 1])) break;
    }
    return width;
}

void UnicodeCalcInfo(const char16_t* text, int* width, int* height, int* third) {
    if (height) *height = kUnicodeLineHeight;
    if (third) *third = 0;
    if (!text) {
        QVReport::error("UnicodeCalcInfo: text == 0. code may have crashed. setting width to 0.\n");
        if (width) *width = 0;
        return;
    }
    if (width) *width = LineWidth(text, static_cast<size_t>(WideLength(text)));
}

int UnicodeGetPrefixWidth(int n, const char16_t* text) {
    if (!text) return 0;
    return TextLayout::PrefixWidth(UnicodeMetrics(), Bounded(text, n), n);
}

int UnicodeGetCharsInWidth(const char16_t* text, int width) {
    if (!text) return 0;
    return TextLayout::UnitsInWidth(UnicodeMetrics(), text, width);
}

int UnicodeFindLineBreak(const char16_t* text, int maxWidth) {
    if (!text) return TextLayout::kOneLine;
    return TextLayout::LineEnd(UnicodeMetrics(), text, maxWidth);
}

void UnicodeCalcInfoWrap(const char16_t* text, int width, int* widest, int* height, int* third) {
    if (!text) return;
    const LineBox box = TextLayout::MeasureWrapped(UnicodeMetrics(), text, width);
    if (widest) *widest = box.width;
    if (height) *height = box.height;
    if (third) *third = 0;
}

void UnicodeGetStringWrapEndXY(int n, const char16_t* text, int width, int* x, int* y) {
    if (x) *x = 0;
    if (y) *y = 0;
    if (!text) return;
    const TextLayout::Caret caret = TextLayout::CaretOf(UnicodeMetrics(), text, width, n);
    if (x) *x = caret.x;
    if (y) *y = caret.y;
}

int UnicodeGetCharsInBox(const char16_t* text, int wrapWidth, int maxX, int maxY) {
    if (!text) return 0;
    const std::u16string_view units(text);
    return TextLayout::UnitsInBox(UnicodeMetrics(), units, static_cast<int>(units.size()), wrapWidth, maxX,
                                  maxY);
}

int UnicodeDrawString(const BlitTarget& target, const char16_t* text, int x, int y, uint16_t colour,
                      const Rect& clip) {
    if (!Ready()) return 0;
    if (!text) return 1;
    DrawOptions options;
    options.escapes = unicodeColorEscapes != 0;
    DrawLine(target, text, x, y, colour, clip, options);
    return 1;
}

int UnicodeDrawStringSelected(const BlitTarget& target, const char16_t* text, int x, int y, uint16_t colour,
                              const Rect& clip, uint16_t selectionColour, int selectionStart,
                              int selectionEnd) {
    if (!Ready()) return 0;
    if (!text) return 1;
    DrawOptions options;
    options.selection = true;
    options.selectionColour = selectionColour;
    options.selectionStart = selectionStart;
    options.selectionEnd = selectionEnd;
    DrawLine(target, text, x, y, colour, clip, options);
    return 1;
}

int UnicodeDrawStringEllips(const BlitTarget& target, const char16_t* text, int x, int y, uint16_t colour,
                            const Rect& clip) {
    if (!Ready()) return 0;
    if (!text) return 1;
    const Painter painter{target, WritableArea(target, clip)};
    const bool bold = Bold(), italic = Italic(), underline = Underlined();
    const UnicodeMetrics metrics;
    auto draw = [&](char16_t u, int64_t cx) {
        Glyph gl;
        if (u != u' ' && FindGlyph(u, gl)) painter.DrawGlyph(cx, y, gl, colour, bold, italic, false);
        if (underline) painter.Underline(cx, metrics.CutAdvance(u), y, colour);
    };
    if (!TextLayout::DrawCutToDots(metrics, text, x, painter.clip.right, draw))
        return UnicodeDrawString(target, text, x, y, colour, clip);
    return 1;
}

int UnicodeDrawStringWrap(const BlitTarget& target, int width, const char16_t* text, int x, int y,
                          uint16_t colour, const Rect& clip, bool centre) {
    if (!Ready()) return 0;
    if (!text) return 1;
    auto drawLine = [&](const TextLayout::Line& line, const LineBox&, int64_t lx, int64_t top) {
        if (lx >= INT32_MIN && lx <= INT32_MAX && top <= INT32_MAX)
            UnicodeDrawString(target, line.units.c_str(), static_cast<int>(lx), static_cast<int>(top), colour,
                              clip);
    };
    TextLayout::PlaceWrapped(UnicodeMetrics(), text, width, 0, x, y, centre, 0, drawLine);
    return 1;
}

int UnicodeDrawStringWrapSelected(const BlitTarget& target, int width, const char16_t* text, int x, int y,
                                  uint16_t colour, const Rect& clip, uint16_t selectionColour,
                                  int selectionStart, int selectionEnd) {
    if (!Ready()) return 0;
    if (!text) return 1;
    auto drawLine = [&](const TextLayout::Line& line, const LineBox&, int64_t, int64_t top) {
        if (top <= INT32_MAX)
            UnicodeDrawStringSelected(target, line.units.c_str(), x, static_cast<int>(top), colour, clip,
                                      selectionColour, selectionStart - line.first,
                                      selectionEnd - line.first);
    };
    TextLayout::PlaceWrapped(UnicodeMetrics(), text, width, 0, x, y, false, 0, drawLine);
    return 1;
}

int HtmlColorFromName(const char16_t* text) {
    struct Named {
        const char* name;
        int colour;
    };
    static const Named kNames[] = {
        {"BLACK", 0x0001},      {"RED", 0x7C00},       {"LIME", 0x03E0},        {"BLUE", 0x001F},
        {"YELLOW", 0x7FE0},     {"MAGENTA", 0x7C1F},   {"FUCHSIA", 0x7C1F},     {"CYAN", 0x03FF},
        {"AQUA", 0x03FF},       {"WHITE", 0x7BDE},     {"DARKRED", 0x3C00},     {"MAROON", 0x3C00},
        {"GREEN", 0x01E0},      {"DARKGREEN", 0x0168}, {"DARKBLUE", 0x000F},    {"NAVY", 0x000F},
        {"DARKYELLOW", 0x3DE0}, {"OLIVE", 0x3DE0},     {"DARKMAGENTA", 0x3C0F}, {"PURPLE", 0x3C0F},
        {"DARKCYAN", 0x01EF},   {"TEAL", 0x01EF},      {"GRAY", 0x3DEF},        {"GREY", 0x3DEF},
    };
    if (!text) return -1;
    for (const Named& n : kNames) {
        bool match = true;
        for (int i = 0; n.name[i] && match; ++i) {
            char16_t u = text[i];
            if (u >= u'a' && u <= u'z') u = static_cast<char16_t>(u - 32);
            match = u == static_cast<char16_t>(n.name[i]);
        }
        if (match) return n.colour;
    }
    return -1;
}

int HtmlParseColor(const char16_t* text) {
    if (!text) return -1;
    if (text[0] == u'#') {
        const uint32_t v = static_cast<uint32_t>(WideHexToInt(text + 1));
        return static_cast<int>(((v >> 19) & 31) << 10 | ((v >> 11) & 31) << 5 | ((v >> 3) & 31));
    }
    if (WideIsDigit(text[0])) return WideToInt(text);
    return -1;
}
