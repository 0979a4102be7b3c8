// War mode asked and applied, text commands aimed with the target cursor, and the notoriety rules
// the server's client flags switch on.
#include "app/PlayerActions.h"
#include "core/DefManager.h"
#include "gumps/GumpWorld.h"
#include "gumps/MouseManager.h"
#include "gumps/Targeting.h"
#include "net/CGameSock.h"
#include "net/PacketManager.h"
#include "support/TestSupport.h"
#include "world/CObjectManager.h"
#include "world/MapManager.h"
#include "world/PlayerObject.h"
#include "world/PlayerWalk.h"
#include "world/WorldHooks.h"
#include "world/objects.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class PlayerActionsTest : public qvtest::CleanState {
  protected:
    void SetUp() override {
        CleanState::SetUp();
        CApp::ResetPlayerActionsForTests();
        GumpTargeting::ResetForTests();
        PlayerWalk::ResetForTests();
        PlayerWalk::GetLinks().send = [this](PacketWriter& packet) {
            const std::span<const uint8_t> bytes = FinishPacket(packet);
            sent.emplace_back(bytes.begin(), bytes.end());
        };
        WorldHook::Table().warModeChanged = [this](CMobile*) { ++refreshes; };
        pPlayerObject = new CPlayerMobile(0x1234, 400);
        inGame = GumpWorld().inGameDisplay;
        GumpWorld().inGameDisplay = [] { return true; };
    }
    void TearDown() override {
        GumpWorld().inGameDisplay = inGame;
        DeletePlayerObject();
        MapManager::Reset();
        WorldHook::Reset();
        PlayerWalk::ResetForTests();
        GumpTargeting::ResetForTests();
        CApp::ResetPlayerActionsForTests();
        CleanState::TearDown();
    }
    void Receive(std::vector<uint8_t> bytes) {
        PacketReader packet(bytes.data(), bytes.size());
        CGameSock connection;
        if (bytes[0] == 0x72) PacketManager::HandleWarMode(connection, packet);
        if (bytes[0] == 0xB9) PacketManager::HandleFeatures(connection, packet);
    }
    std::vector<std::vector<uint8_t>> sent;
    int refreshes = 0;
    std::function<bool()> inGame;
};

TEST_F(PlayerActionsTest, WarModeIsAskedThenAppliedFromTheAnswer) {
    CApp::RequestWarMode(-1);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], (std::vector<uint8_t>{0x72, 1, 4, 0, 0})) << "in peace a toggle asks for war";
    EXPECT_TRUE(CApp::IsWarRequested());
    EXPECT_FALSE(CApp::IsInWarMode());
    Receive({0x72, 1, 7, 8, 9});
    EXPECT_FALSE(CApp::IsWarRequested());
    EXPECT_TRUE(CApp::IsInWarMode());
    EXPECT_EQ(refreshes, 1);
    // The server's bytes go out with the next request.
    CApp::RequestWarMode(-1);
    EXPECT_EQ(sent.back(), (std::vector<uint8_t>{0x72, 0, 7, 8, 9}));
    // An answer that differs from the request applies but leaves the request pending.
    Receive({0x72, 1, 7, 8, 9});
    EXPECT_TRUE(CApp::IsWarRequested());
    EXPECT_TRUE(CApp::IsInWarMode());
}

TEST_F(PlayerActionsTest, AGhostFirstSendsTheDeathStatus) {
    pPlayerObject->graphic = 402;
    CApp::RequestWarMode(0);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0], (std::vector<uint8_t>{0x2C, 0}));
    EXPECT_EQ(sent[1][0], 0x72);
}

TEST_F(PlayerActionsTest, TextCommandsByModeAndTarget) {
    auto* mobile = new CMobile(0x55, 400, 0);
    CDynamicObj* item = NewDynamicObj(0x40000009, 3000, 0);
    item->locX = 10;
    item->locY = 20;
    item->z = 5;
    struct Case {
        const char* name;
        int mode, value;
        CObj* target;
        std::string text; // empty: nothing sent
        int type;
    } cases[] = {
        {"mode 0 by name", 0, 0, nullptr, "scroll", 39},
        {"mode 0 by value", 0, 12, nullptr, "12", 47},
        {"mode 1 on an item", 1, 0, item, "scroll 10 20 5", 39},
        {"mode 1 by value", 1, 3, item, "3 10 20 5", 47},
        {"mode 1 without a target", 1, 0, nullptr, "", 0},
        {"mode 2 on a mobile", 2, 0, mobile, "scroll 85", 39},
        {"mode 2 on an item", 2, 0, item, "", 0},
    };
    for (const Case& c : cases) {
        sent.clear();
        CApp::StartTextCommand("scroll", c.mode, c.value);
        if (c.mode != 0) {
            EXPECT_TRUE(CApp::IsTargeting()) << c.name;
            EXPECT_EQ(MouseManager::GetCursor(), 19) << c.name;
            CApp::OnTextCommandTarget(c.target);
        }
        EXPECT_FALSE(CApp::IsTargeting()) << c.name;
        EXPECT_EQ(MouseManager::GetCursor(), 17) << c.name;
        if (c.text.empty()) {
            EXPECT_TRUE(sent.empty()) << c.name;
            continue;
        }
        ASSERT_EQ(sent.size(), 1u) << c.name;
        std::vector<uint8_t> expected = {0x12, 0, static_cast<uint8_t>(4 + c.text.size() + 1),
                                         static_cast<uint8_t>(c.type)};
        expected.insert(expected.end(), c.text.begin(), c.text.end());
        expected.push_back(0);
        EXPECT_EQ(sent[0], expected) << c.name;
    }
    item->Release();
    mobile->Release();
}

TEST_F(PlayerActionsTest, NotorietyRulesByMapAndClientFlag) {
    struct Case {
        int map;
        uint32_t flags;
        bool expected;
    } cases[] = {{0, 0, true}, {1, 0, false}, {1, 4, true}, {2, 0, false}, {2, 4, true}, {1, 3, false}};
    for (const Case& c : cases) {
        CApp::SetMapNumber(c.map);
        CApp::ApplyClientFlags(c.flags);
        EXPECT_EQ(CApp::NotorietyRulesApply(), c.expected) << c.map << " " << c.flags;
    }
}

TEST_F(PlayerActionsTest, TheFeaturePacketReachesTheDefinitionTables) {
    Receive({0xB9, 0x00, 0x02});
    EXPECT_EQ(CApp::GetFeatureFlags(), 2u);
    EXPECT_EQ(DefManager::GetFeatureFlags(), 2u);
    DefManager::SetFeatureFlags(0);
}

} // namespace
