// The render window: class, optional full-screen display mode, window,
// device context, pixel format and GL context, plus the window procedure
// that keeps the key table, the active flag and the viewport up to date.
//
// Needs the platform seam, the start-up sequence (run from SetupGLState),
// the bitmap font (deleted at every teardown) and the debug report (closed
// at every teardown). All state is process-wide; key flags and the active
// flag carry over from one window to the next.
#pragma once

#include "platform/platform.h"

enum { KEY_COUNT = 256 };

extern bool keyDown[KEY_COUNT];  // by virtual-key code
extern bool windowActive;        // false while minimised
extern bool fullscreenMode;
extern HINSTANCE hInstance;
extern HWND hWnd;
extern HDC hDC;
extern HGLRC hRC;
// Completed by the first open that gets past window creation and never
// changed after: a window re-created at 16 bits still asks for 32.
extern PIXELFORMATDESCRIPTOR pfd;

// True when window, context, GL state and start-up are in place; false after
// a failure it has shown and cleaned up. A failed start-up ends the process.
bool OpenRenderWindow(const char* title, int width, int height, int bits, bool fullscreen);
// Safe with any subset of the handles set, including none.
void CloseRenderWindow();
LRESULT CALLBACK RenderWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void ResizeViewport(int width, int height);
// Fixed GL state of every new context, then the application start-up.
bool SetupGLState();
