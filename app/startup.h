// Application start-up, run inside every new render window (the first one
// and every one that F1 re-creates) with its GL context current.
//
// Build-time switches: the code behind a switch that is off still compiles
// and stays in the program, so turning one on is a one-word change. This
// file and startup.cpp are compiled into each program, so a program built
// with the kit may set them with ORLATH_ENABLE_* definitions.
#pragma once

#ifndef ORLATH_ENABLE_BITMAP_FONT
#define ORLATH_ENABLE_BITMAP_FONT 0
#endif
#ifndef ORLATH_ENABLE_CLOCK
#define ORLATH_ENABLE_CLOCK 1
#endif
#ifndef ORLATH_ENABLE_STARTUP_IMAGES
#define ORLATH_ENABLE_STARTUP_IMAGES 1
#endif

const bool enableBitmapFont = ORLATH_ENABLE_BITMAP_FONT != 0;
const bool enableClock = ORLATH_ENABLE_CLOCK != 0;
const bool enableStartupImages = ORLATH_ENABLE_STARTUP_IMAGES != 0;

// False when the clock, the start-up images or the demo's own step fail;
// the caller then ends the process with status 1.
bool StartApplication();

// The demo's own start-up step, run last in every new GL context: at first
// start-up and after each F1 rebuild, since the old context's textures and
// lists died with it. A demo defines it to load its textures and build its
// fonts; false ends start-up as a failed shipped step does. A program that
// does not define it gets one that does nothing.
bool StartDemo();

// A live build's demo may define it too (orlath_add_demo's LIVE ON): run in
// the old code just before a rebuilt object's StartDemo takes over, in the
// same GL context, to free or hand over what the old code's globals hold.
void StopDemo();
