// Shared insides of the Win32-compatible layer: the window, DC and class
// records, handle encoding, the failure hook, lazy SDL video start, and the
// seams between the layer's files (queue, events, display, GDI, WGL, fonts).
//
// Needs: nothing but win32_layer.h; SDL types are only forward-declared so
// that tests can include this header without SDL's include path.
// Limits: fixed tables (16 classes, 16 windows, 16 contexts), one display
// (SDL display 0), one thread.
#pragma once

#include "platform/win32_layer.h"

struct SDL_Window;
union SDL_Event;

enum {
    LAYER_MAX_CLASSES = 16,
    LAYER_MAX_WINDOWS = 16,
    LAYER_MAX_CONTEXTS = 16,
    LAYER_CLASS_NAME_MAX = 64,
    LAYER_TITLE_MAX = 256
};

// ---------------------------------------------------------------- handles

// A handle is kind << 28 | generation << 8 | (slot + 1). The generation
// changes with every new object, so a stale handle to a reused slot is
// recognised as invalid.
enum LayerHandleKind {
    LAYER_HANDLE_WINDOW = 1,
    LAYER_HANDLE_DC = 2,
    LAYER_HANDLE_CONTEXT = 3,
    LAYER_HANDLE_GDI = 4,  // fonts and other GDI objects (layer_font.cpp)
    LAYER_HANDLE_WAVE = 5  // the waveOut device (layer_wave.cpp)
};

uintptr_t LayerMakeHandle(LayerHandleKind kind, int slot, unsigned generation);
// The slot a handle names (generation in *generation), or -1 when the
// value is not a handle of that kind.
int LayerHandleSlot(const void* handle, LayerHandleKind kind, unsigned* generation);
// A fresh generation number (never 0) for a new object.
unsigned LayerNextGeneration();

// ---------------------------------------------------------------- windows

struct LayerClass {
    bool used;
    ATOM atom;
    char name[LAYER_CLASS_NAME_MAX];
    UINT style;
    WNDPROC proc;
    HINSTANCE instance;
    int windowCount;  // live windows of this class
};

struct LayerWindow {
    bool used;
    unsigned generation;
    unsigned serial;  // creation order: injected events go to the newest
    int classSlot;
    WNDPROC proc;
    DWORD style;
    DWORD exStyle;
    char title[LAYER_TITLE_MAX];  // Windows-1252, as given
    int x, y;                     // outer position
    int outerWidth, outerHeight;
    int clientWidth, clientHeight;  // kept while minimised
    bool visible;
    bool shownOnce;
    bool minimized;
    bool destroying;
    // The window's own DC (CS_OWNDC): one per window, valid while it lives.
    bool dcObtained;
    bool dcLive;  // from GetDC until ReleaseDC or destruction
    HGDIOBJ selectedObject;  // GDI object selected into the DC (fonts); null = stock
    int pixelFormat;         // 1-based, 0 = none yet
    // The native window exists only once a pixel format is set.
    SDL_Window* sdlWindow;
    unsigned sdlWindowId;
    bool fullscreen;  // realised in the display mode in force
};

extern LayerClass layerClasses[LAYER_MAX_CLASSES];
extern LayerWindow layerWindows[LAYER_MAX_WINDOWS];

LayerWindow* LayerFindWindow(HWND hWnd);
LayerWindow* LayerFindDC(HDC hDC);  // the window whose DC this is, once GetDC handed it out
HWND LayerWindowHandle(const LayerWindow* window);
HDC LayerDCHandle(const LayerWindow* window);
LayerWindow* LayerNewestWindow();
// Events of an unrealised window carry a made-up id above this base.
enum { LAYER_UNREALISED_ID_BASE = 0x40000000 };
unsigned LayerEventWindowId(const LayerWindow* window);
LayerWindow* LayerWindowFromEventId(unsigned windowId);
LayerWindow* LayerFocusWindow();
int LayerFindClass(LPCSTR className);  // slot, or -1; takes names and atoms

// The operations without the failure hook, for the layer's own use.
LRESULT LayerSend(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
BOOL LayerDestroyWindow(HWND hWnd);
BOOL LayerShowWindow(HWND hWnd, int showCommand);

// Frame that AdjustWindowRectEx adds to a client rectangle, as positive
// insets (left, top, right, bottom).
RECT LayerFrameInsets(DWORD style, BOOL menu);

// Window-state changes driven by native events (layer_events.cpp).
void LayerNoteActivation(LayerWindow* window, bool active);
void LayerNoteMinimized(LayerWindow* window, bool minimized);
void LayerNoteClientSize(LayerWindow* window, int width, int height);

// ---------------------------------------------------------------- queue and events

// Posts without the failure hook; false when the queue is full (dropped).
bool LayerPost(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
// Puts a message where the next PeekMessageA finds it first.
bool LayerPostFront(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
void LayerDropMessagesFor(HWND hWnd);
void LayerTranslateSdlEvent(const SDL_Event* event);
// Windows virtual-key code of an SDL keycode, 0 for keys with none.
int LayerVirtualKeyFromSdl(int keycode);
// Last known cursor position, in screen coordinates (MSG.pt).
extern POINT layerCursor;

// ---------------------------------------------------------------- video and display

// Starts SDL video on first need; false when there is no usable display.
bool LayerEnsureVideo();
// True for drivers that have no screen to show anything on.
bool LayerVideoHeadless();
// Once per process, on standard error, when video failed for want of a
// display: how to reach one or run headless.
void LayerTellNoDisplay();

// The full-screen display mode in force after ChangeDisplaySettingsA.
extern int layerModeWidth, layerModeHeight, layerModeBits;
// What the last ChangeDisplaySettingsA with a mode asked for (test hooks).
extern DEVMODEA layerLastDisplayRequest;
extern DWORD layerLastDisplayFlags;
bool LayerQualifiesForFullscreen(const LayerWindow* window);
// Gives an SDL window the display mode in force; false when none is.
bool LayerSetFullscreenMode(SDL_Window* sdlWindow);
void LayerLeaveFullscreenAll();
extern int layerCursorCount;

// ---------------------------------------------------------------- GDI and WGL

bool LayerRealiseWindow(LayerWindow* window);  // with its pixel format's GL attributes
void LayerForgetWindowContexts(LayerWindow* window);

extern int layerLiveWindows;
extern int layerLiveDCs;
extern int layerLiveContexts;
extern int layerLiveClasses;
// Bumped by layer_font.cpp for every font created and not yet deleted.
extern int layerLiveFonts;

// ---------------------------------------------------------------- hooks

// Counts the call of the named operation and answers whether the armed
// failure rule says it must fail now. Every layer operation starts with it.
bool LayerShouldFail(const char* name);
bool LayerHooksActive();
// Records the box and gives the hooks' answer; false when hooks are off.
bool LayerInterceptMessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type, int* answer);
// Title given to the window created last (kept for the test hooks).
extern char layerLastWindowTitle[LAYER_TITLE_MAX];
// Runs the callbacks and pushes the events due by this pass.
void LayerDeliverInjectedEvents(int pass);

