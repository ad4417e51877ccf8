// A demo in versions, built as objects for the live tests: version 1 draws
// red, version 2 green; LIVE_NO_RENDER has no RenderFrame, LIVE_FAIL_START a
// StartDemo that fails.
#include <stdlib.h>
#include <string.h>

#include "kit/orlath.h"

enum { HANDED_SLOT = 5, SCRATCH_BYTES = 1 << 20 };

// Each version's own memory: StopDemo frees it, or 100 swaps would show.
static char* scratch = nullptr;

bool StartDemo()
{
#ifdef LIVE_FAIL_START
    return false;
#endif
    scratch = (char*)malloc(SCRATCH_BYTES);
    memset(scratch, LIVE_VERSION, SCRATCH_BYTES);
    // Kit storage outlives the swap: the first version makes the texture
    // and starts the music, later ones find them.
    if (!textureTable[HANDED_SLOT].texId && !LoadImageSlot("imagenes/hola.tga", HANDED_SLOT))
        return false;
    return musicPlaying || PlayMusic("tune.ogg");
}

void StopDemo()
{
    free(scratch);
    scratch = nullptr;
}

#ifndef LIVE_NO_RENDER
int RenderFrame()
{
    glClearColor(LIVE_VERSION == 1 ? 1.0f : 0.0f, LIVE_VERSION == 2 ? 1.0f : 0.0f, scratch[0] == LIVE_VERSION, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    return 1;
}
#endif
