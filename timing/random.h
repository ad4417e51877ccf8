// The random source and the toolkit's random routines.
//
// The source is our own linear congruential generator with 15-bit results
// (0..32767), started at state 1 and never seeded: every run and every
// platform sees the same sequence. Callers share the one state.
#pragma once

#include <stdint.h>

enum { RANDOM_MAX = 32767 };

extern uint32_t randomState;

// Next raw value, 0..RANDOM_MAX.
int RandomNext();
// 0..n for n >= 0 (n below 2147483647); n + 2..0 for n below -1.
int RandomInt(int n);
// 0 up to just under 0.03 * (x + 1), for x >= -1.
float RandomFloat(float x);
