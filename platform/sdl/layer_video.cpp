// SDL video start on first need, and the clean-up at process exit.
// Needs: SDL video. The exit handler takes every full-screen window out of
// full screen before SDL_Quit: a display-mode change made for full screen
// is temporary, so even exit(1) in the middle of a full-screen start-up
// leaves the desktop in its own mode.
// A driver without a screen (offscreen, dummy) is used only when asked for
// by name (SDL_VIDEODRIVER): SDL falls back to one by itself when no
// display is reachable, and a program whose windows nobody can see or
// answer would run forever.
#include "platform/sdl/layer_internal.h"

#include <SDL.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int videoState = 0;  // 0 not tried, 1 running, -1 unavailable
static bool glLibraryHeld = false;
static bool displayMissing = false;
static char noDisplayReason[256];

static void RestoreAtExit()
{
    if (videoState != 1)
        return;
    LayerLeaveFullscreenAll();
    if (glLibraryHeld)
        SDL_GL_UnloadLibrary();
    glLibraryHeld = false;
    videoState = 0;
    SDL_Quit();
}

// The hint's reason, taken while SDL still has it: its error when video did
// not start, and when it fell back to a driver without a screen, why the
// first driver it tried (the one a desktop would use) did not start.
static void KeepNoDisplayReason(bool fellBack)
{
    const char* first = SDL_GetVideoDriver(0);
    if (fellBack && first && strcmp(first, "offscreen") != 0 && strcmp(first, "dummy") != 0
        && SDL_VideoInit(first) == 0)
        SDL_VideoQuit();
    const char* display = getenv("DISPLAY");
    SDL_snprintf(noDisplayReason, sizeof noDisplayReason, "%s%s; SDL: %s", display ? "DISPLAY=" : "DISPLAY not set",
                 display ? display : "", SDL_GetError());
}

bool LayerEnsureVideo()
{
    if (videoState == 0) {
        // The screen saver is held off only while a window lives, and
        // Ctrl+C in a terminal keeps ending the process as usual.
        SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        const char* asked = SDL_GetHint(SDL_HINT_VIDEODRIVER);
        bool anyDriver = !asked || !*asked;
        bool started = SDL_Init(SDL_INIT_VIDEO) == 0;
        if (!started || (anyDriver && LayerVideoHeadless())) {
            if (started)
                SDL_QuitSubSystem(SDL_INIT_VIDEO);
            KeepNoDisplayReason(started);
            displayMissing = anyDriver;
            videoState = -1;
            return false;
        }
        videoState = 1;
        // Hold the GL library for the whole run: SDL otherwise unloads it
        // with the last GL window and loads it again with the next one, and
        // every such reload leaks a little inside the driver (seen on every
        // F1 rebuild). Without GL the windows simply fail later, as before.
        glLibraryHeld = SDL_GL_LoadLibrary(NULL) == 0;
        static bool exitHandlerSet = false;
        if (!exitHandlerSet) {
            exitHandlerSet = true;
            atexit(RestoreAtExit);
        }
    }
    return videoState == 1;
}

void LayerTellNoDisplay()
{
    static bool told = false;
    if (!displayMissing || told)
        return;
    told = true;
    fprintf(stderr,
            "No display could be opened (%s): set DISPLAY to reach one, or run the program on a "
            "virtual one with xvfb-run -a.\n",
            noDisplayReason);
    fflush(stderr);
}

bool LayerVideoHeadless()
{
    const char* driver = SDL_GetCurrentVideoDriver();
    return driver && (strcmp(driver, "offscreen") == 0 || strcmp(driver, "dummy") == 0);
}
