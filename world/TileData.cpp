#include "world/TileData.h"

#include "core/DefManager.h"
#include "core/QVReport.h"
#include "world/WorldBytes.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace TileData {
namespace {

struct Tables {
    std::unique_ptr<LandTileData[]> land;
    std::unique_ptr<ItemTileData[]> items;
};

Tables& T() {
    static Tables tables;
    return tables;
}

const LandTileData kZeroLand{};
const ItemTileData kZeroItem{};

void ReadLand(world::ByteReader& r, LandTileData& row) {
    row.flags = r.u32();
    row.textureId = r.u16();
    r.bytes(row.name, kTileNameSize);
    row.name[kTileNameSize] = 0;
}

void ReadItem(world::ByteReader& r, ItemTileData& row) {
    row.flags = r.u32();
    row.weight = r.u8();
    row.quality = r.u8();
    row.value = r.u32();
    row.animId = r.u16();
    row.hue = r.u16();
    row.miscWord = r.u16();
    row.height = r.u8();
    r.bytes(row.name, kTileNameSize);
    row.name[kTileNameSize] = 0;
}

} // namespace

const LandTileData& Land(int landId) {
    if (landId < 0 || landId >= kRowCount || !T().land) return kZeroLand;
    return T().land[static_cast<size_t>(landId)];
}

const ItemTileData& Item(int graphic, int increment) {
    const long index = static_cast<long>(graphic) + increment;
    if (index < 0 || index >= kRowCount || !T().items) return kZeroItem;
    return T().items[static_cast<size_t>(index)];
}

LandTileData* MutableLand(int landId) {
    if (landId < 0 || landId >= kRowCount || !T().land) return nullptr;
    return &T().land[static_cast<size_t>(landId)];
}

ItemTileData* MutableItem(int graphic) {
    if (graphic < 0 || graphic >= kRowCount || !T().items) return nullptr;
    return &T().items[static_cast<size_t>(graphic)];
}

void Allocate() {
    if (!T().land) T().land = std::make_unique<LandTileData[]>(kRowCount);
    if (!T().items) T().items = std::make_unique<ItemTileData[]>(kRowCount);
}

void Free() {
    T().land.reset();
    T().items.reset();
}

bool IsAllocated() {
    return T().land && T().items;
}

int LoadFromBytes(const uint8_t* bytes, size_t size) {
    Allocate();
    std::memset(static_cast<void*>(T().land.get()), 0, sizeof(LandTileData) * kRowCount);
    std::memset(static_cast<void*>(T().items.get()), 0, sizeof(ItemTileData) * kRowCount);
    world::ByteReader r(bytes, size);
    int read = 0;
    // Whole records only: a record cut by the end of the file stays zero.
    for (int i = 0; i < kRowCount && r.ok(); ++i) {
        if (i % kGroupRows == 0) r.skip(4);
        if (!r.has(kLandRecordSize)) break;
        ReadLand(r, T().land[static_cast<size_t>(i)]);
        ++read;
    }
    // The item part only after the whole land part: a file cut inside it holds no item rows.
    const bool landComplete = read == kRowCount;
    for (int i = 0; landComplete && i < kRowCount && r.ok(); ++i) {
        if (i % kGroupRows == 0) r.skip(4);
        if (!r.has(kItemRecordSize)) break;
        ReadItem(r, T().items[static_cast<size_t>(i)]);
        ++read;
    }
    if (read < 2 * kRowCount)
        QVReport::warning("TileData::LoadFromBytes: '%s' holds %zu of %ld bytes; %d of %d rows read, the "
                          "rest stay empty.\n",
                          kFileName, size, kFileSize, read, 2 * kRowCount);
    return read;
}

bool Load() {
    world::FileBytes bytes;
    if (!world::ReadInstallationFile(kFileName, static_cast<size_t>(kFileSize), bytes)) {
        Allocate();
        QVReport::error("CObjectManager::SetItemTileData: cannot open '%s'.\n", kFileName);
        return false;
    }
    LoadFromBytes(bytes.data.get(), bytes.size);
    if (const DefTable* art = DefManager::GetTable(DefManager::Art)) CorrectPartialHues(*art);
    return true;
}

void CorrectPartialHues(const DefTable& artTable) {
    if (!T().items) return;
    constexpr int kFirstItemArt = 0x4000;
    // Every item is judged by the flags as read, so the result does not depend on the order.
    std::vector<int> cleared;
    for (int n = 0; n < kRowCount; ++n) {
        if (!(T().items[static_cast<size_t>(n)].flags & TileFlag::PartialHue)) continue;
        const int substitute =
            artTable.PickAlternative(n + kFirstItemArt, static_cast<uint32_t>(n)) - kFirstItemArt;
        if (substitute == n) continue;
        // A substitute outside the item rows has the zero row, which lacks the flag.
        if (!(Item(substitute).flags & TileFlag::PartialHue)) cleared.push_back(n);
    }
    for (int n : cleared)
        T().items[static_cast<size_t>(n)].flags &= ~TileFlag::PartialHue;
}

bool ParseLandGroup(const uint8_t* bytes, size_t size, uint32_t& header, LandTileData (&rows)[kGroupRows]) {
    if (!bytes || size < static_cast<size_t>(kLandGroupSize)) return false;
    world::ByteReader r(bytes, size);
    header = r.u32();
    for (LandTileData& row : rows)
        ReadLand(r, row);
    return r.ok();
}

bool ParseItemGroup(const uint8_t* bytes, size_t size, uint32_t& header, ItemTileData (&rows)[kGroupRows]) {
    if (!bytes || size < static_cast<size_t>(kItemGroupSize)) return false;
    world::ByteReader r(bytes, size);
    header = r.u32();
    for (ItemTileData& row : rows)
        ReadItem(r, row);
    return r.ok();
}

std::vector<uint8_t> GroupFromNetworkOrder(const uint8_t* bytes, size_t size, bool itemGroup) {
    std::vector<uint8_t> out;
    if (!bytes) return out;
    out.assign(bytes, bytes + size);
    auto swap = [&out](size_t at, size_t width) {
        if (at + width <= out.size())
            std::reverse(out.begin() + static_cast<long>(at), out.begin() + static_cast<long>(at + width));
    };
    swap(0, 4);
    const size_t recordSize = itemGroup ? kItemRecordSize : kLandRecordSize;
    for (size_t record = 0; record < kGroupRows; ++record) {
        const size_t at = 4 + record * recordSize;
        swap(at, 4); // flags
        if (itemGroup) {
            swap(at + 6, 4);
            swap(at + 10, 2);
            swap(at + 12, 2);
            swap(at + 14, 2);
        } else {
            swap(at + 4, 2); // texture id
        }
    }
    return out;
}

} // namespace TileData

bool IsContainerGraphic(int graphic) {
    return (TileData::Item(graphic).flags & TileFlag::Container) != 0;
}

bool IsMapGraphic(int graphic) {
    return (TileData::Item(graphic).flags & TileFlag::MapItem) != 0;
}
