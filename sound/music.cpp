#include "sound/music.h"

#include <stdio.h>
#include <string.h>

#include "diag/Debug.h"
#include "platform/platform.h"
#include "sound/vorbis_decoder.h"
#include "timing/clock.h"

const MusicMessageText musicMessages[MUSIC_MESSAGE_COUNT] = {
    {"No puedo abrir el fichero de m\xFA" "sica !", "ERROR"},
    {"El fichero de m\xFA" "sica no es Ogg Vorbis", "ERROR"},
};

bool showMusicMessages = true;
MusicMessage lastMusicMessage = MUSIC_MESSAGE_NONE;
bool musicPlaying = false;
bool musicSilent = false;

namespace {

enum { MUSIC_BUFFER_COUNT = 4, MUSIC_BUFFER_FRAMES = 4096, MUSIC_FRAME_BYTES = 2 * VORBIS_OUTPUT_CHANNELS };

short musicSamples[MUSIC_BUFFER_COUNT][MUSIC_BUFFER_FRAMES * VORBIS_OUTPUT_CHANNELS];
WAVEHDR musicHeaders[MUSIC_BUFFER_COUNT];
HWAVEOUT musicDevice = NULL;
int musicNextBuffer = 0;       // the buffer the device finishes next
bool musicDecodeEnded = false;
bool musicPaused = false;
unsigned musicRate = 0;
unsigned musicLength = 0;      // frames, 0 when the stream does not say
double musicLastSeconds = 0.0;  // where the last track stopped
unsigned musicSeekFrame = 0;    // where the device's position counts from, after a seek
bool musicEnded = false;        // the last track ran to its end
char musicPath[260];            // its file, to play again on a seek back
bool noDeviceReported = false;

// The silent track's clock: counter ticks since its start, less the pauses.
LARGE_INTEGER silentFrequency;
int64_t silentStart = 0;
int64_t silentPauseStart = 0;

int64_t CounterNow()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

void ShowMusicMessage(MusicMessage message, const char* path)
{
    lastMusicMessage = message;
    ReportWrite("Error cargando m\xFA" "sica %s\n", path);
    if (showMusicMessages)
        MessageBoxA(NULL, musicMessages[message].text, musicMessages[message].caption, MB_OK);
}

// Decodes the next piece into the buffer and hands it to the device; false
// at the end of the track.
bool QueueBuffer(int index)
{
    int frames = DecodeVorbisPiece(musicSamples[index], MUSIC_BUFFER_FRAMES);
    if (frames <= 0)
        return false;
    WAVEHDR* header = &musicHeaders[index];
    header->dwBufferLength = (DWORD)frames * MUSIC_FRAME_BYTES;
    waveOutWrite(musicDevice, header, sizeof *header);
    return true;
}

bool OpenDevice()
{
    WAVEFORMATEX format;
    memset(&format, 0, sizeof format);
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = VORBIS_OUTPUT_CHANNELS;
    format.nSamplesPerSec = musicRate;
    format.wBitsPerSample = 16;
    format.nBlockAlign = MUSIC_FRAME_BYTES;
    format.nAvgBytesPerSec = musicRate * MUSIC_FRAME_BYTES;
    if (waveOutOpen(&musicDevice, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) {
        musicDevice = NULL;
        return false;
    }
    for (int k = 0; k < MUSIC_BUFFER_COUNT; ++k) {
        WAVEHDR* header = &musicHeaders[k];
        memset(header, 0, sizeof *header);
        header->lpData = (LPSTR)musicSamples[k];
        header->dwBufferLength = sizeof musicSamples[k];
        waveOutPrepareHeader(musicDevice, header, sizeof *header);
    }
    return true;
}

void CloseDevice()
{
    if (!musicDevice)
        return;
    // Reset hands every buffer back, so each can be unprepared.
    waveOutReset(musicDevice);
    for (int k = 0; k < MUSIC_BUFFER_COUNT; ++k)
        waveOutUnprepareHeader(musicDevice, &musicHeaders[k], sizeof musicHeaders[k]);
    waveOutClose(musicDevice);
    musicDevice = NULL;
}

double SilentSeconds()
{
    int64_t now = musicPaused ? silentPauseStart : CounterNow();
    double seconds = (double)(now - silentStart) / (double)silentFrequency.QuadPart;
    double length = (double)musicLength / musicRate;
    return musicLength && seconds > length ? length : seconds;
}

}  // namespace

bool PlayMusic(const char* path)
{
    StopMusic();
    lastMusicMessage = MUSIC_MESSAGE_NONE;
    musicLastSeconds = 0.0;
    ReportWrite("\nM\xFA" "sica: %s ... ", path);
    musicEnded = false;
    musicSeekFrame = 0;
    snprintf(musicPath, sizeof musicPath, "%s", path);

    VorbisOpenResult opened = OpenVorbisFile(path);
    if (opened != VORBIS_OPEN_OK) {
        ShowMusicMessage(opened == VORBIS_OPEN_UNREADABLE ? MUSIC_MESSAGE_OPEN : MUSIC_MESSAGE_FORMAT, path);
        return false;
    }
    musicRate = vorbisSampleRate;
    // The library says "unknown" with all bits set.
    musicLength = vorbisTotalFrames == 0xFFFFFFFFu ? 0 : vorbisTotalFrames;
    musicDecodeEnded = false;
    musicPaused = false;
    musicNextBuffer = 0;
    musicPlaying = true;

    musicSilent = !OpenDevice();
    if (musicSilent) {
        if (!noDeviceReported)
            ReportWrite("sin dispositivo de sonido: suena en silencio ... ");
        noDeviceReported = true;
        // Without a device nothing needs the samples; the counter is the clock.
        CloseVorbisFile();
        QueryPerformanceFrequency(&silentFrequency);
        silentStart = CounterNow();
    } else {
        for (int k = 0; k < MUSIC_BUFFER_COUNT && !musicDecodeEnded; ++k)
            musicDecodeEnded = !QueueBuffer(k);
    }
    ReportWrite("Ok.\n");
    return true;
}

void StopMusic()
{
    if (musicPlaying) {
        musicLastSeconds = MusicSeconds();
        ContinueClockFrom(musicLastSeconds);
    }
    CloseDevice();
    CloseVorbisFile();
    musicPlaying = false;
    musicSilent = false;
    musicPaused = false;
    musicEnded = false;
}

double MusicSeconds()
{
    if (!musicPlaying)
        return musicLastSeconds;
    if (musicSilent)
        return SilentSeconds();
    MMTIME time;
    time.wType = TIME_SAMPLES;
    if (waveOutGetPosition(musicDevice, &time, sizeof time) != MMSYSERR_NOERROR)
        return musicLastSeconds;
    // A device that offers no sample count answers in bytes.
    DWORD frames = time.wType == TIME_BYTES ? time.u.cb / MUSIC_FRAME_BYTES : time.u.sample;
    musicLastSeconds = (double)(musicSeekFrame + frames) / musicRate;
    return musicLastSeconds;
}

void PauseMusic(bool paused)
{
    if (!musicPlaying || paused == musicPaused)
        return;
    if (musicSilent) {
        if (paused)
            silentPauseStart = CounterNow();
        else
            silentStart += CounterNow() - silentPauseStart;
    } else if (paused) {
        waveOutPause(musicDevice);
    } else {
        waveOutRestart(musicDevice);
    }
    musicPaused = paused;
}

void PumpMusic()
{
    if (!musicPlaying)
        return;
    if (musicSilent) {
        if (musicLength && SilentSeconds() * musicRate >= musicLength) {
            StopMusic();
            musicEnded = true;
        }
        return;
    }
    // The device finishes its buffers in the order they were written.
    while (!musicDecodeEnded && (musicHeaders[musicNextBuffer].dwFlags & WHDR_DONE)) {
        musicDecodeEnded = !QueueBuffer(musicNextBuffer);
        if (!musicDecodeEnded)
            musicNextBuffer = (musicNextBuffer + 1) % MUSIC_BUFFER_COUNT;
    }
    if (musicDecodeEnded) {
        for (int k = 0; k < MUSIC_BUFFER_COUNT; ++k) {
            if (musicHeaders[k].dwFlags & WHDR_INQUEUE)
                return;
        }
        StopMusic();
        musicEnded = true;
    }
}

void SeekMusic(double seconds)
{
    if (!(seconds > 0.0))
        seconds = 0.0;
    bool pastEnd = musicLength && seconds * musicRate >= musicLength;
    if (musicPlaying && pastEnd) {
        // The track stops; the clock goes on past it.
        StopMusic();
        musicEnded = true;
    } else if (!musicPlaying && musicEnded && !pastEnd) {
        // Played again quietly: the report and the boxes have said it all once.
        bool boxes = showMusicMessages;
        char path[sizeof musicPath];
        memcpy(path, musicPath, sizeof path);
        showMusicMessages = false;
        PlayMusic(path);
        showMusicMessages = boxes;
    }
    if (!musicPlaying) {
        musicLastSeconds = seconds;
        ContinueClockFrom(seconds);
        return;
    }
    double frame = seconds * musicRate;
    if (musicSilent) {
        int64_t now = musicPaused ? silentPauseStart : CounterNow();
        silentStart = now - (int64_t)(frame / musicRate * (double)silentFrequency.QuadPart);
        return;
    }
    // Reset hands every buffer back and counts the position from 0 again.
    waveOutReset(musicDevice);
    musicSeekFrame = (unsigned)frame;
    musicLastSeconds = (double)musicSeekFrame / musicRate;
    musicDecodeEnded = !SeekVorbisFrame(musicSeekFrame);
    musicNextBuffer = 0;
    for (int k = 0; k < MUSIC_BUFFER_COUNT && !musicDecodeEnded; ++k)
        musicDecodeEnded = !QueueBuffer(k);
    if (musicPaused)
        waveOutPause(musicDevice);
}
