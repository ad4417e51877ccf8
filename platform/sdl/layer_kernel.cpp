// kernel32: the module handle, the performance counter and file attributes.
// Needs: SDL's timer only (no SDL_Init). Limits: one module, the program.
#include "platform/sdl/layer_capture.h"
#include "platform/file_attributes.h"
#include "platform/sdl/layer_internal.h"

#include <SDL.h>

// Where Win32 maps a program by default; any fixed non-null value serves.
static const uintptr_t programModule = 0x00400000;

HMODULE WINAPI GetModuleHandleA(LPCSTR moduleName)
{
    if (LayerShouldFail("GetModuleHandleA"))
        return nullptr;
    return moduleName ? nullptr : (HMODULE)programModule;
}

BOOL WINAPI QueryPerformanceFrequency(LARGE_INTEGER* frequency)
{
    if (LayerShouldFail("QueryPerformanceFrequency") || !frequency)
        return FALSE;
    frequency->QuadPart = (LONGLONG)SDL_GetPerformanceFrequency();
    return frequency->QuadPart != 0 ? TRUE : FALSE;
}

BOOL WINAPI QueryPerformanceCounter(LARGE_INTEGER* count)
{
    if (LayerShouldFail("QueryPerformanceCounter") || !count)
        return FALSE;
    if (LayerCaptureCounter(&count->QuadPart))
        return TRUE;
    count->QuadPart = (LONGLONG)SDL_GetPerformanceCounter();
    return TRUE;
}

BOOL WINAPI GetFileAttributesExA(LPCSTR path, GET_FILEEX_INFO_LEVELS level, LPVOID information)
{
    if (LayerShouldFail("GetFileAttributesExA"))
        return FALSE;
    return LayerFileAttributes(path, level, information);
}
