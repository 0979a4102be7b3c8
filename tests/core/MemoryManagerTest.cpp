#include "core/MemoryManager.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <vector>

namespace {

using QVReport::Level;
using qvtest::ReportRecorder;

class MemoryManagerTest : public qvtest::CleanState {
  protected:
    void TearDown() override {
        CPointerRegistry::destroy();
        qvtest::CleanState::TearDown();
    }
};

struct Gumpish : CTrackedObject {
    int payload = 7;
    void Damage() { setValidityWordForTests(0x12345678); }
};

TEST_F(MemoryManagerTest, GetMemRefusesNegativeSizesAndFreeMemIgnoresNullAndFill) {
    ReportRecorder rec;
    EXPECT_EQ(MemoryManager::GetMem(-4, "gump background"), nullptr);
    EXPECT_TRUE(rec.contains(Level::Error, "MemoryManager::GetMem: size <= 0"));
    rec.clear();
    void* zero = MemoryManager::GetMem(0, "framedata for CButtonGump");
    EXPECT_NE(zero, nullptr);
    EXPECT_TRUE(rec.contains(Level::Error, "MemoryManager::GetMem: size <= 0"));
    MemoryManager::FreeMem(zero);
    void* block = MemoryManager::GetMem(640 * 480 * 2, "gump background");
    ASSERT_NE(block, nullptr);
    MemoryManager::FreeMem(block);
    MemoryManager::FreeMem(nullptr);
    MemoryManager::FreeMem(const_cast<void*>(MemoryManager::FREED_POINTER)); // must not reach free()
}

TEST_F(MemoryManagerTest, RawValidationTable) {
    ReportRecorder rec;
    int object = 0;
    struct Case {
        const void* p;
        uint32_t code;
        bool valid;
        const char* warning;
    } cases[] = {
        {&object, MemoryManager::VALID_OBJECT_BIT_PATTERN, true, nullptr},
        {nullptr, MemoryManager::VALID_OBJECT_BIT_PATTERN, false, "p == 0, from file 'objects', line '12'"},
        {MemoryManager::FREED_POINTER, MemoryManager::VALID_OBJECT_BIT_PATTERN, false, "p == 0xdddddddd"},
        {&object, 0, false, "validation_code != MemoryManager::VALID_OBJECT_BIT_PATTERN"},
    };
    for (const auto& c : cases) {
        rec.clear();
        EXPECT_EQ(MemoryManager::validateRawPointer(c.p, c.code, "objects", 12), c.valid);
        if (c.warning)
            EXPECT_TRUE(rec.contains(Level::Warning, c.warning)) << c.warning;
        else
            EXPECT_TRUE(rec.lines().empty());
    }
}

TEST_F(MemoryManagerTest, LiveObjectsPassAndDeletedOnesAreNeverRead) {
    ReportRecorder rec;
    CPointerRegistry::create();
    auto* gump = new Gumpish;
    const CTrackedObject* kept = gump; // a slot that outlives the object
    EXPECT_TRUE(QV_VALID_OBJECT(kept));
    delete gump;
    // The registry answers before anything of the freed object is read (ASan would catch a read).
    EXPECT_FALSE(QV_VALID_OBJECT(kept));
    EXPECT_FALSE(QV_VALID_OBJECT(nullptr));
    EXPECT_TRUE(rec.lines().empty()); // quiet while the registry exists
}

TEST_F(MemoryManagerTest, OverwrittenValidityWordIsCaughtAndLogged) {
    ReportRecorder rec;
    CPointerRegistry::create();
    Gumpish gump;
    gump.Damage();
    EXPECT_FALSE(QV_VALID_OBJECT(static_cast<const CTrackedObject*>(&gump)));
    EXPECT_TRUE(rec.contains(Level::Warning, "validation_code != MemoryManager::VALID_OBJECT_BIT_PATTERN"));
}

TEST_F(MemoryManagerTest, WithoutTheRegistryObjectFailuresAreLogged) {
    ReportRecorder rec;
    auto gump = std::make_unique<Gumpish>();
    const CTrackedObject* kept = gump.get();
    gump.reset();
    EXPECT_FALSE(QV_VALID_OBJECT(kept));
    EXPECT_TRUE(rec.contains(Level::Warning, "validation_code != MemoryManager::VALID_OBJECT_BIT_PATTERN"));
    rec.clear();
    EXPECT_FALSE(QV_VALID_OBJECT(nullptr));
    EXPECT_TRUE(rec.contains(Level::Warning, "p == 0"));
}

TEST_F(MemoryManagerTest, CopiesAreTrackedSeparately) {
    Gumpish a;
    size_t before = CPointerRegistry::LiveCount();
    {
        Gumpish b = a;
        EXPECT_EQ(CPointerRegistry::LiveCount(), before + 1);
        EXPECT_TRUE(CPointerRegistry::IsValid(static_cast<const CTrackedObject*>(&b)));
    }
    EXPECT_EQ(CPointerRegistry::LiveCount(), before);
    EXPECT_TRUE(CPointerRegistry::IsValid(static_cast<const CTrackedObject*>(&a)));
}

// Many addresses share probe runs; taking one out of the middle of a run must leave every other
// member findable, while the table grows and after it. The addresses are never read.
TEST_F(MemoryManagerTest, ThousandsOfObjectsComeAndGoInAnyOrder) {
    const size_t before = CPointerRegistry::LiveCount();
    const uint32_t word = MemoryManager::VALID_OBJECT_BIT_PATTERN;
    std::mt19937_64 rng(7);
    std::vector<const void*> keys(20000);
    for (const void*& k : keys)
        k = reinterpret_cast<const void*>((rng() | 0x1000) & 0x7FFFFFFFFFF8ull);
    std::vector<bool> alive(keys.size(), false);
    auto set = [&](size_t i, bool on) {
        if (on)
            CPointerRegistry::Track(keys[i], &word);
        else
            CPointerRegistry::Untrack(keys[i]);
        alive[i] = on;
    };
    auto check = [&](const char* phase) {
        size_t live = 0;
        for (size_t i = 0; i < keys.size(); ++i) {
            ASSERT_EQ(CPointerRegistry::IsValid(keys[i]), static_cast<bool>(alive[i]))
                << phase << ", key " << i;
            live += alive[i];
        }
        EXPECT_EQ(CPointerRegistry::LiveCount(), before + live) << phase;
    };
    for (size_t i = 0; i < keys.size(); ++i)
        set(i, true);
    check("all tracked");
    std::vector<size_t> order(keys.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::shuffle(order.begin(), order.end(), rng);
    for (size_t k = 0; k < order.size() / 2; ++k)
        set(order[k], false);
    check("half untracked");
    for (size_t k = 0; k < order.size() / 4; ++k)
        set(order[k], true);
    CPointerRegistry::Untrack(keys[order.back()]); // twice: the second is a no-op
    alive[order.back()] = false;
    CPointerRegistry::Untrack(keys[order.back()]);
    check("a quarter back");
    for (size_t i = 0; i < keys.size(); ++i)
        if (alive[i]) set(i, false);
    check("all untracked");
}

TEST_F(MemoryManagerTest, StartAndShutdownLogTheirLines) {
    ReportRecorder rec;
    MemoryManager::start();
    MemoryManager::start();
    EXPECT_TRUE(MemoryManager::isStarted());
    MemoryManager::shutdown();
    EXPECT_TRUE(
        rec.contains(" MemoryManager__OVERLOAD_GLOBAL_NEW_AND_DELETE not defined. nothing to report.\n"));
    EXPECT_TRUE(rec.contains("MemoryManager::stopped.\n"));
    EXPECT_FALSE(MemoryManager::isStarted());
}

} // namespace
