// Shared insides of the web layer: window records, handles, the message
// queue's entry points, and the seams between its files.
//
// Needs: win32_layer.h only. Limits: 8 windows and 8 classes; one canvas,
// which the newest window with a pixel format draws on; one thread.
#pragma once

#include "platform/win32_layer.h"

enum { WEB_MAX_WINDOWS = 8, WEB_MAX_CLASSES = 8, WEB_NAME_MAX = 64, WEB_TITLE_MAX = 256 };
// The page's canvas: every window's client area is this size, 640x480 until
// a window or a display mode asks for another (a kit demo's SIZE).
extern int webCanvasWidth, webCanvasHeight;
void WebSizeCanvas(int width, int height);

enum WebHandleKind { WEB_HANDLE_WINDOW = 1, WEB_HANDLE_DC = 2, WEB_HANDLE_CONTEXT = 3, WEB_HANDLE_FONT = 4, WEB_HANDLE_WAVE = 5 };
// kind << 28 | generation << 8 | (slot + 1): a stale handle to a reused
// slot carries an old generation and is refused.
uintptr_t WebMakeHandle(WebHandleKind kind, int slot, unsigned generation);
int WebHandleSlot(const void* handle, WebHandleKind kind, unsigned generation);
unsigned WebNextGeneration();

struct WebWindow {
    bool used;
    unsigned generation;
    int classSlot;
    WNDPROC proc;
    DWORD style;
    char title[WEB_TITLE_MAX];
    bool visible;
    bool minimized;  // the page is hidden
    bool dcLive;
    HGDIOBJ selectedObject;
    int pixelFormat;
};

struct WebClass {
    bool used;
    char name[WEB_NAME_MAX];
    WNDPROC proc;
    int windowCount;
};

extern WebWindow webWindows[WEB_MAX_WINDOWS];
extern WebClass webClasses[WEB_MAX_CLASSES];

WebWindow* WebFindWindow(HWND hWnd);
WebWindow* WebFindDC(HDC hDC);
HWND WebWindowHandle(const WebWindow* window);
HWND WebFocusWindow();
// The window the page's events go to: the focused one, else the newest.
HWND WebEventWindow();

LRESULT WebSend(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
bool WebPost(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
void WebDropMessagesFor(HWND hWnd);
// The page's events since the last call, turned into window messages.
void WebPumpPageEvents();
// Called by SwapBuffers: the loop gave the browser its turn this pass.
void WebNoteYield();
// The waveOut device looks at its context's time (web_wave.cpp): marks the
// buffers played since the last look done. Called by the pump and the swap.
void WebWaveUpdate();

// Full screen (web_display.cpp).
extern bool webModeFullscreen;  // ChangeDisplaySettingsA put the canvas mode in force
void WebEnterFullscreen();
void WebLeaveFullscreen();

// GL (web_gl.cpp): a fresh context's default state, lists and atlas.
void WebGlStartContext(int width, int height);

// Focus, blur and visibility of the page as activation (web_window.cpp).
void WebNotePageActivation(bool active, bool hidden);
