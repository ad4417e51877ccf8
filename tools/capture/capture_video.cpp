// The video writer of orlath-capture: raw RGB frames piped into the ffmpeg
// program, which encodes in its own process beside the program's drawing.
// ffmpeg writes NAME.part (the container named explicitly, since the
// extension no longer says it), renamed to NAME only when ffmpeg finished
// well; otherwise nothing is left. The capture makes NAME.part itself, new
// and not through a link, and hands it to ffmpeg as /dev/fd/3, since
// ffmpeg's own open would write through whatever has that name; one that an
// earlier capture left is removed only under --force. ffmpeg runs in a
// process group of its own, so Ctrl+C reaches the capture, which then ends
// the video cleanly.
// With a soundtrack, a second ffmpeg run muxes it in once the picture is
// complete: the picture is copied from the finished NAME.part, which stays
// open while its name is taken by a new NAME.part for the whole. The sound
// codecs are those whose start ffmpeg keeps exact: AAC in .mp4 (the edit
// list it writes skips the encoder's priming), FLAC in .mkv and Vorbis in
// .webm (Opus there came out 7 ms off the picture).
// Limits: H.264 in .mp4 and .mkv, VP9 in .webm, 4:2:0 (odd sizes padded).
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <sys/uio.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tools/capture/capture.h"

enum { ROWS_PER_WRITE = 512 };

static pid_t ffmpegPid = -1;
static int ffmpegInput = -1;
static int pictureFd = -1;  // NAME.part, kept open to be read for the mux
static char videoFormat[16];
static char finalPath[PATH_CAP];
static char partPath[PATH_CAP + 8];
static long videoFrames = 0;

void BuildMuxArgs(const char* ffmpeg, const char* format, const char* pictureIn, const char* soundIn,
                  const char* outPath, const char** args)
{
    int n = 0;
    const char* common[] = {ffmpeg, "-hide_banner", "-loglevel", "error", "-nostdin", "-i", pictureIn, "-i", soundIn,
                            "-map", "0:v", "-map", "1:a", "-c:v", "copy"};
    for (const char* arg : common)
        args[n++] = arg;
    const char* mp4[] = {"-c:a", "aac", "-b:a", "192k"};
    const char* matroska[] = {"-c:a", "flac"};
    const char* webm[] = {"-c:a", "libvorbis", "-q:a", "6"};
    if (strcmp(format, "mp4") == 0)
        for (const char* arg : mp4)
            args[n++] = arg;
    else if (strcmp(format, "webm") == 0)
        for (const char* arg : webm)
            args[n++] = arg;
    else
        for (const char* arg : matroska)
            args[n++] = arg;
    const char* tail[] = {"-f", format, "-y", outPath};
    for (const char* arg : tail)
        args[n++] = arg;
    args[n] = nullptr;
}

// Runs ffmpeg with the descriptors given as its 3, 4, ...; its status.
static int RunFfmpeg(const char* const* args, const int* fds, int fdCount)
{
    pid_t pid = fork();
    if (pid < 0) {
        fprintf(stderr, "orlath-capture: cannot start ffmpeg: %s\n", strerror(errno));
        return -1;
    }
    if (pid == 0) {
        setpgid(0, 0);
        // Out of the way first, so that no dup2 below lands on one still to be placed.
        int high[8];
        for (int k = 0; k < fdCount; ++k)
            high[k] = fcntl(fds[k], F_DUPFD, 16);
        for (int k = 0; k < fdCount; ++k)
            dup2(high[k], 3 + k);
        execv(options.ffmpegPath, (char* const*)args);
        _exit(127);
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// NAME.part (the picture) becomes the picture and the soundtrack together.
static bool MuxSound(int soundFd)
{
    if (unlink(partPath) != 0) {
        fprintf(stderr, "orlath-capture: cannot remove %s: %s\n", partPath, strerror(errno));
        return false;
    }
    int outFd = open(partPath, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (outFd < 0) {
        fprintf(stderr, "orlath-capture: cannot make %s: %s\n", partPath, strerror(errno));
        return false;
    }
    const char* args[64];
    BuildMuxArgs(options.ffmpegPath, videoFormat, "/dev/fd/4", "/dev/fd/5", "/dev/fd/3", args);
    int fds[3] = {outFd, pictureFd, soundFd};
    int status = RunFfmpeg(args, fds, 3);
    close(outFd);
    if (status != 0)
        fprintf(stderr, "orlath-capture: ffmpeg failed to add the soundtrack (status %d); no video written\n", status);
    return status == 0;
}

void BuildVideoArgs(const char* ffmpeg, const char* format, int width, int height, const char* fps,
                    const char* outPath, char storage[][64], const char** args)
{
    snprintf(storage[0], 64, "%dx%d", width, height);
    int n = 0;
    const char* common[] = {ffmpeg, "-hide_banner", "-loglevel", "error", "-nostdin", "-f", "rawvideo",
                            "-pix_fmt", "rgb24", "-video_size", storage[0], "-framerate", fps, "-i", "pipe:0",
                            "-vf", "pad=ceil(iw/2)*2:ceil(ih/2)*2", "-pix_fmt", "yuv420p"};
    for (const char* arg : common)
        args[n++] = arg;
    if (strcmp(format, "webm") == 0) {
        const char* vp9[] = {"-c:v", "libvpx-vp9", "-deadline", "realtime", "-cpu-used", "8", "-row-mt", "1",
                             "-crf", "30", "-b:v", "0"};
        for (const char* arg : vp9)
            args[n++] = arg;
    } else {
        const char* h264[] = {"-c:v", "libx264", "-preset", "veryfast", "-crf", "18"};
        for (const char* arg : h264)
            args[n++] = arg;
    }
    const char* tail[] = {"-f", format, "-y", outPath};
    for (const char* arg : tail)
        args[n++] = arg;
    args[n] = nullptr;
}

bool StartVideoWriter(const char* path, const char* format, int width, int height)
{
    snprintf(finalPath, sizeof finalPath, "%s", path);
    snprintf(partPath, sizeof partPath, "%s.part", path);
    char storage[1][64];
    const char* args[64];
    BuildVideoArgs(options.ffmpegPath, format, width, height, options.fpsText, "/dev/fd/3", storage, args);
    if (options.force && unlink(partPath) != 0 && errno != ENOENT) {
        fprintf(stderr, "orlath-capture: cannot remove %s: %s\n", partPath, strerror(errno));
        return false;
    }
    int partFd = open(partPath, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (partFd < 0) {
        fprintf(stderr, "orlath-capture: cannot make %s: %s\n", partPath, strerror(errno));
        return false;
    }
    snprintf(videoFormat, sizeof videoFormat, "%s", format);
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) {
        fprintf(stderr, "orlath-capture: no pipe for ffmpeg: %s\n", strerror(errno));
        close(partFd);
        unlink(partPath);
        return false;
    }
    fcntl(pipeFds[1], F_SETPIPE_SZ, 1 << 20);
    pid_t pid = fork();
    if (pid < 0) {
        fprintf(stderr, "orlath-capture: cannot start ffmpeg: %s\n", strerror(errno));
        close(pipeFds[0]);
        close(pipeFds[1]);
        close(partFd);
        unlink(partPath);
        return false;
    }
    if (pid == 0) {
        setpgid(0, 0);
        signal(SIGPIPE, SIG_DFL);
        dup2(pipeFds[0], 0);
        if (partFd == 3)
            fcntl(3, F_SETFD, 0);
        else
            dup2(partFd, 3);
        execv(options.ffmpegPath, (char* const*)args);
        fprintf(stderr, "orlath-capture: cannot run %s: %s\n", options.ffmpegPath, strerror(errno));
        _exit(127);
    }
    close(pipeFds[0]);
    pictureFd = partFd;
    ffmpegPid = pid;
    ffmpegInput = pipeFds[1];
    videoFrames = 0;
    return true;
}

bool WriteVideoFrame(const unsigned char* pixels, int width, int height)
{
    if (ffmpegInput < 0)
        return false;
    // Rows go top first, straight from the bottom-up frame.
    size_t rowBytes = (size_t)width * 3;
    iovec rows[ROWS_PER_WRITE];
    int row = 0;
    while (row < height) {
        int count = 0;
        for (; count < ROWS_PER_WRITE && row + count < height; ++count) {
            rows[count].iov_base = (void*)(pixels + (size_t)(height - 1 - row - count) * rowBytes);
            rows[count].iov_len = rowBytes;
        }
        int first = 0;
        while (first < count) {
            ssize_t written = writev(ffmpegInput, rows + first, count - first);
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0) {
                fprintf(stderr, "orlath-capture: ffmpeg stopped taking frames (%s)\n", strerror(errno));
                close(ffmpegInput);
                ffmpegInput = -1;
                return false;
            }
            // Skip the rows written whole, and the written part of the next.
            size_t left = (size_t)written;
            while (first < count && left >= rows[first].iov_len)
                left -= rows[first++].iov_len;
            if (first < count) {
                rows[first].iov_base = (char*)rows[first].iov_base + left;
                rows[first].iov_len -= left;
            }
        }
        row += count;
    }
    ++videoFrames;
    return true;
}

long VideoFramesWritten()
{
    return videoFrames;
}

bool FinishVideoWriter(bool keep)
{
    if (ffmpegPid < 0)
        return true;
    if (ffmpegInput >= 0)
        close(ffmpegInput);
    ffmpegInput = -1;
    int status = 0;
    while (waitpid(ffmpegPid, &status, 0) < 0 && errno == EINTR) {
    }
    ffmpegPid = -1;
    bool ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (!ok)
        fprintf(stderr, "orlath-capture: ffmpeg failed (status %d); no video written\n",
                WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
    if (ok && keep && videoFrames > 0 && SoundFile() >= 0)
        ok = MuxSound(SoundFile());
    if (pictureFd >= 0)
        close(pictureFd);
    pictureFd = -1;
    if (ok && keep && videoFrames > 0) {
        if (rename(partPath, finalPath) == 0)
            return true;
        fprintf(stderr, "orlath-capture: cannot name %s: %s\n", finalPath, strerror(errno));
        ok = false;
    }
    unlink(partPath);
    return ok;
}
