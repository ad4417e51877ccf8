// orlath-capture: frame-exact capture of a program on the shell.
//
//   orlath-capture --fps 60 --seconds 10 --out capture/ -- ./orlath
//   orlath-capture --fps 60 --seconds 10 --out demo.mp4 -- ./orlath
//   orlath-capture --frames 30 --out pages/ -- ./gallery
//
// The program runs with the layer's capture mode on (capture_pipe.h): its
// clock moves one frame per swap and each swapped frame arrives here on a
// pipe, to be written as PNG files by worker threads or piped into ffmpeg,
// and the sound it plays, if any, with them (capture_sound.cpp).
// A program that shows no frame for --timeout seconds (one that never swaps,
// or hangs) is stopped and the capture exits with 124; one that has not
// ended that long after the Escape that follows its last frame is stopped
// too, the capture being complete. The program runs in a process group of
// its own, the capture being the subreaper of what it leaves behind, so
// stopping it stops everything it started, and nothing of it outlives the
// capture. The frames written so far are kept whenever the run ends early.
// Needs: Linux (fork, pipes, poll). See --help for the options and statuses.
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <thread>

#include "platform/capture_pipe.h"
#include "tools/capture/capture.h"

enum Outcome { OUTCOME_DONE, OUTCOME_ENDED, OUTCOME_TIMEOUT, OUTCOME_INTERRUPTED, OUTCOME_WRITE_FAILED,
               OUTCOME_BAD_FRAME, OUTCOME_FRAME_OUT_OF_TURN };
enum ReadResult { READ_OK, READ_END, READ_TIMEOUT, READ_INTERRUPTED, READ_ERROR };
enum { EXIT_INTERRUPTED = 130, STOP_GRACE_MS = 2000 };

static volatile sig_atomic_t interrupted = 0;
static pid_t childPid = -1;
static int childStatus = 0;  // as waitpid gives it, once the program has ended
static bool childEnded = false;
static bool groupEnded = false;
static int framePipe = -1;

static double Now()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (double)now.tv_sec + now.tv_nsec * 1e-9;
}

static void NoteInterrupt(int)
{
    interrupted = 1;
}

static bool StartProgram()
{
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        fprintf(stderr, "orlath-capture: no pipe: %s\n", strerror(errno));
        return false;
    }
    // Room for a whole 640x480 frame, so the program can go on drawing
    // while the last one is still being taken in.
    fcntl(fds[1], F_SETPIPE_SZ, 1 << 20);
    char fdText[16], framesText[16];
    snprintf(fdText, sizeof fdText, "%d", fds[1]);
    snprintf(framesText, sizeof framesText, "%ld", options.frames);
    pid_t pid = fork();
    if (pid < 0) {
        fprintf(stderr, "orlath-capture: cannot start %s: %s\n", options.programArgs[0], strerror(errno));
        return false;
    }
    if (pid == 0) {
        setpgid(0, 0);
        signal(SIGPIPE, SIG_DFL);
        fcntl(fds[1], F_SETFD, 0);
        setenv(CAPTURE_ENV_FD, fdText, 1);
        setenv(CAPTURE_ENV_FPS, options.fpsText, 1);
        setenv(CAPTURE_ENV_FRAMES, framesText, 1);
        if (!options.display)
            setenv("SDL_VIDEODRIVER", "offscreen", 1);
        execv(options.programPath, options.programArgs);
        fprintf(stderr, "orlath-capture: cannot run %s: %s\n", options.programPath, strerror(errno));
        _exit(127);
    }
    // Set on both sides, so the group exists whichever runs first.
    setpgid(pid, pid);
    close(fds[1]);
    childPid = pid;
    framePipe = fds[0];
    return true;
}

// True when the program ended within the time (its status kept); false
// at once on an interrupt.
static bool WaitForProgram(double seconds)
{
    double deadline = Now() + seconds;
    while (!childEnded) {
        pid_t done = waitpid(childPid, &childStatus, WNOHANG);
        if (done == childPid || (done < 0 && errno == ECHILD)) {
            childEnded = true;
            break;
        }
        if (Now() >= deadline || interrupted)
            return false;
        usleep(5000);
    }
    return true;
}

// True once no child of the capture is left in the program's group (what
// the program leaves behind becomes the capture's child).
static bool ReapGroup(double seconds)
{
    double deadline = Now() + seconds;
    while (true) {
        int status = 0;
        pid_t done = waitpid(-childPid, &status, WNOHANG);
        if (done == childPid) {
            childStatus = status;
            childEnded = true;
        }
        if (done < 0 && errno == ECHILD)
            return true;
        if (done > 0)
            continue;
        if (Now() >= deadline)
            return false;
        usleep(5000);
    }
}

// Stops the program, if it still runs, and whatever it started.
static void EndGroup()
{
    if (groupEnded)
        return;
    groupEnded = true;
    if (kill(-childPid, SIGTERM) != 0)
        return;
    // A stopped process would keep the SIGTERM pending.
    kill(-childPid, SIGCONT);
    if (!ReapGroup(STOP_GRACE_MS / 1000.0)) {
        kill(-childPid, SIGKILL);
        ReapGroup(3600.0);
    }
}

static ReadResult ReadFull(void* data, size_t size, double deadline)
{
    char* bytes = (char*)data;
    size_t got = 0;
    while (got < size) {
        if (interrupted)
            return READ_INTERRUPTED;
        double left = deadline - Now();
        if (left <= 0.0)
            return READ_TIMEOUT;
        pollfd ready = {framePipe, POLLIN, 0};
        int polled = poll(&ready, 1, left > 0.1 ? 100 : (int)(left * 1000.0) + 1);
        if (polled < 0 && errno != EINTR)
            return READ_ERROR;
        if (polled == 0 && WaitForProgram(0.0)) {
            // Something it started may hold the pipe open, so its end is
            // not seen there; what it wrote is all in the pipe by now.
            if (poll(&ready, 1, 0) == 0)
                return READ_END;
        }
        if (polled <= 0)
            continue;
        ssize_t n = read(framePipe, bytes + got, size - got);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n < 0)
            return READ_ERROR;
        if (n == 0)
            return READ_END;
        got += (size_t)n;
    }
    return READ_OK;
}

// Why a read that did not deliver ended the capture.
static Outcome OutcomeOfRead(ReadResult result)
{
    return result == READ_END           ? OUTCOME_ENDED
           : result == READ_TIMEOUT     ? OUTCOME_TIMEOUT
           : result == READ_INTERRUPTED ? OUTCOME_INTERRUPTED
                                        : OUTCOME_BAD_FRAME;
}

static bool soundWriteFailed = false;

// The rest of a sound record whose first bytes are in `start`, laid on the
// soundtrack. READ_ERROR for a malformed record or a failed write.
static ReadResult ReadSound(const CaptureFrameHeader& start, double deadline, bool outputReady)
{
    static_assert(sizeof(CaptureSoundHeader) > sizeof(CaptureFrameHeader), "a sound header is the longer");
    static short* samples = nullptr;
    static size_t sampleBytes = 0;
    CaptureSoundHeader header;
    memcpy(&header, &start, sizeof start);
    ReadResult result = ReadFull((char*)&header + sizeof start, sizeof header - sizeof start, deadline);
    if (result != READ_OK)
        return result;
    if (header.rate < 1 || header.rate > CAPTURE_MAX_RATE || header.channels < 1 || header.channels > 2 ||
        header.frames > CAPTURE_MAX_SOUND_FRAMES)
        return READ_ERROR;
    size_t bytes = (size_t)header.frames * header.channels * sizeof(short);
    if (sampleBytes < bytes) {
        free(samples);
        samples = (short*)malloc(bytes);
        sampleBytes = samples ? bytes : 0;
        if (!samples)
            return READ_ERROR;
    }
    result = ReadFull(samples, bytes, deadline);
    if (result == READ_OK && !TakeSound(header, samples, outputReady, options.out)) {
        soundWriteFailed = true;
        return READ_ERROR;
    }
    return result;
}

static void ShowProgress(long done, double firstFrameAt, bool tty)
{
    static double shownAt = 0.0;
    double now = Now();
    if (!tty || (now - shownAt < 0.1 && done < options.frames))
        return;
    shownAt = now;
    double rate = done > 0 && now > firstFrameAt ? done / (now - firstFrameAt) : 0.0;
    char left[32] = "?";
    if (rate > 0.0) {
        long seconds = (long)((options.frames - done) / rate + 0.5);
        snprintf(left, sizeof left, "%ld:%02ld", seconds / 60, seconds % 60);
    }
    fprintf(stderr, "\r%ld/%ld frames  %.1f fps  %s left\033[K", done, options.frames, rate, left);
    fflush(stderr);
}

static long FramesWritten()
{
    return options.kind == OUTPUT_FRAMES ? PngFramesWritten() : VideoFramesWritten();
}

static void SayStatus(char* text, size_t size, int status)
{
    if (WIFSIGNALED(status))
        snprintf(text, size, "was killed by signal %d (%s)", WTERMSIG(status), strsignal(WTERMSIG(status)));
    else
        snprintf(text, size, "ended with status %d", WEXITSTATUS(status));
}

int main(int argc, char** argv)
{
    int parsed = ParseOptions(argc, argv);
    if (parsed >= 0)
        return parsed;

    // A writer that goes away shows as a failed write, not a dead capture.
    signal(SIGPIPE, SIG_IGN);
    struct sigaction onInterrupt = {};
    onInterrupt.sa_handler = NoteInterrupt;
    sigaction(SIGINT, &onInterrupt, nullptr);
    sigaction(SIGTERM, &onInterrupt, nullptr);
    prctl(PR_SET_CHILD_SUBREAPER, 1);

    if (!StartProgram())
        return 1;
    const char* program = options.programArgs[0];
    bool tty = isatty(2) == 1;
    int workers = (int)std::thread::hardware_concurrency();
    Outcome outcome = OUTCOME_DONE;
    long received = 0;
    int width = 0, height = 0;
    bool writerStarted = false;
    double firstFrameAt = 0.0;
    unsigned char* videoFrame = nullptr;
    long videoFrameBytes = 0;
    uint32_t outOfTurn = 0;

    while (received < options.frames) {
        CaptureFrameHeader header;
        double deadline = Now() + options.timeoutSeconds;
        ReadResult result = ReadFull(&header, sizeof header, deadline);
        if (result == READ_OK && memcmp(header.magic, "ORLS", 4) == 0) {
            result = ReadSound(header, deadline, writerStarted);
            if (result == READ_OK)
                continue;
            outcome = result == READ_ERROR && soundWriteFailed ? OUTCOME_WRITE_FAILED : OutcomeOfRead(result);
            break;
        }
        if (result == READ_OK &&
            (memcmp(header.magic, "ORLF", 4) != 0 || header.width < 1 || header.width > CAPTURE_MAX_SIDE ||
             header.height < 1 || header.height > CAPTURE_MAX_SIDE))
            result = READ_ERROR;
        if (result != READ_OK) {
            outcome = OutcomeOfRead(result);
            break;
        }
        // A skipped or repeated frame would leave a gap or write a frame twice.
        if (header.index != (uint32_t)received) {
            outOfTurn = header.index;
            outcome = OUTCOME_FRAME_OUT_OF_TURN;
            break;
        }
        if (!writerStarted) {
            writerStarted = true;
            width = (int)header.width;
            height = (int)header.height;
            firstFrameAt = Now();
            bool started = options.kind == OUTPUT_FRAMES
                               ? StartPngWriter(options.folder, workers)
                               : StartVideoWriter(options.out, options.videoFormat, width, height);
            if (!started) {
                outcome = OUTCOME_WRITE_FAILED;
                break;
            }
        }
        long bytes = (long)header.width * header.height * 3;
        unsigned char* pixels;
        if (options.kind == OUTPUT_FRAMES) {
            pixels = TakePngBuffer(bytes);
        } else {
            if ((int)header.width != width || (int)header.height != height) {
                fprintf(stderr, "orlath-capture: the frames changed size from %dx%d to %ux%u; a video keeps one size\n",
                        width, height, (unsigned)header.width, (unsigned)header.height);
                outcome = OUTCOME_WRITE_FAILED;
                break;
            }
            if (videoFrameBytes < bytes) {
                free(videoFrame);
                videoFrame = (unsigned char*)malloc((size_t)bytes);
                videoFrameBytes = videoFrame ? bytes : 0;
            }
            pixels = videoFrame;
        }
        if (!pixels) {
            outcome = OUTCOME_WRITE_FAILED;
            break;
        }
        result = ReadFull(pixels, (size_t)bytes, deadline);
        if (result != READ_OK) {
            // A frame cut off is not written.
            outcome = OutcomeOfRead(result);
            break;
        }
        if (options.kind == OUTPUT_FRAMES) {
            SubmitPngFrame((int)header.width, (int)header.height, header.index);
        } else if (!WriteVideoFrame(pixels, width, height)) {
            outcome = OUTCOME_WRITE_FAILED;
            break;
        }
        ++received;
        ShowProgress(FramesWritten(), firstFrameAt, tty);
    }
    close(framePipe);

    // After the last frame the program has Escape and should end by itself.
    bool stopped = false;
    if (outcome == OUTCOME_DONE || outcome == OUTCOME_ENDED)
        stopped = !WaitForProgram(options.timeoutSeconds);
    else
        stopped = true;
    EndGroup();

    bool written = true;
    if (writerStarted) {
        // The soundtrack matches the frames kept, and fails the capture when it could not be written.
        bool sound = FinishSound(received, options.out);
        written = options.kind == OUTPUT_FRAMES ? FinishPngWriter() : FinishVideoWriter(sound);
        written = written && sound;
    }
    DropSound();
    free(videoFrame);
    long frames = written || options.kind == OUTPUT_FRAMES ? FramesWritten() : 0;
    if (tty && writerStarted) {
        ShowProgress(frames, firstFrameAt, tty);
        fputc('\n', stderr);
    }
    if (!written && outcome == OUTCOME_DONE)
        outcome = OUTCOME_WRITE_FAILED;

    char status[96];
    SayStatus(status, sizeof status, childStatus);
    const char* out = options.kind == OUTPUT_FRAMES ? options.folder : options.out;
    switch (outcome) {
    case OUTCOME_DONE: {
        double seconds = Now() - firstFrameAt;
        fprintf(stderr, "orlath-capture: %ld frames of %s at %s fps in %s (%.2f s, %.1f frames/s)\n", frames,
                program, options.fpsText, out, seconds, seconds > 0.0 ? frames / seconds : 0.0);
        if (stopped)
            fprintf(stderr, "orlath-capture: %s did not end within %g s of Escape; stopped it\n", program,
                    options.timeoutSeconds);
        else if (WIFSIGNALED(childStatus))
            fprintf(stderr, "orlath-capture: %s %s after its last frame\n", program, status);
        return 0;
    }
    case OUTCOME_ENDED:
        if (stopped)
            fprintf(stderr, "orlath-capture: %s closed the capture after %ld of %ld frames and did not end; stopped it\n",
                    program, received, options.frames);
        else if (frames == 0)
            fprintf(stderr, "orlath-capture: %s %s before its first frame; no frame written\n", program, status);
        else
            fprintf(stderr, "orlath-capture: %s %s after %ld of %ld frames; the %ld frames are kept in %s\n", program,
                    status, received, options.frames, frames, out);
        return 1;
    case OUTCOME_TIMEOUT:
        fprintf(stderr,
                "orlath-capture: no frame from %s for %g s (a program that never swaps its buffers cannot be "
                "captured); stopped it after %ld of %ld frames\n",
                program, options.timeoutSeconds, received, options.frames);
        return EXIT_TIMEOUT;
    case OUTCOME_INTERRUPTED:
        fprintf(stderr, "orlath-capture: interrupted after %ld of %ld frames; stopped %s\n", received, options.frames,
                program);
        return EXIT_INTERRUPTED;
    case OUTCOME_FRAME_OUT_OF_TURN:
        fprintf(stderr, "orlath-capture: %s sent frame %u where frame %ld was due; stopped it\n", program,
                (unsigned)outOfTurn, received);
        return 1;
    case OUTCOME_BAD_FRAME:
        fprintf(stderr, "orlath-capture: %s sent a malformed frame after %ld frames; stopped it\n", program,
                received);
        return 1;
    case OUTCOME_WRITE_FAILED:
    default:
        fprintf(stderr, "orlath-capture: writing failed after %ld frames; stopped %s\n", frames, program);
        return 1;
    }
}
