// Display modes and the cursor's display counter.
// Needs: SDL video, display 0 only. A full-screen mode change is never
// made to the desktop itself: the accepted mode is "in force", and a
// WS_POPUP window at 0,0 of exactly that size is made SDL-full-screen in
// it; SDL puts the desktop back when that window leaves full screen, when
// ChangeDisplaySettingsA(NULL, 0) undoes the change, or at exit.
// Every size is also listed at 16 bits, and a CDS_FULLSCREEN change to a
// size the display has is taken at any depth: as on Windows 8 and later,
// the depth is emulated at that size's own mode (X has no 16-bit mode on
// a 24-bit screen, and GL draws the same either way).
// Limits: 24 and 32 bits count as one depth (SDL stores both in four
// bytes a pixel), as do 15 and 16; a mode without DM_BITSPERPEL takes any
// depth; 64 modes are looked at.
#include "platform/sdl/layer_internal.h"

#include <SDL.h>
#include <string.h>

enum { MODE_MAX = 64, LISTED_MAX = 2 * MODE_MAX, EMULATED_BITS = 16 };

struct ListedMode {
    SDL_DisplayMode mode;
    int bits;
};

int layerModeWidth = 0, layerModeHeight = 0, layerModeBits = 0;
int layerCursorCount = 0;
static SDL_DisplayMode modeInForce;
DEVMODEA layerLastDisplayRequest;
DWORD layerLastDisplayFlags;

static int ModeBits(Uint32 format)
{
    int bytes = SDL_BYTESPERPIXEL(format);
    return bytes ? bytes * 8 : SDL_BITSPERPIXEL(format);
}

static bool SameDepth(int asked, int offered)
{
    if (asked == 15)
        asked = 16;
    if (asked == 24)
        asked = 32;
    return asked == offered;
}

// What the display offers: SDL's list, plus the desktop mode, which some
// drivers (the offscreen one) leave out of it.
static int OfferedModes(SDL_DisplayMode* modes)
{
    int count = 0;
    int listed = SDL_GetNumDisplayModes(0);
    for (int i = 0; i < listed && count < MODE_MAX - 1; ++i) {
        SDL_DisplayMode mode;
        if (SDL_GetDisplayMode(0, i, &mode) == 0 && mode.w > 0 && mode.h > 0)
            modes[count++] = mode;
    }
    SDL_DisplayMode desktop;
    if (SDL_GetDesktopDisplayMode(0, &desktop) == 0 && desktop.w > 0 && desktop.h > 0) {
        bool known = false;
        for (int i = 0; i < count; ++i)
            known = known || (modes[i].w == desktop.w && modes[i].h == desktop.h &&
                              ModeBits(modes[i].format) == ModeBits(desktop.format));
        if (!known)
            modes[count++] = desktop;
    }
    return count;
}

// What EnumDisplaySettingsA lists: each offered mode, then the same size at
// the emulated depth unless it has that depth already.
static int ListedModes(ListedMode* listed)
{
    SDL_DisplayMode offered[MODE_MAX];
    int count = OfferedModes(offered), total = 0;
    for (int i = 0; i < count; ++i) {
        int bits = ModeBits(offered[i].format);
        listed[total++] = {offered[i], bits};
        if (!SameDepth(EMULATED_BITS, bits))
            listed[total++] = {offered[i], EMULATED_BITS};
    }
    return total;
}

bool LayerQualifiesForFullscreen(const LayerWindow* window)
{
    return layerModeWidth > 0 && (window->style & WS_POPUP) && window->x == 0 && window->y == 0 &&
           window->outerWidth == layerModeWidth && window->outerHeight == layerModeHeight;
}

bool LayerSetFullscreenMode(SDL_Window* sdlWindow)
{
    return layerModeWidth > 0 && SDL_SetWindowDisplayMode(sdlWindow, &modeInForce) == 0;
}

void LayerLeaveFullscreenAll()
{
    for (LayerWindow& window : layerWindows) {
        if (window.used && window.fullscreen && window.sdlWindow)
            SDL_SetWindowFullscreen(window.sdlWindow, 0);
        window.fullscreen = false;
    }
    layerModeWidth = layerModeHeight = layerModeBits = 0;
}

// Windows realised before the change follow it at once.
static void ApplyModeToWindows()
{
    for (LayerWindow& window : layerWindows) {
        if (!window.used || !window.sdlWindow)
            continue;
        if (LayerQualifiesForFullscreen(&window)) {
            SDL_SetWindowDisplayMode(window.sdlWindow, &modeInForce);
            if (!window.fullscreen)
                window.fullscreen = SDL_SetWindowFullscreen(window.sdlWindow, SDL_WINDOW_FULLSCREEN) == 0;
        } else if (window.fullscreen) {
            SDL_SetWindowFullscreen(window.sdlWindow, 0);
            window.fullscreen = false;
        }
    }
}

LONG WINAPI ChangeDisplaySettingsA(DEVMODEA* mode, DWORD flags)
{
    if (mode) {
        layerLastDisplayRequest = *mode;
        layerLastDisplayFlags = flags;
    }
    if (LayerShouldFail("ChangeDisplaySettingsA"))
        return mode ? DISP_CHANGE_BADMODE : DISP_CHANGE_FAILED;
    if (!mode) {
        if (!(flags & CDS_TEST))
            LayerLeaveFullscreenAll();
        return DISP_CHANGE_SUCCESSFUL;
    }
    if (!LayerEnsureVideo())
        return DISP_CHANGE_FAILED;

    SDL_DisplayMode current;
    if (SDL_GetCurrentDisplayMode(0, &current) != 0)
        return DISP_CHANGE_FAILED;
    int width = (mode->dmFields & DM_PELSWIDTH) ? (int)mode->dmPelsWidth : current.w;
    int height = (mode->dmFields & DM_PELSHEIGHT) ? (int)mode->dmPelsHeight : current.h;
    int bits = (mode->dmFields & DM_BITSPERPEL) ? (int)mode->dmBitsPerPel : 0;
    int rate = (mode->dmFields & DM_DISPLAYFREQUENCY) ? (int)mode->dmDisplayFrequency : 0;

    ListedMode listed[LISTED_MAX];
    int count = ListedModes(listed);
    const ListedMode* match = nullptr;
    const ListedMode* sameSize = nullptr;
    for (int i = 0; i < count && !match; ++i) {
        const SDL_DisplayMode& candidate = listed[i].mode;
        if (candidate.w != width || candidate.h != height ||
            (rate > 1 && candidate.refresh_rate != 0 && candidate.refresh_rate != rate))
            continue;
        if (!sameSize)
            sameSize = &listed[i];
        if (bits == 0 || SameDepth(bits, listed[i].bits))
            match = &listed[i];
    }
    if (!match && (flags & CDS_FULLSCREEN))
        match = sameSize;
    if (!match)
        return DISP_CHANGE_BADMODE;
    if (flags & CDS_TEST)
        return DISP_CHANGE_SUCCESSFUL;

    // Flags 0 would change the desktop for good on Win32; here every change
    // lasts only as long as the process.
    modeInForce = match->mode;
    layerModeWidth = width;
    layerModeHeight = height;
    layerModeBits = bits ? bits : match->bits;
    ApplyModeToWindows();
    return DISP_CHANGE_SUCCESSFUL;
}

BOOL WINAPI EnumDisplaySettingsA(LPCSTR deviceName, DWORD modeNum, DEVMODEA* mode)
{
    if (LayerShouldFail("EnumDisplaySettingsA"))
        return FALSE;
    if (!mode || (deviceName && strcmp(deviceName, "\\\\.\\DISPLAY1") != 0) || !LayerEnsureVideo())
        return FALSE;
    SDL_DisplayMode found;
    int bits = 0;
    if (modeNum == ENUM_CURRENT_SETTINGS) {
        if (SDL_GetCurrentDisplayMode(0, &found) != 0)
            return FALSE;
    } else if (modeNum == ENUM_REGISTRY_SETTINGS) {
        if (SDL_GetDesktopDisplayMode(0, &found) != 0)
            return FALSE;
    } else {
        ListedMode listed[LISTED_MAX];
        if ((int)modeNum >= ListedModes(listed))
            return FALSE;
        found = listed[modeNum].mode;
        bits = listed[modeNum].bits;
    }
    mode->dmPelsWidth = (DWORD)found.w;
    mode->dmPelsHeight = (DWORD)found.h;
    mode->dmBitsPerPel = (DWORD)(bits ? bits : ModeBits(found.format));
    mode->dmDisplayFrequency = (DWORD)found.refresh_rate;
    mode->dmDisplayFlags = 0;
    mode->dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT | DM_DISPLAYFREQUENCY;
    return TRUE;
}

int WINAPI ShowCursor(BOOL show)
{
    if (LayerShouldFail("ShowCursor"))
        return layerCursorCount;
    layerCursorCount += show ? 1 : -1;
    if (LayerEnsureVideo())
        SDL_ShowCursor(layerCursorCount >= 0 ? SDL_ENABLE : SDL_DISABLE);
    return layerCursorCount;
}
