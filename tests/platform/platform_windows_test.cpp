// Window classes, window creation and destruction, and the messages the
// system's window procedure relies on.
#include "layer_test_fixture.h"

using LayerWindows = LayerTest;

TEST_F(LayerWindows, RegisteringAClassTwiceFailsWhateverTheCase)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = LoggingProc;
    windowClass.lpszClassName = "layertest";
    EXPECT_EQ(RegisterClassA(&windowClass), 0);
    EXPECT_EQ(TestRegisteredClasses(), 1);
}

TEST_F(LayerWindows, ClassWithoutProcedureIsRefused)
{
    WNDCLASSA windowClass = {};
    windowClass.lpszClassName = "NoProcedure";
    EXPECT_EQ(RegisterClassA(&windowClass), 0);
}

TEST_F(LayerWindows, UnregisteringAClassInUseFailsUntilItsWindowIsGone)
{
    HWND hWnd = OpenWindow(WS_OVERLAPPEDWINDOW, 640, 480);
    ASSERT_NE(hWnd, nullptr);
    EXPECT_FALSE(UnregisterClassA(TestClassName(), nullptr));
    EXPECT_TRUE(DestroyWindow(hWnd));
    EXPECT_TRUE(UnregisterClassA(TestClassName(), nullptr));
    EXPECT_FALSE(UnregisterClassA(TestClassName(), nullptr));
    // Registered again so the fixture's teardown finds it.
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = LoggingProc;
    windowClass.lpszClassName = TestClassName();
    EXPECT_NE(RegisterClassA(&windowClass), 0);
}

TEST_F(LayerWindows, UnknownClassCreatesNoWindow)
{
    EXPECT_EQ(CreateWindowExA(0, "Nowhere", "x", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr),
              nullptr);
    EXPECT_EQ(TestLiveWindows(), 0);
}

TEST_F(LayerWindows, CreationSendsNcCreateThenCreate)
{
    HWND hWnd = OpenWindow(WS_OVERLAPPEDWINDOW, 640, 480);
    ASSERT_NE(hWnd, nullptr);
    ASSERT_GE(MessageLog().size(), 2u);
    EXPECT_EQ(MessageLog()[0].message, (UINT)WM_NCCREATE);
    EXPECT_EQ(MessageLog()[1].message, (UINT)WM_CREATE);
    EXPECT_EQ(MessageLog()[1].hWnd, hWnd);
    EXPECT_FALSE(IsWindowVisible(hWnd));
    EXPECT_EQ(TestLiveWindows(), 1);
}

TEST_F(LayerWindows, CreateAnsweredMinusOneFailsAndDestroys)
{
    CreateAnswer() = -1;
    EXPECT_EQ(OpenWindow(WS_POPUP, 100, 100), nullptr);
    EXPECT_EQ(Logged(WM_DESTROY).size(), 1u);
    EXPECT_EQ(Logged(WM_NCDESTROY).size(), 1u);
    EXPECT_EQ(TestLiveWindows(), 0);
}

TEST_F(LayerWindows, ClientSizeSurvivesTheFrameForBothStyles)
{
    for (DWORD style : {(DWORD)WS_OVERLAPPEDWINDOW, (DWORD)WS_POPUP}) {
        HWND hWnd = OpenWindow(style, 640, 480);
        ASSERT_NE(hWnd, nullptr);
        RECT client;
        ASSERT_TRUE(GetClientRect(hWnd, &client));
        EXPECT_EQ(client.right - client.left, 640) << std::hex << style;
        EXPECT_EQ(client.bottom - client.top, 480) << std::hex << style;
    }
    RECT popup = {0, 0, 640, 480};
    AdjustWindowRectEx(&popup, WS_POPUP, FALSE, WS_EX_APPWINDOW);
    EXPECT_EQ(popup.right - popup.left, 640);
    RECT framed = {0, 0, 640, 480};
    AdjustWindowRectEx(&framed, WS_OVERLAPPEDWINDOW, FALSE, WS_EX_APPWINDOW | WS_EX_WINDOWEDGE);
    EXPECT_GT(framed.right - framed.left, 640);
    EXPECT_GT(framed.bottom - framed.top, framed.right - framed.left - 640 + 480);
}

TEST_F(LayerWindows, FirstShowActivatesFocusesAndSizes)
{
    HWND hWnd = OpenWindow(WS_OVERLAPPEDWINDOW, 640, 480);
    ASSERT_NE(hWnd, nullptr);
    MessageLog().clear();
    EXPECT_FALSE(ShowWindow(hWnd, SW_SHOW));
    EXPECT_TRUE(IsWindowVisible(hWnd));

    std::vector<UINT> order;
    for (const LoggedMessage& logged : MessageLog())
        order.push_back(logged.message);
    std::vector<UINT> expected = {WM_SHOWWINDOW, WM_ACTIVATE, WM_SETFOCUS, WM_SIZE, WM_MOVE};
    EXPECT_EQ(order, expected);
    auto activate = Logged(WM_ACTIVATE);
    ASSERT_EQ(activate.size(), 1u);
    EXPECT_EQ(activate[0].wParam, MAKEWPARAM(WA_ACTIVE, 0));
    auto size = Logged(WM_SIZE);
    ASSERT_EQ(size.size(), 1u);
    EXPECT_EQ(size[0].wParam, (WPARAM)SIZE_RESTORED);
    EXPECT_EQ(LOWORD(size[0].lParam), 640);
    EXPECT_EQ(HIWORD(size[0].lParam), 480);
    EXPECT_EQ(GetFocus(), hWnd);
    EXPECT_EQ(GetForegroundWindow(), hWnd);

    MessageLog().clear();
    EXPECT_TRUE(ShowWindow(hWnd, SW_SHOW));
    EXPECT_TRUE(MessageLog().empty());
}

TEST_F(LayerWindows, SetFocusReturnsThePreviousFocus)
{
    HWND first = OpenWindow(WS_POPUP, 100, 100);
    HWND second = OpenWindow(WS_POPUP, 100, 100);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(SetFocus(first), nullptr);
    EXPECT_EQ(SetFocus(second), first);
    EXPECT_EQ(GetFocus(), second);
    EXPECT_TRUE(SetForegroundWindow(first));
    EXPECT_EQ(GetForegroundWindow(), first);
}

TEST_F(LayerWindows, DestroyingTheActiveWindowDeactivatesThenDestroys)
{
    HWND hWnd = OpenWindow(WS_POPUP, 320, 200);
    ASSERT_NE(hWnd, nullptr);
    ShowWindow(hWnd, SW_SHOW);
    HDC hDC = GetDC(hWnd);
    EXPECT_EQ(TestLiveDCs(), 1);
    PostMessageA(hWnd, WM_USER, 0, 0);
    MessageLog().clear();

    EXPECT_TRUE(DestroyWindow(hWnd));
    std::vector<UINT> order;
    for (const LoggedMessage& logged : MessageLog())
        if (logged.message != WM_KILLFOCUS)
            order.push_back(logged.message);
    std::vector<UINT> expected = {WM_ACTIVATE, WM_DESTROY, WM_NCDESTROY};
    EXPECT_EQ(order, expected);
    EXPECT_EQ(Logged(WM_ACTIVATE)[0].wParam, MAKEWPARAM(WA_INACTIVE, 0));
    EXPECT_FALSE(IsWindow(hWnd));
    EXPECT_FALSE(DestroyWindow(hWnd));
    EXPECT_EQ(ReleaseDC(hWnd, hDC), 0);
    EXPECT_EQ(TestLiveDCs(), 0);
    EXPECT_EQ(GetFocus(), nullptr);
    // The message posted to it went with it.
    EXPECT_TRUE(Pump(2).empty());
}

TEST_F(LayerWindows, OwnDcIsTheSameEveryTimeAndReleasesOnce)
{
    HWND hWnd = OpenWindow(WS_POPUP, 100, 100);
    HWND other = OpenWindow(WS_POPUP, 100, 100);
    HDC hDC = GetDC(hWnd);
    ASSERT_NE(hDC, nullptr);
    EXPECT_EQ(GetDC(hWnd), hDC);
    EXPECT_EQ(TestLiveDCs(), 1);
    EXPECT_EQ(ReleaseDC(other, hDC), 0);
    EXPECT_EQ(ReleaseDC(hWnd, hDC), 1);
    EXPECT_EQ(TestLiveDCs(), 0);
    EXPECT_EQ(GetDC(nullptr), nullptr);
}

TEST_F(LayerWindows, StaleHandleToAReusedSlotIsInvalid)
{
    HWND first = OpenWindow(WS_POPUP, 10, 10);
    ASSERT_TRUE(DestroyWindow(first));
    for (int i = 0; i < 20; ++i) {
        HWND next = OpenWindow(WS_POPUP, 10, 10);
        ASSERT_NE(next, nullptr);
        EXPECT_NE(next, first);
        DestroyWindow(next);
    }
    EXPECT_FALSE(IsWindow(first));
}

TEST_F(LayerWindows, TitleComesBackAsGiven)
{
    HWND hWnd = OpenWindow(WS_OVERLAPPEDWINDOW, 64, 64, "Camar\xF3n \xBF" "s\xED?");
    char title[64];
    EXPECT_EQ(GetWindowTextA(hWnd, title, sizeof title), 12);
    EXPECT_STREQ(title, "Camar\xF3n \xBF" "s\xED?");
    EXPECT_EQ(GetWindowTextA(hWnd, title, 4), 3);
    EXPECT_STREQ(title, "Cam");
}

TEST_F(LayerWindows, CloseByDefaultDestroysTheWindow)
{
    HWND hWnd = OpenWindow(WS_POPUP, 64, 64);
    SendMessageA(hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(Logged(WM_CLOSE).size(), 1u);
    EXPECT_FALSE(IsWindow(hWnd));
}

TEST_F(LayerWindows, DefaultProcedureAllowsCreationAndAnswersZero)
{
    HWND hWnd = OpenWindow(WS_POPUP, 64, 64);
    EXPECT_EQ(DefWindowProcA(hWnd, WM_NCCREATE, 0, 0), TRUE);
    EXPECT_EQ(DefWindowProcA(hWnd, WM_SYSCOMMAND, SC_SCREENSAVE, 0), 0);
    EXPECT_EQ(DefWindowProcA(hWnd, WM_USER + 5, 1, 2), 0);
    EXPECT_TRUE(IsWindow(hWnd));
}
