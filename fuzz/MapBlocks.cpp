// Map and statics blocks with difference lists, read as the map reads them. The input: a byte of
// options (bit 0 small facet, bits 1-2 the difference set, bit 3 the block check on), two 16-bit
// lengths, then a map difference list of that many bytes, a statics difference list of the second
// length, and the rest: map bytes (every block and every difference record read from them, cycling)
// and statics bytes (every block's statics, at an offset given by the block). The view is then
// centred at a cell the input chooses: the statics window is loaded, land items are made around it
// (bits 4-5 the square's radius), the centre moves a step, and sight is tested.
#include "core/CDHDCache.h"
#include "core/QVReport.h"
#include "render/DrawItem.h"
#include "render/DrawManager.h"
#include "world/MapManager.h"
#include "world/TileData.h"
#include "world/objects.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Input {
    std::vector<uint8_t> mapDiff, staticsDiff, map, statics;
    // The map bytes followed by their first block's worth again (cycling), made once per input, so
    // that a block read is a pointer and not a copy: the map reads blocks for every cell it shows.
    std::vector<uint8_t> cycled;
} g_in;

const uint8_t* Record(int, int id) {
    if (g_in.map.empty()) return nullptr;
    // A block of the input's bytes, cycling, so that any block number reads something.
    return g_in.cycled.data() + (static_cast<size_t>(id) * 7) % g_in.map.size();
}

const uint8_t* Item(int, int, int id, int& length, int& extra) {
    extra = 0;
    length = 0;
    if (g_in.statics.empty()) return nullptr;
    const size_t offset = static_cast<size_t>(id) % g_in.statics.size();
    // At most 8 statics a block: 36 blocks of everything left would make thousands of objects.
    length = static_cast<int>(std::min<size_t>(g_in.statics.size() - offset, 8 * MapManager::kStaticRecord));
    return g_in.statics.data() + offset;
}

bool ReadFile(const char* name, std::vector<uint8_t>& out) {
    if (std::strncmp(name, "mapdifl", 7) == 0) {
        out = g_in.mapDiff;
        return true;
    }
    if (std::strncmp(name, "stadifl", 7) == 0) {
        out = g_in.staticsDiff;
        return true;
    }
    return false; // no check table: the check logs once and reports nothing
}

void NoReport(int, const uint8_t*) {}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool once = [] {
        QVReport::setRecorder([](QVReport::Level, const std::string&) {});
        TileData::Allocate();
        TileData::MutableLand(8)->textureId = 1;
        TileData::MutableItem(1)->flags = TileFlag::Impassable | TileFlag::LightSource;
        TileData::MutableItem(1)->height = 20;
        MapManager::SetMapSource({Record, Item, ReadFile});
        MapManager::SetBlockReportSink(NoReport);
        return true;
    }();
    (void)once;
    if (size < 9) return 0;
    const uint8_t options = data[0];
    const size_t mapDiffLength = data[1] | data[2] << 8, staticsDiffLength = data[3] | data[4] << 8;
    const int cx = (data[5] | data[6] << 8) * 3 - 2000, cy = (data[7] | data[8] << 8) * 2 - 1000;
    data += 9;
    size -= 9;
    const size_t a = mapDiffLength < size ? mapDiffLength : size;
    g_in.mapDiff.assign(data, data + a);
    data += a;
    size -= a;
    const size_t b = staticsDiffLength < size ? staticsDiffLength : size;
    g_in.staticsDiff.assign(data, data + b);
    data += b;
    size -= b;
    g_in.map.assign(data, data + size / 2);
    g_in.statics.assign(data + size / 2, data + size);
    g_in.cycled.clear();
    if (!g_in.map.empty())
        for (size_t i = 0; i < g_in.map.size() + MapManager::kBlockSize; ++i)
            g_in.cycled.push_back(g_in.map[i % g_in.map.size()]);

    MapManager::Reset();
    MapManager::SetMap(options & 1 ? 2 : 0);
    MapManager::SetDiffSet((options >> 1) & 3);
    for (int set = 0; set < MapManager::kDiffSets; ++set)
        MapManager::SetDiffLimits(set, 1 << 20, 1 << 20);
    MapManager::LoadDiffLists();
    if (options & 8) MapManager::EnableMapCheck();

    // The view's cells are made as the view makes them, over a square of at most 7 x 7 cells around
    // the centre: the whole 37 x 37 view costs milliseconds per input under the sanitizers and
    // teaches nothing more about the bytes. The statics window is loaded whole.
    MapManager::SetPlayerPlaced(false);
    MapManager::SetCenter(cx, cy, 0, 0);
    MapManager::LoadStatics();
    const int radius = (options >> 4) & 3;
    const bool wrapping = cx < MapManager::GetWrapWidth();
    for (int y = cy - radius; y <= cy + radius; ++y)
        for (int x = cx - radius; x <= cx + radius; ++x)
            if (wrapping)
                MapManager::CreateLandTileWrapped(x, y);
            else
                MapManager::CreateLandTile(x, y);
    MapManager::MoveCenter(1, -1, 5);
    MapManager::LoadStatics();
    int8_t corners[4];
    MapManager::GetCornerZ(cx, cy, corners);
    MapManager::HasLineOfSight(
        static_cast<uint16_t>(cx) | static_cast<uint32_t>(static_cast<uint16_t>(cy)) << 16, 0,
        static_cast<uint16_t>(cx + 9) | static_cast<uint32_t>(static_cast<uint16_t>(cy - 4)) << 16, 10,
        TileFlag::Impassable);

    // Everything goes: statics, land, the window.
    WorldLists::World().ForEach([](CObj* o) { o->Release(); });
    DrawManager::FlushAllCells();
    DrawManager::ResetWindow();
    return 0;
}
