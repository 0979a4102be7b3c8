// Barks and the input line: stacking and trimming, the left-edge pull, lifetimes on the test clock,
// name labels at the click point, no bark for an item in a closed container, covering, the clamped
// hue look-ups, clicks with a target cursor up, and the input line's size.
#include "gumps/Barks.h"
#include "gumps/FieldFixture.h"

#include <gtest/gtest.h>

using namespace gumptest;

namespace {

class BarkTest : public ControlTest {
  protected:
    void SetUp() override {
        ControlTest::SetUp();
        GraphicManager::SetScreenSize(800, 600);
        GumpWorld().screenRect = [this](uint32_t s, Rect* r) {
            auto it = places.find(s);
            if (it == places.end()) return false;
            *r = it->second;
            return true;
        };
        GumpSlotTable().journalEntry = [this](const char* line, int) { journal.push_back(line); };
        GumpSlotTable().journalEntryUnicode = [this](const char16_t* line, int) {
            journal.emplace_back(line, line + std::char_traits<char16_t>::length(line));
        };
        savedScale = ScaleBarkTimes;
        savedModifier = BarkTimeModifier;
        savedQuery = NotorietyQuery;
    }
    void TearDown() override {
        ScaleBarkTimes = savedScale;
        BarkTimeModifier = savedModifier;
        NotorietyQuery = savedQuery;
        BarkHookTable() = BarkHooks{};
        SetBarkSpeaker(1, nullptr);
        ControlTest::TearDown();
    }
    std::map<uint32_t, Rect> places;
    std::vector<std::string> journal;
    bool savedScale = true, savedQuery = false;
    int savedModifier = 100;
};

constexpr uint32_t kMobile = 0x100;

} // namespace

TEST_F(BarkTest, ThreeBarksStackNewestLowestAndTheOldestGoWhenTallerThanTheScreen) {
    World().mobiles = {kMobile};
    places[kMobile] = Rect{400, 300, 420, 360};
    CBarkGump* a = CBarkGump::Create(kMobile, "first", 0, 3, nullptr, 0);
    CBarkGump* b = CBarkGump::Create(kMobile, "second", 0, 3, nullptr, 0);
    CBarkGump* c = CBarkGump::Create(kMobile, "third", 0, 3, nullptr, 0);
    ASSERT_TRUE(a && b && c);
    EXPECT_EQ(c->y, 304 - c->height);
    EXPECT_EQ(b->y, c->y - b->height);
    EXPECT_EQ(a->y, b->y - a->height);
    EXPECT_EQ(c->x, 410 - c->width / 2);
    EXPECT_EQ(CBarkGump::NewestOf(kMobile), c);
    EXPECT_EQ(c->older(), b);
    EXPECT_EQ(b->older(), a);
    // Six wrapped lines of 8 pixels each: twelve such barks fit in 599 pixels, the oldest go.
    std::string tall;
    for (int i = 0; i < 32; ++i)
        tall += "word ";
    GumpRef<CBarkGump> ra(a);
    std::vector<GumpRef<CBarkGump>> refs;
    for (int i = 0; i < 20; ++i)
        refs.emplace_back(CBarkGump::Create(kMobile, tall.c_str(), 0, 3, nullptr, 0));
    ASSERT_TRUE(refs.back());
    const int h = refs.back()->height;
    ASSERT_EQ(h, 48);
    EXPECT_FALSE(ra);
    int alive = 0;
    for (auto& r : refs)
        alive += r ? 1 : 0;
    EXPECT_EQ(alive, 599 / h);
    int total = 0;
    for (CBarkGump* b = CBarkGump::NewestOf(kMobile); b; b = b->older()) {
        total += b->height;
        EXPECT_GE(b->y, 0);
        if (b->newer()) {
            EXPECT_EQ(b->y + b->height, b->newer()->y);
        }
    }
    EXPECT_LE(total, 599);
}

TEST_F(BarkTest, ABarkAtTheLeftEdgeIsPulledToZeroAndSystemLinesStartAtTheBottomLeft) {
    World().mobiles = {kMobile};
    places[kMobile] = Rect{0, 300, 10, 360};
    CBarkGump* bark = CBarkGump::Create(kMobile, "pulled right", 0, 3, nullptr, 0);
    ASSERT_NE(bark, nullptr);
    EXPECT_EQ(bark->x, 0);
    CBarkGump* line = CBarkGump::Create(0, "a system line", 0, 3, nullptr, 0);
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->x, 0);
    EXPECT_EQ(line->y, 600 - 45 - line->height);
}

TEST_F(BarkTest, LifetimesFollowTheModifierAndTheLineCount) {
    std::string three; // six 8-pixel lines: three lines of the lifetime rule
    for (int i = 0; i < 32; ++i)
        three += "word ";
    struct Case {
        bool scale;
        int modifier;
        const char* text;
        uint32_t lifetime;
    } cases[] = {
        {false, 50, "short", 2000}, {false, 50, three.c_str(), 2000}, {true, 100, three.c_str(), 12000}};
    World().mobiles = {kMobile};
    places[kMobile] = Rect{400, 300, 420, 360};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.scale << " " << c.modifier << " " << c.text);
        ScaleBarkTimes = c.scale;
        BarkTimeModifier = c.modifier;
        CBarkGump* bark = CBarkGump::Create(kMobile, c.text, 0, 3, nullptr, 0);
        ASSERT_NE(bark, nullptr);
        if (c.scale) {
            ASSERT_EQ(bark->height / 15, 3); // the text wraps to three lines
        }
        EXPECT_EQ(bark->lifetime(), c.lifetime);
        GumpRef<CBarkGump> ref(bark);
        Advance(c.lifetime - 1);
        CGumpManager::UpdateBarks();
        EXPECT_TRUE(ref);
        Advance(1);
        CGumpManager::UpdateBarks();
        EXPECT_FALSE(ref);
        CGumpManager::FreeClosedGumps();
    }
}

TEST_F(BarkTest, ALabelGoesToTheClickPointWhileTheJournalSaysYouSee) {
    constexpr uint32_t kLamp = 0x4000'0010;
    places[kLamp] = Rect{100, 100, 120, 120};
    BarkHookTable().gameViewPressPoint = [](int* x, int* y) {
        *x = 300;
        *y = 200;
    };
    SetBarkSpeaker(3, nullptr);
    CBarkGump* label = CBarkGump::Create(kLamp, "a lamp", 0, 3, nullptr, 0);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->x, 300 - label->width / 2);
    EXPECT_EQ(label->y, 200 - label->height);
    SetBarkSpeaker(2, "Ann");
    CBarkGump::Create(kLamp, "hello", 0, 3, nullptr, 0);
    CBarkGump::Create(kLamp, "plain", 0, 3, nullptr, 0);
    const std::vector<std::string> want{"You see: a lamp", "Ann: hello", "plain"};
    EXPECT_EQ(journal, want);
}

TEST_F(BarkTest, NoBarkForAnItemInAClosedContainer) {
    constexpr uint32_t kBag = 0x4000'0020, kCoin = 0x4000'0021;
    World().containers = {kBag};
    World().holders[kCoin] = kBag;
    EXPECT_EQ(CBarkGump::Create(kCoin, "coin", 0, 3, nullptr, 0), nullptr);
    EXPECT_EQ(CUnicodeBarkGump::Create(kCoin, u"coin", 0, 0, nullptr, nullptr, 0), nullptr);
    EXPECT_EQ(CBarkGump::NewestOf(kCoin), nullptr);
    // With the bag's window open the bark stands at the window's last press point.
    auto* bagWindow = new TestGump(50, 60, 100, 100, 0x0421, nullptr, kBag);
    bagWindow->SetKindForTest(GumpKind::Container, GumpTrait::kBase);
    bagWindow->pressX = 30;
    bagWindow->pressY = 40;
    CBarkGump* bark = CBarkGump::Create(kCoin, "coin", 0, 3, bagWindow, 0);
    ASSERT_NE(bark, nullptr);
    EXPECT_EQ(bark->x, 80 - bark->width / 2);
    EXPECT_EQ(bark->y, 100 - bark->height);
    EXPECT_FALSE(bark->IsGameAreaRelative());
}

TEST_F(BarkTest, ACoveredBarkIsDrawnHalfBlended) {
    World().mobiles = {kMobile, kMobile + 1};
    places[kMobile] = Rect{400, 300, 420, 360};
    places[kMobile + 1] = Rect{402, 302, 422, 362};
    CBarkGump* back = CBarkGump::Create(kMobile, "under", 0, 3, nullptr, 0);
    CBarkGump* front = CBarkGump::Create(kMobile + 1, "over", 0, 3, nullptr, 0);
    EXPECT_TRUE(IsCovered(back));
    EXPECT_FALSE(IsCovered(front));
    uint16_t dst[4] = {0x7C00, 0x03E0, 0x001F, 0x1234};
    const uint16_t src[4] = {0x7C00, 0, 0x7FFF, 0x1234};
    BlendRowsHalf(1, 4, dst, src, 4, 4);
    EXPECT_EQ(dst[1], 0x03E0); // transparent source pixels leave the destination
    EXPECT_NE(dst[2], 0x001F);
}

TEST(BarkOutline, OutlinesWithoutSpreading) {
    // 5 x 5, one lit pixel in the middle.
    std::vector<uint16_t> p(25, 0);
    p[12] = 0x7FFF;
    OutlineBarkBitmap(p.data(), 5, 5, 1);
    int keys = 0;
    for (uint16_t v : p)
        keys += v == 1;
    EXPECT_EQ(keys, 8);
    EXPECT_EQ(p[0], 0); // the new key pixels did not spread
    OutlineBarkBitmap(nullptr, 5, 5, 1);
    OutlineBarkBitmap(p.data(), 2, 2, 1);
}

TEST_F(BarkTest, UnicodeBarksAndTheInputLineUseTheClampedHueTable) {
    CUnicodeBarkGump* bark = CUnicodeBarkGump::Create(0, u"hue zero", 0, 0, nullptr, nullptr, 0);
    ASSERT_NE(bark, nullptr);
    EXPECT_STREQ(bark->language(), "enu");
    const uint16_t entry0 = HueManager::GetEntry(0).colours[30];
    auto holds = [](const PixelBlock* block, uint16_t colour) {
        return block && std::find(block->pixels.begin(), block->pixels.end(), colour) != block->pixels.end();
    };
    EXPECT_TRUE(holds(bark->Frame(0), entry0));
    EXPECT_TRUE(holds(bark->Frame(0), 1)); // the outline
    auto* line = new CInputGump(u"past the table", 3000);
    EXPECT_TRUE(holds(line->Frame(0), entry0));
    int w = 0, h = 0, b = 0;
    UnicodeCalcInfo(u"past the table", &w, &h, &b);
    EXPECT_EQ(line->width, w + 2);
    auto* narrow = new CInputGump("", 0, 3, false);
    EXPECT_GE(narrow->width, 2);
    EXPECT_GE(narrow->height, 1);
    EXPECT_EQ(narrow->y, 600 - narrow->height);
}

TEST_F(BarkTest, ASingleClickOnAMobileBarkTargetsItUnlessItAsksFirst) {
    World().mobiles = {kMobile};
    places[kMobile] = Rect{400, 300, 420, 360};
    struct Case {
        bool query;
        int kind;
        bool innocent;
        bool delivered, asked;
    } cases[] = {{false, 1, true, true, false},
                 {true, 1, true, false, true},
                 {true, 1, false, true, false},
                 {true, 2, true, true, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.query << " kind " << c.kind << " innocent " << c.innocent);
        CGumpManager::ResetForTests();
        MouseManager::ResetForTests();
        GumpTargeting::ResetForTests();
        NotorietyQuery = c.query;
        std::vector<uint32_t> delivered, asked;
        BarkHookTable().isNotInnocent = [&](uint32_t) { return !c.innocent; };
        BarkHookTable().isNotCriminal = [&](uint32_t) { return true; };
        BarkHookTable().confirmCriminalAction = [&](uint32_t s) { asked.push_back(s); };
        GumpTargeting::Begin(c.kind, [&](uint32_t s) { delivered.push_back(s); });
        CBarkGump* bark = CBarkGump::Create(kMobile, "target me", 0, 3, nullptr, 0);
        ASSERT_NE(bark, nullptr);
        Click(bark->x + 2, bark->y + 2);
        Advance(platform::GetDoubleClickTime() + 1);
        MouseManager::Update();
        EXPECT_EQ(delivered.size(), c.delivered ? 1u : 0u);
        EXPECT_EQ(asked.size(), c.asked ? 1u : 0u);
        if (c.asked) {
            EXPECT_FALSE(GumpTargeting::IsTargeting());
        }
    }
}

TEST_F(BarkTest, RefreshedBarksFollowTheirSpeakerButThePlayersStayPut) {
    constexpr uint32_t kPlayer = 0x200;
    World().mobiles = {kMobile, kPlayer};
    World().player = kPlayer;
    places[kMobile] = Rect{400, 300, 420, 360};
    places[kPlayer] = Rect{200, 300, 220, 360};
    CBarkGump* other = CBarkGump::Create(kMobile, "moving", 0, 3, nullptr, 0);
    CBarkGump* mine = CBarkGump::Create(kPlayer, "still", 0, 3, nullptr, 0);
    CBarkGump* line = CBarkGump::Create(0, "system", 0, 3, nullptr, 0);
    const int ox = other->x, oy = other->y, mx = mine->x, my = mine->y, lx = line->x, ly = line->y;
    places[kMobile] = Rect{430, 290, 450, 350};
    places[kPlayer] = Rect{230, 290, 250, 350};
    CGumpManager::RefreshBarks();
    EXPECT_EQ(other->x, ox + 30);
    EXPECT_EQ(other->y, oy - 10);
    EXPECT_EQ(mine->x, mx);
    EXPECT_EQ(mine->y, my);
    EXPECT_EQ(line->x, lx);
    EXPECT_EQ(line->y, ly);
    // Far off the left edge: clamped, but the unclamped place is kept for the way back.
    places[kMobile] = Rect{-400, 290, -380, 350};
    CGumpManager::RefreshBarks();
    EXPECT_EQ(other->x, 0);
    places[kMobile] = Rect{430, 290, 450, 350};
    CGumpManager::RefreshBarks();
    EXPECT_EQ(other->x, ox + 30);
}

TEST_F(BarkTest, ClicksTranslateForeignSpeechAndADoubleClickActsOnTheSpeaker) {
    World().mobiles = {kMobile};
    places[kMobile] = Rect{400, 300, 420, 360};
    const bool savedAuto = TranslationServerAutomatic;
    TranslationServerAutomatic = true;
    std::vector<std::u16string> sent;
    std::vector<uint32_t> doubled;
    BarkHookTable().acceptsSourceLanguage = [](const char* code) { return std::string(code) != "enu"; };
    BarkHookTable().translate = [&](const char16_t* text, uint32_t) { sent.emplace_back(text); };
    BarkHookTable().doubleClickObject = [&](uint32_t s) { doubled.push_back(s); };
    CUnicodeBarkGump* foreign = CUnicodeBarkGump::Create(kMobile, u"Hallo", 38, 0, "deu", nullptr, 0);
    ASSERT_NE(foreign, nullptr);
    Click(foreign->x + 2, foreign->y + 2);
    Advance(platform::GetDoubleClickTime() + 1);
    MouseManager::Update();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], u"Hallo");
    OnBarkTranslated(1, kMobile, 0, u"Hello");
    CBarkGump* answer = CBarkGump::NewestOf(kMobile);
    ASSERT_NE(answer, foreign);
    EXPECT_EQ(answer->hue(), 53);
    EXPECT_EQ(gump_cast<CUnicodeBarkGump>(answer)->wideText(), u"Hello");
    Advance(1000);
    Click(answer->x + 2, answer->y + 2);
    Click(answer->x + 2, answer->y + 2);
    EXPECT_EQ(doubled, std::vector<uint32_t>{kMobile});
    EXPECT_EQ(sent.size(), 1u); // an English bark is not sent
    TranslationServerAutomatic = savedAuto;
}
