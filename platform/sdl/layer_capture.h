// Capture mode of the layer: the seams by which the counter, the buffer
// swap and the message box hand over to it. Off unless orlath-capture
// started this process (see layer_capture.cpp for the variables it sets).
#pragma once

#include "platform/sdl/layer_internal.h"

// Fills *count with the capture clock's reading; false when capture is off.
bool LayerCaptureCounter(LONGLONG* count);
// Reads back the frame about to be swapped and moves the clock one frame
// on; nothing when capture is off. Called with the window's context current.
void LayerCaptureSwap(LayerWindow* window);
// The first sample at `rate` of the clock's frame `frame` (frames swapped
// so far, when called between swaps): llround(frame * rate / fps), so the
// sound never drifts from the picture.
int64_t LayerCaptureSample(long frame, unsigned rate);
// Frames swapped so far: the clock's frame number.
long LayerCaptureFrames();
// Sends sound to the capture, `first` being its index on the soundtrack;
// nothing once the last frame has gone.
void LayerCaptureSendSound(unsigned rate, unsigned channels, int64_t first, const short* samples, unsigned frames);
// True in capture mode: no box is shown, each goes to standard error.
bool LayerCaptureActive();
// Answers a Yes/No box No without showing it; false for other boxes and
// when capture is off.
bool LayerCaptureAnswerBox(UINT type, int* answer);
