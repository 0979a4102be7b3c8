// The HTML parser (runs, links, head, limits) and the layout with its hit tests.
#include "gumps/HTMLDocument.h"
#include "mkinstall/TextFiles.h"
#include "support/TestSupport.h"
#include "text/UnicodeFont.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class HtmlTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (int font = 0; font < 3; ++font)
            UnicodeUseFontBytes(font, mkinstall::MakeUnicodeFontFile(font));
        HTMLDocument::ResetVisitedForTests();
    }
    void TearDown() override {
        ResetUnicodeFontsForTests();
        HTMLDocument::ResetVisitedForTests();
    }
};

std::u16string W(const std::string& s) {
    return std::u16string(s.begin(), s.end());
}

struct RunCase {
    const char* name;
    std::string html;
    uint32_t flags;
    std::vector<std::pair<std::string, uint32_t>> runs; // text (line feeds as '|'), style
};

TEST_F(HtmlTest, ParserMakesTheExpectedRuns) {
    const RunCase cases[] = {
        {"bold in the middle", "a <B>b</B> c", 0, {{"a ", 0}, {"b", 0x10}, {" c", 0}}},
        {"unterminated bold", "a <B>b c", 0, {{"a ", 0}, {"b c", 0x10}}},
        {"plain text shows the tag", "a <B>b", 0x20, {{"a <B>b", 0}}},
        {"centre starts with a line feed", "x<CENTER>y</CENTER>z", 0, {{"x", 0}, {"|y|", 0x8000}, {"z", 0}}},
        {"line break", "a<BR>b", 0, {{"a", 0}, {"|b", 0}}},
        {"blockquote counts as bold", "<BLOCKQUOTE>q</BLOCKQUOTE>", 0, {{"q", 0x10}}},
        {"strong clears em", "<EM>a<STRONG>b</STRONG></EM>", 0, {{"a", 0x40}, {"b", 0x80}}},
        {"big then small", "<BIG>a<SMALL>b</SMALL></BIG>", 0, {{"a", 0x4}, {"b", 0x2}}},
        {"headings replace each other", "<H1>a<H3>b</H3></H1>", 0, {{"a", 0x100}, {"b", 0x400}}},
        {"div right", "<DIV ALIGN=RIGHT>r</DIV>", 0, {{"|r|", 0x4000}}},
        {"unknown and unmatched tags are skipped", "a<FOO>b</I>c", 0, {{"a", 0}, {"b", 0}, {"c", 0}}},
        {"a quoted '<' is text", "\"<B>\"", 0, {{"\"<B>\"", 0}}},
        {"a backslash makes '<' literal", "\\<B>x", 0, {{"\\<B>x", 0}}},
        {"every run bold and italic", "a<U>b</U>", 0x1800, {{"a", 0x18}, {"b", 0x38}}},
        {"links ignored", "<A HREF=\"x\">l</A>", 0x40, {{"l", 0}}},
    };
    for (const RunCase& c : cases) {
        SCOPED_TRACE(c.name);
        HTMLDocument doc(W(c.html), c.flags, 0x7FFF);
        ASSERT_EQ(doc.runs.size(), c.runs.size());
        for (size_t i = 0; i < c.runs.size(); ++i) {
            std::u16string expected = W(c.runs[i].first);
            for (char16_t& u : expected)
                if (u == '|') u = 10;
            EXPECT_EQ(doc.runs[i].text, expected) << "run " << i;
            EXPECT_EQ(doc.runs[i].style, c.runs[i].second) << "run " << i;
        }
    }
}

TEST_F(HtmlTest, HeadSetsTitleColoursAndMarginsAndBodyEndsTheText) {
    HTMLDocument doc(W("<TITLE>Help</TITLE><BODY TEXT=\"#FFFFFF\" BGCOLOR=red LINK=100 LEFTMARGIN=7 "
                       "TOPMARGIN=3>page</BODY>never"),
                     0, 5);
    EXPECT_EQ(doc.title, u"Help");
    EXPECT_EQ(doc.textColour, 0x7FFF);
    EXPECT_EQ(doc.backgroundColour, 0x7C00);
    EXPECT_EQ(doc.linkColour, 100);
    EXPECT_EQ(doc.leftMargin, 7);
    EXPECT_EQ(doc.topMargin, 3);
    ASSERT_EQ(doc.runs.size(), 1u);
    EXPECT_EQ(doc.runs[0].text, u"page");

    HTMLDocument plain(W("<TITLE>t</TITLE><BODY>x"), 0x20, 5);
    EXPECT_EQ(plain.title, u"VARNIS ONLINE");
    HTMLDocument longTitle(W("<TITLE>" + std::string(400, 'T') + "</TITLE><BODY>x"), 0, 0);
    EXPECT_EQ(longTitle.title.size(), 255u);
}

TEST_F(HtmlTest, LinksTakeHrefNameAndIntAndDoNotNest) {
    HTMLDocument doc(
        W("<A HREF=\"go\\\"to\" INT NAME=\"n\">one<A HREF=\"inner\">two</A>three</A><A NAME=\"top\">t</A>"),
        0, 0);
    ASSERT_EQ(doc.links.size(), 2u);
    EXPECT_EQ(doc.links[0].href, u"go\"to");
    EXPECT_EQ(doc.links[0].name, u"n");
    EXPECT_TRUE(doc.links[0].internal);
    EXPECT_FALSE(doc.links[1].internal);
    // The inner A is skipped: its text stays in the first link, whose end tag closes it.
    ASSERT_GE(doc.runs.size(), 3u);
    EXPECT_EQ(doc.runs[0].link, 0);
    EXPECT_EQ(doc.runs[1].link, 0);
    EXPECT_EQ(doc.runs[1].text, u"two");
    EXPECT_EQ(doc.runs[0].style, TextStyle::Link);
    EXPECT_EQ(doc.runs.back().style, 0u); // a link without HREF is an anchor, not underlined
}

TEST_F(HtmlTest, LimitsHold) {
    std::string many;
    for (int i = 0; i < 2100; ++i)
        many += "x<B>y</B>";
    EXPECT_EQ(HTMLDocument(W(many), 0, 0).runs.size(), 2000u);

    std::string links;
    for (int i = 0; i < 520; ++i)
        links += "<A HREF=\"h\">l</A>";
    EXPECT_EQ(HTMLDocument(W(links), 0, 0).links.size(), 500u);

    std::string href = "<A HREF=\"" + std::string(300, 'h') + "\">x</A>";
    EXPECT_EQ(HTMLDocument(W(href), 0, 0).links[0].href.size(), 255u);

    // Nesting within the limit keeps every level; far deeper nesting neither overflows the stack nor
    // loses the text.
    std::string deep;
    for (int i = 0; i < HTMLDocument::kMaxNesting; ++i)
        deep += i % 2 ? "<I>" : "<U>";
    deep += "z";
    HTMLDocument within(W(deep), 0, 0);
    ASSERT_EQ(within.runs.size(), 1u);
    EXPECT_EQ(within.runs[0].style, TextStyle::I | TextStyle::U);

    std::string flood;
    for (int i = 0; i < 20000; ++i)
        flood += "<B>";
    flood += "end";
    HTMLDocument flooded(W(flood), 0, 0);
    ASSERT_EQ(flooded.runs.size(), 1u);
    EXPECT_EQ(flooded.runs[0].text, u"end");
}

// ------------------------------------------------------------------ layout

struct Canvas {
    int w, h;
    std::vector<uint16_t> px;
    Canvas(int w_, int h_) : w(w_), h(h_), px(static_cast<size_t>(w_) * h_, 0) {}
};

TEST_F(HtmlTest, OneLineIs18HighAndALeadingLineFeedAddsNoLine) {
    Canvas c(200, 100);
    HTMLDocument one(u"abc", 0, 0x7FFF);
    EXPECT_EQ(one.Render(c.px.data(), c.w, c.h, nullptr, 0, -1, -1, false), 18);
    HTMLDocument lead(u"\nabc", 0, 0x7FFF);
    EXPECT_EQ(lead.Render(c.px.data(), c.w, c.h, nullptr, 0, -1, -1, false), 18);
    HTMLDocument two(u"abc\ndef", 0, 0x7FFF);
    EXPECT_EQ(two.Render(c.px.data(), c.w, c.h, nullptr, 0, -1, -1, false), 36);
    HTMLDocument margins(W("<BODY TOPMARGIN=4 BOTTOMMARGIN=6>x"), 0, 0);
    EXPECT_EQ(margins.Render(c.px.data(), c.w, c.h, nullptr, 0, -1, -1, false), 28);
    EXPECT_EQ(one.Render(nullptr, c.w, c.h, nullptr, 0, -1, -1, false), 0);
}

TEST_F(HtmlTest, ALinkOverTwoLinesHasTwoRectanglesAndEitherFindsIt) {
    Canvas c(120, 200);
    UnicodeSetFont(1);
    HTMLDocument doc(W("start <A HREF=\"http://x\">one two three four five six seven</A> end"), 0, 0x7FFF);
    const int height = doc.Render(c.px.data(), c.w, c.h, nullptr, 0, -1, -1, false);
    ASSERT_GE(height, 36);
    ASSERT_GE(doc.links[0].rects.size(), 2u);
    for (const Rect& r : doc.links[0].rects) {
        std::u16string href;
        EXPECT_EQ(doc.GetLinkAt(r.left + 1, r.top + 5, &href), 0);
        EXPECT_EQ(href, u"http://x");
    }
    EXPECT_NE(doc.links[0].rects[0].top, doc.links[0].rects[1].top);
    std::u16string href;
    EXPECT_EQ(doc.GetLinkAt(c.w - 1, c.h - 1, &href), -1);
    EXPECT_TRUE(href.empty());
    EXPECT_TRUE(HTMLDocument::IsVisited(u"HTTP://X"));
}

TEST_F(HtmlTest, AnAnchorLinkGivesTheAnchorsY) {
    Canvas c(200, 200);
    HTMLDocument doc(W("<A HREF=\"#Down\">jump</A><BR><BR><BR><A NAME=\"down\">here</A>"), 0, 0x7FFF);
    doc.Render(c.px.data(), c.w, c.h, nullptr, 0, -1, -1, false);
    const Rect r = doc.links[0].rects.at(0);
    std::u16string href = u"x";
    EXPECT_EQ(doc.GetLinkAt(r.left, r.top, &href), 54);
    EXPECT_TRUE(href.empty());
    EXPECT_TRUE(doc.links[0].visited);
}

TEST_F(HtmlTest, CaretIndexAndPositionAgreeOnWrappedText) {
    const std::u16string text = u"alpha beta gamma delta epsilon zeta eta theta";
    HTMLDocument doc(text, 0, 0x7FFF);
    const Rect clip{3, 2, 90, 300};
    int rows = 0;
    for (int i = 0; i < static_cast<int>(text.size()); ++i) {
        int x = 0, y = 0;
        ASSERT_TRUE(doc.GetCaretXY(i, &x, &y, &clip, 0));
        rows = std::max(rows, (y - clip.top) / 18 + 1);
        if (text[i] == ' ') continue; // a space at a break is consumed
        EXPECT_EQ(doc.GetCaretIndex(x, y + 9, &clip, 0), i) << "unit " << i;
    }
    EXPECT_GE(rows, 3);                               // it did wrap
    EXPECT_EQ(doc.GetCaretIndex(0, 0, &clip, 0), -1); // above the text
    HTMLDocument readOnly(text, HtmlFlag::ReadOnly, 0);
    int x = 0, y = 0;
    EXPECT_FALSE(readOnly.GetCaretXY(0, &x, &y, &clip, 0));
    EXPECT_EQ(readOnly.GetCaretIndex(10, 10, &clip, 0), -1);
}

TEST_F(HtmlTest, EllipsisStopsTheRunAndShrinkPicksASmallerFont) {
    Canvas c(60, 40);
    HTMLDocument dots(u"abcdefghijklmnopqrstuvwxyz", HtmlFlag::Ellipsis, 0x7FFF);
    EXPECT_EQ(dots.Render(c.px.data(), c.w, c.h, nullptr, 0, -1, -1, false), 18);
    // Nothing is drawn past the dots: the right part of the line stays empty.
    UnicodeSetStyle(0);
    const int dot = UnicodeGetCharWidth('.');
    UnicodeRestoreStyle();
    int rightmost = -1;
    for (int y = 0; y < 18; ++y)
        for (int x = 0; x < c.w; ++x)
            if (c.px[y * c.w + x]) rightmost = std::max(rightmost, x);
    EXPECT_LT(rightmost, c.w);
    EXPECT_GT(rightmost, 3 * dot);

    HTMLDocument big(W("<BIG>abcdefghijklmnopqrstuvwxyz</BIG>"), HtmlFlag::Shrink, 0);
    EXPECT_FALSE(big.RunFits(0, TextStyle::Big, 40));
    EXPECT_TRUE(big.RunFits(0, TextStyle::Big, 100000));
}

} // namespace
