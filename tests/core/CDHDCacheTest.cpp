#include "core/CDHDCache.h"

#include "DataFixture.h"

#include <cstring>
#include <map>
#include <random>
#include <sys/stat.h>

namespace {

using CDHDCache::HdConfig;
using mkinstall::IndexedItem;
using mkinstall::LittleEndian32;
using qvtest::ProcessExit;
using qvtest::TempDir;
namespace fs = std::filesystem;

// Bytes that tell items apart: item id, then a run that depends on the id.
std::string Pattern(int id, size_t size) {
    std::string out(size, '\0');
    for (size_t i = 0; i < size; ++i)
        out[i] = static_cast<char>((id * 31 + i * 7) & 0xFF);
    return out;
}

std::string Record(int32_t offset, int32_t length, int32_t extra) {
    return LittleEndian32(offset) + LittleEndian32(length) + LittleEndian32(extra);
}

class CDHDCacheTest : public qvtest::DataFixture {
  protected:
    TempDir hdDir, cdDir;
    std::string hd = hdDir.path().string();
    std::string cd = cdDir.path().string();
    std::string cdClient = cd + "/client";

    // The art rows' keys on the used list, most recent first.
    static std::vector<int> CachedArt() {
        std::vector<int> keys;
        for (const CDHDCache::CachedBlock& b : CDHDCache::UsedBlocks())
            if (b.row == CDHDCache::kArt) keys.push_back(b.key);
        return keys;
    }
};

TEST_F(CDHDCacheTest, MaximumInstallReadsItemsInPlaceAndMakesNoCache) {
    Install(hd);
    WritePair(hd, "artidx.mul", "art.mul", {{"abc", 0}, {std::nullopt, 0}, {"defgh", 7}});
    PointAt(hd);
    StartData(HdConfig::MaxHD);

    EXPECT_FALSE(fs::exists(CDHDCache::CacheFileName()));
    EXPECT_FALSE(CDHDCache::HasCache());
    EXPECT_TRUE(CDHDCache::IsOnHD(CDHDCache::kArt));
    const uint8_t* block0 = CDHDCache::GetRecord(CDHDCache::kMap0, 0);
    const uint8_t* block5 = CDHDCache::GetRecord(CDHDCache::kMap0, 5);
    ASSERT_NE(block0, nullptr);
    EXPECT_EQ(block5, block0 + 5 * 196);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(block5), 196), mkinstall::MapBlock(5));
    EXPECT_EQ(CDHDCache::GetRecord(CDHDCache::kMap0, mkinstall::kMapFileBlocks), nullptr);

    int length = 0, extra = 0;
    const uint8_t* item0 = CDHDCache::GetCacheItem(CDHDCache::kArtIdx, CDHDCache::kArt, 0, length, extra);
    const uint8_t* item2 = CDHDCache::GetCacheItem(CDHDCache::kArtIdx, CDHDCache::kArt, 2, length, extra);
    EXPECT_EQ(item2, item0 + 3); // both point into the one mapping
    EXPECT_EQ(length, 5);
    EXPECT_EQ(extra, 7);
    EXPECT_EQ(Item(CDHDCache::kArtIdx, CDHDCache::kArt, 1), std::nullopt);
    EXPECT_EQ(Item(CDHDCache::kSkillsIdx, CDHDCache::kSkills, 3), mkinstall::SkillEntry(3));
}

TEST_F(CDHDCacheTest, EveryItemIsCheckedAgainstItsFiles) {
    Install(hd);
    std::string index = Record(-1, 0, 0)                  // 0: missing
                        + Record(0, 0, 5)                 // 1: empty
                        + Record(0, 100, 0)               // 2: runs past the end of the data
                        + Record(5, -3, 0)                // 3: negative length
                        + Record(INT32_MAX - 1, 10, 0)    // 4: offset + length overflows 32 bits
                        + Record(2, 8, 9)                 // 5: good
                        + std::string("\x01\x02\x03", 3); // 6: a partial record
    hdDir.write("artidx.mul", index);
    hdDir.write("art.mul", "0123456789");
    PointAt(hd);
    StartData(HdConfig::MaxHD);

    struct Case {
        int id;
        std::optional<std::string> bytes;
        const char* warning; // nullptr: none
    };
    const Case cases[] = {
        {0, std::nullopt, nullptr},
        {1, std::nullopt, nullptr},
        {2, std::nullopt, "lies outside the file"},
        {3, std::nullopt, "lies outside the file"},
        {4, std::nullopt, "lies outside the file"},
        {5, "23456789", nullptr},
        {6, std::nullopt, "GetCacheItem(1): code would have crashed"},
        {7, std::nullopt, "GetCacheItem(1): code would have crashed"},
        {-1, std::nullopt, nullptr},
        {INT32_MIN, std::nullopt, nullptr},
    };
    for (const Case& c : cases) {
        recorder->clear();
        int extra = 0;
        EXPECT_EQ(Item(CDHDCache::kArtIdx, CDHDCache::kArt, c.id, &extra), c.bytes) << "id " << c.id;
        if (c.warning) {
            EXPECT_TRUE(recorder->contains(QVReport::Level::Warning, c.warning)) << "id " << c.id;
        } else {
            EXPECT_FALSE(recorder->contains(QVReport::Level::Warning, "")) << "id " << c.id;
        }
        if (c.bytes) {
            EXPECT_EQ(extra, 9);
        }
    }
    EXPECT_EQ(CDHDCache::GetRecord(CDHDCache::kArtIdx, 6), nullptr);
    EXPECT_EQ(CDHDCache::GetRecord(CDHDCache::kArt, 0), nullptr); // variable-sized rows have no records
}

TEST_F(CDHDCacheTest, RequiredFilesMustExistOptionalOnesMayNot) {
    Install(hd);
    fs::rename(hd + "/art.mul", hd + "/ART.MUL"); // found regardless of case
    PointAt(hd);
    StartData(HdConfig::MaxHD);
    EXPECT_TRUE(CDHDCache::GetFileInfo(CDHDCache::kArt).found);
    EXPECT_EQ(CDHDCache::RowPath(CDHDCache::kArt), hd + "/ART.MUL");
    // The sample installation has the difference files of set 0 only.
    EXPECT_FALSE(CDHDCache::GetFileInfo(CDHDCache::kStaDifI0 + 2).found);
    recorder->clear();
    EXPECT_EQ(Item(CDHDCache::kStaDifI0 + 2, CDHDCache::kStaDif0 + 2, 0), std::nullopt);
    EXPECT_TRUE(recorder->lines().empty());
    CDHDCache::shutdown();

    fs::remove(hd + "/gumpidx.mul");
    EXPECT_THROW(StartData(HdConfig::MaxHD), ProcessExit);
    EXPECT_TRUE(recorder->contains(QVReport::Level::Fatal, "Failed to open 'gumpidx.mul' from HD"));
}

TEST_F(CDHDCacheTest, TheSecondAnimationSetServesOneRequest) {
    Install(hd);
    WritePair(hd, "anim.idx", "anim.mul", {{"first", 0}});
    WritePair(hd, "anim2.idx", "anim2.mul", {{"second", 0}});
    PointAt(hd);
    StartData(HdConfig::MaxHD);
    CDHDCache::SelectAnim2(true);
    EXPECT_EQ(Item(CDHDCache::kSkillsIdx, CDHDCache::kSkills, 0), mkinstall::SkillEntry(0)); // other rows
    EXPECT_EQ(Item(CDHDCache::kAnimIdx, CDHDCache::kAnim, 0), "second");
    EXPECT_EQ(Item(CDHDCache::kAnimIdx, CDHDCache::kAnim, 0), "first");
}

TEST_F(CDHDCacheTest, NothingIsReadOnceTheShutdownSequenceStarted) {
    Install(hd);
    PointAt(hd);
    StartData(HdConfig::MaxHD);
    ShutdownSequence::MarkShutdownSequenceStarted();
    EXPECT_EQ(Item(CDHDCache::kSkillsIdx, CDHDCache::kSkills, 0), std::nullopt);
    EXPECT_TRUE(recorder->contains(QVReport::Level::Error, "'shutdownSequenceStarted'"));
}

TEST_F(CDHDCacheTest, CacheModeCopiesCDItemsIntoTheCache) {
    Install(cdClient);
    std::vector<IndexedItem> art;
    for (int id = 0; id < 16; ++id)
        art.push_back({Pattern(id, 100 + id), id});
    WritePair(cdClient, "artidx.mul", "art.mul", art);
    WritePair(hd, "skills.idx", "skills.mul", {{"installed", 0}}); // the installation's own files win
    PointAt(hd, cd);
    StartData(HdConfig::Cached, 1);

    ASSERT_TRUE(CDHDCache::HasCache());
    EXPECT_EQ(CDHDCache::CacheFileName(), hd + "/cache0.qv");
    EXPECT_EQ(fs::file_size(CDHDCache::CacheFileName()), 1000000u);
    EXPECT_EQ(CDHDCache::CacheHeaderCount(), 4000);
    EXPECT_EQ(CDHDCache::CacheDataAreaSize(), 903976);
    EXPECT_FALSE(CDHDCache::IsOnHD(CDHDCache::kArt));
    EXPECT_TRUE(CDHDCache::IsOnHD(CDHDCache::kSkills));
    EXPECT_EQ(Item(CDHDCache::kSkillsIdx, CDHDCache::kSkills, 0), "installed");

    for (int id = 0; id < 16; ++id) {
        int extra = -1;
        EXPECT_EQ(Item(CDHDCache::kArtIdx, CDHDCache::kArt, id, &extra), Pattern(id, 100 + id));
        EXPECT_EQ(extra, id);
    }
    int length = 0, extra = 0;
    const uint8_t* again = CDHDCache::GetCacheItem(CDHDCache::kArtIdx, CDHDCache::kArt, 3, length, extra);
    EXPECT_EQ(again, CDHDCache::FindCached(CDHDCache::kArt, 3));
    EXPECT_EQ(CDHDCache::UsedBlocks().front().key, 3); // touched to the head

    // The index came in as one block of 4096 records; the file's 16 fill it only partly.
    const uint8_t* indexBlock = CDHDCache::FindCached(CDHDCache::kArtIdx, 0);
    ASSERT_NE(indexBlock, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(indexBlock) + 12 * 15, 12),
              Record(100 * 15 + 15 * 14 / 2, 115, 15));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(indexBlock) + 12 * 16, 12 * 4080),
              std::string(12 * 4080, '\0'));
    EXPECT_EQ(CDHDCache::GetRecord(CDHDCache::kArtIdx, 16), nullptr);
    std::string problem;
    EXPECT_TRUE(CDHDCache::CheckCacheHeap(&problem)) << problem;

    const std::string cacheFile = CDHDCache::CacheFileName();
    CDHDCache::shutdown();
    EXPECT_FALSE(fs::exists(cacheFile));
}

TEST_F(CDHDCacheTest, TheCacheKeepsTheMostRecentlyUsedItems) {
    Install(cdClient);
    std::vector<IndexedItem> art;
    for (int id = 0; id < 4; ++id)
        art.push_back({Pattern(id, 250000), 0});
    art.push_back({std::string(1000000, 'x'), 0}); // 4: larger than the whole cache
    WritePair(cdClient, "artidx.mul", "art.mul", art);
    PointAt(hd, cd);
    StartData(HdConfig::Cached, 1);

    for (int id : {0, 1, 2, 0})
        EXPECT_EQ(Item(CDHDCache::kArtIdx, CDHDCache::kArt, id), Pattern(id, 250000));
    EXPECT_EQ(CachedArt(), (std::vector<int>{0, 2, 1}));
    EXPECT_EQ(Item(CDHDCache::kArtIdx, CDHDCache::kArt, 3), Pattern(3, 250000));
    EXPECT_EQ(CachedArt(), (std::vector<int>{3, 0, 2})); // 1 was the least recently used
    EXPECT_EQ(CDHDCache::FindCached(CDHDCache::kArt, 1), nullptr);

    recorder->clear();
    EXPECT_EQ(Item(CDHDCache::kArtIdx, CDHDCache::kArt, 4), std::nullopt);
    EXPECT_TRUE(recorder->contains(QVReport::Level::Error, "an item of 1000000 bytes cannot be cached"));
    EXPECT_EQ(CachedArt(), (std::vector<int>{3, 0, 2})); // nothing was evicted for it
    std::string problem;
    EXPECT_TRUE(CDHDCache::CheckCacheHeap(&problem)) << problem;
}

TEST_F(CDHDCacheTest, ARestartedCacheFindsOnlyTheItemsItCopied) {
    Install(cdClient);
    auto writeArt = [&](int seed) {
        std::vector<IndexedItem> art;
        for (int id = 0; id < 8; ++id)
            art.push_back({Pattern(id + seed, 50 + id), id});
        WritePair(cdClient, "artidx.mul", "art.mul", art);
    };
    writeArt(0);
    PointAt(hd, cd);
    StartData(HdConfig::Cached, 1);
    for (int id = 0; id < 8; ++id)
        ASSERT_EQ(Item(CDHDCache::kArtIdx, CDHDCache::kArt, id), Pattern(id, 50 + id));
    CDHDCache::shutdown();
    FileManager::shutdown();

    writeArt(100);
    StartData(HdConfig::Cached, 1);
    std::string problem;
    EXPECT_TRUE(CDHDCache::CheckCacheHeap(&problem)) << problem;
    for (int id = 0; id < 8; ++id)
        EXPECT_EQ(CDHDCache::FindCached(CDHDCache::kArt, id), nullptr) << id;
    for (int id : {5, 0, 7})
        EXPECT_EQ(Item(CDHDCache::kArtIdx, CDHDCache::kArt, id), Pattern(id + 100, 50 + id));
    EXPECT_TRUE(CDHDCache::CheckCacheHeap(&problem)) << problem;
}

TEST_F(CDHDCacheTest, ACacheSizeOfZeroBecomesOneMegabyte) {
    Install(cdClient);
    PointAt(hd, cd);
    StartData(HdConfig::Cached, 0);
    EXPECT_TRUE(recorder->contains(QVReport::Level::Warning, "a cache of 0 MB cannot be made; using 1 MB"));
    EXPECT_EQ(CDHDCache::CacheHeaderCount(), 4000);
}

TEST_F(CDHDCacheTest, WithoutACDPathCDFilesAreMissing) {
    Install(hd);
    fs::remove(hd + "/multi.idx");
    PointAt(hd); // no "InstCDPath"
    EXPECT_THROW(StartData(HdConfig::Cached, 1), ProcessExit);
    EXPECT_TRUE(
        recorder->contains(QVReport::Level::Fatal, "cannot open file 'multi.idx' from either HD or CD"));
}

TEST_F(CDHDCacheTest, TheHeapSurvivesARandomRunOfAllocationsAndFrees) {
    Install(cdClient);
    PointAt(hd, cd);
    constexpr int kHeaders = 200, kDataArea = 40000;
    CDHDCache::SetCacheGeometry(24 + 24 * kHeaders + kDataArea, kHeaders);
    StartData(HdConfig::Cached);
    ASSERT_EQ(CDHDCache::CacheDataAreaSize(), kDataArea);

    std::mt19937 random(20240611);
    struct Live {
        int size;
        uint8_t fill;
    };
    std::map<std::pair<int, int>, Live> live;
    std::string problem;
    int evicted = 0;
    auto verify = [&](int step) {
        ASSERT_TRUE(CDHDCache::CheckCacheHeap(&problem)) << "step " << step << ": " << problem;
        for (auto it = live.begin(); it != live.end();) {
            const uint8_t* data = CDHDCache::FindCached(it->first.first, it->first.second);
            if (!data) { // evicted to make room
                ++evicted;
                it = live.erase(it);
                continue;
            }
            ASSERT_EQ(data[0], it->second.fill) << "step " << step;
            ASSERT_EQ(data[it->second.size - 1], it->second.fill) << "step " << step;
            ++it;
        }
    };
    struct Phase {
        int steps;
        int maxSize;
        int allocatePercent;
    };
    // Tiny blocks run out of headers before bytes; larger ones run out of bytes; the last phase
    // asks up to the whole data area.
    const Phase phases[] = {{3000, 16, 90}, {3000, 8000, 60}, {3000, kDataArea, 50}};
    int step = 0;
    for (const Phase& phase : phases) {
        evicted = 0;
        for (int i = 0; i < phase.steps; ++i, ++step) {
            int op = static_cast<int>(random() % 100);
            if (op < phase.allocatePercent || live.empty()) {
                int row = static_cast<int>(random() % CDHDCache::kRowCount);
                int key = static_cast<int>(random() % 5000);
                if (live.count({row, key})) continue;
                int size = 1 + static_cast<int>(random() % phase.maxSize);
                uint8_t fill = static_cast<uint8_t>(random());
                uint8_t* data = CDHDCache::AllocateCached(row, key, size);
                ASSERT_NE(data, nullptr);
                std::memset(data, fill, static_cast<size_t>(size));
                live[{row, key}] = {size, fill};
                EXPECT_EQ(CDHDCache::UsedBlocks().front().key, key);
            } else {
                auto it = live.begin();
                std::advance(it, static_cast<long>(random() % live.size()));
                if (op % 2 == 0) {
                    EXPECT_TRUE(CDHDCache::DropCached(it->first.first, it->first.second));
                    live.erase(it);
                } else {
                    ASSERT_NE(CDHDCache::FindCached(it->first.first, it->first.second, true), nullptr);
                    EXPECT_EQ(CDHDCache::UsedBlocks().front().key, it->first.second);
                }
            }
            verify(step);
            if (HasFatalFailure()) return;
        }
        EXPECT_GT(evicted, 0) << "phase of blocks up to " << phase.maxSize << " bytes never filled the cache";
    }
    EXPECT_FALSE(recorder->contains(QVReport::Level::Error, ""));
}

class AddVersionedItemTest : public CDHDCacheTest {
  protected:
    // Art items 0 "0123456789" (offset 0) and 1 "abcdef" (offset 10); item 2 missing.
    void SetUp() override {
        CDHDCacheTest::SetUp();
        Install(hd);
        WritePair(hd, "artidx.mul", "art.mul", {{"0123456789", 1}, {"abcdef", 2}, {std::nullopt, 3}});
        PointAt(hd);
        StartData(HdConfig::MaxHD);
        index = Index();
        data = Data();
    }
    void TearDown() override {
        ::setenv("QV_DATA_DIR", savedDataDir.c_str(), 1);
        CDHDCacheTest::TearDown();
    }
    std::string Index() { return hdDir.read("artidx.mul"); }
    std::string Data() { return hdDir.read("art.mul"); }
    static void Add(int id, const std::string& bytes, int extra = 9) {
        CDHDCache::AddVersionedItem(CDHDCache::kArtIdx, CDHDCache::kArt, id, extra, bytes.data(),
                                    static_cast<int>(bytes.size()));
    }
    static std::optional<std::string> Art(int id, int* extra = nullptr) {
        return Item(CDHDCache::kArtIdx, CDHDCache::kArt, id, extra);
    }
    // The patch store in a folder of the test's choosing.
    void UseDataDir(const std::string& folder) { ::setenv("QV_DATA_DIR", folder.c_str(), 1); }

    std::string index, data;
    std::string savedDataDir = platform::GetEnv("QV_DATA_DIR");
};

// Server-sent items go to the player's patch store, are served from it at once and in later runs,
// and the installation's files are never written.
TEST_F(AddVersionedItemTest, ServerItemsAreKeptInThePatchStoreNotTheInstallation) {
    struct Case {
        const char* what;
        int id;
        std::string bytes;
    } cases[] = {
        {"longer than the old item", 0, "LONGER-THAN-TEN"},
        {"shorter than the old item", 1, "xyz"},
        {"removed", 0, ""},
        {"a new id past the end of the index", 5, "new"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Add(c.id, c.bytes);
        const std::optional<std::string> expected = c.bytes.empty() ? std::nullopt : std::optional(c.bytes);
        int extra = 0;
        EXPECT_EQ(Art(c.id, &extra), expected);
        EXPECT_EQ(extra, 9);
        EXPECT_TRUE(platform::FileExists(PatchStore::ItemPath("art.mul", c.id)));
    }
    EXPECT_EQ(Index(), index);
    EXPECT_EQ(Data(), data);

    // A later run finds them.
    CDHDCache::shutdown();
    StartData(HdConfig::MaxHD);
    EXPECT_EQ(Art(0), std::nullopt);
    EXPECT_EQ(Art(1), "xyz");
    EXPECT_EQ(Art(5), "new");
    EXPECT_EQ(Art(2), std::nullopt);
    EXPECT_EQ(PatchStore::Count(), 3u);
}

// A read-only installation (the usual case for a system-wide one) takes server items as well;
// before, opening "artidx.mul" for writing ended the client.
TEST_F(AddVersionedItemTest, AReadOnlyInstallationTakesServerItems) {
    TempDir store;
    ::chmod(store.path().c_str(), 0777);
    UseDataDir(store.path().string());
    ::chmod(hdDir.file("artidx.mul").c_str(), 0444);
    ::chmod(hdDir.file("art.mul").c_str(), 0444);
    ::chmod(hd.c_str(), 0555);
    int result = qvtest::RunAsPlayer([] {
        Add(0, "from the server");
        return Art(0) == "from the server" ? 0 : 1;
    });
    ::chmod(hd.c_str(), 0755);
    if (result == qvtest::kNoPlayer) GTEST_SKIP() << "cannot become an ordinary user";
    EXPECT_EQ(result, 0) << (result == qvtest::kChildEnded ? "the client ended" : "");
    EXPECT_EQ(Index(), index);
    EXPECT_EQ(Data(), data);
}

// An item that cannot be stored (the store's folder cannot be made, a full disk) is logged and
// the item stays as it was, in memory and in the store; no half-written item is left.
TEST_F(AddVersionedItemTest, AnItemThatCannotBeStoredLeavesTheOldOne) {
    Add(1, "stored before");
    {
        qvtest::FileSizeLimit fullDisk(64);
        Add(1, std::string(1000, 'n'));
    }
    EXPECT_TRUE(recorder->contains(QVReport::Level::Error, "PatchStore::Store: cannot write"));
    EXPECT_EQ(Art(1), "stored before");
    CDHDCache::shutdown();
    StartData(HdConfig::MaxHD);
    EXPECT_EQ(Art(1), "stored before");
    EXPECT_EQ(std::distance(fs::directory_iterator(PatchStore::Folder()), {}), 1);

    // A file where the store's folder would go: no folder can be made there, not even by root.
    TempDir blocked;
    blocked.write("file", "x");
    UseDataDir(blocked.file("file"));
    recorder->clear();
    Add(0, "lost");
    EXPECT_TRUE(recorder->contains(QVReport::Level::Error, "PatchStore::Store: cannot write"));
    EXPECT_EQ(Art(0), "0123456789");
    EXPECT_EQ(Index(), index);
    EXPECT_EQ(Data(), data);
}

TEST_F(AddVersionedItemTest, ItemsThatCannotBeStoredAreRefused) {
    Add(0x10000, "far");
    CDHDCache::AddVersionedItem(CDHDCache::kArtIdx, CDHDCache::kSkills, 0, 0, "odd", 3);
    Add(-1, "neg");
    EXPECT_TRUE(
        recorder->contains(QVReport::Level::Error, "CDHDCache::AddVersionedItem: refusing item 65536"));
    EXPECT_EQ(PatchStore::Count(), 0u);
    EXPECT_FALSE(fs::exists(PatchStore::Folder()));
    EXPECT_EQ(Art(0), "0123456789");
}

// Stored item files are read through their length: a damaged one is ignored.
TEST_F(AddVersionedItemTest, DamagedItemFilesAreIgnored) {
    Add(0, "good");
    Add(1, "to be cut");
    const std::string path = PatchStore::ItemPath("art.mul", 1);
    fs::resize_file(path, fs::file_size(path) - 1);
    std::filesystem::copy_file(PatchStore::ItemPath("art.mul", 0), PatchStore::Folder() + "/art.mul-x.patch");
    std::filesystem::copy_file(PatchStore::ItemPath("art.mul", 0),
                               PatchStore::Folder() + "/art.mul-70000.patch");
    CDHDCache::shutdown();
    StartData(HdConfig::MaxHD);
    EXPECT_EQ(Art(0), "good");
    EXPECT_EQ(Art(1), "abcdef");
    EXPECT_EQ(PatchStore::Count(), 1u);
    EXPECT_TRUE(recorder->contains(QVReport::Level::Warning, "is not a stored item"));
}

// Items of files that live only on the CD are kept too; the cached copy is dropped.
TEST_F(CDHDCacheTest, ServerItemsForCDFilesReplaceTheCachedCopy) {
    Install(cdClient);
    WritePair(cdClient, "artidx.mul", "art.mul", {{"on the cd", 0}});
    PointAt(hd, cd);
    StartData(HdConfig::Cached, 1);
    EXPECT_EQ(Item(CDHDCache::kArtIdx, CDHDCache::kArt, 0), "on the cd");
    ASSERT_NE(CDHDCache::FindCached(CDHDCache::kArt, 0), nullptr);
    CDHDCache::AddVersionedItem(CDHDCache::kArtIdx, CDHDCache::kArt, 0, 0, "server", 6);
    EXPECT_EQ(CDHDCache::FindCached(CDHDCache::kArt, 0), nullptr);
    EXPECT_EQ(Item(CDHDCache::kArtIdx, CDHDCache::kArt, 0), "server");
    std::string problem;
    EXPECT_TRUE(CDHDCache::CheckCacheHeap(&problem)) << problem;
}

TEST_F(CDHDCacheTest, ReopenReadsTheRewrittenRowsAndKeepsTheOthers) {
    struct Case {
        const char* name;
        HdConfig mode;
        const char* fatal; // when the art index is gone at the re-open
    } cases[] = {
        {"maximum install", HdConfig::MaxHD, "Failed to open 'artidx.mul' from HD"},
        {"cache mode", HdConfig::Cached, "cannot open file 'artidx.mul' from either HD or CD"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir caseHd, caseCd;
        const std::string art =
            c.mode == HdConfig::MaxHD ? caseHd.path().string() : caseCd.path().string() + "/client";
        Install(art);
        WritePair(art, "artidx.mul", "art.mul", {{"old item", 1}, {"kept", 2}});
        PointAt(caseHd.path().string(), caseCd.path().string());
        StartData(c.mode);
        ASSERT_EQ(Item(CDHDCache::kArtIdx, CDHDCache::kArt, 0), "old item");
        const uint32_t generation = CDHDCache::Generation();

        WritePair(art, "artidx.mul", "art.mul", {{"a new, longer item", 3}});
        CDHDCache::Reopen({CDHDCache::kArtIdx, CDHDCache::kArt});
        EXPECT_NE(CDHDCache::Generation(), generation);
        int extra = 0;
        EXPECT_EQ(Item(CDHDCache::kArtIdx, CDHDCache::kArt, 0, &extra), "a new, longer item");
        EXPECT_EQ(extra, 3);
        EXPECT_EQ(Item(CDHDCache::kArtIdx, CDHDCache::kArt, 1), std::nullopt);
        EXPECT_EQ(Item(CDHDCache::kSkillsIdx, CDHDCache::kSkills, 3), mkinstall::SkillEntry(3));
        std::string problem;
        if (c.mode == HdConfig::Cached) {
            EXPECT_TRUE(CDHDCache::CheckCacheHeap(&problem)) << problem;
        }

        fs::remove(art + "/artidx.mul");
        EXPECT_THROW(CDHDCache::Reopen({CDHDCache::kArtIdx}), ProcessExit);
        EXPECT_TRUE(recorder->contains(QVReport::Level::Fatal, c.fatal));
        CDHDCache::shutdown();
        FileManager::shutdown(); // the next case's folders
    }
}

} // namespace
