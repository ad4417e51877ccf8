// The waveOut device's insides, for its tests: the pull that SDL's audio
// thread makes, and the position estimate, both on a given counter value,
// so that a test can play the device's part with a script.
#pragma once

#include <stdint.h>

// With a script on, waveOutOpen opens no SDL device: nothing pulls but the
// test's calls of LayerWaveMix. Set before waveOutOpen.
void LayerWaveScript(bool on);
// Fills `bytes` of the device's stream from the written buffers (silence
// past them), as the device asks for them at counter value `counter`.
void LayerWaveMix(unsigned char* stream, int bytes, int64_t counter);
// Frames that have left the speaker by counter value `counter`.
uint64_t LayerWaveFrames(int64_t counter);
// Capture mode: pulls the sound up to the start of the clock's frame
// `frameEnd` and sends it to the capture; nothing when no device is open.
void LayerWaveCaptureFrame(long frameEnd);
