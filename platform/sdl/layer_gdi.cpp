// Device contexts, pixel formats, and the native window they bring about.
// Needs: SDL video with OpenGL. Every window has its own DC (CS_OWNDC
// behaviour, whatever the class says). SetPixelFormat realises the SDL
// window with the format's GL attributes, since SDL fixes a window's GL
// configuration when it creates it.
// Limits: 20 formats, all RGBA, window-drawable and GL-capable; no
// accumulation or auxiliary buffers; the driver may give more depth or
// colour than a format names (never less, where it can help it).
#include "platform/sdl/layer_capture.h"
#include "platform/cp1252.h"
#include "platform/sdl/layer_internal.h"

#include <SDL.h>

int layerLiveDCs = 0;

struct PixelFormat {
    BYTE colorBits, alphaBits, depthBits, stencilBits;
    bool doubleBuffer;
};

// 1-based index order: true colour first, as a display driver lists them.
static const PixelFormat pixelFormats[] = {
    {32, 0, 24, 0, true}, {32, 0, 24, 0, false}, {32, 0, 16, 0, true}, {32, 0, 16, 0, false},
    {32, 0, 0, 0, true},  {32, 0, 0, 0, false},  {32, 8, 24, 8, true}, {32, 8, 24, 8, false},
    {24, 0, 24, 0, true}, {24, 0, 24, 0, false}, {24, 0, 16, 0, true}, {24, 0, 16, 0, false},
    {24, 0, 0, 0, true},  {24, 0, 0, 0, false},  {16, 0, 24, 0, true}, {16, 0, 24, 0, false},
    {16, 0, 16, 0, true}, {16, 0, 16, 0, false}, {16, 0, 0, 0, true},  {16, 0, 0, 0, false}};
enum { FORMAT_COUNT = (int)(sizeof pixelFormats / sizeof pixelFormats[0]) };

// Win32's "don't care" flag for double buffering.
static const DWORD doubleBufferDontCare = 0x40000000;

HDC WINAPI GetDC(HWND hWnd)
{
    if (LayerShouldFail("GetDC"))
        return nullptr;
    LayerWindow* window = LayerFindWindow(hWnd);
    if (!window)
        return nullptr;
    window->dcObtained = true;
    if (!window->dcLive) {
        window->dcLive = true;
        ++layerLiveDCs;
    }
    return LayerDCHandle(window);
}

int WINAPI ReleaseDC(HWND hWnd, HDC hDC)
{
    if (LayerShouldFail("ReleaseDC"))
        return 0;
    LayerWindow* window = LayerFindDC(hDC);
    if (!window || window != LayerFindWindow(hWnd))
        return 0;
    if (window->dcLive) {
        window->dcLive = false;
        --layerLiveDCs;
    }
    return 1;
}

// Lower is better; a format that lacks what is asked for scores high but
// stays eligible, as Win32 hands out the closest format it has.
static int MatchCost(const PixelFormat& format, const PIXELFORMATDESCRIPTOR& asked)
{
    int cost = 0;
    if (!(asked.dwFlags & doubleBufferDontCare) && format.doubleBuffer != ((asked.dwFlags & PFD_DOUBLEBUFFER) != 0))
        cost += 1000000;
    int askedColor = asked.cColorBits ? asked.cColorBits : 32;
    if (format.colorBits < askedColor)
        cost += 100000 + (askedColor - format.colorBits) * 100;
    else
        cost += (format.colorBits - askedColor) * 100;
    if (format.depthBits < asked.cDepthBits)
        cost += 10000 + (asked.cDepthBits - format.depthBits) * 10;
    else
        cost += (format.depthBits - asked.cDepthBits) * 10;
    if (format.alphaBits < asked.cAlphaBits)
        cost += 5000;
    else if (format.alphaBits > asked.cAlphaBits)
        cost += 2;
    if (format.stencilBits < asked.cStencilBits)
        cost += 5000;
    else if (format.stencilBits > asked.cStencilBits)
        cost += 1;
    return cost;
}

int WINAPI ChoosePixelFormat(HDC hDC, const PIXELFORMATDESCRIPTOR* pfd)
{
    if (LayerShouldFail("ChoosePixelFormat"))
        return 0;
    if (!LayerFindDC(hDC) || !pfd || pfd->nSize != sizeof(PIXELFORMATDESCRIPTOR))
        return 0;
    if (pfd->iPixelType != PFD_TYPE_RGBA || !(pfd->dwFlags & PFD_SUPPORT_OPENGL) ||
        (pfd->dwFlags & (PFD_DRAW_TO_BITMAP | PFD_STEREO)))
        return 0;
    int best = 0, bestCost = 0;
    for (int i = 0; i < FORMAT_COUNT; ++i) {
        int cost = MatchCost(pixelFormats[i], *pfd);
        if (best == 0 || cost < bestCost) {
            best = i + 1;
            bestCost = cost;
        }
    }
    return best;
}

static void Describe(const PixelFormat& format, PIXELFORMATDESCRIPTOR* pfd)
{
    SDL_zerop(pfd);
    pfd->nSize = sizeof(PIXELFORMATDESCRIPTOR);
    pfd->nVersion = 1;
    pfd->dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | (format.doubleBuffer ? PFD_DOUBLEBUFFER : 0);
    pfd->iPixelType = PFD_TYPE_RGBA;
    pfd->cColorBits = format.colorBits;
    if (format.colorBits == 16) {
        pfd->cRedBits = 5;
        pfd->cRedShift = 11;
        pfd->cGreenBits = 6;
        pfd->cGreenShift = 5;
        pfd->cBlueBits = 5;
    } else {
        pfd->cRedBits = 8;
        pfd->cRedShift = 16;
        pfd->cGreenBits = 8;
        pfd->cGreenShift = 8;
        pfd->cBlueBits = 8;
    }
    pfd->cAlphaBits = format.alphaBits;
    pfd->cAlphaShift = format.alphaBits ? 24 : 0;
    pfd->cDepthBits = format.depthBits;
    pfd->cStencilBits = format.stencilBits;
    pfd->iLayerType = PFD_MAIN_PLANE;
}

int WINAPI DescribePixelFormat(HDC hDC, int format, UINT bytes, PIXELFORMATDESCRIPTOR* pfd)
{
    if (LayerShouldFail("DescribePixelFormat"))
        return 0;
    if (!LayerFindDC(hDC))
        return 0;
    if (!pfd)
        return FORMAT_COUNT;
    if (format < 1 || format > FORMAT_COUNT)
        return 0;
    if (bytes >= sizeof(PIXELFORMATDESCRIPTOR))
        Describe(pixelFormats[format - 1], pfd);
    return FORMAT_COUNT;
}

bool LayerRealiseWindow(LayerWindow* window)
{
    const PixelFormat& format = pixelFormats[window->pixelFormat - 1];
    SDL_GL_ResetAttributes();
    // No profile is asked for, so Mesa gives a compatibility context with
    // the fixed-function pipeline.
    int channel = format.colorBits == 16 ? 5 : 8;
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, channel);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, format.colorBits == 16 ? 6 : 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, channel);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, format.alphaBits);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, format.depthBits);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, format.stencilBits);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, format.doubleBuffer ? 1 : 0);

    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
    if (window->style & WS_THICKFRAME)
        flags |= SDL_WINDOW_RESIZABLE;
    if ((window->style & WS_CAPTION) != WS_CAPTION)
        flags |= SDL_WINDOW_BORDERLESS;
    bool fullscreen = LayerQualifiesForFullscreen(window);
    if (fullscreen)
        flags |= SDL_WINDOW_FULLSCREEN;

    static char title[LAYER_TITLE_MAX * 3];
    Cp1252ToUtf8(window->title, title, sizeof title);
    RECT insets = LayerFrameInsets(window->style, FALSE);
    int width = SDL_max(1, window->clientWidth);
    int height = SDL_max(1, window->clientHeight);
    SDL_Window* sdlWindow =
        SDL_CreateWindow(title, window->x + insets.left, window->y + insets.top, width, height, flags);
    if (!sdlWindow)
        return false;
    if (fullscreen)
        LayerSetFullscreenMode(sdlWindow);
    window->sdlWindow = sdlWindow;
    window->sdlWindowId = SDL_GetWindowID(sdlWindow);
    window->fullscreen = fullscreen;
    if (window->visible)
        SDL_ShowWindow(sdlWindow);
    return true;
}

BOOL WINAPI SetPixelFormat(HDC hDC, int format, const PIXELFORMATDESCRIPTOR* pfd)
{
    (void)pfd;
    if (LayerShouldFail("SetPixelFormat"))
        return FALSE;
    LayerWindow* window = LayerFindDC(hDC);
    // Win32 lets a window's pixel format be set only once.
    if (!window || format < 1 || format > FORMAT_COUNT || window->pixelFormat != 0)
        return FALSE;
    window->pixelFormat = format;
    if (!LayerRealiseWindow(window)) {
        window->pixelFormat = 0;
        return FALSE;
    }
    return TRUE;
}

int WINAPI GetPixelFormat(HDC hDC)
{
    if (LayerShouldFail("GetPixelFormat"))
        return 0;
    LayerWindow* window = LayerFindDC(hDC);
    return window ? window->pixelFormat : 0;
}

BOOL WINAPI SwapBuffers(HDC hDC)
{
    if (LayerShouldFail("SwapBuffers"))
        return FALSE;
    LayerWindow* window = LayerFindDC(hDC);
    // SDL swaps only the window whose context is current.
    if (!window || !window->sdlWindow || SDL_GL_GetCurrentWindow() != window->sdlWindow)
        return FALSE;
    LayerCaptureSwap(window);
    SDL_GL_SwapWindow(window->sdlWindow);
    return TRUE;
}
