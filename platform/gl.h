// OpenGL 1.1 and GLU, after the platform header that Windows' GL headers need.
#pragma once

#include "platform/platform.h"

#include <GL/gl.h>
#include <GL/glu.h>
