// The frame the loop benchmark draws: clear only, so that what is measured
// is the loop, the message pump and the swap, not the scene.
#include "platform/gl.h"

int RenderFrame()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    return 1;
}
