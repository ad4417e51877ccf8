// Start-up of the program with music, run as a child of bench_music: as
// bench_startup_ours (WinMain, the shipped frame, the question answered No),
// with a StartDemo that plays the track named by BENCH_MUSIC when it is set,
// so that the same binary is timed with and without a track.
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include "platform/platform.h"
#include "platform/test_hooks.h"
#include "sound/music.h"

enum { WATCHED_PASSES = 16 };

bool StartDemo()
{
    const char* track = getenv("BENCH_MUSIC");
    return !track || PlayMusic(track);
}

static void ReportAfterFirstSwap()
{
    if (TestCallCount("SwapBuffers") < 1)
        return;
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    printf("%lld\n", (long long)now.tv_sec * 1000000000LL + now.tv_nsec);
    fflush(stdout);
    _exit(musicPlaying == (getenv("BENCH_MUSIC") != nullptr) ? 0 : 1);
}

int main()
{
    TestHooksReset();
    TestQueueMessageBoxAnswer(IDNO);
    for (int pass = 1; pass <= WATCHED_PASSES; ++pass)
        TestCallAtPass(pass, ReportAfterFirstSwap);
    TestInjectAtPass(WATCHED_PASSES + 1, TEST_EVENT_KEY_DOWN, "Escape");
    WinMain(GetModuleHandleA(NULL), NULL, (LPSTR) "", SW_SHOWDEFAULT);
    fprintf(stderr, "no frame within %d loop passes\n", WATCHED_PASSES);
    return 1;
}
