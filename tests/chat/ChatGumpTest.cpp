// The player chat window: conferences, typed commands and what goes out, panes, dialogs, sizes,
// and input through the mouse manager and the focus.
#include "chat/ChatGump.h"
#include "chat/ChatFixture.h"
#include "chat/ChatLines.h"
#include "core/Options.h"
#include "gumps/ChatServices.h"

#include <gtest/gtest.h>

using namespace chattest;

namespace {

class ChatGumpTest : public ChatTest {
  protected:
    void SetUp() override {
        ChatTest::SetUp();
        UserLanguageCodeString = "enu";
        EnsureGameSock();
        Queued();
        chat = new ChatGump(40, 30, 440, 320, u"Chat");
    }
    // The 0xB3 packet of a message as it is queued.
    static std::vector<uint8_t> ChatPacket(const std::u16string& message) {
        const size_t length = 3 + 4 + 2 * message.size() + 2;
        std::vector<uint8_t> p = {
            0xB3, static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length), 'e', 'n', 'u', 0};
        for (char16_t u : message) {
            p.push_back(static_cast<uint8_t>(u >> 8));
            p.push_back(static_cast<uint8_t>(u));
        }
        p.push_back(0);
        p.push_back(0);
        return p;
    }
    ChatGump* chat = nullptr;
};

TEST_F(ChatGumpTest, ConferencesAreAddedChangedAndRemovedButEntryZeroStays) {
    EXPECT_EQ(chat->AddConference(u"Tavern", false), 2);
    EXPECT_EQ(chat->conferences[1].second, u"/join \"Tavern\"$");
    EXPECT_EQ(chat->AddConference(u"Tavern", true), 0);
    EXPECT_EQ(chat->conferences.size(), 2u);
    EXPECT_EQ(chat->conferences[1].second, u"/join \"Tavern\" ");
    chat->RemoveConference(u"Tavern");
    chat->RemoveConference(u"New conference...");
    ASSERT_EQ(chat->conferences.size(), 1u);
    EXPECT_EQ(chat->conferences[0].first, u"New conference...");
}

TEST_F(ChatGumpTest, TypedLinesGoOutWithTheirCommandCode) {
    const struct {
        std::u16string typed, message;
    } cases[] = {
        {u"/create Hall", u"cHall"}, // text 66's word
        {u"/join \"Tavern\"", u"b\"Tavern\""},
        {u"/quiet", u"A"}, // text 90's word, nothing after it
        {u"/who all", u"vall"},
        {u"hello all", u"ahello all"}, // no word: code 'a'
        {u"/creates", u"cs"},          // a word is matched as a prefix
    };
    chat->input->BeginEdit();
    for (const auto& c : cases) {
        chat->input->SetEditText(c.typed.c_str());
        chat->input->HandleKey(13);
        EXPECT_EQ(Queued(), ChatPacket(c.message)) << Narrow(c.typed.c_str());
    }
}

TEST_F(ChatGumpTest, MissingOrEmptyWordsAndCaptionsAreSkipped) {
    // A section where most command words are missing and one is a single unit.
    mkinstall::SampleSection section{"chat", 2, 106, {{66, "/create "}, {67, "$"}, {94, "Hi"}}, {}};
    dir.write("language/chat.enu", mkinstall::MakeSectionFile(section, "enu"));
    LanguageManager::shutdown();
    LanguageManager::startup();
    chat->Close();
    CGumpManager::FreeClosedGumps();
    Queued();
    chat = new ChatGump(40, 30, 440, 320, u"Chat");
    EXPECT_EQ(chat->MessageFor(u"hello"), u"ahello");
    EXPECT_EQ(chat->MessageFor(u"/create x"), u"cx");
    EXPECT_EQ(chat->conferenceCaption->lines.back().text, u"");
    EXPECT_EQ(chat->commands[0].first, u"");
}

TEST_F(ChatGumpTest, ACommandEndingInDollarGoesWithoutADialog) {
    chat->HandleButtonPress(1);
    ChatListGump* pane = chat->commandPane.get();
    ASSERT_NE(pane, nullptr);
    chat->HandleChildText(u"List the conferences", pane); // command 71 "/list$"
    CGumpManager::FreeClosedGumps();
    EXPECT_EQ(Queued(), ChatPacket(u"h"));
    EXPECT_FALSE(chat->commandPane);

    // One that needs an argument asks for it first, then sends the command with it.
    chat->HandleButtonPress(1);
    chat->HandleChildText(u"Stop ignoring a user", chat->commandPane.get()); // command 83 "/unignore "
    CGumpManager::FreeClosedGumps();
    EXPECT_TRUE(Queued().empty());
    ChatDialog* dialog = nullptr;
    for (CGump* c = chat->firstChild(); c; c = c->next())
        if (c->debugName == std::string("ChatDialog")) dialog = static_cast<ChatDialog*>(c);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->prompt->lines.back().text, u"Whom do you want to stop ignoring?");
    GumpHandleKey(dialog, 'z');
    GumpHandleKey(dialog, 13);
    EXPECT_EQ(Queued(), ChatPacket(u"tz"));
}

TEST_F(ChatGumpTest, EntryZeroOpensTheJoinDialogWhoseAnswerSendsC) {
    chat->HandleButtonPress(0);
    chat->HandleChildText(u"New conference...", chat->conferencePane.get());
    CGumpManager::FreeClosedGumps();
    auto* dialog = static_cast<ChatDialog*>(CGumpManager::GetFocus());
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->dialogId, -1);
    chat->HandleDialogResult(dialog, u"Hall", u"pw");
    EXPECT_EQ(Queued(), ChatPacket(u"cHall{pw}"));
    chat->HandleDialogResult(dialog, u"Open", u"");
    EXPECT_EQ(Queued(), ChatPacket(u"cOpen"));
}

TEST_F(ChatGumpTest, ThePaneFitsTwentyEntriesInElevenRows) {
    for (int i = 0; i < 19; ++i)
        chat->AddConference((u"room " + std::u16string(1, static_cast<char16_t>('a' + i))).c_str(), false);
    chat->HandleButtonPress(0);
    int bw = 0, bh = 0;
    GetGumpArtSize(ChatArt::BorderAcross, &bw, &bh);
    ASSERT_TRUE(chat->conferencePane);
    EXPECT_EQ(chat->conferencePane->height, 2 * bh + 198);
    chat->Resize(200, 120, 0);
    EXPECT_LE(chat->conferencePane->height, 120);
}

TEST_F(ChatGumpTest, TheInnerAreaKeepsItsMinimumSize) {
    chat->Resize(100, 100, 0);
    EXPECT_EQ(chat->GetInnerWidth(), 34);
    EXPECT_EQ(chat->GetInnerHeight(), 90);
    chat->Resize(440, 320, 0);
    chat->Resize(300, 250, 1); // the pane handle
    EXPECT_EQ(chat->sideWidth, 140);
    EXPECT_EQ(chat->bottomHeight, 70);
    EXPECT_EQ(chat->GetInnerWidth(), 300);
}

TEST_F(ChatGumpTest, AMinimisedWindowIsRestoredByADoubleClickOnly) {
    chat->minimiseButton->HandleLButtonUp(0, 0);
    ASSERT_TRUE(chat->minimised);
    chat->newText = true;
    const int mx = chat->x + 10, my = chat->y + 10;
    Click(mx, my);
    EXPECT_TRUE(chat->minimised);
    platform::AdvanceManualClock(2000);
    MouseManager::Update();
    Click(mx, my);
    Click(mx, my);
    EXPECT_FALSE(chat->minimised);
    EXPECT_FALSE(chat->newText);
    EXPECT_EQ(chat->x, 40);
}

TEST_F(ChatGumpTest, DrawingPutsTheWorldBackWhereTheWindowWas) {
    const Rect all{0, 0, BackBuffer::Width(), BackBuffer::Height()};
    auto shown = [](int x, int y) {
        const platform::headless::Frame& f = platform::headless::LastFrame();
        return f.pixels.at(static_cast<size_t>(y) * f.width + x);
    };
    CGumpManager::DrawAllGumps(&all, true);
    EXPECT_NE(shown(140, 130), gumptest::WorldPixel(140, 130));
    // Afterwards the back buffer holds the world again, also under the children.
    EXPECT_EQ(Screen(140, 130), gumptest::WorldPixel(140, 130));
    chat->minimiseButton->HandleLButtonUp(0, 0);
    CGumpManager::DrawAllGumps(&all, true);
    EXPECT_EQ(shown(140, 130), gumptest::WorldPixel(140, 130));
}

TEST_F(ChatGumpTest, ClosingSaysGoodbye) {
    chat->Close();
    CGumpManager::FreeClosedGumps();
    EXPECT_EQ(ChatGump::Instance(), nullptr);
    EXPECT_EQ(Queued(), ChatPacket(u"X"));
}

TEST_F(ChatGumpTest, ATranslatedLineGoesToALiveBoxOnly) {
    GumpRef<ChatTextBox> box(chat->transcript);
    const size_t before = chat->transcript->lines.size();
    AddTranslatedChatLine(box, u"anna", u"hallo");
    AddTranslatedChatLine(box, nullptr, u"plain");
    AddTranslatedChatLine(box, nullptr, nullptr);
    ASSERT_EQ(chat->transcript->lines.size(), before + 2);
    EXPECT_EQ(chat->transcript->lines[before].text, u"anna: hallo");
    EXPECT_EQ(chat->transcript->lines[before + 1].text, u"plain");
    chat->Close();
    CGumpManager::FreeClosedGumps();
    AddTranslatedChatLine(box, u"late", u"answer"); // the window is gone: dropped
}

TEST_F(ChatGumpTest, ClickTypeAndEnterThroughTheMouseAndFocus) {
    const int ix = chat->x + chat->input->x + 10, iy = chat->y + chat->input->y + 5;
    Click(ix, iy);
    ASSERT_EQ(CGumpManager::GetFocus(), chat);
    for (char16_t u : std::u16string(u"hi"))
        GumpHandleKey(CGumpManager::GetFocus(), u);
    GumpHandleKey(CGumpManager::GetFocus(), 13);
    EXPECT_EQ(Queued(), ChatPacket(u"ahi"));

    // Dragging by the top border moves the window.
    const int bx = chat->x + 100, by = chat->y + 1;
    Press(bx, by);
    MoveTo(bx + 30, by + 20);
    Release(bx + 30, by + 20);
    EXPECT_EQ(chat->x, 70);
    EXPECT_EQ(chat->y, 50);
}

} // namespace
