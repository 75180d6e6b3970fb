#include "app/frame_timer.h"

#include <gtest/gtest.h>

namespace {
double g_now = 0.0;
double FakeClock() { return g_now; }

class FrameTimerTest : public ::testing::Test {
protected:
    void SetUp() override { g_now = 100.0; }
    FrameTimer timer{FakeClock};
};

TEST_F(FrameTimerTest, FirstElapsedAfterStartIsTheTimeSinceTheStart) {
    timer(kTimerStart);
    g_now = 100.25;
    EXPECT_FLOAT_EQ(timer(kTimerElapsed), 0.25f);
}

TEST_F(FrameTimerTest, TwoElapsedQueriesInARowReturnTheTimeBetweenThem) {
    timer(kTimerStart);
    g_now = 101.0;
    timer(kTimerElapsed);
    g_now = 101.5;
    EXPECT_FLOAT_EQ(timer(kTimerElapsed), 0.5f);
    EXPECT_FLOAT_EQ(timer(kTimerElapsed), 0.0f);
}

TEST_F(FrameTimerTest, StoppedClockDoesNotAdvanceButAbsoluteTimeDoes) {
    timer(kTimerStart);
    g_now = 102.0;
    timer(kTimerStop);
    EXPECT_TRUE(timer.IsStopped());
    g_now = 110.0;
    EXPECT_FLOAT_EQ(timer(kTimerElapsed), 0.0f);
    EXPECT_FLOAT_EQ(timer(kTimerElapsed), 0.0f);
    EXPECT_FLOAT_EQ(timer(kTimerAbsolute), 110.0f);
    // A second stop keeps the first stop time.
    timer(kTimerStop);
    EXPECT_FLOAT_EQ(timer(kTimerElapsed), 0.0f);
}

TEST_F(FrameTimerTest, StartAfterStopResumesFromTheStartTime) {
    timer(kTimerStop);
    g_now = 120.0;
    timer(kTimerStart);
    EXPECT_FALSE(timer.IsStopped());
    g_now = 120.125;
    EXPECT_FLOAT_EQ(timer(kTimerElapsed), 0.125f);
}

TEST_F(FrameTimerTest, CommandsWithoutAResultReturnZero) {
    EXPECT_EQ(timer(kTimerStart), 0.0f);
    EXPECT_EQ(timer(kTimerStop), 0.0f);
    EXPECT_EQ(timer(3), 0.0f);
}

TEST(FrameTimerRealClock, ElapsedTimeIsNeverNegative) {
    FrameTimer timer;
    timer(kTimerStart);
    for (int i = 0; i < 1000; ++i) EXPECT_GE(timer(kTimerElapsed), 0.0f);
}
}  // namespace
