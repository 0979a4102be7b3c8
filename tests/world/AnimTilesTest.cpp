#include "WorldFixture.h"

#include <gtest/gtest.h>

namespace {

using namespace mkinstall;

class AnimTilesTest : public worldtest::WorldTest {
  protected:
    // A file whose record `graphic` is the given one and every other record zero.
    static void LoadWith(int graphic, const std::string& record) {
        std::string file;
        for (int g = 0; g <= (graphic / 8 + 1) * 8 - 1; ++g) {
            if (g % 8 == 0) file += LittleEndian32(0);
            file += g == graphic ? record : AnimDataRecord({}, 0, 0, 0, 0);
        }
        animCrap::LoadFromBytes(reinterpret_cast<const uint8_t*>(file.data()), file.size());
    }
    // The steps 1..last on which an object of this graphic moved, and its increments then.
    static std::vector<int> MovingSteps(int graphic, int last, std::vector<int>* increments = nullptr) {
        std::vector<int> steps;
        animCrap::SetStepCount(0);
        for (int step = 1; step <= last; ++step) {
            animCrap::Update();
            int increment = -1;
            if (animCrap::StepFrame(graphic, increment)) {
                steps.push_back(step);
                if (increments) increments->push_back(increment);
            }
        }
        return steps;
    }
};

TEST_F(AnimTilesTest, IntervalAndStartOffsetChooseTheSteps) {
    LoadWith(13, AnimDataRecord({10, 20, 30}, 0, 3, 3, 1));
    std::vector<int> increments;
    EXPECT_EQ(MovingSteps(13, 9, &increments), (std::vector<int>{2, 5, 8}));
    EXPECT_EQ(increments, (std::vector<int>{20, 30, 10})); // from frame 0: 1, 2, then back to 0
}

TEST_F(AnimTilesTest, ObjectsOfOneGraphicShareTheFrame) {
    LoadWith(9, AnimDataRecord({0, 1, 2, 3}, 0, 4, 1, 0));
    animCrap::SetStepCount(0);
    animCrap::Update();
    int first = -1, second = -1;
    ASSERT_TRUE(animCrap::StepFrame(9, first));
    ASSERT_TRUE(animCrap::StepFrame(9, second)); // the second fire in the same step: no further advance
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 1);
}

TEST_F(AnimTilesTest, FrameCountsAndStartFramesStayInsideTheIncrements) {
    struct Case {
        const char* what;
        uint8_t frame, count;
        int wantCount, wantStart;
        std::vector<int> increments; // over steps 1..4 (interval 1)
    };
    std::vector<int8_t> frames(64);
    for (int i = 0; i < 64; ++i)
        frames[static_cast<size_t>(i)] = static_cast<int8_t>(i + 1);
    const Case cases[] = {
        {"count 0 keeps frame 0", 0, 0, 0, 0, {1, 1, 1, 1}},
        {"count 200 is cut to 64", 62, 200, 64, 62, {64, 1, 2, 3}},
        {"start frame 70 starts at 0", 70, 4, 4, 0, {2, 3, 4, 1}},
        {"start frame equal to the count", 4, 4, 4, 0, {2, 3, 4, 1}},
    };
    for (const Case& c : cases) {
        LoadWith(40, AnimDataRecord(frames, c.frame, c.count, 1, 0));
        EXPECT_EQ(animCrap::Get(40).frameCount, c.wantCount) << c.what;
        EXPECT_EQ(animCrap::Get(40).frame, c.wantStart) << c.what;
        std::vector<int> increments;
        MovingSteps(40, 4, &increments);
        EXPECT_EQ(increments, c.increments) << c.what;
    }
}

TEST_F(AnimTilesTest, AVersionGroupReplacesEightRecordsWithTheSameBounds) {
    LoadWith(9, AnimDataRecord({0, 1, 2, 3}, 0, 4, 2, 0));
    VerData::AnimTileRecord group[8] = {};
    for (int i = 0; i < 8; ++i) {
        group[i].frames[0] = static_cast<int8_t>(i);
        group[i].frames[1] = 50;
        group[i].frameCount = 2;
        group[i].interval = 1;
    }
    group[1].frame = 90;                   // past the count
    group[2].frameCount = 0;               // never moves its frame
    animCrap::ApplyVersionGroup(1, group); // records 8..15: the fire is record 9
    EXPECT_EQ(animCrap::Get(8).frames[0], 0);
    EXPECT_EQ(animCrap::Get(9).frame, 0);
    EXPECT_EQ(animCrap::Get(9).interval, 1);
    EXPECT_EQ(animCrap::Get(15).frames[0], 7);
    std::vector<int> increments;
    MovingSteps(10, 2, &increments);
    EXPECT_EQ(increments, (std::vector<int>{2, 2}));
    animCrap::ApplyVersionGroup(2048, group); // past the table: dropped
    EXPECT_TRUE(recorder->contains("group 2048 is outside the table"));
}

TEST_F(AnimTilesTest, TheSampleFileIsReadUpToItsLastAnimatedGraphic) {
    InstallSample();
    animCrap::Load();
    EXPECT_EQ(animCrap::Get(WorldItem::Fire).frameCount, 4);
    EXPECT_EQ(animCrap::Get(WorldItem::WaterWheel).interval, 4);
    EXPECT_EQ(animCrap::Get(WorldItem::Chest).interval, 0);             // in the file, not animated
    EXPECT_EQ(animCrap::Get(100).interval, animCrap::kInitialInterval); // past the file's end
    EXPECT_EQ(animCrap::Get(100).frameCount, 0);
    EXPECT_EQ(animCrap::Get(-1).interval, 0);
    EXPECT_EQ(animCrap::Get(16384).interval, 0);
    EXPECT_TRUE(recorder->contains("'animdata.mul' holds 24 of 16384 records"));
    int increment = 0;
    EXPECT_FALSE(animCrap::StepFrame(0x7FFF, increment));
}

} // namespace
