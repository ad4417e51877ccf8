// Window classes, and the stock icons and cursors a class names.
// Needs: nothing beyond the layer. Limits: 16 classes; class names are
// matched without regard to ASCII case, as Win32 does, and the instance
// is not part of a class's identity (the layer serves one module). There
// are no resources: only the system's own icons and cursors load.
#include "platform/sdl/layer_internal.h"

#include <SDL.h>

LayerClass layerClasses[LAYER_MAX_CLASSES];
int layerLiveClasses = 0;

enum { FIRST_ATOM = 0xC000 };

// -1 when no class of that name (or atom, as MAKEINTRESOURCE) is registered.
int LayerFindClass(LPCSTR className)
{
    if (!className)
        return -1;
    uintptr_t value = (uintptr_t)className;
    for (int i = 0; i < LAYER_MAX_CLASSES; ++i) {
        const LayerClass* entry = &layerClasses[i];
        if (!entry->used)
            continue;
        if (value < 0x10000 ? entry->atom == value : SDL_strcasecmp(entry->name, className) == 0)
            return i;
    }
    return -1;
}

ATOM WINAPI RegisterClassA(const WNDCLASSA* windowClass)
{
    if (LayerShouldFail("RegisterClassA"))
        return 0;
    if (!windowClass || !windowClass->lpfnWndProc || !windowClass->lpszClassName ||
        (uintptr_t)windowClass->lpszClassName < 0x10000 || windowClass->cbClsExtra < 0 ||
        windowClass->cbWndExtra < 0)
        return 0;
    size_t length = SDL_strlen(windowClass->lpszClassName);
    if (length == 0 || length >= LAYER_CLASS_NAME_MAX || LayerFindClass(windowClass->lpszClassName) >= 0)
        return 0;
    for (int i = 0; i < LAYER_MAX_CLASSES; ++i) {
        LayerClass* entry = &layerClasses[i];
        if (entry->used)
            continue;
        SDL_zerop(entry);
        entry->used = true;
        entry->atom = (ATOM)(FIRST_ATOM + i);
        SDL_strlcpy(entry->name, windowClass->lpszClassName, sizeof entry->name);
        entry->style = windowClass->style;
        entry->proc = windowClass->lpfnWndProc;
        entry->instance = windowClass->hInstance;
        ++layerLiveClasses;
        return entry->atom;
    }
    return 0;
}

BOOL WINAPI UnregisterClassA(LPCSTR className, HINSTANCE instance)
{
    (void)instance;
    if (LayerShouldFail("UnregisterClassA"))
        return FALSE;
    int slot = LayerFindClass(className);
    if (slot < 0 || layerClasses[slot].windowCount > 0)
        return FALSE;
    SDL_zerop(&layerClasses[slot]);
    --layerLiveClasses;
    return TRUE;
}

static bool IsStockId(LPCSTR name, int first, int last)
{
    uintptr_t id = (uintptr_t)name;
    return id >= (uintptr_t)first && id <= (uintptr_t)last;
}

HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR name)
{
    if (LayerShouldFail("LoadIconA"))
        return nullptr;
    if (instance || !IsStockId(name, 32512, 32518))
        return nullptr;
    return (HICON)(uintptr_t)(0x00010000u + (uintptr_t)name);
}

HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR name)
{
    if (LayerShouldFail("LoadCursorA"))
        return nullptr;
    if (instance || !(IsStockId(name, 32512, 32516) || IsStockId(name, 32640, 32651)))
        return nullptr;
    return (HCURSOR)(uintptr_t)(0x00020000u + (uintptr_t)name);
}
