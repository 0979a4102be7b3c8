// Golden pictures of HTML boxes and of the chat window and its parts, drawn from the sample arts
// and fonts.
#include "chat/ChatFixture.h"
#include "chat/ChatGump.h"

#include <gtest/gtest.h>

using namespace chattest;

namespace {

void ExpectChatGolden(gumptest::Sheet& sheet, const char* name) {
    qvtest::ExpectGoldenPpm(std::filesystem::path(QV_TESTS_DIR "/chat/golden") / name,
                            EncodePpm(sheet.block.pixels.data(), sheet.block.width, sheet.block.height));
}

const char16_t* kPage =
    u"<TITLE>t</TITLE><BODY TEXT=#E0E0E0 LEFTMARGIN=3>"
    u"<B>Bold</B> <I>italic</I> <U>under</U> <BIG>big</BIG> <SMALL>small</SMALL>"
    u"<H1>Heading</H1><CENTER>centred</CENTER><DIV ALIGN=RIGHT>right</DIV>"
    u"<BQ>quoted text</BQ><BASEFONT COLOR=#FFFF00>yellow <A HREF=\"http://a.invalid/\">a link</A>, "
    u"<A HREF=\"http://seen.invalid/\">seen</A> and <A HREF=\"http://b.invalid/\">a link that runs over two "
    u"lines</A> end</BODY>";

class ChatGoldenTest : public ChatTest {};

TEST_F(ChatGoldenTest, HtmlPages) {
    HTMLDocument::AddVisited(u"http://seen.invalid/");
    gumptest::Sheet sheet(560, 440);
    auto* page = new HTMLBox(nullptr, 0, HtmlFlag::ReadOnly, false, true);
    page->SetRect(Rect{4, 4, 260, 210});
    page->SetText(kPage, 0x7FFF);
    auto* cut =
        new HTMLBox(nullptr, 0, HtmlFlag::ReadOnly | HtmlFlag::Ellipsis | HtmlFlag::Shrink, false, true);
    cut->SetRect(Rect{280, 4, 260, 210});
    cut->SetText(kPage, 0x7FFF);
    auto* edit = new HTMLBox(nullptr, 0, 0, false, true);
    edit->SetRect(Rect{4, 230, 260, 120});
    edit->SetText(u"An editable text\nwith a selection and a caret", 0x7FE0);
    edit->caret = 20;
    edit->selectionEnd = 31;
    edit->Redraw();
    auto* line = new HTMLBox(nullptr, 0, HtmlFlag::SingleLine | HtmlFlag::NoScrollBar, false, true);
    line->SetRect(Rect{4, 370, 260, 30});
    line->SetText(u"one line, caret at the end", 0x7FFF);
    line->caret = line->selectionEnd = static_cast<int>(line->Text().size());
    line->Redraw();
    for (CGump* g : {static_cast<CGump*>(page), static_cast<CGump*>(cut), static_cast<CGump*>(edit),
                     static_cast<CGump*>(line)})
        sheet.Draw(*g);
    ExpectChatGolden(sheet, "html_pages.ppm");
}

TEST_F(ChatGoldenTest, ChatWindowPanesAndDialogs) {
    gumptest::Sheet sheet(640, 420);
    auto* chat = new ChatGump(4, 4, 440, 300, u"Chat");
    const struct {
        const char16_t* text;
        int type;
    } lines[] = {{u"anna: plain", 0},     {u"bert: operator", 1}, {u"carl: muted", 2},
                 {u"dora: moderator", 3}, {u"emil: myself", 4},   {u"A system line.", 5}};
    for (const auto& l : lines)
        chat->AddLine(l.text, l.type, 0, 3, "enu");
    for (const char16_t* name : {u"anna", u"bert", u"carl"})
        chat->userList->AddLine(name, 0x7FFF, 0x7FFF, -1, -1, nullptr);
    chat->userList->SetScrollPos(0);
    chat->input->SetEditText(u"typing");
    chat->input->BeginEdit();
    MoveTo(chat->x + chat->userList->x + 10, chat->y + chat->userList->y + 20); // over "bert"
    chat->userList->Redraw();
    chat->HandleButtonPress(1); // the command pane
    sheet.Draw(*chat);

    auto* one = new ChatDialog(nullptr, 1, u"Whom do you want to message?", u"Name", nullptr);
    one->x = 450;
    one->y = 4;
    auto* two = new ChatDialog(nullptr, -1, u"Join a conference", u"Name", u"Password");
    two->x = 450;
    two->y = 150;
    sheet.Draw(*one);
    sheet.Draw(*two);

    auto* small = new ChatGump(4, 320, 200, 100, u"Small");
    MinimizeGump(small);
    small->frameIndex = 1;
    small->x = 20;
    small->y = 330;
    sheet.Draw(*small);
    ExpectChatGolden(sheet, "chat_window.ppm");
}

} // namespace
