// The window procedure: key table, active flag, viewport, close and the
// refused system commands.
#include "app_fixture.h"

#include <math.h>

class WindowProc : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        ASSERT_TRUE(OpenRenderWindow("Orlath - Brenvik!", 640, 480, 32, false));
    }
};

TEST_F(WindowProc, KeysSetAndClearTheirFlagsAndCodesFrom256AreIgnored)
{
    EXPECT_EQ(RenderWindowProc(hWnd, WM_KEYDOWN, 77, 0), 0);
    EXPECT_TRUE(keyDown[77]);
    EXPECT_EQ(RenderWindowProc(hWnd, WM_KEYUP, 77, 0), 0);
    EXPECT_FALSE(keyDown[77]);

    bool before[KEY_COUNT];
    for (int i = 0; i < KEY_COUNT; ++i)
        before[i] = keyDown[i];
    RenderWindowProc(hWnd, WM_KEYDOWN, 256, 0);
    RenderWindowProc(hWnd, WM_KEYDOWN, 300, 0);
    RenderWindowProc(hWnd, WM_KEYDOWN, (WPARAM)-1, 0);
    for (int i = 0; i < KEY_COUNT; ++i)
        ASSERT_EQ(keyDown[i], before[i]) << "key " << i;

    RenderWindowProc(hWnd, WM_KEYDOWN, 255, 0);
    EXPECT_TRUE(keyDown[255]);
}

TEST_F(WindowProc, OnlyTheMinimisedFlagDecidesActivity)
{
    RenderWindowProc(hWnd, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 1), 0);
    EXPECT_FALSE(windowActive);
    RenderWindowProc(hWnd, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), 0);
    EXPECT_TRUE(windowActive);
    // Losing focus without being minimised keeps the window drawing.
    RenderWindowProc(hWnd, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), 0);
    EXPECT_TRUE(windowActive);
}

TEST_F(WindowProc, CloseOnlyPostsQuitWithCodeZero)
{
    EXPECT_EQ(RenderWindowProc(hWnd, WM_CLOSE, 0, 0), 0);
    EXPECT_TRUE(IsWindow(hWnd));
    MSG msg;
    bool sawQuit = false;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            sawQuit = true;
            EXPECT_EQ(msg.wParam, 0u);
        }
    }
    EXPECT_TRUE(sawQuit);
}

TEST_F(WindowProc, ScreenSaverAndMonitorPowerAreRefusedOtherCommandsPassOn)
{
    int before = TestCallCount("DefWindowProcA");
    EXPECT_EQ(RenderWindowProc(hWnd, WM_SYSCOMMAND, SC_SCREENSAVE, 0), 0);
    EXPECT_EQ(RenderWindowProc(hWnd, WM_SYSCOMMAND, SC_MONITORPOWER, 2), 0);
    EXPECT_EQ(TestCallCount("DefWindowProcA"), before);
    RenderWindowProc(hWnd, WM_SYSCOMMAND, SC_SCREENSAVE + 1, 0);
    EXPECT_EQ(TestCallCount("DefWindowProcA"), before + 1);
}

TEST_F(WindowProc, SizeResetsViewportAndProjection)
{
    RenderWindowProc(hWnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(320, 200));
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 320);
    EXPECT_EQ(viewport[3], 200);
    GLdouble projection[16];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    EXPECT_NEAR(projection[5] / projection[0], 320.0 / 200.0, 1e-6);
    GLint mode;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
}

TEST_F(WindowProc, MinimisedSizeGivesAZeroByOneViewport)
{
    RenderWindowProc(hWnd, WM_SIZE, SIZE_MINIMIZED, MAKELPARAM(0, 0));
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 0);
    EXPECT_EQ(viewport[3], 1);
}

TEST_F(WindowProc, OtherMessagesGoToTheDefaultProcedure)
{
    int before = TestCallCount("DefWindowProcA");
    RenderWindowProc(hWnd, WM_MOUSEMOVE, 0, 0);
    RenderWindowProc(hWnd, WM_CHAR, 'm', 0);
    EXPECT_EQ(TestCallCount("DefWindowProcA"), before + 2);
}
