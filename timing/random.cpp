#include "timing/random.h"

uint32_t randomState = 1;

int RandomNext()
{
    // Unsigned arithmetic wraps modulo 2^32, as the generator requires.
    randomState = randomState * 214013u + 2531011u;
    return (int)((randomState >> 16) & 0x7FFF);
}

int RandomInt(int n)
{
    // n + 1 wraps in 32 bits before widening; RandomInt's range excludes
    // 2147483647, where that would overflow.
    double span = (double)(int)((uint32_t)n + 1u) * 1.0;
    int r = RandomNext();
    // Divides by RANDOM_MAX + 1 so the result never reaches n + 1.
    return (int)((double)r * span / 32768.0);
}

float RandomFloat(float x)
{
    double scale = ((double)x + 1.0) * 0.03;
    int r = RandomNext();
    return (float)((double)r * scale / 32767.03);
}
