// WGL rendering contexts on SDL's GL contexts.
// Needs: SDL video with OpenGL; a DC whose pixel format is set (its window
// is then realised). Limits: 16 contexts; a context may be made current
// only on windows with the pixel format it was made for. Destroying the
// window whose DC is current releases the current context (Win32 leaves it
// current on a dead DC, where nothing can be drawn anyway).
#include "platform/sdl/layer_internal.h"

#include <SDL.h>

struct LayerContext {
    bool used;
    unsigned generation;
    SDL_GLContext gl;
    int pixelFormat;
};

static LayerContext contexts[LAYER_MAX_CONTEXTS];
static HGLRC currentContext = nullptr;
static HDC currentDC = nullptr;
int layerLiveContexts = 0;

static LayerContext* FindContext(HGLRC hRC)
{
    unsigned generation;
    int slot = LayerHandleSlot(hRC, LAYER_HANDLE_CONTEXT, &generation);
    if (slot < 0 || slot >= LAYER_MAX_CONTEXTS)
        return nullptr;
    LayerContext* context = &contexts[slot];
    return (context->used && context->generation == generation) ? context : nullptr;
}

static void ReleaseCurrent()
{
    if (currentContext)
        SDL_GL_MakeCurrent(nullptr, nullptr);
    currentContext = nullptr;
    currentDC = nullptr;
}

void LayerForgetWindowContexts(LayerWindow* window)
{
    if (currentDC && LayerFindDC(currentDC) == window)
        ReleaseCurrent();
}

HGLRC WINAPI wglCreateContext(HDC hDC)
{
    if (LayerShouldFail("wglCreateContext"))
        return nullptr;
    LayerWindow* window = LayerFindDC(hDC);
    if (!window || !window->sdlWindow)
        return nullptr;
    int slot = 0;
    while (slot < LAYER_MAX_CONTEXTS && contexts[slot].used)
        ++slot;
    if (slot == LAYER_MAX_CONTEXTS)
        return nullptr;

    // SDL makes a new context current; WGL does not, so put back what was.
    SDL_GLContext gl = SDL_GL_CreateContext(window->sdlWindow);
    LayerWindow* currentWindow = LayerFindDC(currentDC);
    LayerContext* current = FindContext(currentContext);
    if (current && currentWindow && currentWindow->sdlWindow)
        SDL_GL_MakeCurrent(currentWindow->sdlWindow, current->gl);
    else
        SDL_GL_MakeCurrent(nullptr, nullptr);
    if (!gl)
        return nullptr;

    LayerContext* context = &contexts[slot];
    context->used = true;
    context->generation = LayerNextGeneration();
    context->gl = gl;
    context->pixelFormat = window->pixelFormat;
    ++layerLiveContexts;
    return (HGLRC)LayerMakeHandle(LAYER_HANDLE_CONTEXT, slot, context->generation);
}

BOOL WINAPI wglMakeCurrent(HDC hDC, HGLRC hRC)
{
    if (LayerShouldFail("wglMakeCurrent"))
        return FALSE;
    if (!hRC) {
        ReleaseCurrent();
        return TRUE;
    }
    LayerContext* context = FindContext(hRC);
    LayerWindow* window = LayerFindDC(hDC);
    // On failure Win32 leaves no context current.
    if (!context || !window || !window->sdlWindow || window->pixelFormat != context->pixelFormat ||
        SDL_GL_MakeCurrent(window->sdlWindow, context->gl) != 0) {
        ReleaseCurrent();
        return FALSE;
    }
    currentContext = hRC;
    currentDC = hDC;
    return TRUE;
}

BOOL WINAPI wglDeleteContext(HGLRC hRC)
{
    if (LayerShouldFail("wglDeleteContext"))
        return FALSE;
    LayerContext* context = FindContext(hRC);
    if (!context)
        return FALSE;
    if (currentContext == hRC)
        ReleaseCurrent();
    SDL_GL_DeleteContext(context->gl);
    SDL_zerop(context);
    --layerLiveContexts;
    return TRUE;
}

HGLRC WINAPI wglGetCurrentContext(void)
{
    if (LayerShouldFail("wglGetCurrentContext"))
        return nullptr;
    return FindContext(currentContext) ? currentContext : nullptr;
}

HDC WINAPI wglGetCurrentDC(void)
{
    if (LayerShouldFail("wglGetCurrentDC"))
        return nullptr;
    return (FindContext(currentContext) && LayerFindDC(currentDC)) ? currentDC : nullptr;
}
