// The path search and the view centre. A* over 64 x 64 areas with obstacles (the sample landscape
// with the walking step test, a seeded maze with a grid step test) beside a plain breadth-first
// search with the same step test: expansions per second. The cost per expansion at 5,000 nodes
// beside 500 shows whether the open list grows linearly. A one-cell MoveCenter beside a full
// ResetBlocks plus RefreshView.
#include "core/FileManager.h"
#include "mkinstall/Installation.h"
#include "mkinstall/Landscape.h"
#include "platform/platform.h"
#include "qvworld/MapReport.h"
#include "qvworld/WorldReport.h"
#include "render/DrawItem.h"
#include "world/MapManager.h"
#include "world/PathManager.h"
#include "world/Terrain.h"

#include <benchmark/benchmark.h>

#include <deque>
#include <filesystem>
#include <random>
#include <string>
#include <unordered_set>
#include <vector>

namespace {

// ---------------------------------------------------------------- the maze
struct Maze {
    int size = 64;
    std::vector<uint8_t> blocked;
    bool Free(int x, int y) const {
        return x >= 0 && y >= 0 && x < size && y < size && !blocked[y * size + x];
    }
};
Maze g_maze;

bool MazeStep(int x, int y, int, int, int& newZ) {
    newZ = 0;
    return g_maze.Free(x, y);
}

void MakeMaze(int size, int density) {
    g_maze.size = size;
    g_maze.blocked.assign(static_cast<size_t>(size * size), 0);
    std::mt19937 random(77);
    for (int i = 0; i < size * size; ++i)
        g_maze.blocked[static_cast<size_t>(i)] = static_cast<int>(random() % 100) < density;
    // Walls with gaps every eight rows make the search wind.
    for (int y = 8; y < size; y += 8)
        for (int x = 0; x < size; ++x)
            g_maze.blocked[static_cast<size_t>(y * size + x)] = (x + y * 3) % size > 3;
    g_maze.blocked[0] = 0;
    g_maze.blocked[static_cast<size_t>(size * size - 1)] = 0;
}

// Breadth-first over (x, y, z) with the same step test and diagonal rule as the path search;
// the number of cells taken from the queue.
int BreadthFirst(PathManager::StepTest test, int sx, int sy, int sz, int gx, int gy, int limit) {
    struct Cell {
        int x, y, z;
    };
    std::deque<Cell> queue{{sx, sy, sz}};
    std::unordered_set<uint64_t> seen;
    auto key = [](int x, int y, int z) {
        return static_cast<uint64_t>(static_cast<uint32_t>(x)) << 32 |
               static_cast<uint64_t>(y & 0xFFFF) << 16 | static_cast<uint64_t>(z & 0xFFFF);
    };
    seen.insert(key(sx, sy, sz));
    int expanded = 0;
    while (!queue.empty() && expanded < limit) {
        const Cell c = queue.front();
        queue.pop_front();
        ++expanded;
        if (c.x == gx && c.y == gy) break;
        for (int d = 0; d < 8; ++d) {
            int z = 0;
            bool ok = test(c.x + Terrain::kDirX[d], c.y + Terrain::kDirY[d], c.z, d, z);
            if (ok && (d & 1)) {
                int side = 0;
                ok = test(c.x + Terrain::kDirX[(d - 1) & 7], c.y + Terrain::kDirY[(d - 1) & 7], c.z,
                          (d - 1) & 7, side) &&
                     test(c.x + Terrain::kDirX[(d + 1) & 7], c.y + Terrain::kDirY[(d + 1) & 7], c.z,
                          (d + 1) & 7, side);
            }
            if (!ok || !seen.insert(key(c.x + Terrain::kDirX[d], c.y + Terrain::kDirY[d], z)).second)
                continue;
            queue.push_back({c.x + Terrain::kDirX[d], c.y + Terrain::kDirY[d], z});
        }
    }
    return expanded;
}

void BM_AStarMaze(benchmark::State& state) {
    MakeMaze(64, 20);
    PathManager::SetStepTest(MazeStep);
    int64_t expanded = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(PathManager::FindPath(0, 0, 0, 63, 63, 0, 5000, 0));
        expanded += PathManager::ExpandedCount();
    }
    PathManager::SetStepTest(nullptr);
    state.counters["expansions/s"] =
        benchmark::Counter(static_cast<double>(expanded), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_AStarMaze);

void BM_BreadthFirstMaze(benchmark::State& state) {
    MakeMaze(64, 20);
    int64_t expanded = 0;
    for (auto _ : state)
        expanded += BreadthFirst(MazeStep, 0, 0, 0, 63, 63, 5000);
    state.counters["expansions/s"] =
        benchmark::Counter(static_cast<double>(expanded), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_BreadthFirstMaze);

// Time per expansion with a goal out of reach: the search runs to its cap over an open area.
void BM_AStarPerExpansion(benchmark::State& state) {
    const int cap = static_cast<int>(state.range(0));
    MakeMaze(200, 0);
    PathManager::SetStepTest(MazeStep);
    int64_t expanded = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(PathManager::FindPath(100, 100, 0, 100, 100, 9, cap, 0));
        expanded += PathManager::ExpandedCount();
    }
    PathManager::SetStepTest(nullptr);
    state.counters["ns/expansion"] = benchmark::Counter(
        static_cast<double>(expanded), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_AStarPerExpansion)->Arg(500)->Arg(5000);

// ---------------------------------------------------------------- the landscape
void StartLandscape() {
    static bool started = false;
    if (started) return;
    started = true;
    const std::string dir = (std::filesystem::temp_directory_path() / "qv-map-bench").string();
    std::string error;
    mkinstall::WriteInstallation(dir, &error);
    platform::UseBackend(platform::BackendKind::Headless);
    FileManager::startupWithPaths(dir, "");
    qvworld::LoadWorldTables();
    qvworld::StartMap();
    qvworld::CenterMap(1504, 1600);
}

void BM_AStarLandscape(benchmark::State& state) {
    StartLandscape();
    int64_t expanded = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(PathManager::FindPath(1490, 1590, 0, 1520, 1612, 0, 5000, 0));
        expanded += PathManager::ExpandedCount();
    }
    state.counters["expansions/s"] =
        benchmark::Counter(static_cast<double>(expanded), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_AStarLandscape);

void BM_BreadthFirstLandscape(benchmark::State& state) {
    StartLandscape();
    int64_t expanded = 0;
    for (auto _ : state)
        expanded += BreadthFirst(CanWalkOnto, 1490, 1590, 0, 1520, 1612, 5000);
    state.counters["expansions/s"] =
        benchmark::Counter(static_cast<double>(expanded), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_BreadthFirstLandscape);

// ---------------------------------------------------------------- the view centre
void BM_MoveCenterOneCell(benchmark::State& state) {
    StartLandscape();
    qvworld::CenterMap(1504, 1600);
    int step = 0;
    for (auto _ : state) {
        // Back and forth across a block edge: one column of land and, every other step, statics.
        MapManager::MoveCenter((step++ & 1) ? -1 : 1, 0, 0);
    }
}
BENCHMARK(BM_MoveCenterOneCell);

void BM_ResetBlocksAndRefreshView(benchmark::State& state) {
    StartLandscape();
    qvworld::CenterMap(1504, 1600);
    for (auto _ : state) {
        MapManager::ResetBlocks();
        MapManager::RefreshView();
    }
}
BENCHMARK(BM_ResetBlocksAndRefreshView);

} // namespace
