// The message queue of the one thread: posting, peeking (which also pumps
// native events and delivers injected ones), translation of keys into
// characters, dispatch, sending, WM_QUIT, and the default window procedure.
// Needs: SDL events. Limits: 1024 queued messages (when full the newest is
// dropped and PostMessageA says FALSE); WM_QUIT is a flag, as on Win32, so
// it comes out after every other posted message.
#include "platform/key_character.h"
#include "platform/sdl/layer_internal.h"
#include "platform/test_hooks.h"

#include <SDL.h>
#include <string.h>

enum { QUEUE_SIZE = 1024 };

static MSG queue[QUEUE_SIZE];
static int queueHead = 0;
static int queueCount = 0;
static bool quitPending = false;
static int quitCode = 0;
POINT layerCursor = {0, 0};

static void Fill(MSG* msg, HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    msg->hwnd = hWnd;
    msg->message = message;
    msg->wParam = wParam;
    msg->lParam = lParam;
    msg->time = SDL_GetTicks();
    msg->pt = layerCursor;
}

bool LayerPost(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (queueCount == QUEUE_SIZE)
        return false;
    Fill(&queue[(queueHead + queueCount) % QUEUE_SIZE], hWnd, message, wParam, lParam);
    ++queueCount;
    return true;
}

bool LayerPostFront(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (queueCount == QUEUE_SIZE)
        return false;
    queueHead = (queueHead + QUEUE_SIZE - 1) % QUEUE_SIZE;
    Fill(&queue[queueHead], hWnd, message, wParam, lParam);
    ++queueCount;
    return true;
}

static void RemoveAt(int index)
{
    for (int i = index; i + 1 < queueCount; ++i)
        queue[(queueHead + i) % QUEUE_SIZE] = queue[(queueHead + i + 1) % QUEUE_SIZE];
    --queueCount;
}

void LayerDropMessagesFor(HWND hWnd)
{
    int kept = 0;
    for (int i = 0; i < queueCount; ++i) {
        const MSG& msg = queue[(queueHead + i) % QUEUE_SIZE];
        if (msg.hwnd != hWnd)
            queue[(queueHead + kept++) % QUEUE_SIZE] = msg;
    }
    queueCount = kept;
}

static bool InRange(UINT message, UINT filterMin, UINT filterMax)
{
    return (filterMin == 0 && filterMax == 0) || (message >= filterMin && message <= filterMax);
}

// (HWND)-1 asks for the messages posted to no window.
static bool ForWindow(HWND messageWindow, HWND filter)
{
    return !filter || messageWindow == filter || (filter == (HWND)(intptr_t)-1 && !messageWindow);
}

BOOL WINAPI PeekMessageA(MSG* msg, HWND hWnd, UINT filterMin, UINT filterMax, UINT removeMsg)
{
    if (LayerShouldFail("PeekMessageA") || !msg)
        return FALSE;
    LayerDeliverInjectedEvents(TestLoopPass());
    if (LayerEnsureVideo()) {
        SDL_Event event;
        while (SDL_PollEvent(&event))
            LayerTranslateSdlEvent(&event);
    }

    for (int i = 0; i < queueCount; ++i) {
        const MSG& queued = queue[(queueHead + i) % QUEUE_SIZE];
        if (!ForWindow(queued.hwnd, hWnd) || !InRange(queued.message, filterMin, filterMax))
            continue;
        *msg = queued;
        if (removeMsg & PM_REMOVE)
            RemoveAt(i);
        return TRUE;
    }
    if (quitPending && (!hWnd || hWnd == (HWND)(intptr_t)-1) && InRange(WM_QUIT, filterMin, filterMax)) {
        Fill(msg, nullptr, WM_QUIT, (WPARAM)(intptr_t)quitCode, 0);
        if (removeMsg & PM_REMOVE)
            quitPending = false;
        return TRUE;
    }
    return FALSE;
}

BOOL WINAPI TranslateMessage(const MSG* msg)
{
    if (LayerShouldFail("TranslateMessage") || !msg)
        return FALSE;
    switch (msg->message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
        int character = KeyCharacter(msg->wParam, msg->lParam);
        // The character is taken next, before later input, as on Win32.
        if (character)
            LayerPostFront(msg->hwnd, msg->message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR, (WPARAM)character,
                           msg->lParam);
        return TRUE;
    }
    case WM_KEYUP:
    case WM_SYSKEYUP:
        return TRUE;
    default:
        return FALSE;
    }
}

LRESULT LayerSend(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    LayerWindow* window = LayerFindWindow(hWnd);
    if (!window || !window->proc)
        return 0;
    WNDPROC proc = window->proc;
    return proc(hWnd, message, wParam, lParam);
}

LRESULT WINAPI DispatchMessageA(const MSG* msg)
{
    if (LayerShouldFail("DispatchMessageA") || !msg)
        return 0;
    return LayerSend(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

BOOL WINAPI PostMessageA(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (LayerShouldFail("PostMessageA"))
        return FALSE;
    if (hWnd && !LayerFindWindow(hWnd))
        return FALSE;
    return LayerPost(hWnd, message, wParam, lParam) ? TRUE : FALSE;
}

LRESULT WINAPI SendMessageA(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (LayerShouldFail("SendMessageA"))
        return 0;
    return LayerSend(hWnd, message, wParam, lParam);
}

void WINAPI PostQuitMessage(int exitCode)
{
    if (LayerShouldFail("PostQuitMessage"))
        return;
    quitPending = true;
    quitCode = exitCode;
}

// System commands map onto SDL's window calls. The screen saver and
// monitor power-off requests are allowed here, as on Win32; a window
// procedure that wants to refuse them answers them itself. SDL gives no
// such request, so the layer holds the screen saver off while any window
// lives (layer_window.cpp), which is what the system's refusal asks for.
LRESULT WINAPI DefWindowProcA(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    if (LayerShouldFail("DefWindowProcA"))
        return 0;
    LayerWindow* window = LayerFindWindow(hWnd);
    if (!window)
        return 0;
    switch (message) {
    case WM_NCCREATE:
        return TRUE;
    case WM_CLOSE:
        LayerDestroyWindow(hWnd);
        return 0;
    case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0) {
        case SC_CLOSE:
            LayerSend(hWnd, WM_CLOSE, 0, 0);
            break;
        case SC_MINIMIZE:
            if (window->sdlWindow)
                SDL_MinimizeWindow(window->sdlWindow);
            break;
        case SC_MAXIMIZE:
            if (window->sdlWindow)
                SDL_MaximizeWindow(window->sdlWindow);
            break;
        case SC_RESTORE:
            if (window->sdlWindow)
                SDL_RestoreWindow(window->sdlWindow);
            break;
        default:
            break;
        }
        return 0;
    default:
        return 0;
    }
}
