/* Preloaded into a program on the shell: counts its buffer swaps, and after
 * SWAP_COUNTER_WARM swaps times the next SWAP_COUNTER_FRAMES, prints
 * "frames N seconds S cpu C" on standard error (C: the process's CPU
 * seconds over those frames, all its threads) and ends the process. With
 * SWAP_COUNTER_TRACE set it prints "swap T" at every swap instead, T being
 * CLOCK_MONOTONIC's seconds, for a driver to time what a frame shows. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

static long swaps = 0;
static struct timespec started;
static double startedCpu;

static double CpuSeconds(void)
{
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return (double)(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           (double)(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

static double Since(const struct timespec* start)
{
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (double)(now.tv_sec - start->tv_sec) + (double)(now.tv_nsec - start->tv_nsec) / 1e9;
}

void SDL_GL_SwapWindow(void* window)
{
    static void (*next)(void*) = NULL;
    if (!next)
        next = (void (*)(void*))dlsym(RTLD_NEXT, "SDL_GL_SwapWindow");
    next(window);
    if (getenv("SWAP_COUNTER_TRACE")) {
        struct timespec now;
        clock_gettime(CLOCK_MONOTONIC, &now);
        fprintf(stderr, "swap %.6f\n", (double)now.tv_sec + (double)now.tv_nsec / 1e9);
        return;
    }
    long warm = getenv("SWAP_COUNTER_WARM") ? atol(getenv("SWAP_COUNTER_WARM")) : 60;
    long frames = getenv("SWAP_COUNTER_FRAMES") ? atol(getenv("SWAP_COUNTER_FRAMES")) : 0;
    if (++swaps == warm) {
        clock_gettime(CLOCK_MONOTONIC, &started);
        startedCpu = CpuSeconds();
    }
    if (frames > 0 && swaps == warm + frames) {
        fprintf(stderr, "frames %ld seconds %.6f cpu %.6f\n", frames, Since(&started), CpuSeconds() - startedCpu);
        fflush(stderr);
        _exit(0);
    }
}
