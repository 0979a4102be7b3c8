// The chat family's parts: the text box (lines, scrolling, the input line), the scroll bar's track,
// the dialog's report, and the HTML box's editing, limits, resizing and links.
#include "chat/ChatFixture.h"
#include "platform/messages.h"

#include <gtest/gtest.h>

#include <set>

using namespace chattest;

namespace {

TEST_F(ChatTest, ATextBoxWithLimitOneShowsOnlyTheNewestLine) {
    auto* w = new RecordingChat(10, 10, 200, 100);
    auto* box = new ChatTextBox(w, false, false, 1, 7, 0);
    box->SetRect(0, 0, 200, 60);
    box->AddLine(u"first", 0x7FFF, 0x7FFF, -1, -1, nullptr);
    const int total = box->total;
    box->AddLine(u"second", 0x7FFF, 0x7FFF, -1, -1, nullptr);
    ASSERT_EQ(box->lines.size(), 1u);
    EXPECT_EQ(box->lines.front().text, u"second");
    EXPECT_EQ(box->total, total);
    EXPECT_EQ(w->events.back(),
              "scroll " + std::to_string(box->total) + "/" + std::to_string(box->total) + " #7");
}

TEST_F(ChatTest, AViewAtTheEndFollowsNewLinesAndAScrolledOneStays) {
    auto* w = new RecordingChat(10, 10, 200, 100);
    auto* box = new ChatTextBox(w, false, false, 3, 2, 0);
    box->SetRect(0, 0, 200, 90); // five rows: three lines never fill it
    for (const char16_t* t : {u"a", u"b", u"c", u"d", u"e"})
        box->AddLine(t, 0x7FFF, 0x7FFF, -1, -1, nullptr);
    // Reusing the oldest line while the text is shorter than the box keeps the end in view.
    EXPECT_EQ(box->scrollPos, box->total);
    EXPECT_LT(box->total, 0);
    // Short text sits at the bottom edge: the newest line's top is the box height - 18.
    int top = -1;
    ASSERT_NE(box->LineAtPoint(5, 89, &top), nullptr);
    EXPECT_EQ(top, 72);
    EXPECT_EQ(box->LineAtPoint(5, 89, nullptr)->text, u"e");

    auto* tall = new ChatTextBox(w, false, false, 100, 2, 0);
    tall->SetRect(0, 0, 200, 36);
    for (int i = 0; i < 6; ++i)
        tall->AddLine(u"x", 0x7FFF, 0x7FFF, -1, -1, nullptr);
    EXPECT_EQ(tall->scrollPos, tall->total);
    tall->ScrollStep(false);
    const int scrolled = tall->scrollPos;
    tall->AddLine(u"y", 0x7FFF, 0x7FFF, -1, -1, nullptr);
    EXPECT_EQ(tall->scrollPos, scrolled);
    EXPECT_EQ(tall->total, scrolled + 36);
}

TEST_F(ChatTest, ScrollStepAtTheTopIsSilent) {
    auto* w = new RecordingChat(10, 10, 200, 100);
    auto* box = new ChatTextBox(w, false, false, 100, 2, 0);
    box->SetRect(0, 0, 200, 36);
    for (int i = 0; i < 4; ++i)
        box->AddLine(u"x", 0x7FFF, 0x7FFF, -1, -1, nullptr);
    box->SetScrollPos(0);
    w->events.clear();
    box->ScrollStep(false);
    EXPECT_TRUE(w->events.empty());
    box->ScrollStep(true);
    EXPECT_EQ(w->events, std::vector<std::string>{"scroll 18/36 #2"});
}

TEST_F(ChatTest, TheInputLineSubmitsOnEnterAndOnATrailingDollar) {
    auto* w = new RecordingChat(10, 10, 200, 100);
    auto* input = new ChatTextBox(w, true, false, 12, 3, 0);
    input->SetRect(0, 0, 200, 40);
    input->AddLine(u"", 0x7FFF, 0x7FFF, -1, -1, nullptr);
    input->SetEditText(u"/list$");
    EXPECT_EQ(w->Only("entered"), std::vector<std::string>{"entered /list"});
    EXPECT_STREQ(Narrow(input->GetEditText()).c_str(), "");

    input->BeginEdit();
    for (char16_t u : std::u16string(u"hi"))
        input->HandleKey(u);
    input->HandleKey(8);
    input->HandleKey(8);
    input->HandleKey(8); // at caret 0: nothing
    input->HandleKey(0xE02E);
    input->HandleKey('o');
    input->HandleKey('k');
    input->HandleKey(13);
    EXPECT_EQ(w->Only("entered").back(), "entered ok");
    w->acceptLines = 0;
    input->SetEditText(u"kept");
    input->HandleKey(13);
    EXPECT_STREQ(Narrow(input->GetEditText()).c_str(), "kept");
}

TEST_F(ChatTest, ASelectableBoxReportsTheClickedLineAndNothingBetweenLines) {
    auto* w = new RecordingChat(100, 100, 200, 100);
    auto* list = new ChatTextBox(w, false, true, 100, 4, 0);
    list->SetRect(0, 0, 200, 90);
    list->AddLine(u"anna", 0x7FFF, 0x7FFF, -1, -1, nullptr);
    list->AddLine(u"bert", 0x7FFF, 0x7FFF, -1, -1, nullptr);
    list->SetScrollPos(0); // from the top: rows 0..35 hold lines, the rest is empty
    Click(110, 100 + 20);
    Click(110, 100 + 70);
    EXPECT_EQ(w->Only("text"), std::vector<std::string>{"text bert"});
}

TEST_F(ChatTest, ATrackPressStepsAtOnceThenRepeatsUntilRelease) {
    auto* w = new RecordingChat(100, 100, 40, 200);
    auto* bar = new ChatScrollBar(w);
    bar->SetRect(0, 0, 200);
    bar->SetPosition(0, 100);
    Press(105, 100 + 150); // below the thumb
    EXPECT_EQ(w->Only("step"), std::vector<std::string>{"step 1"});
    for (int i = 0; i < CButtonGump::kRepeatDelay + 3; ++i)
        MouseManager::Update();
    const size_t held = w->Only("step").size();
    EXPECT_GE(held, 3u);
    for (const std::string& e : w->Only("step"))
        EXPECT_EQ(e, "step 1");
    MouseManager::OnLButtonUp(105, 100 + 150);
    for (int i = 0; i < 10; ++i)
        MouseManager::Update();
    EXPECT_EQ(w->Only("step").size(), held);
}

TEST_F(ChatTest, ADialogReportsTheSameByEnterAsByItsButton) {
    for (const bool byButton : {false, true}) {
        SCOPED_TRACE(byButton ? "button" : "enter");
        auto* w = new RecordingChat(50, 50, 400, 300);
        auto* dialog = new ChatDialog(w, 5, u"Name?", u"Name", nullptr);
        EXPECT_EQ(dialog->borderCount, 6);
        EXPECT_EQ(CGumpManager::GetFocus(), dialog);
        for (char16_t u : std::u16string(u"bo"))
            GumpHandleKey(dialog, u);
        if (byButton)
            dialog->HandleButtonPress(1);
        else
            GumpHandleKey(dialog, 13);
        CGumpManager::FreeClosedGumps();
        EXPECT_EQ(w->Only("result"), std::vector<std::string>{"result bo | null"});
        EXPECT_TRUE(w->Only("cancel").empty());
        w->Close();
        CGumpManager::FreeClosedGumps();
    }
    auto* w = new RecordingChat(50, 50, 400, 300);
    auto* two = new ChatDialog(w, -1, u"Join", u"Name", u"Password");
    EXPECT_EQ(two->borderCount, 7);
    two->HandleButtonPress(0);
    CGumpManager::FreeClosedGumps();
    EXPECT_EQ(w->events, std::vector<std::string>{"cancel"});
}

TEST_F(ChatTest, ADialogClosedWithItsWindowOrInTeardownSendsNothing) {
    EnsureGameSock();
    Queued();
    RecordingChat::cancels = 0;
    auto* w = new RecordingChat(50, 50, 400, 300);
    new ChatDialog(w, 5, u"Name?", u"Name", nullptr);
    auto* top = new ChatDialog(nullptr, 0, u"Open chat", u"Name", nullptr);
    GumpHandleKey(top, 'x');
    CGumpManager::CloseAllGumps();
    CGumpManager::FreeClosedGumps();
    EXPECT_TRUE(Queued().empty());
    EXPECT_EQ(RecordingChat::cancels, 0); // its window was closing with it

    // Accepted, a top-level dialog asks to open the chat.
    auto* open = new ChatDialog(nullptr, 0, u"Open chat", u"Name", nullptr);
    GumpHandleKey(open, 'x');
    open->HandleButtonPress(1);
    CGumpManager::FreeClosedGumps();
    const std::vector<uint8_t> sent = Queued();
    ASSERT_EQ(sent.size(), 64u);
    EXPECT_EQ(sent[0], 0xB5);
    EXPECT_EQ(sent[1], 0);
    EXPECT_EQ(sent[2], 0);
    EXPECT_EQ(sent[3], 'x');
}

// ------------------------------------------------------------------ the HTML box

class HtmlBoxTest : public ChatTest {
  protected:
    void SetUp() override {
        ChatTest::SetUp();
        HTMLBox::services().keyDown = [this](int key) { return keys.count(key) != 0; };
        HTMLBox::services().sendInternalLink = [this](const std::u16string& href) {
            commands.push_back("1 " + Narrow(href.c_str()));
        };
        HTMLBox::services().openUrl = [this](const std::string& url) { commands.push_back("url " + url); };
    }
    HTMLBox* MakeBox(uint32_t flags, const char16_t* text) {
        window = new RecordingChat(20, 20, 400, 300);
        auto* box = new HTMLBox(window, 9, flags, false, true);
        box->SetRect(Rect{10, 10, 200, 120});
        box->SetText(text, 0x7FFF);
        box->placeholder = false;
        box->caret = box->selectionEnd = static_cast<int>(box->Text().size());
        return box;
    }
    void Type(HTMLBox* box, const std::u16string& text) {
        for (char16_t u : text)
            box->HandleKey(u);
    }
    std::set<int> keys;
    std::vector<std::string> commands;
    RecordingChat* window = nullptr;
};

TEST_F(HtmlBoxTest, KeyTableByKindOfBox) {
    HTMLBox* readOnly = MakeBox(HtmlFlag::ReadOnly, u"fixed");
    readOnly->caret = readOnly->selectionEnd = 2;
    for (int key : {int{'a'}, 8, 13, 9, 0xE02E, 0xE025})
        readOnly->HandleKey(key);
    EXPECT_EQ(readOnly->Text(), u"fixed");
    EXPECT_EQ(readOnly->document()->GetCaretIndex(30, 30, &readOnly->textRect, 0), -1);

    HTMLBox* single = MakeBox(HtmlFlag::SingleLine, u"");
    single->HandleKey(13);
    Type(single, std::u16string(120, u'x'));
    EXPECT_EQ(single->Text().size(), 100u);
    HTMLBox::clipboardText = std::u16string(500, u'y');
    single->caret = single->selectionEnd = 10;
    single->HandleKey(8); // room again for one
    keys.insert(platform::VK_SHIFT);
    single->HandleKey(0xE02D);
    EXPECT_EQ(single->Text().size(), 100u);
    EXPECT_EQ(single->Text()[9], u'y');

    keys.clear();
    HTMLBox* edit = MakeBox(0, u"hello world");
    edit->HandleKey(13);
    EXPECT_EQ(edit->Text(), u"hello world\n");
    // Cut "hello" and paste it at the end.
    edit->caret = 0;
    edit->selectionEnd = 5;
    keys.insert(platform::VK_SHIFT);
    edit->HandleKey(0xE02E);
    EXPECT_EQ(edit->Text(), u" world\n");
    edit->caret = edit->selectionEnd = static_cast<int>(edit->Text().size());
    edit->HandleKey(0xE02D);
    EXPECT_EQ(edit->Text(), u" world\nhello");
    // Ctrl makes Shift count as not held: Delete then deletes forward only.
    keys.insert(platform::VK_CONTROL);
    edit->caret = 0;
    edit->selectionEnd = 3;
    edit->HandleKey(0xE02E);
    EXPECT_EQ(edit->Text(), u"rld\nhello");
    EXPECT_EQ(HTMLBox::clipboardText, u"hello");
}

TEST_F(HtmlBoxTest, ResizingBelowThirtyIsRefusedAndSizesAreRemembered) {
    HTMLBox* box = MakeBox(HtmlFlag::ReadOnly, u"text");
    box->resizable = true;
    keys.insert(platform::VK_SHIFT);
    const int sx = 20 + 10 + 100, sy = 20 + 10 + 60;
    Press(sx, sy);
    MoveTo(sx - 50, sy - 40);
    EXPECT_EQ(box->width, 150);
    EXPECT_EQ(box->height, 80);
    MoveTo(sx - 50 - 130, sy - 40);
    EXPECT_EQ(box->width, 150);
    Release(sx - 50 - 130, sy - 40);
    EXPECT_EQ(HTMLBox::lastWidth, 150);
    EXPECT_EQ(HTMLBox::lastHeight, 80);
}

TEST_F(HtmlBoxTest, LinksGoToTheSideConnectionTheBrowserOrAnAnchor) {
    HTMLBox* box =
        MakeBox(HtmlFlag::ReadOnly,
                u"<A HREF=\"page 7\" INT>inner</A> <A HREF=\"http://h.invalid/\">web</A><BR><BR><BR>"
                u"<BR><BR><BR><BR><BR><A NAME=\"low\">low</A><A HREF=\"#low\">jump</A>");
    const HTMLDocument* doc = box->document();
    ASSERT_FALSE(doc->links[0].rects.empty());
    const Rect in = doc->links[0].rects[0], web = doc->links[1].rects[0];
    Click(20 + 10 + in.left + 1, 20 + 10 + in.top + 4);
    Click(20 + 10 + web.left + 1, 20 + 10 + web.top + 4);
    EXPECT_EQ(commands, (std::vector<std::string>{"1 page 7", "url http://h.invalid/"}));
    // The thumb sat at the top after SetText; the anchor link scrolls down.
    EXPECT_EQ(box->scrollPos, 0);
    const Rect jump = doc->links[3].rects.at(0);
    box->HandleLButtonUp(jump.left + 1, jump.top + 4);
    EXPECT_GT(box->scrollPos, 0);
    box->SetText(u"again", 0);
    EXPECT_EQ(box->scrollPos, 0);
    EXPECT_EQ(box->scrollBar->thumb->Position(), 0);
}

} // namespace

namespace {

TEST_F(HtmlBoxTest, DraggingSelectsAndUpDownMoveByALine) {
    HTMLBox* box = MakeBox(0, u"first line\nsecond line\nthird");
    box->placeholder = true; // the first press empties a placeholder text once
    box->SetText(u"placeholder", 0x7FFF);
    const int ox = 20 + 10, oy = 20 + 10;
    Press(ox + box->textRect.left + 2, oy + box->textRect.top + 5);
    Release(ox + box->textRect.left + 2, oy + box->textRect.top + 5);
    EXPECT_TRUE(box->Text().empty());
    EXPECT_FALSE(box->placeholder);
    EXPECT_EQ(CGumpManager::GetFocus(), box);

    Type(box, u"first line");
    box->HandleKey(13);
    Type(box, u"second line");
    // Drag from the start of the first line into the second: the selection spans the line feed.
    const Rect& t = box->textRect;
    Press(ox + t.left + 1, oy + t.top + 5);
    MoveTo(ox + t.left + 30, oy + t.top + 18 + 5);
    Release(ox + t.left + 30, oy + t.top + 18 + 5);
    EXPECT_EQ(box->caret, 0);
    EXPECT_GT(box->selectionEnd, 11);
    box->HandleKey(8);
    EXPECT_EQ(box->Text().find(u'\n'), std::u16string::npos);

    HTMLBox* lines = MakeBox(0, u"");
    Type(lines, u"abc");
    lines->HandleKey(13);
    Type(lines, u"defgh");
    lines->HandleKey(0xE026); // up: into the first line
    EXPECT_LT(lines->caret, 4);
    lines->HandleKey(0xE028); // down again
    EXPECT_GT(lines->caret, 3);
    HTMLBox* single = MakeBox(HtmlFlag::SingleLine, u"abc");
    single->HandleKey(0xE026);
    EXPECT_EQ(single->caret, 3);
}

TEST_F(HtmlBoxTest, APressInsideAPressingBoxReachesItsWindowAsAButton) {
    class Window : public RecordingChat {
      public:
        using RecordingChat::RecordingChat;
        void HandleButtonPress(int id) override { events.push_back("button " + std::to_string(id)); }
    };
    auto* w = new Window(20, 20, 400, 300);
    auto* box = new HTMLBox(w, 42, HtmlFlag::ReadOnly | HtmlFlag::PressesBox, false, true);
    box->SetRect(Rect{10, 10, 200, 120});
    box->SetText(u"press me", 0x7FFF);
    Click(20 + 10 + 20, 20 + 10 + 20);
    EXPECT_EQ(w->Only("button"), std::vector<std::string>{"button 42"});
}

} // namespace
