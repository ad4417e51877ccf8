#include "timing/clock.h"

#include "diag/Debug.h"
#include "platform/platform.h"
#include "sound/music.h"

int64_t clockFrequency = 0;
int64_t clockStart = 0;
float secondsPerTick = 0.0f;

int StartClock()
{
    // Logged before probing, so the report shows the attempt even when the
    // counter is missing.
    ReportWrite("- Inicializando Timer ...\n");

    LARGE_INTEGER value;
    if (!QueryPerformanceFrequency(&value))
        return 1;
    clockFrequency = value.QuadPart;

    QueryPerformanceCounter(&value);
    clockStart = value.QuadPart;

    // The reciprocal is taken once so that a reading costs one multiply.
    secondsPerTick = (float)(1.0 / (double)clockFrequency);
    return 0;
}

double ElapsedSeconds()
{
    // A demo written against the clock follows its music unchanged.
    if (musicPlaying)
        return MusicSeconds();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    int64_t ticks = now.QuadPart - clockStart;
    return (double)ticks * (double)secondsPerTick;
}

void ContinueClockFrom(double seconds)
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    clockStart = now.QuadPart - (int64_t)(seconds * (double)clockFrequency);
}
