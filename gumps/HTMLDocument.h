#pragma once
// One parsed HTML text: styled runs and links from a fixed subset of tags, with the colours,
// margins and title of its head; its layout into a 16-bit pixel buffer (18-pixel lines, word wrap,
// alignment, underlined links, ellipsis and shrink-to-fit modes, a caret and a selection for an
// editable single-run text) and the hit tests for links and character positions.
#include "render/BlitTarget.h"
#include "render/Rect.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The flags a document shares with the box that owns it.
namespace HtmlFlag {
enum : uint32_t {
    SingleLine = 0x1,
    ReadOnly = 0x2,
    NoScrollBar = 0x4,
    NoWrap = 0x8,
    Ellipsis = 0x10,
    Plain = 0x20,
    NoLinks = 0x40,
    NoFrame = 0x80,
    Shrink = 0x100,
    PressesBox = 0x200,
    FirstRunOnly = 0x400,
    AllBold = 0x800,
    AllItalic = 0x1000,
    SmallFrame = 0x2000,
};
}

struct HTMLRun {
    std::u16string text;
    int colour = -1; // -1: the document's text colour
    uint32_t style = 0;
    int link = -1;
    int indent = 0;
};

struct HTMLLink {
    std::u16string name;
    std::u16string href;
    bool internal = false;
    bool visited = false;
    int firstLineY = -1;     // document y of its first drawn line
    std::vector<Rect> rects; // where the last Render drew it (at most kMaxLinkRects)
};

class HTMLDocument {
  public:
    static constexpr int kMaxRuns = 2000;
    static constexpr int kMaxLinks = 500;
    static constexpr int kMaxTitle = 255;
    static constexpr int kMaxValue = 255; // HREF and NAME
    static constexpr int kMaxLinkRects = 50;
    static constexpr int kVisitedRing = 500;
    // Style elements open at once; deeper start tags are skipped like unknown tags, so a line of
    // thousands of nested tags cannot exhaust the stack.
    static constexpr int kMaxNesting = 64;
    static constexpr int kLineHeight = 18;

    HTMLDocument(std::u16string_view text, uint32_t flags, int textColour);

    void Clear();

    // Lays out and draws into width x height pixels (rows of width); clip null: the whole buffer.
    // Returns the document height.
    int Render(uint16_t* buffer, int width, int height, const Rect* clip, int scrollY, int caret,
               int selectionEnd, bool fillBackground);
    bool RunFits(int run, uint32_t style, int width) const;
    int GetLookaheadWidth(int run, int position) const;
    int GetWordWidth(int run, int position) const;
    // x offset of the line that starts at (run, position) in a line of width pixels.
    int GetLineStartX(int run, int position, int width) const;
    // 1 internal link, 0 other link (href set), an anchor's y (href empty), or -1.
    int GetLinkAt(int x, int y, std::u16string* href);
    int GetCaretIndex(int x, int y, const Rect* clip, int scrollY) const;
    bool GetCaretXY(int index, int* x, int* y, const Rect* clip, int scrollY) const;

    static bool IsVisited(std::u16string_view href);
    static void AddVisited(std::u16string_view href);
    static void ResetVisitedForTests();

    int topMargin = 0, rightMargin = 0, bottomMargin = 0, leftMargin = 0;
    int textColour = 0;
    int backgroundColour = 0;
    int linkColour = 0x001F;
    int visitedColour = 0x7C00;
    uint32_t flags = 0;
    std::u16string title = u"VARNIS ONLINE";
    std::vector<HTMLRun> runs;
    std::vector<HTMLLink> links;

  private:
    void ParseHead(std::u16string& text);
    size_t ParseBody(std::u16string& text, size_t pos, uint32_t style, int colour, int link, int indent,
                     std::u16string_view closing, int depth);
    bool AddRun(const std::u16string& text, size_t first, size_t end, uint32_t style, int colour, int link,
                int indent);

    struct Placed {
        int run;
        int index; // unit index in its run
        int x;     // from the text's left edge, alignment included
        int line;
        int width;
        char16_t unit; // what is drawn: the unit, '.' for dots, 0 for nothing
    };
    struct Layout {
        std::vector<Placed> units;
        std::vector<uint32_t> runStyles; // the style each run was laid out in
        int lines = 1;
    };
    // The units placed in lines of width pixels (only the first run when firstOnly).
    Layout LayOut(int width, bool firstOnly) const;
    uint32_t RunStyle(int run, int width) const;
    Rect ClipFor(int width, int height, const Rect* clip) const;
};
