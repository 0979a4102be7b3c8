// The dragged-item window over real world objects: its picture, following the pointer, walking with
// the right button while an item is held, the drops on the game view and the windows, and the
// server's refusal of the lift.
#include "GumpFixture.h"

#include "gumps/DragGump.h"
#include "mkinstall/ArtFiles.h"
#include "net/CGameSock.h"
#include "net/PacketBuffer.h"
#include "net/PacketManager.h"
#include "render/DrawManager.h"
#include "world/CObjectManager.h"
#include "world/ObjectActions.h"
#include "world/PlayerObject.h"
#include "world/PlayerWalk.h"
#include "world/TileData.h"
#include "world/WorldHooks.h"
#include "world/objects.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using gumptest::GumpTest;
using gumptest::TestGump;

constexpr int kArt = 0; // sample item art 0: 20 x 30
constexpr int kArtWidth = 20, kArtHeight = 30;
constexpr uint32_t kStackable = 0x800;

uint32_t Pos(int x, int y) {
    return static_cast<uint32_t>(x & 0xFFFF) | (static_cast<uint32_t>(y & 0xFFFF) << 16);
}

CDrawItem* g_under = nullptr; // what the scene's picking answers

class DragGumpTest : public GumpTest {
  protected:
    void SetUp() override {
        GumpTest::SetUp();
        ObjectManagerState::ClearLists();
        DrawItemWorld::ResetForTests();
        DrawItemWorld::SetDirtySink([](const Rect&) {});
        DrawItemWorld::SetViewCenter(100, 100);
        DrawManager::SetScrollOffset(0, 0);
        TileData::Free();
        TileData::Allocate();
        PlayerWalk::ResetForTests();
        CObjectManager::ResetActionsForTests();
        CObjectManager::SetScreenPicker([](int, int, bool) { return g_under; });
        PlayerWalk::GetLinks().send = [this](PacketWriter& packet) {
            const std::span<const uint8_t> bytes = FinishPacket(packet);
            sent.emplace_back(bytes.begin(), bytes.end());
        };
        WorldHooks& h = WorldHook::Table();
        h.createDragWindow = CGumpManager::CreateDragGump;
        h.deleteGump = [](CGump* g) { g->Close(); };
        h.playSound = [this](int id, int, int, bool, int, bool) { sounds.push_back(id); };
        h.showSystemMessage = [](int, int, const char*) {};
        pPlayerObject = new CPlayerMobile(0x1234, 400);
        pPlayerObject->AddToWorld(Pos(100, 100), 0);
        view = new TestGump(0, 0, 640, 480, 0x1111);
        view->SetKindForTest(GumpKind::Map, GumpTrait::DropTarget);
    }
    void TearDown() override {
        g_under = nullptr;
        CGumpManager::ResetForTests();
        CObjectManager::ResetActionsForTests();
        PlayerWalk::ResetForTests();
        DeletePlayerObject();
        CObjectManager::ReleaseAll();
        while (CDynamicObj* o = WorldLists::AllObjects().Head())
            o->Release();
        ObjectManagerState::ClearLists();
        WorldHook::Reset();
        DrawItemWorld::ResetForTests();
        TileData::Free();
        GumpTest::TearDown();
    }
    static CDynamicObj* Item(uint32_t serial, int graphic, int x, int y, int amount = 1, int hue = 0) {
        CDynamicObj* o = NewDynamicObj(serial, graphic, 0);
        o->amount = static_cast<uint16_t>(amount);
        o->hue = static_cast<uint16_t>(hue);
        o->AddToWorld(Pos(x, y), 0);
        return o;
    }
    // Lifts the item with the pointer at (x, y): the dragged window, or null.
    CDragGump* Lift(CDynamicObj* item, int amount = 0) {
        platform::headless::SetCursorPosition(300, 200);
        MouseManager::SetMousePos(300, 200);
        CObjectManager::GetObject(item, amount);
        sent.clear();
        return gump_cast<CDragGump>(MouseManager::GetCapture());
    }
    static Rect Centred(int x, int y, int w, int h) {
        return Rect{x - w / 2, y - h / 2, x - w / 2 + w, y - h / 2 + h};
    }
    std::vector<uint8_t> Drop(uint32_t serial, int x, int y, int z, uint32_t target) const {
        return {0x08,
                static_cast<uint8_t>(serial >> 24),
                static_cast<uint8_t>(serial >> 16),
                static_cast<uint8_t>(serial >> 8),
                static_cast<uint8_t>(serial),
                static_cast<uint8_t>(x >> 8),
                static_cast<uint8_t>(x),
                static_cast<uint8_t>(y >> 8),
                static_cast<uint8_t>(y),
                static_cast<uint8_t>(z),
                static_cast<uint8_t>(target >> 24),
                static_cast<uint8_t>(target >> 16),
                static_cast<uint8_t>(target >> 8),
                static_cast<uint8_t>(target)};
    }

    TestGump* view = nullptr;
    std::vector<std::vector<uint8_t>> sent;
    std::vector<int> sounds;
};

TEST_F(DragGumpTest, PictureByGraphicAmountAndCensorship) {
    // Small arts for the coins' three pictures and the flesh graphic, censored or not.
    const std::vector<uint8_t> dot = mkinstall::EncodeItemArt(2, 2, std::vector<uint16_t>(4, 0x7FFF));
    for (int id : {0x4000 + 3821, 0x4000 + 3822, 0x4000 + 3823, 0x4000 + 6941, 24871})
        mkinstall::ReplaceItem(gumptest::Served().art, id, dot, 0);
    ResetArtCache();
    CObjectManager::PickedUp item;
    struct Case {
        const char* name;
        int graphic, displayed, amount;
        uint32_t flags;
        bool censorFlesh;
        CDragGump::Picture expected;
    } cases[] = {
        {"own art", 0, 0, 1, 0, false, {false, 0x4000, false}},
        {"missing art falls back to art 0", 3000, 3000, 1, 0, false, {false, 0x4000, false}},
        {"a pile is drawn twice", 0, 0, 2, kStackable, false, {false, 0x4000, true}},
        {"many of a kind that does not stack", 0, 0, 9, 0, false, {false, 0x4000, false}},
        {"one coin", 3821, 3821, 1, kStackable, false, {false, 0x4000 + 3821, false}},
        {"five coins", 3821, 3821, 5, kStackable, false, {false, 0x4000 + 3822, true}},
        {"six coins", 3821, 3821, 6, kStackable, false, {false, 0x4000 + 3823, true}},
        {"flesh", 6941, 6941, 1, 0, false, {false, 0x4000 + 6941, false}},
        {"flesh censored", 6941, 6941, 1, 0, true, {false, 24871, false}},
        {"gump graphic", 13700, 13700, 1, 0, false, {true, 13700 - 11369, false}},
        {"last gump graphic", 13729, 13729, 1, 0, false, {true, 13729 - 11369, false}},
    };
    for (const Case& c : cases) {
        item.graphic = static_cast<uint16_t>(c.graphic);
        item.displayedGraphic = static_cast<uint16_t>(c.displayed);
        item.amount = static_cast<uint16_t>(c.amount);
        item.tileFlags = c.flags;
        CensorFlesh = c.censorFlesh;
        const CDragGump::Picture p = CDragGump::PictureOf(item);
        EXPECT_EQ(p.gumpArt, c.expected.gumpArt) << c.name;
        EXPECT_EQ(p.id, c.expected.id) << c.name;
        EXPECT_EQ(p.pile, c.expected.pile) << c.name;
    }
    CensorFlesh = false;
}

TEST_F(DragGumpTest, LiftingOpensAPictureThatFollowsThePointer) {
    TileData::MutableItem(kArt)->flags = kStackable;
    struct Case {
        int amount;
        int width, height;
    } cases[] = {{1, kArtWidth, kArtHeight}, {3, kArtWidth + 5, kArtHeight + 5}};
    uint32_t serial = 0x40000100;
    for (const Case& c : cases) {
        CDynamicObj* item = Item(++serial, kArt, 101, 100, c.amount);
        CDragGump* drag = Lift(item, c.amount);
        ASSERT_NE(drag, nullptr) << c.amount;
        EXPECT_TRUE(CObjectManager::IsPickUpPending());
        EXPECT_EQ(drag->ScreenRect(), Centred(300, 200, c.width, c.height)) << c.amount;
        const PixelBlock* picture = drag->CurrentFrame();
        ASSERT_NE(picture, nullptr);
        // The art's left bar runs from column 2 through every row; a pile's copy 5 further.
        const int copy = c.amount > 1 ? CDragGump::kPileOffset : 0;
        EXPECT_NE(picture->At(2 + copy, c.height - 1), 0) << c.amount;
        EXPECT_EQ(picture->At(0, 0), 0) << c.amount;
        EXPECT_EQ(MouseManager::GetCursor(), MouseManager::kNormalCursor);
        // The pointer moves: the picture keeps its centre on it.
        platform::headless::SetCursorPosition(420, 310);
        MouseManager::Update();
        EXPECT_EQ(drag->ScreenRect(), Centred(420, 310, c.width, c.height));
        // The server refuses: the window goes and the item is back.
        GumpRef<CDragGump> alive(drag);
        std::vector<uint8_t> refusal = {0x27, 1};
        PacketReader packet(refusal.data(), refusal.size());
        CGameSock connection;
        PacketManager::HandleLiftRejected(connection, packet);
        EXPECT_FALSE(alive);
        EXPECT_EQ(MouseManager::GetCapture(), nullptr);
        EXPECT_FALSE(CObjectManager::IsPickUpPending());
        CObj* back = CObjectManager::FindBySerial(serial);
        ASSERT_NE(back, nullptr);
        EXPECT_EQ(back->locX, 101);
        CGumpManager::FreeClosedGumps();
    }
}

TEST_F(DragGumpTest, TheRightButtonAndTicksReachTheGameViewWhileHolding) {
    CDragGump* drag = Lift(Item(0x40000200, kArt, 101, 100));
    ASSERT_NE(drag, nullptr);
    MouseManager::OnRButtonDown(300, 200);
    EXPECT_TRUE(drag->rightHeld);
    platform::headless::SetCursorPosition(320, 210);
    MouseManager::Update();
    MouseManager::OnRButtonUp(320, 210);
    EXPECT_FALSE(drag->rightHeld);
    const std::vector<std::string>& seen = view->events;
    EXPECT_NE(std::find(seen.begin(), seen.end(), "capture 320,210"), seen.end());
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back(), "rup");
    EXPECT_GE(view->ticks, 1);
    EXPECT_EQ(MouseManager::GetCapture(), drag) << "the item stays on the pointer";
}

TEST_F(DragGumpTest, DropsOnTheGameView) {
    TileData::MutableItem(kArt)->flags = kStackable;
    TileData::MutableItem(1)->flags = 0;
    auto* mobile = new CMobile(0x77, 400, 0);
    mobile->AddToWorld(Pos(102, 100), 0);
    auto* chest = new CContainerObj(0x40000300, 3650, 0);
    chest->AddToWorld(Pos(101, 101), 0);
    CDynamicObj* pile = Item(0x40000301, kArt, 99, 100, 7, 5);
    CDynamicObj* otherHue = Item(0x40000302, kArt, 99, 101, 7, 6);
    CDynamicObj* far = Item(0x40000303, kArt, 105, 100, 7, 5);
    CDynamicObj* wall = Item(0x40000304, 1, 100, 99);
    struct Case {
        const char* name;
        CDrawItem* under;
        std::vector<uint8_t> expected; // empty: kept, with the sound
    } cases[] = {
        {"on a mobile", mobile, Drop(0x40000310, 0xFFFF, 0xFFFF, 0, 0x77)},
        {"into a container", chest, Drop(0x40000311, 0xFFFF, 0xFFFF, 0, 0x40000300)},
        {"onto a matching pile", pile, Drop(0x40000312, 99, 100, 0, 0x40000301)},
        {"a pile of another hue", otherHue, {}},
        {"out of reach", far, {}},
        {"an object that is no surface", wall, {}},
    };
    uint32_t serial = 0x40000310;
    for (const Case& c : cases) {
        sounds.clear();
        CDragGump* drag = Lift(Item(serial++, kArt, 100, 101, 2, 5), 2);
        ASSERT_NE(drag, nullptr) << c.name;
        GumpRef<CDragGump> alive(drag);
        g_under = c.under;
        MouseManager::OnLButtonUp(300, 200);
        CGumpManager::FreeClosedGumps();
        if (c.expected.empty()) {
            EXPECT_TRUE(sent.empty()) << c.name;
            EXPECT_EQ(sounds, std::vector<int>{CDragGump::kRefusedSound}) << c.name;
            ASSERT_TRUE(alive) << c.name << ": still held";
            EXPECT_EQ(MouseManager::GetCapture(), drag) << c.name;
            alive.get()->Close();
            CGumpManager::FreeClosedGumps();
        } else {
            ASSERT_EQ(sent.size(), 1u) << c.name;
            EXPECT_EQ(sent[0], c.expected) << c.name;
            EXPECT_TRUE(sounds.empty()) << c.name;
            EXPECT_FALSE(alive) << c.name;
            EXPECT_FALSE(CObjectManager::IsPickUpPending()) << c.name;
        }
    }
    mobile->Release();
}

TEST_F(DragGumpTest, GroundDropsGoUnderThePictureWithinThreeCells) {
    // What lies under the picture is found by the scene's own picking; nothing is under the pointer.
    CDynamicObj* near = Item(0x40000600, kArt, 101, 100);
    CDynamicObj* far = Item(0x40000601, kArt, 104, 100);
    struct Case {
        const char* name;
        CDynamicObj* under;
        bool taken;
    } cases[] = {{"three cells or less", near, true}, {"four cells away", far, false}};
    uint32_t serial = 0x40000610;
    for (const Case& c : cases) {
        sent.clear();
        sounds.clear();
        CDragGump* drag = Lift(Item(serial, kArt, 100, 101));
        ASSERT_NE(drag, nullptr) << c.name;
        GumpRef<CDragGump> alive(drag);
        // The picture's middle less 22 each way falls on the left bar of the item's art.
        // The view scrolled so that both items are on the screen.
        DrawManager::SetScrollOffset(near->screenRect.left - 200, near->screenRect.top - 150);
        int scrollX = 0, scrollY = 0;
        DrawManager::GetScrollOffset(scrollX, scrollY);
        const Rect& r = c.under->screenRect;
        const int x = r.left - scrollX + 4 + 22, y = r.top - scrollY + 10 + 22;
        platform::headless::SetCursorPosition(x, y);
        MouseManager::Update();
        ASSERT_EQ(DrawManager::GetDrawItemAtScreenLoc(x - 22, y - 22, false), c.under) << c.name;
        MouseManager::OnLButtonUp(x, y);
        CGumpManager::FreeClosedGumps();
        if (c.taken) {
            EXPECT_EQ(sent, std::vector<std::vector<uint8_t>>{Drop(serial, 101, 100, 0, 0xFFFFFFFF)})
                << c.name;
            EXPECT_FALSE(alive) << c.name;
        } else {
            EXPECT_TRUE(sent.empty()) << c.name;
            EXPECT_EQ(sounds, std::vector<int>{CDragGump::kRefusedSound}) << c.name;
            ASSERT_TRUE(alive) << c.name;
            alive.get()->Close();
            CGumpManager::FreeClosedGumps();
        }
        ++serial;
    }
}

TEST_F(DragGumpTest, WindowsThatTakeNoDropKeepTheItemQuietly) {
    auto* status = new TestGump(280, 180, 50, 50, 0x2222);
    status->SetKindForTest(GumpKind::Status, 0);
    CDragGump* drag = Lift(Item(0x40000400, kArt, 101, 100));
    ASSERT_NE(drag, nullptr);
    GumpRef<CDragGump> alive(drag);
    MouseManager::OnLButtonUp(300, 200);
    CGumpManager::FreeClosedGumps();
    EXPECT_TRUE(alive);
    EXPECT_TRUE(sent.empty());
    EXPECT_TRUE(sounds.empty());
    EXPECT_TRUE(status->events.empty());
}

TEST_F(DragGumpTest, OnlyAScrollGoesIntoASpellbook) {
    auto* book = new TestGump(250, 150, 120, 100, 0x3333, nullptr, 0x40000500);
    book->SetKindForTest(GumpKind::Spellbook, GumpTrait::DropTarget);
    struct Case {
        int graphic;
        bool taken;
    } cases[] = {{3827, true}, {8044, true}, {kArt, false}};
    uint32_t serial = 0x40000510;
    for (const Case& c : cases) {
        sent.clear();
        sounds.clear();
        CDragGump* drag = Lift(Item(serial, c.graphic, 101, 100));
        ASSERT_NE(drag, nullptr) << c.graphic;
        GumpRef<CDragGump> alive(drag);
        MouseManager::OnLButtonUp(300, 200);
        CGumpManager::FreeClosedGumps();
        if (c.taken) {
            EXPECT_EQ(sent, std::vector<std::vector<uint8_t>>{Drop(serial, 0xFFFF, 0xFFFF, 0, 0x40000500)});
            EXPECT_FALSE(alive);
        } else {
            EXPECT_TRUE(sent.empty());
            EXPECT_EQ(sounds, std::vector<int>{CDragGump::kRefusedSound});
            ASSERT_TRUE(alive);
            alive.get()->Close();
            CGumpManager::FreeClosedGumps();
        }
        ++serial;
    }
}

} // namespace
