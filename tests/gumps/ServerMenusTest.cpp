// The text query, the text menu and the sign: their answers and their looks.
#include "gumps/ServerMenus.h"
#include "gumps/ControlFixture.h"
#include "gumps/InputControls.h"
#include "mkinstall/ArtFiles.h"
#include "mkinstall/ControlArts.h"
#include "net/ServerWindows.h"
#include "world/TileData.h"

#include <gtest/gtest.h>

namespace gumptest {
namespace {

class ServerMenusTest : public ControlTest {
  protected:
    void SetUp() override {
        ControlTest::SetUp();
        SetServerWindowSink([this](const std::vector<uint8_t>& wire) { sent.push_back(wire); });
    }
    void TearDown() override {
        ResetServerWindowSlots();
        ControlTest::TearDown();
    }
    static TextQueryRequest Query(uint8_t style, uint8_t cancel) {
        TextQueryRequest q;
        q.serial = 0x01020304;
        q.parentId = 7;
        q.prompt = "How many?";
        q.cancelAllowed = cancel;
        q.style = style;
        q.maximum = style == 2 ? 500 : 20;
        q.description = "up to 500";
        return q;
    }
    static ItemListMenu Menu(int count) {
        ItemListMenu m;
        m.serial = 0x55;
        m.menuId = 9;
        m.title = "Pick one of these";
        for (int i = 0; i < count; ++i)
            m.entries.push_back(MenuEntry{static_cast<uint16_t>(i == 0 ? 0 : 0x100 + i), 0,
                                          "Choice " + std::to_string(i + 1)});
        return m;
    }
    static void ClickChild(CGump* child) {
        int sx = 0, sy = 0;
        CGump::GumpToScreenCoords(child, &sx, &sy);
        Click(sx + 4, sy + 4);
        CGumpManager::FreeClosedGumps();
    }
    std::vector<std::vector<uint8_t>> sent;
};

std::vector<uint8_t> B(std::initializer_list<int> list) {
    std::vector<uint8_t> out;
    for (int b : list)
        out.push_back(static_cast<uint8_t>(b));
    return out;
}

TEST_F(ServerMenusTest, QueryAnswersWithItsText) {
    struct Case {
        uint8_t style;
        std::vector<int> keys;
        bool ok;
        std::string text;
    };
    const std::vector<Case> cases = {
        {1, {'h', 'i'}, true, "hi"},
        {2, {'4', 'x', '2', '9', '9'}, true, "429"}, // digits only, up to the maximum
        {1, {'n', 'o'}, false, "no"},                // the text goes with a cancel too
        {0, {}, true, ""},
    };
    for (const Case& c : cases) {
        sent.clear();
        auto* q = static_cast<CStringQueryGump*>(OpenTextQuery(Query(c.style, 1)));
        EXPECT_EQ(CGumpManager::GetModal(), q);
        for (int k : c.keys)
            GumpHandleKey(q->field, k);
        if (c.ok)
            q->HandleEnterKey();
        else
            q->HandleEscapeKey();
        CGumpManager::FreeClosedGumps();
        ASSERT_EQ(sent.size(), 1u);
        std::vector<uint8_t> expect = {0xAC,
                                       0,
                                       static_cast<uint8_t>(13 + c.text.size()),
                                       1,
                                       2,
                                       3,
                                       4,
                                       0,
                                       7,
                                       static_cast<uint8_t>(c.ok ? 1 : 0),
                                       0,
                                       static_cast<uint8_t>(c.text.size() + 1)};
        expect.insert(expect.end(), c.text.begin(), c.text.end());
        expect.push_back(0);
        EXPECT_EQ(sent[0], expect) << c.text;
        EXPECT_EQ(CGumpManager::GetModal(), nullptr);
    }
}

TEST_F(ServerMenusTest, EscapeWithoutCancelKeepsTheQuery) {
    auto* q = static_cast<CStringQueryGump*>(OpenTextQuery(Query(1, 0)));
    q->HandleEscapeKey();
    EXPECT_FALSE(q->IsClosed());
    EXPECT_TRUE(sent.empty());
}

TEST_F(ServerMenusTest, TextMenuRadiosAndAnswers) {
    auto* picker = static_cast<CStringPickerGump*>(OpenItemListMenu(Menu(3)));
    ASSERT_EQ(picker->radios.size(), 3u);
    CToggleControlGump* first = picker->radios[0];
    CToggleControlGump* second = picker->radios[1];
    // OK with nothing chosen asks for a choice and keeps the menu.
    picker->Choose();
    EXPECT_TRUE(sent.empty());
    EXPECT_FALSE(picker->IsClosed());
    if (CGump* box = CGumpManager::GetModal()) box->Close();
    CGumpManager::FreeClosedGumps();
    ClickChild(first);
    ClickChild(second);
    EXPECT_FALSE(first->checked) << "checking a second clears the first";
    ClickChild(second);
    EXPECT_TRUE(second->checked) << "a checked radio stays checked";
    picker->Choose();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], B({0x7D, 0, 0, 0, 0x55, 0, 9, 0, 2, 0x01, 0x01, 0, 0}));

    // An empty menu opens, and its cancel (a right click) answers with index 0.
    sent.clear();
    auto* empty = static_cast<CStringPickerGump*>(OpenItemListMenu(Menu(0)));
    empty->HandleRButtonUp(1, 1);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], B({0x7D, 0, 0, 0, 0x55, 0, 9, 0, 0, 0, 0, 0, 0}));
}

ItemListMenu Pictures(std::vector<uint16_t> graphics) {
    ItemListMenu m;
    m.serial = 0x66;
    m.menuId = 4;
    m.title = "Pick an item";
    for (uint16_t g : graphics)
        m.entries.push_back(MenuEntry{g, static_cast<uint16_t>(g == 1 ? 33 : 0), "Item"});
    return m;
}

TEST_F(ServerMenusTest, PictureMenuAnswersItsChoice) {
    auto* picker = dynamic_cast<CObjPickerGump*>(OpenItemListMenu(Pictures({2, 1, 3})));
    ASSERT_NE(picker, nullptr) << "a first entry with a graphic makes a picture menu";
    picker->x = picker->y = 0;
    const int second = CObjPickerGump::kStrip.left + picker->PictureWidth(0) + 3;
    EXPECT_EQ(picker->EntryAt(second), 1);
    picker->HandleMouseMove(second, 60);
    EXPECT_EQ(picker->hovered, 1);
    MoveTo(second, 60);
    MouseManager::OnLButtonDown(second, 60);
    MouseManager::OnLButtonUp(second, 60);
    MouseManager::OnLButtonDown(second, 60);
    MouseManager::OnLButtonUp(second, 60);
    CGumpManager::FreeClosedGumps();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], B({0x7D, 0, 0, 0, 0x66, 0, 4, 0, 2, 0, 1, 0, 33}));

    sent.clear();
    OpenItemListMenu(Pictures({2, 2}))->HandleRButtonUp(1, 1);
    CGumpManager::FreeClosedGumps();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], B({0x7D, 0, 0, 0, 0x66, 0, 4, 0, 0, 0, 0, 0, 0}));
}

TEST_F(ServerMenusTest, APictureWithoutANameShowsItsItemName) {
    TileData::Allocate();
    std::snprintf(TileData::MutableItem(2)->name, sizeof ItemTileData::name, "loa%%ves/f%% of bread");
    ItemListMenu menu = Pictures({2, 3, 2});
    menu.entries[0].text.clear();
    auto* picker = static_cast<CObjPickerGump*>(OpenItemListMenu(menu));
    ASSERT_EQ(picker->entries.size(), 3u);
    EXPECT_EQ(picker->entries[0].text, "loaf of bread") << "the singular of the item's name";
    EXPECT_EQ(picker->entries[1].text, "Item");
    EXPECT_EQ(picker->entries[2].text, "Item") << "a name the server sent stays";
    TileData::Free();
}

TEST_F(ServerMenusTest, ScrollingNarrowPicturesEnds) {
    // A picture 4 pixels wide: (4 - 6) / 4 is 0, a step that would never end the scroll.
    mkinstall::ReplaceItem(Served().art, 0x4000 + 9,
                           mkinstall::EncodeItemArt(4, 8, std::vector<uint16_t>(32, 0x7C00)), 0);
    ResetArtCache();
    auto* picker = static_cast<CObjPickerGump*>(OpenItemListMenu(Pictures({9, 9, 9})));
    ASSERT_EQ(picker->PictureWidth(0), 4);
    for (int direction : {1, -1}) {
        if (direction > 0)
            picker->ScrollForward();
        else
            picker->ScrollBack();
        ASSERT_TRUE(picker->scrolling);
        EXPECT_NE(picker->step, 0);
        for (int frame = 0; frame < 50 && picker->scrolling; ++frame)
            picker->Update();
        EXPECT_FALSE(picker->scrolling);
        EXPECT_EQ(picker->first, direction > 0 ? 1 : 0);
    }
}

TEST_F(ServerMenusTest, OneSignPerObject) {
    SignRequest sign{0x99, static_cast<uint16_t>(mkinstall::kControlSignArt), "Smithy"};
    EXPECT_NE(OpenSign(sign), nullptr);
    EXPECT_EQ(OpenSign(sign), nullptr);
}

TEST_F(ServerMenusTest, Golden) {
    Sheet sheet(760, 560);
    auto* q = static_cast<CStringQueryGump*>(OpenTextQuery(Query(1, 1)));
    for (int k : {'S', 'i', 'r'})
        GumpHandleKey(q->field, k);
    q->x = 0;
    q->y = 0;
    sheet.Draw(*q);
    auto* picker = static_cast<CStringPickerGump*>(OpenItemListMenu(Menu(3)));
    picker->radios[1]->SetChecked(true);
    picker->x = 0;
    picker->y = 240;
    sheet.Draw(*picker);
    CGump* sign = OpenSign(
        SignRequest{0x9, static_cast<uint16_t>(mkinstall::kControlSignArt), "The Rusty Anchor, open late"});
    ASSERT_NE(sign, nullptr);
    sign->x = 440;
    sign->y = 0;
    sheet.Draw(*sign);
    auto* pictures = static_cast<CObjPickerGump*>(OpenItemListMenu(Pictures({1, 2, 3, 0})));
    pictures->x = 440;
    pictures->y = 240;
    pictures->HandleMouseMove(CObjPickerGump::kStrip.left + 3, 60);
    sheet.Draw(*pictures);
    sheet.ExpectGolden("server_menus.ppm");
}

} // namespace
} // namespace gumptest
