// Fuzz target: ReadSyncBinary on any bytes, checked against the format's
// rules read straight from the bytes: a load gives every key as stored, a
// refusal comes exactly when a rule is broken, and says why.
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

static int32_t Int32At(const uint8_t* p)
{
    return int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
}

// The key count the bytes stand for, or the code that refuses them: the
// length is checked first, then the room, then each key.
static int64_t Reference(const uint8_t* data, size_t size)
{
    if (size < 4)
        return SYNC_READ_REFUSED;
    int64_t count = Int32At(data);
    if (count < 0 || uint64_t(size) != 4 + uint64_t(count) * 9)
        return SYNC_READ_REFUSED;
    if (count > KEY_ROOM)
        return SYNC_READ_NO_ROOM;
    for (int64_t i = 0; i < count; ++i) {
        const uint8_t* key = data + 4 + i * 9;
        float value;
        memcpy(&value, key + 4, 4);
        if (key[8] > 3 || !isfinite(value) || (i > 0 && Int32At(key) <= Int32At(key - 9)))
            return SYNC_READ_REFUSED;
    }
    return count;
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    atexit(RemoveFuzzInput);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    WriteFuzzInput(data, size);
    static SyncKey keys[KEY_ROOM];
    int count = ReadSyncBinary(FuzzInputPath(), keys, KEY_ROOM);
    FUZZ_CHECK(count == Reference(data, size));
    FUZZ_CHECK((count < 0) == (syncRefusal[0] != 0));
    for (int i = 0; i < count; ++i) {
        const uint8_t* key = data + 4 + i * 9;
        FUZZ_CHECK(keys[i].row == Int32At(key) && memcmp(&keys[i].value, key + 4, 4) == 0);
        FUZZ_CHECK(keys[i].interpolation == key[8]);
    }
    return 0;
}
