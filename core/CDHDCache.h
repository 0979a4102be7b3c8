#pragma once
// The 34 numbered game data files, read through their index files: in place from the
// installation folder, or copied on first use from the CD folder into the disk cache.
#include <cstdint>

namespace CDHDCache {

constexpr int kRowCount = 34;

// Rows of the file table.
enum Row : int {
    kMap0 = 0,
    kStaIdx0 = 1,
    kStatics0 = 2,
    kArtIdx = 3,
    kArt = 4,
    kAnimIdx = 5,
    kAnim = 6,
    kSoundIdx = 7,
    kSound = 8,
    kTexIdx = 9,
    kTexMaps = 10,
    kGumpIdx = 11,
    kGumpArt = 12,
    kMultiIdx = 13,
    kMulti = 14,
    kSkillsIdx = 15,
    kSkills = 16,
    kStaDifI0 = 17, // 17, 19, 21, 23: statics difference indexes; 18, 20, 22, 24: their data
    kStaDif0 = 18,
    kMapDif0 = 25, // 25..28
    kMap2 = 29,
    kStaIdx2 = 30,
    kStatics2 = 31,
    kAnim2Idx = 32,
    kAnim2 = 33,
};

struct CacheFileInfo {
    int recordsPerBlock;
    int recordSize; // -1 for variable-sized items
    char name[40];
    bool required;
    bool found;
    int number; // row + 1
};

void startup();
void Init();
void shutdown();

// The bytes of item id of a data row through its index row, with its length and extra value; null
// with length 0 when the item does not exist. The pointer stays valid until the next call.
const uint8_t* GetCacheItem(int indexRow, int dataRow, int id, int& length, int& extra);
// Fixed-size record id of a row (a 196-byte map block, a 12-byte index record), or null.
const uint8_t* GetRecord(int row, int id);
void SelectAnim2(bool flag);
// Stores a server-sent item of an index and data row pair in the installation's files; length 0
// (no data) removes the replacement.
void AddVersionedItem(int indexRow, int dataRow, int id, int extra, const uint8_t* data, int length);

} // namespace CDHDCache
