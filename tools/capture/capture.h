// orlath-capture: runs a program on the shell with the layer's capture mode
// on, and writes the frames it swaps as PNG files or a video. The parts:
// the command line (capture_options.cpp), the run of the program and the
// frame loop (capture_main.cpp), the PNG writer (capture_png.cpp), the
// video writer (capture_video.cpp) and the soundtrack (capture_sound.cpp).
// Linux only.
#pragma once

#include <stdint.h>

#include "platform/capture_pipe.h"

enum { EXIT_USAGE = 2, EXIT_TIMEOUT = 124, PATH_CAP = 4096 };

enum OutputKind { OUTPUT_FRAMES, OUTPUT_VIDEO };

struct CaptureOptions {
    char fpsText[32];  // as given, checked to be a plain decimal
    double fps;
    long frames;
    double timeoutSeconds;  // without a frame before the program is stopped
    bool force;
    bool display;
    const char* out;           // as given
    OutputKind kind;
    char folder[PATH_CAP];     // OUTPUT_FRAMES: without a trailing slash
    char videoFormat[16];      // OUTPUT_VIDEO: ffmpeg's name of the container
    char programPath[PATH_CAP];  // the program, found on PATH where needed
    char ffmpegPath[PATH_CAP];
    char** programArgs;  // argv of the program, null-terminated
};

extern CaptureOptions options;

// Fills options from the command line and checks them before anything is
// written. Returns -1 to go on, or the status to exit with (0 after --help,
// EXIT_USAGE after a message on standard error).
int ParseOptions(int argc, char** argv);
// The full path of an executable file: name itself when it has a slash,
// else the first match on PATH. False when there is none.
bool FindProgram(const char* name, char* path, int pathSize);

// ---- PNG frames: encoded on worker threads, written as
// FOLDER/frame-NNNNNN.png through a temporary name, so no half-written
// frame is ever left under a frame's name.

// Creates the folder (or, with --force, empties it of earlier frames) and
// starts the workers. False after a message.
bool StartPngWriter(const char* folder, int workers);
// A buffer of at least bytes to read the next frame into; waits while
// every buffer is still being encoded. Null once a write has failed.
unsigned char* TakePngBuffer(long bytes);
// Hands the buffer taken last, filled (RGB, bottom row first), to the workers.
void SubmitPngFrame(int width, int height, uint32_t index);
long PngFramesWritten();
// Waits for the workers and stops them. False when any frame failed (said).
bool FinishPngWriter();
// Encodes one frame to a file; false after a message. Used by the workers
// and by the benchmark's encoder-alone rate.
bool WritePng(const char* path, const unsigned char* pixels, int width, int height);

// ---- the soundtrack: the program's sound records, on the capture's clock.

// Lays a record on the soundtrack. Before outputReady (the first frame
// starts the output) it is held in memory. False once writing failed (said).
bool TakeSound(const CaptureSoundHeader& header, const short* samples, bool outputReady, const char* videoPath);
// Cuts or pads the soundtrack to the time of `frames` frames and completes
// it: PNG frames get FOLDER/soundtrack.wav; a video's stays open for
// SoundFile. Nothing when the program sent no sound. False when writing
// failed (said; nothing is left).
bool FinishSound(long frames, const char* videoPath);
// The finished soundtrack of a video (a WAV file with no name), or -1.
int SoundFile();
// Closes the soundtrack and removes what is left of it.
void DropSound();

// ---- video: raw frames piped into the ffmpeg program, which writes a
// temporary file that is renamed into place only when it is complete.

bool StartVideoWriter(const char* path, const char* format, int width, int height);
// False when ffmpeg is gone (said).
bool WriteVideoFrame(const unsigned char* pixels, int width, int height);
long VideoFramesWritten();
// Closes ffmpeg's input and waits for it. With keep and at least one
// frame, the file is moved into place, with the soundtrack muxed in when
// SoundFile has one; otherwise it is removed. False when ffmpeg failed (said).
bool FinishVideoWriter(bool keep);
// Builds ffmpeg's argument list for the given container into args
// (null-terminated, pointing into storage). Exposed for the benchmark.
void BuildVideoArgs(const char* ffmpeg, const char* format, int width, int height, const char* fps,
                    const char* outPath, char storage[][64], const char** args);
// ffmpeg's argument list that copies the picture of pictureIn and encodes
// the WAV soundIn beside it, for the container, into outPath.
void BuildMuxArgs(const char* ffmpeg, const char* format, const char* pictureIn, const char* soundIn,
                  const char* outPath, const char** args);
