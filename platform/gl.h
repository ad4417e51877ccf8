// OpenGL 1.1 and GLU, after the platform header that Windows' GL headers need.
#pragma once

#include "platform/platform.h"

#include <GL/gl.h>
#include <GL/glu.h>

#ifdef __EMSCRIPTEN__
// The browser's GL lacks some 1.1 calls and gets others wrong: the web
// layer supplies and mends them (see web_gl.h).
#include "platform/web/web_gl.h"
#endif
