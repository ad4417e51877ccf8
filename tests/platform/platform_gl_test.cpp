// Pixel formats and rendering contexts on real Mesa GL. These cases also
// run on a private X server, where double buffering can be observed
// (offscreen pbuffers are always single-buffered).
#include "layer_test_fixture.h"

#include <stdlib.h>
#include <string.h>

using LayerGl = LayerTest;

static bool DoubleBufferObservable()
{
    const char* driver = getenv("SDL_VIDEODRIVER");
    return !driver || strcmp(driver, "offscreen") != 0;
}

static GLint Integer(GLenum name)
{
    GLint value = -1;
    glGetIntegerv(name, &value);
    return value;
}

TEST_F(LayerGl, ContextHasTheRequestedBuffersAndRenders)
{
    HWND hWnd = OpenWindow(WS_OVERLAPPEDWINDOW, 64, 48);
    ASSERT_NE(OpenContext(hWnd, Request(32, 16, true)), nullptr);
    EXPECT_GE(Integer(GL_DEPTH_BITS), 16);
    EXPECT_GE(Integer(GL_RED_BITS), 8);
    if (DoubleBufferObservable()) {
        EXPECT_EQ(Integer(GL_DOUBLEBUFFER), GL_TRUE);
    }

    glClearColor(1.0f, 0.0f, 0.5f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    unsigned char pixel[4] = {};
    glReadPixels(10, 10, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    EXPECT_EQ(pixel[0], 255);
    EXPECT_EQ(pixel[1], 0);
    EXPECT_NEAR(pixel[2], 128, 1);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    EXPECT_TRUE(SwapBuffers(GetDC(hWnd)));
    EXPECT_NE(glGetString(GL_RENDERER), nullptr);
}

TEST_F(LayerGl, SingleBufferedRequestGetsSingleBuffering)
{
    HWND hWnd = OpenWindow(WS_POPUP, 32, 32);
    ASSERT_NE(OpenContext(hWnd, Request(32, 24, false)), nullptr);
    EXPECT_GE(Integer(GL_DEPTH_BITS), 24);
    EXPECT_EQ(Integer(GL_DOUBLEBUFFER), GL_FALSE);
}

TEST_F(LayerGl, ChosenFormatDescribesWhatWasAsked)
{
    HWND hWnd = OpenWindow(WS_POPUP, 32, 32);
    HDC hDC = GetDC(hWnd);
    PIXELFORMATDESCRIPTOR asked = Request(32, 16, true);
    int format = ChoosePixelFormat(hDC, &asked);
    ASSERT_GT(format, 0);
    PIXELFORMATDESCRIPTOR described;
    int count = DescribePixelFormat(hDC, format, sizeof described, &described);
    EXPECT_GE(count, format);
    EXPECT_EQ(described.cColorBits, 32);
    EXPECT_EQ(described.cDepthBits, 16);
    EXPECT_TRUE(described.dwFlags & PFD_DOUBLEBUFFER);
    EXPECT_TRUE(described.dwFlags & PFD_SUPPORT_OPENGL);
    EXPECT_EQ(DescribePixelFormat(hDC, count + 1, sizeof described, &described), 0);

    PIXELFORMATDESCRIPTOR sixteen = Request(16, 16, true);
    ASSERT_TRUE(DescribePixelFormat(hDC, ChoosePixelFormat(hDC, &sixteen), sizeof described, &described));
    EXPECT_EQ(described.cColorBits, 16);
}

TEST_F(LayerGl, ImpossibleRequestsChooseNothing)
{
    HWND hWnd = OpenWindow(WS_POPUP, 32, 32);
    HDC hDC = GetDC(hWnd);
    PIXELFORMATDESCRIPTOR pfd = Request(32, 16, true);
    pfd.iPixelType = PFD_TYPE_COLORINDEX;
    EXPECT_EQ(ChoosePixelFormat(hDC, &pfd), 0);
    pfd = Request(32, 16, true);
    pfd.dwFlags &= ~(DWORD)PFD_SUPPORT_OPENGL;
    EXPECT_EQ(ChoosePixelFormat(hDC, &pfd), 0);
    pfd = Request(32, 16, true);
    pfd.nSize = 20;
    EXPECT_EQ(ChoosePixelFormat(hDC, &pfd), 0);
    EXPECT_EQ(ChoosePixelFormat(hDC, nullptr), 0);
}

TEST_F(LayerGl, PixelFormatIsSetOnlyOnce)
{
    HWND hWnd = OpenWindow(WS_POPUP, 32, 32);
    HDC hDC = GetDC(hWnd);
    PIXELFORMATDESCRIPTOR pfd = Request(32, 16, true);
    int format = ChoosePixelFormat(hDC, &pfd);
    EXPECT_FALSE(SetPixelFormat(hDC, 999, &pfd));
    EXPECT_EQ(GetPixelFormat(hDC), 0);
    EXPECT_TRUE(SetPixelFormat(hDC, format, &pfd));
    EXPECT_EQ(GetPixelFormat(hDC), format);
    EXPECT_FALSE(SetPixelFormat(hDC, format, &pfd));
}

TEST_F(LayerGl, ContextNeedsAPixelFormat)
{
    HWND hWnd = OpenWindow(WS_POPUP, 32, 32);
    EXPECT_EQ(wglCreateContext(GetDC(hWnd)), nullptr);
    EXPECT_EQ(TestLiveContexts(), 0);
}

TEST_F(LayerGl, CreatingAContextLeavesTheCurrentOneCurrent)
{
    HWND first = OpenWindow(WS_POPUP, 32, 32);
    HWND second = OpenWindow(WS_POPUP, 32, 32);
    HGLRC current = OpenContext(first, Request(32, 16, true));
    ASSERT_NE(current, nullptr);
    HDC secondDC = GetDC(second);
    PIXELFORMATDESCRIPTOR pfd = Request(32, 16, true);
    ASSERT_TRUE(SetPixelFormat(secondDC, ChoosePixelFormat(secondDC, &pfd), &pfd));
    HGLRC made = wglCreateContext(secondDC);
    ASSERT_NE(made, nullptr);
    contexts.push_back(made);
    EXPECT_EQ(wglGetCurrentContext(), current);
    EXPECT_EQ(wglGetCurrentDC(), GetDC(first));
    EXPECT_EQ(TestLiveContexts(), 2);
    // GL still draws into the first window's context.
    glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    unsigned char pixel[4] = {};
    glReadPixels(1, 1, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    EXPECT_EQ(pixel[1], 255);

    // From no current context, creation leaves none current.
    ASSERT_TRUE(wglMakeCurrent(nullptr, nullptr));
    HGLRC another = wglCreateContext(secondDC);
    contexts.push_back(another);
    EXPECT_EQ(wglGetCurrentContext(), nullptr);
    EXPECT_TRUE(wglMakeCurrent(secondDC, another));
    EXPECT_EQ(wglGetCurrentContext(), another);
}

TEST_F(LayerGl, DeletingTheCurrentContextReleasesItFirst)
{
    HWND hWnd = OpenWindow(WS_POPUP, 32, 32);
    HGLRC hRC = OpenContext(hWnd, Request(32, 16, true));
    ASSERT_NE(hRC, nullptr);
    EXPECT_TRUE(wglDeleteContext(hRC));
    EXPECT_EQ(wglGetCurrentContext(), nullptr);
    EXPECT_EQ(TestLiveContexts(), 0);
    EXPECT_FALSE(wglDeleteContext(hRC));
    EXPECT_FALSE(wglMakeCurrent(GetDC(hWnd), hRC));
    EXPECT_TRUE(wglMakeCurrent(nullptr, nullptr));
    EXPECT_FALSE(SwapBuffers(nullptr));
}

TEST_F(LayerGl, DestroyingTheWindowReleasesItsCurrentContext)
{
    HWND hWnd = OpenWindow(WS_POPUP, 32, 32);
    HGLRC hRC = OpenContext(hWnd, Request(32, 16, true));
    ASSERT_NE(hRC, nullptr);
    EXPECT_TRUE(DestroyWindow(hWnd));
    EXPECT_EQ(wglGetCurrentDC(), nullptr);
    EXPECT_TRUE(wglDeleteContext(hRC));
}
