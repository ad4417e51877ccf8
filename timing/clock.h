// The animation clock: seconds since the last start-up, read from the
// platform's high-resolution performance counter, or, while music plays,
// the music's position (sound/music.h).
//
// The resolution is kept as a 32-bit float, so every reading carries a
// float's relative rounding (about 6e-8 of the value). Before the first
// StartClock every reading is 0.
#pragma once

#include <stdint.h>

extern int64_t clockFrequency;  // counter ticks per second
extern int64_t clockStart;      // counter value at the last StartClock
extern float secondsPerTick;    // 1 / clockFrequency

// 0 when the clock runs, 1 when the platform has no high-resolution counter.
int StartClock();
// Absolute seconds since the last StartClock, not a per-frame delta; the
// music's position while it plays.
double ElapsedSeconds();
// Moves the counter's origin so that the clock reads `seconds` now: when
// music stops, the clock goes on from where the music was.
void ContinueClockFrom(double seconds);
