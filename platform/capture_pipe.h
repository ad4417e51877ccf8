// What orlath-capture and the layer's capture mode agree on: the variables
// that switch capture on in the program, and the frames on the pipe.
// Each frame is a FrameHeader followed by width * height * 3 bytes of RGB,
// bottom row first (as GL reads it back), rows packed. Both ends run on the
// same machine, so the header is in its byte order.
#pragma once

#include <stdint.h>

// The pipe's write end, inherited by the program.
#define CAPTURE_ENV_FD "ORLATH_CAPTURE_FD"
// Frames per second of the capture clock: a decimal number above 0, at most 1000.
#define CAPTURE_ENV_FPS "ORLATH_CAPTURE_FPS"
// Frames to write; after the last one the program gets Escape.
#define CAPTURE_ENV_FRAMES "ORLATH_CAPTURE_FRAMES"

enum { CAPTURE_MAX_FRAMES = 1000000, CAPTURE_MAX_SIDE = 8192 };

struct CaptureFrameHeader {
    char magic[4];  // "ORLF"
    uint32_t width, height;
    uint32_t index;  // 0 for the first frame
};
