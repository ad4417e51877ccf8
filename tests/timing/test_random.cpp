// The random source and the random routines.
#include <gtest/gtest.h>

#include "timing/random.h"

class RandomSource : public ::testing::Test {
protected:
    void SetUp() override { randomState = 1; }
};

TEST_F(RandomSource, UnseededSequenceIsTheLinearCongruentialOne)
{
    const int expected[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464};
    for (int value : expected)
        EXPECT_EQ(RandomNext(), value);
}

// Each routine draws exactly one raw value; replaying the raw sequence tells
// which raw value a result came from.
static int NextRaw(uint32_t& state)
{
    state = state * 214013u + 2531011u;
    return (int)((state >> 16) & 0x7FFF);
}

TEST_F(RandomSource, RandomIntAtTheEdges)
{
    // One draw each from 41, 18467, 6334, 26500, 19169, 15724, 11478, 29358.
    EXPECT_EQ(RandomInt(0), 0);
    EXPECT_EQ(RandomInt(-1), 0);
    EXPECT_EQ(RandomInt(32767), 6334);
    EXPECT_EQ(RandomInt(1), 1);
    EXPECT_EQ(RandomInt(1), 1);
    EXPECT_EQ(RandomInt(1), 0);
    // n below -1: toward zero, n + 2..0.
    EXPECT_EQ(RandomInt(-5), -1);
    EXPECT_EQ(RandomInt(-5), -3);
}

TEST_F(RandomSource, RandomIntAboveTheRawRangeReachesOnlyOneResultPerRawValue)
{
    uint32_t shadow = 1;
    for (int i = 0; i < 1000; ++i) {
        int raw = NextRaw(shadow);
        EXPECT_EQ(RandomInt(65535), raw * 2);
    }
}

TEST_F(RandomSource, RandomFloatAtTheEdges)
{
    // One draw each from 41, 18467, 6334, 26500: r x 0.03 (x + 1) / 32767.03.
    EXPECT_EQ(RandomFloat(-1.0f), 0.0f);
    EXPECT_EQ(RandomFloat(0.0f), 0.016907545f);
    EXPECT_EQ(RandomFloat(1.0f), 0.011598243f);
    EXPECT_EQ(RandomFloat(9.0f), 0.24262193f);
}

TEST_F(RandomSource, RandomFloatLargestResultIsJustUnderItsScale)
{
    // The raw value 32767 is the largest; find it in the sequence.
    uint32_t shadow = 1;
    int draws = 0;
    while (NextRaw(shadow) != RANDOM_MAX)
        ++draws;
    for (int i = 0; i < draws; ++i)
        RandomNext();
    float top = RandomFloat(9.0f);
    EXPECT_LT(top, 0.3f);
    EXPECT_GT(top, 0.2999f);
}
