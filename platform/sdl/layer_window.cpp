// Windows: creation and destruction with the messages Win32 sends, show,
// activation and focus, the frame metrics, and the handle table.
// Needs: SDL video (started by CreateWindowExA). The native SDL window is
// made later, by SetPixelFormat, because SDL fixes a window's GL
// configuration when it creates it.
// Limits: 16 windows, no child windows, no parent or owner; one frame
// style: 4-pixel sizing border, 3-pixel fixed border, 19-pixel caption and
// menu bar. The screen saver is held off while any window lives.
#include "platform/sdl/layer_internal.h"

#include <SDL.h>

LayerWindow layerWindows[LAYER_MAX_WINDOWS];
int layerLiveWindows = 0;

static HWND activeWindow = nullptr;
static HWND focusWindow = nullptr;
static unsigned nextSerial = 1;
static int nextSlot = 0;

// Win32's CREATESTRUCTA, so a window procedure can read lpCreateParams.
struct LayerCreateStruct {
    LPVOID lpCreateParams;
    HINSTANCE hInstance;
    HMENU hMenu;
    HWND hwndParent;
    int cy, cx, y, x;
    LONG style;
    LPCSTR lpszName;
    LPCSTR lpszClass;
    DWORD dwExStyle;
};

// ---------------------------------------------------------------- handles

uintptr_t LayerMakeHandle(LayerHandleKind kind, int slot, unsigned generation)
{
    return ((uintptr_t)kind << 28) | ((uintptr_t)(generation & 0xFFFFF) << 8) | (uintptr_t)(slot + 1);
}

int LayerHandleSlot(const void* handle, LayerHandleKind kind, unsigned* generation)
{
    uintptr_t value = (uintptr_t)handle;
    if ((value >> 28) != (uintptr_t)kind || (value & 0xFF) == 0)
        return -1;
    *generation = (unsigned)((value >> 8) & 0xFFFFF);
    return (int)(value & 0xFF) - 1;
}

unsigned LayerNextGeneration()
{
    static unsigned generation = 0;
    generation = (generation + 1) & 0xFFFFF;
    if (generation == 0)
        generation = 1;
    return generation;
}

LayerWindow* LayerFindWindow(HWND hWnd)
{
    unsigned generation;
    int slot = LayerHandleSlot(hWnd, LAYER_HANDLE_WINDOW, &generation);
    if (slot < 0 || slot >= LAYER_MAX_WINDOWS)
        return nullptr;
    LayerWindow* window = &layerWindows[slot];
    return (window->used && window->generation == generation) ? window : nullptr;
}

LayerWindow* LayerFindDC(HDC hDC)
{
    unsigned generation;
    int slot = LayerHandleSlot(hDC, LAYER_HANDLE_DC, &generation);
    if (slot < 0 || slot >= LAYER_MAX_WINDOWS)
        return nullptr;
    LayerWindow* window = &layerWindows[slot];
    return (window->used && window->generation == generation && window->dcObtained) ? window : nullptr;
}

HWND LayerWindowHandle(const LayerWindow* window)
{
    return (HWND)LayerMakeHandle(LAYER_HANDLE_WINDOW, (int)(window - layerWindows), window->generation);
}

HDC LayerDCHandle(const LayerWindow* window)
{
    return (HDC)LayerMakeHandle(LAYER_HANDLE_DC, (int)(window - layerWindows), window->generation);
}

LayerWindow* LayerNewestWindow()
{
    LayerWindow* newest = nullptr;
    for (LayerWindow& window : layerWindows)
        if (window.used && !window.destroying && (!newest || window.serial > newest->serial))
            newest = &window;
    return newest;
}

unsigned LayerEventWindowId(const LayerWindow* window)
{
    return window->sdlWindow ? window->sdlWindowId
                             : LAYER_UNREALISED_ID_BASE + (unsigned)(window - layerWindows);
}

LayerWindow* LayerWindowFromEventId(unsigned windowId)
{
    if (windowId == 0)
        return nullptr;
    for (LayerWindow& window : layerWindows)
        if (window.used && LayerEventWindowId(&window) == windowId)
            return &window;
    return nullptr;
}

LayerWindow* LayerFocusWindow()
{
    return LayerFindWindow(focusWindow);
}

// ---------------------------------------------------------------- frame

RECT LayerFrameInsets(DWORD style, BOOL menu)
{
    int side = 0;
    if (style & WS_THICKFRAME)
        side = 4;
    else if (style & WS_DLGFRAME)
        side = 3;
    else if (style & WS_BORDER)
        side = 1;
    int top = side;
    if ((style & WS_CAPTION) == WS_CAPTION)
        top += 19;
    if (menu)
        top += 19;
    RECT insets = {side, top, side, side};
    return insets;
}

BOOL WINAPI AdjustWindowRectEx(RECT* rect, DWORD style, BOOL menu, DWORD exStyle)
{
    (void)exStyle;
    if (LayerShouldFail("AdjustWindowRectEx"))
        return FALSE;
    if (!rect)
        return FALSE;
    RECT insets = LayerFrameInsets(style, menu);
    rect->left -= insets.left;
    rect->top -= insets.top;
    rect->right += insets.right;
    rect->bottom += insets.bottom;
    return TRUE;
}

// ---------------------------------------------------------------- activation and focus

static void MoveFocus(HWND hWnd)
{
    HWND previous = focusWindow;
    if (previous == hWnd)
        return;
    focusWindow = hWnd;
    if (LayerFindWindow(previous))
        LayerSend(previous, WM_KILLFOCUS, (WPARAM)hWnd, 0);
    if (LayerFindWindow(hWnd))
        LayerSend(hWnd, WM_SETFOCUS, (WPARAM)previous, 0);
}

static void Activate(LayerWindow* window)
{
    HWND hWnd = LayerWindowHandle(window);
    HWND previous = activeWindow;
    if (previous == hWnd)
        return;
    activeWindow = hWnd;
    if (LayerFindWindow(previous))
        LayerSend(previous, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, LayerFindWindow(previous)->minimized), (LPARAM)hWnd);
    if (!LayerFindWindow(hWnd))
        return;
    LayerSend(hWnd, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, window->minimized), (LPARAM)previous);
    if (LayerFindWindow(hWnd))
        MoveFocus(hWnd);
}

void LayerNoteActivation(LayerWindow* window, bool active)
{
    HWND hWnd = LayerWindowHandle(window);
    if (active) {
        activeWindow = hWnd;
        focusWindow = hWnd;
    } else {
        if (activeWindow == hWnd)
            activeWindow = nullptr;
        if (focusWindow == hWnd)
            focusWindow = nullptr;
    }
}

void LayerNoteMinimized(LayerWindow* window, bool minimized)
{
    window->minimized = minimized;
}

void LayerNoteClientSize(LayerWindow* window, int width, int height)
{
    window->clientWidth = width;
    window->clientHeight = height;
    RECT insets = LayerFrameInsets(window->style, FALSE);
    window->outerWidth = width + insets.left + insets.right;
    window->outerHeight = height + insets.top + insets.bottom;
}

// ---------------------------------------------------------------- creation and destruction

static LayerWindow* FreeSlot()
{
    // Round robin, so a just-freed handle is not handed out again at once.
    for (int i = 0; i < LAYER_MAX_WINDOWS; ++i) {
        int slot = (nextSlot + i) % LAYER_MAX_WINDOWS;
        if (!layerWindows[slot].used) {
            nextSlot = (slot + 1) % LAYER_MAX_WINDOWS;
            return &layerWindows[slot];
        }
    }
    return nullptr;
}

static void ReleaseRecord(LayerWindow* window)
{
    HWND hWnd = LayerWindowHandle(window);
    LayerForgetWindowContexts(window);
    if (window->sdlWindow)
        SDL_DestroyWindow(window->sdlWindow);
    if (window->dcLive)
        --layerLiveDCs;
    LayerDropMessagesFor(hWnd);
    if (activeWindow == hWnd)
        activeWindow = nullptr;
    if (focusWindow == hWnd)
        focusWindow = nullptr;
    --layerClasses[window->classSlot].windowCount;
    SDL_zerop(window);
    if (--layerLiveWindows == 0)
        SDL_EnableScreenSaver();
}

HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                            int width, int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param)
{
    if (LayerShouldFail("CreateWindowExA"))
        return nullptr;
    int classSlot = LayerFindClass(className);
    if (classSlot < 0 || (style & WS_CHILD) || width < 0 || height < 0)
        return nullptr;
    if (!LayerEnsureVideo()) {
        LayerTellNoDisplay();
        return nullptr;
    }
    LayerWindow* window = FreeSlot();
    if (!window)
        return nullptr;

    SDL_zerop(window);
    window->used = true;
    window->generation = LayerNextGeneration();
    window->serial = nextSerial++;
    window->classSlot = classSlot;
    window->proc = layerClasses[classSlot].proc;
    window->style = style & ~WS_VISIBLE;
    window->exStyle = exStyle;
    SDL_strlcpy(window->title, windowName ? windowName : "", sizeof window->title);
    SDL_strlcpy(layerLastWindowTitle, window->title, sizeof layerLastWindowTitle);
    window->x = x;
    window->y = y;
    RECT insets = LayerFrameInsets(style, menu != nullptr);
    window->outerWidth = width;
    window->outerHeight = height;
    window->clientWidth = SDL_max(0, width - insets.left - insets.right);
    window->clientHeight = SDL_max(0, height - insets.top - insets.bottom);
    ++layerClasses[classSlot].windowCount;
    if (layerLiveWindows++ == 0)
        SDL_DisableScreenSaver();

    HWND hWnd = LayerWindowHandle(window);
    LayerCreateStruct create = {param, instance, menu, parent, height, width, y, x, (LONG)style,
                                windowName, className, exStyle};
    if (!LayerSend(hWnd, WM_NCCREATE, 0, (LPARAM)&create)) {
        if (LayerFindWindow(hWnd)) {
            window->destroying = true;
            LayerSend(hWnd, WM_NCDESTROY, 0, 0);
            ReleaseRecord(window);
        }
        return nullptr;
    }
    if (!LayerFindWindow(hWnd))
        return nullptr;
    if (LayerSend(hWnd, WM_CREATE, 0, (LPARAM)&create) == -1) {
        LayerDestroyWindow(hWnd);
        return nullptr;
    }
    if (!LayerFindWindow(hWnd))
        return nullptr;
    if (style & WS_VISIBLE)
        LayerShowWindow(hWnd, SW_SHOW);
    return LayerFindWindow(hWnd) ? hWnd : nullptr;
}

BOOL WINAPI DestroyWindow(HWND hWnd)
{
    if (LayerShouldFail("DestroyWindow"))
        return FALSE;
    return LayerDestroyWindow(hWnd);
}

BOOL LayerDestroyWindow(HWND hWnd)
{
    LayerWindow* window = LayerFindWindow(hWnd);
    if (!window || window->destroying)
        return FALSE;
    window->destroying = true;
    if (window->sdlWindow)
        SDL_HideWindow(window->sdlWindow);
    if (activeWindow == hWnd) {
        activeWindow = nullptr;
        LayerSend(hWnd, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, window->minimized), 0);
    }
    if (focusWindow == hWnd) {
        focusWindow = nullptr;
        LayerSend(hWnd, WM_KILLFOCUS, 0, 0);
    }
    LayerSend(hWnd, WM_DESTROY, 0, 0);
    LayerSend(hWnd, WM_NCDESTROY, 0, 0);
    ReleaseRecord(window);
    return TRUE;
}

// ---------------------------------------------------------------- show, focus, queries

BOOL WINAPI ShowWindow(HWND hWnd, int showCommand)
{
    if (LayerShouldFail("ShowWindow"))
        return FALSE;
    return LayerShowWindow(hWnd, showCommand);
}

BOOL LayerShowWindow(HWND hWnd, int showCommand)
{
    LayerWindow* window = LayerFindWindow(hWnd);
    if (!window)
        return FALSE;
    BOOL wasVisible = window->visible ? TRUE : FALSE;

    if (showCommand == SW_HIDE) {
        if (window->visible) {
            LayerSend(hWnd, WM_SHOWWINDOW, FALSE, 0);
            if ((window = LayerFindWindow(hWnd)) == nullptr)
                return wasVisible;
            window->visible = false;
            if (window->sdlWindow)
                SDL_HideWindow(window->sdlWindow);
        }
        return wasVisible;
    }

    if (!window->visible) {
        LayerSend(hWnd, WM_SHOWWINDOW, TRUE, 0);
        if ((window = LayerFindWindow(hWnd)) == nullptr)
            return wasVisible;
        window->visible = true;
        if (window->sdlWindow)
            SDL_ShowWindow(window->sdlWindow);
    }
    if (showCommand == SW_MINIMIZE || showCommand == SW_SHOWMINIMIZED) {
        if (window->sdlWindow)
            SDL_MinimizeWindow(window->sdlWindow);
        return wasVisible;
    }
    if (showCommand == SW_RESTORE && window->sdlWindow)
        SDL_RestoreWindow(window->sdlWindow);

    bool firstShow = !window->shownOnce;
    window->shownOnce = true;
    if (firstShow || activeWindow != hWnd)
        Activate(window);
    if (firstShow && (window = LayerFindWindow(hWnd)) != nullptr) {
        LayerSend(hWnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(window->clientWidth, window->clientHeight));
        if ((window = LayerFindWindow(hWnd)) != nullptr) {
            RECT insets = LayerFrameInsets(window->style, FALSE);
            LayerSend(hWnd, WM_MOVE, 0, MAKELPARAM(window->x + insets.left, window->y + insets.top));
        }
    }
    return wasVisible;
}

BOOL WINAPI SetForegroundWindow(HWND hWnd)
{
    if (LayerShouldFail("SetForegroundWindow"))
        return FALSE;
    LayerWindow* window = LayerFindWindow(hWnd);
    if (!window)
        return FALSE;
    if (window->sdlWindow)
        SDL_RaiseWindow(window->sdlWindow);
    Activate(window);
    return TRUE;
}

HWND WINAPI SetFocus(HWND hWnd)
{
    if (LayerShouldFail("SetFocus"))
        return nullptr;
    if (hWnd && !LayerFindWindow(hWnd))
        return nullptr;
    HWND previous = LayerFindWindow(focusWindow) ? focusWindow : nullptr;
    MoveFocus(hWnd);
    return previous;
}

HWND WINAPI GetFocus(void)
{
    if (LayerShouldFail("GetFocus"))
        return nullptr;
    return LayerFindWindow(focusWindow) ? focusWindow : nullptr;
}

HWND WINAPI GetForegroundWindow(void)
{
    if (LayerShouldFail("GetForegroundWindow"))
        return nullptr;
    return LayerFindWindow(activeWindow) ? activeWindow : nullptr;
}

BOOL WINAPI IsWindow(HWND hWnd)
{
    if (LayerShouldFail("IsWindow"))
        return FALSE;
    return LayerFindWindow(hWnd) ? TRUE : FALSE;
}

BOOL WINAPI IsWindowVisible(HWND hWnd)
{
    if (LayerShouldFail("IsWindowVisible"))
        return FALSE;
    LayerWindow* window = LayerFindWindow(hWnd);
    return (window && window->visible) ? TRUE : FALSE;
}

BOOL WINAPI GetClientRect(HWND hWnd, RECT* rect)
{
    if (LayerShouldFail("GetClientRect"))
        return FALSE;
    LayerWindow* window = LayerFindWindow(hWnd);
    if (!window || !rect)
        return FALSE;
    rect->left = 0;
    rect->top = 0;
    rect->right = window->minimized ? 0 : window->clientWidth;
    rect->bottom = window->minimized ? 0 : window->clientHeight;
    return TRUE;
}

int WINAPI GetWindowTextA(HWND hWnd, LPSTR text, int maxCount)
{
    if (LayerShouldFail("GetWindowTextA"))
        return 0;
    LayerWindow* window = LayerFindWindow(hWnd);
    if (!window || !text || maxCount <= 0)
        return 0;
    SDL_strlcpy(text, window->title, (size_t)maxCount);
    return (int)SDL_strlen(text);
}
