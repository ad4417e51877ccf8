// Application start-up, run inside every new render window (the first one
// and every one that F1 re-creates) with its GL context current.
//
// Build-time switches: the code behind a switch that is off still compiles
// and stays in the program, so turning one on is a one-word change.
#pragma once

const bool enableBitmapFont = false;
const bool enableClock = true;
const bool enableStartupImages = true;

// False when the clock or the start-up images fail; the caller then ends
// the process with status 1.
bool StartApplication();
