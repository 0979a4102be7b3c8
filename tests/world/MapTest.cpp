// The map: wrap and distances, land items and their heights, the view centre, the statics window,
// difference lists, statics records, sight, the roof cut and the map block check.
#include "core/ShardRecord.h"
#include "net/NetServices.h"
#include "world/MapFixture.h"
#include "world/WorldLogin.h"

#include <algorithm>
#include <set>

namespace maptest {
namespace {

TEST_F(MapTest, DistanceAndWrap) {
    struct Case {
        int facet, x1, y1, x2, y2, expected;
    } cases[] = {
        {0, 5119, 10, 1, 10, 2},       // across the seam
        {0, 5119, 10, 5121, 10, 9999}, // the area beyond the wrap never wraps
        {0, 5121, 10, 5119, 10, 9999}, {0, 5200, 10, 5300, 12, 100}, {0, 10, 4095, 10, 1, 2},
        {2, 2303, 5, 0, 5, 1},         {2, 7, 7, 9, 10, 3},
    };
    for (const Case& c : cases) {
        MapManager::SetMap(c.facet);
        EXPECT_EQ(MapManager::Distance(c.x1, c.y1, c.x2, c.y2), c.expected)
            << c.x1 << "," << c.y1 << " -> " << c.x2 << "," << c.y2 << " on facet " << c.facet;
    }
}

TEST_F(MapTest, WrapIsFloorModuloWestOfTheSeam) {
    EXPECT_EQ(MapManager::WrapCoordinate(-1, 5120), 5119);
    EXPECT_EQ(MapManager::WrapCoordinate(-5121, 5120), 5119);
    EXPECT_EQ(MapManager::WrapCoordinate(5120, 5120), 0);
    SetLand(5119, 30, L::Rock, 7);
    // A land item west of the seam shows the cell on the far side, not a negative block.
    MapManager::CreateLandTileWrapped(-1, 30);
    CDrawItem* item = LandAt(-1, 30);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(LandIdOf(item), L::Rock);
    EXPECT_EQ(item->z, 7);
}

TEST_F(MapTest, LandHeightsAndMissingData) {
    SetLand(100, 100, L::Rock, -5);
    SetLand(101, 100, L::Grass, 4);
    SetLand(101, 101, L::Grass, 8);
    SetLand(100, 101, L::Grass, 2);
    int8_t c[4];
    MapManager::GetCornerZ(100, 100, c);
    EXPECT_EQ(std::vector<int>(c, c + 4), (std::vector<int>{-5, 4, 8, 2}));
    MapManager::GetCornerZ(-1, 100, c);
    EXPECT_EQ(std::vector<int>(c, c + 4), (std::vector<int>{0, 0, 0, 0}));
    EXPECT_EQ(MapManager::GetLandTile(100, 100), L::Rock);
    EXPECT_EQ(MapManager::GetLandTile(6144, 0), MapManager::kMissingLand);
    EXPECT_EQ(MapManager::GetLandTile(-1, 0), MapManager::kMissingLand);
}

TEST_F(MapTest, TexturedLandStretchesBesideASlopeOnly) {
    // A textured flat cell whose 4 x 4 square holds a higher cell is stretched; elsewhere flat.
    SetLand(50, 50, L::Hill, 0);
    SetLand(52, 52, L::Grass, 6);
    SetLand(70, 70, L::Hill, 0);
    SetLand(30, 30, L::Grass, 0);
    SetLand(32, 32, L::Grass, 6);
    MapManager::CreateLandTileWrapped(50, 50);
    MapManager::CreateLandTileWrapped(70, 70);
    MapManager::CreateLandTileWrapped(30, 30);
    ASSERT_NE(LandAt(50, 50), nullptr);
    EXPECT_TRUE(LandAt(50, 50)->IsStretchedLand());
    EXPECT_FALSE(LandAt(70, 70)->IsStretchedLand());
    EXPECT_FALSE(LandAt(30, 30)->IsStretchedLand()); // untextured
    // A sloped textured cell takes the mean of its corners.
    SetLand(80, 80, L::Hill, 0);
    SetLand(81, 80, L::Hill, 4);
    SetLand(81, 81, L::Hill, 8);
    SetLand(80, 81, L::Hill, 4);
    MapManager::CreateLandTileWrapped(80, 80);
    CDrawItem* slope = LandAt(80, 80);
    ASSERT_TRUE(slope && slope->IsStretchedLand());
    EXPECT_EQ(slope->z, 4);
    EXPECT_EQ(slope->GetBottomZ(), 0);
    EXPECT_EQ(slope->GetZAtDir(3), 8); // corner 2
    EXPECT_EQ(slope->GetZAtDir(0), 2); // corners 0 and 1
}

TEST_F(MapTest, CellsBeyondTheNonWrappingAreaShowTile580) {
    SetLand(6000, 100, L::Rock, 3);
    MapManager::CreateLandTile(6000, 100);
    MapManager::CreateLandTile(6144, 100);
    MapManager::CreateLandTile(5119, 100);
    EXPECT_EQ(LandIdOf(LandAt(6000, 100)), L::Rock);
    EXPECT_EQ(LandIdOf(LandAt(6144, 100)), MapManager::kOutsideLand);
    EXPECT_EQ(LandIdOf(LandAt(5119, 100)), MapManager::kOutsideLand);
}

TEST_F(MapTest, StepAcrossTheSeamShiftsEveryItemByTheWrapWidth) {
    CenterOn(5119, 200);
    CObj* marker = PlaceStatic(objtest::G::Plain, 5121, 201, 0);
    ASSERT_NE(LandAt(5119, 200), nullptr);
    MapManager::MoveCenter(1, 0, 0);
    int x = 0, y = 0, z = 0;
    MapManager::GetCenter(x, y, z);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(marker->locX, 1);
    EXPECT_NE(LandAt(-1, 200), nullptr); // the old 5119
    EXPECT_EQ(LandAt(5119, 200), nullptr);
    // Every land item of the view now lies around the new centre.
    for (auto& row : DrawMapThingie::table)
        for (CDrawItem* head : row)
            for (CDrawItem* it = head; it; it = it->nextDraw)
                EXPECT_LT(it->locX, 100);
    // And back west over the seam.
    MapManager::MoveCenter(-1, 0, 0);
    MapManager::GetCenter(x, y, z);
    EXPECT_EQ(x, 5119);
    EXPECT_EQ(marker->locX, 5121);
}

TEST_F(MapTest, WalkingAcrossBlockEdgesKeepsExactlyTheSixBySixWindow) {
    // One static in every block around the walk.
    for (int bx = 0; bx < 30; ++bx)
        for (int by = 0; by < 20; ++by)
            data.items[{CDHDCache::kStatics0, bx * MapManager::GetBlocksHigh() + by}] =
                StaticRecord(objtest::G::Plain, bx % 8, by % 8, 0);
    CenterOn(60, 60);
    for (int step = 0; step < 40; ++step) {
        MapManager::MoveCenter(step < 20 ? 1 : 0, step < 20 ? 1 : -1, 0);
        int cx = 0, cy = 0, cz = 0;
        MapManager::GetCenter(cx, cy, cz);
        const int bx = (cx - 18) >> 3, by = (cy - 18) >> 3;
        std::set<std::pair<int, int>> blocks;
        int statics = 0;
        WorldLists::World().ForEach([&](CObj* o) {
            if (o->IsDynamic()) return;
            ++statics;
            blocks.insert({o->locX >> 3, o->locY >> 3});
            EXPECT_TRUE((o->locX >> 3) >= bx && (o->locX >> 3) < bx + 6 && (o->locY >> 3) >= by &&
                        (o->locY >> 3) < by + 6)
                << "static at " << o->locX << "," << o->locY << " outside the window at step " << step;
        });
        EXPECT_EQ(statics, 36) << "step " << step;
        EXPECT_EQ(blocks.size(), 36u);
        int wx = 0, wy = 0, loaded[36];
        MapManager::GetStaticsWindow(wx, wy, loaded);
        EXPECT_EQ(std::count(loaded, loaded + 36, -1), 0);
    }
}

TEST_F(MapTest, DifferenceListsStopAtTheFileEndAndSkipBlocksOutsideTheMap) {
    const int block = BlockOf(40, 40);
    data.files["mapdifl0.mul"] = Int32s({block, -5, 393216, 77, block});
    data.files["mapdifl0.mul"].push_back(1); // a partial entry
    data.files["stadifl1.mul"] = Int32s({block});
    MapManager::SetDiffLimits(0, 100, 100000); // limits beyond the file
    MapManager::SetDiffLimits(1, 1, 0);
    MapManager::LoadDiffLists();
    EXPECT_EQ(MapManager::FindMapDiff(block, 0), 4); // the later entry wins
    EXPECT_EQ(MapManager::FindMapDiff(77, 0), 3);
    EXPECT_EQ(MapManager::FindMapDiff(-5, 0), -1);
    EXPECT_EQ(MapManager::FindMapDiff(393216, 0), -1);
    EXPECT_EQ(MapManager::FindStaticsDiff(block, 1), 0);
    EXPECT_EQ(MapManager::FindMapDiff(block, 3), -1);
    EXPECT_TRUE(recorder->contains("outside the map"));

    // The block reads from the difference record on its set only.
    std::array<uint8_t, MapManager::kBlockSize> diff{};
    diff[4 + ((40 & 7) << 3 | (40 & 7)) * 3] = L::Rock;
    diff[6 + ((40 & 7) << 3 | (40 & 7)) * 3] = 12;
    data.records[{CDHDCache::kMapDif0, 4}] = diff;
    EXPECT_EQ(MapManager::GetLandTile(40, 40), L::Rock);
    EXPECT_EQ(MapManager::GetLandZ(40, 40), 12);
    MapManager::SetDiffSet(1);
    EXPECT_EQ(MapManager::GetLandTile(40, 40), L::Grass);
    // Statics of set 1 come from its difference files.
    data.items[{CDHDCache::kStaDif0 + 2, 0}] = StaticRecord(objtest::G::Plain, 0, 0, 5);
    int length = 0, extra = 0;
    EXPECT_NE(MapManager::GetStaticsBlock(block, length, extra), nullptr);
    EXPECT_EQ(length, 7);
}

TEST_F(MapTest, StaticsRecordsPartialAndOutsideTheirBlockAreSkipped) {
    const int block = BlockOf(96, 96);
    data.items[{CDHDCache::kStatics0, block}] = StaticRecord(objtest::G::Plain, 1, 2, 3, 0x21) +
                                                StaticRecord(objtest::G::Plain, 8, 0, 0) +
                                                StaticRecord(0x4005, 0, 7, -4) + "\x01\x02\x03";
    CenterOn(100, 100);
    std::vector<CObj*> statics;
    WorldLists::World().ForEach([&](CObj* o) {
        if (o->locX >> 3 == 12 && o->locY >> 3 == 12) statics.push_back(o);
    });
    ASSERT_EQ(statics.size(), 2u);
    EXPECT_EQ(statics[0]->locX, 97);
    EXPECT_EQ(statics[0]->locY, 98);
    EXPECT_EQ(statics[0]->z, 3);
    EXPECT_EQ(statics[0]->hue, 0x21);
    EXPECT_EQ(statics[1]->graphic, 1); // 0x4000 and above
    EXPECT_EQ(statics[1]->z, -4);
    EXPECT_TRUE(recorder->contains("outside it"));
}

TEST_F(MapTest, LineOfSightTestsTheCellsBetweenOnly) {
    Row(I::Wall).flags |= TileFlag::NoShoot;
    PlaceStatic(I::Wall, 11, 10, 0);
    PlaceStatic(I::Wall, 20, 20, 0);
    const uint32_t mask = TileFlag::NoShoot;
    // Neighbours: no cell is tested, even a wall at the target.
    EXPECT_TRUE(MapManager::HasLineOfSight(objtest::Pos(10, 10), 5, objtest::Pos(11, 10), 5, mask));
    EXPECT_FALSE(MapManager::HasLineOfSight(objtest::Pos(10, 10), 5, objtest::Pos(12, 10), 5, mask));
    EXPECT_TRUE(
        MapManager::HasLineOfSight(objtest::Pos(10, 10), 25, objtest::Pos(12, 10), 25, mask)); // above
    EXPECT_TRUE(
        MapManager::HasLineOfSight(objtest::Pos(10, 10), 5, objtest::Pos(12, 10), 5, TileFlag::Window));
    EXPECT_FALSE(MapManager::HasLineOfSight(objtest::Pos(18, 18), 0, objtest::Pos(22, 22), 0, mask));
    EXPECT_TRUE(MapManager::HasLineOfSight(objtest::Pos(3, 3), 0, objtest::Pos(3, 3), 0, mask));
}

TEST_F(MapTest, RoofCutFollowsTheLandAboveThePlayer) {
    int clears = 0;
    static int* s_clears = nullptr;
    s_clears = &clears;
    MapManager::SetViewHooks({nullptr, nullptr, [] { ++*s_clears; }, nullptr});
    SetLand(300, 300, L::Grass, 50);
    struct Step {
        int z;
        bool on;
        int level;
        int clears;
    } steps[] = {
        {0, true, 16, 1},   // under the land: on, the view cleared
        {10, true, 26, 1},  // another level
        {40, false, 26, 1}, // 56 is above the land: off
        {60, false, 26, 1}, {20, true, 36, 2},
    };
    MapManager::SetPlayerPlaced(true);
    for (const Step& s : steps) {
        MapManager::SetCenter(300, 300, s.z, 0);
        EXPECT_EQ(DrawManager::IsRoofCutOn(), s.on) << "z " << s.z;
        if (s.on) {
            EXPECT_EQ(DrawManager::GetRoofCutZ(), s.level) << "z " << s.z;
        }
        EXPECT_EQ(clears, s.clears) << "z " << s.z;
    }
}

TEST_F(MapTest, ChangedBlockIsReportedOnceAfterTheCheckIsOn) {
    static std::vector<int> reports;
    reports.clear();
    MapManager::SetBlockReportSink([](int block, const uint8_t*) { reports.push_back(block); });
    // A table that agrees with every block of grass at z 0 around cell (200, 200).
    std::vector<uint8_t> table(MapManager::kCheckTableSize, 0);
    const int good = BlockOf(200, 200), changed = BlockOf(208, 200);
    for (int b : {good, changed}) {
        std::array<uint8_t, MapManager::kBlockSize> grass{};
        for (int c = 0; c < 64; ++c)
            grass[4 + c * 3] = L::Grass;
        const int v = MapManager::CheckValue(b, grass.data());
        table[b / 2] =
            static_cast<uint8_t>((b & 1) ? (table[b / 2] & 0xF0) | v : (table[b / 2] & 0x0F) | v << 4);
    }
    // The changed block: a rock whose height makes its value differ from the table's (4 bits).
    for (int z = 1; z < 100; ++z) {
        SetLand(209, 201, L::Rock, z);
        if (MapManager::CheckValue(changed, MapManager::GetMapBlock(changed)) !=
            MapManager::CheckValue(changed + 2, MapManager::GetMapBlock(good)))
            break;
    }
    data.files[MapManager::kCheckFileName] = table;

    for (int i = 0; i < 3; ++i)
        MapManager::GetLandZ(209, 201);
    EXPECT_TRUE(reports.empty()); // before 0xC6 nothing is checked

    MapManager::EnableMapCheck();
    for (int i = 0; i < 3; ++i) {
        MapManager::GetLandZ(209, 201);
        MapManager::GetLandZ(200, 200);
    }
    EXPECT_EQ(reports, std::vector<int>{changed});
}

TEST_F(MapTest, WithoutACheckTableNothingIsReportedAndOneLineIsLogged) {
    static int reports = 0;
    reports = 0;
    MapManager::SetBlockReportSink([](int, const uint8_t*) { ++reports; });
    MapManager::EnableMapCheck();
    for (int x = 0; x < 64; x += 8)
        MapManager::GetLandZ(x, 0);
    EXPECT_EQ(reports, 0);
    int lines = 0;
    for (const auto& l : recorder->lines())
        lines += l.text.find("no map check table") != std::string::npos;
    EXPECT_EQ(lines, 1);
}

TEST_F(MapTest, ResetBlocksEmptiesTheWindowAndTheCells) {
    CenterOn(100, 100);
    ASSERT_NE(LandAt(100, 100), nullptr);
    MapManager::ResetBlocks();
    EXPECT_EQ(LandAt(100, 100), nullptr);
    EXPECT_EQ(MapManager::GetViewKey(), -1);
    int bx = 0, by = 0, loaded[36];
    MapManager::GetStaticsWindow(bx, by, loaded);
    EXPECT_EQ(bx, -9999);
    EXPECT_EQ(std::count(loaded, loaded + 36, -1), 36);
}

} // namespace
} // namespace maptest

namespace maptest {
namespace {

TEST_F(MapTest, LoginPlacesThePlayerAndCentresTheView) {
    CObj* leftover = PlaceStatic(objtest::G::Plain, 5, 5, 0);
    (void)leftover; // released with the world
    LoginConfirmation c;
    c.serial = 0x1234;
    c.body = 0x4190; // the low 14 bits: 400
    c.x = 200;
    c.y = 300;
    c.z = 7;
    c.facing = 2;
    WorldLogin::PlacePlayer(c);
    ASSERT_NE(pPlayerObject, nullptr);
    EXPECT_EQ(pPlayerObject->serial, 0x1234u);
    EXPECT_EQ(pPlayerObject->graphic, 400);
    EXPECT_EQ(pPlayerObject->locX, 200);
    EXPECT_EQ(pPlayerObject->z, 7);
    EXPECT_EQ(pPlayerObject->lastKnown[0], -1);
    int x = 0, y = 0, z = 0;
    MapManager::GetCenter(x, y, z);
    EXPECT_EQ(x, 200);
    EXPECT_EQ(y, 300);
    EXPECT_NE(LandAt(218, 318), nullptr);
    size_t statics = 0;
    WorldLists::World().ForEach([&](CObj* o) { statics += o->locX == 5 ? 1 : 0; });
    EXPECT_EQ(statics, 0u);

    PlayerShardState saved;
    WorldLogin::ReadPlayerState(saved);
    WorldLogin::ReleaseWorldObjects();
    EXPECT_EQ(LandAt(200, 300), nullptr);
    WorldLogin::RestorePlayerState(saved, 0x1234);
    EXPECT_EQ(pPlayerObject->locY, 300);
    EXPECT_NE(LandAt(200, 300), nullptr);
}

} // namespace
} // namespace maptest

namespace maptest {
namespace {

TEST_F(MapTest, TheWindowFlushesTheColumnItLeavesOnly) {
    CenterOn(100, 100); // window corner (68, 68)
    int cx = 0, cy = 0;
    DrawManager::GetWindowCorner(cx, cy);
    EXPECT_EQ(cx, 68);
    CDynamicObj* leaving = NewDynamicObj(0x40000010, objtest::G::Plain, 0);
    leaving->AddToWorld(objtest::Pos(68, 100), 0);
    CDynamicObj* staying = NewDynamicObj(0x40000011, objtest::G::Plain, 0);
    staying->AddToWorld(objtest::Pos(69, 100), 0);
    MapManager::MoveCenter(1, 0, 0);
    EXPECT_EQ(CObjectManager::FindBySerial(0x40000010), nullptr);
    EXPECT_EQ(CObjectManager::FindBySerial(0x40000011), staying);
    // A jump of a whole window flushes everything.
    MapManager::SetCenter(1000, 1000, 0, 0);
    EXPECT_EQ(CObjectManager::FindBySerial(0x40000011), nullptr);
    EXPECT_EQ(LandAt(100, 100), nullptr);
}

// Every cell of the view holds its land after a refresh, however the land went missing before it:
// a view move looks only at the cells it uncovers, so a tile released inside the old view by
// anything but the window's own move must still be noticed.
TEST_F(MapTest, EveryViewCellHoldsLandAfterARefresh) {
    auto missing = [] {
        int x = 0, y = 0, z = 0, count = 0;
        MapManager::GetCenter(x, y, z);
        for (int dy = -MapManager::kViewRadius; dy <= MapManager::kViewRadius; ++dy)
            for (int dx = -MapManager::kViewRadius; dx <= MapManager::kViewRadius; ++dx)
                if (!LandAt(x + dx, y + dy)) ++count;
        return count;
    };
    CenterOn(100, 100);
    ASSERT_EQ(missing(), 0);
    struct Case {
        const char* what;
        void (*loseLand)();
        void (*move)();
    } cases[] = {
        {"a tile released by hand, then a step", [] { LandAt(101, 101)->Release(); },
         [] { MapManager::MoveCenter(1, 0, 0); }},
        {"a cell flushed, then a jump of a few cells", [] { DrawManager::FlushCell(105 & 63, 99 & 63); },
         [] {
             int x = 0, y = 0, z = 0;
             MapManager::GetCenter(x, y, z);
             MapManager::SetCenter(x - 3, y + 2, 0, 0);
         }},
        {"the table emptied, then a step", [] { DrawManager::ClearDrawTable(); },
         [] { MapManager::MoveCenter(0, -1, 0); }},
        {"the window forgotten, then a refresh in place", [] { DrawManager::ResetWindow(); },
         [] { MapManager::RefreshView(); }},
        {"nothing lost, a walk across the seam and back", [] {},
         [] {
             MapManager::SetCenter(5118, 100, 0, 0);
             for (int i = 0; i < 4; ++i)
                 MapManager::MoveCenter(1, 0, 0);
             for (int i = 0; i < 4; ++i)
                 MapManager::MoveCenter(-1, 1, 0);
         }},
    };
    for (const Case& c : cases) {
        c.loseLand();
        c.move();
        EXPECT_EQ(missing(), 0) << c.what;
    }
}

} // namespace
} // namespace maptest
