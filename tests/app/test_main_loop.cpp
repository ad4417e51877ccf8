// The entry point and its message-and-frame loop, run in process on the
// offscreen driver with events injected at chosen loop passes.
#include "app_fixture.h"

#include <dirent.h>

#include "app/main_loop.h"

static int RunProgram()
{
    return WinMain(GetModuleHandleA(NULL), NULL, (LPSTR) "", SW_SHOWDEFAULT);
}

using MainLoop = ShellTest;

TEST_F(MainLoop, AsksTheQuestionAndEscapeEndsWithTheLastMessagesCode)
{
    TestQueueMessageBoxAnswer(IDNO);
    TestInjectAtPass(20, TEST_EVENT_KEY_DOWN, "Escape");
    EXPECT_EQ(RunProgram(), 27);

    ASSERT_EQ(TestMessageBoxCount(), 1);
    EXPECT_EQ(BoxText(0), "\xBF" "A pantalla completa? (640x480 32bpp)");
    EXPECT_EQ(BoxCaption(0), "Orlath - Brenvik!");
    EXPECT_EQ(BoxFlags(0), (UINT)(MB_YESNO | MB_ICONQUESTION));
    EXPECT_EQ(TestMessageBoxAt(0)->owner, nullptr);

    EXPECT_GT(TestCallCount("SwapBuffers"), 0);
    EXPECT_EQ(TestCallCount("DestroyWindow"), 1);
    EXPECT_EQ(hWnd, nullptr);
}

TEST_F(MainLoop, CloseButtonEndsWithStatusZeroAndOneTeardown)
{
    TestQueueMessageBoxAnswer(IDNO);
    TestInjectAtPass(10, TEST_EVENT_CLOSE);
    EXPECT_EQ(RunProgram(), 0);
    EXPECT_EQ(TestCallCount("DestroyWindow"), 1);
    EXPECT_EQ(TestCallCount("UnregisterClassA"), 1);
}

// A Yes/No box that Escape ends with IDCANCEL must not go full screen.
TEST_F(MainLoop, StartQuestionEndedByCancelOpensAWindow)
{
    TestQueueMessageBoxAnswer(IDCANCEL);
    TestInjectAtPass(5, TEST_EVENT_KEY_DOWN, "Escape");
    EXPECT_EQ(RunProgram(), 27);
    EXPECT_FALSE(fullscreenMode);
    EXPECT_EQ(TestMessageBoxCount(), 1);
    EXPECT_EQ(TestCallCount("ChangeDisplaySettingsA"), 0);
}

TEST_F(MainLoop, YesWithoutTheModeFallsBackToAWindowWhenTheUserAgrees)
{
    TestQueueMessageBoxAnswer(IDYES);
    TestQueueMessageBoxAnswer(IDYES);
    TestInjectAtPass(5, TEST_EVENT_KEY_DOWN, "Escape");
    EXPECT_EQ(RunProgram(), 27);
    EXPECT_FALSE(fullscreenMode);
    ASSERT_EQ(TestMessageBoxCount(), 2);
    EXPECT_EQ(BoxCaption(1), "Kivo GL");
}

TEST_F(MainLoop, RefusedFallbackEndsWithStatusZeroAndNoFrame)
{
    TestQueueMessageBoxAnswer(IDYES);
    TestQueueMessageBoxAnswer(IDNO);
    EXPECT_EQ(RunProgram(), 0);
    EXPECT_EQ(BoxText(2), "Program Will Now Close.");
    EXPECT_EQ(TestLoopPass(), 0);
}

TEST_F(MainLoop, F1RebuildsTheWindowInTheOtherModeWithTheSwitchedTitle)
{
    TestQueueMessageBoxAnswer(IDNO);
    // Window -> full screen at 16 bits, which the offscreen display lacks.
    TestQueueMessageBoxAnswer(IDYES);
    TestInjectAtPass(5, TEST_EVENT_KEY_DOWN, "F1");
    TestInjectAtPass(40, TEST_EVENT_KEY_DOWN, "Escape");
    EXPECT_EQ(RunProgram(), 27);

    ASSERT_EQ(TestMessageBoxCount(), 2);
    EXPECT_EQ(BoxCaption(1), "Kivo GL");
    EXPECT_EQ(TestCallCount("CreateWindowExA"), 2);
    EXPECT_EQ(TestCallCount("DestroyWindow"), 2);
    EXPECT_STREQ(TestLastWindowTitle(), "Kivo's OpenGL Framework");
    DWORD flags = 0;
    const DEVMODEA* asked = TestLastDisplayRequest(&flags);
    EXPECT_EQ(asked->dmPelsWidth * 10000 + asked->dmPelsHeight, 6400480u);
    EXPECT_EQ(asked->dmBitsPerPel, 16u);
    EXPECT_EQ(flags, (DWORD)CDS_FULLSCREEN);
    // The pixel-format request is still the first window's.
    EXPECT_EQ(pfd.cColorBits, 32);
    EXPECT_FALSE(keyDown[112]);
}

TEST_F(MainLoop, HeldMDrawsNothingWhileMessagesAreStillHandled)
{
    TestQueueMessageBoxAnswer(IDNO);
    TestInjectAtPass(1, TEST_EVENT_KEY_DOWN, "M");
    TestInjectAtPass(200, TEST_EVENT_CLOSE);
    EXPECT_EQ(RunProgram(), 0);
    EXPECT_EQ(TestCallCount("SwapBuffers"), 0);
    EXPECT_GE(TestLoopPass(), 200);
}

TEST_F(MainLoop, MinimisedWindowIgnoresEscapeButHonoursF1)
{
    TestQueueMessageBoxAnswer(IDNO);
    TestQueueMessageBoxAnswer(IDYES);
    TestInjectAtPass(1, TEST_EVENT_MINIMIZE);
    TestInjectAtPass(10, TEST_EVENT_KEY_DOWN, "Escape");
    TestInjectAtPass(60, TEST_EVENT_KEY_DOWN, "F1");
    // The new window is shown active, so the Escape still held ends the run.
    RunProgram();
    EXPECT_EQ(TestCallCount("SwapBuffers"), 0);
    EXPECT_EQ(TestCallCount("CreateWindowExA"), 2);
    EXPECT_GE(TestLoopPass(), 60);
}

// The loop that Escape has ended still rebuilds; a rebuild that fails ends
// the program with 0 and no teardown beyond the failed open's own.
TEST_F(MainLoop, EscapeAndF1TogetherRebuildFirstAndAFailedRebuildEndsWithZero)
{
    TestQueueMessageBoxAnswer(IDNO);
    TestQueueMessageBoxAnswer(IDYES);
    TestInjectAtPass(5, TEST_EVENT_KEY_DOWN, "Escape");
    TestInjectAtPass(5, TEST_EVENT_KEY_DOWN, "F1");
    TestFailCall("CreateWindowExA", 2);
    EXPECT_EQ(RunProgram(), 0);
    EXPECT_EQ(TestCallCount("CreateWindowExA"), 2);
    EXPECT_EQ(BoxText(TestMessageBoxCount() - 1), "Window Creation Error.");
    EXPECT_EQ(TestCallCount("UnregisterClassA"), 2);
}

TEST_F(MainLoop, PressAndReleaseArrivingTogetherAreNeverSeen)
{
    TestQueueMessageBoxAnswer(IDNO);
    TestInjectAtPass(5, TEST_EVENT_KEY_DOWN, "Escape");
    TestInjectAtPass(5, TEST_EVENT_KEY_UP, "Escape");
    TestInjectAtPass(30, TEST_EVENT_CLOSE);
    EXPECT_EQ(RunProgram(), 0);
}

TEST_F(MainLoop, KeyHandlerEndsTheProcessOnlyOnEscape)
{
    KeyHandler(77);
    KeyHandler(0);
    KeyHandler(255);
    EXPECT_EXIT(KeyHandler(27), ::testing::ExitedWithCode(0), "");
}

static int OpenDescriptors()
{
    int count = 0;
    DIR* fds = opendir("/proc/self/fd");
    while (fds && readdir(fds))
        ++count;
    if (fds)
        closedir(fds);
    return count;
}

static long ResidentKilobytes()
{
    FILE* status = fopen("/proc/self/status", "r");
    char line[256];
    long kb = -1;
    while (status && fgets(line, sizeof line, status))
        if (sscanf(line, "VmRSS: %ld kB", &kb) == 1)
            break;
    if (status)
        fclose(status);
    return kb;
}

TEST_F(MainLoop, FiftyRebuildsLeaveWindowsContextsFilesAndMemoryFlat)
{
    ASSERT_TRUE(WriteFile("vindrel.txt", ""));
    TestQueueMessageBoxAnswer(IDNO);
    // Every other rebuild asks for full screen and falls back to a window.
    for (int i = 0; i < 50; ++i)
        TestQueueMessageBoxAnswer(IDYES);
    // Warm up first, so that the heap's and the driver's one-time growth
    // (which levels off within a few dozen windows) is not counted.
    const int warmUp = 50, rebuilds = 50;
    int pass = 10;
    for (int i = 0; i < warmUp + rebuilds; ++i, pass += 8)
        TestInjectAtPass(pass, TEST_EVENT_KEY_DOWN, "F1");
    TestInjectAtPass(pass + 8, TEST_EVENT_KEY_DOWN, "Escape");

    // Measured from inside the run: the hook calls back at a chosen pass.
    static int descriptorsAfterWarmUp, descriptorsAtEnd;
    static long residentAfterWarmUp, residentAtEnd;
    TestCallAtPass(10 + warmUp * 8 + 5, [] {
        descriptorsAfterWarmUp = OpenDescriptors();
        residentAfterWarmUp = ResidentKilobytes();
        EXPECT_EQ(TestLiveWindows(), 1);
        EXPECT_EQ(TestLiveContexts(), 1);
    });
    TestCallAtPass(pass + 5, [] {
        descriptorsAtEnd = OpenDescriptors();
        residentAtEnd = ResidentKilobytes();
        EXPECT_EQ(TestLiveWindows(), 1);
        EXPECT_EQ(TestLiveContexts(), 1);
        EXPECT_EQ(TestLiveDCs(), 1);
    });
    EXPECT_EQ(RunProgram(), 27);

    EXPECT_EQ(TestCallCount("CreateWindowExA"), 1 + warmUp + rebuilds);
    EXPECT_EQ(descriptorsAtEnd, descriptorsAfterWarmUp);
    printf("[ measured ] RSS after %d rebuilds: %ld kB -> %ld kB (%+ld kB)\n", rebuilds, residentAfterWarmUp,
           residentAtEnd, residentAtEnd - residentAfterWarmUp);
    EXPECT_LT(residentAtEnd - residentAfterWarmUp, 1024);
}
