// Live code, the host's side: loads the demo's object, forwards the frame
// to it and swaps in a rebuilt one. See live.h.
#include "live/live.h"

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "diag/Debug.h"
#include "platform/platform.h"
#include "scene/scene.h"

#ifndef ORLATH_LIVE_OBJECT
#define ORLATH_LIVE_OBJECT "demo_live.so"
#endif

// A bare name would send the loader down its search path; the object is
// the working folder's.
const char* liveObjectPath = "." PLATFORM_PATH_SEPARATOR ORLATH_LIVE_OBJECT;
int liveSwapCount = 0;
double liveLastSwapMs = 0.0;

enum { LIVE_PATH_MAX = 1024 };

typedef int (*LiveRenderFrameCall)();
typedef bool (*LiveStartDemoCall)();
typedef void (*LiveStopDemoCall)();

struct LiveCode {
    HMODULE module;
    LiveRenderFrameCall renderFrame;
    LiveStartDemoCall startDemo;  // optional, as in a program built whole
    LiveStopDemoCall stopDemo;    // optional
    char copy[LIVE_PATH_MAX];     // the loaded copy while it cannot be deleted
};

// The object as it was when last looked at: its time and size.
struct LiveStamp {
    FILETIME written;
    DWORD sizeHigh;
    DWORD sizeLow;
};

static LiveCode running;
static LiveStamp runningStamp;
static LiveStamp refusedStamp;
static bool refused = false;
static unsigned copyCounter = 0;
static LONGLONG lastPoll = 0;

static void LiveSay(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

static void LiveSay(const char* format, ...)
{
    char line[REPORT_ENTRY_SIZE - 2];
    va_list args;
    va_start(args, format);
    vsnprintf(line, sizeof line, format, args);
    va_end(args);
    fprintf(stderr, "%s\n", line);
    ReportWrite("%s\n", line);
}

static double MillisecondsSince(const LARGE_INTEGER& start)
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return double(now.QuadPart - start.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

static bool ReadStamp(LiveStamp* stamp)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(liveObjectPath, GetFileExInfoStandard, &data))
        return false;
    stamp->written = data.ftLastWriteTime;
    stamp->sizeHigh = data.nFileSizeHigh;
    stamp->sizeLow = data.nFileSizeLow;
    return true;
}

static bool SameStamp(const LiveStamp& a, const LiveStamp& b)
{
    return a.written.dwLowDateTime == b.written.dwLowDateTime &&
           a.written.dwHighDateTime == b.written.dwHighDateTime && a.sizeHigh == b.sizeHigh &&
           a.sizeLow == b.sizeLow;
}

static unsigned long long ReadNumber(FILE* file, long offset, int bytes, bool* ok)
{
    unsigned char buffer[8] = {};
    if (fseek(file, offset, SEEK_SET) != 0 || fread(buffer, 1, size_t(bytes), file) != size_t(bytes))
        *ok = false;
    unsigned long long value = 0;
    for (int k = bytes - 1; k >= 0; --k)
        value = value << 8 | buffer[k];
    return value;
}

static unsigned long long Larger(unsigned long long a, unsigned long long b)
{
    return a > b ? a : b;
}

// The bytes an object's own headers say it has: past the section headers
// and every loaded segment (ELF), or every section's data (PE). A linker
// may write the file in any order, so a file shorter than this is still
// being written or was cut short; mapping it would fault on the missing
// pages. 0 when the headers themselves are cut short.
static unsigned long long NeededSize(FILE* file)
{
    bool ok = true;
    unsigned long long needed = 0;
    unsigned long long magic = ReadNumber(file, 0, 4, &ok);
    if (!ok)
        return 0;
    if (magic == 0x464C457Fu) {  // \x7F "ELF", little-endian
        bool wide = ReadNumber(file, 4, 1, &ok) == 2;
        int word = wide ? 8 : 4;
        unsigned long long programOffset = ReadNumber(file, wide ? 0x20 : 0x1C, word, &ok);
        unsigned long long sectionOffset = ReadNumber(file, wide ? 0x28 : 0x20, word, &ok);
        unsigned long long programSize = ReadNumber(file, wide ? 0x36 : 0x2A, 2, &ok);
        unsigned long long programCount = ReadNumber(file, wide ? 0x38 : 0x2C, 2, &ok);
        unsigned long long sectionSize = ReadNumber(file, wide ? 0x3A : 0x2E, 2, &ok);
        unsigned long long sectionCount = ReadNumber(file, wide ? 0x3C : 0x30, 2, &ok);
        needed = Larger(programOffset + programSize * programCount, sectionOffset + sectionSize * sectionCount);
        for (unsigned long long k = 0; ok && k < programCount; ++k) {
            long at = long(programOffset + k * programSize);
            unsigned long long offset = ReadNumber(file, at + (wide ? 8 : 4), word, &ok);
            unsigned long long size = ReadNumber(file, at + (wide ? 0x20 : 0x10), word, &ok);
            needed = Larger(needed, offset + size);
        }
    } else if ((magic & 0xFFFF) == 0x5A4D) {  // "MZ"
        long header = long(ReadNumber(file, 0x3C, 4, &ok));
        unsigned long long sectionCount = ReadNumber(file, header + 6, 2, &ok);
        long sections = header + 24 + long(ReadNumber(file, header + 20, 2, &ok));
        needed = (unsigned long long)sections + 40 * sectionCount;
        for (unsigned long long k = 0; ok && k < sectionCount; ++k) {
            long at = sections + long(40 * k);
            needed = Larger(needed, ReadNumber(file, at + 16, 4, &ok) + ReadNumber(file, at + 20, 4, &ok));
        }
    } else {
        return 1;  // not ours to judge: the loader says what it is
    }
    return ok ? needed : 0;
}

// Copies the object under a name of its own (the loader keeps one mapping
// per file, and Windows locks a loaded file against the next build) and
// loads the copy. Null, with the reason, when it cannot.
static bool LoadCode(LiveCode* code, const char** reason)
{
    memset(code, 0, sizeof *code);
    // name.N-TICKS.so beside name.so: the extension stays, as LoadLibrary wants.
    const char* dot = strrchr(liveObjectPath, '.');
    const char* folder = strrchr(liveObjectPath, PLATFORM_PATH_SEPARATOR[0]);
    size_t stem = dot && (!folder || dot > folder) ? size_t(dot - liveObjectPath) : strlen(liveObjectPath);
    bool copied = false;
    for (int attempt = 0; attempt < 16 && !copied; ++attempt) {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        snprintf(code->copy, sizeof code->copy, "%.*s.%u-%x%s", int(stem), liveObjectPath, ++copyCounter,
                 unsigned(now.QuadPart & 0xFFFFFF), liveObjectPath + stem);
        copied = CopyFileA(liveObjectPath, code->copy, TRUE) != 0;
    }
    if (!copied) {
        *reason = "cannot be copied";
        return false;
    }
    FILE* file = fopen(code->copy, "rb");
    unsigned long long needed = file ? NeededSize(file) : 0;
    long size = file && fseek(file, 0, SEEK_END) == 0 ? ftell(file) : -1;
    if (file)
        fclose(file);
    if (needed == 0 || size < 0 || (unsigned long long)size < needed) {
        DeleteFileA(code->copy);
        *reason = "is incomplete (cut short, or still being written)";
        return false;
    }
    code->module = LoadLibraryA(code->copy);
    // Gone from the folder at once where the system allows it (the mapping
    // stays); elsewhere once it is unloaded.
    if (DeleteFileA(code->copy))
        code->copy[0] = 0;
    if (!code->module) {
        if (code->copy[0])
            DeleteFileA(code->copy);
        *reason = "does not load";
        return false;
    }
    // The demo's functions under their C++ names, as GCC and Clang on
    // Linux and MinGW make them.
    code->renderFrame = (LiveRenderFrameCall)(void*)GetProcAddress(code->module, "_Z11RenderFramev");
    code->startDemo = (LiveStartDemoCall)(void*)GetProcAddress(code->module, "_Z9StartDemov");
    code->stopDemo = (LiveStopDemoCall)(void*)GetProcAddress(code->module, "_Z8StopDemov");
    if (!code->renderFrame) {
        FreeLibrary(code->module);
        if (code->copy[0])
            DeleteFileA(code->copy);
        memset(code, 0, sizeof *code);
        *reason = "has no RenderFrame";
        return false;
    }
    return true;
}

static void FreeCode(LiveCode* code)
{
    if (code->module)
        FreeLibrary(code->module);
    if (code->copy[0])
        DeleteFileA(code->copy);
    memset(code, 0, sizeof *code);
}

// A copy the system would not delete while loaded goes at the process's
// end, so that none piles up beside the program. No StopDemo: the GL
// context may be gone by then.
static void DropCopyAtExit()
{
    if (running.copy[0]) {
        FreeLibrary(running.module);
        DeleteFileA(running.copy);
    }
}

bool LiveStartDemo()
{
    static bool dropRegistered = false;
    if (!dropRegistered)
        dropRegistered = atexit(DropCopyAtExit) == 0;
    if (!running.module) {
        const char* reason = "";
        LiveStamp stamp;
        if (!ReadStamp(&stamp)) {
            LiveSay("Live code: %s is missing", liveObjectPath);
            return false;
        }
        if (!LoadCode(&running, &reason)) {
            LiveSay("Live code: %s %s", liveObjectPath, reason);
            return false;
        }
        runningStamp = stamp;
        refused = false;
    }
    return running.startDemo ? running.startDemo() : true;
}

bool LiveCheck()
{
    LiveStamp stamp;
    if (!running.module || !ReadStamp(&stamp) || SameStamp(stamp, runningStamp) ||
        (refused && SameStamp(stamp, refusedStamp)))
        return false;
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    refused = true;
    refusedStamp = stamp;

    LiveCode next;
    const char* reason = "";
    if (!LoadCode(&next, &reason)) {
        LiveSay("Live code: %s %s; the running code goes on", liveObjectPath, reason);
        return false;
    }
    if (running.stopDemo)
        running.stopDemo();
    if (next.startDemo && !next.startDemo()) {
        FreeCode(&next);
        // The old code picks up again in the same context.
        if (running.startDemo)
            running.startDemo();
        LiveSay("Live code: %s: StartDemo failed; the running code goes on", liveObjectPath);
        return false;
    }
    FreeCode(&running);
    running = next;
    runningStamp = stamp;
    refused = false;
    ++liveSwapCount;
    liveLastSwapMs = MillisecondsSince(start);
    LiveSay("Live code: %s swapped in (%.1f ms)", liveObjectPath, liveLastSwapMs);
    return true;
}

void LiveUnload()
{
    if (running.stopDemo)
        running.stopDemo();
    FreeCode(&running);
    refused = false;
}

// The loop's frame: a look at the object now and then, then the running
// code's frame.
int RenderFrame()
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    if (now.QuadPart - lastPoll >= frequency.QuadPart * LIVE_POLL_MS / 1000) {
        lastPoll = now.QuadPart;
        LiveCheck();
    }
    return running.renderFrame ? running.renderFrame() : 1;
}
