#include "core/DefManager.h"

#include "DataFixture.h"

#include <set>

namespace {

using qvtest::ProcessExit;
using qvtest::TempDir;

class DefManagerTest : public qvtest::DataFixture {};

TEST_F(DefManagerTest, DefinitionLinesAndEverythingElse) {
    struct Case {
        const char* line;
        bool definition;
        int16_t id = 0;
        std::vector<int16_t> alternatives = {};
        int extra = 0;
    };
    const Case cases[] = {
        {"123 {456, 457} 0 # two of them", true, 123, {456, 457}, 0},
        {"123\t{456,457}\t0", true, 123, {456, 457}, 0},
        {"  7 {1 2 3} -5", true, 7, {1, 2, 3}, -5}, // blanks separate too; a negative extra
        {"400 anything here {401} 1153  ", true, 400, {401}, 1153},
        {"9 {} 0", true, 9, {}, 0},
        {"+12 {3} 0", true, 12, {3}, 0},
        {"32767 {0} 2147483647", true, 32767, {0}, 2147483647},
        {"5 {6} 0\r", false}, // a lone carriage return is not a blank (files are split on it first)
        {"", false},
        {"   ", false},
        {"# 123 {456} 0", false},
        {"   # indented comment", false},
        {"-3 {4} 0", false},              // negative ids would index before the body tables
        {"32768 {1} 0", false},           // beyond 16 bits
        {"123 {70000} 0", false},         // an alternative beyond 16 bits
        {"123 {-4} 0", false},            // alternatives are digits only
        {"123 {4, x} 0", false},          // junk inside the braces
        {"123 {456} 0 junk", false},      // junk after the extra value
        {"123 {456}", false},             // no extra value
        {"123 {456 0", false},            // no closing brace
        {"123 456 0", false},             // no braces
        {"abc {456} 0", false},           // no id
        {"123 {456} 99999999999", false}, // extra beyond 32 bits
    };
    for (const Case& c : cases) {
        int16_t id = -1;
        std::vector<int16_t> alternatives{99};
        int extra = -1;
        std::string line = c.line;
        EXPECT_EQ(DefTable::ParseLine(line, id, alternatives, extra), c.definition ? 0 : 1)
            << '"' << c.line << '"';
        if (!c.definition) continue;
        EXPECT_EQ(id, c.id) << c.line;
        EXPECT_EQ(alternatives, c.alternatives) << c.line;
        EXPECT_EQ(extra, c.extra) << c.line;
    }
    std::string longLine = "1 {2} 0 #" + std::string(250, 'x');
    int16_t id;
    std::vector<int16_t> alternatives;
    int extra;
    EXPECT_EQ(DefTable::ParseLine(longLine, id, alternatives, extra), 1);
}

TEST_F(DefManagerTest, TheFirstDefinitionWinsAndPicksRepeat) {
    DefTable table;
    table.Load("# sounds\n"
               "123 {456, 457, 458} 0 # first\r\n"
               "123 {1} 0\n"
               "  \n"
               "-3 {1} 0\n"
               "9 {} 4\n");
    EXPECT_EQ(table.GetLineCount(), 3);
    EXPECT_EQ(table.GetEntryCount(), 2u);
    EXPECT_TRUE(table.Contains(123));
    EXPECT_FALSE(table.Contains(-3));
    EXPECT_FALSE(table.Contains(124));
    ASSERT_NE(table.Find(123), nullptr);
    EXPECT_EQ(table.Find(123)->alternatives, (std::vector<int16_t>{456, 457, 458}));

    std::set<int> seen;
    for (uint32_t seed : {0u, 1u, 2u, 77u, 4000000000u, 0xDEADBEEFu}) {
        int pick = table.PickAlternative(123, seed);
        EXPECT_TRUE(pick == 456 || pick == 457 || pick == 458) << pick;
        for (int again = 0; again < 3; ++again)
            EXPECT_EQ(table.PickAlternative(123, seed), pick) << "seed " << seed;
        seen.insert(pick);
    }
    EXPECT_GT(seen.size(), 1u); // the seed does choose
    EXPECT_EQ(table.PickAlternative(124, 5), 124);
    EXPECT_TRUE(table.Contains(9));
    EXPECT_EQ(table.PickAlternative(9, 5), 9); // an entry without alternatives keeps its id
}

TEST_F(DefManagerTest, BodiesANewerServerShowsAreExempt) {
    DefManager::LoadBodyConvText("# body value\n"
                                 "400\t1\t-1\n"
                                 "401 -1\n" // no value
                                 "5000 3\n" // outside the table
                                 "-2 3\n"   // outside the table
                                 "\n"
                                 "garbage\n");
    EXPECT_TRUE(DefManager::IsBodyConvLoaded());
    EXPECT_EQ(DefManager::BodyConv(400), 1);
    EXPECT_EQ(DefManager::BodyConv(401), -1);
    EXPECT_EQ(DefManager::BodyConv(-2), -1);
    EXPECT_EQ(DefManager::BodyConv(5000), -1);

    const char* text = "400 {200} 0\n"
                       "400 {300} 0\n"
                       "401 {201} 0\n";
    DefTable before;
    before.Load(text);
    EXPECT_EQ(before.Find(400)->alternatives, (std::vector<int16_t>{200}));
    EXPECT_TRUE(before.Contains(400));

    DefManager::SetFeatureFlags(0x2);
    EXPECT_FALSE(before.Contains(400));
    EXPECT_EQ(before.PickAlternative(400, 9), 400);
    EXPECT_TRUE(before.Contains(401)); // no conversion value: not exempt
    // Built once the flag is known, the last line of an exempt body wins.
    DefTable after;
    after.Load(text);
    EXPECT_EQ(after.Find(400)->alternatives, (std::vector<int16_t>{300}));

    DefManager::ResetBodyConv();
    EXPECT_FALSE(DefManager::IsBodyConvLoaded());
    EXPECT_TRUE(before.Contains(400));
}

TEST_F(DefManagerTest, StartupBuildsTheNineTablesOfTheInstallation) {
    TempDir hdDir;
    std::string hd = hdDir.path().string();
    Install(hd);
    PointAt(hd);
    FileManager::startup();
    std::filesystem::rename(hd + "/body.def", hd + "/Body.DEF"); // found regardless of case
    ASSERT_TRUE(DefManager::startup());
    for (int t = 0; t < DefManager::kTableCount; ++t)
        EXPECT_NE(DefManager::GetTable(static_cast<DefManager::TableId>(t)), nullptr)
            << DefManager::kTableNames[t];
    const DefTable* body = DefManager::GetTable(DefManager::Body);
    EXPECT_TRUE(body->Contains(401));
    EXPECT_EQ(body->Find(1000)->extra, 1153);
    EXPECT_EQ(DefManager::GetTable(DefManager::Art)->PickAlternative(16000, 3),
              DefManager::GetTable(DefManager::Art)->PickAlternative(16000, 3));
    EXPECT_TRUE(DefManager::LoadBodyConv(FileManager::get_HDpath("bodyconv.def")));
    EXPECT_EQ(DefManager::BodyConv(1000), 1);
    DefManager::shutdown();
    EXPECT_EQ(DefManager::GetTable(DefManager::Sound), nullptr);
}

TEST_F(DefManagerTest, AMissingTableEndsTheProcessWithCode1) {
    TempDir hdDir;
    std::string hd = hdDir.path().string();
    Install(hd);
    std::filesystem::remove(hd + "/corpse.def");
    PointAt(hd);
    FileManager::startup();
    try {
        DefManager::startup();
        FAIL() << "started without corpse.def";
    } catch (const ProcessExit& e) {
        EXPECT_EQ(e.code, 1);
    }
    EXPECT_FALSE(DefManager::LoadBodyConv(hd + "/nothing.def"));
}

} // namespace
