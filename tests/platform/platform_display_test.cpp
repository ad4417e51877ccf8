// Display modes, the cursor counter, message boxes and the failure hook.
#include "layer_test_fixture.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>

using LayerDisplay = LayerTest;

static DEVMODEA Mode(DWORD width, DWORD height, DWORD bits)
{
    DEVMODEA mode = {};
    mode.dmSize = 148;
    mode.dmPelsWidth = width;
    mode.dmPelsHeight = height;
    mode.dmBitsPerPel = bits;
    mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
    return mode;
}

TEST_F(LayerDisplay, SizeTheDisplayLacksIsRefusedAtEveryDepth)
{
    DEVMODEA current = {};
    ASSERT_TRUE(EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &current));
    ASSERT_NE(current.dmPelsWidth, 640u) << "the display must not offer 640x480 for this case";
    for (DWORD bits : {32u, 16u}) {
        DEVMODEA asked = Mode(640, 480, bits);
        EXPECT_EQ(ChangeDisplaySettingsA(&asked, CDS_FULLSCREEN), DISP_CHANGE_BADMODE) << bits;
    }
    EXPECT_EQ(TestDisplayModeWidth(), 0);
}

// Each size is listed at 16 bits too, and full screen takes a size the
// display has at any depth, as Windows does by emulating it.
TEST_F(LayerDisplay, DesktopSizeIsListedAt16BitsAndTakenFullScreenAtAnyDepth)
{
    DEVMODEA current = {};
    ASSERT_TRUE(EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &current));
    EXPECT_GE(current.dmBitsPerPel, 24u);
    int depthsListed = 0;
    DEVMODEA listed = {};
    for (DWORD i = 0; EnumDisplaySettingsA(nullptr, i, &listed); ++i)
        if (listed.dmPelsWidth == current.dmPelsWidth && listed.dmPelsHeight == current.dmPelsHeight)
            depthsListed |= listed.dmBitsPerPel == 16 ? 1 : listed.dmBitsPerPel == current.dmBitsPerPel ? 2 : 4;
    EXPECT_EQ(depthsListed, 3);

    DEVMODEA asked = Mode(current.dmPelsWidth, current.dmPelsHeight, 16);
    EXPECT_EQ(ChangeDisplaySettingsA(&asked, CDS_TEST), DISP_CHANGE_SUCCESSFUL);
    asked.dmBitsPerPel = 8;
    EXPECT_EQ(ChangeDisplaySettingsA(&asked, 0), DISP_CHANGE_BADMODE);
    EXPECT_EQ(TestDisplayModeWidth(), 0);
    EXPECT_EQ(ChangeDisplaySettingsA(&asked, CDS_FULLSCREEN), DISP_CHANGE_SUCCESSFUL);
    EXPECT_EQ(TestDisplayModeBits(), 8);

    asked.dmBitsPerPel = 16;
    EXPECT_EQ(ChangeDisplaySettingsA(&asked, CDS_FULLSCREEN), DISP_CHANGE_SUCCESSFUL);
    EXPECT_EQ(TestDisplayModeWidth(), (int)current.dmPelsWidth);
    EXPECT_EQ(TestDisplayModeHeight(), (int)current.dmPelsHeight);
    EXPECT_EQ(TestDisplayModeBits(), 16);
    EXPECT_EQ(ChangeDisplaySettingsA(nullptr, 0), DISP_CHANGE_SUCCESSFUL);
    EXPECT_EQ(TestDisplayModeWidth(), 0);
}

TEST_F(LayerDisplay, CursorCounterHidesBelowZero)
{
    EXPECT_EQ(ShowCursor(FALSE), -1);
    EXPECT_EQ(TestCursorCount(), -1);
    EXPECT_EQ(ShowCursor(FALSE), -2);
    EXPECT_EQ(ShowCursor(TRUE), -1);
    EXPECT_EQ(ShowCursor(TRUE), 0);
}

TEST_F(LayerDisplay, FailingNamedCallsGiveTheirFailureValuesWithoutEffect)
{
    HWND hWnd = OpenWindow(WS_POPUP, 32, 32);
    HDC hDC = GetDC(hWnd);
    PIXELFORMATDESCRIPTOR pfd = Request(32, 16, true);

    TestFailCall("ChoosePixelFormat", 2);
    EXPECT_GT(ChoosePixelFormat(hDC, &pfd), 0);
    EXPECT_EQ(ChoosePixelFormat(hDC, &pfd), 0);
    EXPECT_GT(ChoosePixelFormat(hDC, &pfd), 0);
    EXPECT_EQ(TestCallCount("ChoosePixelFormat"), 3);

    TestFailCall("SetPixelFormat");
    EXPECT_FALSE(SetPixelFormat(hDC, 1, &pfd));
    EXPECT_EQ(GetPixelFormat(hDC), 0);
    EXPECT_TRUE(SetPixelFormat(hDC, 1, &pfd));

    TestFailCall("wglCreateContext");
    EXPECT_EQ(wglCreateContext(hDC), nullptr);
    EXPECT_EQ(TestLiveContexts(), 0);

    TestFailCall("RegisterClassA");
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = LoggingProc;
    windowClass.lpszClassName = "Other";
    EXPECT_EQ(RegisterClassA(&windowClass), 0);
    EXPECT_EQ(TestRegisteredClasses(), 1);

    TestFailCall("DestroyWindow");
    EXPECT_FALSE(DestroyWindow(hWnd));
    EXPECT_TRUE(IsWindow(hWnd));

    TestFailCall("GetModuleHandleA");
    EXPECT_EQ(GetModuleHandleA(nullptr), nullptr);
    EXPECT_NE(GetModuleHandleA(nullptr), nullptr);

    LARGE_INTEGER frequency;
    frequency.QuadPart = 0;
    TestFailCall("QueryPerformanceFrequency");
    EXPECT_FALSE(QueryPerformanceFrequency(&frequency));
    EXPECT_TRUE(QueryPerformanceFrequency(&frequency));
    EXPECT_GT(frequency.QuadPart, 0);

    DEVMODEA current = {};
    EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &current);
    DEVMODEA asked = Mode(current.dmPelsWidth, current.dmPelsHeight, 32);
    TestFailCall("ChangeDisplaySettingsA");
    EXPECT_EQ(ChangeDisplaySettingsA(&asked, CDS_FULLSCREEN), DISP_CHANGE_BADMODE);
    EXPECT_EQ(TestDisplayModeWidth(), 0);
}

TEST_F(LayerDisplay, InterceptedBoxesAreRecordedAndAnswered)
{
    TestQueueMessageBoxAnswer(IDNO);
    EXPECT_EQ(MessageBoxA(nullptr, "\xBF" "A pantalla completa?", "Orlath - Brenvik!", MB_YESNO | MB_ICONQUESTION),
              IDNO);
    EXPECT_EQ(MessageBoxA(nullptr, "Again", "Q", MB_YESNO), IDYES);
    EXPECT_EQ(MessageBoxA(nullptr, "Note", "SHUTDOWN ERROR", MB_OK | MB_ICONINFORMATION), IDOK);
    ASSERT_EQ(TestMessageBoxCount(), 3);
    const TestMessageBox* first = TestMessageBoxAt(0);
    EXPECT_STREQ(first->text, "\xBF" "A pantalla completa?");
    EXPECT_STREQ(first->caption, "Orlath - Brenvik!");
    EXPECT_EQ(first->flags, (UINT)0x24);
    EXPECT_EQ(first->answer, IDNO);
    EXPECT_EQ(TestMessageBoxAt(3), nullptr);
}

static bool Headless()
{
    const char* driver = getenv("SDL_VIDEODRIVER");
    return driver && strcmp(driver, "offscreen") == 0;
}

TEST_F(LayerDisplay, BoxWithoutADisplayGoesToStandardErrorWithItsDefault)
{
    if (!Headless())
        GTEST_SKIP() << "a real box would wait for a click";
    TestHooksDisable();
    ::testing::internal::CaptureStderr();
    int yesNo = MessageBoxA(nullptr, "\xBF" "A pantalla completa? (640x480 32bpp)", "Orlath - Brenvik!",
                            MB_YESNO | MB_ICONQUESTION);
    int ok = MessageBoxA(nullptr, "Window Creation Error.", "ERROR", MB_OK | MB_ICONEXCLAMATION);
    std::string written = ::testing::internal::GetCapturedStderr();
    TestHooksReset();
    EXPECT_EQ(yesNo, IDYES);
    EXPECT_EQ(ok, IDOK);
    EXPECT_EQ(written,
              "Orlath - Brenvik!: \xC2\xBF" "A pantalla completa? (640x480 32bpp)\n"
              "(no one to ask: answered Yes)\n"
              "ERROR: Window Creation Error.\n");
    EXPECT_EQ(TestMessageBoxCount(), 0);
}

TEST_F(LayerDisplay, WithoutVideoBoxesStillAnswerAndWindowsAreRefused)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            setenv("SDL_VIDEODRIVER", "no-such-driver", 1);
            TestHooksDisable();
            int answer = MessageBoxA(nullptr, "Program Will Now Close.", "ERROR", MB_OK | MB_ICONHAND);
            HWND hWnd = CreateWindowExA(0, TestClassName(), "x", WS_POPUP, 0, 0, 64, 64, nullptr, nullptr,
                                        nullptr, nullptr);
            exit(answer == IDOK && !hWnd ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "ERROR: Program Will Now Close.\n");
}
