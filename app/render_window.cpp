#include "app/render_window.h"

#include <stdlib.h>
#include <string.h>

#include "app/startup.h"
#include "diag/Debug.h"
#include "image/texture_table.h"
#include "platform/gl.h"
#include "sound/music.h"
#include "text/bitmap_font.h"

bool keyDown[KEY_COUNT];
bool windowActive = true;
bool fullscreenMode = true;
HINSTANCE hInstance = NULL;
HWND hWnd = NULL;
HDC hDC = NULL;
HGLRC hRC = NULL;

PIXELFORMATDESCRIPTOR pfd = {
    40,  // nSize
    1,   // nVersion
    PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER,
    PFD_TYPE_RGBA,
    // The rest is filled by the first open that creates a window.
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};

static bool pfdCompleted = false;

static const char windowClassName[] = "OpenGL";

static void ShowOpenError(const char* text)
{
    MessageBoxA(NULL, text, "ERROR", MB_OK | MB_ICONEXCLAMATION);
}

static void ShowShutdownError(const char* text)
{
    MessageBoxA(NULL, text, "SHUTDOWN ERROR", MB_OK | MB_ICONINFORMATION);
}

static void CompletePixelFormatRequest(int bits)
{
    pfd.cColorBits = (BYTE)bits;
    pfd.cDepthBits = 16;
    pfd.iLayerType = PFD_MAIN_PLANE;
    pfdCompleted = true;
}

// Tears the half-built window down first, so that the user reads the message
// with the desktop mode and the cursor already back.
static bool FailOpen(const char* text)
{
    CloseRenderWindow();
    ShowOpenError(text);
    return false;
}

bool OpenRenderWindow(const char* title, int width, int height, int bits, bool fullscreen)
{
    RECT windowRect;
    windowRect.left = 0;
    windowRect.top = 0;
    windowRect.right = width;
    windowRect.bottom = height;

    fullscreenMode = fullscreen;
    hInstance = GetModuleHandleA(NULL);

    WNDCLASSA windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
    windowClass.lpfnWndProc = RenderWindowProc;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 0;
    windowClass.hInstance = hInstance;
    windowClass.hIcon = LoadIconA(NULL, IDI_WINLOGO);
    windowClass.hCursor = LoadCursorA(NULL, IDC_ARROW);
    windowClass.hbrBackground = NULL;
    windowClass.lpszMenuName = NULL;
    windowClass.lpszClassName = windowClassName;
    if (!RegisterClassA(&windowClass)) {
        ShowOpenError("Failed To Register The Window Class.");
        return false;
    }

    if (fullscreenMode) {
        DEVMODEA screenSettings;
        memset(&screenSettings, 0, sizeof screenSettings);
        screenSettings.dmSize = 148;
        screenSettings.dmPelsWidth = (DWORD)width;
        screenSettings.dmPelsHeight = (DWORD)height;
        screenSettings.dmBitsPerPel = (DWORD)bits;
        screenSettings.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
        if (ChangeDisplaySettingsA(&screenSettings, CDS_FULLSCREEN) != DISP_CHANGE_SUCCESSFUL) {
            if (MessageBoxA(NULL,
                            "The Requested Fullscreen Mode Is Not Supported By\n"
                            "Your Video Card. Use Windowed Mode Instead?",
                            "Kivo GL", MB_YESNO | MB_ICONEXCLAMATION) == IDYES) {
                fullscreenMode = false;
            } else {
                MessageBoxA(NULL, "Program Will Now Close.", "ERROR", MB_OK | MB_ICONHAND);
                return false;
            }
        }
    }

    DWORD exStyle;
    DWORD style;
    if (fullscreenMode) {
        exStyle = WS_EX_APPWINDOW;
        style = WS_POPUP;
        ShowCursor(FALSE);
    } else {
        exStyle = WS_EX_APPWINDOW | WS_EX_WINDOWEDGE;
        style = WS_OVERLAPPEDWINDOW;
    }
    AdjustWindowRectEx(&windowRect, style, FALSE, exStyle);

    hWnd = CreateWindowExA(exStyle, windowClassName, title, style | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0,
                           windowRect.right - windowRect.left, windowRect.bottom - windowRect.top, NULL, NULL,
                           hInstance, NULL);
    if (!hWnd)
        return FailOpen("Window Creation Error.");

    if (!pfdCompleted)
        CompletePixelFormatRequest(bits);

    hDC = GetDC(hWnd);
    if (!hDC)
        return FailOpen("Can't Create A GL Device Context.");

    int pixelFormat = ChoosePixelFormat(hDC, &pfd);
    if (!pixelFormat)
        return FailOpen("Can't Find A Suitable PixelFormat.");
    if (!SetPixelFormat(hDC, pixelFormat, &pfd))
        return FailOpen("Can't Set The PixelFormat.");

    hRC = wglCreateContext(hDC);
    if (!hRC)
        return FailOpen("Can't Create A GL Rendering Context.");
    if (!wglMakeCurrent(hDC, hRC))
        return FailOpen("Can't Activate The GL Rendering Context.");

    ShowWindow(hWnd, SW_SHOW);
    SetForegroundWindow(hWnd);
    SetFocus(hWnd);
    ResizeViewport(width, height);
    SetupGLState();
    return true;
}

void CloseRenderWindow()
{
    // F1's new window starts the demo, and its music, again.
    StopMusic();
    if (fullscreenMode) {
        ChangeDisplaySettingsA(NULL, 0);
        ShowCursor(TRUE);
    }

    // Each handle is forgotten whether its release worked or not, so that a
    // later teardown never hands a released handle back to the platform.
    if (hRC) {
        if (!wglMakeCurrent(NULL, NULL))
            ShowShutdownError("Release Of DC And RC Failed.");
        if (!wglDeleteContext(hRC))
            ShowShutdownError("Release Rendering Context Failed.");
        hRC = NULL;
    }
    if (hDC) {
        if (!ReleaseDC(hWnd, hDC))
            ShowShutdownError("Release Device Context Failed.");
        hDC = NULL;
    }
    if (hWnd) {
        if (!DestroyWindow(hWnd))
            ShowShutdownError("Could Not Release hWnd.");
        hWnd = NULL;
    }
    if (!UnregisterClassA(windowClassName, hInstance)) {
        ShowShutdownError("Could Not Unregister Class.");
        hInstance = NULL;
    }

    // The context is gone already: the lists and textures ended with it, and
    // these calls change nothing in GL.
    DeleteBitmapFont();
    ForgetTextures();
    ReportClose();
}

LRESULT CALLBACK RenderWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ACTIVATE:
        // Only the minimised flag counts: a window behind others keeps drawing.
        windowActive = HIWORD(wParam) == 0;
        return 0;
    case WM_SYSCOMMAND:
        // Refuse the screen saver and monitor power-saving while we run.
        if (wParam == SC_SCREENSAVE || wParam == SC_MONITORPOWER)
            return 0;
        break;
    case WM_CLOSE:
        // The window lives on until the main loop's final teardown.
        PostQuitMessage(0);
        return 0;
    case WM_KEYDOWN:
        if (wParam < KEY_COUNT)
            keyDown[wParam] = true;
        return 0;
    case WM_KEYUP:
        if (wParam < KEY_COUNT)
            keyDown[wParam] = false;
        return 0;
    case WM_SIZE:
        ResizeViewport(LOWORD(lParam), HIWORD(lParam));
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void ResizeViewport(int width, int height)
{
    if (height == 0)
        height = 1;
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    // The near plane is the float 0.1 widened, not the double 0.1.
    gluPerspective(45.0, (GLdouble)width / (GLdouble)height, (GLdouble)0.1f, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

bool SetupGLState()
{
    glEnable(GL_TEXTURE_2D);
    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.0f, 0.0f, 0.5f);
    glClearDepth(1.0);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    // Additive blending for the layers; each layer switches blending on.
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glEnable(GL_DEPTH_TEST);

    // A failed start-up ends the process here, without teardown; exit
    // flushes the report so its lines so far survive.
    if (!StartApplication())
        exit(1);
    return true;
}
