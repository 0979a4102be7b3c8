// "tiledata.mul" images and the server's groups of 32 rows. The first byte chooses: 0 and 1 a file
// image from its start, 2 an item group and 3 a land group (the next two bytes name the group, the
// rest are its bytes in network order, turned into file order and applied in memory). Item records
// are read by the same code in both.
#include "world/TileData.h"
#include "core/QVReport.h"
#include "world/CObjectManager.h"
#include "world/ObjectNames.h"

#include <cstdint>
#include <cstring>
#include <vector>

static unsigned g_sink;

static void NoRefresh(int) {}
static void NoRebuild() {}

// Names and flags of the rows the input could reach.
static void ReadRows(int firstItem, int items, int firstLand, int lands) {
    unsigned sum = 0;
    for (int g = firstItem; g < firstItem + items; ++g) {
        sum += TileData::Item(g).flags + TileData::Item(g, -1).height;
        sum += static_cast<unsigned>(GetTileDataName(g, false).size() + GetTileDataName(g, true).size());
    }
    for (int id = firstLand; id < firstLand + lands; ++id)
        sum += TileData::Land(id).flags + static_cast<unsigned>(std::strlen(TileData::Land(id).name));
    g_sink += sum;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool once = [] {
        QVReport::setRecorder([](QVReport::Level, const std::string&) {});
        CObjectManager::SetTileDataHooks({NoRefresh, NoRefresh, NoRebuild});
        return true;
    }();
    (void)once;
    if (size < 1) return 0;
    const uint8_t mode = data[0] & 3;
    ++data;
    --size;
    if (mode <= 1) {
        TileData::LoadFromBytes(data, size);
        const int records = static_cast<int>(size / TileData::kLandRecordSize) + 1;
        ReadRows(0, 0, 0, records < TileData::kRowCount ? records : TileData::kRowCount);
    } else {
        if (size < 2) return 0;
        const int group = static_cast<int16_t>(data[0] | data[1] << 8);
        if (!TileData::IsAllocated()) TileData::Allocate();
        if (mode == 2) {
            const std::vector<uint8_t> bytes = TileData::GroupFromNetworkOrder(data + 2, size - 2, true);
            CObjectManager::ApplyItemTileData(group, bytes.data(), bytes.size());
            ReadRows((group - TileData::kFirstItemGroup) * 32, 32, 0, 0);
        } else {
            const std::vector<uint8_t> bytes = TileData::GroupFromNetworkOrder(data + 2, size - 2, false);
            CObjectManager::ApplyLandTileData(group, bytes.data(), bytes.size());
            ReadRows(0, 0, group * 32, 32);
        }
    }
    return 0;
}
