// Sync tracks at a playing demo's rows: 1,000 tracks of 10,000 keys, every
// track evaluated once a frame at 60 fps while the row moves on at 120
// beats a minute and 8 rows a beat, for a simulated ten minutes. SyncValue
// (which keeps the last key found, and looks at the tracks' text files in
// turn) against two baselines in the same run: a linear scan of each track
// from its first key, as a plain player would do it, and a binary search of
// each track. Figures are medians of alternating rounds; the sync code is
// built here with a pool large enough for ten million keys.
// Then a frame of those tracks with the editor link on and no editor
// listening (the real connect tried every second on a closed port) against
// the same frame with sync editing off, in alternating rounds. The time
// from a SET_KEY to the frame that shows it is bench/sync_latency.py's (a
// stand-in editor against a running demo).
//   ./bench_sync [rounds]
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include "bench/bench_report.h"
#include "sync/sync_editor.h"
#include "sync/sync_tracks.h"

namespace {

enum { TRACKS = 1000, KEYS = 10000, FPS = 60, SECONDS = 600, LINEAR_FRAMES = 120 };
const double rowsPerFrame = 120.0 / 60.0 * 8.0 / FPS;

double Now()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec + now.tv_nsec * 1e-9;
}

// Keys one or two rows apart with every interpolation, so the ten minutes
// (9,600 rows) cross thousands of keys of each track.
void FillTracks()
{
    ResetSyncTracks();
    srand(7);
    for (int t = 0; t < TRACKS; ++t) {
        char name[16];
        snprintf(name, sizeof name, "bench%d", t);
        SyncTrack& track = syncTracks[GetSyncTrack(name)];  // no file: no keys yet
        track.first = syncKeysUsed;
        track.count = track.room = KEYS;
        int row = 0;
        for (int k = 0; k < KEYS; ++k) {
            row += 1 + rand() % 2;
            syncKeys[syncKeysUsed++] = {row, float(rand() % 1000) / 10.0f, uint8_t(k % SYNC_INTERPOLATION_COUNT)};
        }
    }
}

// The baselines give the same value as SyncValue, the key found otherwise.
float Between(const SyncKey* keys, int count, int at, double row)
{
    if (row < keys[0].row || at + 1 == count)
        return keys[at].value;
    const SyncKey& from = keys[at];
    double t = (row - from.row) / (double(keys[at + 1].row) - from.row);
    if (from.interpolation == SYNC_STEP)
        return from.value;
    t = from.interpolation == SYNC_SMOOTH ? t * t * (3.0 - 2.0 * t) : from.interpolation == SYNC_RAMP ? t * t : t;
    return float(from.value + (double(keys[at + 1].value) - from.value) * t);
}

float LinearValue(int t, double row)
{
    const SyncTrack& track = syncTracks[t];
    const SyncKey* keys = syncKeys + track.first;
    int at = 0;
    while (at + 1 < track.count && keys[at + 1].row <= row)
        ++at;
    return Between(keys, track.count, at, row);
}

float BinaryValue(int t, double row)
{
    const SyncTrack& track = syncTracks[t];
    const SyncKey* keys = syncKeys + track.first;
    int low = 0, high = track.count;
    while (high - low > 1) {
        int middle = low + (high - low) / 2;
        if (keys[middle].row <= row)
            low = middle;
        else
            high = middle;
    }
    return Between(keys, track.count, low, row);
}

enum Way { OURS, LINEAR, BINARY };

struct Frames {
    double mean, p99, worst;  // milliseconds a frame
};

// Every stride-th frame of the ten minutes; sum keeps the values alive.
Frames Play(Way way, int stride, double* sum)
{
    std::vector<double> times;
    for (int f = 0; f < FPS * SECONDS; f += stride) {
        double row = f * rowsPerFrame;
        double start = Now();
        for (int t = 0; t < TRACKS; ++t)
            *sum += way == OURS ? SyncValue(t, row) : way == LINEAR ? LinearValue(t, row) : BinaryValue(t, row);
        times.push_back((Now() - start) * 1000.0);
    }
    double total = 0;
    for (double time : times)
        total += time;
    std::sort(times.begin(), times.end());
    return {total / times.size(), times[(times.size() - 1) * 99 / 100], times.back()};
}

// Frames a second of a frame that asks every track, with or without the
// editor link's pass.
double FramesPerSecond(bool link, double seconds, double* sum)
{
    double end = Now() + seconds, row = 0;
    long frames = 0;
    while (Now() < end) {
        if (link)
            PumpSyncEditor();
        for (int t = 0; t < TRACKS; ++t)
            *sum += SyncValue(t, row);
        row += rowsPerFrame;
        ++frames;
    }
    return frames / seconds;
}

}  // namespace

int main(int argc, char** argv)
{
    int rounds = argc > 1 ? atoi(argv[1]) : 3;
    if (rounds < 1)
        rounds = 1;
    FillTracks();
    if (syncTrackCount != TRACKS || syncKeysUsed != TRACKS * KEYS) {
        fprintf(stderr, "bench_sync: the pool took %d tracks and %d keys\n", syncTrackCount, syncKeysUsed);
        return 1;
    }
    printf("sync tracks: %d tracks x %d keys, every track once a frame at %d fps, rows at 120 bpm x 8\n", TRACKS,
           KEYS, FPS);
    printf("machine: %s\n", CpuModel().c_str());
    std::vector<double> ours, p99, worst, linear, binary, linearRatio, binaryRatio;
    double sum = 0;
    for (int r = 0; r < rounds; ++r) {
        for (int t = 0; t < TRACKS; ++t)
            syncTracks[t].cursor = 0;
        Frames mine = Play(OURS, 1, &sum);
        // A linear scan is slow enough that 120 frames spread over the ten
        // minutes tell.
        Frames scan = Play(LINEAR, FPS * SECONDS / LINEAR_FRAMES, &sum);
        Frames search = Play(BINARY, 1, &sum);
        printf("round %d: SyncValue %.4f ms a frame (p99 %.3f, worst %.3f), linear scan %.3f ms, binary search "
               "%.4f ms\n", r + 1, mine.mean, mine.p99, mine.worst, scan.mean, search.mean);
        ours.push_back(mine.mean);
        p99.push_back(mine.p99);
        worst.push_back(mine.worst);
        linear.push_back(scan.mean);
        binary.push_back(search.mean);
        linearRatio.push_back(scan.mean / mine.mean);
        binaryRatio.push_back(search.mean / mine.mean);
    }
    printf("median of %d rounds: SyncValue %.4f ms a frame, p99 %.3f ms, worst %.3f ms (bound 1 ms)\n", rounds,
           Median(ours), Median(p99), Median(worst));
    printf("  linear scan %.3f ms a frame: %.0fx SyncValue's time\n", Median(linear), Median(linearRatio));
    printf("  binary search %.4f ms a frame: %.2fx SyncValue's time\n", Median(binary), Median(binaryRatio));
    // The frames above run back to back, so few files came due in them. At
    // 60 fps each frame looks at a sixth of the text files (1,000 tracks
    // in 100 ms): a whole pass, after a pause, over six.
    std::vector<double> passes;
    for (int r = 0; r < rounds; ++r) {
        usleep(1000 * (SYNC_CHECK_MILLISECONDS + 10));
        double start = Now();
        CheckSyncFiles();
        passes.push_back((Now() - start) * 1000.0);
    }
    double checks = Median(passes) * 1000.0 / FPS / SYNC_CHECK_MILLISECONDS;
    printf("  text files: a pass over all %d takes %.3f ms, so %.3f ms in each 60 fps frame; with it %.3f ms "
           "a frame\n", TRACKS, Median(passes), checks, Median(ours) + checks);

    // The discard port, where nothing listens here.
    bool idle = StartSyncEditor("127.0.0.1:9");
    // Short windows, taken in turns, so that a slower stretch of a shared
    // machine falls on both; each round's ratio is the median of its pairs.
    enum { PAIRS = 20 };
    const double window = 1.5 / PAIRS;
    std::vector<double> ratios;
    double off = 0, on = 0;
    for (int r = 0; idle && r < rounds; ++r) {
        std::vector<double> pairs;
        for (int p = 0; p < PAIRS; ++p) {
            // Each goes first in every other pair.
            if (p % 2) {
                on = FramesPerSecond(true, window, &sum);
                off = FramesPerSecond(false, window, &sum);
            } else {
                off = FramesPerSecond(false, window, &sum);
                on = FramesPerSecond(true, window, &sum);
            }
            pairs.push_back(on / off);
        }
        ratios.push_back(Median(pairs));
    }
    StopSyncEditor();
    if (idle)
        printf("no editor listening vs sync editing off: %.0f vs %.0f frames/s (last window), ratio %.4f (median "
               "of %d rounds of %d pairs of %.3f s windows, rounds from %.4f to %.4f; bound 0.98)\n", on, off,
               Median(ratios), rounds, PAIRS, window, *std::min_element(ratios.begin(), ratios.end()),
               *std::max_element(ratios.begin(), ratios.end()));
    else
        printf("no editor listening: no network here, not measured\n");
    printf("(checksum %.1f)\n", sum);
    return Median(p99) + checks < 1.0 && idle && Median(ratios) >= 0.98 ? 0 : 1;
}
