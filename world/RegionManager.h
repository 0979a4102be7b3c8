#pragma once
// The named regions of "regions.mul", kept for the life of the process in 8192 slots.
//
// File, little-endian: a first u16 below 0xFACE belongs to the first record of version 0 (58-byte
// records); 0xFACE is the header of version 1 (103 bytes), above it of version 2 (107 bytes).
// Record: 40-byte name, u16 slot, six s16 values, u32 (not kept); from version 1 a 40-byte second
// text, u16 value 1, u16 value 2, (version 2: u16 value 3), byte value 4, (version 2: u16 value 5).
#include <cstddef>
#include <cstdint>

constexpr int kRegionTextSize = 40;

// A record as the file holds it, fields the version lacks zero.
struct RegionFileRecord {
    char name[kRegionTextSize];
    uint16_t slot;
    int16_t values[6];
    uint32_t unused;
    char text[kRegionTextSize];
    uint16_t value1;
    uint16_t value2;
    uint16_t value3;
    uint8_t value4;
    uint16_t value5;
};

// A region in memory; both texts keep a terminator after their 40-byte field.
struct RegionRecord {
    char name[kRegionTextSize + 1];
    int16_t values[6];
    char text[kRegionTextSize + 1];
    uint16_t value1;
    uint16_t value2;
    uint16_t value3;
    uint8_t value4;
    uint16_t value5;

    void Clear();
    void CopyFrom(const RegionFileRecord& record);
};

namespace RegionManager {

constexpr int kSlotCount = 8192;
constexpr uint16_t kVersionMark = 0xFACE;
constexpr int kRecordSize[3] = {58, 103, 107};
constexpr const char* kFileName = "regions.mul";

// Empties the table, then reads the file.
void startup();
// Frees every record.
void shutdown();
void readRegionsIntoMemory();
// Empties every slot; the records' memory is kept for the next reading until shutdown.
void Clear();
// Reads a file image into the table (records already there stay unless replaced). Records whose
// slot lies outside the table are skipped; a truncated record ends the reading. Returns the number
// of records stored.
int LoadFromBytes(const uint8_t* bytes, size_t size);
// The version of the last image read: 0..2, or -1 for one too short for its first u16.
int GetVersion();

// The region of a slot; null for an empty slot or one outside the table.
const RegionRecord* GetRegion(int slot);
int RegionCount();

} // namespace RegionManager
