#include "world/RegionManager.h"

#include "core/QVReport.h"
#include "world/WorldBytes.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

void RegionRecord::Clear() {
    *this = RegionRecord{};
}

void RegionRecord::CopyFrom(const RegionFileRecord& record) {
    std::memcpy(name, record.name, kRegionTextSize);
    name[kRegionTextSize] = 0;
    std::memcpy(values, record.values, sizeof values);
    std::memcpy(text, record.text, kRegionTextSize);
    text[kRegionTextSize] = 0;
    value1 = record.value1;
    value2 = record.value2;
    value3 = record.value3;
    value4 = record.value4;
    value5 = record.value5;
}

namespace RegionManager {
namespace {

// One record per slot, made once: a slot's record is cleared and filled again when a later record
// names the slot, and the slot's pointer says whether it holds a region.
struct State {
    std::unique_ptr<RegionRecord[]> pool;
    std::vector<RegionRecord*> slots = std::vector<RegionRecord*>(kSlotCount, nullptr);
    int version = -1;
};

State& S() {
    static State state;
    return state;
}

// Whole records only: false when the bytes end inside this one.
bool ReadRecord(world::ByteReader& r, int version, RegionFileRecord& out) {
    if (!r.has(static_cast<size_t>(kRecordSize[version]))) return false;
    out = RegionFileRecord{};
    r.bytes(out.name, kRegionTextSize);
    out.slot = r.u16();
    for (int16_t& v : out.values)
        v = r.s16();
    out.unused = r.u32();
    if (version >= 1) {
        r.bytes(out.text, kRegionTextSize);
        out.value1 = r.u16();
        out.value2 = r.u16();
        if (version == 2) out.value3 = r.u16();
        out.value4 = r.u8();
        if (version == 2) out.value5 = r.u16();
    }
    return r.ok();
}

} // namespace

void startup() {
    QVReport::message("RegionManager::startup: begin.\n");
    Clear();
    readRegionsIntoMemory();
}

void Clear() {
    std::fill(S().slots.begin(), S().slots.end(), nullptr);
}

void shutdown() {
    QVReport::message("RegionManager::shutdown: begin.\n");
    std::fill(S().slots.begin(), S().slots.end(), nullptr);
    S().pool.reset();
    S().version = -1;
}

void readRegionsIntoMemory() {
    world::FileBytes bytes;
    const size_t largest = 2 + static_cast<size_t>(kSlotCount) * kRecordSize[2];
    if (!world::ReadInstallationFile(kFileName, largest, bytes)) {
        QVReport::error("RegionManager::readRegionsIntoMemory: cannot open file '%s'.\n", kFileName);
        return;
    }
    QVReport::message("RegionManager::readRegionsIntoMemory: ???.\n");
    LoadFromBytes(bytes.data.get(), bytes.size);
}

int LoadFromBytes(const uint8_t* bytes, size_t size) {
    world::ByteReader first(bytes, size);
    const uint16_t mark = first.u16();
    if (!first.ok()) {
        S().version = -1;
        return 0;
    }
    const int version = mark < kVersionMark ? 0 : mark == kVersionMark ? 1 : 2;
    S().version = version;
    world::ByteReader r(bytes, size);
    if (version > 0) r.skip(2);

    State& state = S();
    if (!state.pool) state.pool = std::make_unique<RegionRecord[]>(kSlotCount);
    int stored = 0, skipped = 0, read = 0;
    RegionFileRecord record;
    for (; read < kSlotCount && ReadRecord(r, version, record); ++read) {
        if (record.slot >= kSlotCount) {
            ++skipped;
            continue;
        }
        // CopyFrom sets every field: the record is as a new zero-filled one given this record.
        RegionRecord* region = &state.pool[record.slot];
        region->CopyFrom(record);
        state.slots[record.slot] = region;
        ++stored;
    }
    if (skipped)
        QVReport::warning("RegionManager::readRegionsIntoMemory: %d records name a slot past %d; skipped.\n",
                          skipped, kSlotCount - 1);
    if (read < kSlotCount && r.left() > 0)
        QVReport::warning("RegionManager::readRegionsIntoMemory: record %d is cut short; reading ends.\n",
                          read);
    return stored;
}

int GetVersion() {
    return S().version;
}

const RegionRecord* GetRegion(int slot) {
    if (slot < 0 || slot >= kSlotCount) return nullptr;
    return S().slots[static_cast<size_t>(slot)];
}

int RegionCount() {
    int n = 0;
    for (const auto& slot : S().slots)
        if (slot) ++n;
    return n;
}

} // namespace RegionManager
