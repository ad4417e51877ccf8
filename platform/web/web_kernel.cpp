// The performance counter on the page's clock: microseconds from
// emscripten_get_now (performance.now), which the browser may coarsen
// (Chromium: to 100 us without cross-origin isolation).
#include "platform/file_attributes.h"
#include "platform/web/web_internal.h"

#include <emscripten.h>

BOOL WINAPI QueryPerformanceFrequency(LARGE_INTEGER* frequency)
{
    if (!frequency)
        return FALSE;
    frequency->QuadPart = 1000000;
    return TRUE;
}

BOOL WINAPI QueryPerformanceCounter(LARGE_INTEGER* count)
{
    if (!count)
        return FALSE;
    count->QuadPart = (LONGLONG)(emscripten_get_now() * 1000.0);
    return TRUE;
}

BOOL WINAPI GetFileAttributesExA(LPCSTR path, GET_FILEEX_INFO_LEVELS level, LPVOID information)
{
    return LayerFileAttributes(path, level, information);
}
