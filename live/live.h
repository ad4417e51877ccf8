// Live code: a demo whose own sources are a shared object that the host
// program (the shell and the kit) loads, and loads again whenever it is
// rebuilt, keeping the window, the GL context, the texture table, the music
// and the sync tracks. What the demo keeps in its own globals starts afresh
// with each version; StopDemo() hands it over or frees it.
//
// Only programs built with orlath_add_demo(... LIVE ON) compile this; the
// shell's start-up then calls LiveStartDemo() instead of StartDemo(), and
// the host's RenderFrame() looks for a rebuilt object before each frame.
#pragma once

// The object, relative to the working folder (the program's own, as for
// imagenes/). The build names it after the demo.
extern const char* liveObjectPath;
// Between two looks at the object's time and size.
enum { LIVE_POLL_MS = 50 };
// Swaps made, and how long the latest took (milliseconds, from noticing the
// new object to the new StartDemo's return).
extern int liveSwapCount;
extern double liveLastSwapMs;

// Loads the object on the first call; in every new GL context (first
// start-up and F1) runs the loaded code's StartDemo. False when the first
// load fails or StartDemo does.
bool LiveStartDemo();
// Looks at the object now and swaps it in when it was rebuilt and is
// complete: the old code's StopDemo, then the new code's StartDemo in the
// current context. True when the new code runs. A failure keeps the old
// code, says why in one line on standard error and in the report, and is
// not tried again until the object changes.
bool LiveCheck();
// Stops the running code (its StopDemo) and unloads it.
void LiveUnload();
