#include "gumps/HTMLDocument.h"

#include "gumps/ChatServices.h"
#include "text/UnicodeFont.h"
#include "text/WideText.h"

#include <algorithm>
#include <deque>

namespace {

constexpr char16_t kLineFeed = 10;

char16_t Upper(char16_t u) {
    return (u >= 'a' && u <= 'z') ? static_cast<char16_t>(u - 32) : u;
}

bool StartsNoCase(std::u16string_view text, std::u16string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (Upper(text[i]) != Upper(prefix[i])) return false;
    return true;
}

bool EqualNoCase(std::u16string_view a, std::u16string_view b) {
    return a.size() == b.size() && StartsNoCase(a, b);
}

// Tags in the order they are tried; each matches any tag name it begins.
enum class Tag {
    BaseFont,
    Strong,
    Center,
    Small,
    Big,
    Div,
    Bq,
    Br,
    Em,
    H1,
    H2,
    H3,
    H4,
    H5,
    H6,
    B,
    I,
    U,
    P,
    A,
    None
};
struct TagName {
    Tag tag;
    std::u16string_view name;
};
constexpr TagName kTags[] = {
    {Tag::BaseFont, u"BASEFONT"},
    {Tag::Strong, u"STRONG"},
    {Tag::Center, u"CENTER"},
    {Tag::Small, u"SMALL"},
    {Tag::Big, u"BIG"},
    {Tag::Div, u"DIV"},
    {Tag::Bq, u"BQ"},
    {Tag::Br, u"BR"},
    {Tag::Em, u"EM"},
    {Tag::H1, u"H1"},
    {Tag::H2, u"H2"},
    {Tag::H3, u"H3"},
    {Tag::H4, u"H4"},
    {Tag::H5, u"H5"},
    {Tag::H6, u"H6"},
    {Tag::B, u"B"},
    {Tag::I, u"I"},
    {Tag::U, u"U"},
    {Tag::P, u"P"},
    {Tag::A, u"A"},
};

const TagName* MatchTag(std::u16string_view body) {
    for (const TagName& t : kTags)
        if (StartsNoCase(body, t.name)) return &t;
    return nullptr;
}

bool EndsLine(Tag t) {
    return t == Tag::Center || t == Tag::Div || t == Tag::P || t == Tag::Bq;
}

// The index of the '>' closing the tag that starts at lt (quotes and backslashes respected), or the
// text's end.
size_t TagEnd(const std::u16string& text, size_t lt) {
    bool quoted = false;
    for (size_t p = lt + 1; p < text.size(); ++p) {
        if (text[p] == '\\') {
            ++p;
        } else if (text[p] == '"') {
            quoted = !quoted;
        } else if (text[p] == '>' && !quoted) {
            return p;
        }
    }
    return text.size();
}

struct Attribute {
    std::u16string name; // upper case
    std::u16string value;
    bool hasValue = false;
};

// The attributes after the tag name; a quoted value runs to the next quote, a '\' taking the next
// unit literally; values are cut to their first 255 units.
std::vector<Attribute> Attributes(std::u16string_view body) {
    std::vector<Attribute> out;
    size_t p = 0;
    while (p < body.size() && body[p] > ' ')
        ++p;
    while (p < body.size() && out.size() < 64) {
        while (p < body.size() && body[p] <= ' ')
            ++p;
        if (p >= body.size()) break;
        Attribute a;
        while (p < body.size() && body[p] > ' ' && body[p] != '=')
            a.name += Upper(body[p++]);
        while (p < body.size() && body[p] == ' ')
            ++p;
        if (p < body.size() && body[p] == '=') {
            a.hasValue = true;
            ++p;
            while (p < body.size() && body[p] == ' ')
                ++p;
            if (p < body.size() && body[p] == '"') {
                for (++p; p < body.size() && body[p] != '"'; ++p) {
                    if (body[p] == '\\' && p + 1 < body.size()) ++p;
                    if (a.value.size() < HTMLDocument::kMaxValue) a.value += body[p];
                }
                ++p;
            } else {
                while (p < body.size() && body[p] > ' ') {
                    if (a.value.size() < HTMLDocument::kMaxValue) a.value += body[p];
                    ++p;
                }
            }
        }
        if (a.name.empty() && !a.hasValue) {
            ++p; // a stray '"' or '='
            continue;
        }
        out.push_back(std::move(a));
    }
    return out;
}

const Attribute* Find(const std::vector<Attribute>& attrs, std::u16string_view name) {
    for (const Attribute& a : attrs)
        if (a.name == name) return &a;
    return nullptr;
}

// A colour value (a name or a number) in 0..0x7FFF, or -1.
int ColourValue(const std::u16string& v) {
    int c = HtmlColorFromName(v.c_str());
    if (c >= 0 && c <= 0x7FFF) return c;
    c = HtmlParseColor(v.c_str());
    return c >= 0 && c <= 0x7FFF ? c : -1;
}

// "INT" outside the quoted values of a tag.
bool HasIntFlag(std::u16string_view body) {
    bool quoted = false;
    for (size_t p = 0; p < body.size(); ++p) {
        if (body[p] == '\\') {
            ++p;
        } else if (body[p] == '"') {
            quoted = !quoted;
        } else if (!quoted && StartsNoCase(body.substr(p), u"INT")) {
            return true;
        }
    }
    return false;
}

int Number(const std::u16string& v, bool* ok) {
    int n = 0;
    *ok = !v.empty();
    for (char16_t u : v) {
        if (u < '0' || u > '9') {
            *ok = false;
            return 0;
        }
        n = std::min(n * 10 + (u - '0'), 1000000);
    }
    return n;
}

struct VisitedRing {
    std::deque<std::u16string> hrefs;
};
VisitedRing& Visited() {
    static VisitedRing ring;
    return ring;
}

// Remembers the renderer's style and font and puts them back.
struct StyleScope {
    uint32_t style = UnicodeGetStyle();
    int font = UnicodeGetFont();
    ~StyleScope() {
        UnicodeSetStyle(style);
        UnicodeSetFont(font);
    }
};

} // namespace

HTMLDocument::HTMLDocument(std::u16string_view text, uint32_t flags_, int colour)
    : textColour(colour), flags(flags_) {
    std::u16string copy(text);
    ParseHead(copy);
    ParseBody(copy, 0, 0, -1, -1, 0, {}, 0);
}

void HTMLDocument::Clear() {
    runs.clear();
    links.clear();
}

void HTMLDocument::ParseHead(std::u16string& text) {
    if (flags & (HtmlFlag::Plain | HtmlFlag::NoLinks)) return;
    size_t titleStart = std::u16string::npos, bodyEnd = 0, cut = std::u16string::npos;
    bool quoted = false, sawBody = false;
    for (size_t p = 0; p < text.size(); ++p) {
        const char16_t u = text[p];
        if (u == '\\') {
            ++p;
            continue;
        }
        if (u == '"') {
            quoted = !quoted;
            continue;
        }
        if (u != '<' || quoted) continue;
        const size_t gt = TagEnd(text, p);
        const std::u16string_view body(text.data() + p + 1, gt - p - 1);
        const size_t after = std::min(gt + 1, text.size());
        if (StartsNoCase(body, u"TITLE")) {
            titleStart = after;
        } else if (StartsNoCase(body, u"/TITLE") && titleStart != std::u16string::npos) {
            title = text.substr(titleStart, std::min<size_t>(p - titleStart, kMaxTitle));
            titleStart = std::u16string::npos;
        } else if (!sawBody && StartsNoCase(body, u"BODY")) {
            sawBody = true;
            bodyEnd = after;
            for (const Attribute& a : Attributes(body)) {
                if (!a.hasValue) continue;
                int* colourSlot = a.name == u"TEXT"      ? &textColour
                                  : a.name == u"BGCOLOR" ? &backgroundColour
                                  : a.name == u"LINK"    ? &linkColour
                                  : a.name == u"VLINK"   ? &visitedColour
                                                         : nullptr;
                if (colourSlot) {
                    if (int c = ColourValue(a.value); c >= 0) *colourSlot = c;
                    continue;
                }
                int* margin = a.name == u"TOPMARGIN"      ? &topMargin
                              : a.name == u"BOTTOMMARGIN" ? &bottomMargin
                              : a.name == u"LEFTMARGIN"   ? &leftMargin
                              : a.name == u"RIGHTMARGIN"  ? &rightMargin
                                                          : nullptr;
                if (margin) {
                    // Margins beyond a screen would only push the text out of sight.
                    if (int m = HtmlParseColor(a.value.c_str()); m >= 0) *margin = std::min(m, 4096);
                }
            }
        } else if (StartsNoCase(body, u"/BODY")) {
            cut = p;
            break;
        }
        p = gt;
    }
    if (cut != std::u16string::npos) text.resize(cut);
    text.erase(0, std::min(bodyEnd, text.size()));
}

bool HTMLDocument::AddRun(const std::u16string& text, size_t first, size_t end, uint32_t style, int colour,
                          int link, int indent) {
    if (end <= first || first >= text.size()) return false;
    if (static_cast<int>(runs.size()) >= kMaxRuns) return false;
    HTMLRun run;
    run.text = text.substr(first, end - first);
    run.colour = colour;
    run.style = style | ((flags & HtmlFlag::AllBold) ? TextStyle::B : 0) |
                ((flags & HtmlFlag::AllItalic) ? TextStyle::I : 0);
    run.link = link;
    run.indent = indent;
    runs.push_back(std::move(run));
    return true;
}

size_t HTMLDocument::ParseBody(std::u16string& text, size_t pos, uint32_t s, int c, int l, int indent,
                               std::u16string_view closing, int depth) {
    if (flags & HtmlFlag::Plain) {
        AddRun(text, pos, text.size(), s, c, l, indent);
        return text.size();
    }
    size_t runStart = pos;
    bool quoted = false;
    size_t p = pos;
    while (p < text.size()) {
        const char16_t u = text[p];
        if (u == '\\') {
            p += 2;
            continue;
        }
        if (u == '"') {
            quoted = !quoted;
            ++p;
            continue;
        }
        if (u != '<' || quoted) {
            ++p;
            continue;
        }
        const size_t lt = p;
        const size_t gt = TagEnd(text, lt);
        const size_t after = std::min(gt + 1, text.size());
        const bool endTag = lt + 1 < text.size() && text[lt + 1] == '/';
        const size_t nameAt = std::min(lt + 1 + (endTag ? 1 : 0), gt);
        const std::u16string_view body(text.data() + nameAt, gt - nameAt);
        const TagName* tag = MatchTag(body);

        if (endTag) {
            // The end tags of line-ending elements turn their '<' into a line feed of the text.
            if (tag && EndsLine(tag->tag)) {
                text[lt] = kLineFeed;
                AddRun(text, runStart, lt + 1, s, c, l, indent);
            } else {
                AddRun(text, runStart, lt, s, c, l, indent);
            }
            if (!closing.empty() && StartsNoCase(body, closing)) return after;
            runStart = p = after;
            continue;
        }

        AddRun(text, runStart, lt, s, c, l, indent);
        runStart = p = after;
        if (!tag) continue;

        uint32_t ns = s;
        int nc = c, nl = l, ni = indent;
        switch (tag->tag) {
        case Tag::Br:
            if (gt < text.size()) {
                text[gt] = kLineFeed;
                runStart = gt;
            }
            continue;
        case Tag::BaseFont: {
            const auto attrs = Attributes(body);
            if (const Attribute* size = Find(attrs, u"SIZE")) {
                bool numeric = false;
                const int n = Number(size->value, &numeric);
                s &= ~(TextStyle::Big | TextStyle::Small);
                if (EqualNoCase(size->value, u"BIG") || (numeric && n >= 5))
                    s |= TextStyle::Big;
                else if (EqualNoCase(size->value, u"SMALL") || (numeric && n >= 1 && n <= 3))
                    s |= TextStyle::Small;
            }
            if (const Attribute* colour = Find(attrs, u"COLOR"); colour && colour->hasValue)
                if (int v = ColourValue(colour->value); v >= 0) c = v;
            continue;
        }
        case Tag::Strong:
            ns = (s & ~TextStyle::Em) | TextStyle::Strong;
            break;
        case Tag::Em:
            ns = (s & ~TextStyle::Strong) | TextStyle::Em;
            break;
        case Tag::B:
            ns = s | TextStyle::B;
            break;
        case Tag::I:
            ns = s | TextStyle::I;
            break;
        case Tag::U:
            ns = s | TextStyle::U;
            break;
        case Tag::Big:
            ns = (s & ~TextStyle::Small) | TextStyle::Big;
            break;
        case Tag::Small:
            ns = (s & ~TextStyle::Big) | TextStyle::Small;
            break;
        case Tag::H1:
        case Tag::H2:
        case Tag::H3:
        case Tag::H4:
        case Tag::H5:
        case Tag::H6:
            ns = (s & ~0x3F00u) | (TextStyle::H1 << (static_cast<int>(tag->tag) - static_cast<int>(Tag::H1)));
            break;
        case Tag::Center:
            ns = (s & ~TextStyle::RightAligned) | TextStyle::Centred;
            break;
        case Tag::Div:
        case Tag::P: {
            const auto attrs = Attributes(body);
            if (const Attribute* align = Find(attrs, u"ALIGN")) {
                ns = s & ~(TextStyle::RightAligned | TextStyle::Centred);
                if (EqualNoCase(align->value, u"RIGHT"))
                    ns |= TextStyle::RightAligned;
                else if (EqualNoCase(align->value, u"CENTER"))
                    ns |= TextStyle::Centred;
            }
            break;
        }
        case Tag::Bq:
            nc = 0x01E0;
            ni = std::min(indent + 20, 20 * kMaxNesting);
            break;
        case Tag::A: {
            if ((flags & HtmlFlag::NoLinks) || l >= 0 || static_cast<int>(links.size()) >= kMaxLinks)
                continue;
            const auto attrs = Attributes(body);
            HTMLLink link;
            if (const Attribute* href = Find(attrs, u"HREF")) link.href = href->value;
            if (const Attribute* name = Find(attrs, u"NAME")) link.name = name->value;
            link.internal = HasIntFlag(body.substr(1));
            if (!link.href.empty()) ns = s | TextStyle::Link;
            links.push_back(std::move(link));
            nl = static_cast<int>(links.size()) - 1;
            break;
        }
        default:
            continue;
        }
        if (depth + 1 > kMaxNesting) continue; // skipped like an unknown tag
        // A line-ending element's '>' becomes the line feed its content starts with.
        size_t content = after;
        if (EndsLine(tag->tag) && gt < text.size()) {
            text[gt] = kLineFeed;
            content = gt;
        }
        runStart = p = ParseBody(text, content, ns, nc, nl, ni, tag->name, depth + 1);
    }
    AddRun(text, runStart, text.size(), s, c, l, indent);
    return text.size();
}

// ------------------------------------------------------------------ layout

bool HTMLDocument::RunFits(int run, uint32_t style, int width) const {
    if (run < 0 || run >= static_cast<int>(runs.size())) return true;
    UnicodeSetStyle(style);
    int w = runs[run].indent;
    for (char16_t u : runs[run].text)
        w += UnicodeGetCharWidth(u);
    UnicodeRestoreStyle();
    return w < width;
}

int HTMLDocument::GetLookaheadWidth(int run, int position) const {
    int w = 0, count = 0;
    for (int r = run; r < static_cast<int>(runs.size()) && count < 3; ++r, position = 0)
        for (size_t i = std::max(position, 0); i < runs[r].text.size() && count < 3; ++i, ++count) {
            if (runs[r].text[i] == kLineFeed) return w;
            w += UnicodeGetCharWidth(runs[r].text[i]);
        }
    return w;
}

int HTMLDocument::GetWordWidth(int run, int position) const {
    int w = 0;
    for (int r = run; r < static_cast<int>(runs.size()); ++r, position = 0) {
        const std::u16string& t = runs[r].text;
        for (size_t i = std::max(position, 0); i < t.size(); ++i) {
            if (t[i] == ' ' || t[i] == kLineFeed) return w;
            w += UnicodeGetCharWidth(t[i]);
            if (i + 1 < t.size() && UnicodeLineBreakAllowed(t[i], t[i + 1])) return w;
        }
    }
    return w;
}

uint32_t HTMLDocument::RunStyle(int run, int width) const {
    uint32_t style = runs[run].style;
    if ((flags & HtmlFlag::Shrink) && !RunFits(run, style, width)) {
        if (style & TextStyle::Big) {
            style &= ~TextStyle::Big;
            if (!RunFits(run, style, width)) style |= TextStyle::Small;
        } else {
            style |= TextStyle::Small;
        }
    }
    return style;
}

HTMLDocument::Layout HTMLDocument::LayOut(int width, bool firstOnly) const {
    Layout out;
    StyleScope scope;
    const bool wrap = !(flags & (HtmlFlag::SingleLine | HtmlFlag::NoWrap | HtmlFlag::Ellipsis));
    const int runCount = firstOnly || (flags & HtmlFlag::FirstRunOnly) ? std::min<int>(1, runs.size())
                                                                       : static_cast<int>(runs.size());
    int x = 0, line = 0, k = 0;
    bool lineEmpty = true;
    size_t lineFirst = 0; // the first placed unit of the current line
    char16_t prev = 0;
    auto finishLine = [&] {
        if (lineFirst >= out.units.size()) return;
        const Placed& first = out.units[lineFirst];
        const uint32_t style = out.runStyles[first.run];
        const int indent = runs[first.run].indent;
        int lineWidth = 0;
        for (size_t u = lineFirst; u < out.units.size(); ++u)
            if (out.units[u].unit != kLineFeed) lineWidth += out.units[u].width;
        int shift = 0;
        if (style & TextStyle::RightAligned)
            shift = std::max(0, width - indent - lineWidth - 1);
        else if (style & TextStyle::Centred)
            shift = std::max(0, width - indent - lineWidth - 1) / 2;
        for (size_t u = lineFirst; u < out.units.size(); ++u)
            out.units[u].x += shift;
        lineFirst = out.units.size();
    };
    auto newLine = [&](int indent) {
        finishLine();
        ++line;
        x = indent;
        lineEmpty = true;
    };
    for (int r = 0; r < runCount; ++r) {
        const uint32_t style = RunStyle(r, width);
        out.runStyles.push_back(style);
        UnicodeSetStyle(style);
        const std::u16string& t = runs[r].text;
        const int indent = runs[r].indent;
        if (lineEmpty) x = indent;
        for (int i = 0; i < static_cast<int>(t.size()); ++i) {
            const char16_t u = t[i];
            if (u == kLineFeed) {
                if (flags & HtmlFlag::SingleLine) continue;
                out.units.push_back({r, i, x, line, 8, kLineFeed});
                if (k++ != 0) {
                    newLine(indent);
                } else {
                    finishLine();
                    x = indent;
                }
                prev = u;
                continue;
            }
            if ((flags & HtmlFlag::Ellipsis) && x + GetLookaheadWidth(r, i) >= width) {
                const int dot = UnicodeGetCharWidth(u'.');
                for (int d = 0; d < 3; ++d, x += dot)
                    out.units.push_back({r, std::min<int>(i + d, t.size() - 1), x, line, dot, u'.'});
                k += static_cast<int>(t.size()) - i;
                lineEmpty = false;
                break;
            }
            if (wrap && !lineEmpty && (u == ' ' || (prev && UnicodeLineBreakAllowed(prev, u)))) {
                const int word =
                    u == ' ' ? UnicodeGetCharWidth(u' ') + GetWordWidth(r, i + 1) : GetWordWidth(r, i);
                if (x + word > width) {
                    newLine(indent);
                    if (u == ' ') {
                        prev = u;
                        ++k;
                        continue;
                    }
                }
            }
            const int w = UnicodeGetCharWidth(u);
            out.units.push_back({r, i, x, line, w, u});
            x += w;
            lineEmpty = false;
            prev = u;
            ++k;
        }
    }
    finishLine();
    out.lines = line + 1;
    return out;
}

int HTMLDocument::GetLineStartX(int run, int position, int width) const {
    const Layout layout = LayOut(width, false);
    int line = -1;
    for (const Placed& p : layout.units) {
        if (line < 0 && p.run == run && p.index >= position) line = p.line;
        if (line >= 0 && p.line == line && p.unit != kLineFeed) return p.x;
    }
    return run >= 0 && run < static_cast<int>(runs.size()) ? runs[run].indent : 0;
}

Rect HTMLDocument::ClipFor(int width, int height, const Rect* clip) const {
    const Rect whole{0, 0, width, height};
    return clip ? IntersectRect(*clip, whole) : whole;
}

int HTMLDocument::Render(uint16_t* buffer, int width, int height, const Rect* clip, int scrollY, int caret,
                         int selectionEnd, bool fillBackground) {
    if (!buffer || width <= 0 || height <= 0) return 0;
    for (HTMLLink& link : links) {
        link.rects.clear();
        link.firstLineY = -1;
    }
    const Rect c = ClipFor(width, height, clip);
    if (scrollY < 0) scrollY = 0;
    const BlitTarget target = MakeBlitTarget(buffer, width, height);
    if (fillBackground)
        for (int y = c.top; y < c.bottom; ++y)
            std::fill(buffer + static_cast<size_t>(y) * width + c.left,
                      buffer + static_cast<size_t>(y) * width + c.right,
                      static_cast<uint16_t>(backgroundColour & 0x7FFF));
    const int x0 = c.left + leftMargin;
    const int y0 = c.top + topMargin - scrollY;
    const int right = c.right - rightMargin;
    const Layout layout = LayOut(right - x0, false);
    constexpr uint16_t mask = 0x7FFF;
    const int selLo = std::min(caret, selectionEnd), selHi = std::max(caret, selectionEnd);
    const bool selecting = caret >= 0 && selectionEnd >= 0 && caret != selectionEnd;

    auto invertCell = [&](int64_t left, int64_t top, int64_t w) {
        for (int64_t y = std::max<int64_t>(top, c.top); y < std::min<int64_t>(top + kLineHeight, c.bottom);
             ++y)
            for (int64_t x = std::max<int64_t>(left, c.left); x < std::min<int64_t>(left + w, c.right); ++x) {
                uint16_t& p = buffer[static_cast<size_t>(y) * width + x];
                p = p ? static_cast<uint16_t>(~p & mask) : 1;
            }
    };
    auto caretAt = [&](int64_t x, int64_t top) {
        if (x < c.left || x >= c.right) return;
        for (int64_t y = std::max<int64_t>(top, c.top); y < std::min<int64_t>(top + kLineHeight, c.bottom);
             ++y) {
            uint16_t& p = buffer[static_cast<size_t>(y) * width + x];
            p = static_cast<uint16_t>(mask & ~p);
        }
    };
    // The link part of one line of one run: {first placed unit, last placed unit}.
    auto recordLink = [&](const Placed& first, const Placed& last) {
        const int l = runs[first.run].link;
        if (l < 0 || l >= static_cast<int>(links.size())) return;
        HTMLLink& link = links[l];
        if (static_cast<int>(link.rects.size()) >= kMaxLinkRects) return;
        const int top = y0 + first.line * kLineHeight;
        link.rects.push_back(
            Rect{x0 + first.x, top, std::min(x0 + last.x + last.width, c.right), top + kLineHeight});
    };

    StyleScope scope;
    std::vector<int> runOffsets(runs.size() + 1, 0); // global index of each run's first unit
    for (size_t r = 0; r < runs.size(); ++r)
        runOffsets[r + 1] = runOffsets[r] + static_cast<int>(runs[r].text.size());
    int currentRun = -1;
    uint16_t colour = 0;
    size_t segment = 0;
    for (size_t n = 0; n < layout.units.size(); ++n) {
        const Placed& p = layout.units[n];
        if (p.run != currentRun) {
            currentRun = p.run;
            UnicodeSetStyle(layout.runStyles[p.run]);
            const HTMLRun& run = runs[p.run];
            int col = run.colour;
            if (run.link >= 0 && run.link < static_cast<int>(links.size())) {
                HTMLLink& link = links[run.link];
                col = link.visited || IsVisited(link.href) ? visitedColour : linkColour;
                if (link.firstLineY < 0) link.firstLineY = scrollY + y0 + p.line * kLineHeight;
            }
            colour = static_cast<uint16_t>((col < 0 ? textColour : col) & 0x7FFF);
        }
        const int64_t X = int64_t{x0} + p.x, Y = int64_t{y0} + int64_t{p.line} * kLineHeight;
        const int global = runOffsets[p.run] + p.index;
        if (p.unit != kLineFeed && Y + kLineHeight > c.top && Y < c.bottom) {
            const char16_t one[2] = {p.unit, 0};
            UnicodeDrawString(target, one, static_cast<int>(X), static_cast<int>(Y), colour, c);
        }
        const bool selected = selecting && global >= selLo && global < selHi;
        if (selected) invertCell(X, Y, p.width);
        if (caret == global && !selected) caretAt(X, Y);
        const bool segmentEnds = n + 1 == layout.units.size() || layout.units[n + 1].run != p.run ||
                                 layout.units[n + 1].line != p.line;
        if (segmentEnds) {
            recordLink(layout.units[segment], p);
            segment = n + 1;
        }
    }
    // A caret after the last unit.
    const int total = runOffsets[layout.runStyles.size()];
    if (caret >= 0 && caret == total) {
        int cx = runs.empty() ? 0 : runs[0].indent, line = 0;
        if (!layout.units.empty()) {
            const Placed& last = layout.units.back();
            line = last.line;
            cx = last.x + last.width;
            if (last.unit == kLineFeed && layout.units.size() > 1) {
                line = layout.lines - 1;
                cx = runs[last.run].indent;
            }
        }
        caretAt(int64_t{x0} + cx, int64_t{y0} + int64_t{line} * kLineHeight);
    }
    return topMargin + bottomMargin + (layout.lines - 1) * kLineHeight + kLineHeight;
}

// ------------------------------------------------------------------ hit tests

int HTMLDocument::GetLinkAt(int x, int y, std::u16string* href) {
    if (href) href->clear();
    for (HTMLLink& link : links) {
        const bool hit = std::any_of(link.rects.begin(), link.rects.end(), [&](const Rect& r) {
            return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
        });
        if (!hit) continue;
        if (link.href.empty()) return -1;
        link.visited = true;
        if (link.href[0] == '#') {
            const std::u16string_view anchor = std::u16string_view(link.href).substr(1);
            for (const HTMLLink& target : links)
                if (EqualNoCase(target.name, anchor)) return target.firstLineY;
            return -1;
        }
        if (link.href[0] == '?') {
            if (ContextHelp::IsOpen()) ContextHelp::HandleLink(link.href.c_str());
            return -1;
        }
        if (href) *href = link.href;
        AddVisited(link.href);
        return link.internal ? 1 : 0;
    }
    return -1;
}

int HTMLDocument::GetCaretIndex(int x, int y, const Rect* clip, int scrollY) const {
    if ((flags & HtmlFlag::ReadOnly) || runs.empty()) return -1;
    const Rect c = clip ? *clip : Rect{0, 0, 1 << 20, 1 << 20};
    const int x0 = c.left + leftMargin;
    const int y0 = c.top + topMargin - scrollY;
    if (y < y0) return -1;
    const int row = (y - y0) / kLineHeight;
    const Layout layout = LayOut(c.right - rightMargin - x0, true);
    const Placed* last = nullptr;
    for (const Placed& p : layout.units) {
        if (p.line != row) continue;
        if (!last && x < x0 + p.x) return p.index;
        if (p.unit == kLineFeed) return p.index;
        if (x >= x0 + p.x && x < x0 + p.x + p.width) return p.index;
        last = &p;
    }
    if (last) return last->index + 1;
    return static_cast<int>(runs[0].text.size());
}

bool HTMLDocument::GetCaretXY(int index, int* x, int* y, const Rect* clip, int scrollY) const {
    if ((flags & HtmlFlag::ReadOnly) || runs.empty() || index < 0) return false;
    const Rect c = clip ? *clip : Rect{0, 0, 1 << 20, 1 << 20};
    const int x0 = c.left + leftMargin;
    const int y0 = c.top + topMargin - scrollY;
    const Layout layout = LayOut(c.right - rightMargin - x0, true);
    int cx = runs[0].indent, line = 0;
    bool found = false;
    for (const Placed& p : layout.units)
        if (p.index >= index) {
            cx = p.x;
            line = p.line;
            found = true;
            break;
        }
    if (!found && !layout.units.empty()) {
        const Placed& last = layout.units.back();
        cx = last.x + last.width;
        line = last.line;
        if (last.unit == kLineFeed && layout.units.size() > 1) {
            cx = runs[0].indent;
            line = layout.lines - 1;
        }
    }
    if (x) *x = x0 + cx;
    if (y) *y = y0 + line * kLineHeight;
    return true;
}

bool HTMLDocument::IsVisited(std::u16string_view href) {
    if (href.empty()) return false;
    for (const std::u16string& h : Visited().hrefs)
        if (EqualNoCase(h, href)) return true;
    return false;
}

void HTMLDocument::AddVisited(std::u16string_view href) {
    auto& ring = Visited().hrefs;
    if (static_cast<int>(ring.size()) >= kVisitedRing) ring.pop_front();
    ring.emplace_back(href.substr(0, kMaxValue));
}

void HTMLDocument::ResetVisitedForTests() {
    Visited().hrefs.clear();
}
