// The shipped program's frame: the scene at the clock's time. A program on
// the same shell that draws something else (the gallery, a benchmark)
// brings its own RenderFrame instead of this file.
#include "platform/gl.h"
#include "scene/scene.h"
#include "timing/clock.h"

int RenderFrame()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glPushMatrix();
    float t = (float)ElapsedSeconds();
    DrawSceneAndFlush(t);
    glPopMatrix();
    return 1;
}
