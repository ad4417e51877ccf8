// The soundtrack of orlath-capture: the sound records of the pipe laid on
// the capture's clock as a 16-bit PCM WAV file. The first record fixes the
// format and starts the soundtrack (silence before it); gaps between records
// are silence; a later record in another format is said once and is silence;
// nothing past the time of the frames asked for is kept.
// At the end the soundtrack is cut or padded to exactly the frames' time,
// llround(frames * rate / fps) samples, counted as the layer counts them.
// Records that arrive before the output exists are held in memory (a frame
// or two: the first frame starts the output); then they go to the file as
// they come. PNG frames get FOLDER/soundtrack.wav, written as
// FOLDER/.soundtrack.wav.part and renamed when complete; a video's goes to
// a file with no name in the video's folder (one removed as soon as it is
// made, where the file system has no nameless files), which the video
// writer muxes in.
// Limits: a little-endian machine (the samples are written as they come).
#include <errno.h>
#include <fcntl.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <vector>

#include "tools/capture/capture.h"

enum { WAV_HEADER_BYTES = 44 };

static bool soundStarted = false;
static unsigned soundRate = 0, soundChannels = 0;
static bool otherFormatSaid = false;
static bool soundFailed = false;
static int soundFd = -1;
static int64_t soundFrames = 0;     // sample frames on the soundtrack so far
static std::vector<short> held;     // the soundtrack before the file exists
static char soundPartPath[PATH_CAP + 32];  // PNG frames: the name while it is written

static bool WriteAll(const void* data, size_t size)
{
    return CaptureWriteAll(soundFd, data, size);
}

static void Fail(const char* what)
{
    if (!soundFailed)
        fprintf(stderr, "orlath-capture: cannot write the soundtrack (%s): %s\n", what, strerror(errno));
    soundFailed = true;
}

// Adds frames to the soundtrack: the samples given, or silence for null.
static void Append(const short* samples, int64_t frames)
{
    size_t count = (size_t)frames * soundChannels;
    if (soundFd < 0) {
        if (samples)
            held.insert(held.end(), samples, samples + count);
        else
            held.resize(held.size() + count, 0);
    } else if (!soundFailed) {
        static const short silence[4096] = {};
        for (size_t done = 0; done < count && !soundFailed;) {
            size_t piece = samples ? count : count - done < 4096 ? count - done : 4096;
            if (!WriteAll(samples ? samples + done : silence, piece * sizeof(short)))
                Fail("write");
            done += piece;
        }
    }
    soundFrames += frames;
}

// The file: a header to be filled in at the end, then what was held.
static bool OpenSoundFile(const char* videoPath)
{
    if (options.kind == OUTPUT_FRAMES) {
        snprintf(soundPartPath, sizeof soundPartPath, "%s/.soundtrack.wav.part", options.folder);
        soundFd = open(soundPartPath, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (soundFd < 0) {
            fprintf(stderr, "orlath-capture: cannot make %s: %s\n", soundPartPath, strerror(errno));
            soundPartPath[0] = '\0';
        }
    } else {
        char folder[PATH_CAP];
        snprintf(folder, sizeof folder, "%s", videoPath);
        char* slash = strrchr(folder, '/');
        if (slash)
            slash[slash == folder ? 1 : 0] = '\0';
        else
            snprintf(folder, sizeof folder, ".");
        soundFd = open(folder, O_RDWR | O_TMPFILE | O_CLOEXEC, 0600);
        if (soundFd < 0 && (errno == EOPNOTSUPP || errno == EISDIR)) {
            // A file system without nameless files: a new name, at once removed.
            char path[PATH_CAP + 32];
            snprintf(path, sizeof path, "%s/.orlath-sound-XXXXXX", folder);
            soundFd = mkostemp(path, O_CLOEXEC);
            if (soundFd >= 0)
                unlink(path);
        }
        if (soundFd < 0)
            fprintf(stderr, "orlath-capture: cannot make the soundtrack's file in %s: %s\n", folder,
                    strerror(errno));
    }
    if (soundFd < 0) {
        soundFailed = true;
        return false;
    }
    static const char blank[WAV_HEADER_BYTES] = {};
    if (!WriteAll(blank, sizeof blank) || !WriteAll(held.data(), held.size() * sizeof(short)))
        Fail("write");
    held.clear();
    held.shrink_to_fit();
    return !soundFailed;
}

bool TakeSound(const CaptureSoundHeader& header, const short* samples, bool outputReady, const char* videoPath)
{
    if (!soundStarted) {
        soundStarted = true;
        soundRate = header.rate;
        soundChannels = header.channels;
        soundFrames = 0;
    } else if (header.rate != soundRate || header.channels != soundChannels) {
        if (!otherFormatSaid)
            fprintf(stderr, "orlath-capture: the program's sound changed from %u Hz x %u to %u Hz x %u; the "
                            "soundtrack keeps the first, with silence for sound in any other\n",
                    soundRate, soundChannels, (unsigned)header.rate, (unsigned)header.channels);
        otherFormatSaid = true;
        return true;
    }
    if (outputReady && soundFd < 0 && !soundFailed && !OpenSoundFile(videoPath))
        return false;
    // Nothing past the time of the frames asked for is kept, however far on a record says it is.
    int64_t limit = llround((double)options.frames * soundRate / options.fps);
    if (header.first >= (uint64_t)limit)
        return !soundFailed;
    int64_t first = (int64_t)header.first;
    int64_t frames = header.frames < limit - first ? (int64_t)header.frames : limit - first;
    // Records come in order; one that overlaps what is there keeps its new part.
    if (first > soundFrames)
        Append(nullptr, first - soundFrames);
    int64_t skip = soundFrames - first;
    if (skip < frames)
        Append(samples + (size_t)skip * soundChannels, frames - skip);
    return !soundFailed;
}

static void PutLittle(unsigned char* at, uint32_t value, int bytes)
{
    for (int k = 0; k < bytes; ++k)
        at[k] = (unsigned char)(value >> (8 * k));
}

bool FinishSound(long frames, const char* videoPath)
{
    if (!soundStarted || frames <= 0) {
        DropSound();
        return true;
    }
    if (soundFd < 0 && !soundFailed)
        OpenSoundFile(videoPath);
    int64_t total = llround((double)frames * soundRate / options.fps);
    int64_t bytes = total * soundChannels * 2;
    if (!soundFailed && bytes > (int64_t)UINT32_MAX - WAV_HEADER_BYTES) {
        errno = EFBIG;
        Fail("too long for a WAV file");
    }
    if (!soundFailed && soundFrames > total && ftruncate(soundFd, WAV_HEADER_BYTES + bytes) != 0)
        Fail("cut");
    if (soundFrames < total)
        Append(nullptr, total - soundFrames);
    unsigned char head[WAV_HEADER_BYTES];
    memcpy(head, "RIFF", 4);
    PutLittle(head + 4, (uint32_t)(36 + bytes), 4);
    memcpy(head + 8, "WAVEfmt ", 8);
    PutLittle(head + 16, 16, 4);
    PutLittle(head + 20, 1, 2);  // integer PCM
    PutLittle(head + 22, soundChannels, 2);
    PutLittle(head + 24, soundRate, 4);
    PutLittle(head + 28, soundRate * soundChannels * 2, 4);
    PutLittle(head + 32, soundChannels * 2, 2);
    PutLittle(head + 34, 16, 2);
    memcpy(head + 36, "data", 4);
    PutLittle(head + 40, (uint32_t)bytes, 4);
    if (!soundFailed && pwrite(soundFd, head, sizeof head, 0) != (ssize_t)sizeof head)
        Fail("header");
    if (!soundFailed && options.kind == OUTPUT_FRAMES) {
        char path[PATH_CAP + 32];
        snprintf(path, sizeof path, "%s/soundtrack.wav", options.folder);
        if (close(soundFd) != 0)
            Fail("close");
        soundFd = -1;
        if (!soundFailed && rename(soundPartPath, path) != 0)
            Fail("rename");
        else
            soundPartPath[0] = '\0';
    }
    if (soundFailed)
        DropSound();
    return !soundFailed;
}

int SoundFile()
{
    return soundFd;
}

void DropSound()
{
    if (soundFd >= 0)
        close(soundFd);
    soundFd = -1;
    if (soundPartPath[0])
        unlink(soundPartPath);
    soundPartPath[0] = '\0';
}
