#include "WorldFixture.h"
#include "core/CDHDCache.h"
#include "mkinstall/AnimFiles.h"
#include "render/AnimFrames.h"
#include "render/DrawManager.h"
#include "support/CanaryCanvas.h"
#include "world/AnimChoice.h"
#include "world/BodyTypes.h"

#include <gtest/gtest.h>

namespace {

using mkinstall::AnimInk::Digit;

// The digits as the sample draws them: three by five cells, each 2 x 2 pixels.
constexpr const char* kDigits[10][5] = {
    {"###", "#.#", "#.#", "#.#", "###"}, {".#.", "##.", ".#.", ".#.", "###"},
    {"###", "..#", "###", "#..", "###"}, {"###", "..#", "###", "..#", "###"},
    {"#.#", "#.#", "###", "..#", "..#"}, {"###", "#..", "###", "..#", "###"},
    {"###", "#..", "###", "#.#", "###"}, {"###", "..#", ".#.", ".#.", ".#."},
    {"###", "#.#", "###", "#.#", "###"}, {"###", "#.#", "###", "..#", "###"},
};

// The digit at (left, top) of a canvas, -1 when no digit matches.
int ReadDigit(const qvtest::CanaryCanvas& canvas, int left, int top, uint16_t ink) {
    for (int d = 0; d < 10; ++d) {
        bool match = true;
        for (int row = 0; row < 10 && match; ++row)
            for (int col = 0; col < 6 && match; ++col)
                match = (canvas.at(left + col, top + row) == ink) == (kDigits[d][row / 2][col / 2] == '#');
        if (match) return d;
    }
    return -1;
}

class AnimSample : public worldtest::WorldTest {
  protected:
    void SetUp() override {
        WorldTest::SetUp();
        // Only what the animation files need: the numbered files and the tables.
        std::string error;
        ASSERT_TRUE(mkinstall::WriteAnimFiles(dir.path().string(), &error)) << error;
        ASSERT_TRUE(mkinstall::WriteDataFiles(dir.path().string(), &error)) << error;
        StartFiles();
        CDHDCache::startup();
        CDHDCache::Init();
        ASSERT_TRUE(DefManager::startup());
        InitBodyTypes();
        DrawManager::SetScrollOffset(0, 0);
        AnimCache::SetBudget(AnimCache::kDefaultBudget);
    }
    void TearDown() override {
        AnimCache::Clear();
        AnimCache::SetBudget(AnimCache::kDefaultBudget);
        CDHDCache::shutdown();
        WorldTest::TearDown();
    }
    static uint16_t Ink(uint8_t index) { return mkinstall::SampleAnimPalette()[index]; }
};

TEST_F(AnimSample, EveryHumanFrameShowsTheDirectionAndFrameItWasChosenFor) {
    for (const mkinstall::AnimGroup& g : mkinstall::HumanAnimGroups()) {
        for (int facing = 0; facing < 8; ++facing) {
            for (int frame = 0; frame < g.frames; ++frame) {
                uint16_t action = static_cast<uint16_t>(g.group);
                AnimPick pick;
                ASSERT_EQ(GetMobileAnimIndex(400, facing, 0, frame, 0, action, 0, false, nullptr, pick), 400);
                std::shared_ptr<const AnimItem> item = AnimCache::Get(pick.index, pick.secondPair);
                ASSERT_TRUE(item) << "group " << g.group << " facing " << facing;
                const AnimFrame* f = item->Frame(pick.frame);
                ASSERT_TRUE(f) << "group " << g.group << " facing " << facing << " frame " << frame;
                const Rect box = AnimFrameRect(*f, false, 0, 0);
                qvtest::CanaryCanvas canvas(box.Width(), box.Height());
                DrawAnimFrame(canvas.Target(), false, 0, -box.left, -box.top, kNoClip, *item, *f);
                // The plate is the sample's 16 x 12 block of its own colour; find its corner.
                int px = -1, py = -1;
                for (int y = 0; y < box.Height() && px < 0; ++y)
                    for (int x = 0; x < box.Width(); ++x)
                        if (canvas.at(x, y) == Ink(mkinstall::AnimInk::Plate)) {
                            px = x;
                            py = y;
                            break;
                        }
                ASSERT_GE(px, 0) << "group " << g.group;
                EXPECT_EQ(ReadDigit(canvas, px + 1, py + 1, Ink(Digit)), AnimTables::DirectionOffset(facing))
                    << "group " << g.group << " facing " << facing << " frame " << frame;
                EXPECT_EQ(ReadDigit(canvas, px + 9, py + 1, Ink(Digit)), frame)
                    << "group " << g.group << " facing " << facing << " frame " << frame;
            }
        }
    }
}

TEST_F(AnimSample, GarmentsMountsAndTheTallCreatureAreThere) {
    struct Case {
        const char* name;
        int index;
        bool secondPair;
        int frames;
        int bottom; // of the first frame's box, relative to the feet
    };
    const Case cases[] = {
        {"shirt standing", AnimLayoutIndex(AnimLayout::Group175, 410, 4, 2), false, 1, 0},
        {"cloak walking", AnimLayoutIndex(AnimLayout::Group175, 411, 0, 4), false, 10, 0},
        {"horse at rest", AnimLayoutIndex(AnimLayout::Group65, 204, 2, 0), false, 1, 0},
        {"converted horse walking", AnimLayoutIndex(AnimLayout::Group65, 204, 0, 3), true, 5, 0},
        {"stand-in horse", AnimLayoutIndex(AnimLayout::Group110, 205, 1, 1), false, 1, 0},
        {"tall creature", AnimLayoutIndex(AnimLayout::Group110, 1, 1, 0), false, 1,
         mkinstall::kTallCreatureDepth},
    };
    for (const Case& c : cases) {
        std::shared_ptr<const AnimItem> item = AnimCache::Get(c.index, c.secondPair);
        ASSERT_TRUE(item) << c.name;
        EXPECT_EQ(item->FrameCount(), c.frames) << c.name;
        ASSERT_TRUE(item->Frame(0)) << c.name;
        EXPECT_EQ(item->Frame(0)->box.bottom, c.bottom) << c.name;
    }
    // The converted horse has its own coat: the second pair was read, not the first.
    const int index = AnimLayoutIndex(AnimLayout::Group65, 204, 2, 0);
    for (bool second : {false, true}) {
        std::shared_ptr<const AnimItem> item = AnimCache::Get(index, second);
        const AnimFrame& f = *item->Frame(0);
        qvtest::CanaryCanvas canvas(f.box.Width(), f.box.Height());
        DrawAnimFrame(canvas.Target(), false, 0, -f.box.left, -f.box.top, kNoClip, *item, f);
        const uint8_t coat = second ? mkinstall::AnimInk::ConvertedHorse : mkinstall::AnimInk::Horse;
        EXPECT_GT(canvas.Count(Ink(coat)), 200) << second;
    }
}

TEST_F(AnimSample, TheCacheKeepsToItsBudgetAndHoldersKeepTheirItems) {
    const int a = AnimLayoutIndex(AnimLayout::Group175, 400, 0, 0);
    const int b = AnimLayoutIndex(AnimLayout::Group175, 400, 0, 1);
    std::shared_ptr<const AnimItem> first = AnimCache::Get(a, false);
    ASSERT_TRUE(first);
    const size_t one = AnimCache::UsedBytes();
    EXPECT_GT(one, first->bytes.size());
    AnimCache::SetBudget(one + one / 2);
    std::shared_ptr<const AnimItem> second = AnimCache::Get(b, false);
    ASSERT_TRUE(second);
    EXPECT_EQ(AnimCache::ItemCount(), 1u);
    EXPECT_LE(AnimCache::UsedBytes(), AnimCache::Budget());
    // The dropped item lives on with its holder, and comes back decoded afresh.
    EXPECT_EQ(first->FrameCount(), 10);
    std::shared_ptr<const AnimItem> again = AnimCache::Get(a, false);
    EXPECT_NE(again.get(), first.get());
    EXPECT_EQ(again->FrameCount(), 10);
    // The same index again is the cached item.
    EXPECT_EQ(AnimCache::Get(a, false).get(), again.get());
}

TEST_F(AnimSample, IndexesOutsideTheIndexFileAreNeverRead) {
    recorder->clear();
    for (int index : {-1, -35000, CDHDCache::RecordCount(CDHDCache::kAnimIdx), 1 << 30})
        EXPECT_FALSE(AnimCache::Get(index, false)) << index;
    EXPECT_FALSE(AnimCache::Get(CDHDCache::RecordCount(CDHDCache::kAnim2Idx), true));
    EXPECT_EQ(AnimCache::ItemCount(), 0u);
    for (const auto& line : recorder->lines())
        EXPECT_EQ(line.text.find("CDHDCache"), std::string::npos) << line.text;
    // A missing item inside the file is remembered as missing.
    EXPECT_FALSE(AnimCache::Get(3, false));
    EXPECT_EQ(AnimCache::ItemCount(), 1u);
}

TEST_F(AnimSample, ReopenedFilesDropEveryCachedItem) {
    const int a = AnimLayoutIndex(AnimLayout::Group175, 400, 4, 0);
    ASSERT_TRUE(AnimCache::Get(a, false));
    EXPECT_EQ(AnimCache::ItemCount(), 1u);
    CDHDCache::shutdown();
    EXPECT_FALSE(AnimCache::Get(a, false));
    CDHDCache::startup();
    CDHDCache::Init();
    EXPECT_TRUE(AnimCache::Get(a, false));
}

} // namespace
