// The A* search over grids with a step test of their own, judged against a breadth-first search
// with the same step test.
#include "world/PathManager.h"
#include "world/Terrain.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <random>
#include <vector>

namespace {

// A grid of free and blocked cells with a height per cell; outside is blocked.
struct Grid {
    int width = 0, height = 0;
    std::vector<uint8_t> blocked;
    std::vector<int> z;
    std::vector<std::pair<int, int>> origins; // cells a step was tested from, in order

    bool Free(int x, int y) const {
        return x >= 0 && y >= 0 && x < width && y < height && !blocked[y * width + x];
    }
};
Grid* g_grid = nullptr;

bool GridStep(int x, int y, int, int direction, int& newZ) {
    g_grid->origins.push_back({x - Terrain::kDirX[direction], y - Terrain::kDirY[direction]});
    if (!g_grid->Free(x, y)) return false;
    newZ = g_grid->z[y * g_grid->width + x];
    return true;
}

bool StepPossible(const Grid& g, int x, int y, int d) {
    const int nx = x + Terrain::kDirX[d], ny = y + Terrain::kDirY[d];
    if (!g.Free(nx, ny)) return false;
    if (!(d & 1)) return true;
    const int l = (d - 1) & 7, r = (d + 1) & 7;
    return g.Free(x + Terrain::kDirX[l], y + Terrain::kDirY[l]) &&
           g.Free(x + Terrain::kDirX[r], y + Terrain::kDirY[r]);
}

// Steps of the shortest path, -1 when none.
int BreadthFirst(const Grid& g, int sx, int sy, int gx, int gy) {
    std::vector<int> dist(static_cast<size_t>(g.width * g.height), -1);
    std::deque<std::pair<int, int>> queue{{sx, sy}};
    dist[sy * g.width + sx] = 0;
    while (!queue.empty()) {
        auto [x, y] = queue.front();
        queue.pop_front();
        if (x == gx && y == gy) return dist[y * g.width + x];
        for (int d = 0; d < 8; ++d) {
            if (!StepPossible(g, x, y, d)) continue;
            const int nx = x + Terrain::kDirX[d], ny = y + Terrain::kDirY[d];
            if (dist[ny * g.width + nx] >= 0) continue;
            dist[ny * g.width + nx] = dist[y * g.width + x] + 1;
            queue.push_back({nx, ny});
        }
    }
    return -1;
}

class PathTest : public ::testing::Test {
  protected:
    void SetUp() override {
        g_grid = &grid;
        PathManager::SetStepTest(GridStep);
    }
    void TearDown() override {
        PathManager::FreeLists();
        PathManager::SetStepTest(nullptr);
        g_grid = nullptr;
    }
    void Make(int w, int h) {
        grid.width = w;
        grid.height = h;
        grid.blocked.assign(static_cast<size_t>(w * h), 0);
        grid.z.assign(static_cast<size_t>(w * h), 0);
    }
    void Block(int x, int y) { grid.blocked[y * grid.width + x] = 1; }
    Grid grid;
};

TEST_F(PathTest, GoalInRangeAnswersTheStartUnexpanded) {
    Make(8, 8);
    PathManager::Node* n = PathManager::FindPath(3, 3, 0, 4, 4, 5, 500, 1);
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(n->x, 3);
    EXPECT_EQ(n->parent, nullptr);
    EXPECT_TRUE(grid.origins.empty());
    EXPECT_EQ(PathManager::ExpandedCount(), 1);
}

TEST_F(PathTest, GoalNineUnitsAwayIsNeverReached) {
    Make(8, 8);
    EXPECT_EQ(PathManager::FindPath(1, 1, 0, 2, 1, 9, 500, 0), nullptr);
    EXPECT_NE(PathManager::FindPath(1, 1, 0, 2, 1, 8, 500, 0), nullptr);
}

TEST_F(PathTest, TiesTakeTheNewerNodeFirstAndNoDiagonalPassesABlockedSide) {
    // East of the start is blocked: north and south tie on f, south is made later.
    Make(8, 8);
    Block(4, 3);
    PathManager::Node* goal = PathManager::FindPath(3, 3, 0, 5, 3, 0, 500, 0);
    ASSERT_NE(goal, nullptr);
    std::vector<std::pair<int, int>> expanded;
    for (auto o : grid.origins)
        if (expanded.empty() || expanded.back() != o) expanded.push_back(o);
    ASSERT_GE(expanded.size(), 2u);
    EXPECT_EQ(expanded[1], (std::pair<int, int>{3, 4}));
    // The diagonals past the blocked east side were never offered.
    for (PathManager::Node* n = goal; n->parent; n = n->parent) {
        const int dx = n->x - n->parent->x, dy = n->y - n->parent->y;
        if (dx && dy) {
            EXPECT_TRUE(grid.Free(n->parent->x + dx, n->parent->y));
            EXPECT_TRUE(grid.Free(n->parent->x, n->parent->y + dy));
        }
    }
    int z = 0;
    EXPECT_FALSE(PathManager::CanStepDiagonal(3, 3, 0, 1, z));
}

TEST_F(PathTest, ADiagonalStepTakesTheHeightOfItsClockwiseSide) {
    Make(8, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            grid.z[y * 8 + x] = x + 8 * y;
    struct Case {
        int dx, dy, sideX, sideY;
    } cases[] = {{1, -1, 1, 0}, {1, 1, 0, 1}, {-1, 1, -1, 0}, {-1, -1, 0, -1}};
    for (const Case& c : cases) {
        const int gx = 3 + c.dx, gy = 3 + c.dy, side = grid.z[(3 + c.sideY) * 8 + 3 + c.sideX];
        PathManager::Node* goal = PathManager::FindPath(3, 3, 27, gx, gy, side, 500, 0);
        ASSERT_NE(goal, nullptr) << c.dx << "," << c.dy;
        EXPECT_EQ(goal->x, gx);
        EXPECT_EQ(goal->y, gy);
        EXPECT_EQ(goal->z, side);
        EXPECT_EQ(goal->parent ? goal->parent->x : -1, 3);
    }
}

TEST_F(PathTest, CapsEndTheSearch) {
    Make(64, 64);
    EXPECT_EQ(PathManager::FindPath(0, 0, 0, 63, 63, 0, 10, 0), nullptr);
    EXPECT_EQ(PathManager::ExpandedCount(), 11);
    EXPECT_NE(PathManager::FindPath(0, 0, 0, 63, 63, 0, 5000, 0), nullptr);
}

TEST_F(PathTest, RandomGridsAgreeWithBreadthFirstSearch) {
    std::mt19937 random(1234);
    int found = 0, missing = 0;
    for (int round = 0; round < 40; ++round) {
        Make(64, 64);
        const int density = 15 + round % 4 * 8; // 15 .. 39 percent
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x)
                if (static_cast<int>(random() % 100) < density) Block(x, y);
        const int sx = random() % 64, sy = random() % 64, gx = random() % 64, gy = random() % 64;
        grid.blocked[sy * 64 + sx] = 0;
        grid.blocked[gy * 64 + gx] = 0;
        const int shortest = BreadthFirst(grid, sx, sy, gx, gy);
        PathManager::Node* goal = PathManager::FindPath(sx, sy, 0, gx, gy, 0, 5000, 0);
        ASSERT_EQ(goal != nullptr, shortest >= 0) << "round " << round;
        if (!goal) {
            ++missing;
            continue;
        }
        ++found;
        int steps = 0;
        for (PathManager::Node* n = goal; n->parent; n = n->parent, ++steps) {
            const PathManager::Node* p = n->parent;
            int d = -1;
            for (int k = 0; k < 8; ++k)
                if (p->x + Terrain::kDirX[k] == n->x && p->y + Terrain::kDirY[k] == n->y) d = k;
            ASSERT_GE(d, 0) << "round " << round << ": a jump";
            ASSERT_TRUE(StepPossible(grid, p->x, p->y, d)) << "round " << round << ": an invalid step";
        }
        EXPECT_EQ(goal->x, gx);
        EXPECT_EQ(goal->y, gy);
        EXPECT_GE(steps, shortest) << "round " << round;
    }
    EXPECT_GT(found, 5);
    EXPECT_GT(missing, 2);
}

} // namespace
