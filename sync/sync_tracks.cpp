#include "sync/sync_tracks.h"

#include <math.h>
#include <string.h>

#include "diag/Debug.h"
#include "platform/platform.h"
#include "timing/clock.h"

SyncTrack syncTracks[SYNC_TRACK_LIMIT];
int syncTrackCount = 0;
SyncKey syncKeys[SYNC_KEY_LIMIT];
int syncKeysUsed = 0;
double syncRowsPerSecond = 120.0 / 60.0 * 8;

static int64_t lastCheck = 0;  // the counter the turns below have covered
static bool checked = false;
static int nextCheck = 0;      // the track whose file is looked at next

void SetSyncTempo(double beatsPerMinute, int rowsPerBeat)
{
    if (!(beatsPerMinute > 0.0) || rowsPerBeat <= 0) {
        ReportWrite("Tempo rechazado: %g bpm, %d filas por pulso\n", beatsPerMinute, rowsPerBeat);
        return;
    }
    syncRowsPerSecond = beatsPerMinute / 60.0 * rowsPerBeat;
}

double SyncRow()
{
    CheckSyncFiles();
    return ElapsedSeconds() * syncRowsPerSecond;
}

void ResetSyncTracks()
{
    syncTrackCount = 0;
    syncKeysUsed = 0;
    checked = false;
    nextCheck = 0;
}

// Moves every track's keys to the pool's start, each slice as tight as its
// keys: in the order the slices lie, so that none lands on one not yet moved.
static void CompactSyncKeys()
{
    static bool moved[SYNC_TRACK_LIMIT];
    memset(moved, 0, sizeof moved);
    syncKeysUsed = 0;
    for (;;) {
        int next = -1;
        for (int t = 0; t < syncTrackCount; ++t)
            if (!moved[t] && (next < 0 || syncTracks[t].first < syncTracks[next].first))
                next = t;
        if (next < 0)
            break;
        SyncTrack& track = syncTracks[next];
        memmove(syncKeys + syncKeysUsed, syncKeys + track.first, sizeof(SyncKey) * track.count);
        track.first = syncKeysUsed;
        track.room = track.count;
        syncKeysUsed += track.count;
        moved[next] = true;
    }
}

// Reads a file into the pool's free end, then keeps the keys in the
// track's own slice when they fit there, or there at the end when not.
// The old keys stay until the new ones have all been read.
static int LoadSyncKeys(int index, bool text, const char* path)
{
    int count = 0;
    for (int attempt = 0; attempt < 2; ++attempt) {
        SyncKey* tail = syncKeys + syncKeysUsed;
        int room = SYNC_KEY_LIMIT - syncKeysUsed;
        count = text ? ReadSyncText(path, tail, room) : ReadSyncBinary(path, tail, room);
        if (count != SYNC_READ_NO_ROOM)
            break;
        CompactSyncKeys();
    }
    SyncTrack& track = syncTracks[index];
    if (count < 0) {
        if (count != SYNC_READ_MISSING)
            ReportWrite("Pista %s rechazada: %s\n", track.name, syncRefusal);
        return count;
    }
    if (count <= track.room) {
        memmove(syncKeys + track.first, syncKeys + syncKeysUsed, sizeof(SyncKey) * count);
    } else {
        track.first = syncKeysUsed;
        track.room = count;
        syncKeysUsed += count;
    }
    track.count = count;
    track.cursor = 0;
    return count;
}

// The text file's write time and size, or false when there is none.
static bool TextFileStamp(const char* path, uint64_t* time, uint64_t* size)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data) || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    *time = uint64_t(data.ftLastWriteTime.dwHighDateTime) << 32 | data.ftLastWriteTime.dwLowDateTime;
    *size = uint64_t(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
    return true;
}

int GetSyncTrack(const char* name)
{
    if (!name || !name[0] || strlen(name) >= SYNC_NAME_SIZE)
        return -1;
    for (int t = 0; t < syncTrackCount; ++t)
        if (strcmp(syncTracks[t].name, name) == 0)
            return t;
    if (syncTrackCount == SYNC_TRACK_LIMIT) {
        ReportWrite("Pista %s: no caben mas de %d pistas\n", name, SYNC_TRACK_LIMIT);
        return -1;
    }
    int index = syncTrackCount++;
    SyncTrack& track = syncTracks[index];
    memset(&track, 0, sizeof track);
    strcpy(track.name, name);
    track.first = syncKeysUsed;
    char path[SYNC_PATH_SIZE];
    SyncTextPath(name, path, sizeof path);
    if (TextFileStamp(path, &track.textTime, &track.textSize)) {
        LoadSyncKeys(index, true, path);
    } else {
        SyncBinaryPath(name, path, sizeof path);
        LoadSyncKeys(index, false, path);
    }
    return index;
}

// Each track's text file is looked at once a period, the tracks in turn
// as time goes by, so that a thousand tracks do not put a thousand file
// lookups into one frame.
void CheckSyncFiles()
{
    LARGE_INTEGER counter, frequency;
    if (!QueryPerformanceCounter(&counter) || !QueryPerformanceFrequency(&frequency))
        return;
    const int64_t now = counter.QuadPart;
    const int64_t period = frequency.QuadPart / 1000 * SYNC_CHECK_MILLISECONDS;
    if (syncTrackCount == 0 || period <= 0) {
        lastCheck = now;
        return;
    }
    const int64_t turn = period / syncTrackCount > 0 ? period / syncTrackCount : 1;
    if (!checked || now - lastCheck >= period) {
        // The first call, or a whole period gone by: every track now.
        checked = true;
        lastCheck = now - period;
    }
    int64_t due = (now - lastCheck) / turn;
    if (due > syncTrackCount)
        due = syncTrackCount;
    lastCheck += due * turn;
    for (; due > 0; --due) {
        if (nextCheck >= syncTrackCount)
            nextCheck = 0;
        SyncTrack& track = syncTracks[nextCheck++];
        char path[SYNC_PATH_SIZE];
        uint64_t time, size;
        SyncTextPath(track.name, path, sizeof path);
        if (!TextFileStamp(path, &time, &size) || (time == track.textTime && size == track.textSize))
            continue;
        track.textTime = time;
        track.textSize = size;
        LoadSyncKeys(int(&track - syncTracks), true, path);
    }
}

static double Interpolate(const SyncKey& from, const SyncKey& to, double row)
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

float SyncValue(int index, double row)
{
    if (index < 0 || index >= syncTrackCount)
        return 0.0f;
    CheckSyncFiles();
    SyncTrack& track = syncTracks[index];
    const SyncKey* keys = syncKeys + track.first;
    int count = track.count;
    if (count == 0)
        return 0.0f;
    // A row that is not a number takes the first key's value too.
    if (!(row >= keys[0].row))
        return keys[0].value;
    if (row >= keys[count - 1].row)
        return keys[count - 1].value;
    // keys[at].row <= row < keys[at + 1].row: the last key found or the
    // next one, as a playing demo asks, else a binary search.
    int at = track.cursor < count - 1 ? track.cursor : 0;
    if (!(keys[at].row <= row && row < keys[at + 1].row)) {
        if (at + 2 < count && keys[at + 1].row <= row && row < keys[at + 2].row) {
            ++at;
        } else {
            int low = 0, high = count - 1;
            while (high - low > 1) {
                int middle = low + (high - low) / 2;
                if (keys[middle].row <= row)
                    low = middle;
                else
                    high = middle;
            }
            at = low;
        }
    }
    track.cursor = at;
    return float(Interpolate(keys[at], keys[at + 1], row));
}

// The first key of the track at or after row.
static int KeyAtOrAfter(const SyncTrack& track, int32_t row)
{
    const SyncKey* keys = syncKeys + track.first;
    int low = 0, high = track.count;
    while (low < high) {
        int middle = low + (high - low) / 2;
        if (keys[middle].row < row)
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

static void ReverseSyncKeys(int from, int to)
{
    for (--to; from < to; ++from, --to) {
        SyncKey key = syncKeys[from];
        syncKeys[from] = syncKeys[to];
        syncKeys[to] = key;
    }
}

// After a compaction: the track's keys go to the end of the used pool, the
// slices after it move down, so that it can grow where it lies.
static void MoveSyncTrackLast(int index)
{
    SyncTrack& track = syncTracks[index];
    int first = track.first, count = track.count;
    ReverseSyncKeys(first, first + count);
    ReverseSyncKeys(first + count, syncKeysUsed);
    ReverseSyncKeys(first, syncKeysUsed);
    for (int t = 0; t < syncTrackCount; ++t)
        if (syncTracks[t].first > first)
            syncTracks[t].first -= count;
    track.first = syncKeysUsed - count;
}

// Gives the track room for one key more: the last slice grows where it
// lies, another moves to the pool's end with twice its keys; when the end
// is full, a compaction gives back the holes and the track goes last.
static bool GrowSyncTrack(int index)
{
    SyncTrack& track = syncTracks[index];
    if (track.count < track.room)
        return true;
    for (int attempt = 0; attempt < 2; ++attempt) {
        int free = SYNC_KEY_LIMIT - syncKeysUsed;
        int more = track.count + 16 < free ? track.count + 16 : free;
        if (track.first + track.room == syncKeysUsed && more > 0) {
            track.room += more;
            syncKeysUsed += more;
            return true;
        }
        if (track.first + track.room != syncKeysUsed && free > track.count) {
            memmove(syncKeys + syncKeysUsed, syncKeys + track.first, sizeof(SyncKey) * track.count);
            track.first = syncKeysUsed;
            track.room = 2 * track.count + 16 < free ? 2 * track.count + 16 : free;
            syncKeysUsed += track.room;
            return true;
        }
        if (attempt == 0) {
            CompactSyncKeys();
            MoveSyncTrackLast(index);
        }
    }
    ReportWrite("Pista %s: no caben mas de %d claves\n", track.name, SYNC_KEY_LIMIT);
    return false;
}

bool SetSyncKey(int index, int32_t row, float value, int interpolation)
{
    if (index < 0 || index >= syncTrackCount || interpolation < 0 || interpolation >= SYNC_INTERPOLATION_COUNT ||
        !isfinite(value))
        return false;
    int at = KeyAtOrAfter(syncTracks[index], row);
    if (at == syncTracks[index].count || syncKeys[syncTracks[index].first + at].row != row) {
        if (!GrowSyncTrack(index))
            return false;
        SyncTrack& track = syncTracks[index];
        SyncKey* keys = syncKeys + track.first;
        memmove(keys + at + 1, keys + at, sizeof(SyncKey) * (track.count - at));
        ++track.count;
    }
    SyncKey& key = syncKeys[syncTracks[index].first + at];
    key.row = row;
    key.value = value;
    key.interpolation = uint8_t(interpolation);
    return true;
}

bool DeleteSyncKey(int index, int32_t row)
{
    if (index < 0 || index >= syncTrackCount)
        return false;
    SyncTrack& track = syncTracks[index];
    int at = KeyAtOrAfter(track, row);
    SyncKey* keys = syncKeys + track.first;
    if (at == track.count || keys[at].row != row)
        return false;
    memmove(keys + at, keys + at + 1, sizeof(SyncKey) * (track.count - at - 1));
    --track.count;
    return true;
}

void ClearSyncKeys(int index)
{
    if (index >= 0 && index < syncTrackCount)
        syncTracks[index].count = 0;
}

bool SaveSyncTracks()
{
    bool saved = true;
    for (int t = 0; t < syncTrackCount; ++t) {
        SyncTrack& track = syncTracks[t];
        const SyncKey* keys = syncKeys + track.first;
        char path[SYNC_PATH_SIZE];
        if (!SyncBinaryPath(track.name, path, sizeof path) || !WriteSyncBinary(path, keys, track.count)) {
            ReportWrite("Pista %s: no puedo escribir %s\n", track.name, path);
            saved = false;
        }
        if (!SyncTextPath(track.name, path, sizeof path) || !WriteSyncText(path, keys, track.count)) {
            ReportWrite("Pista %s: no puedo escribir %s\n", track.name, path);
            saved = false;
        } else {
            TextFileStamp(path, &track.textTime, &track.textSize);
        }
    }
    return saved;
}
