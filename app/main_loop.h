// The program's entry and its message-and-frame loop.
//
// The loop never blocks: each pass handles one waiting message, or, when
// the queue is empty, reads the control keys and draws one frame. Escape
// ends the program, holding M freezes the picture, F1 re-creates the
// window in the other mode.
#pragma once

#include "platform/platform.h"

// Toolkit routine the shipped program does not call: Escape (27) ends the
// process with status 0 at once, with no teardown; other keys do nothing.
void KeyHandler(unsigned char key);
