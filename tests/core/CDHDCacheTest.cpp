#include "core/CDHDCache.h"

#include "DataFixture.h"

#include <cstring>
#include <map>
#include <random>

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
    EXPECT_EQ(CDHDCache::GetRecord(CDHDCache::kMap0, mkinstall::kMapBlocks), nullptr);

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
    EXPECT_FALSE(CDHDCache::GetFileInfo(CDHDCache::kStaDifI0).found);
    recorder->clear();
    EXPECT_EQ(Item(CDHDCache::kStaDifI0, CDHDCache::kStaDif0, 0), std::nullopt);
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
    }
    std::string Index() { return hdDir.read("artidx.mul"); }
    std::string Data() { return hdDir.read("art.mul"); }
};

TEST_F(AddVersionedItemTest, ServerItemsRewriteTheIndexAsTheyFit) {
    struct Case {
        const char* what;
        int id;
        std::string bytes;
        std::string index; // the whole index afterwards
        std::string data;  // the whole data file afterwards
    };
    const std::string base = "0123456789abcdef";
    const Case cases[] = {
        {"longer: appended, old bytes left", 0, "LONGER-THAN-TEN",
         Record(16, 15, 9) + Record(10, 6, 2) + Record(-1, 0, 3), base + "LONGER-THAN-TEN"},
        {"shorter: in place", 0, "xyz", Record(0, 3, 9) + Record(10, 6, 2) + Record(-1, 0, 3),
         "xyz3456789abcdef"},
        {"empty: removed", 1, "", Record(0, 10, 1) + Record(-1, 0, 9) + Record(-1, 0, 3), base},
        {"new id past the end", 5, "new",
         Record(0, 10, 1) + Record(10, 6, 2) + Record(-1, 0, 3) + Record(-1, 0, 0) + Record(-1, 0, 0) +
             Record(16, 3, 9),
         base + "new"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WritePair(hd, "artidx.mul", "art.mul", {{"0123456789", 1}, {"abcdef", 2}, {std::nullopt, 3}});
        CDHDCache::shutdown();
        StartData(HdConfig::MaxHD);
        CDHDCache::AddVersionedItem(CDHDCache::kArtIdx, CDHDCache::kArt, c.id, 9, c.bytes.data(),
                                    static_cast<int>(c.bytes.size()));
        EXPECT_EQ(Index(), c.index);
        EXPECT_EQ(Data(), c.data);
        int extra = 0;
        std::optional<std::string> expected = c.bytes.empty() ? std::nullopt : std::optional(c.bytes);
        EXPECT_EQ(Item(CDHDCache::kArtIdx, CDHDCache::kArt, c.id, &extra), expected); // mappings reopened
        EXPECT_EQ(extra, 9);
    }
}

TEST_F(AddVersionedItemTest, ItemsThatCannotBeStoredAreRefused) {
    const std::string index = Index(), data = Data();
    CDHDCache::AddVersionedItem(CDHDCache::kArtIdx, CDHDCache::kArt, 0x20000, 0, "far", 3);
    EXPECT_TRUE(recorder->contains(QVReport::Level::Error, "lies far beyond the end of 'artidx.mul'"));
    CDHDCache::AddVersionedItem(CDHDCache::kArtIdx, CDHDCache::kSkills, 0, 0, "odd", 3);
    CDHDCache::AddVersionedItem(CDHDCache::kArtIdx, CDHDCache::kArt, -1, 0, "neg", 3);
    EXPECT_EQ(Index(), index);
    EXPECT_EQ(Data(), data);
    EXPECT_EQ(Item(CDHDCache::kArtIdx, CDHDCache::kArt, 0), "0123456789");
}

TEST_F(CDHDCacheTest, ServerItemsForCDFilesOnlyDropTheCachedCopy) {
    Install(cdClient);
    WritePair(cdClient, "artidx.mul", "art.mul", {{"on the cd", 0}});
    PointAt(hd, cd);
    StartData(HdConfig::Cached, 1);
    EXPECT_EQ(Item(CDHDCache::kArtIdx, CDHDCache::kArt, 0), "on the cd");
    ASSERT_NE(CDHDCache::FindCached(CDHDCache::kArt, 0), nullptr);
    CDHDCache::AddVersionedItem(CDHDCache::kArtIdx, CDHDCache::kArt, 0, 0, "server", 6);
    EXPECT_EQ(CDHDCache::FindCached(CDHDCache::kArt, 0), nullptr);
    EXPECT_EQ(Item(CDHDCache::kArtIdx, CDHDCache::kArt, 0), "on the cd");
    std::string problem;
    EXPECT_TRUE(CDHDCache::CheckCacheHeap(&problem)) << problem;
}

} // namespace
