// Test hooks: call counting and the one armed failure rule, intercepted
// message boxes, input injected at a chosen loop pass, and the live counts.
// Needs: SDL events (injected input goes through SDL's own queue, so it
// takes the same translation path as real input).
// Limits: 96 operation names, 64 queued answers, 256 injected events.
#include "platform/sdl/layer_internal.h"
#include "platform/test_hooks.h"

#include <SDL.h>
#include <string.h>

enum { NAME_MAX = 96, NAME_LENGTH = 48, ANSWER_MAX = 64, INJECT_MAX = 256, KEY_NAME_MAX = 32, CALLBACK_MAX = 16 };

struct CallCounter {
    char name[NAME_LENGTH];
    const char* literal;  // the caller's string, for a cheap first look
    int calls;
};

struct InjectedEvent {
    int pass;
    TestEventKind kind;
    char key[KEY_NAME_MAX];
    int width, height;
    bool raw;
    bool rawDown;
    WPARAM rawKey;
    bool delivered;
};

// Kept by layer_font.cpp; read here.
int layerLiveFonts = 0;

static bool hooksActive = false;
static CallCounter counters[NAME_MAX];
static int counterCount = 0;
static char failName[NAME_LENGTH];
static int failCountdown = 0;

static TestMessageBox boxes[TEST_BOX_MAX];
static int boxCount = 0;
static int answers[ANSWER_MAX];
static int answerHead = 0, answerCount = 0;

static InjectedEvent injected[INJECT_MAX];
static int injectedCount = 0;
static unsigned injectedMods = 0;

struct PassCallback {
    int pass;
    void (*callback)();
    bool called;
};
static PassCallback callbacks[CALLBACK_MAX];
static int callbackCount = 0;

char layerLastWindowTitle[LAYER_TITLE_MAX];

static CallCounter* FindCounter(const char* name, bool create)
{
    // Every operation passes the same literal on every call, so a pointer
    // match finds it without comparing text; the loop stays cheap per pass.
    for (int i = 0; i < counterCount; ++i)
        if (counters[i].literal == name)
            return &counters[i];
    for (int i = 0; i < counterCount; ++i)
        if (strcmp(counters[i].name, name) == 0)
            return &counters[i];
    if (!create || counterCount == NAME_MAX)
        return nullptr;
    CallCounter* counter = &counters[counterCount++];
    SDL_strlcpy(counter->name, name, sizeof counter->name);
    counter->literal = name;
    counter->calls = 0;
    return counter;
}

bool LayerShouldFail(const char* name)
{
    // Outside tests the hooks cost one branch per call.
    if (!hooksActive)
        return false;
    CallCounter* counter = FindCounter(name, true);
    if (counter)
        ++counter->calls;
    if (failCountdown > 0 && strcmp(failName, name) == 0 && --failCountdown == 0)
        return true;
    return false;
}

bool LayerHooksActive()
{
    return hooksActive;
}

void TestHooksReset()
{
    hooksActive = true;
    counterCount = 0;
    failCountdown = 0;
    failName[0] = '\0';
    boxCount = 0;
    answerHead = answerCount = 0;
    injectedCount = 0;
    injectedMods = 0;
    callbackCount = 0;
    layerLastWindowTitle[0] = '\0';
    SDL_zero(layerLastDisplayRequest);
    layerLastDisplayFlags = 0;
}

void TestHooksDisable()
{
    hooksActive = false;
}

// ---------------------------------------------------------------- message boxes

static int DefaultAnswer(UINT type)
{
    UINT buttons = type & 0xF;
    return (buttons == MB_YESNO || buttons == MB_YESNOCANCEL) ? IDYES : IDOK;
}

bool LayerInterceptMessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type, int* answer)
{
    if (!hooksActive)
        return false;
    int result = DefaultAnswer(type);
    if (answerCount > 0) {
        result = answers[answerHead];
        answerHead = (answerHead + 1) % ANSWER_MAX;
        --answerCount;
    }
    if (boxCount < TEST_BOX_MAX) {
        TestMessageBox* box = &boxes[boxCount++];
        SDL_strlcpy(box->text, text ? text : "", sizeof box->text);
        SDL_strlcpy(box->caption, caption ? caption : "", sizeof box->caption);
        box->flags = type;
        box->owner = owner;
        box->answer = result;
    }
    *answer = result;
    return true;
}

void TestQueueMessageBoxAnswer(int answer)
{
    if (answerCount == ANSWER_MAX)
        return;
    answers[(answerHead + answerCount) % ANSWER_MAX] = answer;
    ++answerCount;
}

int TestMessageBoxCount()
{
    return boxCount;
}

const TestMessageBox* TestMessageBoxAt(int index)
{
    return (index >= 0 && index < boxCount) ? &boxes[index] : nullptr;
}

// ---------------------------------------------------------------- failures

void TestFailCall(const char* name, int occurrence)
{
    if (!name || occurrence < 1) {
        failCountdown = 0;
        return;
    }
    SDL_strlcpy(failName, name, sizeof failName);
    failCountdown = occurrence;
}

int TestCallCount(const char* name)
{
    const CallCounter* counter = name ? FindCounter(name, false) : nullptr;
    return counter ? counter->calls : 0;
}

// ---------------------------------------------------------------- injected events

static InjectedEvent* NewInjected(int pass)
{
    if (injectedCount == INJECT_MAX)
        return nullptr;
    InjectedEvent* event = &injected[injectedCount++];
    memset(event, 0, sizeof *event);
    event->pass = pass;
    return event;
}

void TestInjectAtPass(int pass, TestEventKind kind, const char* key, int width, int height)
{
    InjectedEvent* event = NewInjected(pass);
    if (!event)
        return;
    event->kind = kind;
    SDL_strlcpy(event->key, key ? key : "", sizeof event->key);
    event->width = width;
    event->height = height;
}

void TestInjectRawKeyAtPass(int pass, bool down, WPARAM virtualKey)
{
    InjectedEvent* event = NewInjected(pass);
    if (!event)
        return;
    event->raw = true;
    event->rawDown = down;
    event->rawKey = virtualKey;
}

void TestCallAtPass(int pass, void (*callback)())
{
    if (callbackCount == CALLBACK_MAX || !callback)
        return;
    callbacks[callbackCount++] = {pass, callback, false};
}

int TestLoopPass()
{
    return TestCallCount("PeekMessageA");
}

static unsigned ModifierOf(SDL_Keycode key)
{
    switch (key) {
    case SDLK_LSHIFT: return KMOD_LSHIFT;
    case SDLK_RSHIFT: return KMOD_RSHIFT;
    case SDLK_LCTRL: return KMOD_LCTRL;
    case SDLK_RCTRL: return KMOD_RCTRL;
    case SDLK_LALT: return KMOD_LALT;
    case SDLK_RALT: return KMOD_RALT;
    default: return 0;
    }
}

static void BuildNativeEvent(const InjectedEvent* injectedEvent, unsigned windowId, SDL_Event* event)
{
    memset(event, 0, sizeof *event);
    if (injectedEvent->kind == TEST_EVENT_KEY_DOWN || injectedEvent->kind == TEST_EVENT_KEY_UP) {
        bool down = injectedEvent->kind == TEST_EVENT_KEY_DOWN;
        SDL_Keycode key = SDL_GetKeyFromName(injectedEvent->key);
        unsigned modifier = ModifierOf(key);
        injectedMods = down ? (injectedMods | modifier) : (injectedMods & ~modifier);
        event->type = down ? SDL_KEYDOWN : SDL_KEYUP;
        event->key.windowID = windowId;
        event->key.state = down ? SDL_PRESSED : SDL_RELEASED;
        event->key.keysym.sym = key;
        event->key.keysym.scancode = SDL_GetScancodeFromName(injectedEvent->key);
        event->key.keysym.mod = (Uint16)injectedMods;
        event->key.timestamp = SDL_GetTicks();
        return;
    }
    event->type = SDL_WINDOWEVENT;
    event->window.windowID = windowId;
    event->window.timestamp = SDL_GetTicks();
    switch (injectedEvent->kind) {
    case TEST_EVENT_MINIMIZE: event->window.event = SDL_WINDOWEVENT_MINIMIZED; break;
    case TEST_EVENT_RESTORE: event->window.event = SDL_WINDOWEVENT_RESTORED; break;
    case TEST_EVENT_FOCUS_LOST: event->window.event = SDL_WINDOWEVENT_FOCUS_LOST; break;
    case TEST_EVENT_FOCUS_GAINED: event->window.event = SDL_WINDOWEVENT_FOCUS_GAINED; break;
    case TEST_EVENT_RESIZE:
        event->window.event = SDL_WINDOWEVENT_SIZE_CHANGED;
        event->window.data1 = injectedEvent->width;
        event->window.data2 = injectedEvent->height;
        break;
    default: event->window.event = SDL_WINDOWEVENT_CLOSE; break;
    }
}

void LayerDeliverInjectedEvents(int pass)
{
    // Callbacks first: they see the run as it stands when the pass begins.
    for (int i = 0; i < callbackCount; ++i) {
        if (callbacks[i].called || callbacks[i].pass > pass)
            continue;
        callbacks[i].called = true;
        callbacks[i].callback();
    }
    for (int i = 0; i < injectedCount; ++i) {
        InjectedEvent* injectedEvent = &injected[i];
        if (injectedEvent->delivered || injectedEvent->pass > pass)
            continue;
        injectedEvent->delivered = true;
        LayerWindow* window = LayerNewestWindow();
        if (!window)
            continue;
        if (injectedEvent->raw) {
            LPARAM lParam = injectedEvent->rawDown ? 1 : (LPARAM)(1 | 0xC0000000u);
            LayerPost(LayerWindowHandle(window), injectedEvent->rawDown ? WM_KEYDOWN : WM_KEYUP,
                      injectedEvent->rawKey, lParam);
            continue;
        }
        SDL_Event event;
        BuildNativeEvent(injectedEvent, LayerEventWindowId(window), &event);
        // Without an event queue the event still takes the same translation.
        if (!LayerEnsureVideo() || SDL_PushEvent(&event) < 0)
            LayerTranslateSdlEvent(&event);
    }
}

// ---------------------------------------------------------------- what is alive

int TestLiveWindows() { return layerLiveWindows; }
int TestLiveDCs() { return layerLiveDCs; }
int TestLiveContexts() { return layerLiveContexts; }
int TestLiveFonts() { return layerLiveFonts; }
int TestRegisteredClasses() { return layerLiveClasses; }
const char* TestLastWindowTitle() { return layerLastWindowTitle; }
DWORD TestWindowStyle(HWND hWnd)
{
    const LayerWindow* window = LayerFindWindow(hWnd);
    return window ? window->style & ~WS_VISIBLE : 0;
}
int TestDisplayModeWidth() { return layerModeWidth; }
int TestDisplayModeHeight() { return layerModeHeight; }
int TestDisplayModeBits() { return layerModeBits; }
const DEVMODEA* TestLastDisplayRequest(DWORD* flags)
{
    if (flags)
        *flags = layerLastDisplayFlags;
    return &layerLastDisplayRequest;
}
int TestCursorCount() { return layerCursorCount; }
