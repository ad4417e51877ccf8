// A demo for the capture's sound test: it plays a tune with a click at
// exactly 1.000 s and draws white from ElapsedSeconds() >= 1.0, black
// before, so a capture must show the click and the first white frame
// together.
#include "platform/gl.h"
#include "scene/scene.h"
#include "sound/music.h"
#include "timing/clock.h"

bool StartDemo()
{
    return PlayMusic(CLICK_TUNE);
}

int RenderFrame()
{
    float shade = ElapsedSeconds() >= 1.0 ? 1.0f : 0.0f;
    glClearColor(shade, shade, shade, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    return 1;
}
