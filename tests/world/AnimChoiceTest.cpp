#include "world/AnimChoice.h"
#include "ObjectsFixture.h"
#include "core/DefManager.h"
#include "core/FileManager.h"
#include "world/BodyTypes.h"

#include <gtest/gtest.h>

namespace {

// Item graphics worn in these tests, by their tiledata animation id.
constexpr int kWarBlade = 5001;  // animation 611: war stance
constexpr int kOddBlade = 5002;  // animation 618: inside the range, not a member
constexpr int kRunStaff = 5003;  // animation 577: run list
constexpr int kHeavyAxe = 5004;  // animation 600: not on the run list
constexpr int kTorch = 5005;     // animation 400 and a light source: a held light
constexpr int kMountItem = 5006; // any item on layer 25

class AnimChoice : public objtest::ObjectsTest {
  protected:
    void SetUp() override {
        ObjectsTest::SetUp();
        InitBodyTypes();
        for (const char* name : DefManager::kTableNames)
            dir.write(name, "");
        // A type-0 creature shown as a human, and an action table entry for humans.
        dir.write("body.def", "50 {401} 0\n");
        dir.write("corpse.def", "60 {400} 0\n");
        FileManager::startupWithPaths(dir.path().string(), "");
        ASSERT_TRUE(DefManager::startup());
        Row(kWarBlade).animId = 611;
        Row(kOddBlade).animId = 618;
        Row(kRunStaff).animId = 577;
        Row(kHeavyAxe).animId = 600;
        Row(kTorch).animId = 400;
        Row(kTorch).flags = TileFlag::LightSource;
    }
    void TearDown() override {
        TearDownObjects();
        DefManager::shutdown();
        DefManager::ResetBodyConv();
        DefManager::SetFeatureFlags(0);
        FileManager::shutdown();
        ObjectsTest::TearDown();
    }

    CMobile* Mobile(int body) {
        CMobile* m = NewMobile(0x1000u + static_cast<uint32_t>(mobiles.size()), body);
        mobiles.push_back(m);
        return m;
    }
    void Wear(CMobile* m, int layer, int graphic) {
        CDynamicObj* item = NewDynamicObj(0x40000100u + static_cast<uint32_t>(worn.size()), graphic, 0);
        worn.push_back(item);
        m->layers[layer] = item;
    }
    void TearDownObjects() {
        for (CMobile* m : mobiles) {
            for (CDynamicObj*& l : m->layers)
                l = nullptr;
        }
    }
    std::vector<CMobile*> mobiles;
    std::vector<CDynamicObj*> worn;
    qvtest::TempDir dir;
};

int Human(int group, int direction, int body = 400) {
    return 35000 + (body - 400) * 175 + group * 5 + direction;
}

TEST_F(AnimChoice, StancesFollowTheBodyKindRestWarWeaponsMountsAndLights) {
    struct Case {
        const char* name;
        int body;
        bool resting, war, running;
        std::vector<std::pair<int, int>> wear; // layer, graphic
        int counter;
        int group, frame;
        int layoutBody = 400;
    };
    const Case cases[] = {
        {"at rest", 400, true, false, false, {}, 0, 4, 0},
        {"one frame whatever the counter", 400, true, false, false, {}, 7, 4, 0},
        {"walking: counter mod 9", 400, false, false, false, {}, 13, 0, 4},
        {"walking with a heavy axe", 400, false, false, false, {{2, kHeavyAxe}}, 0, 1, 0},
        {"walking with a staff", 400, false, false, false, {{2, kRunStaff}}, 0, 0, 0},
        {"war walk", 400, false, true, false, {{2, kHeavyAxe}}, 0, 15, 0},
        {"running", 400, false, false, true, {}, 2, 2, 2},
        {"running with a heavy axe", 400, false, false, true, {{2, kHeavyAxe}}, 0, 3, 0},
        {"war stance", 400, true, true, false, {}, 0, 7, 0},
        {"war stance weapon in hand one", 400, true, true, false, {{1, kWarBlade}}, 0, 8, 0},
        {"war stance weapon in hand two", 400, true, true, false, {{2, kWarBlade}}, 0, 8, 0},
        {"weapon in range but not listed", 400, true, true, false, {{1, kOddBlade}}, 0, 7, 0},
        {"held light at rest", 400, true, false, false, {{2, kTorch}}, 5, 0, 5},
        {"held light in war", 400, true, true, false, {{2, kTorch}}, 3, 2, 3},
        {"mounted at rest", 400, true, false, false, {{25, kMountItem}}, 3, 25, 0},
        {"mounted with a light", 400, true, false, false, {{25, kMountItem}, {2, kTorch}}, 8, 28, 2},
        {"mounted walking", 400, false, false, false, {{25, kMountItem}}, 6, 23, 2},
        {"mounted running", 400, false, false, true, {{25, kMountItem}}, 6, 24, 2},
    };
    for (const Case& c : cases) {
        CMobile* m = Mobile(c.body);
        m->resting = c.resting;
        m->warMode = c.war;
        for (auto [layer, graphic] : c.wear)
            Wear(m, layer, graphic);
        uint16_t action = 0;
        AnimPick pick;
        EXPECT_EQ(GetMobileAnimIndex(c.body, 3, c.counter, -1, 0, action, 0, c.running, m, pick), c.body)
            << c.name;
        EXPECT_EQ(pick.index, Human(c.group, 0, c.layoutBody)) << c.name;
        EXPECT_EQ(pick.frame, c.frame) << c.name;
        EXPECT_FALSE(pick.secondPair) << c.name;
    }
}

TEST_F(AnimChoice, FacingsPickTheirStoredDirectionAndMirror) {
    const int offsets[8] = {3, 2, 1, 0, 1, 2, 3, 4};
    CMobile* m = Mobile(400);
    m->resting = 1;
    for (int facing = 0; facing < 16; ++facing) {
        uint16_t action = 0;
        AnimPick pick;
        GetMobileAnimIndex(400, facing, 0, -1, 0, action, 0, false, m, pick);
        EXPECT_EQ(pick.index, Human(4, offsets[facing & 7])) << facing;
        EXPECT_EQ(pick.mirrored, (facing & 7) < 3) << facing;
    }
}

TEST_F(AnimChoice, ActionsAreSubstitutedConvertedAndFixedPerBody) {
    struct Case {
        const char* name;
        int body;
        int action, addend, actionFrame;
        int index, frame; // index -1: none
        int stored;       // the mobile's action afterwards
    };
    const Case cases[] = {
        {"human action with addend", 400, 1, 2, 4, Human(3, 0), 4, 1},
        {"creature shown as human converts and stores", 50, 2, 0, 3, Human(21, 0, 401), 3, 21},
        {"action above 34", 400, 40, 0, 6, Human(0, 0), 0, 40},
        {"high bit dropped", 400, 0x85, 0, 2, Human(5, 0), 2, 0x85},
        {"creature without action 12", 11, 12, 0, 1, 11 * 110 + 4 * 5, 1, 12},
        {"creature capped at 21", 11, 25, 0, 1, 11 * 110 + 1 * 5, 1, 25},
        {"lacks hit and block: 11 is 17", 8, 11, 0, 0, 8 * 110 + 17 * 5, 0, 11},
        {"lacks action 21", 12, 21, 0, 0, 12 * 110 + 10 * 5, 0, 21},
        {"monster layout body five: 10 is 17", 5, 10, 0, 0, 5 * 110 + 17 * 5, 0, 10},
        {"monster layout: 1 is 19", 6, 1, 0, 0, 6 * 110 + 19 * 5, 0, 1},
        {"animal layout: 17 caps to 2, then 8", 206, 17, 0, 0, 22000 + 6 * 65 + 8 * 5, 0, 17},
        {"human action map: 11 is 3", 574, 11, 0, 0, Human(3, 0, 574), 0, 11},
        {"human action map: 7 is 18", 574, 7, 0, 0, Human(18, 0, 574), 0, 7},
        {"animal below its block has no index", 22, 10, 0, 0, -1, 0, 10},
        {"human below its block has no index", 183, 4, 0, 0, -1, 0, 4},
    };
    for (const Case& c : cases) {
        CMobile* m = Mobile(c.body);
        m->resting = 1;
        uint16_t action = static_cast<uint16_t>(c.action);
        AnimPick pick;
        GetMobileAnimIndex(c.body, 3, 0, c.actionFrame, 0, action, static_cast<uint16_t>(c.addend), false, m,
                           pick);
        EXPECT_EQ(pick.index, c.index) << c.name;
        EXPECT_EQ(pick.frame, c.frame) << c.name;
        EXPECT_EQ(action, c.stored) << c.name;
    }
}

TEST_F(AnimChoice, NoBodyAndStanceIndexesBelowALayoutsBlock) {
    uint16_t action = 0;
    AnimPick pick;
    EXPECT_EQ(GetMobileAnimIndex(0, 3, 5, -1, 0, action, 0, false, nullptr, pick), 0);
    EXPECT_EQ(pick.index, 0);
    EXPECT_EQ(pick.frame, 0);
    for (int body : {22, 150, 183, 199}) {
        if (GetBodyType(body) == BodyType::CreatureRunsWith1) continue; // 110-group: always in its block
        GetMobileAnimIndex(body, 3, 0, -1, 0, action, 0, false, nullptr, pick);
        EXPECT_EQ(pick.index, -1) << body;
    }
    EXPECT_EQ(AnimLayoutIndex(AnimLayout::Group65, 199, 0, 0), -1);
    EXPECT_EQ(AnimLayoutIndex(AnimLayout::Group65, 200, 2, 1), 22011);
    EXPECT_EQ(AnimLayoutIndex(AnimLayout::Group175, 399, 0, 0), -1);
}

TEST_F(AnimChoice, ConvertedBodiesReadTheSecondFilePairOnlyWhenTheServerAllows) {
    DefManager::LoadBodyConvText("204 300\n");
    uint16_t action = 0;
    AnimPick pick;
    GetMobileAnimIndex(204, 3, 0, -1, 0, action, 0, false, nullptr, pick);
    EXPECT_FALSE(pick.secondPair);
    EXPECT_EQ(pick.index, 22000 + 4 * 65 + 2 * 5);
    DefManager::SetFeatureFlags(0x2);
    GetMobileAnimIndex(204, 3, 0, -1, 0, action, 0, false, nullptr, pick);
    EXPECT_TRUE(pick.secondPair);
    EXPECT_EQ(pick.index, 22000 + 100 * 65 + 2 * 5);
}

TEST_F(AnimChoice, CorpsesLieInTheirDeathGroup) {
    struct Case {
        int body, facing;
        int index, frame;
    };
    const Case cases[] = {
        {400, 0x83, Human(22, 0), 5},
        {400, 0x02, Human(21, 1), 5},
        {60, 0x03, Human(21, 0), 5}, // "corpse.def"
        {9, 0x03, 9 * 110 + 2 * 5, 3},
        {9, 0x84, 9 * 110 + 3 * 5 + 1, 3},
        {150, 0x83, 150 * 110 + 8 * 5, 5},
        {204, 0x83, 22000 + 4 * 65 + 12 * 5, 5},
        {206, 0x03, 22000 + 6 * 65 + 8 * 5, 5},
    };
    for (const Case& c : cases) {
        AnimPick pick;
        GetCorpseAnimIndex(c.body, c.facing, pick);
        EXPECT_EQ(pick.index, c.index) << c.body << " facing " << c.facing;
        EXPECT_EQ(pick.frame, c.frame) << c.body << " facing " << c.facing;
    }
}

TEST_F(AnimChoice, MountsWeaponListsAndLayerOrders) {
    EXPECT_EQ(GetMountBody(16034), 204);
    EXPECT_EQ(GetMountBody(16062), 799);
    EXPECT_EQ(GetMountBody(16046), 200);
    EXPECT_EQ(MountGraphicForBody(226), 16032);
    EXPECT_EQ(MountGraphicForBody(116), 16031);
    for (int id : {611, 617, 621, 651})
        EXPECT_TRUE(IsWarStanceWeapon(id)) << id;
    for (int id : {610, 618, 650, 652, 577})
        EXPECT_FALSE(IsWarStanceWeapon(id)) << id;
    for (int id : {576, 582, 992, 993})
        EXPECT_TRUE(IsRunWeapon(id)) << id;
    for (int id : {583, 991, 994, 611})
        EXPECT_FALSE(IsRunWeapon(id)) << id;
    EXPECT_EQ(AnimTables::LayerOrder(3)[1], 20);
    EXPECT_EQ(AnimTables::LayerOrder(0)[24], 20);
    EXPECT_EQ(AnimTables::LayerOrder(2)[24], 2);
    EXPECT_EQ(AnimTables::LayerOrder(7)[0], 25);
}

} // namespace
