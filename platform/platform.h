// The one seam between the system and the platform.
//
// System code includes this header (and platform/gl.h for GL) and nothing
// else of the platform. On Windows it is the real API. Elsewhere it is our
// Win32-compatible layer over SDL2, which offers the same names, types,
// constants, return values and window messages for the calls we make.
#pragma once

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
// The music's waveOut calls (winmm) and the sync editor's sockets (ws2_32),
// which the lean windows.h leaves out.
#include <mmsystem.h>
#include <winsock2.h>
// Folder separator for paths the system builds itself.
#define PLATFORM_PATH_SEPARATOR "\\"
#else
#include "platform/win32_layer.h"
#define PLATFORM_PATH_SEPARATOR "/"
#endif
