// The command line of orlath-capture: options, their checks and the usage.
// Every refusal happens here, before the program starts or anything is
// written. Limits: paths up to 4 KiB.
#include <dirent.h>
#include <errno.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/capture_pipe.h"
#include "tools/capture/capture.h"

CaptureOptions options;

static const char usage[] =
    "Usage: orlath-capture [OPTIONS] [--] PROGRAM [ARGUMENTS...]\n"
    "Runs PROGRAM (any program on the Orlath shell) with its clock and buffer\n"
    "swaps owned by the capture: frame k is drawn at exactly k / FPS seconds,\n"
    "and every frame is written out, however long it takes to draw.\n"
    "\n"
    "  --fps F        frames per second of the capture clock (default 60; 0 < F <= 1000)\n"
    "  --seconds S    capture S seconds: S x F frames (default 10)\n"
    "  --frames N     capture N frames (1..1000000), instead of --seconds\n"
    "  --out PATH     a folder (DIR/) for DIR/frame-000000.png ..., or a video\n"
    "                 FILE.mp4, FILE.mkv or FILE.webm made by ffmpeg (default capture/)\n"
    "  --force        write into a folder that is not empty (its earlier frame-NNNNNN.png\n"
    "                 and soundtrack.wav go first), or replace an existing video (and\n"
    "                 its FILE.part)\n"
    "  --display      draw on the X display rather than headless\n"
    "  --timeout T    stop a program that shows no frame for T seconds (default 30)\n"
    "  -h, --help     this text\n"
    "\n"
    "The program runs windowed at its own size (640x480 for the shell) on SDL's\n"
    "offscreen driver, answers its Yes/No start question No, prints other\n"
    "message boxes on standard error, and gets Escape after the last frame.\n"
    "What it plays goes with the frames, on the same clock: into the video (AAC in\n"
    ".mp4, FLAC in .mkv, Vorbis in .webm), or beside PNG frames as soundtrack.wav.\n"
    "Exit status: 0 when every frame was written; 1 when the program ended\n"
    "before the last frame (its status is said), sent a frame out of turn or\n"
    "writing failed; 2 for a wrong command line; 124 when it showed no frame\n"
    "for T seconds; 130 when the capture was interrupted.\n";

static int Refuse(const char* format, const char* detail)
{
    fprintf(stderr, "orlath-capture: ");
    fprintf(stderr, format, detail);
    fprintf(stderr, "\nTry 'orlath-capture --help'.\n");
    return EXIT_USAGE;
}

// A plain decimal: digits with at most one point, no sign or exponent.
static bool ParseDecimal(const char* text, double* value)
{
    int digits = 0, points = 0;
    for (const char* c = text; *c; ++c) {
        if (*c >= '0' && *c <= '9')
            ++digits;
        else if (*c == '.')
            ++points;
        else
            return false;
    }
    if (digits == 0 || points > 1)
        return false;
    *value = strtod(text, nullptr);
    return isfinite(*value);
}

bool FindProgram(const char* name, char* path, int pathSize)
{
    struct stat info;
    if (strchr(name, '/')) {
        snprintf(path, (size_t)pathSize, "%s", name);
        return stat(path, &info) == 0 && S_ISREG(info.st_mode) && access(path, X_OK) == 0;
    }
    const char* searchPath = getenv("PATH");
    if (!searchPath || !*name)
        return false;
    const char* start = searchPath;
    while (true) {
        const char* end = strchr(start, ':');
        int length = end ? (int)(end - start) : (int)strlen(start);
        // An empty entry means the current folder.
        snprintf(path, (size_t)pathSize, "%.*s/%s", length, length ? start : ".", name);
        if (stat(path, &info) == 0 && S_ISREG(info.st_mode) && access(path, X_OK) == 0)
            return true;
        if (!end)
            return false;
        start = end + 1;
    }
}

static bool FolderIsEmpty(const char* folder)
{
    DIR* dir = opendir(folder);
    if (!dir)
        return false;
    bool empty = true;
    while (dirent* entry = readdir(dir))
        if (strcmp(entry->d_name, ".") != 0 && strcmp(entry->d_name, "..") != 0)
            empty = false;
    closedir(dir);
    return empty;
}

// The folder that holds path ("." when it names none).
static void ParentOf(const char* path, char* parent, int size)
{
    snprintf(parent, (size_t)size, "%s", path);
    char* slash = strrchr(parent, '/');
    if (!slash)
        snprintf(parent, (size_t)size, ".");
    else if (slash == parent)
        slash[1] = '\0';
    else
        *slash = '\0';
}

static bool IsFolder(const char* path)
{
    struct stat info;
    return stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

static int CheckOutput()
{
    const char* out = options.out;
    size_t length = strlen(out);
    if (length == 0 || length >= PATH_CAP - 32)
        return Refuse("--out needs a folder or a video file%s", "");
    const char* name = strrchr(out, '/');
    name = name ? name + 1 : out;
    const char* dot = strrchr(name, '.');
    static const char* const videoFormats[][2] = {{"mp4", "mp4"}, {"mkv", "matroska"}, {"webm", "webm"}};
    bool folder = out[length - 1] == '/' || !dot || dot == name || IsFolder(out);
    if (!folder) {
        options.kind = OUTPUT_VIDEO;
        for (const auto& format : videoFormats)
            if (strcasecmp(dot + 1, format[0]) == 0)
                snprintf(options.videoFormat, sizeof options.videoFormat, "%s", format[1]);
        if (!options.videoFormat[0])
            return Refuse("unknown extension of --out %s: a folder ends with /, a video is .mp4, .mkv or .webm",
                          out);
        char parent[PATH_CAP];
        ParentOf(out, parent, sizeof parent);
        if (!IsFolder(parent))
            return Refuse("no folder %s to write the video in", parent);
        struct stat info;
        if (lstat(out, &info) == 0 && !options.force)
            return Refuse("%s exists (--force replaces it)", out);
        char partPath[PATH_CAP + 8];
        snprintf(partPath, sizeof partPath, "%s.part", out);
        if (lstat(partPath, &info) == 0 && !options.force)
            return Refuse("%s exists, perhaps left by an earlier capture (--force removes it)", partPath);
        if (!FindProgram("ffmpeg", options.ffmpegPath, sizeof options.ffmpegPath))
            return Refuse("a video needs the ffmpeg program, which is not on PATH (install ffmpeg, or write "
                          "PNG frames with --out DIR/)%s", "");
        return -1;
    }
    options.kind = OUTPUT_FRAMES;
    snprintf(options.folder, sizeof options.folder, "%s", out);
    for (size_t end = strlen(options.folder); end > 1 && options.folder[end - 1] == '/'; --end)
        options.folder[end - 1] = '\0';
    struct stat info;
    if (stat(options.folder, &info) == 0) {
        if (!S_ISDIR(info.st_mode))
            return Refuse("%s is a file, not a folder", options.folder);
        if (!options.force && !FolderIsEmpty(options.folder))
            return Refuse("%s is not empty (--force writes into it)", options.folder);
        return -1;
    }
    char parent[PATH_CAP];
    ParentOf(options.folder, parent, sizeof parent);
    if (!IsFolder(parent))
        return Refuse("no folder %s to make the frame folder in", parent);
    return -1;
}

int ParseOptions(int argc, char** argv)
{
    memset(&options, 0, sizeof options);
    const char* fpsText = "60";
    const char* secondsText = nullptr;
    const char* framesText = nullptr;
    const char* timeoutText = nullptr;
    options.out = "capture/";
    int i = 1;
    for (; i < argc; ++i) {
        const char* arg = argv[i];
        if (strcmp(arg, "--") == 0) {
            ++i;
            break;
        }
        if (arg[0] != '-')
            break;
        if (strcmp(arg, "-h") == 0 || strcmp(arg, "--help") == 0) {
            fputs(usage, stdout);
            return 0;
        }
        if (strcmp(arg, "--force") == 0) {
            options.force = true;
            continue;
        }
        if (strcmp(arg, "--display") == 0) {
            options.display = true;
            continue;
        }
        const char** value = strcmp(arg, "--fps") == 0       ? &fpsText
                             : strcmp(arg, "--seconds") == 0 ? &secondsText
                             : strcmp(arg, "--frames") == 0  ? &framesText
                             : strcmp(arg, "--timeout") == 0 ? &timeoutText
                             : strcmp(arg, "--out") == 0     ? &options.out
                                                             : nullptr;
        if (!value)
            return Refuse("unknown option %s", arg);
        if (i + 1 >= argc)
            return Refuse("%s needs a value", arg);
        *value = argv[++i];
    }

    if (i >= argc)
        return Refuse("no program to capture: put it after the options, as in: orlath-capture --frames 30 -- "
                      "./orlath%s", "");
    options.programArgs = argv + i;
    if (!FindProgram(argv[i], options.programPath, sizeof options.programPath))
        return Refuse("no program %s: not found, or not an executable file", argv[i]);

    if (!ParseDecimal(fpsText, &options.fps) || !(options.fps > 0.0) || options.fps > 1000.0 ||
        strlen(fpsText) >= sizeof options.fpsText)
        return Refuse("--fps must be a number above 0 and at most 1000, not %s", fpsText);
    snprintf(options.fpsText, sizeof options.fpsText, "%s", fpsText);

    if (framesText && secondsText)
        return Refuse("give --frames or --seconds, not both%s", "");
    if (framesText) {
        char* end = nullptr;
        errno = 0;
        long frames = strtol(framesText, &end, 10);
        if (errno || *end || framesText[0] < '0' || framesText[0] > '9' || frames < 1 || frames > CAPTURE_MAX_FRAMES)
            return Refuse("--frames must be a whole number from 1 to 1000000, not %s", framesText);
        options.frames = frames;
    } else {
        double seconds = 10.0;
        if (secondsText && !ParseDecimal(secondsText, &seconds))
            return Refuse("--seconds must be a number of seconds, not %s", secondsText);
        double frames = floor(seconds * options.fps + 0.5);
        if (frames < 1.0 || frames > CAPTURE_MAX_FRAMES)
            return Refuse("--seconds x --fps must come to 1 to 1000000 frames (%s s would not)",
                          secondsText ? secondsText : "10");
        options.frames = (long)frames;
    }

    if (options.display && !getenv("DISPLAY") && !getenv("WAYLAND_DISPLAY"))
        return Refuse("--display needs a display, and neither DISPLAY nor WAYLAND_DISPLAY is set%s", "");

    options.timeoutSeconds = 30.0;
    if (timeoutText && (!ParseDecimal(timeoutText, &options.timeoutSeconds) || options.timeoutSeconds <= 0.0))
        return Refuse("--timeout must be a number of seconds above 0, not %s", timeoutText);
    return CheckOutput();
}
