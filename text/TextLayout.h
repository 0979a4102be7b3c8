#pragma once
// The layout both kinds of font share: where a line breaks, how a text wraps into lines, the size
// of the wrapped text, where the caret before a unit stands, how many units fit a width or a box,
// where wrapped lines are placed and where a line is cut to end in three dots. A font brings only
// its glyph metrics. Units are 16-bit; the bitmap fonts' bytes are widened.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The drawn size of one line: its width, its height and the row of its baseline from the top.
struct LineBox {
    int width = 0;
    int height = 0;
    int baseline = 0;
};

class GlyphMetrics {
  public:
    virtual ~GlyphMetrics() = default;
    // What the unit adds to a line when lines are broken, measured for fitting and carets placed.
    virtual int Advance(char16_t unit) const = 0;
    // What the unit adds to a line that is cut to end in three dots.
    virtual int CutAdvance(char16_t unit) const { return Advance(unit); }
    // A line may also break between these two units (not only before a space).
    virtual bool BreakAllowed(char16_t, char16_t) const { return false; }
    // The unit ends its line and is dropped (a line feed).
    virtual bool EndsLine(char16_t) const { return false; }
    // The drawn size of a whole line.
    virtual LineBox Measure(std::u16string_view line) const = 0;
};

namespace TextLayout {

// LineEnd's answer when the whole text is one line.
constexpr int kOneLine = -2;

// The index of the first line's last unit (-1: a line end comes first), or kOneLine when the text
// fits or not even its first unit does. Breaks go before spaces and between units the metrics
// allow, at index minBreak or later; with none the line ends before the unit that overflows.
int LineEnd(const GlyphMetrics& metrics, std::u16string_view text, int width, int minBreak = 2);

struct Line {
    std::u16string units; // with the indent in front
    int first = 0;        // index in the text of the unit after the indent
    bool last = false;
};
// The lines of the wrapped text. With an indent every line after the first starts with that many
// spaces; a break inside them keeps the rest on one line. The space or line end at a break is
// dropped. Every line but a line end's takes at least one unit, so the walk always ends.
std::vector<Line> Wrap(const GlyphMetrics& metrics, std::u16string_view text, int width, int indent = 0);

// The widest line, the summed heights and the first baseline that is not 0.
LineBox MeasureWrapped(const GlyphMetrics& metrics, std::u16string_view text, int width, int indent = 0);

struct Caret {
    int x = 0;
    int y = 0;
};
// The caret before unit n of the wrapped text; (0, 0) when n lies in no line (before the text, or
// on a dropped space). Past the end it stands at the end.
Caret CaretOf(const GlyphMetrics& metrics, std::u16string_view text, int width, int n);

// The width of the first n units.
int PrefixWidth(const GlyphMetrics& metrics, std::u16string_view text, int n);
// How many units from the start add up to less than width.
int UnitsInWidth(const GlyphMetrics& metrics, std::u16string_view text, int width);
// The largest k <= count whose caret in the text wrapped at wrapWidth lies within (maxX, maxY),
// or 0.
int UnitsInBox(const GlyphMetrics& metrics, std::u16string_view text, int count, int wrapWidth, int maxX,
               int maxY);

// Places the wrapped lines from (x, y) and calls draw(line, box, left, top) for each: a centred
// line starts half its free width in; each line starts lineHeight below the last, or its own
// height below with 0. Returns the height used.
template <class Draw>
int64_t PlaceWrapped(const GlyphMetrics& metrics, std::u16string_view text, int width, int indent, int64_t x,
                     int64_t y, bool centre, int lineHeight, Draw&& draw) {
    int64_t used = 0;
    for (const Line& line : Wrap(metrics, text, width, indent)) {
        const LineBox box = metrics.Measure(line.units);
        const int64_t left = centre ? x + (int64_t{width} - box.width) / 2 : x;
        draw(line, box, left, y + used);
        used += lineHeight != 0 ? lineHeight : box.height;
    }
    return used;
}

// A line drawn from x that must end by right: false, drawing nothing, when it fits. Otherwise
// draw(unit, x) is called for the units that fit before three dots and then for the dots, each
// advancing by its cut advance.
template <class DrawUnit>
bool DrawCutToDots(const GlyphMetrics& metrics, std::u16string_view units, int64_t x, int64_t right,
                   DrawUnit&& draw) {
    int64_t whole = x;
    for (char16_t u : units)
        whole += metrics.Advance(u);
    if (whole <= right) return false;
    const int dot = metrics.CutAdvance(u'.');
    const int64_t dots = 3 * int64_t{dot};
    for (char16_t u : units) {
        const int w = metrics.CutAdvance(u);
        if (x + w + dots > right) {
            for (int i = 0; i < 3; ++i, x += dot)
                draw(u'.', x);
            break;
        }
        draw(u, x);
        x += w;
    }
    return true;
}

} // namespace TextLayout
