// Step evaluation: CanWalkOnto over small cells, the slides of a diagonal, the land and stair
// heights, and the surface under the placement preview.
#include "render/BackBuffer.h"
#include "world/MapFixture.h"

namespace maptest {
namespace {

class TerrainTest : public MapTest {
  protected:
    void SetUp() override {
        MapTest::SetUp();
        CenterOn(100, 100);
    }
    // The land at (x, y) again after a change of the map data.
    void Relist(int x, int y) {
        if (CDrawItem* land = LandAt(x, y)) land->Release();
        MapManager::CreateLandTileWrapped(x, y);
    }
    CDynamicObj* PlaceItem(uint32_t serial, int graphic, int x, int y, int z) {
        CDynamicObj* o = NewDynamicObj(serial, graphic, 0);
        o->AddToWorld(objtest::Pos(x, y), z);
        return o;
    }
};

TEST_F(TerrainTest, CanWalkOntoOverSmallCells) {
    struct Case {
        const char* name;
        int tile;    // land of the target cell
        int graphic; // a static there (0 none)
        int staticZ;
        int type; // movement type
        bool expected;
        int newZ;
    } cases[] = {
        {"grass", L::Grass, 0, 0, Terrain::kWalking, true, 0},
        {"wet impassable land on foot", L::Water, 0, 0, Terrain::kWalking, false, 0},
        {"wet impassable land swimming", L::Water, 0, 0, Terrain::kSwimming, true, 0},
        {"dry impassable land swimming", L::Rock, 0, 0, Terrain::kSwimming, false, 0},
        {"gap of 15 under a wall", L::Grass, I::Wall, 15, Terrain::kWalking, false, 0},
        {"gap of 16 under a wall", L::Grass, I::Wall, 16, Terrain::kWalking, true, 0},
        {"a wall on the ground", L::Grass, I::Wall, 0, Terrain::kWalking, false, 0},
        {"a bridge over water", L::Water, I::Bridge, 0, Terrain::kWalking, true, 5},
        {"a door on foot", L::Grass, I::Door, 0, Terrain::kWalking, false, 0},
        {"a door as a ghost", L::Grass, I::Door, 0, Terrain::kGhost, true, 0},
        {"a wall as a ghost", L::Grass, I::Wall, 0, Terrain::kGhost, false, 0},
        {"a wall without blocking", L::Grass, I::Wall, 0, Terrain::kNoBlocking, true, 20},
        {"a low block to step onto", L::Grass, I::Block, 0, Terrain::kWalking, false, 0},
    };
    for (const Case& c : cases) {
        SetLand(101, 100, c.tile, 0);
        Relist(101, 100);
        CObj* placed = c.graphic ? PlaceStatic(c.graphic, 101, 100, c.staticZ) : nullptr;
        int z = -1;
        EXPECT_EQ(CanWalkOntoAs(101, 100, 0, 2, c.type, z), c.expected) << c.name;
        if (c.expected) {
            EXPECT_EQ(z, c.newZ) << c.name;
        }
        if (placed) placed->Release();
    }
}

// A path search reads the cell it stands on once for all eight steps out of it; every step must
// answer as the step test alone does, on a slope and from a stair, towards walls, blocks and a door.
TEST_F(TerrainTest, AStepOutOfACollectedCellAnswersAsTheStepAlone) {
    const int heights[4][4] = {{0, 2, 4, 6}, {1, 5, 9, 12}, {3, 8, 14, 20}, {4, 10, 16, 24}};
    for (int dy = 0; dy < 4; ++dy)
        for (int dx = 0; dx < 4; ++dx)
            SetLand(99 + dx, 99 + dy, L::Hill, heights[dy][dx]);
    for (int dy = -1; dy <= 3; ++dy)
        for (int dx = -1; dx <= 3; ++dx)
            Relist(99 + dx, 99 + dy);
    PlaceStatic(I::Wall, 101, 99, 0);
    PlaceStatic(I::Block, 99, 101, 4);
    PlaceStatic(I::Floor, 101, 101, 12);
    PlaceStatic(I::Door, 99, 99, 0);
    CObj* stair = PlaceStatic(I::Stairs, 100, 100, 5);
    for (int type : {Terrain::kWalking, Terrain::kGhost})
        for (bool onStair : {true, false}) {
            if (!onStair) stair->RemoveFromDrawList();
            StandingCell from;
            CollectStandingCell(from, 100, 100, type);
            for (int z : {-4, 0, 5, 9, 15, 30})
                for (int d = 0; d < 8; ++d) {
                    const int x = 100 + Terrain::kDirX[d], y = 100 + Terrain::kDirY[d];
                    int alone = -999, collected = -999;
                    const bool a = CanWalkOntoAs(x, y, z, d, type, alone);
                    EXPECT_EQ(CanWalkOntoFrom(from, x, y, z, d, collected), a)
                        << "type " << type << " stair " << onStair << " z " << z << " direction " << d;
                    EXPECT_EQ(collected, alone) << "type " << type << " z " << z << " direction " << d;
                }
        }
}

TEST_F(TerrainTest, OtherMobilesBlockOnTheFirstSetOnly) {
    pPlayerObject = new CPlayerMobile(1, 400);
    pPlayerObject->stamina = 10;
    pPlayerObject->maxStamina = 50;
    CMobile* other = NewMobile(2);
    other->AddToWorld(objtest::Pos(101, 100), 0);
    int z = 0;
    EXPECT_FALSE(CanWalkOntoAs(101, 100, 0, 2, Terrain::kWalking, z));
    pPlayerObject->stamina = 50; // full stamina pushes through
    EXPECT_TRUE(CanWalkOntoAs(101, 100, 0, 2, Terrain::kWalking, z));
    pPlayerObject->stamina = 10;
    MapManager::SetDiffSet(1);
    EXPECT_TRUE(CanWalkOntoAs(101, 100, 0, 2, Terrain::kWalking, z));
    other->Release();
}

TEST_F(TerrainTest, ContentsStopAtTheBufferWithTheClosingEntryLeft) {
    for (int i = 0; i < 300; ++i)
        PlaceStatic(I::Floor, 102, 100, i % 100);
    Terrain::TileContent contents[Terrain::kContentBuffer];
    EXPECT_EQ(CollectTileContents(contents, 102, 100, Terrain::kWalking), Terrain::kMaxContents);
    int z = 0;
    CanWalkOntoAs(102, 100, 0, 2, Terrain::kWalking, z); // fills the closing entry within the buffer
}

TEST_F(TerrainTest, DiagonalStepsSlideAlongTheFreeSide) {
    // From (100, 100) north-west (7): the diagonal (99, 99), the sides west (6) and north (0).
    struct Case {
        bool diagonalBlocked, westBlocked, northBlocked;
        bool answer;
        int direction;
    } cases[] = {
        {false, false, false, true, 7}, {true, false, false, true, 0}, // the north side after 7 is 0, not 8
        {false, true, false, true, 0},  {true, false, true, true, 6},
        {false, true, true, true, 0}, // both sides blocked: a turn (facing 2)
    };
    for (const Case& c : cases) {
        std::vector<CObj*> walls;
        if (c.diagonalBlocked) walls.push_back(PlaceStatic(I::Wall, 99, 99, 0));
        if (c.westBlocked) walls.push_back(PlaceStatic(I::Wall, 99, 100, 0));
        if (c.northBlocked) walls.push_back(PlaceStatic(I::Wall, 100, 99, 0));
        PendingSteps pending;
        pending.facing = 2;
        int direction = 7, z = -1;
        EXPECT_EQ(CheckWalkDirection(direction, z, true, pending), c.answer);
        EXPECT_EQ(direction, c.direction == 0 && c.westBlocked && c.northBlocked ? 7 : c.direction);
        for (CObj* w : walls)
            w->Release();
    }
    PendingSteps facingWest;
    facingWest.facing = 6;
    int direction = 6, z = 0;
    EXPECT_FALSE(CheckWalkDirection(direction, z, false, facingWest)); // no turn to make
}

TEST_F(TerrainTest, GetZValByOffsetAndDirection) {
    const int8_t c[4] = {0, 8, 16, 4};
    struct Case {
        bool main;
        int offset, direction, expected;
    } cases[] = {
        {true, 0, 0, 8}, {false, 0, 0, 6}, {true, 2, 0, 4}, {true, 2, 1, 8}, {true, 2, 3, 16},
        {true, 2, 6, 2}, {true, 1, 3, 12}, {true, 1, 7, 4}, {true, 3, 0, 8}, {true, 1, 8, 8},
    };
    for (const Case& k : cases)
        EXPECT_EQ(GetZVal(c, k.main, k.offset, k.direction), k.expected)
            << "offset " << k.offset << " direction " << k.direction;
}

TEST_F(TerrainTest, StairSlopeCodesTurnTheFacing) {
    // Stairs at (110, 100) z 10, height 8: rising gives h + t - t/4 = 16 halfway, h + t = 18 at the
    // edge; falling h + t/4 = 12 and h = 10; across h + t/2 = 14.
    struct Case {
        uint32_t code;
        int facing, offset, expected;
    } cases[] = {
        {0, 0, 1, 16}, {0, 0, 2, 18}, {0, 4, 1, 12}, {0, 4, 2, 10}, {0, 2, 1, 14},
        {1, 2, 1, 16}, {2, 6, 2, 18}, {3, 4, 2, 18}, {3, 0, 2, 10}, {0, 0, 0, 14},
    };
    for (const Case& c : cases) {
        Row(I::Stairs).flags = TileFlag::Bridge | TileFlag::Surface | (c.code << 30);
        CObj* stairs = PlaceStatic(I::Stairs, 110, 100, 10);
        StepZInput in{110, 100, stairs->GetTopZ(), c.facing, 109, 100, stairs->GetTopZ(), 4, 0, false, 0};
        // Not stepping: offset 0. In the second half the facing is reversed and offset = frames left.
        if (c.offset > 0) {
            in.framesLeft = c.offset;
            in.facing = (c.facing + 4) & 7;
        }
        EXPECT_EQ(ComputeStepZ(in), c.expected) << "code " << c.code << " facing " << c.facing;
        stairs->Release();
    }
}

TEST_F(TerrainTest, FallingStepsSpreadOverTheFramesAndShortStepsLand) {
    StepZInput in{120, 100, 0, 2, 119, 100, 30, 6, 6, true, 30};
    const int expected[] = {30, 30, 30, 23, 15, 8}; // frames done 0..5
    for (int done = 0; done < 6; ++done) {
        in.framesLeft = 6 - done;
        EXPECT_EQ(ComputeStepZ(in), expected[done]) << done;
    }
    StepZInput shortStep{120, 100, 0, 2, 119, 100, 30, 2, 1, true, 30};
    EXPECT_EQ(ComputeStepZ(shortStep), 0);
}

TEST_F(TerrainTest, SurfaceUnderTheRoofCutStartsAtZero) {
    pPlayerObject = new CPlayerMobile(1, 400); // without a player every object is culled
    SetLand(130, 100, L::Grass, -20);
    SetLand(131, 100, L::Grass, -20);
    SetLand(130, 101, L::Grass, -20);
    SetLand(131, 101, L::Grass, -20);
    EXPECT_EQ(GetSurfaceZAt(130, 100), -20);
    DrawManager::SetRoofCut(true, 16);
    EXPECT_EQ(GetSurfaceZAt(130, 100), 0);
    DrawManager::SetRoofCut(false, 0);
    PlaceStatic(I::Wall, 130, 100, 3);
    EXPECT_EQ(GetSurfaceZAt(130, 100), 23);
}

} // namespace
} // namespace maptest

namespace maptest {
namespace {

TEST_F(TerrainTest, PlayerStepZSetsTheScrollOffsetFromTheDrawnZ) {
    SetLand(150, 100, L::Hill, 8);
    SetLand(151, 100, L::Hill, 8);
    SetLand(150, 101, L::Hill, 8);
    SetLand(151, 101, L::Hill, 8);
    Relist(150, 100);
    pPlayerObject = new CPlayerMobile(1, 400);
    pPlayerObject->AddToWorld(objtest::Pos(150, 100), 8);
    UpdatePlayerStepZ();
    EXPECT_EQ(pPlayerObject->drawZ, 8);
    int sx = 0, sy = 0;
    DrawManager::GetScrollOffset(sx, sy);
    EXPECT_EQ(sx, (6144 + 150 - 100) * 22 - (BackBuffer::Width() / 2 - 1));
    EXPECT_EQ(sy, 250 * 22 - 8 * 4 - (BackBuffer::Height() / 2 - 23));
}

} // namespace
} // namespace maptest
