// The message queue of the one thread, fed by the page's key, focus and
// visibility events; sending, dispatch, WM_QUIT and the default window
// procedure. A PeekMessageA that finds nothing, with no SwapBuffers since
// the last empty one, lets the browser run for a moment: a loop that stops
// drawing (minimised, frozen) must not hold the page's only thread.
//
// Needs: the page's DOM. Limits: 256 queued messages (the newest is
// dropped when full); keys are DOM keyCodes, which are Windows' virtual-key
// codes; WM_CHAR on a US layout for letters, digits, the keypad, space and
// the control keys, following Shift, Control and Caps Lock.
#include "platform/key_character.h"
#include "platform/web/web_internal.h"

#include <emscripten.h>

enum { QUEUE_SIZE = 256 };
enum { PAGE_KEY_DOWN = 1, PAGE_KEY_REPEAT = 2, PAGE_KEY_UP = 3, PAGE_FOCUS = 4, PAGE_BLUR = 5, PAGE_HIDDEN = 6, PAGE_SHOWN = 7 };

static MSG queue[QUEUE_SIZE];
static int queueHead = 0, queueCount = 0;
static bool quitPending = false;
static int quitCode = 0;
static bool yieldedSinceEmptyPeek = true;

// Listens once, for the life of the page; each event is a triple (kind,
// value, modifiers: Shift 1, Control 2, Caps Lock 4) that the next
// PeekMessageA takes.
EM_JS(void, WebListenToPage, (), {
    if (Module.orlathEvents)
        return;
    var events = Module.orlathEvents = [];
    // Keys the browser would act on itself (help, scrolling, focus moves).
    var kept = {112: 1, 32: 1, 37: 1, 38: 1, 39: 1, 40: 1, 33: 1, 34: 1, 8: 1, 9: 1};
    window.addEventListener("keydown", function(e) {
        if (Module.orlathBoxOpen)
            return;
        var modifiers = (e.shiftKey ? 1 : 0) | (e.ctrlKey ? 2 : 0) | (e.getModifierState("CapsLock") ? 4 : 0);
        events.push(e.repeat ? 2 : 1, e.keyCode, modifiers);
        if (kept[e.keyCode])
            e.preventDefault();
    }, true);
    window.addEventListener("keyup", function(e) {
        if (Module.orlathBoxOpen)
            return;
        events.push(3, e.keyCode, 0);
    }, true);
    window.addEventListener("focus", function() { events.push(4, 0, 0); });
    window.addEventListener("blur", function() { events.push(5, 0, 0); });
    document.addEventListener("visibilitychange", function() { events.push(document.hidden ? 6 : 7, 0, 0); });
});

EM_JS(int, WebNextPageEvent, (int* value, int* modifiers), {
    var events = Module.orlathEvents;
    if (!events || events.length == 0)
        return 0;
    HEAP32[value >> 2] = events[1];
    HEAP32[modifiers >> 2] = events[2];
    return events.splice(0, 3)[0];
});

EM_ASYNC_JS(void, WebLetBrowserRun, (), { await new Promise(function(resolve) { setTimeout(resolve, 4); }); });

bool WebPost(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (queueCount == QUEUE_SIZE)
        return false;
    MSG* msg = &queue[(queueHead + queueCount) % QUEUE_SIZE];
    msg->hwnd = hWnd;
    msg->message = message;
    msg->wParam = wParam;
    msg->lParam = lParam;
    msg->time = (DWORD)emscripten_get_now();
    msg->pt.x = msg->pt.y = 0;
    ++queueCount;
    return true;
}

// Ahead of everything queued: the character of the key just taken.
static void PostFront(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (queueCount == QUEUE_SIZE || !WebPost(hWnd, message, wParam, lParam))
        return;
    MSG character = queue[(queueHead + queueCount - 1) % QUEUE_SIZE];
    for (int i = queueCount - 1; i > 0; --i)
        queue[(queueHead + i) % QUEUE_SIZE] = queue[(queueHead + i - 1) % QUEUE_SIZE];
    queue[queueHead] = character;
}

void WebDropMessagesFor(HWND hWnd)
{
    int kept = 0;
    for (int i = 0; i < queueCount; ++i) {
        const MSG msg = queue[(queueHead + i) % QUEUE_SIZE];
        if (msg.hwnd != hWnd)
            queue[(queueHead + kept++) % QUEUE_SIZE] = msg;
    }
    queueCount = kept;
}

void WebNoteYield()
{
    yieldedSinceEmptyPeek = true;
}

void WebPumpPageEvents()
{
    WebListenToPage();
    int kind, value, modifiers;
    while ((kind = WebNextPageEvent(&value, &modifiers)) != 0) {
        HWND hWnd = WebEventWindow();
        if (kind == PAGE_FOCUS || kind == PAGE_BLUR || kind == PAGE_HIDDEN || kind == PAGE_SHOWN) {
            bool hidden = kind == PAGE_HIDDEN;
            WebNotePageActivation(kind != PAGE_BLUR && !hidden, hidden);
            continue;
        }
        if (!hWnd || value <= 0 || value > 254)
            continue;
        // lParam: repeat count 1; bit 30 the previous state, bit 31 the transition.
        if (kind == PAGE_KEY_UP) {
            WebPost(hWnd, WM_KEYUP, (WPARAM)value, (LPARAM)(1u | 3u << 30));
            continue;
        }
        LPARAM lParam = (LPARAM)(1u | (kind == PAGE_KEY_REPEAT ? 1u << 30 : 0u));
        lParam |= (modifiers & 1 ? LPARAM_SHIFT : 0) | (modifiers & 2 ? LPARAM_CONTROL : 0) |
                  (modifiers & 4 ? LPARAM_CAPS : 0);
        WebPost(hWnd, WM_KEYDOWN, (WPARAM)value, lParam);
    }
}

static bool InRange(UINT message, UINT filterMin, UINT filterMax)
{
    return (filterMin == 0 && filterMax == 0) || (message >= filterMin && message <= filterMax);
}

BOOL WINAPI PeekMessageA(MSG* msg, HWND hWnd, UINT filterMin, UINT filterMax, UINT removeMsg)
{
    if (!msg)
        return FALSE;
    WebPumpPageEvents();
    WebWaveUpdate();
    for (int i = 0; i < queueCount; ++i) {
        MSG* queued = &queue[(queueHead + i) % QUEUE_SIZE];
        if ((hWnd && queued->hwnd != hWnd) || !InRange(queued->message, filterMin, filterMax))
            continue;
        *msg = *queued;
        if (removeMsg & PM_REMOVE) {
            for (int j = i; j + 1 < queueCount; ++j)
                queue[(queueHead + j) % QUEUE_SIZE] = queue[(queueHead + j + 1) % QUEUE_SIZE];
            --queueCount;
        }
        return TRUE;
    }
    if (quitPending && !hWnd && InRange(WM_QUIT, filterMin, filterMax)) {
        msg->hwnd = nullptr;
        msg->message = WM_QUIT;
        msg->wParam = (WPARAM)(intptr_t)quitCode;
        msg->lParam = 0;
        if (removeMsg & PM_REMOVE)
            quitPending = false;
        return TRUE;
    }
    if (!yieldedSinceEmptyPeek)
        WebLetBrowserRun();
    yieldedSinceEmptyPeek = false;
    return FALSE;
}

BOOL WINAPI TranslateMessage(const MSG* msg)
{
    if (!msg)
        return FALSE;
    if (msg->message == WM_KEYUP)
        return TRUE;
    if (msg->message != WM_KEYDOWN)
        return FALSE;
    // The character is taken next, before later input, as on Win32.
    int character = KeyCharacter(msg->wParam, msg->lParam);
    if (character)
        PostFront(msg->hwnd, WM_CHAR, (WPARAM)character, msg->lParam);
    return TRUE;
}

LRESULT WebSend(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    WebWindow* window = WebFindWindow(hWnd);
    if (!window || !window->proc)
        return 0;
    return window->proc(hWnd, message, wParam, lParam);
}

LRESULT WINAPI DispatchMessageA(const MSG* msg)
{
    if (!msg || !msg->hwnd)
        return 0;
    return WebSend(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

BOOL WINAPI PostMessageA(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (hWnd && !WebFindWindow(hWnd))
        return FALSE;
    return WebPost(hWnd, message, wParam, lParam) ? TRUE : FALSE;
}

LRESULT WINAPI SendMessageA(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return WebSend(hWnd, message, wParam, lParam);
}

void WINAPI PostQuitMessage(int exitCode)
{
    quitPending = true;
    quitCode = exitCode;
}

LRESULT WINAPI DefWindowProcA(HWND hWnd, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_NCCREATE:
        return TRUE;
    case WM_CLOSE:
        DestroyWindow(hWnd);
        return 0;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE)
            WebSend(hWnd, WM_CLOSE, 0, 0);
        return 0;
    }
    return 0;
}
