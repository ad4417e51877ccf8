// Start-up of the program itself, run as a child of bench_startup: WinMain
// on our layer with the shipped frame, the full-screen question answered
// No by the layer's hooks (nobody is there to press a key). At the first
// loop pass after the first buffer swap it writes the monotonic time in
// nanoseconds to standard output and ends.
#include <stdio.h>
#include <time.h>
#include <unistd.h>

#include "platform/platform.h"
#include "platform/test_hooks.h"

enum { WATCHED_PASSES = 16 };

static void ReportAfterFirstSwap()
{
    if (TestCallCount("SwapBuffers") < 1)
        return;
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    printf("%lld\n", (long long)now.tv_sec * 1000000000LL + now.tv_nsec);
    fflush(stdout);
    _exit(0);
}

int main()
{
    TestHooksReset();
    TestQueueMessageBoxAnswer(IDNO);
    for (int pass = 1; pass <= WATCHED_PASSES; ++pass)
        TestCallAtPass(pass, ReportAfterFirstSwap);
    // No frame within the watched passes: say so and stop.
    TestInjectAtPass(WATCHED_PASSES + 1, TEST_EVENT_KEY_DOWN, "Escape");
    WinMain(GetModuleHandleA(NULL), NULL, (LPSTR) "", SW_SHOWDEFAULT);
    fprintf(stderr, "no frame within %d loop passes\n", WATCHED_PASSES);
    return 1;
}
