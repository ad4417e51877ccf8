// Everything a demo's frame may call, in one header: GL and GLU, the
// layer's Win32 API, the render window's state and keys, the texture table
// and the image loaders, both fonts, the scene and the effect primitives,
// the 2D helpers, the music, the clock, the random routines, the sync
// tracks and the debug report. The headers it gathers sit beside it, one
// folder per subsystem, for those who want less.
//
// A demo defines `int RenderFrame()` (one frame; the shell swaps) and may
// define `bool StartDemo()` (its start-up step in every new GL context).
#pragma once

#include "platform/gl.h"

#include "app/main_loop.h"
#include "app/render_window.h"
#include "app/startup.h"
#include "diag/Debug.h"
#include "image/image_file.h"
#include "image/mipmap_loader.h"
#include "image/texture_table.h"
#include "image/tga_reader.h"
#include "scene/effects.h"
#include "scene/pixel_view.h"
#include "scene/scene.h"
#include "sync/sync_editor.h"
#include "sync/sync_tracks.h"
#include "text/atlas_font.h"
#include "sound/music.h"
#include "text/bitmap_font.h"
#include "timing/clock.h"
#include "timing/random.h"
