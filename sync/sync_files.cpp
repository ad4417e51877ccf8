#include "sync/sync_tracks.h"

#include <errno.h>
#include <math.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "image/file_open.h"

char syncRefusal[SYNC_LINE_SIZE];

const char* const syncInterpolationNames[SYNC_INTERPOLATION_COUNT] = {"step", "linear", "smooth", "ramp"};

enum { BINARY_KEY_BYTES = 9 };

static int Refuse(int code, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;

static int Refuse(int code, const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(syncRefusal, sizeof syncRefusal, format, arguments);
    va_end(arguments);
    return code;
}

static bool EncodedPath(const char* prefix, const char* name, const char* suffix, char* path, int size)
{
    int at = snprintf(path, size, "%s", prefix);
    for (const unsigned char* c = (const unsigned char*)name; *c && at < size; ++c) {
        bool kept = (*c >= 'a' && *c <= 'z') || (*c >= 'A' && *c <= 'Z') || (*c >= '0' && *c <= '9') || *c == '.' ||
                    *c == '_' || *c == '/';
        at += kept ? snprintf(path + at, size - at, "%c", *c) : snprintf(path + at, size - at, "-%02X", *c);
    }
    if (at < size)
        at += snprintf(path + at, size - at, "%s", suffix);
    return at < size;
}

bool SyncBinaryPath(const char* name, char* path, int size)
{
    return EncodedPath("sync/tracks_", name, ".track", path, size);
}

bool SyncTextPath(const char* name, char* path, int size)
{
    return EncodedPath("sync/", name, ".txt", path, size);
}

static int32_t Int32At(const uint8_t* bytes)
{
    return int32_t(uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24);
}

static void PutInt32(uint8_t* bytes, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[i] = uint8_t(value >> (8 * i));
}

// The checks both forms share, for the key after keys[index - 1].
static const char* KeyRefusal(const SyncKey* keys, int index)
{
    if (keys[index].interpolation >= SYNC_INTERPOLATION_COUNT)
        return "unknown interpolation";
    if (!isfinite(keys[index].value))
        return "value not finite";
    if (index > 0 && keys[index].row <= keys[index - 1].row)
        return "row not after the previous key's";
    return nullptr;
}

int ReadSyncBinary(const char* path, SyncKey* keys, int limit)
{
    syncRefusal[0] = 0;
    FILE* file = OpenFileForReading(path);
    if (!file)
        return Refuse(SYNC_READ_MISSING, "%s: cannot open", path);
    // The count is checked against the file's length before any key is read.
    uint8_t bytes[BINARY_KEY_BYTES];
    long length = -1;
    if (fseek(file, 0, SEEK_END) == 0)
        length = ftell(file);
    int result = 0;
    if (length < 4 || fseek(file, 0, SEEK_SET) != 0 || fread(bytes, 1, 4, file) != 4) {
        result = Refuse(SYNC_READ_REFUSED, "%s: no key count", path);
    } else {
        int32_t count = Int32At(bytes);
        int64_t needed = 4 + int64_t(count) * BINARY_KEY_BYTES;
        if (count < 0)
            result = Refuse(SYNC_READ_REFUSED, "%s: negative key count %d", path, count);
        else if (needed > length)
            result = Refuse(SYNC_READ_REFUSED, "%s: truncated, %d keys need %lld bytes, the file has %ld", path, count,
                            (long long)needed, length);
        else if (needed < length)
            result = Refuse(SYNC_READ_REFUSED, "%s: %lld bytes after the last key", path,
                            (long long)(length - needed));
        else if (count > limit)
            result = Refuse(SYNC_READ_NO_ROOM, "%s: %d keys, room for %d", path, count, limit);
        for (int i = 0; result == 0 && i < count; ++i) {
            if (fread(bytes, 1, BINARY_KEY_BYTES, file) != BINARY_KEY_BYTES) {
                result = Refuse(SYNC_READ_REFUSED, "%s: cannot read key %d", path, i);
                break;
            }
            keys[i].row = Int32At(bytes);
            int32_t bits = Int32At(bytes + 4);
            memcpy(&keys[i].value, &bits, 4);
            keys[i].interpolation = bytes[8];
            if (const char* why = KeyRefusal(keys, i))
                result = Refuse(SYNC_READ_REFUSED, "%s: key %d (row %d): %s", path, i, keys[i].row, why);
        }
        if (result == 0)
            result = count;
    }
    fclose(file);
    return result;
}

// One key from a text line with its comment cut off; the reason when the
// line is not one.
static const char* ParseTextKey(char* line, SyncKey* key)
{
    char* end;
    errno = 0;
    long row = strtol(line, &end, 10);
    if (end == line)
        return "no row";
    if (errno == ERANGE || row < INT32_MIN || row > INT32_MAX)
        return "row out of range";
    char* at = end;
    key->row = int32_t(row);
    key->value = strtof(at, &end);
    if (end == at || (*end && !strchr(" \t\r\n", *end)))
        return "no value";
    if (!isfinite(key->value))
        return "value not finite";
    at = end + strspn(end, " \t\r\n");
    size_t length = strcspn(at, " \t\r\n");
    key->interpolation = SYNC_INTERPOLATION_COUNT;
    for (int i = 0; i < SYNC_INTERPOLATION_COUNT; ++i)
        if (length == strlen(syncInterpolationNames[i]) && strncmp(at, syncInterpolationNames[i], length) == 0)
            key->interpolation = uint8_t(i);
    if (key->interpolation == SYNC_INTERPOLATION_COUNT)
        return "interpolation not step, linear, smooth or ramp";
    at += length;
    if (at[strspn(at, " \t\r\n")])
        return "more after the interpolation";
    return nullptr;
}

int ReadSyncText(const char* path, SyncKey* keys, int limit)
{
    syncRefusal[0] = 0;
    FILE* file = OpenFileForReading(path);
    if (!file)
        return Refuse(SYNC_READ_MISSING, "%s: cannot open", path);
    char line[SYNC_LINE_SIZE];
    int count = 0;
    int result = 0;
    for (int number = 1; result == 0 && fgets(line, sizeof line, file); ++number) {
        size_t length = strlen(line);
        if (length == sizeof line - 1 && line[length - 1] != '\n' && !feof(file)) {
            result = Refuse(SYNC_READ_REFUSED, "%s:%d: line longer than %d bytes", path, number, SYNC_LINE_SIZE - 2);
            break;
        }
        if (char* comment = strchr(line, '#'))
            *comment = 0;
        if (!line[strspn(line, " \t\r\n")])
            continue;
        if (count == limit) {
            result = Refuse(SYNC_READ_NO_ROOM, "%s:%d: more than %d keys", path, number, limit);
            break;
        }
        const char* why = ParseTextKey(line, &keys[count]);
        if (!why)
            why = KeyRefusal(keys, count);
        if (why)
            result = Refuse(SYNC_READ_REFUSED, "%s:%d: %s", path, number, why);
        ++count;
    }
    fclose(file);
    return result == 0 ? count : result;
}

bool WriteSyncBinary(const char* path, const SyncKey* keys, int count)
{
    FILE* file = fopen(path, "wb");
    if (!file)
        return false;
    uint8_t bytes[BINARY_KEY_BYTES];
    PutInt32(bytes, uint32_t(count));
    bool written = fwrite(bytes, 1, 4, file) == 4;
    for (int i = 0; written && i < count; ++i) {
        PutInt32(bytes, uint32_t(keys[i].row));
        uint32_t bits;
        memcpy(&bits, &keys[i].value, 4);
        PutInt32(bytes + 4, bits);
        bytes[8] = keys[i].interpolation;
        written = fwrite(bytes, 1, BINARY_KEY_BYTES, file) == BINARY_KEY_BYTES;
    }
    return fclose(file) == 0 && written;
}

bool WriteSyncText(const char* path, const SyncKey* keys, int count)
{
    FILE* file = fopen(path, "w");
    if (!file)
        return false;
    // Nine digits bring every float back as it was.
    bool written = fprintf(file, "# row value interpolation\n") > 0;
    for (int i = 0; written && i < count; ++i)
        written = fprintf(file, "%d %.9g %s\n", keys[i].row, double(keys[i].value),
                          syncInterpolationNames[keys[i].interpolation % SYNC_INTERPOLATION_COUNT]) > 0;
    return fclose(file) == 0 && written;
}
