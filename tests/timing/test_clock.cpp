// The animation clock on the platform's performance counter.
#include <gtest/gtest.h>

#include <math.h>
#include <time.h>

#include "diag/Debug.h"
#include "platform/test_hooks.h"
#include "support/work_dir.h"
#include "timing/clock.h"

class Clock : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestHooksReset();
        clockFrequency = 0;
        clockStart = 0;
        secondsPerTick = 0.0f;
    }
};

TEST_F(Clock, ReadsZeroBeforeItIsStarted)
{
    EXPECT_EQ(ElapsedSeconds(), 0.0);
}

TEST_F(Clock, StartsNearZeroAndNeverGoesBack)
{
    ASSERT_EQ(StartClock(), 0);
    double first = ElapsedSeconds();
    EXPECT_GE(first, 0.0);
    EXPECT_LT(first, 0.05);
    double previous = first;
    for (int i = 0; i < 10000; ++i) {
        double now = ElapsedSeconds();
        ASSERT_GE(now, previous);
        previous = now;
    }
}

TEST_F(Clock, ResolutionIsTheNearestFloatToOneTick)
{
    ASSERT_EQ(StartClock(), 0);
    LARGE_INTEGER frequency;
    ASSERT_TRUE(QueryPerformanceFrequency(&frequency));
    EXPECT_EQ(clockFrequency, frequency.QuadPart);
    EXPECT_EQ(secondsPerTick, (float)(1.0 / (double)frequency.QuadPart));
    // One second's worth of ticks reads as one second within float precision.
    double second = (double)clockFrequency * (double)secondsPerTick;
    EXPECT_NEAR(second, 1.0, 1e-7);
}

TEST_F(Clock, MeasuresRealTime)
{
    ASSERT_EQ(StartClock(), 0);
    struct timespec pause = {0, 200 * 1000 * 1000};
    nanosleep(&pause, nullptr);
    double elapsed = ElapsedSeconds();
    EXPECT_GE(elapsed, 0.19);
    EXPECT_LT(elapsed, 1.0);
}

TEST_F(Clock, RestartCountsFromZeroAgain)
{
    ASSERT_EQ(StartClock(), 0);
    clockStart -= clockFrequency * 5;  // as if started five seconds ago
    EXPECT_GE(ElapsedSeconds(), 5.0);
    ASSERT_EQ(StartClock(), 0);
    EXPECT_LT(ElapsedSeconds(), 0.05);
}

TEST_F(Clock, MissingCounterFailsAfterLoggingAndLeavesTheClockAlone)
{
    std::string dir = EnterFreshWorkDir();
    ASSERT_TRUE(WriteFile("vindrel.txt", ""));
    reportDisabled = 1;
    ASSERT_TRUE(ReportOpen());

    clockStart = 1234;
    secondsPerTick = 0.5f;
    TestFailCall("QueryPerformanceFrequency");
    EXPECT_EQ(StartClock(), 1);
    EXPECT_EQ(clockStart, 1234);
    EXPECT_EQ(secondsPerTick, 0.5f);

    ReportClose();
    std::string report = ReadFile("Debug.txt");
    EXPECT_NE(report.find("- Inicializando Timer ...\n\nProgram shutdown. Nice!\n"), std::string::npos) << report;
    LeaveWorkDir(dir);
}
