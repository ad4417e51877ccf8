// Window classes, windows and their DCs on the page: every window's client
// area is the canvas, sized by the newest window, the title is the document's title, and
// activation follows the page's focus (web_queue.cpp).
//
// Needs: web_queue.cpp for sending. Limits: no frame (AdjustWindowRectEx
// adds nothing), no position, no child windows; hiding a window leaves the
// canvas showing its last picture.
#include "platform/web/web_internal.h"
#include "platform/cp1252.h"

#include <emscripten.h>
#include <stdio.h>
#include <string.h>
#include <strings.h>

WebWindow webWindows[WEB_MAX_WINDOWS];
WebClass webClasses[WEB_MAX_CLASSES];
static unsigned generationCounter = 0;
static HWND focusWindow = nullptr;
static HWND activeWindow = nullptr;

EM_JS(void, WebSetDocumentTitle, (const char* title), { document.title = UTF8ToString(title); });

uintptr_t WebMakeHandle(WebHandleKind kind, int slot, unsigned generation)
{
    return ((uintptr_t)kind << 28) | ((uintptr_t)(generation & 0xFFFFF) << 8) | (uintptr_t)(slot + 1);
}

int WebHandleSlot(const void* handle, WebHandleKind kind, unsigned generation)
{
    uintptr_t value = (uintptr_t)handle;
    int slot = (int)(value & 0xFF) - 1;
    if ((value >> 28) != (uintptr_t)kind || ((value >> 8) & 0xFFFFF) != (generation & 0xFFFFF))
        return -1;
    return slot;
}

unsigned WebNextGeneration()
{
    if (++generationCounter > 0xFFFFF)
        generationCounter = 1;
    return generationCounter;
}

static WebWindow* FindBy(const void* handle, WebHandleKind kind)
{
    if (!handle)
        return nullptr;
    int slot = (int)((uintptr_t)handle & 0xFF) - 1;
    if (slot < 0 || slot >= WEB_MAX_WINDOWS || !webWindows[slot].used)
        return nullptr;
    if (WebHandleSlot(handle, kind, webWindows[slot].generation) != slot)
        return nullptr;
    return &webWindows[slot];
}

WebWindow* WebFindWindow(HWND hWnd)
{
    return FindBy(hWnd, WEB_HANDLE_WINDOW);
}

WebWindow* WebFindDC(HDC hDC)
{
    WebWindow* window = FindBy(hDC, WEB_HANDLE_DC);
    return window && window->dcLive ? window : nullptr;
}

HWND WebWindowHandle(const WebWindow* window)
{
    return (HWND)WebMakeHandle(WEB_HANDLE_WINDOW, (int)(window - webWindows), window->generation);
}

HWND WebFocusWindow()
{
    return WebFindWindow(focusWindow) ? focusWindow : nullptr;
}

HWND WebEventWindow()
{
    if (WebFocusWindow())
        return focusWindow;
    for (int i = WEB_MAX_WINDOWS - 1; i >= 0; --i)
        if (webWindows[i].used && webWindows[i].visible)
            return WebWindowHandle(&webWindows[i]);
    return nullptr;
}

static int FindClass(LPCSTR name)
{
    for (int i = 0; i < WEB_MAX_CLASSES; ++i)
        if (webClasses[i].used && name && strcasecmp(webClasses[i].name, name) == 0)
            return i;
    return -1;
}

HMODULE WINAPI GetModuleHandleA(LPCSTR moduleName)
{
    return moduleName ? nullptr : (HMODULE)(uintptr_t)0x400000;
}

HICON WINAPI LoadIconA(HINSTANCE, LPCSTR)
{
    return (HICON)(uintptr_t)0x10001;
}

HCURSOR WINAPI LoadCursorA(HINSTANCE, LPCSTR)
{
    return (HCURSOR)(uintptr_t)0x10003;
}

ATOM WINAPI RegisterClassA(const WNDCLASSA* windowClass)
{
    if (!windowClass || !windowClass->lpszClassName || !windowClass->lpfnWndProc ||
        strlen(windowClass->lpszClassName) >= WEB_NAME_MAX || FindClass(windowClass->lpszClassName) >= 0)
        return 0;
    for (int i = 0; i < WEB_MAX_CLASSES; ++i) {
        if (webClasses[i].used)
            continue;
        webClasses[i].used = true;
        strcpy(webClasses[i].name, windowClass->lpszClassName);
        webClasses[i].proc = windowClass->lpfnWndProc;
        webClasses[i].windowCount = 0;
        return (ATOM)(0xC000 + i);
    }
    return 0;
}

BOOL WINAPI UnregisterClassA(LPCSTR className, HINSTANCE)
{
    int slot = FindClass(className);
    // As on Win32, a class with live windows stays.
    if (slot < 0 || webClasses[slot].windowCount > 0)
        return FALSE;
    webClasses[slot].used = false;
    return TRUE;
}

BOOL WINAPI AdjustWindowRectEx(RECT* rect, DWORD, BOOL, DWORD)
{
    // The page draws no frame around the canvas.
    return rect ? TRUE : FALSE;
}

int webCanvasWidth = 640, webCanvasHeight = 480;

EM_JS(void, WebSetCanvasElementSize, (int width, int height), {
    var canvas = document.getElementById("canvas");
    if (canvas) {
        canvas.width = width;
        canvas.height = height;
    }
});

void WebSizeCanvas(int width, int height)
{
    // A size the browser would refuse (or CW_USEDEFAULT's) keeps the canvas.
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384)
        return;
    webCanvasWidth = width;
    webCanvasHeight = height;
    WebSetCanvasElementSize(width, height);
}

HWND WINAPI CreateWindowExA(DWORD, LPCSTR className, LPCSTR windowName, DWORD style, int, int, int width, int height,
                            HWND, HMENU, HINSTANCE, LPVOID)
{
    int classSlot = FindClass(className);
    if (classSlot < 0)
        return nullptr;
    WebWindow* window = nullptr;
    for (int i = 0; i < WEB_MAX_WINDOWS && !window; ++i)
        if (!webWindows[i].used)
            window = &webWindows[i];
    if (!window)
        return nullptr;
    memset(window, 0, sizeof *window);
    window->used = true;
    window->generation = WebNextGeneration();
    window->classSlot = classSlot;
    window->proc = webClasses[classSlot].proc;
    window->style = style;
    snprintf(window->title, sizeof window->title, "%s", windowName ? windowName : "");
    ++webClasses[classSlot].windowCount;

    WebSizeCanvas(width, height);
    HWND hWnd = WebWindowHandle(window);
    if (!WebSend(hWnd, WM_NCCREATE, 0, 0) || WebSend(hWnd, WM_CREATE, 0, 0) == -1) {
        WebSend(hWnd, WM_NCDESTROY, 0, 0);
        --webClasses[classSlot].windowCount;
        window->used = false;
        return nullptr;
    }
    char utf8[WEB_TITLE_MAX * 3];
    Cp1252ToUtf8(window->title, utf8, sizeof utf8);
    WebSetDocumentTitle(utf8);
    if (style & WS_VISIBLE)
        ShowWindow(hWnd, SW_SHOW);
    return hWnd;
}

BOOL WINAPI DestroyWindow(HWND hWnd)
{
    WebWindow* window = WebFindWindow(hWnd);
    if (!window)
        return FALSE;
    if (activeWindow == hWnd) {
        WebSend(hWnd, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, window->minimized), 0);
        activeWindow = nullptr;
    }
    if (focusWindow == hWnd) {
        WebSend(hWnd, WM_KILLFOCUS, 0, 0);
        focusWindow = nullptr;
    }
    WebSend(hWnd, WM_DESTROY, 0, 0);
    WebSend(hWnd, WM_NCDESTROY, 0, 0);
    WebDropMessagesFor(hWnd);
    --webClasses[window->classSlot].windowCount;
    window->used = false;
    return TRUE;
}

static void Activate(HWND hWnd)
{
    if (activeWindow == hWnd)
        return;
    HWND previous = activeWindow;
    if (WebWindow* old = WebFindWindow(previous))
        WebSend(previous, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, old->minimized), (LPARAM)hWnd);
    activeWindow = hWnd;
    WebSend(hWnd, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, WebFindWindow(hWnd)->minimized), (LPARAM)previous);
}

BOOL WINAPI ShowWindow(HWND hWnd, int showCommand)
{
    WebWindow* window = WebFindWindow(hWnd);
    if (!window)
        return FALSE;
    BOOL wasVisible = window->visible ? TRUE : FALSE;
    if (showCommand == SW_HIDE) {
        if (window->visible)
            WebSend(hWnd, WM_SHOWWINDOW, FALSE, 0);
        window->visible = false;
        return wasVisible;
    }
    if (!window->visible) {
        window->visible = true;
        WebSend(hWnd, WM_SHOWWINDOW, TRUE, 0);
        WebSend(hWnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(webCanvasWidth, webCanvasHeight));
        if (window->style & WS_POPUP)
            WebEnterFullscreen();
    }
    Activate(hWnd);
    return wasVisible;
}

BOOL WINAPI SetForegroundWindow(HWND hWnd)
{
    if (!WebFindWindow(hWnd))
        return FALSE;
    Activate(hWnd);
    return TRUE;
}

HWND WINAPI SetFocus(HWND hWnd)
{
    if (hWnd && !WebFindWindow(hWnd))
        return nullptr;
    HWND previous = WebFocusWindow();
    if (previous == hWnd)
        return previous;
    if (previous)
        WebSend(previous, WM_KILLFOCUS, (WPARAM)hWnd, 0);
    focusWindow = hWnd;
    if (hWnd)
        WebSend(hWnd, WM_SETFOCUS, (WPARAM)previous, 0);
    return previous;
}

HWND WINAPI GetFocus(void)
{
    return WebFocusWindow();
}

HWND WINAPI GetForegroundWindow(void)
{
    return WebFindWindow(activeWindow) ? activeWindow : nullptr;
}

BOOL WINAPI IsWindow(HWND hWnd)
{
    return WebFindWindow(hWnd) ? TRUE : FALSE;
}

BOOL WINAPI IsWindowVisible(HWND hWnd)
{
    WebWindow* window = WebFindWindow(hWnd);
    return window && window->visible ? TRUE : FALSE;
}

BOOL WINAPI GetClientRect(HWND hWnd, RECT* rect)
{
    if (!WebFindWindow(hWnd) || !rect)
        return FALSE;
    rect->left = rect->top = 0;
    rect->right = webCanvasWidth;
    rect->bottom = webCanvasHeight;
    return TRUE;
}

int WINAPI GetWindowTextA(HWND hWnd, LPSTR text, int maxCount)
{
    WebWindow* window = WebFindWindow(hWnd);
    if (!window || !text || maxCount <= 0)
        return 0;
    snprintf(text, (size_t)maxCount, "%s", window->title);
    return (int)strlen(text);
}

HDC WINAPI GetDC(HWND hWnd)
{
    WebWindow* window = WebFindWindow(hWnd);
    if (!window)
        return nullptr;
    window->dcLive = true;
    return (HDC)WebMakeHandle(WEB_HANDLE_DC, (int)(window - webWindows), window->generation);
}

int WINAPI ReleaseDC(HWND hWnd, HDC hDC)
{
    WebWindow* window = WebFindDC(hDC);
    if (!window || WebWindowHandle(window) != hWnd)
        return 0;
    window->dcLive = false;
    return 1;
}

// Activation from the page: focus and blur, and hiding as minimising.
void WebNotePageActivation(bool active, bool hidden)
{
    HWND hWnd = WebEventWindow();
    WebWindow* window = WebFindWindow(hWnd);
    if (!window)
        return;
    bool wasMinimized = window->minimized;
    window->minimized = hidden;
    if (!active) {
        if (activeWindow == hWnd)
            WebSend(hWnd, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, hidden), 0);
        activeWindow = nullptr;
    } else if (activeWindow != hWnd || wasMinimized != hidden) {
        activeWindow = hWnd;
        WebSend(hWnd, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, hidden), 0);
    }
}
