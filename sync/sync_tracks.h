// Sync tracks: named values keyed at rows of the music (so many rows a
// beat) and interpolated between keys, read from files in sync/ beside the
// program.
//
// A track named NAME loads on first use from sync/NAME.txt (the text form,
// see the README) or else from sync/tracks_NAME.track (the binary form:
// a little-endian int32 key count, then per key int32 row, float32 value
// and one interpolation byte). In both paths NAME keeps letters, digits,
// '.', '_' and '/' and writes any other byte as '-' and two upper-case hex
// digits. A text file saved while the program runs is read again: each
// track's file is looked at once every SYNC_CHECK_MILLISECONDS, the tracks
// in turn, from SyncRow and SyncValue. A file that does not load leaves the keys the track had, and
// the debug report says why (the line, for text).
//
// Limits: SYNC_TRACK_LIMIT tracks, SYNC_NAME_SIZE - 1 bytes a name and
// SYNC_KEY_LIMIT keys in all tracks together. Tempo before SetSyncTempo:
// 120 beats a minute, 8 rows a beat.
#pragma once

#include <stdint.h>

// The key pool; a build may size it otherwise (the benchmark holds 1,000
// tracks of 10,000 keys).
#ifndef ORLATH_SYNC_KEYS
#define ORLATH_SYNC_KEYS (1 << 20)
#endif

enum {
    SYNC_TRACK_LIMIT = 1024,
    SYNC_NAME_SIZE = 64,
    SYNC_KEY_LIMIT = ORLATH_SYNC_KEYS,
    SYNC_PATH_SIZE = 32 + 3 * SYNC_NAME_SIZE,
    SYNC_LINE_SIZE = 256,
    SYNC_CHECK_MILLISECONDS = 100,
};

// How a key's value goes to the next key's.
enum SyncInterpolation {
    SYNC_STEP = 0,    // held
    SYNC_LINEAR = 1,
    SYNC_SMOOTH = 2,  // t*t*(3 - 2t)
    SYNC_RAMP = 3,    // t*t
    SYNC_INTERPOLATION_COUNT
};

struct SyncKey {
    int32_t row;
    float value;
    uint8_t interpolation;
};

struct SyncTrack {
    char name[SYNC_NAME_SIZE];
    int first;             // the track's keys: syncKeys[first .. first + count)
    int count;
    int room;              // keys the slice holds before it must move
    int cursor;            // the key found last; rows mostly move forward
    uint64_t textTime;     // the text file's write time and size when read,
    uint64_t textSize;     // 0 and 0 while there is none
};

extern SyncTrack syncTracks[SYNC_TRACK_LIMIT];
extern int syncTrackCount;
extern SyncKey syncKeys[SYNC_KEY_LIMIT];
extern int syncKeysUsed;
extern double syncRowsPerSecond;
// Why the last file read was refused ("" when it loaded).
extern char syncRefusal[SYNC_LINE_SIZE];

extern const char* const syncInterpolationNames[SYNC_INTERPOLATION_COUNT];

void SetSyncTempo(double beatsPerMinute, int rowsPerBeat);
// ElapsedSeconds() in rows.
double SyncRow();
// The track's index, loading it on first use; -1 when the name is empty or
// too long, or the table is full.
int GetSyncTrack(const char* name);
// The track's value at row; 0 for a track with no keys or a bad index.
float SyncValue(int track, double row);
// Reads again the text files saved since they were last looked at, of
// the tracks whose turn has come.
void CheckSyncFiles();
// Forgets every track and key (tests, and a fresh start).
void ResetSyncTracks();

// Edits, as the sync editor sends them (sync/sync_editor.h). A key set at
// a row replaces the one there; false for a bad track, interpolation or
// value, or when the pool is full (reported).
bool SetSyncKey(int track, int32_t row, float value, int interpolation);
// False when the track has no key at row.
bool DeleteSyncKey(int track, int32_t row);
void ClearSyncKeys(int track);
// Writes every track to its binary file and its text file (the text file
// is not read again for it); false, with a report line for each, when one
// cannot be written.
bool SaveSyncTracks();

// The file paths of a track name; false when they do not fit in size.
bool SyncBinaryPath(const char* name, char* path, int size);
bool SyncTextPath(const char* name, char* path, int size);

// The readers: keys into keys[0 .. limit) and their count, or one of the
// SYNC_READ_ codes with syncRefusal set.
enum { SYNC_READ_REFUSED = -1, SYNC_READ_MISSING = -2, SYNC_READ_NO_ROOM = -3 };
int ReadSyncBinary(const char* path, SyncKey* keys, int limit);
int ReadSyncText(const char* path, SyncKey* keys, int limit);
// The writers: false when the file cannot be written.
bool WriteSyncBinary(const char* path, const SyncKey* keys, int count);
bool WriteSyncText(const char* path, const SyncKey* keys, int count);
