#pragma once
// The map over blocks built in the test: land cells set one by one (grass at z 0 elsewhere),
// difference records, statics items and difference-list files held in memory, with the world
// objects' fixture around it.
#include "render/DrawManager.h"
#include "world/MapManager.h"
#include "world/ObjectsFixture.h"
#include "world/PathManager.h"
#include "world/Terrain.h"

#include <array>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

namespace maptest {

namespace L {
constexpr int Grass = 3;
constexpr int Water = 6; // wet, impassable
constexpr int Rock = 7;  // impassable
constexpr int Hill = 8;  // textured
constexpr int Swamp = 9; // wet, passable
} // namespace L

namespace I {
constexpr int Wall = 500;   // impassable, height 20
constexpr int Floor = 501;  // surface, height 0
constexpr int Bridge = 502; // surface and bridge, height 10
constexpr int Door = 1682;  // impassable, a ghost passes
constexpr int Stairs = 503; // bridge with a slope code
constexpr int Block = 504;  // impassable, height 5
} // namespace I

struct MapData {
    std::map<std::pair<int, int>, std::pair<int, int>> land; // (x, y) -> (tile, z)
    std::unordered_map<int, std::array<uint8_t, MapManager::kBlockSize>> blocks;
    std::map<std::pair<int, int>, std::array<uint8_t, MapManager::kBlockSize>> records; // (row, id)
    std::map<std::pair<int, int>, std::string> items;                                   // (data row, id)
    std::map<std::string, std::vector<uint8_t>> files;
    int recordReads = 0;
};
inline MapData* g_map = nullptr;

class MapTest : public objtest::ObjectsTest {
  protected:
    void SetUp() override {
        ObjectsTest::SetUp();
        g_map = &data;
        auto& land = *TileData::MutableLand(L::Water);
        land.flags = TileFlag::Wet | TileFlag::Impassable;
        TileData::MutableLand(L::Rock)->flags = TileFlag::Impassable;
        TileData::MutableLand(L::Hill)->textureId = 1;
        TileData::MutableLand(L::Swamp)->flags = TileFlag::Wet;
        Row(I::Wall) = {};
        Row(I::Wall).flags = TileFlag::Impassable;
        Row(I::Wall).height = 20;
        Row(I::Floor).flags = TileFlag::Surface;
        Row(I::Bridge).flags = TileFlag::Surface | TileFlag::Bridge;
        Row(I::Bridge).height = 10;
        Row(I::Door).flags = TileFlag::Impassable;
        Row(I::Door).height = 20;
        Row(I::Stairs).flags = TileFlag::Bridge | TileFlag::Surface;
        Row(I::Stairs).height = 8;
        Row(I::Block).flags = TileFlag::Impassable;
        Row(I::Block).height = 5;
        MapManager::SetMapSource({Record, Item, ReadFile});
        MapManager::SetBlockReportSink(nullptr);
        MapManager::SetViewHooks({});
        MapManager::Reset();
        DrawManager::ResetWindow();
        PathManager::SetStepTest(nullptr);
    }
    void TearDown() override {
        MapManager::SetPlayerPlaced(false);
        DrawManager::FlushAllCells();
        MapManager::SetMapSource(MapManager::DefaultMapSource());
        MapManager::SetBlockReportSink(nullptr);
        MapManager::SetViewHooks({});
        MapManager::Reset();
        DrawManager::ResetWindow();
        DrawManager::SetScrollOffset(0, 0);
        PathManager::FreeLists();
        g_map = nullptr;
        ObjectsTest::TearDown();
    }

    void SetLand(int x, int y, int tile, int z) {
        data.land[{x, y}] = {tile, z};
        data.blocks.erase(BlockOf(x, y));
    }
    static int BlockOf(int x, int y) { return (x >> 3) * MapManager::GetBlocksHigh() + (y >> 3); }

    // The view around (x, y, z) with the player placed: land items and statics.
    void CenterOn(int x, int y, int z = 0) {
        MapManager::SetPlayerPlaced(true);
        MapManager::SetCenter(x, y, z, 0);
    }

    CObj* PlaceStatic(int graphic, int x, int y, int z) {
        CObj* o = NewStaticObj(graphic);
        o->AddToWorld(objtest::Pos(x, y), z);
        return o;
    }

    // A statics item in file layout.
    static std::string StaticRecord(int graphic, int x, int y, int z, int hue = 0) {
        std::string r(7, '\0');
        r[0] = static_cast<char>(graphic);
        r[1] = static_cast<char>(graphic >> 8);
        r[2] = static_cast<char>(x);
        r[3] = static_cast<char>(y);
        r[4] = static_cast<char>(z);
        r[5] = static_cast<char>(hue);
        r[6] = static_cast<char>(hue >> 8);
        return r;
    }
    static std::vector<uint8_t> Int32s(std::initializer_list<int32_t> values) {
        std::vector<uint8_t> out;
        for (int32_t v : values)
            for (int i = 0; i < 4; ++i)
                out.push_back(static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i)));
        return out;
    }
    // The land item listed at exactly (x, y), or null.
    static CDrawItem* LandAt(int x, int y) {
        for (CDrawItem* it = DrawMapThingie::table[y & 63][x & 63]; it; it = it->nextDraw)
            if (it->IsLand() && it->locX == x && it->locY == y) return it;
        return nullptr;
    }
    static int LandIdOf(const CDrawItem* item) {
        return item->IsStretchedLand() ? static_cast<const CStretchedLandTile*>(item)->landId
                                       : static_cast<const CLandTile*>(item)->landId;
    }

    MapData data;

  private:
    static const uint8_t* Record(int row, int id) {
        ++g_map->recordReads;
        if (row == CDHDCache::kMap0 || row == CDHDCache::kMap2) {
            auto it = g_map->blocks.find(id);
            if (it == g_map->blocks.end()) {
                std::array<uint8_t, MapManager::kBlockSize> b{};
                const int bh = MapManager::GetBlocksHigh();
                const int bx = id / bh, by = id % bh;
                for (int cell = 0; cell < 64; ++cell) {
                    const int x = bx * 8 + (cell & 7), y = by * 8 + (cell >> 3);
                    auto l = g_map->land.find({x, y});
                    const int tile = l == g_map->land.end() ? L::Grass : l->second.first;
                    const int z = l == g_map->land.end() ? 0 : l->second.second;
                    b[4 + cell * 3] = static_cast<uint8_t>(tile);
                    b[5 + cell * 3] = static_cast<uint8_t>(tile >> 8);
                    b[6 + cell * 3] = static_cast<uint8_t>(z);
                }
                it = g_map->blocks.emplace(id, b).first;
            }
            return it->second.data();
        }
        auto it = g_map->records.find({row, id});
        return it == g_map->records.end() ? nullptr : it->second.data();
    }
    static const uint8_t* Item(int, int dataRow, int id, int& length, int& extra) {
        extra = 0;
        auto it = g_map->items.find({dataRow, id});
        length = it == g_map->items.end() ? 0 : static_cast<int>(it->second.size());
        return length ? reinterpret_cast<const uint8_t*>(it->second.data()) : nullptr;
    }
    static bool ReadFile(const char* name, std::vector<uint8_t>& out) {
        auto it = g_map->files.find(name);
        if (it == g_map->files.end()) return false;
        out = it->second;
        return true;
    }
};

} // namespace maptest
