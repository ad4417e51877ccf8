// SDL video start on first need, and the clean-up at process exit.
// Needs: SDL video. The exit handler takes every full-screen window out of
// full screen before SDL_Quit: a display-mode change made for full screen
// is temporary, so even exit(1) in the middle of a full-screen start-up
// leaves the desktop in its own mode.
#include "platform/layer_internal.h"

#include <SDL.h>
#include <stdlib.h>
#include <string.h>

static int videoState = 0;  // 0 not tried, 1 running, -1 unavailable
static bool glLibraryHeld = false;

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

bool LayerEnsureVideo()
{
    if (videoState == 0) {
        // The screen saver is held off only while a window lives, and
        // Ctrl+C in a terminal keeps ending the process as usual.
        SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        if (SDL_Init(SDL_INIT_VIDEO) != 0) {
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

bool LayerVideoHeadless()
{
    const char* driver = SDL_GetCurrentVideoDriver();
    return driver && (strcmp(driver, "offscreen") == 0 || strcmp(driver, "dummy") == 0);
}
