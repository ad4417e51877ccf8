// Sync tracks' costs, in one run:
//  1. 1,000 tracks of 10,000 keys each evaluated at the rows of a playing
//     demo (60 fps, 120 bpm, 8 rows a beat): ten stretches of 60 frames
//     spread over the tracks' length, each frame asking every track once;
//     the time a frame takes (median, 99th percentile, worst) against a
//     linear scan from the first key at the same rows. The pool holds
//     1,048,576 keys, so the tracks are ten pools of 100, each filled
//     with its own keys and asked in turn; a frame's time is the sum.
//  2. a frame with the editor link on and no editor listening (the real
//     connect tried every second on a closed port) against the same frame
//     with sync editing off: frames per second in alternating rounds.
// The third figure, from a SET_KEY to the frame that shows it, is
// bench/sync_latency.py's (a stand-in editor against a running demo).
//   cd build/bin && ./bench_sync [rounds]
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <vector>

#include "bench/bench_report.h"
#include "bench/first_frame.h"
#include "sync/sync_editor.h"
#include "sync/sync_tracks.h"

namespace {

enum { TRACKS = 1000, POOL_TRACKS = 100, KEYS = 10000, STRETCHES = 10, STRETCH_FRAMES = 60 };
const double ROWS_PER_FRAME = 120.0 / 60.0 * 8 / 60.0;

unsigned seed = 1;
unsigned Next()
{
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
}

// Fills the pool with 100 tracks of keys 1 to 8 rows apart; the last row.
int FillPool(int pool)
{
    ResetSyncTracks();
    seed = 7919u * (pool + 1);
    int lastRow = 0;
    for (int t = 0; t < POOL_TRACKS; ++t) {
        SyncTrack& track = syncTracks[syncTrackCount++];
        memset(&track, 0, sizeof track);
        snprintf(track.name, sizeof track.name, "t%d", pool * POOL_TRACKS + t);
        track.first = syncKeysUsed;
        track.count = track.room = KEYS;
        int row = 0;
        for (int k = 0; k < KEYS; ++k) {
            row += 1 + Next() % 8;
            syncKeys[syncKeysUsed++] = {row, float(Next() % 1000) / 100.0f, uint8_t(Next() % 4)};
        }
        lastRow = row > lastRow ? row : lastRow;
    }
    return lastRow;
}

double Interpolated(const SyncKey& from, const SyncKey& to, double row)
{
    double t = (row - from.row) / (double(to.row) - from.row);
    switch (from.interpolation) {
    case SYNC_LINEAR:
        break;
    case SYNC_SMOOTH:
        t = t * t * (3.0 - 2.0 * t);
        break;
    case SYNC_RAMP:
        t = t * t;
        break;
    default:
        return from.value;
    }
    return from.value + (double(to.value) - from.value) * t;
}

// The baseline: the first key after row found from the track's start.
float LinearValue(const SyncTrack& track, double row)
{
    const SyncKey* keys = syncKeys + track.first;
    if (row < keys[0].row)
        return keys[0].value;
    int at = 0;
    while (at + 1 < track.count && keys[at + 1].row <= row)
        ++at;
    return at + 1 == track.count ? keys[at].value : float(Interpolated(keys[at], keys[at + 1], row));
}

std::vector<double> FrameRows(int lastRow)
{
    std::vector<double> rows;
    for (int s = 0; s < STRETCHES; ++s)
        for (int f = 0; f < STRETCH_FRAMES; ++f)
            rows.push_back(lastRow * 0.9 * s / STRETCHES + f * ROWS_PER_FRAME);
    return rows;
}

volatile float sink;

// Milliseconds each frame took, over the ten pools.
std::vector<double> FrameTimes(bool linear)
{
    std::vector<double> times;
    for (int pool = 0; pool < TRACKS / POOL_TRACKS; ++pool) {
        std::vector<double> rows = FrameRows(FillPool(pool));
        times.resize(rows.size(), 0.0);
        for (size_t f = 0; f < rows.size(); ++f) {
            long long start = NowNanoseconds();
            float sum = 0;
            for (int t = 0; t < POOL_TRACKS; ++t)
                sum += linear ? LinearValue(syncTracks[t], rows[f]) : SyncValue(t, rows[f]);
            sink = sum;
            times[f] += (NowNanoseconds() - start) / 1e6;
        }
    }
    return times;
}

double Percentile(std::vector<double> values, double share)
{
    std::sort(values.begin(), values.end());
    return values[(size_t)(share * (values.size() - 1))];
}

bool Evaluation()
{
    std::vector<double> ours = FrameTimes(false), scan = FrameTimes(true);
    double median = Median(ours), p99 = Percentile(ours, 0.99), worst = Percentile(ours, 1.0);
    printf("1,000 tracks x 10,000 keys at a playing demo's rows, %zu frames:\n", ours.size());
    printf("  SyncValue     median %.3f ms, 99th %.3f ms, worst %.3f ms a frame\n", median, p99, worst);
    printf("  linear scan   median %.3f ms, 99th %.3f ms, worst %.3f ms a frame\n", Median(scan),
           Percentile(scan, 0.99), Percentile(scan, 1.0));
    printf("  linear scan / SyncValue: %.0fx (medians)\n", Median(scan) / median);
    return worst < 1.0;
}

// Frames per second of a frame that asks 100 tracks, with or without the
// link's pass.
double FramesPerSecond(bool link, double seconds)
{
    long long end = NowNanoseconds() + (long long)(seconds * 1e9);
    long frames = 0;
    double row = 0;
    while (NowNanoseconds() < end) {
        if (link)
            PumpSyncEditor();
        float sum = 0;
        for (int t = 0; t < POOL_TRACKS; ++t)
            sum += SyncValue(t, row);
        sink = sum;
        row += ROWS_PER_FRAME;
        ++frames;
    }
    return frames / seconds;
}

bool NoEditorListening(int rounds)
{
    FillPool(0);
    // The discard port, where nothing listens here.
    if (!StartSyncEditor("127.0.0.1:9")) {
        printf("no editor listening: no network here, skipped\n");
        return false;
    }
    std::vector<double> ratios;
    double off = 0, on = 0;
    for (int r = 0; r < rounds; ++r) {
        off = FramesPerSecond(false, 1.5);
        on = FramesPerSecond(true, 1.5);
        ratios.push_back(on / off);
    }
    StopSyncEditor();
    double ratio = Median(ratios);
    printf("a frame of 100 tracks, no editor listening vs sync editing off: %.0f vs %.0f frames/s (last round),\n"
           "  ratio %.4f (median of %d rounds of 1.5 s each)\n",
           on, off, ratio, rounds);
    return ratio >= 0.98;
}

}  // namespace

int main(int argc, char** argv)
{
    int rounds = argc > 1 ? atoi(argv[1]) : 5;
    printf("sync benchmark on %s, %ld cores online\n", CpuModel().c_str(), sysconf(_SC_NPROCESSORS_ONLN));
    bool evaluation = Evaluation();
    bool idle = NoEditorListening(rounds);
    printf("goals: evaluation under 1 ms %s, no editor listening >= 0.98 %s\n", evaluation ? "met" : "MISSED",
           idle ? "met" : "MISSED");
    return evaluation && idle ? 0 : 1;
}
