#include "world/BodyTypes.h"
#include "WorldFixture.h"

#include <gtest/gtest.h>

namespace {

class BodyTypesTest : public worldtest::WorldTest {
  protected:
    void SetUp() override {
        WorldTest::SetUp();
        InitBodyTypes();
    }
};

TEST_F(BodyTypesTest, TypesFollowTheTableAndEverythingElseIsType4) {
    struct Case {
        int body, type;
    };
    const Case cases[] = {
        {0, 0},   {3, 0},    {4, 2},    {5, 2},    {22, 2},   {143, 1},  {150, 1}, {182, 3},
        {188, 0}, {198, 4},  {204, 2},  {221, 4},  {399, 3},  {400, 3},  {402, 3}, {403, 4},
        {418, 4}, {419, 4},  {573, 0},  {790, 2},  {791, 0},  {798, 2},  {993, 3}, {998, 0},
        {999, 4}, {1403, 4}, {1972, 4}, {1999, 4}, {2000, 4}, {5000, 4}, {-1, 4},  {-40000, 4},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GetBodyType(c.body), c.type) << c.body;
}

TEST_F(BodyTypesTest, PredicatesFollowTheirLists) {
    struct Case {
        bool (*predicate)(int);
        const char* name;
        std::vector<int> yes;
        std::vector<int> no;
    };
    const Case cases[] = {
        {IsHumanBody, "IsHumanBody", {400, 183, 993}, {403, 5000, -1}},
        {IsAnimalBody, "IsAnimalBody", {4, 790, 204}, {9, 400}},
        {IsBodyFive, "IsBodyFive", {5}, {4, 6}},
        {LacksAction21, "LacksAction21", {12, 46, 59, 62, 103, 104, 106}, {105, 63}},
        {IdlesWithAction8, "IdlesWithAction8", {13, 15, 16, 158, 160, 162, 164}, {14, 161, 163}},
        {FliesWhenRunning, "FliesWhenRunning", {4, 6, 9, 46, 130, 753, 755, 758}, {7, 756, 131}},
        {UsesMonsterAnimLayout, "UsesMonsterAnimLayout", {5, 63, 65, 97, 100, 133, 134}, {66, 101, 132}},
        {UsesAnimalAnimLayout, "UsesAnimalAnimLayout", {206, 215}, {207}},
        {LacksHitAndBlockActions, "LacksHitAndBlockActions", {8, 66, 129}, {9}},
        {HasReducedActions, "HasReducedActions", {22, 68, 69}, {70}},
        {UsesHumanActionMap, "UsesHumanActionMap", {574}, {575}},
        {HasAction12, "HasAction12", {400, 403, 999, 4, 8, 16, 574, 85}, {0, 17, 73}},
        {IsBigMobBody, "IsBigMobBody", {0, 398, 399, 790, 573, 400 - 1}, {999, 400, 403, 2000, -1}},
    };
    for (const Case& c : cases) {
        for (int body : c.yes)
            EXPECT_TRUE(c.predicate(body)) << c.name << "(" << body << ")";
        for (int body : c.no)
            EXPECT_FALSE(c.predicate(body)) << c.name << "(" << body << ")";
    }
}

TEST_F(BodyTypesTest, Body46FliesOnlyWithoutAnEnabledConversion) {
    EXPECT_TRUE(FliesWhenRunning(46));
    DefManager::LoadBodyConvText("46\t1\n");
    EXPECT_TRUE(FliesWhenRunning(46)); // loaded, but the server has not enabled it
    DefManager::SetFeatureFlags(0x2);
    EXPECT_FALSE(FliesWhenRunning(46));
    EXPECT_TRUE(FliesWhenRunning(43));
}

} // namespace
