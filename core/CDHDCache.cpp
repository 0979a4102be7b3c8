#include "core/CDHDCache.h"

#include "core/CMMF.h"
#include "core/ExitHandlers.h"
#include "core/FileManager.h"
#include "core/PatchStore.h"
#include "core/QVReport.h"
#include "core/SharedServices.h"
#include "core/ShutdownSequence.h"
#include "core/VerData.h"
#include "platform/platform.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>

namespace CDHDCache {
namespace {

constexpr CacheFileInfo kFileTable[kRowCount] = {
    {1, 196, "map0.mul", true, false, 1},        {4096, 12, "staidx0.mul", true, false, 2},
    {1, -1, "statics0.mul", true, false, 3},     {4096, 12, "artidx.mul", true, false, 4},
    {1, -1, "art.mul", true, false, 5},          {4096, 12, "anim.idx", true, false, 6},
    {1, -1, "anim.mul", true, false, 7},         {4096, 12, "soundidx.mul", true, false, 8},
    {1, -1, "sound.mul", true, false, 9},        {4096, 12, "texidx.mul", true, false, 10},
    {1, -1, "texmaps.mul", true, false, 11},     {4096, 12, "gumpidx.mul", true, false, 12},
    {1, -1, "gumpart.mul", true, false, 13},     {4096, 12, "multi.idx", true, false, 14},
    {1, -1, "multi.mul", true, false, 15},       {256, 12, "skills.idx", true, false, 16},
    {1, -1, "skills.mul", true, false, 17},      {4096, 12, "stadifi0.mul", false, false, 18},
    {1, -1, "stadif0.mul", false, false, 19},    {4096, 12, "stadifi1.mul", false, false, 20},
    {1, -1, "stadif1.mul", false, false, 21},    {4096, 12, "stadifi2.mul", false, false, 22},
    {1, -1, "stadif2.mul", false, false, 23},    {4096, 12, "stadifi3.mul", false, false, 24},
    {1, -1, "stadif3.mul", false, false, 25},    {1, 196, "mapdif0.mul", false, false, 26},
    {1, 196, "mapdif1.mul", false, false, 27},   {1, 196, "mapdif2.mul", false, false, 28},
    {1, 196, "mapdif3.mul", false, false, 29},   {1, 196, "map2.mul", false, false, 30},
    {4096, 12, "staidx2.mul", false, false, 31}, {1, -1, "statics2.mul", false, false, 32},
    {4096, 12, "anim2.idx", false, false, 33},   {1, -1, "anim2.mul", false, false, 34},
};

constexpr int kBucketsPerRow = 4096;
constexpr int kHeadersPerMegabyte = 4000;
constexpr int kBytesPerMegabyte = 1000000;
constexpr int kHeaderBytes = 24; // the cache header: six ints
constexpr int kBlockHeaderBytes = 24;
// Server-sent items have ids below this (art ids are 16-bit).
constexpr int kMaxGrownIndexRecords = 0x10000;

// Cache header slots and block header fields, each a little-endian i32 in the cache file.
enum HeaderSlot { kUsedHead, kUsedTail, kFreeHead, kFreeTail, kSpareHead, kSpareTail };
enum BlockField { kSize, kFileRow, kOffset, kNext, kPrev, kKey };
struct List {
    HeaderSlot head;
    HeaderSlot tail;
};
constexpr List kUsed{kUsedHead, kUsedTail};
constexpr List kFree{kFreeHead, kFreeTail};
constexpr List kSpare{kSpareHead, kSpareTail};

struct LookupNode {
    int row = 0;
    int key = 0;
    int block = -1;
    int next = -1;
    int prev = -1;
};

struct RowState {
    std::unique_ptr<CMMF> map;
    std::string path;
    bool onHD = false;
};

struct Config {
    HdConfig hdConfig = HdConfig::MaxHD;
    int cacheSize = 0;
    int geometryBytes = 0;
    int geometryHeaders = 0;
    bool useVerData = false;
};

uint32_t g_generation = 0;

struct State {
    CacheFileInfo info[kRowCount];
    RowState rows[kRowCount];
    bool started = false;
    bool initialised = false;
    HdConfig mode = HdConfig::MaxHD; // the one Init used
    bool anim2Request = false;
    std::string cacheFileName;
    std::unique_ptr<CMMF_Wr> cache;
    uint8_t* cacheView = nullptr;
    int numHeaders = 0;
    int cacheBytes = 0;
    int dataStart = 0;
    // kRowCount x kBucketsPerRow heads while the cache is in use, set to -1 bytewise in one
    // memset when made (an element fill stays a slow loop where the build traces loops, as fuzzing
    // does). The table is kept across a shutdown, for the next Init, with every head -1.
    std::unique_ptr<int[]> buckets;
    bool lookupReady = false;
    std::vector<LookupNode> nodes;
    int freeNode = -1;

    State() { std::memcpy(info, kFileTable, sizeof info); }
};

Config& C() {
    static Config config;
    return config;
}

State& S() {
    static State state;
    return state;
}

int32_t LoadLE32(const uint8_t* p) {
    return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                                static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24);
}

void StoreLE32(uint8_t* p, int32_t value) {
    uint32_t v = static_cast<uint32_t>(value);
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

bool ValidRow(int row) {
    return row >= 0 && row < kRowCount;
}

const uint8_t* View(int row) {
    const RowState& r = S().rows[row];
    return r.map ? r.map->GetView() : nullptr;
}

size_t ViewSize(int row) {
    const RowState& r = S().rows[row];
    return r.map && r.map->GetView() ? static_cast<size_t>(r.map->GetSize()) : 0;
}

// ---------------------------------------------------------------- cache file access

int32_t H(HeaderSlot slot) {
    return LoadLE32(S().cacheView + 4 * slot);
}
void SetH(HeaderSlot slot, int32_t value) {
    StoreLE32(S().cacheView + 4 * slot, value);
}
int32_t B(int block, BlockField field) {
    return LoadLE32(S().cacheView + kHeaderBytes + kBlockHeaderBytes * block + 4 * field);
}
void SetB(int block, BlockField field, int32_t value) {
    StoreLE32(S().cacheView + kHeaderBytes + kBlockHeaderBytes * block + 4 * field, value);
}

void Unlink(List list, int b) {
    int prev = B(b, kPrev), next = B(b, kNext);
    if (prev >= 0)
        SetB(prev, kNext, next);
    else
        SetH(list.head, next);
    if (next >= 0)
        SetB(next, kPrev, prev);
    else
        SetH(list.tail, prev);
    SetB(b, kNext, -1);
    SetB(b, kPrev, -1);
}

void PushFront(List list, int b) {
    int head = H(list.head);
    SetB(b, kPrev, -1);
    SetB(b, kNext, head);
    if (head >= 0)
        SetB(head, kPrev, b);
    else
        SetH(list.tail, b);
    SetH(list.head, b);
}

// Links b into a list right after prev (at the head when prev is -1).
void InsertAfter(List list, int prev, int b) {
    if (prev < 0) {
        PushFront(list, b);
        return;
    }
    int next = B(prev, kNext);
    SetB(b, kPrev, prev);
    SetB(b, kNext, next);
    SetB(prev, kNext, b);
    if (next >= 0)
        SetB(next, kPrev, b);
    else
        SetH(list.tail, b);
}

void Spare(int b) {
    SetB(b, kSize, 0);
    PushFront(kSpare, b);
}

// ---------------------------------------------------------------- lookup table

int BucketOf(int row, int key) {
    return row * kBucketsPerRow + (key & (kBucketsPerRow - 1));
}

int FindNode(int row, int key) {
    State& s = S();
    if (!s.lookupReady) return -1;
    for (int n = s.buckets[BucketOf(row, key)]; n >= 0; n = s.nodes[n].next)
        if (s.nodes[n].row == row && s.nodes[n].key == key) return n;
    return -1;
}

bool EnterNode(int row, int key, int block) {
    State& s = S();
    int n = s.freeNode;
    if (n < 0) {
        QVReport::error("CDHDCache::EnterNode: no lookup node left.\n");
        return false;
    }
    s.freeNode = s.nodes[n].next;
    int& head = s.buckets[BucketOf(row, key)];
    s.nodes[n] = {row, key, block, head, -1};
    if (head >= 0) s.nodes[head].prev = n;
    head = n;
    return true;
}

void RemoveNode(int n) {
    State& s = S();
    LookupNode& node = s.nodes[n];
    if (node.prev >= 0)
        s.nodes[node.prev].next = node.next;
    else
        s.buckets[BucketOf(node.row, node.key)] = node.next;
    if (node.next >= 0) s.nodes[node.next].prev = node.prev;
    node = LookupNode{};
    node.next = s.freeNode;
    s.freeNode = n;
}

// Unlinks a used block and its node and gives its space back.
void ReleaseUsed(int block, int node) {
    if (node >= 0) RemoveNode(node);
    Unlink(kUsed, block);
    FreeBlock(block);
}

bool EvictLeastRecentlyUsed() {
    int block = H(kUsedTail);
    if (block < 0) return false;
    ReleaseUsed(block, FindNode(B(block, kFileRow), B(block, kKey)));
    return true;
}

[[noreturn]] void CachingError() {
    static const int exitFlag = 1;
    ShowErrorMessage(
        "Cache is entirely filled with versioned data.  Please increase your cache size, or buy an "
        "updated cd.",
        "Caching Error", &exitFlag);
    TerminateProcess(1); // not reached: the box ends the process
}

uint8_t* BlockData(int block) {
    return S().cacheView + B(block, kOffset);
}

// ---------------------------------------------------------------- files

// The existing file for a name, ignoring letter case when the exact name is not there.
std::optional<std::string> ExistingFile(const std::string& path) {
    std::optional<std::string> found = platform::FindPathIgnoringCase(path);
    if (!found || platform::IsDirectory(*found)) return std::nullopt;
    std::FILE* f = std::fopen(found->c_str(), "rb");
    if (!f) return std::nullopt;
    std::fclose(f);
    return found;
}

void MapRow(int row, const std::string& path, bool onHD) {
    State& s = S();
    RowState& r = s.rows[row];
    r.path = path;
    r.onHD = onHD;
    s.info[row].found = true;
    r.map = std::make_unique<CMMF>(path.c_str());
    r.map->Open(s.info[row].required);
}

// MaxHD: finds a row's file in the installation folder; a required one that is missing is fatal.
void LocateOnHD(int row) {
    State& s = S();
    std::string name = FileManager::get_HDpath(s.info[row].name);
    std::optional<std::string> found = ExistingFile(name);
    if (found) {
        s.rows[row].path = *found;
        s.info[row].found = true;
    } else if (s.info[row].required) {
        QVReport::error("CDHDCache::Init(): cannot open file '%s'.\n", name.c_str());
        QVReport::fatal(
            "Failed to open '%s' from HD using a maximum install. Either this file is not readable, "
            "your system needs to be rebooted, or the file does not exist and you either need to "
            "reinstall or switch to a non-maximum install.\n",
            s.info[row].name);
    }
}

void InitMaxHD() {
    State& s = S();
    QVReport::message("CDHDCache::Init(): CApp::hdConfig == MaxHD.\n");
    for (int row = 0; row < kRowCount; ++row)
        LocateOnHD(row);
    for (int row = 0; row < kRowCount; ++row)
        if (s.info[row].found) MapRow(row, s.rows[row].path, true);
}

bool CreateCacheFile(const std::string& name, int bytes) {
    std::FILE* f = std::fopen(name.c_str(), "wb");
    if (!f) return false;
    // Written out in full, so that a full disk shows here and not as a fault inside the mapping.
    static const uint8_t zeros[65536] = {};
    bool ok = true;
    for (int left = bytes; left > 0 && ok;) {
        int piece = left < static_cast<int>(sizeof zeros) ? left : static_cast<int>(sizeof zeros);
        ok = std::fwrite(zeros, 1, static_cast<size_t>(piece), f) == static_cast<size_t>(piece);
        left -= piece;
    }
    ok = std::fclose(f) == 0 && ok;
    if (!ok) std::remove(name.c_str());
    return ok;
}

// Every head back to -1. Only the heads of entered nodes are ever set, so a table in use is
// cleared through its nodes, not whole.
void ClearHeads() {
    State& s = S();
    constexpr size_t kHeads = static_cast<size_t>(kRowCount) * kBucketsPerRow;
    if (!s.buckets) {
        s.buckets.reset(new int[kHeads]);
        std::memset(s.buckets.get(), 0xFF, kHeads * sizeof(int));
        return;
    }
    for (const LookupNode& node : s.nodes)
        if (node.block >= 0) s.buckets[BucketOf(node.row, node.key)] = -1;
}

// An empty lookup for n block headers.
void ResetLookup(int n) {
    State& s = S();
    ClearHeads();
    s.nodes.assign(static_cast<size_t>(n), LookupNode{});
    for (int i = 0; i < n; ++i)
        s.nodes[i].next = i + 1 < n ? i + 1 : -1;
    s.freeNode = 0;
    s.lookupReady = true;
}

void FormatCache();

void MakeCache() {
    State& s = S();
    const Config& c = C();
    int n = 0, bytes = 0;
    if (c.geometryHeaders >= 2 && c.geometryHeaders <= kHeadersPerMegabyte &&
        c.geometryBytes > kHeaderBytes + kBlockHeaderBytes * c.geometryHeaders) {
        n = c.geometryHeaders;
        bytes = c.geometryBytes;
    } else {
        int megabytes = c.cacheSize;
        if (megabytes < 1 || megabytes > kMaxCacheSize) {
            int corrected = megabytes < 1 ? 1 : kMaxCacheSize;
            QVReport::warning("CDHDCache::Init(): a cache of %d MB cannot be made; using %d MB.\n", megabytes,
                              corrected);
            megabytes = corrected;
        }
        n = kHeadersPerMegabyte * megabytes;
        bytes = kBytesPerMegabyte * megabytes; // at most 2,147,000,000: fits the file's 32-bit offsets
    }
    ResetLookup(n);

    QVReport::message("CDHDCache::Init(): making a cache of size %d bytes.\n", bytes);
    if (!CreateCacheFile(s.cacheFileName, bytes)) {
        QVReport::error("CDHDCache::Init(): cannot write the cache file '%s'; CD items cannot be read.\n",
                        s.cacheFileName.c_str());
        return;
    }
    QVReport::message("CDHDCache::Init(): creating cache...\n");
    s.cache = std::make_unique<CMMF_Wr>(s.cacheFileName.c_str(), bytes);
    QVReport::message("CDHDCache::Init(): opening cache...\n");
    s.cacheView = s.cache->Open();
    if (!s.cacheView || s.cache->GetSize() != bytes) {
        s.cache.reset();
        s.cacheView = nullptr;
        return;
    }
    QVReport::message("CDHDCache::Init(): re-interpreting cache memory...\n");
    QVReport::message("CDHDCache::Init(): copying data into cache memory...\n");
    s.numHeaders = n;
    s.cacheBytes = bytes;
    s.dataStart = kHeaderBytes + kBlockHeaderBytes * n;
    FormatCache();
}

// The mapped cache's headers: the whole data area one free block, every other header spare.
void FormatCache() {
    State& s = S();
    const int n = s.numHeaders;
    const int bytes = s.cacheBytes;
    SetH(kUsedHead, -1);
    SetH(kUsedTail, -1);
    SetH(kFreeHead, 0);
    SetH(kFreeTail, 0);
    SetH(kSpareHead, n > 1 ? 1 : -1);
    SetH(kSpareTail, n > 1 ? n - 1 : -1);
    SetB(0, kSize, bytes - s.dataStart);
    SetB(0, kFileRow, -1);
    SetB(0, kOffset, s.dataStart);
    SetB(0, kNext, -1);
    SetB(0, kPrev, -1);
    SetB(0, kKey, -1);
    for (int i = 1; i < n; ++i) {
        SetB(i, kSize, 0);
        SetB(i, kFileRow, -1);
        SetB(i, kOffset, 0);
        SetB(i, kNext, i + 1 < n ? i + 1 : -1);
        SetB(i, kPrev, i > 1 ? i - 1 : -1);
        SetB(i, kKey, -1);
    }
    QVReport::message("CDHDCache::Init(): 12. numBlockHeaders=%d\n", n);
    QVReport::message("CDHDCache::Init(): building cache lookup table...\n");
    for (int b = H(kUsedHead); b >= 0; b = B(b, kNext))
        EnterNode(B(b, kFileRow), B(b, kKey), b);
}

// Cache mode: maps a row's file from the installation folder, else from the CD folder; a required
// one found in neither is fatal.
void OpenFromHDOrCD(int row) {
    State& s = S();
    std::string hdName = FileManager::get_HDpath(s.info[row].name);
    QVReport::message("CDHDCache::Init(): trying to open '%s', with mode 'rb'\n", hdName.c_str());
    if (std::optional<std::string> hd = ExistingFile(hdName)) {
        MapRow(row, *hd, true);
        return;
    }
    std::optional<std::string> cdName = FileManager::get_CDpath(s.info[row].name);
    if (cdName) {
        QVReport::message("CDHDCache::Init(): trying to open '%s', with mode 'rb'\n", cdName->c_str());
        if (std::optional<std::string> cd = ExistingFile(*cdName)) {
            MapRow(row, *cd, false);
            return;
        }
    }
    if (s.info[row].required) {
        for (RowState& r : s.rows)
            r.map.reset();
        QVReport::fatal(
            "CDHDCache::Init(): cannot open file '%s' from either HD or CD. Please insert the "
            "Varnis Online CD and try again. If the problems persist, try a re-installation of the "
            "game. If they still persist, contact Varnis Online customer support.",
            s.info[row].name);
    }
}

void InitCached() {
    MakeCache();
    QVReport::message("CDHDCache::Init(): memory-mapping CD files...\n");
    for (int row = 0; row < kRowCount; ++row)
        OpenFromHDOrCD(row);
}

// The record of a fixed-size row inside a view.
const uint8_t* RecordInView(int row, int id) {
    const int size = S().info[row].recordSize;
    if (size <= 0 || id < 0) return nullptr;
    const uint8_t* view = View(row);
    size_t end = (static_cast<size_t>(id) + 1) * static_cast<size_t>(size);
    if (!view || end > ViewSize(row)) return nullptr;
    return view + static_cast<size_t>(id) * size;
}

// An item of a CD data row, through the cache.
const uint8_t* CachedItem(int dataRow, int id, const IndexRecord& record) {
    State& s = S();
    int node = FindNode(dataRow, id);
    if (node >= 0) {
        TouchBlock(s.nodes[node].block);
        return BlockData(s.nodes[node].block);
    }
    uint8_t* block = AllocateCached(dataRow, id, record.length);
    if (!block) return nullptr;
    std::memcpy(block, View(dataRow) + record.offset, static_cast<size_t>(record.length));
    return block;
}

// The data files that take server-sent items, by row: the data rows of index/data pairs.
std::vector<std::string> PatchableFileNames() {
    std::vector<std::string> names(kRowCount);
    for (int row = 0; row < kRowCount; ++row)
        if (IndexRowOf(row) >= 0) names[row] = kFileTable[row].name;
    return names;
}

} // namespace

// ---------------------------------------------------------------- configuration

void SetHdConfig(HdConfig config) {
    C().hdConfig = config;
}
HdConfig GetHdConfig() {
    return C().hdConfig;
}
void SetCacheSize(int megabytes) {
    C().cacheSize = megabytes;
}
int GetCacheSize() {
    return C().cacheSize;
}
void SetCacheGeometry(int bytes, int headers) {
    C().geometryBytes = bytes;
    C().geometryHeaders = headers;
}
void SetUseVerData(bool on) {
    C().useVerData = on;
}
bool UseVerData() {
    return C().useVerData;
}
void ResetConfig() {
    C() = Config{};
}

// ---------------------------------------------------------------- rows

const CacheFileInfo& GetFileInfo(int row) {
    return S().info[ValidRow(row) ? row : 0];
}

bool IsOnHD(int row) {
    return ValidRow(row) && S().rows[row].onHD;
}

const std::string& RowPath(int row) {
    static const std::string none;
    return ValidRow(row) ? S().rows[row].path : none;
}

int IndexRowOf(int dataRow) {
    if (!ValidRow(dataRow) || dataRow == 0 || kFileTable[dataRow].recordSize != -1) return -1;
    return kFileTable[dataRow - 1].recordSize == kIndexRecordSize ? dataRow - 1 : -1;
}

int BlockKey(int row, int id) {
    int perBlock = ValidRow(row) ? kFileTable[row].recordsPerBlock : 1;
    return perBlock > 1 ? id - id % perBlock : id;
}

bool ReadIndexRecord(const uint8_t* index, size_t indexSize, int id, IndexRecord& out) {
    if (!index || id < 0) return false;
    size_t at = static_cast<size_t>(id) * kIndexRecordSize;
    if (at + kIndexRecordSize > indexSize) return false;
    out.offset = LoadLE32(index + at);
    out.length = LoadLE32(index + at + 4);
    out.extra = LoadLE32(index + at + 8);
    return true;
}

bool ItemInside(const IndexRecord& record, size_t dataSize) {
    return record.offset >= 0 && record.length > 0 &&
           static_cast<uint64_t>(record.offset) + static_cast<uint64_t>(record.length) <= dataSize;
}

// ---------------------------------------------------------------- life cycle

// The state before startup; the bucket table is kept, every head -1, for the next Init.
void ResetState() {
    State& s = S();
    if (s.buckets) ClearHeads();
    std::unique_ptr<int[]> buckets = std::move(s.buckets);
    s = State{};
    s.buckets = std::move(buckets);
}

void startup() {
    State& s = S();
    QVReport::message("CDHDCache::startup(): begin.\n");
    ResetState();
    VerData::Reset();
    int instance = QVReport::getInstanceNumber();
    if (instance != 0 && instance != 1)
        QVReport::fatal("CDHDCache::startup: currently no support for running >2 god clients.\n");
    char name[16];
    std::snprintf(name, sizeof name, "cache%d.qv", instance);
    s.cacheFileName = FileManager::get_HDpath(name);
    s.started = true;
}

void Init() {
    State& s = S();
    if (s.initialised) return;
    s.initialised = true;
    ++g_generation;
    QVReport::message("CDHDCache::Init(): begin.\n");
    s.mode = C().hdConfig;
    if (s.mode == HdConfig::MaxHD)
        InitMaxHD();
    else
        InitCached();
    PatchStore::Load(PatchableFileNames());
}

void Reopen(std::initializer_list<int> rows) {
    State& s = S();
    if (!s.initialised) return Init();
    ++g_generation;
    QVReport::message("CDHDCache::Reopen(): begin.\n");
    for (int row : rows) {
        if (!ValidRow(row)) continue;
        s.rows[row] = RowState{};
        s.info[row].found = false;
    }
    if (s.mode == HdConfig::MaxHD) {
        for (int row : rows)
            if (ValidRow(row)) LocateOnHD(row);
        for (int row : rows)
            if (ValidRow(row) && s.info[row].found) MapRow(row, s.rows[row].path, true);
    } else {
        // Blocks copied from the old files are stale: the cache starts empty again.
        if (s.cacheView) {
            ResetLookup(s.numHeaders);
            FormatCache();
        }
        for (int row : rows)
            if (ValidRow(row)) OpenFromHDOrCD(row);
    }
    PatchStore::Clear();
    PatchStore::Load(PatchableFileNames());
}

void shutdown() {
    State& s = S();
    ++g_generation;
    QVReport::message("CDHDCache::shutdown: shutting down...\n");
    bool hadCacheFile = s.cache != nullptr;
    s.lookupReady = false;
    s.cache.reset(); // flushes and unmaps
    s.cacheView = nullptr;
    for (RowState& r : s.rows)
        r.map.reset();
    VerData::Reset();
    PatchStore::Clear();
    if (!s.cacheFileName.empty()) {
        QVReport::message("CDHDCache::shutdown: removing cache file '%s'\n", s.cacheFileName.c_str());
        if (hadCacheFile) std::remove(s.cacheFileName.c_str());
    }
    ResetState();
    QVReport::message("CDHDCache::shutdown: shut down\n");
}

void SelectAnim2(bool flag) {
    S().anim2Request = flag;
}

int RecordCount(int row) {
    if (!ValidRow(row) || !S().info[row].found || S().info[row].recordSize <= 0) return 0;
    size_t count = ViewSize(row) / static_cast<size_t>(S().info[row].recordSize);
    return count > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(count);
}

uint32_t Generation() {
    return g_generation;
}

// ---------------------------------------------------------------- reading

const uint8_t* GetCacheItem(int indexRow, int dataRow, int id, int& length, int& extra) {
    State& s = S();
    length = 0;
    extra = 0;
    if (!ValidRow(indexRow) || !ValidRow(dataRow)) return nullptr;
    if (!s.info[indexRow].found || !s.info[dataRow].found) return nullptr;
    if (s.anim2Request && indexRow == kAnimIdx && s.info[kAnim2Idx].found && s.info[kAnim2].found) {
        indexRow = kAnim2Idx;
        dataRow = kAnim2;
        s.anim2Request = false;
    }
    if (ShutdownSequence::IsStarted()) {
        QVReport::error(
            "CDHDCache::GetCacheItem: 'shutdownSequenceStarted'. program would probably crash if we did "
            "not set '*size = 0' and 'return NULL'!");
        return nullptr;
    }
    // Items the server sent are the newest of all.
    if (const PatchStore::Item* item = PatchStore::Find(dataRow, id)) {
        length = static_cast<int>(item->bytes.size());
        extra = item->extra;
        return length > 0 ? item->bytes.data() : nullptr;
    }
    if (C().useVerData) {
        if (const VerData::Entry* e = VerData::Find(dataRow, id)) {
            length = e->length;
            extra = e->extra;
            return e->length > 0 ? VerData::Bytes(*e) : nullptr;
        }
    }
    if (id < 0) return nullptr;

    IndexRecord record{};
    bool bothOnHD = s.rows[indexRow].onHD && s.rows[dataRow].onHD;
    const uint8_t* raw = bothOnHD ? RecordInView(indexRow, id) : GetRecord(indexRow, id);
    if (!raw) {
        QVReport::warning(
            bothOnHD ? "CDHDCache::GetCacheItem(1): code would have crashed. returning 0 instead.\n"
                     : "CDHDCache::GetCacheItem(2): code would have crashed. returning 0 instead.\n");
        return nullptr;
    }
    ReadIndexRecord(raw, kIndexRecordSize, 0, record);
    extra = record.extra;
    if (record.offset < 0 || record.length == 0) return nullptr;
    if (!ItemInside(record, ViewSize(dataRow))) {
        QVReport::warning(
            "CDHDCache::GetCacheItem: item %d of '%s' (offset %d, length %d) lies outside the file "
            "of %zu bytes.\n",
            id, s.info[dataRow].name, record.offset, record.length, ViewSize(dataRow));
        return nullptr;
    }
    const uint8_t* item =
        s.rows[dataRow].onHD ? View(dataRow) + record.offset : CachedItem(dataRow, id, record);
    if (item) length = record.length;
    return item;
}

const uint8_t* GetRecord(int row, int id) {
    State& s = S();
    if (!ValidRow(row) || !s.info[row].found) return nullptr;
    const int recordSize = s.info[row].recordSize;
    if (C().useVerData) {
        if (const VerData::Entry* e = VerData::Find(row, id))
            return e->length > 0 ? VerData::Bytes(*e) : nullptr;
    }
    if (recordSize <= 0 || id < 0) return nullptr;
    if (s.rows[row].onHD) return RecordInView(row, id);
    if (static_cast<size_t>(id) >= ViewSize(row) / static_cast<size_t>(recordSize)) return nullptr;
    int key = BlockKey(row, id);
    int node = FindNode(row, key);
    if (node >= 0) {
        TouchBlock(s.nodes[node].block);
        return BlockData(s.nodes[node].block) + static_cast<size_t>(id - key) * recordSize;
    }
    return CacheIn(row, id);
}

const uint8_t* CacheIn(int row, int id) {
    State& s = S();
    if (!s.cacheView) {
        QVReport::warning("CDHDCache::CacheIn: code would have crashed. returning 0 instead.\n");
        return nullptr;
    }
    if (!ValidRow(row) || id < 0 || s.info[row].recordSize <= 0) return nullptr;
    const int recordSize = s.info[row].recordSize;
    const int key = BlockKey(row, id);
    const int size = s.info[row].recordsPerBlock * recordSize;
    uint8_t* block = AllocateCached(row, key, size);
    if (!block) return nullptr;
    // The last block of a file may be partial: copy what the file has, zero the rest.
    size_t from = static_cast<size_t>(key) * recordSize;
    size_t have = ViewSize(row) > from ? ViewSize(row) - from : 0;
    size_t copy = have < static_cast<size_t>(size) ? have : static_cast<size_t>(size);
    if (copy) std::memcpy(block, View(row) + from, copy);
    std::memset(block + copy, 0, static_cast<size_t>(size) - copy);
    return block + static_cast<size_t>(id - key) * recordSize;
}

// ---------------------------------------------------------------- the heap

const std::string& CacheFileName() {
    return S().cacheFileName;
}

bool HasCache() {
    return S().cacheView != nullptr;
}

int CacheHeaderCount() {
    return S().numHeaders;
}

int CacheDataAreaSize() {
    return S().cacheView ? S().cacheBytes - S().dataStart : 0;
}

int GetCacheSpace(int row, int key, int size) {
    State& s = S();
    if (!s.cacheView) {
        QVReport::warning("CDHDCache::GetCacheSpace: code would have crashed. returning 0 instead.\n");
        return -1;
    }
    if (size <= 0 || size > CacheDataAreaSize()) {
        QVReport::error("CDHDCache::GetCacheSpace: an item of %d bytes cannot be cached in %d bytes.\n", size,
                        CacheDataAreaSize());
        return -1;
    }
    // Carving needs a spare header; evicting never uses one up, so get it first.
    while (H(kSpareHead) < 0)
        if (!EvictLeastRecentlyUsed()) CachingError();
    int chosen = -1;
    for (;;) {
        for (int b = H(kFreeHead); b >= 0; b = B(b, kNext))
            if (B(b, kSize) >= size) {
                chosen = b;
                break;
            }
        if (chosen >= 0) break;
        if (!EvictLeastRecentlyUsed()) CachingError();
    }
    int block = chosen;
    int freeSize = B(chosen, kSize);
    if (freeSize == size) {
        Unlink(kFree, chosen);
    } else {
        block = H(kSpareHead);
        Unlink(kSpare, block);
        SetB(block, kSize, size);
        SetB(block, kOffset, B(chosen, kOffset) + freeSize - size);
        SetB(chosen, kSize, freeSize - size);
    }
    PushFront(kUsed, block);
    SetB(block, kFileRow, row);
    SetB(block, kKey, key);
    return block;
}

int FreeBlock(int block) {
    const int offset = B(block, kOffset);
    int next = H(kFreeHead);
    while (next >= 0 && B(next, kOffset) <= offset)
        next = B(next, kNext);
    const int prev = next >= 0 ? B(next, kPrev) : H(kFreeTail);
    SetB(block, kFileRow, -1);
    SetB(block, kKey, -1);
    int merged = block;
    if (prev >= 0 && B(prev, kOffset) + B(prev, kSize) == offset) {
        SetB(prev, kSize, B(prev, kSize) + B(block, kSize));
        Spare(block);
        merged = prev;
    } else {
        InsertAfter(kFree, prev, block);
    }
    // Merged on both sides, so that free blocks never touch.
    if (next >= 0 && B(merged, kOffset) + B(merged, kSize) == B(next, kOffset)) {
        SetB(merged, kSize, B(merged, kSize) + B(next, kSize));
        Unlink(kFree, next);
        Spare(next);
    }
    return merged;
}

void TouchBlock(int block) {
    if (H(kUsedHead) == block) return;
    Unlink(kUsed, block);
    PushFront(kUsed, block);
}

uint8_t* AllocateCached(int row, int key, int size) {
    if (!ValidRow(row)) return nullptr;
    DropCached(row, key); // one block per key
    int block = GetCacheSpace(row, key, size);
    if (block < 0) return nullptr;
    if (!EnterNode(row, key, block)) {
        Unlink(kUsed, block);
        FreeBlock(block);
        return nullptr;
    }
    return BlockData(block);
}

bool DropCached(int row, int key) {
    int node = FindNode(row, key);
    if (node < 0) return false;
    ReleaseUsed(S().nodes[node].block, node);
    return true;
}

const uint8_t* FindCached(int row, int key, bool touch) {
    int node = FindNode(row, key);
    if (node < 0) return nullptr;
    if (touch) TouchBlock(S().nodes[node].block);
    return BlockData(S().nodes[node].block);
}

std::vector<CachedBlock> UsedBlocks() {
    std::vector<CachedBlock> out;
    if (!S().cacheView) return out;
    for (int b = H(kUsedHead); b >= 0 && static_cast<int>(out.size()) < S().numHeaders; b = B(b, kNext))
        out.push_back({B(b, kFileRow), B(b, kKey), B(b, kSize)});
    return out;
}

bool CheckCacheHeap(std::string* problem) {
    State& s = S();
    auto fail = [&](const std::string& text) {
        if (problem) *problem = text;
        return false;
    };
    if (!s.cacheView) return fail("no cache");
    const int n = s.numHeaders;
    std::vector<int> listOf(static_cast<size_t>(n), -1);
    struct Span {
        int offset;
        int size;
    };
    std::vector<Span> spans;
    const List lists[3] = {kUsed, kFree, kSpare};
    const char* names[3] = {"used", "free", "spare"};
    int usedCount = 0;
    for (int l = 0; l < 3; ++l) {
        int prev = -1, steps = 0, lastFreeEnd = -1;
        for (int b = H(lists[l].head); b >= 0; b = B(b, kNext)) {
            std::string at = std::string(names[l]) + " block " + std::to_string(b);
            if (b >= n || ++steps > n) return fail(std::string(names[l]) + " list runs wild");
            if (listOf[b] >= 0) return fail(at + " is on two lists");
            listOf[b] = l;
            if (B(b, kPrev) != prev) return fail(at + " has a wrong prev link");
            if (l != 2) {
                int off = B(b, kOffset), size = B(b, kSize);
                if (size <= 0 || off < s.dataStart || off > s.cacheBytes - size)
                    return fail(at + " lies outside the data area");
                spans.push_back({off, size});
            }
            if (l == 0) {
                ++usedCount;
                int node = FindNode(B(b, kFileRow), B(b, kKey));
                if (node < 0 || s.nodes[node].block != b) return fail(at + " has no lookup node");
            }
            if (l == 1) {
                if (B(b, kOffset) <= lastFreeEnd)
                    return fail(at + " is out of order or touches the one before");
                lastFreeEnd = B(b, kOffset) + B(b, kSize);
            }
            prev = b;
        }
        if (H(lists[l].tail) != prev) return fail(std::string(names[l]) + " list has a wrong tail");
    }
    for (int b = 0; b < n; ++b)
        if (listOf[b] < 0) return fail("block " + std::to_string(b) + " is on no list");
    std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) { return a.offset < b.offset; });
    int64_t covered = s.dataStart;
    for (const Span& sp : spans) {
        if (sp.offset != covered)
            return fail("the data area has a gap or an overlap at " + std::to_string(covered));
        covered += sp.size;
    }
    if (covered != s.cacheBytes) return fail("the data area is not covered to its end");
    // Nodes are either free or in a bucket: with one node per used block and the rest free, no
    // bucket can hold a stray node.
    std::vector<bool> nodeFree(s.nodes.size(), false);
    int freeNodes = 0;
    for (int node = s.freeNode; node >= 0; node = s.nodes[node].next) {
        if (nodeFree[node] || ++freeNodes > n) return fail("the free node list runs wild");
        nodeFree[node] = true;
    }
    for (int b = H(kUsedHead); b >= 0; b = B(b, kNext))
        if (nodeFree[FindNode(B(b, kFileRow), B(b, kKey))]) return fail("a used block's node is also free");
    if (freeNodes + usedCount != n) return fail("lookup nodes and used blocks differ in number");
    // Every set head starts a chain of used nodes of its own bucket: a head left from before a
    // reset would lead a lookup to a node that means something else now.
    constexpr int kHeads = kRowCount * kBucketsPerRow;
    for (int h = 0; h < kHeads; ++h) {
        const int head = s.buckets[h];
        if (head < 0) continue;
        if (head >= static_cast<int>(s.nodes.size()) || nodeFree[head] || s.nodes[head].block < 0 ||
            BucketOf(s.nodes[head].row, s.nodes[head].key) != h || s.nodes[head].prev != -1)
            return fail("bucket " + std::to_string(h) + " has a stale head");
    }
    return true;
}

// ---------------------------------------------------------------- server-sent items

void AddVersionedItem(int indexRow, int dataRow, int id, int extra, const void* data, int length) {
    if (IndexRowOf(dataRow) != indexRow || id < 0 || id >= kMaxGrownIndexRecords) {
        QVReport::error("CDHDCache::AddVersionedItem: refusing item %d of rows %d/%d.\n", id, indexRow,
                        dataRow);
        return;
    }
    if (!S().info[indexRow].found || !S().info[dataRow].found) {
        QVReport::warning("CDHDCache::AddVersionedItem: no '%s' to patch; item %d is not kept.\n",
                          S().info[dataRow].name, id);
        return;
    }
    if (length < 0 || !data) length = 0;
    // The installation is never written (it may be read-only, and an item overwritten in place
    // would be torn by an interruption): the item goes to the player's patch store, atomically.
    if (!PatchStore::Store(dataRow, S().info[dataRow].name, id, extra, data, length)) return;
    DropCached(dataRow, BlockKey(dataRow, id)); // the cached copy is stale
}

} // namespace CDHDCache
