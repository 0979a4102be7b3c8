// The server-described window: its layout, drawing bounds, input and the 0xB1 reply.
#include "gumps/GenericGump.h"
#include "gumps/ControlFixture.h"
#include "gumps/GumpArtLayout.h"
#include "net/ServerWindows.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

namespace gumptest {
namespace {

using Item = GenericGumpItem;

std::string Describe(const Item& it) {
    std::ostringstream s;
    s << it.kind << "@" << it.x << "," << it.y << " p" << it.page << " g" << it.group;
    if (it.art) s << " art" << it.art;
    if (it.art2) s << "/" << it.art2;
    if (it.hue) s << " hue" << it.hue;
    if (it.id) s << " id" << it.id;
    if (it.buttonFlags) s << " f" << it.buttonFlags;
    if (it.parameter) s << " par" << it.parameter;
    if (it.state) s << " on";
    if (it.virtue) s << " virtue";
    if (!it.text.empty()) s << " '" << std::string(it.text.begin(), it.text.end()) << "'";
    if (!it.children.empty()) {
        s << " [";
        for (size_t i = 0; i < it.children.size(); ++i)
            s << (i ? "; " : "") << Describe(*it.children[i]);
        s << "]";
    }
    return s.str();
}

std::string Describe(const GumpLayout& layout) {
    std::string out;
    for (const auto& it : layout.items)
        out += (out.empty() ? "" : " | ") + Describe(*it);
    return out;
}

const std::vector<std::u16string> kLines = {u"zero", u"one", u"two"};

class GumpLayoutTest : public ControlTest {};

TEST_F(GumpLayoutTest, CommandsBecomeItems) {
    struct Case {
        std::string layout;
        std::string items;
    };
    const std::vector<Case> cases = {
        {"{tilepic 10 20 3821,33}", "2@10,20 p0 g0 art3821 hue33"},
        {"{tilepichue 1 2 3 44}", "2@1,2 p0 g0 art3 hue44"},
        {"{gumppic 5 6 210 hue=40 class=VirtueGumpItem}", "1@5,6 p0 g0 art210 hue40 virtue"},
        // Keys are exact; other words and other keys are skipped.
        {"{gumppic 5 6 210 HUE=9 loose class=Other hue=7}", "1@5,6 p0 g0 art210 hue7"},
        {"{gumppic 5 6}", ""},
        // Missing numbers are 0, never the last command's.
        {"{button 1 2 1150 1151 1 3 9}{button 4 5 1150}",
         "5@1,2 p0 g0 art1150/1151 id9 f3 par3 | 5@4,5 p0 g0 art1150"},
        // A line index past the table, or below it, is an empty text.
        {"{text 1 2 0 9}{text 3 4 0 -1}{text 5 6 7 2}", "4@1,2 p0 g0 | 4@3,4 p0 g0 | 4@5,6 p0 g0 hue7 'two'"},
        {"{page 2}{checkbox 1 1 210 211 1 5}{page 0}{radio 2 2 210 211 0 6}",
         "6@1,1 p2 g0 art210/211 id5 par1 on | 7@2,2 p0 g0 art210/211 id6"},
        {"{group 1}{radio 0 0 210 211 1 1}{group 2}{radio 0 0 210 211 0 2}{group 0}{text 0 0 0 0}",
         "0@0,0 p0 g1 [7@0,0 p0 g1 art210/211 id1 par1 on; 0@0,0 p0 g2 [7@0,0 p0 g2 art210/211 id2; 0@0,0 p0 "
         "g0]] | 4@0,0 p0 g0 'zero'"},
        {"{textentry 1 2 100 20 0 7 1}", "8@1,2 p0 g0 id7 'one'"},
        {"{GumpPic 1 2 210}", "1@1,2 p0 g0 art210"},
        // A command cut by the end of the layout still counts; nothing outside braces does.
        {"junk {text 1 1 0 0} more {text 2 2 0 1", "4@1,1 p0 g0 'zero' | 4@2,2 p0 g0 'one'"},
        {"{unknown 1 2 3}{}{   }", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Describe(ParseGumpLayout(c.layout, kLines)), c.items) << c.layout;
}

TEST_F(GumpLayoutTest, FlagsAndLongCommands) {
    GumpLayout plain = ParseGumpLayout("{text 0 0 0 0}", kLines);
    EXPECT_TRUE(plain.movable && plain.closable && plain.disposable);
    GumpLayout fixed = ParseGumpLayout("{nodispose}{noclose}{nomove}", kLines);
    EXPECT_FALSE(fixed.movable || fixed.closable || fixed.disposable);
    // No fixed command buffer: a command of 5,000 characters keeps its last numbers.
    std::string longCommand = "{text 3 4" + std::string(5000, ' ') + "0 1}";
    EXPECT_EQ(Describe(ParseGumpLayout(longCommand, kLines)), "4@3,4 p0 g0 'one'");
}

class GenericGumpTest : public ControlTest {
  protected:
    void SetUp() override {
        ControlTest::SetUp();
        SetServerWindowSink([this](const std::vector<uint8_t>& wire) { sent.push_back(wire); });
    }
    void TearDown() override {
        ResetServerWindowSlots();
        GenericGump::PlayerSerial() = [] { return 0u; };
        ControlTest::TearDown();
    }
    GenericGump* Open(const std::string& layout, std::vector<std::u16string> lines = kLines) {
        return new GenericGump(100, 50, layout, lines, 0x1234, 77);
    }
    // A click at gump coordinates.
    static void ClickAt(GenericGump* g, int x, int y) {
        Click(g->x + x, g->y + y);
        CGumpManager::FreeClosedGumps();
    }
    static const Item& At(GenericGump* g, size_t i) { return *g->items()[i]; }
    std::vector<std::vector<uint8_t>> sent;
};

std::vector<uint8_t> Bytes(std::initializer_list<int> list) {
    std::vector<uint8_t> out;
    for (int b : list)
        out.push_back(static_cast<uint8_t>(b));
    return out;
}

TEST_F(GenericGumpTest, ReplyListsChildrenFirstThenTexts) {
    // A grouped check box comes before a top-level one; texts after switches; buttons are not switches.
    GenericGump* g =
        Open("{group 1}{checkbox 0 0 210 211 1 5}{group 0}{checkbox 20 0 210 211 1 6}"
             "{radio 40 0 210 211 0 8}{textentry 0 30 60 18 0 3 1}{button 0 60 1150 1151 1 0 42}");
    ClickAt(g, 45, 5); // the radio
    ClickAt(g, 5, 65); // the reply button
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0],
              Bytes({0xB1, 0, 45, 0, 0, 0x12, 0x34, 0, 0, 0, 77, 0, 0, 0, 42, 0, 0, 0,   3, 0,   0, 0,  5,
                     0,    0, 0,  6, 0, 0,    0,    8, 0, 0, 0,  1, 0, 3, 0,  3, 0, 'o', 0, 'n', 0, 'e'}));
    EXPECT_EQ(MouseManager::GetCapture(), nullptr);
    EXPECT_EQ(CGumpManager::TopLevel().first, nullptr) << "the reply button closes the gump";
}

TEST_F(GenericGumpTest, RadiosChangeOnlyInTheirOwnGroup) {
    GenericGump* g = Open("{group 1}{radio 0 0 210 211 1 1}{radio 20 0 210 211 0 2}"
                          "{group 2}{radio 0 30 210 211 1 3}{group 0}{radio 40 0 210 211 1 4}");
    ClickAt(g, 25, 5);
    const Item& group1 = At(g, 0);
    EXPECT_EQ(group1.children[0]->state, 0);
    EXPECT_EQ(group1.children[1]->state, 1);
    EXPECT_EQ(group1.children[2]->children[0]->state, 1) << "group 2 keeps its radio";
    EXPECT_EQ(At(g, 1).state, 1) << "the top-level radio is not a sibling";
}

TEST_F(GenericGumpTest, PageButtonShowsThePageAndKeepsPageZero) {
    GenericGump* g = Open("{page 0}{gumppic 0 0 0}{page 1}{button 0 30 1150 1151 0 2 0}{page 2}"
                          "{checkbox 0 60 210 211 0 9}");
    EXPECT_FALSE(g->IsPointInside(2, 62));
    ClickAt(g, 5, 35);
    EXPECT_EQ(g->currentPage, 2);
    EXPECT_TRUE(g->IsPointInside(2, 62));
    EXPECT_TRUE(g->IsPointInside(2, 2)) << "page 0 stays";
    EXPECT_FALSE(g->IsPointInside(5, 35)) << "page 1 is gone";
    EXPECT_TRUE(sent.empty());
}

TEST_F(GenericGumpTest, RightClickClosesUnlessNoClose) {
    GenericGump* fixed = Open("{noclose}{gumppic 0 0 0}");
    fixed->HandleRButtonUp(1, 1);
    EXPECT_FALSE(fixed->IsClosed());
    EXPECT_TRUE(sent.empty());
    GenericGump* g = Open("{gumppic 0 0 0}");
    g->HandleRButtonUp(1, 1);
    EXPECT_TRUE(g->IsClosed());
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].size(), 23u);
    EXPECT_EQ(sent[0][14], 0) << "button 0";
}

TEST_F(GenericGumpTest, TextEntryTakesAtMost239Units) {
    GenericGump* g = Open("{textentry 0 0 300 18 0 1 9}{button 0 30 1150 1151 1 0 1}");
    ClickAt(g, 5, 5);
    EXPECT_EQ(CGumpManager::GetFocus(), g);
    for (int i = 0; i < 250; ++i)
        g->HandleKey('a');
    g->HandleKey(8);
    g->HandleKey('b');
    g->HandleKey(0xE025); // an arrow: nothing
    EXPECT_EQ(At(g, 0).text.size(), 239u);
    EXPECT_EQ(At(g, 0).text.back(), u'b');
    g->HandleKey(13);
    EXPECT_EQ(At(g, 0).state, 0) << "enter drops the focus and the caret";
    ClickAt(g, 5, 35);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].size(), 23u + 4 + 2 * 239);
}

TEST_F(GenericGumpTest, TheFocusMovesBetweenEntriesOfOneGump) {
    GenericGump* g = Open("{textentry 0 0 100 18 0 1 9}{textentry 0 40 100 18 0 2 9}");
    struct Step {
        int clickY;
        char16_t key;
        int focusedEntry; // index of the entry with the caret
    } steps[] = {{5, u'a', 0}, {45, u'b', 1}, {5, u'c', 0}, {45, u'd', 1}};
    for (const Step& s : steps) {
        ClickAt(g, 5, s.clickY);
        g->HandleKey(s.key);
        EXPECT_EQ(CGumpManager::GetFocus(), g);
        EXPECT_EQ(At(g, s.focusedEntry).state, 1) << "clicked at " << s.clickY;
        EXPECT_EQ(At(g, 1 - s.focusedEntry).state, 0) << "clicked at " << s.clickY;
    }
    EXPECT_EQ(At(g, 0).text, u"ac");
    EXPECT_EQ(At(g, 1).text, u"bd");
}

TEST(GumpReplyTest, RepliesThatDoNotFitAreRefused) {
    EXPECT_EQ(BuildGumpReply(1, 2, 3, std::vector<uint32_t>(16378), {}).size(), 23u + 4 * 16378);
    EXPECT_TRUE(BuildGumpReply(1, 2, 3, std::vector<uint32_t>(16379), {}).empty());
    std::vector<GumpReplyText> texts(136, GumpReplyText{1, std::u16string(300, u'x')});
    EXPECT_TRUE(BuildGumpReply(1, 2, 3, {}, texts).empty()) << "136 full texts pass 65,535 bytes";
    texts.resize(135);
    const std::vector<uint8_t> fits = BuildGumpReply(1, 2, 3, {}, texts);
    ASSERT_EQ(fits.size(), 23u + 135 * (4 + 478));
    EXPECT_EQ(fits[1] << 8 | fits[2], static_cast<int>(fits.size()));
}

TEST_F(GenericGumpTest, VirtueDoubleClickSendsItsShortReply) {
    GenericGump::PlayerSerial() = [] { return 0xAABBCCDDu; };
    GenericGump* g = Open("{gumppic 0 0 2 hue=2404 class=virtuegumpitem}");
    g->HandleLButtonDown(0, 0);
    g->HandleLButtonUp(0, 0);
    EXPECT_TRUE(sent.empty());
    Advance(platform::GetDoubleClickTime() + 1);
    g->HandleLButtonDown(0, 0); // too late: a new first press
    EXPECT_TRUE(sent.empty());
    Advance(10);
    g->HandleLButtonDown(0, 0);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], Bytes({0xB1, 0, 15, 0xAA, 0xBB, 0xCC, 0xDD, 0, 0, 1, 0xCD, 0, 0, 0, 2}));
}

TEST_F(GenericGumpTest, VirtueHoverShowsALabelAndLeavingEmptiesIt) {
    GenericGump* g = Open("{gumppic 0 0 0 hue=2404 class=VirtueGumpItem}");
    g->HandleMouseMove(3, 3);
    ASSERT_EQ(g->items().size(), 2u);
    const Item& label = At(g, 1);
    EXPECT_EQ(label.text, u"INVALID") << "art 0 is not a virtue";
    EXPECT_TRUE(label.bordered);
    EXPECT_GT(label.width, 8);
    g->HandleMouseMove(-1, -1);
    EXPECT_TRUE(label.text.empty());
    EXPECT_EQ(label.width, 0);
}

TEST_F(GenericGumpTest, ItemsOutsideOrHugeStayInsideACappedBitmap) {
    // Negative places, sizes of 0 or less, sizes past the cap and hues past the table.
    GenericGump* g =
        Open("{resizepic -50 -50 9300 100000 100000}{checkertrans -10 -10 50 50}{tilepic -30 -30 1}"
             "{gumppic -5 -5 0 hue=5000}{checkertrans 0 0 0 -5}{gumppictiled -3 -3 -4 9 9304}"
             "{croppedtext -8 -8 -20 -20 0 0}{text 4000 4000 4000 1}{textentry 10 10 99999 20 0 1 1}");
    EXPECT_EQ(g->width, GenericGump::kMaxSide);
    EXPECT_EQ(g->height, GenericGump::kMaxSide);
    const PixelBlock* frame = g->CurrentFrame();
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->pixels.size(), static_cast<size_t>(GenericGump::kMaxSide) * GenericGump::kMaxSide);
}

TEST_F(GenericGumpTest, AFrameCutByTheBitmapsEdgeShowsThatPartOfTheWholeFrame) {
    // Drawn in place and cut to the bitmap: each pixel is the whole frame's pixel 20 right and 10
    // down, or nothing where the frame has none.
    GenericGump* g = Open("{resizepic -20 -10 9300 100 60}");
    const PixelBlock* frame = g->CurrentFrame();
    ASSERT_NE(frame, nullptr);
    ASSERT_EQ(frame->width, 80);
    ASSERT_EQ(frame->height, 50);
    PixelBlock whole(100, 60);
    DrawGumpFrame(9300, whole, true);
    for (int y = 0; y < frame->height; ++y)
        for (int x = 0; x < frame->width; ++x)
            ASSERT_EQ(frame->At(x, y), whole.At(x + 20, y + 10)) << x << "," << y;
}

TEST_F(GenericGumpTest, TextOfHueZeroTakesTheFirstEntry) {
    for (int hue : {0, 3000, 70000}) {
        GenericGump* g = Open("{text 0 0 " + std::to_string(hue) + " 0}");
        const uint16_t colour = HueManager::ResolveHueColours(hue)[30];
        const PixelBlock* frame = g->CurrentFrame();
        ASSERT_NE(frame, nullptr);
        EXPECT_NE(std::find(frame->pixels.begin(), frame->pixels.end(), colour), frame->pixels.end()) << hue;
        g->Close();
    }
    EXPECT_EQ(HueManager::ResolveHueColours(3000), HueManager::ResolveHueColours(0)) << "clamped look-up";
}

TEST_F(GenericGumpTest, CloseWithReplyMatchesTheType) {
    GenericGump* g = Open("{gumppic 0 0 0}");
    g->CloseWithReply(78, 5);
    EXPECT_FALSE(g->IsClosed());
    g->CloseWithReply(77, 5);
    EXPECT_TRUE(g->IsClosed());
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0][14], 5);
}

TEST_F(GenericGumpTest, GoldenEveryKind) {
    std::vector<std::u16string> lines = {u"Generic", u"A text much too long to fit", u"entry",
                                         u"<b>Bold</b> html"};
    GenericGump* g =
        Open("{resizepic 0 0 9300 240 180}{gumppic 10 10 0}{gumppic 50 10 0 hue=33}{tilepic 90 10 1}"
             "{text 10 40 0 0}{croppedtext 10 60 80 18 40 1}{textentry 10 85 100 18 0 1 2}"
             "{checkbox 130 40 210 211 1 1}{radio 160 40 210 211 0 2}{button 130 70 1150 1151 1 0 1}"
             "{checkertrans 120 110 100 40}{gumppictiled 130 120 30 20 9304}{page 2}{text 10 140 0 0}",
             lines);
    ClickAt(g, 15, 90); // the entry takes the focus
    Sheet sheet(260, 200);
    sheet.Put(*g->CurrentFrame(), 10, 10);
    sheet.ExpectGolden("generic.ppm");
}

} // namespace
} // namespace gumptest

namespace gumptest {
namespace {

// The gump the "gumps" scenario sends, recorded: page 1 with a focused entry and a virtue label, then
// page 2 after its page button.
TEST_F(GenericGumpTest, GoldenFromTheRecordedPacket) {
    std::optional<std::vector<uint8_t>> bytes = platform::ReadWholeFile(
        (std::filesystem::path(QV_TESTS_DIR "/gumps/data") / "generic_all.bin").string());
    ASSERT_TRUE(bytes.has_value());
    std::vector<uint8_t> framed = *bytes;
    const auto n = static_cast<uint16_t>(framed.size());
    std::memcpy(framed.data() + 1, &n, 2);
    PacketReader reader(framed.data(), framed.size());
    GenericGumpPacket packet;
    ASSERT_TRUE(ReadGenericGumpPacket(reader, &packet));
    GenericGump* g = GenericGump::Open(packet);
    g->x = g->y = 0;
    Sheet sheet(700, 270);
    ClickAt(g, 15, 90);          // the entry takes the focus
    g->HandleMouseMove(285, 15); // over the virtue item: its label
    sheet.Draw(*g);
    g->HandleMouseMove(-1, -1);
    ClickAt(g, 215, 75); // the page button
    EXPECT_EQ(g->currentPage, 2);
    g->x = 350;
    sheet.Draw(*g);
    sheet.ExpectGolden("generic_all.ppm");
}

} // namespace
} // namespace gumptest
