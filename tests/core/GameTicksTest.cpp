#include "AppFixture.h"

#include "core/GameTicks.h"

#include <gtest/gtest.h>

namespace {

using qvtest::AppTest;

TEST(TickDifferenceTest, CountsAcrossTheWrap) {
    struct Case {
        uint32_t now, then;
        int expected;
    } cases[] = {
        {10, 4, 6},          {5, 0xFFFFFFFEu, 6}, // the counter wrapped: one less than the plain difference
        {0, 0xFFFFFFFFu, 0}, {7, 7, 0},           {0x80000000u, 0, static_cast<int>(0x80000000u)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TickDifference(c.now, c.then), c.expected) << c.now << " - " << c.then;
}

class GameTicksTest : public AppTest {};

TEST_F(GameTicksTest, FollowsTheTickCountUntilSwitchedToTheProcessClock) {
    EXPECT_EQ(GetGameTicks(), qvtest::kTickStart);
    Advance(40);
    EXPECT_EQ(GetGameTicks(), qvtest::kTickStart + 40);

    SetClockTickSourceOffset(500);
    UseClockTickSource(true);
    EXPECT_TRUE(IsClockTickSourceActive());
    EXPECT_EQ(GetGameTicks(), qvtest::kProcessStart + 40 + 500);
    platform::AdvanceManualClock(10, 25); // only the process clock counts now
    EXPECT_EQ(GetGameTicks(), qvtest::kProcessStart + 65 + 500);

    UseClockTickSource(false);
    EXPECT_EQ(GetGameTicks(), qvtest::kTickStart + 50);
}

} // namespace
