// The allocator entry points that a program may replace, each counted and
// handed to the C library's own allocator (glibc's __libc_* entry points).
// free and malloc_usable_size stay the C library's: the blocks are its.
#include "alloc_counter.h"

#include <errno.h>
#include <pthread.h>
#include <stddef.h>
#include <stdint.h>

extern void* __libc_malloc(size_t size);
extern void* __libc_calloc(size_t count, size_t size);
extern void* __libc_realloc(void* block, size_t size);
extern void* __libc_memalign(size_t alignment, size_t size);

static unsigned long allCount;
static unsigned long watchedCount;
static pthread_t watchedThread;
static int watching;

static void Count(void)
{
    __atomic_fetch_add(&allCount, 1, __ATOMIC_RELAXED);
    if (watching && pthread_equal(pthread_self(), watchedThread))
        ++watchedCount;
}

void AllocCounterWatchThisThread(void)
{
    watchedThread = pthread_self();
    watching = 1;
}

unsigned long AllocCountAll(void)
{
    return __atomic_load_n(&allCount, __ATOMIC_RELAXED);
}

unsigned long AllocCountWatched(void)
{
    return watchedCount;
}

void* malloc(size_t size)
{
    Count();
    return __libc_malloc(size);
}

void* calloc(size_t count, size_t size)
{
    Count();
    return __libc_calloc(count, size);
}

void* realloc(void* block, size_t size)
{
    Count();
    return __libc_realloc(block, size);
}

void* memalign(size_t alignment, size_t size)
{
    Count();
    return __libc_memalign(alignment, size);
}

void* aligned_alloc(size_t alignment, size_t size)
{
    Count();
    return __libc_memalign(alignment, size);
}

int posix_memalign(void** block, size_t alignment, size_t size)
{
    if (alignment < sizeof(void*) || (alignment & (alignment - 1)) != 0)
        return EINVAL;
    Count();
    void* got = __libc_memalign(alignment, size);
    if (!got)
        return ENOMEM;
    *block = got;
    return 0;
}
