// Native SDL events to window messages: keys to virtual-key codes, window
// state changes to WM_ACTIVATE / WM_SIZE / WM_MOVE / WM_CLOSE, mouse input.
// Needs: SDL events. Limits: US layout for the punctuation keys; lParam's
// scan-code byte holds SDL's (USB) scan code, not the PC/AT one; the
// modifier state at the time of a key is kept in lParam's reserved bits
// 25..27 (shift, control, caps lock) for TranslateMessage. SDL_QUIT is not
// translated: the close button already arrives as WM_CLOSE.
#include "platform/key_character.h"
#include "platform/sdl/layer_internal.h"

#include <SDL.h>

enum { LPARAM_ALT_HELD = 1 << 29 };

static unsigned mouseButtons = 0;  // MK_ button bits held

int LayerVirtualKeyFromSdl(int keycode)
{
    if (keycode >= SDLK_a && keycode <= SDLK_z)
        return 'A' + (keycode - SDLK_a);
    if (keycode >= SDLK_0 && keycode <= SDLK_9)
        return '0' + (keycode - SDLK_0);
    if (keycode >= SDLK_F1 && keycode <= SDLK_F12)
        return VK_F1 + (keycode - SDLK_F1);
    if (keycode >= SDLK_F13 && keycode <= SDLK_F24)
        return VK_F12 + 1 + (keycode - SDLK_F13);
    if (keycode >= SDLK_KP_1 && keycode <= SDLK_KP_9)
        return VK_NUMPAD0 + 1 + (keycode - SDLK_KP_1);
    switch (keycode) {
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_RETURN: return VK_RETURN;
    case SDLK_KP_ENTER: return VK_RETURN;
    case SDLK_BACKSPACE: return VK_BACK;
    case SDLK_TAB: return VK_TAB;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_UP: return VK_UP;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_DOWN: return VK_DOWN;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT: return VK_SHIFT;
    case SDLK_LCTRL:
    case SDLK_RCTRL: return VK_CONTROL;
    case SDLK_LALT:
    case SDLK_RALT: return VK_MENU;
    case SDLK_PAUSE: return VK_PAUSE;
    case SDLK_CAPSLOCK: return VK_CAPITAL;
    case SDLK_PAGEUP: return VK_PRIOR;
    case SDLK_PAGEDOWN: return VK_NEXT;
    case SDLK_END: return VK_END;
    case SDLK_HOME: return VK_HOME;
    case SDLK_INSERT: return VK_INSERT;
    case SDLK_DELETE: return VK_DELETE;
    case SDLK_PRINTSCREEN: return 0x2C;
    case SDLK_LGUI: return 0x5B;
    case SDLK_RGUI: return 0x5C;
    case SDLK_APPLICATION: return 0x5D;
    case SDLK_KP_0: return VK_NUMPAD0;
    case SDLK_KP_MULTIPLY: return VK_MULTIPLY;
    case SDLK_KP_PLUS: return VK_ADD;
    case SDLK_KP_MINUS: return VK_SUBTRACT;
    case SDLK_KP_PERIOD: return VK_DECIMAL;
    case SDLK_KP_DIVIDE: return VK_DIVIDE;
    case SDLK_NUMLOCKCLEAR: return 0x90;
    case SDLK_SCROLLLOCK: return 0x91;
    case SDLK_SEMICOLON: return 0xBA;
    case SDLK_EQUALS: return 0xBB;
    case SDLK_COMMA: return 0xBC;
    case SDLK_MINUS: return 0xBD;
    case SDLK_PERIOD: return 0xBE;
    case SDLK_SLASH: return 0xBF;
    case SDLK_BACKQUOTE: return 0xC0;
    case SDLK_LEFTBRACKET: return 0xDB;
    case SDLK_BACKSLASH: return 0xDC;
    case SDLK_RIGHTBRACKET: return 0xDD;
    case SDLK_QUOTE: return 0xDE;
    default: return 0;
    }
}

// Keyboard input goes to the window SDL names, else to the focus window.
static LayerWindow* KeyTarget(unsigned windowId)
{
    LayerWindow* window = LayerWindowFromEventId(windowId);
    return window ? window : LayerFocusWindow();
}

static void TranslateKey(const SDL_KeyboardEvent& key)
{
    LayerWindow* window = KeyTarget(key.windowID);
    int virtualKey = LayerVirtualKeyFromSdl(key.keysym.sym);
    if (!window || !virtualKey)
        return;
    bool down = key.type == SDL_KEYDOWN;
    unsigned mods = key.keysym.mod;
    // Alt and keys pressed while Alt is held are system keys on Win32.
    bool system = virtualKey == VK_MENU || (mods & KMOD_ALT);
    UINT message = down ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
    uint32_t lParam = 1u | ((uint32_t)(key.keysym.scancode & 0xFF) << 16);
    if (!down)
        lParam |= 0xC0000000u;
    else if (key.repeat)
        lParam |= 0x40000000u;
    if (mods & KMOD_ALT)
        lParam |= LPARAM_ALT_HELD;
    if (mods & KMOD_SHIFT)
        lParam |= LPARAM_SHIFT;
    if (mods & KMOD_CTRL)
        lParam |= LPARAM_CONTROL;
    if (mods & KMOD_CAPS)
        lParam |= LPARAM_CAPS;
    LayerPost(LayerWindowHandle(window), message, (WPARAM)virtualKey, (LPARAM)lParam);
}

static void TranslateWindowEvent(const SDL_WindowEvent& event)
{
    LayerWindow* window = LayerWindowFromEventId(event.windowID);
    if (!window || window->destroying)
        return;
    HWND hWnd = LayerWindowHandle(window);
    switch (event.event) {
    case SDL_WINDOWEVENT_MINIMIZED:
        LayerNoteMinimized(window, true);
        LayerNoteActivation(window, false);
        LayerPost(hWnd, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 1), 0);
        LayerPost(hWnd, WM_SIZE, SIZE_MINIMIZED, 0);
        break;
    case SDL_WINDOWEVENT_RESTORED:
        LayerNoteMinimized(window, false);
        LayerNoteActivation(window, true);
        LayerPost(hWnd, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), 0);
        LayerPost(hWnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(window->clientWidth, window->clientHeight));
        break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
        LayerNoteActivation(window, false);
        LayerPost(hWnd, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, window->minimized), 0);
        break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
        LayerNoteActivation(window, true);
        LayerPost(hWnd, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, window->minimized), 0);
        break;
    case SDL_WINDOWEVENT_SIZE_CHANGED: {
        LayerNoteClientSize(window, event.data1, event.data2);
        WPARAM kind = SIZE_RESTORED;
        if (window->minimized)
            kind = SIZE_MINIMIZED;
        else if (window->sdlWindow && (SDL_GetWindowFlags(window->sdlWindow) & SDL_WINDOW_MAXIMIZED))
            kind = SIZE_MAXIMIZED;
        LayerPost(hWnd, WM_SIZE, kind, MAKELPARAM(event.data1, event.data2));
        break;
    }
    case SDL_WINDOWEVENT_MOVED: {
        RECT insets = LayerFrameInsets(window->style, FALSE);
        window->x = event.data1 - insets.left;
        window->y = event.data2 - insets.top;
        LayerPost(hWnd, WM_MOVE, 0, MAKELPARAM(event.data1, event.data2));
        break;
    }
    case SDL_WINDOWEVENT_CLOSE:
        LayerPost(hWnd, WM_CLOSE, 0, 0);
        break;
    default:
        break;
    }
}

static WPARAM MouseFlags()
{
    SDL_Keymod mods = SDL_GetModState();
    WPARAM flags = mouseButtons;
    if (mods & KMOD_SHIFT)
        flags |= MK_SHIFT;
    if (mods & KMOD_CTRL)
        flags |= MK_CONTROL;
    return flags;
}

static void NoteCursor(const LayerWindow* window, int x, int y)
{
    int originX = 0, originY = 0;
    if (window->sdlWindow)
        SDL_GetWindowPosition(window->sdlWindow, &originX, &originY);
    layerCursor.x = originX + x;
    layerCursor.y = originY + y;
}

static void TranslateMouseButton(const SDL_MouseButtonEvent& event)
{
    LayerWindow* window = LayerWindowFromEventId(event.windowID);
    unsigned bit;
    UINT downMessage;
    switch (event.button) {
    case SDL_BUTTON_LEFT: bit = MK_LBUTTON; downMessage = WM_LBUTTONDOWN; break;
    case SDL_BUTTON_RIGHT: bit = MK_RBUTTON; downMessage = WM_RBUTTONDOWN; break;
    case SDL_BUTTON_MIDDLE: bit = MK_MBUTTON; downMessage = WM_MBUTTONDOWN; break;
    default: return;
    }
    bool down = event.type == SDL_MOUSEBUTTONDOWN;
    mouseButtons = down ? (mouseButtons | bit) : (mouseButtons & ~bit);
    if (!window)
        return;
    NoteCursor(window, event.x, event.y);
    // Each button's up message follows its down message.
    LayerPost(LayerWindowHandle(window), down ? downMessage : downMessage + 1, MouseFlags(),
              MAKELPARAM(event.x, event.y));
}

void LayerTranslateSdlEvent(const SDL_Event* event)
{
    switch (event->type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        TranslateKey(event->key);
        break;
    case SDL_WINDOWEVENT:
        TranslateWindowEvent(event->window);
        break;
    case SDL_MOUSEMOTION: {
        LayerWindow* window = LayerWindowFromEventId(event->motion.windowID);
        if (!window)
            break;
        NoteCursor(window, event->motion.x, event->motion.y);
        LayerPost(LayerWindowHandle(window), WM_MOUSEMOVE, MouseFlags(),
                  MAKELPARAM(event->motion.x, event->motion.y));
        break;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        TranslateMouseButton(event->button);
        break;
    default:
        break;
    }
}
