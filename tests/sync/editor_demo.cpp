// A kit demo for the stand-in editor: two tracks paint the whole picture
// (red and green), and each frame's row and centre pixel, read back before
// the swap, go to standard output whenever they change. With SYNC_DEMO_FPS
// set (Linux only) it paces itself to that many frames a second, as a
// display's refresh would, instead of drawing flat out, and prints every
// frame with the monotonic time it began at, just after the loop's editor
// pass.
#include <stdio.h>
#include <stdlib.h>
#ifndef _WIN32
#include <time.h>
#include <unistd.h>
#endif

#include "platform/gl.h"
#include "sound/music.h"
#include "sync/sync_tracks.h"

static int red, green;

bool StartDemo()
{
    SetSyncTempo(120.0, 8);
    red = GetSyncTrack("red");
    green = GetSyncTrack("probe:green");
    return PlayMusic("musica/tune.ogg");
}

int RenderFrame()
{
    char began[48] = "";
#ifndef _WIN32
    static const char* fps = getenv("SYNC_DEMO_FPS");
    if (fps) {
        timespec now;
        clock_gettime(CLOCK_MONOTONIC, &now);
        snprintf(began, sizeof began, " began %.6f", now.tv_sec + now.tv_nsec * 1e-9);
    }
#endif
    static long frames = 0, lastRow = -1;
    static unsigned char last[4];
    double row = SyncRow();
    glClearColor(SyncValue(red, row), SyncValue(green, row), 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    unsigned char pixel[4] = {0, 0, 0, 0};
    glReadPixels(8, 8, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    ++frames;
    if (*began || (long)row != lastRow || pixel[0] != last[0] || pixel[1] != last[1]) {
        lastRow = (long)row;
        last[0] = pixel[0];
        last[1] = pixel[1];
        printf("frame %ld row %ld pixel %d %d%s\n", frames, lastRow, pixel[0], pixel[1], began);
        fflush(stdout);
    }
#ifndef _WIN32
    if (fps && atof(fps) > 0) {
        timespec now;
        clock_gettime(CLOCK_MONOTONIC, &now);
        long long period = (long long)(1e9 / atof(fps)), at = now.tv_sec * 1000000000LL + now.tv_nsec;
        usleep((useconds_t)((period - at % period) / 1000));
    }
#endif
    return 1;
}
