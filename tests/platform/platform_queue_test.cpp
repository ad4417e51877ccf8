// The message queue and the translation of native input into the
// messages the system's window procedure and main loop rely on.
#include "layer_test_fixture.h"

using LayerQueue = LayerTest;

static std::vector<UINT> Numbers(const std::vector<MSG>& messages)
{
    std::vector<UINT> numbers;
    for (const MSG& msg : messages)
        numbers.push_back(msg.message);
    return numbers;
}

TEST_F(LayerQueue, QuitComesAfterEarlierAndLaterPostedMessages)
{
    HWND hWnd = OpenWindow(WS_POPUP, 64, 64);
    PostMessageA(hWnd, WM_USER, 1, 0);
    PostQuitMessage(3);
    PostMessageA(hWnd, WM_USER, 2, 0);
    std::vector<MSG> taken = Pump(4);
    ASSERT_EQ(taken.size(), 3u);
    EXPECT_EQ(taken[0].wParam, 1u);
    EXPECT_EQ(taken[1].wParam, 2u);
    EXPECT_EQ(taken[2].message, (UINT)WM_QUIT);
    EXPECT_EQ(taken[2].wParam, 3u);
    EXPECT_EQ(taken[2].hwnd, nullptr);
}

TEST_F(LayerQueue, PeekWithoutRemoveLeavesTheMessageAndFiltersApply)
{
    HWND first = OpenWindow(WS_POPUP, 64, 64);
    HWND second = OpenWindow(WS_POPUP, 64, 64);
    PostMessageA(first, WM_USER, 1, 0);
    PostMessageA(second, WM_USER + 1, 2, 0);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.wParam, 1u);
    ASSERT_TRUE(PeekMessageA(&msg, second, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 2u);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_USER + 1, WM_USER + 1, PM_REMOVE));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 1u);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(LayerQueue, FullQueueDropsTheNewestAndKeepsGoing)
{
    HWND hWnd = OpenWindow(WS_POPUP, 64, 64);
    int accepted = 0;
    for (int i = 0; i < 1100; ++i)
        accepted += PostMessageA(hWnd, WM_USER, (WPARAM)i, 0);
    EXPECT_EQ(accepted, 1024);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 0u);
    EXPECT_TRUE(PostMessageA(hWnd, WM_USER, 7, 0));
    EXPECT_FALSE(PostMessageA((HWND)(uintptr_t)0x1234, WM_USER, 0, 0));
}

TEST_F(LayerQueue, InjectedEscapeBecomesKeyDownThenCharacter)
{
    HWND hWnd = OpenWindow(WS_POPUP, 64, 64);
    TestInjectAtPass(2, TEST_EVENT_KEY_DOWN, "Escape");
    TestInjectAtPass(2, TEST_EVENT_KEY_UP, "Escape");
    EXPECT_TRUE(Pump(1).empty());
    std::vector<MSG> taken = Pump(4);
    std::vector<UINT> expected = {WM_KEYDOWN, WM_CHAR, WM_KEYUP};
    ASSERT_EQ(Numbers(taken), expected);
    EXPECT_EQ(taken[0].wParam, (WPARAM)VK_ESCAPE);
    EXPECT_EQ(taken[0].hwnd, hWnd);
    EXPECT_EQ(taken[0].lParam & 0xC000FFFF, 1);
    EXPECT_EQ(taken[1].wParam, 27u);
    EXPECT_EQ((uint32_t)taken[2].lParam & 0xC0000000u, 0xC0000000u);
    EXPECT_EQ(TestLoopPass(), 5);
}

TEST_F(LayerQueue, KeysMapToVirtualKeyCodes)
{
    OpenWindow(WS_POPUP, 64, 64);
    const char* names[] = {"F1", "M", "7", "Space", "Return", "Left", "Down", "Left Shift", "Left Alt", "F12", "Keypad 3"};
    WPARAM codes[] = {112, 77, '7', 32, 13, 37, 40, 16, 18, 123, 0x63};
    for (const char* name : names)
        TestInjectAtPass(1, TEST_EVENT_KEY_DOWN, name);
    TestInjectAtPass(1, TEST_EVENT_KEY_DOWN, "Not A Key");
    std::vector<MSG> taken;
    for (int i = 0; i < 11; ++i) {
        MSG msg;
        ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) << i;
        taken.push_back(msg);
    }
    MSG extra;
    EXPECT_FALSE(PeekMessageA(&extra, nullptr, 0, 0, PM_REMOVE));
    for (int i = 0; i < 11; ++i)
        EXPECT_EQ(taken[i].wParam, codes[i]) << names[i];
    // Alt is a system key, as on Win32.
    EXPECT_EQ(taken[8].message, (UINT)WM_SYSKEYDOWN);
    EXPECT_EQ(taken[0].message, (UINT)WM_KEYDOWN);
}

TEST_F(LayerQueue, LettersTranslateLowercaseUnlessShifted)
{
    OpenWindow(WS_POPUP, 64, 64);
    TestInjectAtPass(1, TEST_EVENT_KEY_DOWN, "M");
    TestInjectAtPass(1, TEST_EVENT_KEY_DOWN, "Left Shift");
    TestInjectAtPass(1, TEST_EVENT_KEY_DOWN, "M");
    TestInjectAtPass(1, TEST_EVENT_KEY_UP, "Left Shift");
    std::vector<WPARAM> characters;
    for (const MSG& msg : Pump(10))
        if (msg.message == WM_CHAR)
            characters.push_back(msg.wParam);
    std::vector<WPARAM> expected = {'m', 'M'};
    EXPECT_EQ(characters, expected);
}

TEST_F(LayerQueue, RawKeyReachesTheWindowUntranslated)
{
    HWND hWnd = OpenWindow(WS_POPUP, 64, 64);
    TestInjectRawKeyAtPass(1, true, 300);
    TestInjectRawKeyAtPass(1, false, 300);
    std::vector<MSG> taken = Pump(3);
    ASSERT_EQ(taken.size(), 2u);
    EXPECT_EQ(taken[0].message, (UINT)WM_KEYDOWN);
    EXPECT_EQ(taken[0].wParam, 300u);
    EXPECT_EQ(taken[0].hwnd, hWnd);
    EXPECT_EQ(taken[1].message, (UINT)WM_KEYUP);
    EXPECT_FALSE(TranslateMessage(nullptr));
}

TEST_F(LayerQueue, MinimiseAndRestoreTellActivationAndSize)
{
    HWND hWnd = OpenWindow(WS_OVERLAPPEDWINDOW, 640, 480);
    ShowWindow(hWnd, SW_SHOW);
    TestInjectAtPass(1, TEST_EVENT_MINIMIZE);
    TestInjectAtPass(3, TEST_EVENT_RESTORE);
    std::vector<MSG> taken = Pump(5);
    std::vector<UINT> expected = {WM_ACTIVATE, WM_SIZE, WM_ACTIVATE, WM_SIZE};
    ASSERT_EQ(Numbers(taken), expected);
    EXPECT_EQ(taken[0].wParam, MAKEWPARAM(WA_INACTIVE, 1));
    EXPECT_EQ(taken[1].wParam, (WPARAM)SIZE_MINIMIZED);
    EXPECT_EQ(taken[1].lParam, 0);
    EXPECT_EQ(taken[2].wParam, MAKEWPARAM(WA_ACTIVE, 0));
    EXPECT_EQ(taken[3].wParam, (WPARAM)SIZE_RESTORED);
    EXPECT_EQ(taken[3].lParam, MAKELPARAM(640, 480));
}

TEST_F(LayerQueue, FocusChangesKeepTheMinimisedFlag)
{
    HWND hWnd = OpenWindow(WS_OVERLAPPEDWINDOW, 640, 480);
    ShowWindow(hWnd, SW_SHOW);
    TestInjectAtPass(1, TEST_EVENT_FOCUS_LOST);
    TestInjectAtPass(2, TEST_EVENT_FOCUS_GAINED);
    TestInjectAtPass(3, TEST_EVENT_MINIMIZE);
    TestInjectAtPass(5, TEST_EVENT_FOCUS_GAINED);
    std::vector<MSG> taken = Pump(6);
    ASSERT_EQ(taken.size(), 5u);
    EXPECT_EQ(taken[0].wParam, MAKEWPARAM(WA_INACTIVE, 0));
    EXPECT_EQ(taken[1].wParam, MAKEWPARAM(WA_ACTIVE, 0));
    EXPECT_EQ(taken[4].message, (UINT)WM_ACTIVATE);
    EXPECT_EQ(taken[4].wParam, MAKEWPARAM(WA_ACTIVE, 1));
    RECT client;
    GetClientRect(hWnd, &client);
    EXPECT_EQ(client.right, 0);
}

TEST_F(LayerQueue, ResizeAndCloseBecomeSizeAndCloseMessages)
{
    HWND hWnd = OpenWindow(WS_OVERLAPPEDWINDOW, 640, 480);
    TestInjectAtPass(1, TEST_EVENT_RESIZE, nullptr, 800, 600);
    TestInjectAtPass(2, TEST_EVENT_CLOSE);
    std::vector<MSG> taken = Pump(2);
    std::vector<UINT> expected = {WM_SIZE, WM_CLOSE};
    ASSERT_EQ(Numbers(taken), expected);
    EXPECT_EQ(taken[0].lParam, MAKELPARAM(800, 600));
    // The default procedure destroyed the window on WM_CLOSE.
    EXPECT_FALSE(IsWindow(hWnd));
}

TEST_F(LayerQueue, InjectedEventsReachARealisedWindowThroughSdl)
{
    HWND hWnd = OpenWindow(WS_POPUP, 64, 64);
    ASSERT_NE(OpenContext(hWnd, Request(32, 16, true)), nullptr);
    TestInjectAtPass(1, TEST_EVENT_KEY_DOWN, "F1");
    std::vector<MSG> taken = Pump(1);
    ASSERT_EQ(taken.size(), 1u);
    EXPECT_EQ(taken[0].hwnd, hWnd);
    EXPECT_EQ(taken[0].wParam, 112u);
}

TEST_F(LayerQueue, DispatchCallsTheProcedureAndSendIsImmediate)
{
    HWND hWnd = OpenWindow(WS_POPUP, 64, 64);
    MessageLog().clear();
    EXPECT_EQ(SendMessageA(hWnd, WM_USER + 9, 4, 5), 0);
    ASSERT_EQ(MessageLog().size(), 1u);
    EXPECT_EQ(MessageLog()[0].lParam, 5);
    MSG msg = {};
    msg.hwnd = hWnd;
    msg.message = WM_USER + 3;
    DispatchMessageA(&msg);
    EXPECT_EQ(MessageLog().back().message, (UINT)(WM_USER + 3));
    msg.hwnd = nullptr;
    EXPECT_EQ(DispatchMessageA(&msg), 0);
    EXPECT_EQ(MessageLog().size(), 2u);
}

static int passSeenByCallback = 0;

TEST_F(LayerQueue, CallbackRunsWhenItsPassBeginsAndNewestTitleIsKept)
{
    OpenWindow(WS_POPUP, 64, 64, "First");
    HWND second = OpenWindow(WS_POPUP, 64, 64, "Kivo's OpenGL Framework");
    EXPECT_STREQ(TestLastWindowTitle(), "Kivo's OpenGL Framework");
    DestroyWindow(second);
    EXPECT_STREQ(TestLastWindowTitle(), "Kivo's OpenGL Framework");

    passSeenByCallback = 0;
    TestCallAtPass(3, [] { passSeenByCallback = TestLoopPass(); });
    Pump(2);
    EXPECT_EQ(passSeenByCallback, 0);
    Pump(3);
    EXPECT_EQ(passSeenByCallback, 3);
    TestHooksReset();
    EXPECT_STREQ(TestLastWindowTitle(), "");
}
