// musiccheck: what the program's own decoder makes of Ogg Vorbis files, and
// the music played as a demo plays it, without a window; for comparing the
// builds with each other.
//
//   musiccheck FILE...                 one line per file
//   musiccheck --play SECONDS FILE     plays FILE twice, SECONDS each time
//   musiccheck --help (or -h)          the usage, on standard output
//
// A file the decoder takes prints "ok RATE FRAMES HASH": its rate, its
// decoded stereo frames and the FNV-1a hash (64 bits) of those 16-bit
// samples as little-endian bytes; one it refuses prints "refused". With
// several files each line starts with the file name and ": ".
// --play prints "played CLOCK silent|device" for each time: the clock
// (ElapsedSeconds) after SECONDS of the performance counter. With vindrel.txt in the working folder the
// report goes to Debug.txt, as the program's does.
// Exit status: 0 when every file was taken (and after --help), 1 when any
// was refused, 2 for a wrong command line.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#ifndef _WIN32
#include <time.h>
#endif

#include "diag/Debug.h"
#include "platform/platform.h"
#include "sound/music.h"
#include "sound/vorbis_decoder.h"
#include "timing/clock.h"
#include "tools/tool_options.h"

namespace {

// A few milliseconds between pumps, as a frame would leave.
void Nap()
{
#ifdef _WIN32
    Sleep(5);
#else
    struct timespec pause = {0, 5000000};
    nanosleep(&pause, nullptr);
#endif
}

bool CheckFile(const char* path, bool prefixName)
{
    if (prefixName)
        printf("%s: ", path);
    if (OpenVorbisFile(path) != VORBIS_OPEN_OK) {
        printf("refused\n");
        return false;
    }
    static short piece[2 * 4096];
    uint64_t hash = 14695981039346656037ull;
    unsigned long long total = 0;
    int frames;
    while ((frames = DecodeVorbisPiece(piece, 4096)) > 0) {
        for (int k = 0; k < 2 * frames; ++k) {
            unsigned short sample = (unsigned short)piece[k];
            hash = (hash ^ (sample & 0xFF)) * 1099511628211ull;
            hash = (hash ^ (sample >> 8)) * 1099511628211ull;
        }
        total += (unsigned long long)frames;
    }
    unsigned rate = vorbisSampleRate;
    CloseVorbisFile();
    printf("ok %u %llu %016llx\n", rate, total, (unsigned long long)hash);
    return true;
}

// Plays as the loop does: pumping every few milliseconds.
int Play(double seconds, const char* path)
{
    showMusicMessages = false;
    ReportOpen();
    StartClock();
    int status = 0;
    for (int time = 0; time < 2 && status == 0; ++time) {
        if (!PlayMusic(path)) {
            printf("refused\n");
            status = 1;
            break;
        }
        LARGE_INTEGER frequency, start, now;
        QueryPerformanceFrequency(&frequency);
        QueryPerformanceCounter(&start);
        do {
            PumpMusic();
            Nap();
            QueryPerformanceCounter(&now);
        } while ((double)(now.QuadPart - start.QuadPart) < seconds * frequency.QuadPart);
        printf("played %.2f %s\n", ElapsedSeconds(), musicSilent ? "silent" : "device");
        StopMusic();
    }
    ReportClose();
    return status;
}

const char usage[] =
    "usage: musiccheck FILE...\n       musiccheck --play SECONDS FILE\n       musiccheck --help\n";

int Usage()
{
    fputs(usage, stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    int status = CheckToolOptions(argc, argv, "musiccheck", usage, "--play");
    if (status >= 0)
        return status;
    if (argc >= 2 && strcmp(argv[1], "--play") == 0) {
        double seconds = argc == 4 ? atof(argv[2]) : 0.0;
        return seconds > 0.0 ? Play(seconds, argv[3]) : Usage();
    }
    if (argc < 2)
        return Usage();
    bool allTaken = true;
    for (int i = 1; i < argc; ++i)
        allTaken = CheckFile(argv[i], argc > 2) && allTaken;
    return allTaken ? 0 : 1;
}
