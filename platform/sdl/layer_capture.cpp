// Capture mode: orlath-capture owns the program's clock and its buffer
// swaps, so every frame gets the exact time k / fps however long it takes
// to draw, and every swapped frame is read back and written to a pipe.
//
// Switched on by the variables of capture_pipe.h, read once at the first
// call of any hook. The performance counter then stands still between
// swaps and moves one frame's time at each swap; its frequency is the
// usual one. A swap reads the drawn buffer into one of two pixel-buffer
// objects and sends the frame read at the swap before, so the loop does not
// wait for a readback it has just started (plain glReadPixels where the
// context has no pixel-buffer objects). After the last frame the pipe is
// closed and the program gets Escape, pressed and released 100 ms later as
// a person would. At each swap the layer's waveOut device (layer_wave.cpp)
// hands over the sound of the frame's time, sent before the frames so that
// all of it is on the pipe by the last frame. Yes/No boxes are answered No
// (the start question asks for full screen); other boxes go to standard
// error and take their default.
//
// Needs: SDL (frequency, GL procedures, events, one timer), a current GL
// context at every swap. Limits: frames up to 8192 pixels a side; a frame
// still waiting in a pixel buffer when the program replaces its GL context
// is lost (said on standard error; the capture then lacks that frame).
#include "platform/sdl/layer_capture.h"

#include <SDL.h>
#include <errno.h>
#include <fcntl.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "platform/capture_pipe.h"
#include "platform/gl.h"
#include "platform/sdl/layer_wave.h"

enum { ESCAPE_HOLD_MS = 100 };

static int captureState = 0;  // 0 not read yet, 1 on, -1 off
static int pipeFd = -1;
static double framesPerSecond = 0.0;
static long frameTarget = 0;
static long framesSwapped = 0;  // the clock's frame number
static long framesRead = 0;     // frames read back (sent or waiting in a buffer)
static LONGLONG counterFrequency = 1;

// Pixel-buffer objects, fetched once; all null when the GL lacks them.
static PFNGLGENBUFFERSPROC genBuffers;
static PFNGLBINDBUFFERPROC bindBuffer;
static PFNGLBUFFERDATAPROC bufferData;
static PFNGLMAPBUFFERPROC mapBuffer;
static PFNGLUNMAPBUFFERPROC unmapBuffer;

struct PendingFrame {
    bool waiting;
    int width, height;
    uint32_t index;
    long bufferBytes;  // size of the buffer's store
};
static SDL_GLContext bufferContext = nullptr;
static bool buffersUsable = false;
static GLuint buffers[2];
static PendingFrame pending[2];
static int nextSlot = 0;
static unsigned char* plainCopy = nullptr;  // the path without buffers
static long plainCopyBytes = 0;

static bool ParseLong(const char* text, long low, long high, long* value)
{
    if (!text || !*text)
        return false;
    char* end = nullptr;
    errno = 0;
    long parsed = strtol(text, &end, 10);
    if (errno || *end || parsed < low || parsed > high)
        return false;
    *value = parsed;
    return true;
}

static bool CaptureOn()
{
    if (captureState != 0)
        return captureState == 1;
    captureState = -1;
    const char* fdText = getenv(CAPTURE_ENV_FD);
    if (!fdText)
        return false;
    long fd = -1;
    const char* fpsText = getenv(CAPTURE_ENV_FPS);
    char* end = nullptr;
    double fps = fpsText ? strtod(fpsText, &end) : 0.0;
    if (!ParseLong(fdText, 0, 1 << 20, &fd) || fcntl((int)fd, F_GETFD) == -1 || !fpsText || *end ||
        !(fps > 0.0 && fps <= 1000.0) || !ParseLong(getenv(CAPTURE_ENV_FRAMES), 1, CAPTURE_MAX_FRAMES, &frameTarget)) {
        fprintf(stderr, "capture: bad %s, %s or %s; running without capture\n", CAPTURE_ENV_FD, CAPTURE_ENV_FPS,
                CAPTURE_ENV_FRAMES);
        return false;
    }
    pipeFd = (int)fd;
    // Programs the captured program starts inherit neither the pipe (or the
    // capture would not see it close) nor the variables, which would name
    // a descriptor that is something else there.
    fcntl(pipeFd, F_SETFD, FD_CLOEXEC);
    unsetenv(CAPTURE_ENV_FD);
    unsetenv(CAPTURE_ENV_FPS);
    unsetenv(CAPTURE_ENV_FRAMES);
    framesPerSecond = fps;
    Uint64 frequency = SDL_GetPerformanceFrequency();
    counterFrequency = frequency ? (LONGLONG)frequency : 1;
    captureState = 1;
    return true;
}

bool LayerCaptureCounter(LONGLONG* count)
{
    if (!CaptureOn())
        return false;
    // Starts at one second rather than at the real counter, so a program
    // that reads the absolute value sees the same on every run.
    *count = counterFrequency + (LONGLONG)llround((double)framesSwapped * (double)counterFrequency / framesPerSecond);
    return true;
}

int64_t LayerCaptureSample(long frame, unsigned rate)
{
    return CaptureOn() ? (int64_t)llround((double)frame * rate / framesPerSecond) : 0;
}

long LayerCaptureFrames()
{
    return framesSwapped;
}

// ---------------------------------------------------------------- the pipe

static bool WriteAll(const void* data, size_t size)
{
    return CaptureWriteAll(pipeFd, data, size);
}

static void ClosePipe()
{
    if (pipeFd >= 0)
        close(pipeFd);
    pipeFd = -1;
}

static void SendFrame(const unsigned char* pixels, int width, int height, uint32_t index)
{
    if (pipeFd < 0)
        return;
    CaptureFrameHeader header;
    memcpy(header.magic, "ORLF", 4);
    header.width = (uint32_t)width;
    header.height = (uint32_t)height;
    header.index = index;
    if (!WriteAll(&header, sizeof header) || !WriteAll(pixels, (size_t)width * height * 3)) {
        fprintf(stderr, "capture: cannot write frame %u to the capture (%s); no more frames are written\n",
                (unsigned)index, strerror(errno));
        ClosePipe();
    }
}

void LayerCaptureSendSound(unsigned rate, unsigned channels, int64_t first, const short* samples, unsigned frames)
{
    if (pipeFd < 0 || frames == 0)
        return;
    CaptureSoundHeader header;
    memcpy(header.magic, "ORLS", 4);
    header.rate = rate;
    header.channels = channels;
    header.frames = frames;
    header.first = (uint64_t)first;
    if (!WriteAll(&header, sizeof header) || !WriteAll(samples, (size_t)frames * channels * sizeof(short))) {
        fprintf(stderr, "capture: cannot write sound to the capture (%s); no more frames are written\n",
                strerror(errno));
        ClosePipe();
    }
}

// ---------------------------------------------------------------- readback

static void FetchBufferProcedures()
{
    static bool fetched = false;
    if (fetched)
        return;
    fetched = true;
    genBuffers = (PFNGLGENBUFFERSPROC)SDL_GL_GetProcAddress("glGenBuffers");
    bindBuffer = (PFNGLBINDBUFFERPROC)SDL_GL_GetProcAddress("glBindBuffer");
    bufferData = (PFNGLBUFFERDATAPROC)SDL_GL_GetProcAddress("glBufferData");
    mapBuffer = (PFNGLMAPBUFFERPROC)SDL_GL_GetProcAddress("glMapBuffer");
    unmapBuffer = (PFNGLUNMAPBUFFERPROC)SDL_GL_GetProcAddress("glUnmapBuffer");
}

static void SendPending(int slot)
{
    PendingFrame* frame = &pending[slot];
    if (!frame->waiting)
        return;
    frame->waiting = false;
    bindBuffer(GL_PIXEL_PACK_BUFFER, buffers[slot]);
    const unsigned char* pixels = (const unsigned char*)mapBuffer(GL_PIXEL_PACK_BUFFER, GL_READ_ONLY);
    if (pixels) {
        SendFrame(pixels, frame->width, frame->height, frame->index);
        unmapBuffer(GL_PIXEL_PACK_BUFFER);
    } else {
        fprintf(stderr, "capture: frame %u could not be read back\n", (unsigned)frame->index);
    }
}

// Buffers belong to a context: a new one gets its own pair.
static void FollowContext()
{
    SDL_GLContext current = SDL_GL_GetCurrentContext();
    if (current == bufferContext)
        return;
    for (int slot = 0; slot < 2; ++slot)
        if (pending[slot].waiting)
            fprintf(stderr, "capture: frame %u was lost with the GL context it was read in\n",
                    (unsigned)pending[slot].index);
    memset(pending, 0, sizeof pending);
    bufferContext = current;
    FetchBufferProcedures();
    buffersUsable = genBuffers && bindBuffer && bufferData && mapBuffer && unmapBuffer &&
                    SDL_GL_ExtensionSupported("GL_ARB_pixel_buffer_object");
    if (buffersUsable)
        genBuffers(2, buffers);
    nextSlot = 0;
}

static void ReadFrame(LayerWindow* window, uint32_t index, bool last)
{
    int width = 0, height = 0;
    SDL_GL_GetDrawableSize(window->sdlWindow, &width, &height);
    if (width < 1 || height < 1 || width > CAPTURE_MAX_SIDE || height > CAPTURE_MAX_SIDE) {
        fprintf(stderr, "capture: a %dx%d frame cannot be captured\n", width, height);
        return;
    }
    FollowContext();

    // The program's read state is put back afterwards; it may rely on it.
    GLint readBuffer = GL_BACK, drawBuffer = GL_BACK;
    glGetIntegerv(GL_READ_BUFFER, &readBuffer);
    glGetIntegerv(GL_DRAW_BUFFER, &drawBuffer);
    glReadBuffer((GLenum)drawBuffer);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glPixelStorei(GL_PACK_SKIP_ROWS, 0);
    glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_PACK_SWAP_BYTES, GL_FALSE);
    long bytes = (long)width * height * 3;

    if (buffersUsable) {
        GLint bound = 0;
        glGetIntegerv(GL_PIXEL_PACK_BUFFER_BINDING, &bound);
        int slot = nextSlot;
        nextSlot ^= 1;
        bindBuffer(GL_PIXEL_PACK_BUFFER, buffers[slot]);
        if (pending[slot].bufferBytes != bytes) {
            bufferData(GL_PIXEL_PACK_BUFFER, bytes, nullptr, GL_STREAM_READ);
            pending[slot].bufferBytes = bytes;
        }
        glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
        pending[slot].waiting = true;
        pending[slot].width = width;
        pending[slot].height = height;
        pending[slot].index = index;
        // The older frame first, so frames reach the pipe in order.
        SendPending(slot ^ 1);
        if (last)
            SendPending(slot);
        bindBuffer(GL_PIXEL_PACK_BUFFER, (GLuint)bound);
    } else {
        if (plainCopyBytes < bytes) {
            free(plainCopy);
            plainCopy = (unsigned char*)malloc((size_t)bytes);
            plainCopyBytes = plainCopy ? bytes : 0;
        }
        if (plainCopy) {
            glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, plainCopy);
            SendFrame(plainCopy, width, height, index);
        }
    }
    glPopClientAttrib();
    glReadBuffer((GLenum)readBuffer);
}

// ---------------------------------------------------------------- the end

static void PushEscape(unsigned windowId, bool down)
{
    SDL_Event event;
    memset(&event, 0, sizeof event);
    event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    event.key.timestamp = SDL_GetTicks();
    event.key.windowID = windowId;
    event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.sym = SDLK_ESCAPE;
    event.key.keysym.scancode = SDL_SCANCODE_ESCAPE;
    SDL_PushEvent(&event);
}

static Uint32 ReleaseEscape(Uint32, void* windowId)
{
    PushEscape((unsigned)(uintptr_t)windowId, false);
    return 0;
}

void LayerCaptureSwap(LayerWindow* window)
{
    if (!CaptureOn())
        return;
    // The sound of this frame's time, up to the start of the next.
    LayerWaveCaptureFrame(framesSwapped + 1);
    if (framesRead < frameTarget) {
        bool last = framesRead + 1 == frameTarget;
        ReadFrame(window, (uint32_t)framesRead, last);
        ++framesRead;
        if (last) {
            ClosePipe();
            unsigned windowId = LayerEventWindowId(window);
            PushEscape(windowId, true);
            // Held for a while, as a person would: the shell reads its key
            // flags only in loop passes that find the queue empty.
            SDL_AddTimer(ESCAPE_HOLD_MS, ReleaseEscape, (void*)(uintptr_t)windowId);
        }
    }
    ++framesSwapped;
}

bool LayerCaptureActive()
{
    return CaptureOn();
}

bool LayerCaptureAnswerBox(UINT type, int* answer)
{
    if (!CaptureOn() || (type & 0xF) != MB_YESNO)
        return false;
    *answer = IDNO;
    return true;
}
