// Pixel formats, GL contexts and SwapBuffers on the page's one WebGL
// context. Each wglCreateContext is a fresh GL 1.1 context to the system:
// the layer puts GL's default state back and deletes the textures of the
// context before it. SwapBuffers hands the page to the browser until its
// next animation frame (through ASYNCIFY), which presents the picture.
//
// Needs: the canvas with id "canvas", the browser's legacy-GL emulation.
// Limits: one pixel format (RGBA, double-buffered, depth); 8 contexts; no
// sharing between contexts; the drawing buffer is the canvas's size.
#include "platform/web/web_internal.h"

#include <emscripten.h>
#include <emscripten/html5.h>
#include <GL/gl.h>
#include <string.h>

enum { MAX_CONTEXTS = 8 };

struct WebContext {
    bool used;
    unsigned generation;
    bool started;  // made current once: its default state has been set
};
static WebContext contexts[MAX_CONTEXTS];
static HGLRC currentContext = nullptr;
static HDC currentDC = nullptr;
static EMSCRIPTEN_WEBGL_CONTEXT_HANDLE pageContext = 0;

// The emulation sets itself up from the module's context callbacks, which
// only SDL's and EGL's context creation fire.
EM_JS(void, WebStartEmulation, (), {
    Module.useWebGL = true;
    Browser.moduleContextCreatedCallbacks.forEach(function(callback) { callback(); });
});

EM_JS(void, WebDeleteAllTextures, (), {
    for (var i = 1; i < GL.textures.length; i++) {
        if (GL.textures[i]) {
            GLctx.deleteTexture(GL.textures[i]);
            GL.textures[i] = null;
        }
    }
});

EM_ASYNC_JS(void, WebAwaitNextFrame, (), {
    Module.orlathFrames = (Module.orlathFrames || 0) + 1;
    if (Module.orlathFrames == 1)
        Module.orlathFirstFrameAt = performance.now();
    // A page hidden before its first frame gets no animation frames; a
    // timer (which the browser slows down) keeps its loop going. Once
    // waiting on a frame, the loop simply sleeps while the page is hidden.
    await new Promise(function(resolve) {
        if (document.hidden)
            setTimeout(resolve, 16);
        else
            requestAnimationFrame(function() { resolve(); });
    });
});

// The one format: what the page's context is asked for (no alpha channel,
// at least 16 depth bits).
static PIXELFORMATDESCRIPTOR PageFormat()
{
    PIXELFORMATDESCRIPTOR pfd;
    memset(&pfd, 0, sizeof pfd);
    pfd.nSize = sizeof pfd;
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = 24;
    pfd.cRedBits = pfd.cGreenBits = pfd.cBlueBits = 8;
    pfd.cRedShift = 16;
    pfd.cGreenShift = 8;
    pfd.cDepthBits = 16;
    pfd.iLayerType = PFD_MAIN_PLANE;
    return pfd;
}

int WINAPI ChoosePixelFormat(HDC hDC, const PIXELFORMATDESCRIPTOR* pfd)
{
    if (!WebFindDC(hDC) || !pfd || !(pfd->dwFlags & PFD_SUPPORT_OPENGL) || pfd->iPixelType != PFD_TYPE_RGBA)
        return 0;
    return 1;
}

BOOL WINAPI SetPixelFormat(HDC hDC, int format, const PIXELFORMATDESCRIPTOR*)
{
    WebWindow* window = WebFindDC(hDC);
    // As on Win32, a window's pixel format is set once.
    if (!window || format != 1 || (window->pixelFormat && window->pixelFormat != format))
        return FALSE;
    window->pixelFormat = format;
    return TRUE;
}

int WINAPI GetPixelFormat(HDC hDC)
{
    WebWindow* window = WebFindDC(hDC);
    return window ? window->pixelFormat : 0;
}

int WINAPI DescribePixelFormat(HDC hDC, int format, UINT bytes, PIXELFORMATDESCRIPTOR* pfd)
{
    if (!WebFindDC(hDC) || format != 1)
        return 0;
    if (pfd && bytes >= sizeof *pfd)
        *pfd = PageFormat();
    return 1;
}

static WebContext* FindContext(HGLRC hRC)
{
    if (!hRC)
        return nullptr;
    int slot = (int)((uintptr_t)hRC & 0xFF) - 1;
    if (slot < 0 || slot >= MAX_CONTEXTS || !contexts[slot].used ||
        WebHandleSlot(hRC, WEB_HANDLE_CONTEXT, contexts[slot].generation) != slot)
        return nullptr;
    return &contexts[slot];
}

static bool EnsurePageContext()
{
    if (pageContext > 0)
        return true;
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.alpha = EM_FALSE;  // the window is opaque, whatever alpha is drawn
    attributes.depth = EM_TRUE;
    attributes.stencil = EM_FALSE;
    attributes.antialias = EM_FALSE;  // GL 1.1 draws aliased; multisampling costs much on software
    attributes.majorVersion = 1;
    attributes.enableExtensionsByDefault = EM_TRUE;
    pageContext = emscripten_webgl_create_context("#canvas", &attributes);
    if (pageContext <= 0)
        return false;
    emscripten_webgl_make_context_current(pageContext);
    WebStartEmulation();
    return true;
}

HGLRC WINAPI wglCreateContext(HDC hDC)
{
    WebWindow* window = WebFindDC(hDC);
    if (!window || !window->pixelFormat || !EnsurePageContext())
        return nullptr;
    for (int i = 0; i < MAX_CONTEXTS; ++i) {
        if (contexts[i].used)
            continue;
        contexts[i].used = true;
        contexts[i].generation = WebNextGeneration();
        contexts[i].started = false;
        return (HGLRC)WebMakeHandle(WEB_HANDLE_CONTEXT, i, contexts[i].generation);
    }
    return nullptr;
}

BOOL WINAPI wglMakeCurrent(HDC hDC, HGLRC hRC)
{
    if (!hRC) {
        currentContext = nullptr;
        currentDC = nullptr;
        return TRUE;
    }
    WebContext* context = FindContext(hRC);
    WebWindow* window = WebFindDC(hDC);
    if (!context || !window || !window->pixelFormat)
        return FALSE;
    if (!context->started) {
        // The old context's objects went with it; this one starts clean.
        WebDeleteAllTextures();
        WebGlStartContext(webCanvasWidth, webCanvasHeight);
        context->started = true;
    }
    currentContext = hRC;
    currentDC = hDC;
    return TRUE;
}

BOOL WINAPI wglDeleteContext(HGLRC hRC)
{
    WebContext* context = FindContext(hRC);
    if (!context)
        return FALSE;
    if (currentContext == hRC) {
        currentContext = nullptr;
        currentDC = nullptr;
    }
    context->used = false;
    return TRUE;
}

HGLRC WINAPI wglGetCurrentContext(void)
{
    return FindContext(currentContext) ? currentContext : nullptr;
}

HDC WINAPI wglGetCurrentDC(void)
{
    return wglGetCurrentContext() && WebFindDC(currentDC) ? currentDC : nullptr;
}

BOOL WINAPI SwapBuffers(HDC hDC)
{
    WebWindow* window = WebFindDC(hDC);
    if (!window || !window->pixelFormat)
        return FALSE;
    WebNoteYield();
    WebAwaitNextFrame();
    WebWaveUpdate();
    return TRUE;
}
