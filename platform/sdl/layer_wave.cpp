// winmm's waveOut over SDL2's audio: one device, 16-bit PCM, mono or
// stereo, no callbacks (the caller polls WHDR_DONE).
// Needs: SDL's audio subsystem, started by waveOutOpen and stopped by
// waveOutClose. SDL's audio thread pulls the written buffers in order and
// sets WHDR_DONE on each as it is used up; the rest of the pull is silence.
// The position is the frames pulled, refined between pulls by the
// performance counter at the nominal rate and never past what was pulled,
// so it moves smoothly, never backwards, and re-anchors at every pull.
// In capture mode (layer_capture.cpp) nothing is played: at each swap the
// device pulls exactly the samples of that frame's time, counted from whole
// frames so they never drift, and sends them to the capture; the position is
// what was pulled, so the sound opened before frame j is at (k - j) / fps
// at frame k. When the queue runs dry first (a long frame's time is more
// than the program queues), the buffers written before the next swap pay
// what the frame owes at once; what stays unpaid by then is silence.
// Limits: 64 buffers in the queue; no looping (WHDR_BEGINLOOP is ignored);
// in capture mode what the last frame owes when it is swapped is silence.
#include "platform/sdl/layer_wave.h"

#include "platform/sdl/layer_capture.h"
#include "platform/sdl/layer_internal.h"
#include "platform/wave_open.h"

#include <SDL.h>
#include <string.h>

enum { WAVE_QUEUE_MAX = 64, WAVE_PULL_FRAMES = 512, WAVE_CAPTURE_PIECE = 4096 };

static bool waveScripted = false;
static bool waveCapture = false;
static int64_t waveCaptureNext = 0;  // the soundtrack's index of the next sample sent
static int64_t waveCaptureEnd = 0;   // ... and of the first after the frame swapped last
static bool waveOpen = false;
static unsigned waveGeneration = 0;
static SDL_AudioDeviceID waveDevice = 0;
static unsigned waveRate = 0;
static unsigned waveFrameBytes = 0;
static int64_t waveCounterFrequency = 1;

// Shared with the audio thread: touched only with the device locked.
static WAVEHDR* waveQueue[WAVE_QUEUE_MAX];
static int waveHead = 0, waveCount = 0;
static DWORD waveOffset = 0;  // bytes of the head buffer already pulled
static uint64_t wavePulled = 0;  // frames pulled since open or reset
static uint64_t waveAnchorFrames = 0;
static int64_t waveAnchorCounter = 0;
static uint64_t waveReported = 0;  // the last answer: the floor of the next
static bool wavePaused = false;

static void Lock()
{
    if (waveDevice)
        SDL_LockAudioDevice(waveDevice);
}

static void Unlock()
{
    if (waveDevice)
        SDL_UnlockAudioDevice(waveDevice);
}

static int64_t Counter()
{
    return (int64_t)SDL_GetPerformanceCounter();
}

static bool ValidDevice(HWAVEOUT device)
{
    unsigned generation;
    return waveOpen && LayerHandleSlot(device, LAYER_HANDLE_WAVE, &generation) == 0 && generation == waveGeneration;
}

void LayerWaveScript(bool on)
{
    waveScripted = on;
}

void LayerWaveMix(unsigned char* stream, int bytes, int64_t counter)
{
    waveAnchorFrames = wavePulled;
    waveAnchorCounter = counter;
    int filled = 0;
    while (filled < bytes && waveCount > 0) {
        WAVEHDR* header = waveQueue[waveHead];
        DWORD left = header->dwBufferLength - waveOffset;
        DWORD take = left < (DWORD)(bytes - filled) ? left : (DWORD)(bytes - filled);
        memcpy(stream + filled, header->lpData + waveOffset, take);
        filled += (int)take;
        waveOffset += take;
        if (waveOffset >= header->dwBufferLength) {
            header->dwFlags = (header->dwFlags & ~(DWORD)WHDR_INQUEUE) | WHDR_DONE;
            waveHead = (waveHead + 1) % WAVE_QUEUE_MAX;
            --waveCount;
            waveOffset = 0;
        }
    }
    wavePulled += (uint64_t)filled / waveFrameBytes;
    memset(stream + filled, 0, (size_t)(bytes - filled));
}

uint64_t LayerWaveFrames(int64_t counter)
{
    if (waveCapture)
        return wavePulled;
    if (!wavePaused && counter > waveAnchorCounter) {
        uint64_t since = (uint64_t)((double)(counter - waveAnchorCounter) * waveRate / (double)waveCounterFrequency);
        uint64_t estimate = waveAnchorFrames + since;
        if (estimate > wavePulled)
            estimate = wavePulled;
        if (estimate > waveReported)
            waveReported = estimate;
    }
    return waveReported;
}

// Sends `frames` frames to the capture: silence, or from the queue as far
// as it goes.
static void SendCaptured(int64_t frames, bool silence)
{
    static short piece[WAVE_CAPTURE_PIECE * 2];
    int64_t sent = 0;
    while (sent < frames) {
        int64_t want = frames - sent < WAVE_CAPTURE_PIECE ? frames - sent : (int64_t)WAVE_CAPTURE_PIECE;
        int64_t got = want;
        if (silence) {
            memset(piece, 0, (size_t)(want * waveFrameBytes));
        } else {
            uint64_t before = wavePulled;
            LayerWaveMix((unsigned char*)piece, (int)(want * waveFrameBytes), 0);
            got = (int64_t)(wavePulled - before);
        }
        LayerCaptureSendSound(waveRate, waveFrameBytes / 2, waveCaptureNext, piece, (unsigned)got);
        waveCaptureNext += got;
        sent += got;
        if (got < want)
            break;
    }
}

// Pays what the frame still owes from buffers written since its swap.
static void PayCaptured()
{
    if (waveOpen && waveCapture && !wavePaused && waveCaptureNext < waveCaptureEnd)
        SendCaptured(waveCaptureEnd - waveCaptureNext, false);
}

void LayerWaveCaptureFrame(long frameEnd)
{
    if (!waveOpen || !waveCapture)
        return;
    // What the frame before still owes, no buffer having come for it, is silence.
    SendCaptured(waveCaptureEnd - waveCaptureNext, true);
    waveCaptureEnd = LayerCaptureSample(frameEnd, waveRate);
    SendCaptured(waveCaptureEnd - waveCaptureNext, wavePaused);
}

static void SDLCALL WavePull(void*, Uint8* stream, int bytes)
{
    LayerWaveMix(stream, bytes, Counter());
}

MMRESULT WINAPI waveOutOpen(LPHWAVEOUT device, UINT deviceId, LPCWAVEFORMATEX format, DWORD_PTR, DWORD_PTR,
                            DWORD flags)
{
    if (LayerShouldFail("waveOutOpen"))
        return MMSYSERR_NODRIVER;
    MMRESULT answer;
    if (WaveOpenAnswered(device, deviceId, format, flags, &answer))
        return answer;
    if (waveOpen)
        return MMSYSERR_ALLOCATED;
    waveCapture = LayerCaptureActive();

    waveRate = format->nSamplesPerSec;
    waveFrameBytes = 2u * format->nChannels;
    waveCounterFrequency = (int64_t)SDL_GetPerformanceFrequency();
    waveHead = waveCount = 0;
    waveOffset = 0;
    wavePulled = waveAnchorFrames = waveReported = 0;
    waveAnchorCounter = Counter();
    wavePaused = false;
    if (waveCapture) {
        waveCaptureNext = waveCaptureEnd = LayerCaptureSample(LayerCaptureFrames(), waveRate);
    } else if (!waveScripted) {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
            return MMSYSERR_NODRIVER;
        SDL_AudioSpec wanted;
        SDL_zero(wanted);
        wanted.freq = (int)format->nSamplesPerSec;
        wanted.format = AUDIO_S16SYS;
        wanted.channels = (Uint8)format->nChannels;
        wanted.samples = WAVE_PULL_FRAMES;
        wanted.callback = WavePull;
        SDL_AudioSpec obtained;
        // SDL converts to whatever the hardware takes.
        waveDevice = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
        if (waveDevice == 0) {
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
            return MMSYSERR_NODRIVER;
        }
        SDL_PauseAudioDevice(waveDevice, 0);
    }
    waveOpen = true;
    waveGeneration = LayerNextGeneration();
    *device = (HWAVEOUT)LayerMakeHandle(LAYER_HANDLE_WAVE, 0, waveGeneration);
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI waveOutPrepareHeader(HWAVEOUT device, LPWAVEHDR header, UINT headerSize)
{
    if (LayerShouldFail("waveOutPrepareHeader"))
        return MMSYSERR_NOMEM;
    if (!ValidDevice(device))
        return MMSYSERR_INVALHANDLE;
    if (!header || headerSize < sizeof(WAVEHDR))
        return MMSYSERR_INVALPARAM;
    if (header->dwFlags & WHDR_INQUEUE)
        return WAVERR_STILLPLAYING;
    header->dwFlags |= WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI waveOutUnprepareHeader(HWAVEOUT device, LPWAVEHDR header, UINT headerSize)
{
    if (LayerShouldFail("waveOutUnprepareHeader"))
        return MMSYSERR_NOMEM;
    if (!ValidDevice(device))
        return MMSYSERR_INVALHANDLE;
    if (!header || headerSize < sizeof(WAVEHDR))
        return MMSYSERR_INVALPARAM;
    Lock();
    bool queued = (header->dwFlags & WHDR_INQUEUE) != 0;
    Unlock();
    if (queued)
        return WAVERR_STILLPLAYING;
    header->dwFlags &= ~(DWORD)WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI waveOutWrite(HWAVEOUT device, LPWAVEHDR header, UINT headerSize)
{
    if (LayerShouldFail("waveOutWrite"))
        return MMSYSERR_NOMEM;
    if (!ValidDevice(device))
        return MMSYSERR_INVALHANDLE;
    if (!header || headerSize < sizeof(WAVEHDR))
        return MMSYSERR_INVALPARAM;
    if (!(header->dwFlags & WHDR_PREPARED))
        return WAVERR_UNPREPARED;
    MMRESULT result = MMSYSERR_NOERROR;
    Lock();
    if (header->dwFlags & WHDR_INQUEUE) {
        result = WAVERR_STILLPLAYING;
    } else if (waveCount == WAVE_QUEUE_MAX) {
        result = MMSYSERR_NOMEM;
    } else {
        header->dwFlags = (header->dwFlags & ~(DWORD)WHDR_DONE) | WHDR_INQUEUE;
        waveQueue[(waveHead + waveCount) % WAVE_QUEUE_MAX] = header;
        ++waveCount;
    }
    Unlock();
    if (result == MMSYSERR_NOERROR)
        PayCaptured();
    return result;
}

MMRESULT WINAPI waveOutGetPosition(HWAVEOUT device, LPMMTIME time, UINT timeSize)
{
    if (LayerShouldFail("waveOutGetPosition"))
        return MMSYSERR_NODRIVER;
    if (!ValidDevice(device))
        return MMSYSERR_INVALHANDLE;
    if (!time || timeSize < sizeof(MMTIME))
        return MMSYSERR_INVALPARAM;
    Lock();
    uint64_t frames = LayerWaveFrames(Counter());
    Unlock();
    if (time->wType == TIME_SAMPLES) {
        time->u.sample = (DWORD)frames;
    } else {
        // Like a device that offers samples and bytes only.
        time->wType = TIME_BYTES;
        time->u.cb = (DWORD)(frames * waveFrameBytes);
    }
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI waveOutPause(HWAVEOUT device)
{
    if (LayerShouldFail("waveOutPause"))
        return MMSYSERR_NODRIVER;
    if (!ValidDevice(device))
        return MMSYSERR_INVALHANDLE;
    Lock();
    if (!wavePaused) {
        LayerWaveFrames(Counter());
        wavePaused = true;
    }
    Unlock();
    if (waveDevice)
        SDL_PauseAudioDevice(waveDevice, 1);
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI waveOutRestart(HWAVEOUT device)
{
    if (LayerShouldFail("waveOutRestart"))
        return MMSYSERR_NODRIVER;
    if (!ValidDevice(device))
        return MMSYSERR_INVALHANDLE;
    Lock();
    if (wavePaused) {
        // The estimate goes on from where the pause held it.
        waveAnchorFrames = waveReported;
        waveAnchorCounter = Counter();
        wavePaused = false;
    }
    Unlock();
    PayCaptured();
    if (waveDevice)
        SDL_PauseAudioDevice(waveDevice, 0);
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI waveOutReset(HWAVEOUT device)
{
    if (LayerShouldFail("waveOutReset"))
        return MMSYSERR_NODRIVER;
    if (!ValidDevice(device))
        return MMSYSERR_INVALHANDLE;
    Lock();
    for (; waveCount > 0; --waveCount, waveHead = (waveHead + 1) % WAVE_QUEUE_MAX) {
        WAVEHDR* header = waveQueue[waveHead];
        header->dwFlags = (header->dwFlags & ~(DWORD)WHDR_INQUEUE) | WHDR_DONE;
    }
    waveHead = 0;
    waveOffset = 0;
    wavePulled = waveAnchorFrames = waveReported = 0;
    waveAnchorCounter = Counter();
    Unlock();
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI waveOutClose(HWAVEOUT device)
{
    if (LayerShouldFail("waveOutClose"))
        return MMSYSERR_NODRIVER;
    if (!ValidDevice(device))
        return MMSYSERR_INVALHANDLE;
    if (waveCount > 0)
        return WAVERR_STILLPLAYING;
    if (waveDevice) {
        SDL_CloseAudioDevice(waveDevice);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        waveDevice = 0;
    }
    waveOpen = false;
    return MMSYSERR_NOERROR;
}
