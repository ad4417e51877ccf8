// Test hooks of the Win32-compatible layer (not on Windows).
//
// Tests run the real system in process on SDL's offscreen video driver (real
// Mesa GL, no display). These hooks are the only way a test reaches into the
// layer: they answer and record message boxes, make one named platform call
// fail, inject input and window events at a chosen pass of the message loop,
// and count what is alive. The system code never calls them.
#pragma once

#include "platform/win32_layer.h"

// Clears every hook, record and counter, and turns interception on: from
// now on message boxes are recorded and answered here, never shown.
// Windows, contexts and classes that are still alive stay alive.
void TestHooksReset();

// Turns interception off again (boxes reach the screen or standard error).
void TestHooksDisable();

// ---- message boxes

enum { TEST_TEXT_MAX = 512, TEST_CAPTION_MAX = 128, TEST_BOX_MAX = 64 };

struct TestMessageBox {
    char text[TEST_TEXT_MAX];        // as passed, Windows-1252 bytes
    char caption[TEST_CAPTION_MAX];  // as passed
    UINT flags;
    HWND owner;
    int answer;  // what the layer returned
};

// Queues the answer for the next intercepted box (IDYES, IDNO, IDOK...).
// A box with no queued answer gets its default button: IDOK or IDYES.
void TestQueueMessageBoxAnswer(int answer);
int TestMessageBoxCount();
// Null past the count. At most TEST_BOX_MAX boxes are kept.
const TestMessageBox* TestMessageBoxAt(int index);

// ---- failures

// Makes the occurrence-th next call of the named platform operation (for
// example "ChoosePixelFormat", "wglMakeCurrent", "QueryPerformanceFrequency")
// fail with its Win32 failure value and no side effect. One rule at a time:
// a new call replaces the old one.
void TestFailCall(const char* name, int occurrence = 1);
// Calls of the named operation since the last reset.
int TestCallCount(const char* name);

// ---- injected events

enum TestEventKind {
    TEST_EVENT_KEY_DOWN,  // a: key name as SDL spells it ("Escape", "M", "F1", "Space", "Return")
    TEST_EVENT_KEY_UP,    // a: key name
    TEST_EVENT_MINIMIZE,
    TEST_EVENT_RESTORE,
    TEST_EVENT_FOCUS_LOST,
    TEST_EVENT_FOCUS_GAINED,
    TEST_EVENT_RESIZE,  // width, height: the new client size
    TEST_EVENT_CLOSE    // the close button
};

// Delivers the event as a native window event, through the same translation
// as real input, when PeekMessageA is called for the pass-th time since the
// last reset (the first call is pass 1). Events go to the newest live window.
void TestInjectAtPass(int pass, TestEventKind kind, const char* key = nullptr, int width = 0, int height = 0);
// PeekMessageA calls since the last reset.
int TestLoopPass();
// Calls back (from inside PeekMessageA, before it looks at the queue) when
// the pass-th pass begins, so a test can look at a run while it goes on.
// At most 16 callbacks per reset.
void TestCallAtPass(int pass, void (*callback)());
// Delivers a virtual-key down or up with any wParam, bypassing translation,
// at the given pass (for codes that no real key produces, such as 300).
void TestInjectRawKeyAtPass(int pass, bool down, WPARAM virtualKey);

// ---- what is alive

int TestLiveWindows();
int TestLiveDCs();
int TestLiveContexts();
int TestLiveFonts();
int TestRegisteredClasses();
// Title (Windows-1252, as passed) of the window created last, "" if none.
const char* TestLastWindowTitle();
// The style a live window was created with (WS_VISIBLE aside), 0 for none.
DWORD TestWindowStyle(HWND hWnd);
// Full-screen display mode in force (0 when none): width, height and bits.
int TestDisplayModeWidth();
int TestDisplayModeHeight();
int TestDisplayModeBits();
// The mode the last ChangeDisplaySettingsA call asked for, as passed (all
// zero when none since the last reset), and that call's flags.
const DEVMODEA* TestLastDisplayRequest(DWORD* flags = nullptr);
// ShowCursor's display counter (0 = shown, -1 after one ShowCursor(FALSE)).
int TestCursorCount();
