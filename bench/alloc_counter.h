// Counts heap allocations made anywhere in the process (malloc, calloc,
// realloc, the aligned allocators and, through them, operator new), and
// apart those made on one chosen thread. Linked into a benchmark, it
// replaces the C library's allocator entry points and forwards to the C
// library's own allocator, so every shared library the program loads is
// counted too. Benchmarks only: it must not meet a sanitizer's allocator.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

// From now on, allocations made on the calling thread are also counted
// apart.
void AllocCounterWatchThisThread(void);
unsigned long AllocCountAll(void);
unsigned long AllocCountWatched(void);

#ifdef __cplusplus
}
#endif
