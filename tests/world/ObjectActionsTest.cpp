// The player's actions on world objects: picking under a screen point, reach, the double click,
// lifting onto the cursor and the server's refusal of a lift.
#include "world/ObjectActions.h"
#include "net/CGameSock.h"
#include "net/PacketBuffer.h"
#include "net/PacketManager.h"
#include "world/MapFixture.h"
#include "world/PlayerWalk.h"

#include <string>
#include <vector>

namespace maptest {
namespace {

using objtest::g_calls;

constexpr int kPile = 3821; // stackable
constexpr int kChest = 3650;

class ObjectActionsTest : public MapTest {
  protected:
    void SetUp() override {
        MapTest::SetUp();
        PlayerWalk::ResetForTests();
        CObjectManager::ResetActionsForTests();
        PlayerWalk::GetLinks().send = [this](PacketWriter& packet) {
            const std::span<const uint8_t> bytes = FinishPacket(packet);
            sent.emplace_back(bytes.begin(), bytes.end());
        };
        Row(kPile).flags = TileFlag::Stackable;
        Row(kChest).flags = TileFlag::Container;
        Row(I::Wall).flags = TileFlag::Impassable;
        WorldHooks& h = WorldHook::Table();
        h.showSystemMessage = [this](int, int, const char* text) { messages.push_back(text); };
        h.startTextCommand = [this](const char* name, int mode, int value) {
            commands.push_back(std::string(name) + " " + std::to_string(mode) + " " + std::to_string(value));
        };
        h.openAmountWindow = [this](CDynamicObj*) { return amountWindow; };
        h.createDragWindow = [this]() { return dragWindow; };
        h.deleteGump = [this](CGump* g) { deleted.push_back(g); };
        pPlayerObject = new CPlayerMobile(0x1234, 400);
        pPlayerObject->AddToWorld(objtest::Pos(100, 100), 0);
        CenterOn(100, 100);
    }
    void TearDown() override {
        CObjectManager::SetScreenPicker(nullptr);
        CObjectManager::ResetActionsForTests();
        PlayerWalk::ResetForTests();
        MapTest::TearDown();
    }
    CDynamicObj* Item(uint32_t serial, int graphic, int x, int y, int amount = 1) {
        CDynamicObj* o = NewDynamicObj(serial, graphic, 0);
        o->amount = static_cast<uint16_t>(amount);
        o->AddToWorld(objtest::Pos(x, y), 0);
        return o;
    }
    PacketReader Packet(std::vector<uint8_t>& bytes) { return PacketReader(bytes.data(), bytes.size()); }

    std::vector<std::vector<uint8_t>> sent;
    std::vector<std::string> messages;
    std::vector<std::string> commands;
    std::vector<CGump*> deleted;
    CGump* amountWindow = nullptr;
    CGump* dragWindow = nullptr;
};

CDrawItem* g_picked = nullptr;

TEST_F(ObjectActionsTest, PickingValidatesWhatTheSceneAnswers) {
    EXPECT_EQ(CObjectManager::GetObjAtScreenLoc(10, 10), nullptr) << "nothing listed under the point";
    CDynamicObj* chest = Item(0x40000001, kChest, 101, 100);
    CObjectManager::SetScreenPicker([](int, int, bool skipLand) -> CDrawItem* {
        EXPECT_TRUE(skipLand);
        return g_picked;
    });
    g_picked = chest;
    EXPECT_EQ(CObjectManager::GetObjAtScreenLoc(10, 10), chest);
    chest->Release();
    EXPECT_EQ(CObjectManager::GetObjAtScreenLoc(10, 10), nullptr);
    EXPECT_TRUE(recorder->contains("either pointer 'pItem' is not valid"));
    g_picked = nullptr;
}

TEST_F(ObjectActionsTest, ReachCountsThreeCellsAndTheOutermostContainer) {
    struct Case {
        const char* name;
        int x, y;
        bool wall; // a wall between
        bool expected;
    } cases[] = {
        {"beside", 101, 100, false, true},
        {"three cells out", 103, 100, false, true},
        {"four cells out with a clear line", 104, 100, false, false},
        {"three cells out behind a wall", 103, 100, true, false},
    };
    uint32_t serial = 0x40000100;
    for (const Case& c : cases) {
        CObj* wall = c.wall ? PlaceStatic(I::Wall, 102, 100, 0) : nullptr;
        CDynamicObj* item = Item(++serial, 3000, c.x, c.y);
        EXPECT_EQ(IsWithinReach(item), c.expected) << c.name;
        item->Release();
        if (wall) wall->Release();
    }
    // A backpack worn by the player: the item inside lies at container coordinates far away.
    auto* pack = new CContainerObj(0x40000200, 3701, 0);
    ASSERT_TRUE(pack->Equip(pPlayerObject, 21));
    CDynamicObj* inside = NewDynamicObj(0x40000201, 3000, 0);
    ASSERT_TRUE(inside->PutInContainer(pack, objtest::Pos(140, 90), 0));
    EXPECT_TRUE(IsWithinReach(inside));
}

TEST_F(ObjectActionsTest, DoubleClicksSendOrStartTheScrollCommand) {
    struct Case {
        int graphic;
        const char* command; // empty: 0x06 is sent
    } cases[] = {
        {3000, ""},          {899, "scroll 2 "},  {3831, "scroll 2 "},
        {3832, "scroll 2 "}, {3827, "scroll 1 "}, {3828, "scroll 1 "},
        {3829, "scroll 0 "}, {3830, "scroll 0 "}, {3833, "scroll 0 "},
    };
    uint32_t serial = 0x40000300;
    for (const Case& c : cases) {
        sent.clear();
        commands.clear();
        CDynamicObj* item = Item(++serial, c.graphic, 101, 100);
        CObjectManager::UseObject(item);
        EXPECT_EQ(CObjectManager::LastUsedSerial(), serial);
        if (*c.command) {
            EXPECT_TRUE(sent.empty()) << c.graphic;
            EXPECT_EQ(commands, std::vector<std::string>{c.command + std::to_string(serial)}) << c.graphic;
        } else {
            EXPECT_EQ(sent, (std::vector<std::vector<uint8_t>>{{0x06, 0x40, 0x00, 0x03, 0x01}})) << c.graphic;
        }
        item->Release();
    }
}

TEST_F(ObjectActionsTest, LiftingPilesSendsOrAsksForAnAmount) {
    struct Case {
        const char* name;
        int amount;
        int asked; // the amount given to GetObject
        bool window;
        int sentAmount; // -1: nothing sent
    } cases[] = {
        {"a pile of one", 1, 0, false, 1},
        {"a pile of 50 asks", 50, 0, true, -1},
        {"a pile of 50 with an amount", 50, 20, false, 20},
    };
    uint32_t serial = 0x40000400;
    CGump* const window = reinterpret_cast<CGump*>(0x1000);
    amountWindow = window;
    for (const Case& c : cases) {
        sent.clear();
        CDynamicObj* pile = Item(++serial, kPile, 101, 100, c.amount);
        CObjectManager::GetObject(pile, c.asked);
        if (c.sentAmount < 0) {
            EXPECT_TRUE(sent.empty()) << c.name;
            EXPECT_FALSE(CObjectManager::IsPickUpPending()) << c.name;
            EXPECT_EQ(CObjectManager::FindBySerial(serial), pile) << c.name << ": still on the ground";
            pile->Release();
        } else {
            ASSERT_EQ(sent.size(), 1u) << c.name;
            EXPECT_EQ(sent[0], (std::vector<uint8_t>{0x07, 0x40, 0x00, 0x04, static_cast<uint8_t>(serial),
                                                     0x00, static_cast<uint8_t>(c.sentAmount)}))
                << c.name;
            EXPECT_TRUE(CObjectManager::IsPickUpPending()) << c.name;
            EXPECT_EQ(CObjectManager::FindBySerial(serial), nullptr) << c.name << ": lifted";
            CObjectManager::ClearPickUpPending();
        }
    }
    // Without a window the lift is dropped with the log line.
    amountWindow = nullptr;
    sent.clear();
    CObjectManager::GetObject(Item(++serial, kPile, 101, 100, 50), 0);
    EXPECT_TRUE(sent.empty());
    EXPECT_TRUE(recorder->contains("Prevented client crash"));
    // Out of reach: nothing.
    CObjectManager::GetObject(Item(++serial, 3000, 105, 100), 0);
    EXPECT_TRUE(sent.empty());
}

TEST_F(ObjectActionsTest, ARefusedLiftGoesBackWhereItCameFrom) {
    auto* chest = new CContainerObj(0x40000500, kChest, 0);
    chest->AddToWorld(objtest::Pos(101, 100), 0);
    struct Case {
        const char* name;
        int reason;
        const char* line; // empty: none
    } cases[] = {
        {"ground", 0, "You can not pick that up."},
        {"container", 1, "That is too far away."},
        {"layer", 2, "That is out of sight."},
        {"ground", 3, "That item does not belong to you.  You'll have to steal it."},
        {"container", 4, "You are already holding an item."},
        {"layer", 6, ""},
    };
    uint32_t serial = 0x40000600;
    for (const Case& c : cases) {
        messages.clear();
        const std::string where = c.name;
        CDynamicObj* item = NewDynamicObj(++serial, 3000, 0);
        item->hue = 33;
        if (where == "ground") item->AddToWorld(objtest::Pos(102, 101), 0);
        if (where == "container") {
            ASSERT_TRUE(item->PutInContainer(chest, objtest::Pos(40, 50), 0));
        }
        if (where == "layer") {
            ASSERT_TRUE(item->Equip(pPlayerObject, 5));
        }
        dragWindow = reinterpret_cast<CGump*>(0x2000);
        deleted.clear();
        CObjectManager::GetObject(item, 0);
        ASSERT_EQ(CObjectManager::FindBySerial(serial), nullptr) << where;
        std::vector<uint8_t> refusal = {0x27, static_cast<uint8_t>(c.reason)};
        PacketReader packet = Packet(refusal);
        CGameSock connection;
        PacketManager::HandleLiftRejected(connection, packet);
        auto* back = static_cast<CDynamicObj*>(CObjectManager::FindBySerial(serial));
        ASSERT_NE(back, nullptr) << where << " " << c.reason;
        EXPECT_EQ(back->hue, 33);
        if (where == "ground") {
            EXPECT_EQ(back->parent, nullptr);
            EXPECT_EQ(back->locX, 102);
            EXPECT_EQ(back->locY, 101);
        }
        if (where == "container") {
            EXPECT_EQ(back->parent, chest);
            EXPECT_EQ(back->locX, 40);
        }
        if (where == "layer") {
            EXPECT_EQ(pPlayerObject->layers[5], back);
        }
        EXPECT_EQ(messages, *c.line ? std::vector<std::string>{c.line} : std::vector<std::string>{})
            << c.reason;
        EXPECT_EQ(deleted, std::vector<CGump*>{dragWindow}) << "the dragged window goes";
        EXPECT_FALSE(CObjectManager::IsPickUpPending());
        back->Release();
    }
}

TEST_F(ObjectActionsTest, AGoneSourceOrReasonFiveRestoresNothing) {
    auto* chest = new CContainerObj(0x40000700, kChest, 0);
    chest->AddToWorld(objtest::Pos(101, 100), 0);
    CDynamicObj* item = NewDynamicObj(0x40000701, 3000, 0);
    ASSERT_TRUE(item->PutInContainer(chest, objtest::Pos(40, 50), 0));
    CObjectManager::GetObject(item, 0);
    // The server deletes the container while the item is held.
    chest->Release();
    CObjectManager::RestoreLiftedItem(1);
    EXPECT_EQ(CObjectManager::FindBySerial(0x40000701), nullptr);
    EXPECT_FALSE(CObjectManager::IsPickUpPending());

    CDynamicObj* ground = Item(0x40000702, 3000, 101, 101);
    CObjectManager::GetObject(ground, 0);
    CObjectManager::RestoreLiftedItem(5);
    EXPECT_EQ(CObjectManager::FindBySerial(0x40000702), nullptr);
    EXPECT_FALSE(CObjectManager::IsPickUpPending());
}

TEST_F(ObjectActionsTest, WalkingClosesContainerWindowsOutOfReach) {
    auto* near = new CContainerObj(0x40000800, kChest, 0);
    near->AddToWorld(objtest::Pos(101, 100), 0);
    auto* far = new CContainerObj(0x40000801, kChest, 0);
    far->AddToWorld(objtest::Pos(108, 100), 0);
    CGump* const nearWindow = reinterpret_cast<CGump*>(0x3000);
    CGump* const farWindow = reinterpret_cast<CGump*>(0x3001);
    near->containerGump = nearWindow;
    far->containerGump = farWindow;
    CObjectManager::CloseOutOfReachContainers();
    EXPECT_EQ(deleted, std::vector<CGump*>{farWindow});
    EXPECT_EQ(near->containerGump, nearWindow);
    near->containerGump = nullptr;
}

} // namespace
} // namespace maptest
