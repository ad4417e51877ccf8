// Fuzz target: ReadSyncText on any bytes. What loads is a valid track
// (rows rising, values finite, a known interpolation), and written back
// by WriteSyncText it reads again as the same keys, bit for bit.
#include <math.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "fuzz_input_file.h"
#include "sync/sync_tracks.h"

extern "C" const char* __asan_default_options()
{
    return FUZZ_SANITIZER_OPTIONS;
}

enum { KEY_ROOM = 64 };

static const char* RewrittenPath()
{
    static char path[80];
    if (!path[0])
        snprintf(path, sizeof path, "%s.txt", FuzzInputPath());
    return path;
}

static void RemoveFiles()
{
    RemoveFuzzInput();
    unlink(RewrittenPath());
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    atexit(RemoveFiles);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    WriteFuzzInput(data, size);
    static SyncKey keys[KEY_ROOM], again[KEY_ROOM];
    int count = ReadSyncText(FuzzInputPath(), keys, KEY_ROOM);
    FUZZ_CHECK(count >= 0 || count == SYNC_READ_REFUSED || count == SYNC_READ_NO_ROOM);
    FUZZ_CHECK((count < 0) == (syncRefusal[0] != 0));
    if (count < 0)
        return 0;
    for (int i = 0; i < count; ++i) {
        FUZZ_CHECK(keys[i].interpolation < SYNC_INTERPOLATION_COUNT && isfinite(keys[i].value));
        FUZZ_CHECK(i == 0 || keys[i].row > keys[i - 1].row);
    }
    FUZZ_CHECK(WriteSyncText(RewrittenPath(), keys, count));
    FUZZ_CHECK(ReadSyncText(RewrittenPath(), again, KEY_ROOM) == count);
    for (int i = 0; i < count; ++i)
        FUZZ_CHECK(memcmp(&keys[i], &again[i], sizeof keys[i]) == 0);
    return 0;
}
