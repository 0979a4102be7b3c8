#pragma once
// The 34 numbered game data files, read through their index files: in place from the
// installation folder, or copied on first use from the CD folder into the disk cache.
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

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
// After Init: finds and maps the files of the given rows again as Init did, with its reports (a
// required file that is gone is fatal), in the mode Init used; in cache mode the cache is emptied.
// Server-sent items are read from the patch store again. Init itself when not initialised.
void Reopen(std::initializer_list<int> rows);
void shutdown();

// The bytes of item id of a data row through its index row, with its length and extra value; null
// with length 0 when the item does not exist. The pointer stays valid until the next call.
const uint8_t* GetCacheItem(int indexRow, int dataRow, int id, int& length, int& extra);
// Fixed-size record id of a row (a 196-byte map block, a 12-byte index record), or null.
const uint8_t* GetRecord(int row, int id);
void SelectAnim2(bool flag);
// Records of a fixed-record row (an index file's entries); 0 when its file was not found.
int RecordCount(int row);
// Changes at every Init and shutdown, so that copies of items made from the files know when
// the files may have changed.
uint32_t Generation();

// ---------------------------------------------------------------- configuration
// Set by the application from its configuration before Init; these are the values it starts with.
enum class HdConfig { MaxHD, Cached };
void SetHdConfig(HdConfig config); // default MaxHD: every file read in place from the installation
HdConfig GetHdConfig();
// The disk cache in megabytes (cache mode only). 0 and anything beyond what 32-bit offsets reach are
// corrected to 1 and kMaxCacheSize when the cache is made.
constexpr int kMaxCacheSize = 2147;
void SetCacheSize(int megabytes);
int GetCacheSize();
// A cache of exactly this many bytes and block headers in place of CacheSize megabytes (0, 0: by
// CacheSize). Small caches let tests reach every corner of the heap quickly.
void SetCacheGeometry(int bytes, int headers);
void SetUseVerData(bool on); // default off
bool UseVerData();
// Back to the values above.
void ResetConfig();

// ---------------------------------------------------------------- rows
const CacheFileInfo& GetFileInfo(int row);
bool IsOnHD(int row);
// The path a row was mapped from; empty when its file was not found.
const std::string& RowPath(int row);
// The index row of a variable-sized data row (4 -> 3); -1 for index rows and fixed-record rows.
int IndexRowOf(int dataRow);
// The key of the cache block that holds id: the first id of its block of records.
int BlockKey(int row, int id);

// Index records: {offset of the item in the data file, -1 when it does not exist; length; extra}.
constexpr int kIndexRecordSize = 12;
struct IndexRecord {
    int32_t offset;
    int32_t length;
    int32_t extra;
};
// Record id of an index file image; false when it lies outside the bytes.
bool ReadIndexRecord(const uint8_t* index, size_t indexSize, int id, IndexRecord& out);
// Whether the record names an item of at least one byte wholly inside a data file of dataSize bytes.
bool ItemInside(const IndexRecord& record, size_t dataSize);

// ---------------------------------------------------------------- server-sent items
// Keeps an item the server sent (rows 3/4, 13/14, 15/16; ids below 0x10000) in the player's patch
// store (core/PatchStore), which GetCacheItem consults first, now and in later runs; length 0
// removes the item. The installation's files are never written. An item that cannot be stored is
// logged and left as it was.
void AddVersionedItem(int indexRow, int dataRow, int id, int extra, const void* data, int length);

// ---------------------------------------------------------------- the disk cache (cache mode)
const std::string& CacheFileName();
bool HasCache();
int CacheHeaderCount();
int CacheDataAreaSize();
// Copies the block of records that holds id into the cache; its record, or null.
const uint8_t* CacheIn(int row, int id);
// A used block of size bytes for (row, key) at the head of the used list, evicting the least
// recently used blocks as needed; -1 when there is no cache or the size cannot fit.
int GetCacheSpace(int row, int key, int size);
// Gives an unlinked block's space back to the free list, merged with its neighbours; the free
// block that now holds the space.
int FreeBlock(int block);
void TouchBlock(int block);

// Allocation as CacheIn does it, entered into the lookup; null when refused. The space is not filled.
uint8_t* AllocateCached(int row, int key, int size);
// Drops the cached block of (row, key); false when none is cached.
bool DropCached(int row, int key);
// The cached data of (row, key), moved to the head of the used list when touch is set; null when
// not cached.
const uint8_t* FindCached(int row, int key, bool touch = false);

struct CachedBlock {
    int row;
    int key;
    int size;
};
// The used list, most recently used first.
std::vector<CachedBlock> UsedBlocks();
// Checks the heap's invariants: the three lists partition the headers with consistent links, free
// blocks are ordered, never touch and never overlap used ones, the data area is exactly covered,
// and every used block has its one lookup node. False with a description of the first fault.
bool CheckCacheHeap(std::string* problem);

} // namespace CDHDCache
