// The fuzz targets' input goes to the readers as a real file, since they
// take a path. It lives in memory-backed storage where there is some, one
// file per process.
#pragma once

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

inline const char* FuzzInputPath()
{
    static char path[64];
    if (!path[0])
        snprintf(path, sizeof path, "%s/orlath-fuzz-%d.tga", access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp",
                 int(getpid()));
    return path;
}

inline void WriteFuzzInput(const uint8_t* data, size_t size)
{
    FILE* file = fopen(FuzzInputPath(), "wb");
    if (!file || fwrite(data, 1, size, file) != size || fclose(file) != 0)
        abort();
}

inline void RemoveFuzzInput()
{
    unlink(FuzzInputPath());
}

// Allocations above 32 MiB fail, as the allocator's refusal would on a
// smaller machine (see the sanitizer options in each target; libFuzzer
// itself needs about 20 MiB). That drives
// the no-memory refusal, and keeps every run fast: a header may ask for a
// big buffer with nothing behind it, and under ASan a big buffer is slow to
// make and to free.
enum : uint64_t { FUZZ_ALLOCATION_LIMIT = uint64_t(32) << 20 };

#define FUZZ_SANITIZER_OPTIONS "allocator_may_return_null=1:max_allocation_size_mb=32"

// Stops the run on a mismatch, with the reason, so libFuzzer keeps the input.
#define FUZZ_CHECK(condition)                                                               \
    do {                                                                                    \
        if (!(condition)) {                                                                 \
            fprintf(stderr, "fuzz check failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__); \
            abort();                                                                        \
        }                                                                                   \
    } while (0)
