// Display modes and the cursor on the page. The canvas is the screen: a
// change to a mode sizes the canvas to it, and a window of popup style
// shown under it asks the browser to show the canvas full screen (scaled
// by the page, still drawn at the canvas's size). Bits per pixel cannot be
// honoured and are ignored, as Windows does when it emulates a depth.
//
// Needs: the canvas with id "canvas". Limits: the browser may refuse full
// screen without a recent user gesture; the program then runs in the page.
#include "platform/web/web_internal.h"

#include <emscripten.h>

bool webModeFullscreen = false;
static int cursorCount = 0;

EM_JS(void, WebRequestFullscreen, (), {
    var canvas = document.getElementById("canvas");
    if (canvas && canvas.requestFullscreen && !document.fullscreenElement)
        canvas.requestFullscreen().catch(function() {});
});

EM_JS(void, WebExitFullscreen, (), {
    if (document.fullscreenElement && document.exitFullscreen)
        document.exitFullscreen().catch(function() {});
});

EM_JS(void, WebShowPageCursor, (int show), {
    var canvas = document.getElementById("canvas");
    if (canvas)
        canvas.style.cursor = show ? "" : "none";
});

EM_JS(int, WebScreenSide, (int height), { return height ? screen.height : screen.width; });

void WebEnterFullscreen()
{
    if (webModeFullscreen)
        WebRequestFullscreen();
}

void WebLeaveFullscreen()
{
    WebExitFullscreen();
}

LONG WINAPI ChangeDisplaySettingsA(DEVMODEA* mode, DWORD flags)
{
    if (!mode) {
        webModeFullscreen = false;
        WebLeaveFullscreen();
        return DISP_CHANGE_SUCCESSFUL;
    }
    // The canvas is the screen: a mode of any size sizes it.
    int width = (mode->dmFields & DM_PELSWIDTH) ? (int)mode->dmPelsWidth : webCanvasWidth;
    int height = (mode->dmFields & DM_PELSHEIGHT) ? (int)mode->dmPelsHeight : webCanvasHeight;
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384)
        return DISP_CHANGE_BADMODE;
    if (!(flags & CDS_TEST)) {
        webModeFullscreen = (flags & CDS_FULLSCREEN) != 0;
        WebSizeCanvas(width, height);
    }
    return DISP_CHANGE_SUCCESSFUL;
}

BOOL WINAPI EnumDisplaySettingsA(LPCSTR, DWORD modeNum, DEVMODEA* mode)
{
    if (!mode || (modeNum != 0 && modeNum != ENUM_CURRENT_SETTINGS && modeNum != ENUM_REGISTRY_SETTINGS))
        return FALSE;
    bool canvasMode = modeNum == 0 || webModeFullscreen;
    mode->dmBitsPerPel = 32;
    mode->dmPelsWidth = canvasMode ? webCanvasWidth : (DWORD)WebScreenSide(0);
    mode->dmPelsHeight = canvasMode ? webCanvasHeight : (DWORD)WebScreenSide(1);
    mode->dmDisplayFrequency = 60;
    mode->dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT | DM_DISPLAYFREQUENCY;
    return TRUE;
}

int WINAPI ShowCursor(BOOL show)
{
    cursorCount += show ? 1 : -1;
    WebShowPageCursor(cursorCount >= 0);
    return cursorCount;
}
