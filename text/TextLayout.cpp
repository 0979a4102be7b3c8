#include "text/TextLayout.h"

#include <algorithm>

namespace TextLayout {

namespace {

int Clamped(int64_t v) {
    return static_cast<int>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

Caret CaretIn(const GlyphMetrics& metrics, const std::vector<Line>& lines, int n) {
    int64_t y = 0;
    for (const Line& line : lines) {
        const int length = static_cast<int>(line.units.size());
        if (n >= line.first && (n < line.first + length || line.last))
            return Caret{PrefixWidth(metrics, line.units, std::min(n - line.first, length)), Clamped(y)};
        y += metrics.Measure(line.units).height;
    }
    return Caret{};
}

} // namespace

int LineEnd(const GlyphMetrics& metrics, std::u16string_view text, int width, int minBreak) {
    int remembered = -1;
    int64_t sum = 0;
    for (int j = 0; j < static_cast<int>(text.size()); ++j) {
        const char16_t u = text[static_cast<size_t>(j)];
        if (metrics.EndsLine(u)) return j - 1;
        if (j >= minBreak && j > 0 &&
            (u == u' ' || metrics.BreakAllowed(text[static_cast<size_t>(j) - 1], u)))
            remembered = j - 1;
        sum += metrics.Advance(u);
        if (sum > width) {
            if (remembered >= 0) return remembered;
            return j == 0 ? kOneLine : j - 1;
        }
    }
    return kOneLine;
}

std::vector<Line> Wrap(const GlyphMetrics& metrics, std::u16string_view text, int width, int indent) {
    std::vector<Line> lines;
    std::u16string rest(text);
    int prefix = 0; // indent spaces at the start of rest
    int origin = 0; // index in text of rest[prefix]
    for (;;) {
        const int end = LineEnd(metrics, rest, width, std::max(2, prefix));
        // Nothing of the text itself fits after the indent: the whole remainder is one line.
        if (end == kOneLine || (prefix > 0 && end < prefix) || end + 1 >= static_cast<int>(rest.size())) {
            lines.push_back(Line{std::move(rest), origin, true});
            return lines;
        }
        lines.push_back(Line{rest.substr(0, static_cast<size_t>(end) + 1), origin, false});
        size_t next = static_cast<size_t>(end) + 1;
        if (rest[next] == u' ' || metrics.EndsLine(rest[next])) ++next;
        origin += static_cast<int>(next) - prefix;
        rest.erase(0, next);
        if (indent > 0) {
            rest.insert(0, static_cast<size_t>(indent), u' ');
            prefix = indent;
        }
    }
}

LineBox MeasureWrapped(const GlyphMetrics& metrics, std::u16string_view text, int width, int indent) {
    LineBox all;
    int64_t height = 0;
    bool haveBaseline = false;
    for (const Line& line : Wrap(metrics, text, width, indent)) {
        const LineBox box = metrics.Measure(line.units);
        all.width = std::max(all.width, box.width);
        height += box.height;
        if (!haveBaseline && box.baseline != 0) {
            all.baseline = box.baseline;
            haveBaseline = true;
        }
    }
    all.height = Clamped(height);
    return all;
}

Caret CaretOf(const GlyphMetrics& metrics, std::u16string_view text, int width, int n) {
    return CaretIn(metrics, Wrap(metrics, text, width), n);
}

int PrefixWidth(const GlyphMetrics& metrics, std::u16string_view text, int n) {
    int64_t width = 0;
    for (int i = 0; i < n && i < static_cast<int>(text.size()); ++i)
        width += metrics.Advance(text[static_cast<size_t>(i)]);
    return Clamped(width);
}

int UnitsInWidth(const GlyphMetrics& metrics, std::u16string_view text, int width) {
    int k = 0;
    int64_t sum = 0;
    for (; k < static_cast<int>(text.size()); ++k) {
        const int w = metrics.Advance(text[static_cast<size_t>(k)]);
        if (sum + w >= width) break;
        sum += w;
    }
    return k;
}

int UnitsInBox(const GlyphMetrics& metrics, std::u16string_view text, int count, int wrapWidth, int maxX,
               int maxY) {
    const std::vector<Line> lines = Wrap(metrics, text, wrapWidth);
    for (int k = count; k > 0; --k) {
        const Caret caret = CaretIn(metrics, lines, k);
        if (caret.x <= maxX && caret.y <= maxY) return k;
    }
    return 0;
}

} // namespace TextLayout
