// The sample landscape as the client reads it: the map picture and a path across it against
// stored text, the bridge's difference pair, the tent, and the check table that matches the map.
#include "mkinstall/Landscape.h"
#include "WorldFixture.h"
#include "core/CDHDCache.h"
#include "platform/platform.h"
#include "qvworld/MapReport.h"
#include "qvworld/WorldReport.h"
#include "world/MapManager.h"
#include "world/MultiManager.h"
#include "world/Terrain.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

class LandscapeTest : public worldtest::WorldTest {
  protected:
    void SetUp() override {
        WorldTest::SetUp();
        InstallSample();
        qvworld::LoadWorldTables();
        qvworld::StartMap();
    }
    void TearDown() override {
        qvworld::StopMap();
        MapManager::Reset();
        WorldTest::TearDown();
    }
    // Compares with a stored text; with QV_UPDATE_GOLDEN=1 writes it instead.
    static void ExpectGolden(const std::string& text, const char* name) {
        const std::filesystem::path path = std::filesystem::path(QV_TESTS_DIR "/world/golden") / name;
        if (platform::GetEnv("QV_UPDATE_GOLDEN") == "1") {
            std::ofstream(path, std::ios::binary) << text;
            return;
        }
        std::ifstream in(path, std::ios::binary);
        ASSERT_TRUE(in) << path << " is missing; run with QV_UPDATE_GOLDEN=1 to create it";
        std::stringstream stored;
        stored << in.rdbuf();
        EXPECT_EQ(text, stored.str()) << "differs from " << path;
    }
};

TEST_F(LandscapeTest, MapPictureAndPathAcrossIt) {
    ExpectGolden(qvworld::DescribeMap(mkinstall::kLandscapeX, mkinstall::kLandscapeY, 64, 64),
                 "landscape_map.txt");
    ExpectGolden(qvworld::DescribePath(1490, 1590, 1520, 1620), "landscape_path.txt");
}

TEST_F(LandscapeTest, StairsLeadToTheUpperFloor) {
    qvworld::CenterMap(1483, 1580);
    // Up the stairs from the ground floor in front of them, then west onto the upper floor.
    int z = 0;
    struct Step {
        int x, y, direction, z;
    } steps[] = {{1483, 1576, 4, 2},
                 {1483, 1577, 4, 7},
                 {1483, 1578, 4, 12},
                 {1483, 1579, 4, 17},
                 {1482, 1579, 6, 20}};
    int from = 0;
    for (const Step& s : steps) {
        ASSERT_TRUE(CanWalkOntoAs(s.x, s.y, from, s.direction, Terrain::kWalking, z)) << s.x << "," << s.y;
        EXPECT_EQ(z, s.z);
        from = z;
    }
    // The walls hold: the door is shut on foot.
    EXPECT_FALSE(CanWalkOntoAs(1481, 1581, 0, 4, Terrain::kWalking, z));
}

TEST_F(LandscapeTest, BridgeDifferenceAppliesWhenTheServerSendsItsLimits) {
    int z = 0;
    qvworld::CenterMap(1514, 1598);
    EXPECT_FALSE(CanWalkOntoAs(1514, 1598, 0, 2, Terrain::kWalking, z)); // the river
    MapManager::ResetBlocks();
    MapManager::SetDiffLimits(0, 1, 1);
    MapManager::LoadDiffLists();
    EXPECT_EQ(MapManager::FindMapDiff(mkinstall::BridgeBlock(), 0), 0);
    qvworld::CenterMap(1514, 1598);
    EXPECT_TRUE(CanWalkOntoAs(1514, 1598, 0, 2, Terrain::kWalking, z));
    EXPECT_EQ(z, 0);
}

TEST_F(LandscapeTest, TentAndCheckTable) {
    const auto records = MradeRunager::ReadMulti(mkinstall::kTentMulti);
    ASSERT_EQ(records.size(), 5u);
    EXPECT_EQ(records[3].flags, 0u);
    // The table written beside the map agrees with every block the client reads.
    ASSERT_TRUE(MapManager::LoadCheckTable());
    static int reports = 0;
    reports = 0;
    MapManager::SetBlockReportSink([](int, const uint8_t*) { ++reports; });
    MapManager::EnableMapCheck();
    for (int x = mkinstall::kLandscapeX - 8; x < mkinstall::kLandscapeX + 72; x += 8)
        for (int y = mkinstall::kLandscapeY - 8; y < mkinstall::kLandscapeY + 72; y += 8)
            MapManager::GetLandZ(x, y);
    MapManager::GetLandZ(3, 3);
    EXPECT_EQ(reports, 0);
    // And qvworld's table of the same file is the same.
    std::string message;
    const std::string out = (dir.path() / "check.bin").string();
    ASSERT_TRUE(qvworld::WriteMapCheck((dir.path() / "map0.mul").string(), out, message)) << message;
    std::ifstream a(out, std::ios::binary), b(dir.path() / "mapcheck.bin", std::ios::binary);
    std::stringstream sa, sb;
    sa << a.rdbuf();
    sb << b.rdbuf();
    EXPECT_TRUE(sa.str() == sb.str());
    MapManager::SetBlockReportSink(nullptr);
}

} // namespace
