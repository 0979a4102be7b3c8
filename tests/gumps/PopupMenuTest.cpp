// The context menu: which menus open, what a click sends, and how it looks.
#include "gumps/PopupMenu.h"
#include "gumps/ControlFixture.h"
#include "net/ServerWindows.h"

#include <gtest/gtest.h>

namespace gumptest {
namespace {

PopupEntry Entry(uint16_t tag, uint16_t flags = 0, uint16_t colour = 0) {
    PopupEntry e;
    e.tag = tag;
    e.textId = 3000000u + tag;
    e.flags = flags;
    e.colour = colour;
    return e;
}

class PopupMenuTest : public ControlTest {
  protected:
    void SetUp() override {
        ControlTest::SetUp();
        CPopupMenuMgr::ResetForTests();
        CPopupMenuMgr::Bind();
        SetServerWindowSink([this](const std::vector<uint8_t>& wire) { sent.push_back(wire); });
        CPopupMenuMgr::services().menusAllowed = [] { return true; };
        CPopupMenuMgr::services().text = [](uint32_t id) {
            const std::string s = "Entry " + std::to_string(id - 3000000u);
            return std::u16string(s.begin(), s.end());
        };
    }
    void TearDown() override {
        CPopupMenuMgr::ResetForTests();
        ResetServerWindowSlots();
        ControlTest::TearDown();
    }
    // Asks for the menu of serial with the mouse at (x, y) and answers with entries.
    void Show(uint32_t serial, std::vector<PopupEntry> entries, int mx = 100, int my = 100) {
        MoveTo(mx, my);
        CPopupMenuMgr::RequestMenu(serial);
        PopupMenuPacket p;
        p.serial = serial;
        p.entries = std::move(entries);
        CPopupMenuMgr::HandleMenu(p);
    }
    // A click on shown row r of the open menu.
    void ClickRow(int r) {
        CPopupMenuMgr* m = CPopupMenuMgr::OpenMenu();
        ASSERT_NE(m, nullptr);
        Click(m->x + CPopupMenuMgr::kMargin + 2, m->y + CPopupMenuMgr::kMargin + r * m->lineHeight + 2);
        CGumpManager::FreeClosedGumps();
    }
    std::vector<std::vector<uint8_t>> sent;
};

std::vector<uint8_t> Choice(uint32_t serial, uint16_t tag) {
    return {0xBF,
            0,
            11,
            0,
            0x15,
            static_cast<uint8_t>(serial >> 24),
            static_cast<uint8_t>(serial >> 16),
            static_cast<uint8_t>(serial >> 8),
            static_cast<uint8_t>(serial),
            static_cast<uint8_t>(tag >> 8),
            static_cast<uint8_t>(tag)};
}

TEST_F(PopupMenuTest, AMenuForAnotherSerialIsIgnored) {
    MoveTo(50, 50);
    CPopupMenuMgr::RequestMenu(0x111);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], std::vector<uint8_t>({0xBF, 0, 9, 0, 0x13, 0, 0, 0x01, 0x11}));
    PopupMenuPacket other;
    other.serial = 0x222;
    other.entries = {Entry(1)};
    CPopupMenuMgr::HandleMenu(other);
    EXPECT_FALSE(CPopupMenuMgr::IsOpen());
    CPopupMenuMgr::services().menusAllowed = [] { return false; };
    CPopupMenuMgr::RequestMenu(0x111);
    EXPECT_EQ(sent.size(), 1u) << "without menus no request goes out";
}

TEST_F(PopupMenuTest, TheThirdShownRowSendsItsTag) {
    // A full-menu entry in the middle: the compact menu's third row is the fourth entry.
    Show(0x4455, {Entry(10), Entry(11), Entry(12, PopupEntry::kFullOnly), Entry(13), Entry(14)});
    ASSERT_TRUE(CPopupMenuMgr::IsOpen());
    EXPECT_EQ(CPopupMenuMgr::OpenMenu()->rowTags, std::vector<uint16_t>({10, 11, 13, 14}));
    sent.clear();
    ClickRow(2);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], Choice(0x4455, 13));
    EXPECT_FALSE(CPopupMenuMgr::IsOpen());
    EXPECT_EQ(CGumpManager::TopLevel().first, nullptr) << "the menu's window is gone too";
}

TEST_F(PopupMenuTest, ADisabledEntryStillSends) {
    Show(0x77, {Entry(1), Entry(2, PopupEntry::kDisabled)});
    sent.clear();
    ClickRow(1);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], Choice(0x77, 2));
}

TEST_F(PopupMenuTest, AnOutsideClickClosesWithoutAChoice) {
    Show(0x77, {Entry(1), Entry(2)}, 300, 300);
    sent.clear();
    Click(20, 20);
    CGumpManager::FreeClosedGumps();
    EXPECT_FALSE(CPopupMenuMgr::IsOpen());
    EXPECT_EQ(CGumpManager::TopLevel().first, nullptr);
    EXPECT_TRUE(sent.empty());
}

TEST_F(PopupMenuTest, MoreReopensTheFullMenuAndTheMenuStaysOnScreen) {
    Show(0x77, {Entry(1), Entry(2, PopupEntry::kFullOnly), Entry(3)}, 790, 590);
    CPopupMenuMgr* compact = CPopupMenuMgr::OpenMenu();
    ASSERT_NE(compact, nullptr);
    EXPECT_LE(compact->x + compact->width, 800);
    EXPECT_LE(compact->y + compact->height, 600);
    CGump* more = compact->firstChild();
    ASSERT_NE(more, nullptr);
    int sx = 0, sy = 0;
    CGump::GumpToScreenCoords(more, &sx, &sy);
    Click(sx + 5, sy + 5);
    CGumpManager::FreeClosedGumps();
    CPopupMenuMgr* full = CPopupMenuMgr::OpenMenu();
    ASSERT_NE(full, nullptr);
    EXPECT_EQ(full->mode, 2);
    EXPECT_EQ(full->rowTags, std::vector<uint16_t>({1, 2, 3}));
    EXPECT_EQ(full->firstChild(), nullptr);
}

TEST_F(PopupMenuTest, MovingTheHighlightLeavesOnlyTheNewRowLit) {
    Show(0x77, {Entry(1), Entry(2), Entry(3)}, 0, 0);
    CPopupMenuMgr* m = CPopupMenuMgr::OpenMenu();
    ASSERT_NE(m, nullptr);
    auto shown = [&] { return m->Frame(0)->pixels; };
    auto rowY = [&](int r) { return CPopupMenuMgr::kMargin + r * m->lineHeight + 2; };
    const PixelBuffer plain = shown();
    m->HandleMouseMove(14, rowY(0));
    const PixelBuffer firstLit = shown();
    EXPECT_NE(firstLit, plain);
    m->HandleMouseMove(14, rowY(2));
    EXPECT_NE(shown(), firstLit);
    m->HandleMouseMove(14, rowY(0));
    EXPECT_EQ(shown(), firstLit) << "the third row's highlight is gone";
    m->HandleMouseMoveAway();
    EXPECT_EQ(shown(), plain);
}

TEST_F(PopupMenuTest, MenuFails) {
    // Entries cut by the packet's end drop the whole menu.
    const std::vector<uint8_t> bytes = {0xBF, 14, 0, 0, 0x14, 0, 1, 0, 0, 0, 5, 1, 0, 1};
    PacketReader reader(bytes.data(), bytes.size());
    PopupMenuPacket p;
    EXPECT_FALSE(ReadPopupMenu(reader, 2, &p));
}

TEST_F(PopupMenuTest, Golden) {
    Sheet sheet(330, 150);
    Show(0x77,
         {Entry(1), Entry(2, PopupEntry::kDisabled), Entry(3, PopupEntry::kFullOnly),
          Entry(4, PopupEntry::kColoured, 0x03E0)},
         0, 0);
    CPopupMenuMgr* compact = CPopupMenuMgr::OpenMenu();
    ASSERT_NE(compact, nullptr);
    compact->x = 10;
    compact->y = 10;
    MoveTo(10 + 14, 10 + CPopupMenuMgr::kMargin + compact->lineHeight + 2); // the second row lit
    EXPECT_EQ(compact->highlighted, 1);
    sheet.Draw(*compact);
    CPopupMenuMgr::OpenSecondStyle();
    CPopupMenuMgr* full = CPopupMenuMgr::OpenMenu();
    ASSERT_NE(full, nullptr);
    full->x = 170;
    full->y = 10;
    sheet.Draw(*full);
    sheet.ExpectGolden("popup.ppm");
}

} // namespace
} // namespace gumptest
