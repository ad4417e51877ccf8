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
    uint32_t shadow = 1;
    for (int i = 0; i < 2000; ++i) {
        EXPECT_EQ(RandomInt(0), 0);
        NextRaw(shadow);
        EXPECT_EQ(RandomInt(-1), 0);
        NextRaw(shadow);

        int raw = NextRaw(shadow);
        EXPECT_EQ(RandomInt(32767), raw);

        raw = NextRaw(shadow);
        EXPECT_EQ(RandomInt(1), raw <= 16383 ? 0 : 1);

        raw = NextRaw(shadow);
        int negative = RandomInt(-5);
        EXPECT_EQ(negative, (int)(raw * -4.0 / 32768.0));
        EXPECT_GE(negative, -3);
        EXPECT_LE(negative, 0);
    }
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
    uint32_t shadow = 1;
    for (int i = 0; i < 2000; ++i) {
        EXPECT_EQ(RandomFloat(-1.0f), 0.0f);
        NextRaw(shadow);

        int raw = NextRaw(shadow);
        float value = RandomFloat(0.0f);
        EXPECT_EQ(value, (float)(raw * 0.03 / 32767.03));
        EXPECT_GE(value, 0.0f);
        EXPECT_LT(value, 0.03f);
    }
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
