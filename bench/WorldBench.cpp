// Loading the world tables (tile data, regions, animated tiles) from their files, beside one plain
// read of the same files' bytes.
#include "core/FileManager.h"
#include "mkinstall/DataFiles.h"
#include "mkinstall/WorldFiles.h"
#include "platform/platform.h"
#include "world/CObjectManager.h"
#include "world/RegionManager.h"
#include "world/TileData.h"
#include "world/animCrap.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr const char* kFiles[] = {"tiledata.mul", "regions.mul", "animdata.mul"};

// A folder with full-size files: the sample tile data, 8192 regions and every animated-tile record.
const std::string& Folder() {
    static const std::string folder = [] {
        std::string dir = (std::filesystem::temp_directory_path() / "qv-world-bench").string();
        std::filesystem::create_directories(dir);
        const std::string tiles = mkinstall::MakeTileDataFile();
        std::string regions = "\xCF\xFA";
        for (int slot = 0; slot < RegionManager::kSlotCount; ++slot) {
            mkinstall::SampleRegion r = mkinstall::SampleRegions()[static_cast<size_t>(slot % 3)];
            r.slot = slot;
            regions += mkinstall::RegionRecordV2(r);
        }
        std::string anims;
        for (int g = 0; g < animCrap::kRecordCount; ++g) {
            if (g % 8 == 0) anims += mkinstall::LittleEndian32(0);
            anims += mkinstall::AnimDataRecord({0, 1, 2, 3}, 0, 4, static_cast<uint8_t>(g % 5), 0);
        }
        platform::AtomicReplaceFile(dir + "/tiledata.mul", tiles.data(), tiles.size());
        platform::AtomicReplaceFile(dir + "/regions.mul", regions.data(), regions.size());
        platform::AtomicReplaceFile(dir + "/animdata.mul", anims.data(), anims.size());
        FileManager::startupWithPaths(dir, "");
        return dir;
    }();
    return folder;
}

void BM_LoadWorldTables(benchmark::State& state) {
    Folder();
    for (auto _ : state) {
        CObjectManager::startup();
        RegionManager::startup();
        animCrap::Load();
        benchmark::DoNotOptimize(TileData::Item(3821).flags + RegionManager::RegionCount() +
                                 animCrap::Get(9).frameCount);
    }
    CObjectManager::shutdown();
    RegionManager::shutdown();
    animCrap::Reset();
}
BENCHMARK(BM_LoadWorldTables)->Unit(benchmark::kMicrosecond);

// Each table alone, to see where the time goes.
void BM_LoadTileData(benchmark::State& state) {
    Folder();
    for (auto _ : state)
        CObjectManager::startup();
    CObjectManager::shutdown();
}
BENCHMARK(BM_LoadTileData)->Unit(benchmark::kMicrosecond);

void BM_LoadRegions(benchmark::State& state) {
    Folder();
    for (auto _ : state)
        RegionManager::startup();
    RegionManager::shutdown();
}
BENCHMARK(BM_LoadRegions)->Unit(benchmark::kMicrosecond);

void BM_LoadAnimData(benchmark::State& state) {
    Folder();
    for (auto _ : state)
        animCrap::Load();
    animCrap::Reset();
}
BENCHMARK(BM_LoadAnimData)->Unit(benchmark::kMicrosecond);

void BM_WorldTablesBaselineRead(benchmark::State& state) {
    const std::string& dir = Folder();
    std::vector<std::vector<char>> buffers(3, std::vector<char>(2 << 20));
    for (auto _ : state) {
        size_t total = 0;
        for (size_t i = 0; i < 3; ++i) {
            std::FILE* f = std::fopen((dir + "/" + kFiles[i]).c_str(), "rb");
            if (!f) continue;
            total += std::fread(buffers[i].data(), 1, buffers[i].size(), f);
            std::fclose(f);
        }
        benchmark::DoNotOptimize(total);
    }
}
BENCHMARK(BM_WorldTablesBaselineRead)->Unit(benchmark::kMicrosecond);

} // namespace
