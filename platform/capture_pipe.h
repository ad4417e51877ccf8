// What orlath-capture and the layer's capture mode agree on: the variables
// that switch capture on in the program, and the records on the pipe.
// Each frame is a FrameHeader followed by width * height * 3 bytes of RGB,
// bottom row first (as GL reads it back), rows packed. Each piece of sound
// is a SoundHeader followed by frames * channels 16-bit samples,
// interleaved. Both ends run on the same machine, so everything is in its
// byte order. Both records start with their magic, and a sound header is
// the longer: the reader takes a frame header's bytes, then the rest.
#pragma once

#include <errno.h>
#include <stddef.h>
#include <stdint.h>
#include <unistd.h>

// The pipe's write end, inherited by the program.
#define CAPTURE_ENV_FD "ORLATH_CAPTURE_FD"
// Frames per second of the capture clock: a decimal number above 0, at most 1000.
#define CAPTURE_ENV_FPS "ORLATH_CAPTURE_FPS"
// Frames to write; after the last one the program gets Escape.
#define CAPTURE_ENV_FRAMES "ORLATH_CAPTURE_FRAMES"

enum { CAPTURE_MAX_FRAMES = 1000000, CAPTURE_MAX_SIDE = 8192, CAPTURE_MAX_RATE = 384000,
       CAPTURE_MAX_SOUND_FRAMES = 1 << 20 };

struct CaptureFrameHeader {
    char magic[4];  // "ORLF"
    uint32_t width, height;
    uint32_t index;  // 0 for the first frame
};

// The sound the program plays, on the capture's clock: sample n of the
// soundtrack belongs to time n / rate exactly as frame k belongs to k / fps,
// so sample llround(k * rate / fps) starts frame k. Records come in order;
// the samples between them are silence.
struct CaptureSoundHeader {
    char magic[4];  // "ORLS"
    uint32_t rate;
    uint32_t channels;  // 1 or 2
    uint32_t frames;    // sample frames that follow, at most CAPTURE_MAX_SOUND_FRAMES
    uint64_t first;     // the soundtrack's index of the first of them
};

// Writes all of data to fd, through short writes and interrupted ones;
// false when the other end is gone or the write fails.
inline bool CaptureWriteAll(int fd, const void* data, size_t size)
{
    const char* bytes = (const char*)data;
    while (size > 0) {
        ssize_t written = write(fd, bytes, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes += written;
        size -= (size_t)written;
    }
    return true;
}
