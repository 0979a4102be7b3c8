// The profession file's lines, the skill names it may use, the profession codes and the slider
// groups that keep the custom profession's totals.
#include "frontend/Professions.h"
#include "windows/SkillTable.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(ProfessionFile, LinesFillRecordsAndLinkParents) {
    const char* text = "Begin\n"
                       "  Name\tWarrior\r\n"
                       "  TrueName \"Brave Warrior\"\n"
                       "  Desc 3\n"
                       "  TopLevel TRUE\n"
                       "  Gump 5571\n"
                       "  Skill Swordsmanship 50\n"
                       "  skill tactics, 30\n"
                       "  Skill Juggling 20\n" // unknown: the line is dropped
                       "  Stat str 45\n"
                       "  STAT Dex 25\n"
                       "  Stat Int 10\n"
                       "  Colour blue\n" // unknown keyword: ignored
                       "End\n"
                       "Begin\n"
                       "  Name \"Crafts\"\n"
                       "  Type category\n"
                       "  TopLevel yes\n"
                       "  Children smith, \"TAILOR\".Nobody\n"
                       "End\n"
                       "Begin\n  Name Smith\nEnd\n"
                       "Begin\n  Name Tailor\nEnd";
    const ProfessionList list = ParseProfessions(text);
    ASSERT_EQ(list.size(), 4u);
    const ProfessionRecord& warrior = *list[0];
    EXPECT_EQ(warrior.name, "Warrior");
    EXPECT_EQ(warrior.displayName, "Brave Warrior");
    EXPECT_EQ(warrior.description, 3);
    EXPECT_TRUE(warrior.topLevel);
    EXPECT_FALSE(warrior.category);
    EXPECT_EQ(warrior.pictureArt, 5571);
    ASSERT_EQ(warrior.skills.size(), 2u);
    EXPECT_EQ(warrior.skills[0].index, 40);
    EXPECT_EQ(warrior.skills[0].value, 50);
    EXPECT_EQ(warrior.skills[1].index, 27);
    EXPECT_EQ(warrior.skills[1].value, 30);
    EXPECT_EQ(warrior.strength, 45);
    EXPECT_EQ(warrior.dexterity, 25);
    EXPECT_EQ(warrior.intelligence, 10);
    EXPECT_EQ(warrior.parent, nullptr);

    const ProfessionRecord& crafts = *list[1];
    EXPECT_EQ(crafts.name, "Crafts");
    EXPECT_TRUE(crafts.category);
    EXPECT_FALSE(crafts.topLevel) << "only \"true\" makes a top-level button";
    EXPECT_EQ(crafts.children, (std::vector<std::string>{"smith", "TAILOR", "Nobody"}));
    EXPECT_EQ(list[2]->parent, &crafts);
    EXPECT_EQ(list[3]->parent, &crafts) << "the last record ends without a line feed";
    EXPECT_EQ(FindProfession(list, "tailor"), list[3].get());
    EXPECT_EQ(FindProfession(list, "Nobody"), nullptr);
}

TEST(ProfessionFile, BoundsAndOddShapes) {
    struct Case {
        const char* what;
        std::string text;
        size_t records;
        std::string name;
    };
    const std::string longName(300, 'x');
    const Case cases[] = {
        {"empty file", "", 0, ""},
        {"no End keeps nothing", "Begin\nName A\n", 0, ""},
        {"Begin wins over End on one line", "Begin End\nName A\nEnd\n", 1, "A"},
        {"a name is cut to 127", "Begin\nName " + longName.substr(0, 200) + "\nEnd\n", 1,
         longName.substr(0, 127)},
        // A line longer than 254 characters is read in pieces; the piece after it starts a new line.
        {"an overlong line splits", "Begin\n" + std::string(254, ' ') + "Name B\nEnd\n", 1, "B"},
        {"no newline at all", "Begin" + std::string(1000, 'z'), 0, ""},
        {"a zero byte ends the word", std::string("Begin\nName A\0B\nEnd\n", 19), 1, "A"},
    };
    for (const Case& c : cases) {
        const ProfessionList list = ParseProfessions(c.text);
        ASSERT_EQ(list.size(), c.records) << c.what;
        if (c.records) {
            EXPECT_EQ(list.back()->name, c.name) << c.what;
        }
    }
}

TEST(ProfessionFile, SkillNamesAndProfessionCodes) {
    EXPECT_EQ(SkillIndexFromName("Alchemy"), 0);
    EXPECT_EQ(SkillIndexFromName("evaluateintelligence"), 16);
    EXPECT_EQ(SkillIndexFromName("Disarm"), 48);
    EXPECT_EQ(SkillIndexFromName("Alchem"), -1);
    EXPECT_EQ(SkillIndexFromName(""), -1);
    const std::pair<int, int> codes[] = {{3, 2}, {4, 1}, {18, 3}, {0, 0}, {5, 0}, {-1, 0}};
    for (auto [description, code] : codes)
        EXPECT_EQ(ProfessionCode(description), code) << description;

    SkillTableData saved = SkillTable();
    SkillTableData& t = SkillTable();
    t.count = 3;
    std::strcpy(t.names[0].data(), "Magery");
    std::strcpy(t.names[1].data(), "STEALTH");
    std::strcpy(t.names[2].data(), "Remove Trap");
    EXPECT_TRUE(IsSkillSelectable(0));
    EXPECT_FALSE(IsSkillSelectable(1));
    EXPECT_FALSE(IsSkillSelectable(2));
    SkillTable() = saved;
}

TEST(SliderGroup, BalanceKeepsTheTotal) {
    struct Case {
        const char* what;
        SliderValue moved, a, b;
        int total;
        int wantA, wantB;
    };
    const Case cases[] = {
        {"strength dragged down to 10", {10, 60, 10}, {10, 60, 10}, {10, 60, 10}, 80, 35, 35},
        {"dexterity up to 20: intelligence is at its floor",
         {10, 60, 20},
         {10, 60, 60},
         {10, 60, 10},
         80,
         50,
         10},
        {"first skill to 0", {0, 50, 0}, {0, 50, 50}, {0, 50, 0}, 100, 50, 50},
        {"odd difference: the first gets the half toward zero",
         {10, 60, 45},
         {10, 60, 25},
         {10, 60, 25},
         80,
         18,
         17},
        {"odd difference downward", {10, 60, 15}, {10, 60, 30}, {10, 60, 30}, 80, 32, 33},
        {"nothing to do", {10, 60, 60}, {10, 60, 10}, {10, 60, 10}, 80, 10, 10},
    };
    for (const Case& c : cases) {
        SliderValue moved = c.moved, a = c.a, b = c.b;
        BalanceSliders(moved, a, b, c.total, c.total);
        EXPECT_EQ(a.value, c.wantA) << c.what;
        EXPECT_EQ(b.value, c.wantB) << c.what;
        EXPECT_EQ(moved.value + a.value + b.value, c.total) << c.what;
    }
}

TEST(SliderGroup, EveryDragKeepsSumsAndRanges) {
    // Any value of any slider, from any balanced start: the sum stays and every slider stays in range.
    for (int total : {80, 100}) {
        const int lo = total == 80 ? 10 : 0, hi = total == 80 ? 60 : 50;
        for (int which = 0; which < 3; ++which)
            for (int v = lo; v <= hi; ++v) {
                SliderValue s[3] = {{lo, hi, total == 80 ? 60 : 50},
                                    {lo, hi, total == 80 ? 10 : 50},
                                    {lo, hi, total == 80 ? 10 : 0}};
                s[which].value = v;
                // The two others in creation order.
                SliderValue& a = s[which == 0 ? 1 : 0];
                SliderValue& b = s[which == 2 ? 1 : 2];
                BalanceSliders(s[which], a, b, total, total);
                int sum = 0;
                for (const SliderValue& x : s) {
                    EXPECT_GE(x.value, lo);
                    EXPECT_LE(x.value, hi);
                    sum += x.value;
                }
                EXPECT_EQ(sum, total) << "total " << total << " slider " << which << " at " << v;
            }
    }
}

TEST(SliderGroup, ThumbAndValueMapBothWays) {
    // Ranges no wider than the track: every value has its own thumb place and comes back from it.
    for (SliderValue range : {SliderValue{10, 60, 0}, SliderValue{0, 50, 0}, SliderValue{0, 96, 0}})
        for (int v = range.minimum; v <= range.maximum; ++v) {
            SliderValue s = range;
            s.value = v;
            const int x = SliderThumbX(s);
            EXPECT_GE(x, 0);
            EXPECT_LE(x, 96);
            EXPECT_EQ(SliderValueAt(s, x), v) << "range " << range.minimum << ".." << range.maximum;
        }
    // A wider range: every thumb place reads a value whose thumb sits at that place.
    for (int x = 0; x <= 96; ++x) {
        SliderValue wide{0, 100, 0};
        wide.value = SliderValueAt(wide, x);
        EXPECT_EQ(SliderThumbX(wide), x);
    }
    const SliderValue strength{10, 60, 60};
    EXPECT_EQ(SliderThumbX(strength), 96) << "the maximum sits at the track's end";
    EXPECT_EQ(SliderValueAt(strength, 0), 10);
    EXPECT_EQ(SliderValueAt(strength, 500), 60);
    EXPECT_EQ(SliderValueAt(strength, -5), 10);
}

} // namespace
