// winmm's waveOut on the page's Web Audio: one device, 16-bit PCM, mono or
// stereo, no callbacks (the caller polls WHDR_DONE).
//
// Each written buffer is copied into an AudioBuffer and scheduled right
// after the one before on one AudioContext kept for the page's life. The
// browser calls nothing back, so the layer looks at the context's time at
// every waveOut call and at every message pump and swap (WebWaveUpdate):
// a buffer is done once that time has passed its end. The position is the
// frame leaving the speaker now (the context's output timestamp, else its
// time less its latencies), never backwards and never past what was written.
//
// The browser's autoplay rule: a context may not run until the page has had
// a click or a key (the answer to the start question is one). Until it
// runs, the same timeline runs on the performance counter, buffers are done
// on it and nothing is heard, so the picture never waits on the rule; the
// first click or key resumes the context and the rest of the queue plays
// from the position reached. Pause stops the scheduled sources and holds
// the position; Restart schedules the queue again from there.
//
// Limits: 64 buffers in the queue; no looping (WHDR_BEGINLOOP is ignored);
// a page without Web Audio has no device (the music plays silently).
#include "platform/web/web_internal.h"
#include "platform/wave_open.h"

#include <emscripten.h>
#include <stdint.h>

enum { WAVE_QUEUE_MAX = 64 };
// How far ahead of the context's time a fresh start is scheduled: the
// browser renders in blocks ahead of that time, and a start in the past
// would clip the buffer's head.
static const double WAVE_LEAD_SECONDS = 0.02;

struct WaveQueued {
    WAVEHDR* header;
    uint64_t first, end;  // its frames, counted from open or reset
};

static bool waveOpen = false;
static unsigned waveGeneration = 0;
static unsigned waveRate = 0, waveChannels = 0;
static WaveQueued waveQueue[WAVE_QUEUE_MAX];
static int waveHead = 0, waveCount = 0;
static uint64_t waveWritten = 0;   // frames written since open or reset
static uint64_t waveReported = 0;  // the last answer: the floor of the next
static bool wavePaused = false;
// The timeline: frame anchorFrame plays at anchorTime, later ones follow at
// the rate. On the context's time while it runs, else on the counter's.
static bool waveOnContext = false;
static double waveAnchorTime = 0.0;
static uint64_t waveAnchorFrame = 0;
static double waveNow = 0.0;  // the timeline's time at the last update

// The page's one context, made on the first open (false without Web Audio).
// Listens for the clicks and keys that let it run.
EM_JS(int, WebWaveStartContext, (int rate), {
    var wave = Module.orlathWave;
    if (wave && wave.context.sampleRate == rate)
        return 1;
    if (typeof AudioContext == "undefined")
        return 0;
    var context;
    try {
        context = new AudioContext({latencyHint: "interactive", sampleRate: rate});
    } catch (e) {
        return 0;
    }
    if (wave) {
        wave.context.close();
        wave.context = context;
        return 1;
    }
    wave = Module.orlathWave = {context: context, sources: [], seconds: 0, onContext: false};
    var wake = function() {
        if (wave.context.state == "suspended")
            wave.context.resume().catch(function() {});
    };
    ["pointerdown", "mousedown", "keydown", "touchend"].forEach(function(name) {
        window.addEventListener(name, wake, true);
    });
    return 1;
});

// times[0]: the context's time, what it has rendered; times[1]: the time of
// the frame leaving the speaker now. True while the context runs.
EM_JS(int, WebWaveClock, (double* times), {
    var context = Module.orlathWave.context;
    var now = context.currentTime;
    var heard = now - (context.baseLatency || 0) - (context.outputLatency || 0);
    if (context.getOutputTimestamp) {
        var stamp = context.getOutputTimestamp();
        if (stamp.performanceTime > 0)
            heard = Math.min(now, stamp.contextTime + (performance.now() - stamp.performanceTime) / 1000);
    }
    HEAPF64[times >> 3] = now;
    HEAPF64[(times >> 3) + 1] = heard;
    return context.state == "running" ? 1 : 0;
});

EM_JS(void, WebWaveSchedule, (const short* samples, int frames, int channels, int rate, double when), {
    var wave = Module.orlathWave;
    var buffer = wave.context.createBuffer(channels, frames, rate);
    for (var channel = 0; channel < channels; channel++) {
        var out = buffer.getChannelData(channel);
        for (var k = 0, at = (samples >> 1) + channel; k < frames; k++, at += channels)
            out[k] = HEAP16[at] / 32768;
    }
    var source = wave.context.createBufferSource();
    source.buffer = buffer;
    source.connect(wave.context.destination);
    source.onended = function() {
        var index = wave.sources.indexOf(source);
        if (index >= 0)
            wave.sources.splice(index, 1);
        source.disconnect();
    };
    source.start(when);
    wave.sources.push(source);
});

EM_JS(void, WebWaveStopAll, (), {
    var wave = Module.orlathWave;
    wave.sources.forEach(function(source) {
        source.onended = null;
        source.stop();
        source.disconnect();
    });
    wave.sources = [];
});

// For the page's tests: the position given last and the timeline it is on.
EM_JS(void, WebWaveShow, (double seconds, int onContext), {
    Module.orlathWave.seconds = seconds;
    Module.orlathWave.onContext = !!onContext;
});

static double CounterSeconds()
{
    return emscripten_get_now() / 1000.0;
}

static uint64_t FrameAt(double time)
{
    if (time <= waveAnchorTime)
        return waveAnchorFrame;
    return waveAnchorFrame + (uint64_t)((time - waveAnchorTime) * waveRate);
}

static double TimeOf(uint64_t frame)
{
    return waveAnchorTime + (double)((int64_t)frame - (int64_t)waveAnchorFrame) / waveRate;
}

// Hands the part of a queued buffer from frame `from` on to the context.
static void Schedule(const WaveQueued& queued, uint64_t from)
{
    uint64_t start = from > queued.first ? from : queued.first;
    if (start >= queued.end)
        return;
    const short* samples = (const short*)queued.header->lpData + (start - queued.first) * waveChannels;
    WebWaveSchedule(samples, (int)(queued.end - start), (int)waveChannels, (int)waveRate, TimeOf(start));
}

// Starts the timeline again at frame `from` (no earlier than what is still
// queued), now, on the context or the counter; the queue follows it.
static void Reanchor(uint64_t from, bool onContext, double contextTime)
{
    if (waveOpen)
        WebWaveStopAll();
    if (waveCount > 0 && from < waveQueue[waveHead].first)
        from = waveQueue[waveHead].first;
    if (from > waveWritten)
        from = waveWritten;
    waveOnContext = onContext;
    waveAnchorFrame = from;
    waveAnchorTime = onContext ? contextTime + WAVE_LEAD_SECONDS : CounterSeconds();
    waveNow = onContext ? contextTime : waveAnchorTime;
    if (onContext && !wavePaused) {
        for (int k = 0; k < waveCount; ++k)
            Schedule(waveQueue[(waveHead + k) % WAVE_QUEUE_MAX], from);
    }
}

void WebWaveUpdate()
{
    if (!waveOpen)
        return;
    double times[2];
    bool running = WebWaveClock(times) != 0;
    if (!wavePaused) {
        // The browser let the page make sound (or took it back): the
        // timeline goes on from the position reached on the other clock.
        if (running != waveOnContext)
            Reanchor(waveReported, running, times[0]);
        waveNow = running ? times[0] : CounterSeconds();
        uint64_t consumed = FrameAt(waveNow);
        while (waveCount > 0 && waveQueue[waveHead].end <= consumed) {
            WAVEHDR* header = waveQueue[waveHead].header;
            header->dwFlags = (header->dwFlags & ~(DWORD)WHDR_INQUEUE) | WHDR_DONE;
            waveHead = (waveHead + 1) % WAVE_QUEUE_MAX;
            --waveCount;
        }
        uint64_t heard = FrameAt(running ? times[1] : waveNow);
        if (heard > waveWritten)
            heard = waveWritten;
        if (heard > waveReported)
            waveReported = heard;
    }
    WebWaveShow((double)waveReported / waveRate, waveOnContext);
}

static bool ValidDevice(HWAVEOUT device)
{
    return waveOpen && WebHandleSlot(device, WEB_HANDLE_WAVE, waveGeneration) == 0;
}

MMRESULT WINAPI waveOutOpen(LPHWAVEOUT device, UINT deviceId, LPCWAVEFORMATEX format, DWORD_PTR, DWORD_PTR,
                            DWORD flags)
{
    MMRESULT answer;
    if (WaveOpenAnswered(device, deviceId, format, flags, &answer))
        return answer;
    if (waveOpen)
        return MMSYSERR_ALLOCATED;
    if (!WebWaveStartContext((int)format->nSamplesPerSec))
        return MMSYSERR_NODRIVER;

    waveRate = format->nSamplesPerSec;
    waveChannels = format->nChannels;
    waveHead = waveCount = 0;
    waveWritten = waveReported = 0;
    wavePaused = false;
    waveOpen = true;
    double times[2];
    bool running = WebWaveClock(times) != 0;
    Reanchor(0, running, times[0]);
    waveGeneration = WebNextGeneration();
    *device = (HWAVEOUT)WebMakeHandle(WEB_HANDLE_WAVE, 0, waveGeneration);
    return MMSYSERR_NOERROR;
}

// Prepares or unprepares a header; neither while the device holds it.
static MMRESULT MarkPrepared(HWAVEOUT device, LPWAVEHDR header, UINT headerSize, bool prepared)
{
    if (!ValidDevice(device))
        return MMSYSERR_INVALHANDLE;
    if (!header || headerSize < sizeof(WAVEHDR))
        return MMSYSERR_INVALPARAM;
    WebWaveUpdate();
    if (header->dwFlags & WHDR_INQUEUE)
        return WAVERR_STILLPLAYING;
    if (prepared)
        header->dwFlags |= WHDR_PREPARED;
    else
        header->dwFlags &= ~(DWORD)WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI waveOutPrepareHeader(HWAVEOUT device, LPWAVEHDR header, UINT headerSize)
{
    return MarkPrepared(device, header, headerSize, true);
}

MMRESULT WINAPI waveOutUnprepareHeader(HWAVEOUT device, LPWAVEHDR header, UINT headerSize)
{
    return MarkPrepared(device, header, headerSize, false);
}

MMRESULT WINAPI waveOutWrite(HWAVEOUT device, LPWAVEHDR header, UINT headerSize)
{
    if (!ValidDevice(device))
        return MMSYSERR_INVALHANDLE;
    if (!header || headerSize < sizeof(WAVEHDR))
        return MMSYSERR_INVALPARAM;
    if (!(header->dwFlags & WHDR_PREPARED))
        return WAVERR_UNPREPARED;
    WebWaveUpdate();
    if (header->dwFlags & WHDR_INQUEUE)
        return WAVERR_STILLPLAYING;
    if (waveCount == WAVE_QUEUE_MAX)
        return MMSYSERR_NOMEM;
    header->dwFlags = (header->dwFlags & ~(DWORD)WHDR_DONE) | WHDR_INQUEUE;
    WaveQueued& queued = waveQueue[(waveHead + waveCount) % WAVE_QUEUE_MAX];
    queued.header = header;
    queued.first = waveWritten;
    queued.end = waveWritten + header->dwBufferLength / (2u * waveChannels);
    waveWritten = queued.end;
    ++waveCount;
    if (wavePaused)
        return MMSYSERR_NOERROR;
    // Written after the timeline ran dry: it starts now, not in the past.
    double earliest = waveOnContext ? waveNow + WAVE_LEAD_SECONDS : waveNow;
    if (TimeOf(queued.first) < earliest) {
        waveAnchorFrame = queued.first;
        waveAnchorTime = earliest;
    }
    if (waveOnContext)
        Schedule(queued, queued.first);
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI waveOutGetPosition(HWAVEOUT device, LPMMTIME time, UINT timeSize)
{
    if (!ValidDevice(device))
        return MMSYSERR_INVALHANDLE;
    if (!time || timeSize < sizeof(MMTIME))
        return MMSYSERR_INVALPARAM;
    WebWaveUpdate();
    if (time->wType == TIME_SAMPLES) {
        time->u.sample = (DWORD)waveReported;
    } else {
        // Like a device that offers samples and bytes only.
        time->wType = TIME_BYTES;
        time->u.cb = (DWORD)(waveReported * 2u * waveChannels);
    }
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI waveOutPause(HWAVEOUT device)
{
    if (!ValidDevice(device))
        return MMSYSERR_INVALHANDLE;
    WebWaveUpdate();
    if (!wavePaused) {
        wavePaused = true;
        WebWaveStopAll();
    }
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI waveOutRestart(HWAVEOUT device)
{
    if (!ValidDevice(device))
        return MMSYSERR_INVALHANDLE;
    if (wavePaused) {
        wavePaused = false;
        double times[2];
        bool running = WebWaveClock(times) != 0;
        // From where the pause held it; what the context had taken but not
        // yet sounded of a finished buffer is gone with that buffer.
        Reanchor(waveReported, running, times[0]);
    }
    WebWaveUpdate();
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI waveOutReset(HWAVEOUT device)
{
    if (!ValidDevice(device))
        return MMSYSERR_INVALHANDLE;
    for (; waveCount > 0; --waveCount, waveHead = (waveHead + 1) % WAVE_QUEUE_MAX) {
        WAVEHDR* header = waveQueue[waveHead].header;
        header->dwFlags = (header->dwFlags & ~(DWORD)WHDR_INQUEUE) | WHDR_DONE;
    }
    waveHead = 0;
    waveWritten = waveReported = 0;
    double times[2];
    bool running = WebWaveClock(times) != 0;
    Reanchor(0, running, times[0]);
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI waveOutClose(HWAVEOUT device)
{
    if (!ValidDevice(device))
        return MMSYSERR_INVALHANDLE;
    WebWaveUpdate();
    if (waveCount > 0)
        return WAVERR_STILLPLAYING;
    WebWaveStopAll();
    waveOpen = false;
    return MMSYSERR_NOERROR;
}
