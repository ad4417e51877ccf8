// Opening and closing the render window: order, state left behind, and
// every failure with its exact message.
#include "app_fixture.h"

static bool OpenWindowed()
{
    return OpenRenderWindow("Orlath - Brenvik!", 640, 480, 32, false);
}

using RenderWindow = ShellTest;

TEST_F(RenderWindow, WindowedOpenBuildsEverythingWithTheFixedGLState)
{
    ASSERT_TRUE(OpenWindowed());
    EXPECT_FALSE(fullscreenMode);
    ASSERT_TRUE(hWnd && hDC && hRC);
    EXPECT_EQ(wglGetCurrentContext(), hRC);
    EXPECT_EQ(TestLiveWindows(), 1);
    EXPECT_EQ(TestLiveContexts(), 1);
    EXPECT_EQ(TestMessageBoxCount(), 0);

    char title[64];
    GetWindowTextA(hWnd, title, sizeof title);
    EXPECT_STREQ(title, "Orlath - Brenvik!");
    RECT client;
    ASSERT_TRUE(GetClientRect(hWnd, &client));
    EXPECT_EQ(client.right - client.left, 640);
    EXPECT_EQ(client.bottom - client.top, 480);
    EXPECT_TRUE(IsWindowVisible(hWnd));

    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    GLint value;
    glGetIntegerv(GL_BLEND_SRC, &value);
    EXPECT_EQ(value, GL_SRC_ALPHA);
    glGetIntegerv(GL_BLEND_DST, &value);
    EXPECT_EQ(value, GL_ONE);
    glGetIntegerv(GL_SHADE_MODEL, &value);
    EXPECT_EQ(value, GL_SMOOTH);
    glGetIntegerv(GL_DEPTH_FUNC, &value);
    EXPECT_EQ(value, GL_LESS);
    glGetIntegerv(GL_PERSPECTIVE_CORRECTION_HINT, &value);
    EXPECT_EQ(value, GL_NICEST);
    glGetIntegerv(GL_MATRIX_MODE, &value);
    EXPECT_EQ(value, GL_MODELVIEW);
    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_FLOAT_EQ(clear[3], 0.5f);
    EXPECT_FLOAT_EQ(clear[0] + clear[1] + clear[2], 0.0f);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 640);
    EXPECT_EQ(viewport[3], 480);

    // 45 degrees, aspect 640/480, near 0.1, far 100.
    GLdouble projection[16];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    EXPECT_NEAR(projection[0], 1.8106602, 1e-6);
    EXPECT_NEAR(projection[5], 2.4142136, 1e-6);
    EXPECT_NEAR(projection[10], -1.0020020, 1e-6);
    EXPECT_NEAR(projection[14], -0.2002002, 1e-6);

    CloseRenderWindow();
    EXPECT_EQ(hWnd, nullptr);
    EXPECT_EQ(hDC, nullptr);
    EXPECT_EQ(hRC, nullptr);
    EXPECT_EQ(TestRegisteredClasses(), 0);
    EXPECT_EQ(TestMessageBoxCount(), 0);
}

// F1's re-open, at a size the offscreen display has: full screen at 16
// bits, while the pixel-format request stays the first window's.
TEST_F(RenderWindow, FullScreenReopenAt16BitsKeepsThePixelFormatRequest)
{
    ASSERT_TRUE(OpenWindowed());
    EXPECT_EQ(TestWindowStyle(hWnd), (DWORD)(WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS | WS_CLIPCHILDREN));
    CloseRenderWindow();
    DEVMODEA desktop = {};
    ASSERT_TRUE(EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &desktop));
    int width = (int)desktop.dmPelsWidth, height = (int)desktop.dmPelsHeight;
    ASSERT_TRUE(OpenRenderWindow("Kivo's OpenGL Framework", width, height, 16, true));

    EXPECT_TRUE(fullscreenMode);
    EXPECT_EQ(TestMessageBoxCount(), 0);
    EXPECT_EQ(TestWindowStyle(hWnd), (DWORD)(WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN));
    EXPECT_EQ(TestCursorCount(), -1);
    EXPECT_EQ(TestDisplayModeWidth(), width);
    EXPECT_EQ(TestDisplayModeHeight(), height);
    EXPECT_EQ(TestDisplayModeBits(), 16);

    EXPECT_EQ(pfd.nSize, 40);
    EXPECT_EQ(pfd.nVersion, 1);
    EXPECT_EQ(pfd.dwFlags, (DWORD)(PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER));
    EXPECT_EQ(pfd.iPixelType, PFD_TYPE_RGBA);
    EXPECT_EQ(pfd.cColorBits, 32);
    EXPECT_EQ(pfd.cDepthBits, 16);
    EXPECT_EQ(pfd.cAlphaBits + pfd.cAccumBits + pfd.cStencilBits + pfd.cAuxBuffers, 0);

    // The context really has what the request asks for.
    GLint depthBits = 0, redBits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    glGetIntegerv(GL_RED_BITS, &redBits);
    EXPECT_GE(depthBits, 16);
    EXPECT_EQ(redBits, 8);
    // The offscreen driver's surfaces are single-buffered whatever is asked,
    // so the chosen format is checked rather than the surface.
    PIXELFORMATDESCRIPTOR chosen;
    ASSERT_GT(DescribePixelFormat(hDC, GetPixelFormat(hDC), sizeof chosen, &chosen), 0);
    EXPECT_TRUE(chosen.dwFlags & PFD_DOUBLEBUFFER);
    EXPECT_EQ(chosen.cColorBits, 32);
    EXPECT_GE(chosen.cDepthBits, 16);

    CloseRenderWindow();
    EXPECT_EQ(TestCursorCount(), 0);
    EXPECT_EQ(TestDisplayModeWidth(), 0);
}

struct OpenFailure {
    const char* call;
    int occurrence;
    const char* text;
};

// Names the case by its failing call (and keeps gtest from printing the
// struct's padding bytes).
static void PrintTo(const OpenFailure& failure, std::ostream* out)
{
    *out << failure.call;
}

class RenderWindowOpenFailure : public ShellTest, public ::testing::WithParamInterface<OpenFailure> {};

TEST_P(RenderWindowOpenFailure, TearsDownThenShowsItsMessage)
{
    const OpenFailure& failure = GetParam();
    ASSERT_TRUE(WriteFile("vindrel.txt", ""));
    TestFailCall(failure.call, failure.occurrence);

    EXPECT_FALSE(OpenWindowed());
    ASSERT_EQ(TestMessageBoxCount(), 1);
    EXPECT_EQ(BoxText(0), failure.text);
    EXPECT_EQ(BoxCaption(0), "ERROR");
    EXPECT_EQ(BoxFlags(0), (UINT)(MB_OK | MB_ICONEXCLAMATION));

    EXPECT_EQ(hWnd, nullptr);
    EXPECT_EQ(hDC, nullptr);
    EXPECT_EQ(hRC, nullptr);
    EXPECT_EQ(TestLiveWindows(), 0);
    EXPECT_EQ(TestLiveDCs(), 0);
    EXPECT_EQ(TestLiveContexts(), 0);
    EXPECT_EQ(TestRegisteredClasses(), 0);
    EXPECT_EQ(reportStream, nullptr);
    // The start-up never ran, so no report was written.
    EXPECT_FALSE(FileExists("Debug.txt"));
}

INSTANTIATE_TEST_SUITE_P(
    EveryStepAfterTheClass, RenderWindowOpenFailure,
    ::testing::Values(OpenFailure{"CreateWindowExA", 1, "Window Creation Error."},
                      OpenFailure{"GetDC", 1, "Can't Create A GL Device Context."},
                      OpenFailure{"ChoosePixelFormat", 1, "Can't Find A Suitable PixelFormat."},
                      OpenFailure{"SetPixelFormat", 1, "Can't Set The PixelFormat."},
                      OpenFailure{"wglCreateContext", 1, "Can't Create A GL Rendering Context."},
                      OpenFailure{"wglMakeCurrent", 1, "Can't Activate The GL Rendering Context."}));

TEST_F(RenderWindow, FailedClassRegistrationTearsNothingDown)
{
    TestFailCall("RegisterClassA");
    EXPECT_FALSE(OpenWindowed());
    ASSERT_EQ(TestMessageBoxCount(), 1);
    EXPECT_EQ(BoxText(0), "Failed To Register The Window Class.");
    EXPECT_EQ(BoxCaption(0), "ERROR");
    EXPECT_EQ(BoxFlags(0), (UINT)(MB_OK | MB_ICONEXCLAMATION));
    EXPECT_EQ(TestCallCount("UnregisterClassA"), 0);
    EXPECT_EQ(TestCallCount("CreateWindowExA"), 0);
}

TEST_F(RenderWindow, ClassStillRegisteredMakesTheNextOpenFail)
{
    WNDCLASSA other = {};
    other.lpfnWndProc = DefWindowProcA;
    other.hInstance = GetModuleHandleA(NULL);
    other.lpszClassName = "OpenGL";
    ASSERT_TRUE(RegisterClassA(&other));
    EXPECT_FALSE(OpenWindowed());
    EXPECT_EQ(BoxText(0), "Failed To Register The Window Class.");
}

TEST_F(RenderWindow, UnavailableFullScreenModeAnsweredYesBecomesAWindow)
{
    // The offscreen display offers no 640x480 mode.
    TestQueueMessageBoxAnswer(IDYES);
    ASSERT_TRUE(OpenRenderWindow("Orlath - Brenvik!", 640, 480, 32, true));
    EXPECT_FALSE(fullscreenMode);
    ASSERT_EQ(TestMessageBoxCount(), 1);
    EXPECT_EQ(BoxText(0),
              "The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. Use Windowed Mode Instead?");
    EXPECT_EQ(BoxCaption(0), "Kivo GL");
    EXPECT_EQ(BoxFlags(0), (UINT)(MB_YESNO | MB_ICONEXCLAMATION));
    EXPECT_EQ(TestCursorCount(), 0);
    EXPECT_EQ(TestDisplayModeWidth(), 0);
    RECT client;
    GetClientRect(hWnd, &client);
    EXPECT_EQ(client.right, 640);
    EXPECT_EQ(client.bottom, 480);
}

TEST_F(RenderWindow, UnavailableFullScreenModeAnsweredNoClosesWithTheClassLeftRegistered)
{
    TestQueueMessageBoxAnswer(IDNO);
    EXPECT_FALSE(OpenRenderWindow("Orlath - Brenvik!", 640, 480, 32, true));
    EXPECT_TRUE(fullscreenMode);
    ASSERT_EQ(TestMessageBoxCount(), 2);
    EXPECT_EQ(BoxText(1), "Program Will Now Close.");
    EXPECT_EQ(BoxCaption(1), "ERROR");
    EXPECT_EQ(BoxFlags(1), (UINT)(MB_OK | MB_ICONHAND));
    EXPECT_EQ(TestCallCount("CreateWindowExA"), 0);
    EXPECT_EQ(TestRegisteredClasses(), 1);
}

struct CloseFailure {
    const char* call;
    int occurrence;
    const char* text;
    const char* thenText;  // a window left alive also keeps its class registered
};

static void PrintTo(const CloseFailure& failure, std::ostream* out)
{
    *out << failure.call;
}

class RenderWindowCloseFailure : public ShellTest, public ::testing::WithParamInterface<CloseFailure> {};

TEST_P(RenderWindowCloseFailure, ShowsItsMessageAndGoesOn)
{
    const CloseFailure& failure = GetParam();
    ASSERT_TRUE(WriteFile("vindrel.txt", ""));
    ASSERT_TRUE(OpenWindowed());
    HWND window = hWnd;
    HGLRC context = hRC;
    TestFailCall(failure.call, failure.occurrence);
    CloseRenderWindow();

    EXPECT_EQ(TestMessageBoxCount(), failure.thenText ? 2 : 1);
    EXPECT_EQ(BoxText(0), failure.text);
    EXPECT_EQ(BoxCaption(0), "SHUTDOWN ERROR");
    EXPECT_EQ(BoxFlags(0), (UINT)(MB_OK | MB_ICONINFORMATION));
    if (failure.thenText) {
        EXPECT_EQ(BoxText(1), failure.thenText);
        EXPECT_EQ(BoxCaption(1), "SHUTDOWN ERROR");
    }
    // Every handle is forgotten, and the later steps still ran.
    EXPECT_EQ(hWnd, nullptr);
    EXPECT_EQ(hDC, nullptr);
    EXPECT_EQ(hRC, nullptr);
    EXPECT_EQ(TestCallCount("UnregisterClassA"), 1);
    std::string report = ReadFile("Debug.txt");
    EXPECT_EQ(report.substr(report.size() - 25), "\nProgram shutdown. Nice!\n");

    // What the failed call left alive, the system has let go of; the test
    // cleans it up so that the next test starts from nothing.
    if (TestLiveContexts())
        wglDeleteContext(context);
    if (IsWindow(window))
        DestroyWindow(window);
}

INSTANTIATE_TEST_SUITE_P(
    EveryTeardownStep, RenderWindowCloseFailure,
    ::testing::Values(CloseFailure{"wglMakeCurrent", 1, "Release Of DC And RC Failed.", nullptr},
                      CloseFailure{"wglDeleteContext", 1, "Release Rendering Context Failed.", nullptr},
                      CloseFailure{"ReleaseDC", 1, "Release Device Context Failed.", nullptr},
                      CloseFailure{"DestroyWindow", 1, "Could Not Release hWnd.", "Could Not Unregister Class."},
                      CloseFailure{"UnregisterClassA", 1, "Could Not Unregister Class.", nullptr}));

TEST_F(RenderWindow, FailedUnregisterForgetsTheInstanceHandle)
{
    ASSERT_TRUE(OpenWindowed());
    TestFailCall("UnregisterClassA");
    CloseRenderWindow();
    EXPECT_EQ(hInstance, nullptr);

    // The class is still registered, as it would be on the real platform.
    ASSERT_TRUE(UnregisterClassA("OpenGL", GetModuleHandleA(NULL)));
    ASSERT_TRUE(OpenWindowed());
    CloseRenderWindow();
    EXPECT_NE(hInstance, nullptr);
}

TEST_F(RenderWindow, CloseWithNothingOpenOnlyTriesTheClass)
{
    CloseRenderWindow();
    ASSERT_EQ(TestMessageBoxCount(), 1);
    EXPECT_EQ(BoxText(0), "Could Not Unregister Class.");
    EXPECT_EQ(TestCallCount("wglMakeCurrent"), 0);
    EXPECT_EQ(TestCallCount("ReleaseDC"), 0);
    EXPECT_EQ(TestCallCount("DestroyWindow"), 0);
}
