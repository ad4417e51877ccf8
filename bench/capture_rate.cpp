// Capture rate of orlath-capture against its limits, in alternating rounds
// of one run on SDL's offscreen driver:
//   - the program uncaptured: the shipped program's loop (WinMain, the
//     shipped frame) in this process, frames per second over the frames;
//   - the encoders alone: the captured frames, held in memory, written as
//     PNG files by as many threads as the capture uses, and piped into
//     ffmpeg with the capture's own arguments;
//   - the capture: orlath-capture of ./orlath to PNG frames and to .mp4,
//     frames per second as the tool reports them (first frame to last
//     written, start-up not counted).
// The goal: capture rate >= 0.7 x min(uncaptured rate, encoder-alone rate),
// and the PNG capture faster than 60 frames per second. During each PNG
// capture the resident size of orlath-capture and of the program is
// sampled after 100 frames and near the end; it must not grow.
//
// Run from the build's bin folder (./orlath, ./orlath-capture, imagenes/):
//   cd build/bin && ./bench_capture [frames] [rounds]   (default 600, 3)
#include "bench/bench_report.h"

#include <dirent.h>
#include <fcntl.h>
#include <png.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "app/render_window.h"
#include "platform/test_hooks.h"
#include "tools/capture/capture.h"

namespace {

double CpuSeconds(int who)
{
    rusage usage;
    getrusage(who, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

// CPU milliseconds per frame of the last measurement of each kind.
double drawCpuMs, pngCpuMs, videoCpuMs, captureCpuMs;

double Seconds()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (double)now.tv_sec + now.tv_nsec * 1e-9;
}

// ---- the program uncaptured, in this process

double uncapturedStart, uncapturedEnd;
int uncapturedFrames;

double UncapturedRate(int frames)
{
    TestHooksReset();
    keyDown[VK_ESCAPE] = false;
    TestQueueMessageBoxAnswer(IDNO);
    uncapturedFrames = frames;
    // Counted from the first swaps, as the capture counts from its first frame.
    static int swapsAtStart;
    static double cpuAtStart;
    TestCallAtPass(3, [] {
        uncapturedStart = Seconds();
        cpuAtStart = CpuSeconds(RUSAGE_SELF);
        swapsAtStart = TestCallCount("SwapBuffers");
    });
    TestCallAtPass(3 + frames, [] {
        uncapturedEnd = Seconds();
        uncapturedFrames = TestCallCount("SwapBuffers") - swapsAtStart;
        drawCpuMs = (CpuSeconds(RUSAGE_SELF) - cpuAtStart) * 1e3 / uncapturedFrames;
    });
    TestInjectAtPass(3 + frames, TEST_EVENT_KEY_DOWN, "Escape");
    WinMain(GetModuleHandleA(NULL), NULL, (LPSTR) "", SW_SHOWDEFAULT);
    return uncapturedFrames / (uncapturedEnd - uncapturedStart);
}

// ---- the capture, as a child process

struct Resident {
    long captureKb[2];  // orlath-capture after 100 frames, near the end
    long programKb[2];  // the captured program, the same
};

long ResidentKb(pid_t pid)
{
    char path[64], line[256];
    snprintf(path, sizeof path, "/proc/%d/status", (int)pid);
    FILE* file = fopen(path, "r");
    long kb = 0;
    while (file && fgets(line, sizeof line, file))
        if (sscanf(line, "VmRSS: %ld", &kb) == 1)
            break;
    if (file)
        fclose(file);
    return kb;
}

pid_t ChildOf(pid_t parent)
{
    char path[64];
    snprintf(path, sizeof path, "/proc/%d/task/%d/children", (int)parent, (int)parent);
    FILE* file = fopen(path, "r");
    int child = 0;
    if (file) {
        if (fscanf(file, "%d", &child) != 1)
            child = 0;
        fclose(file);
    }
    return child;
}

std::string ReadWhole(const char* path)
{
    std::string text;
    FILE* file = fopen(path, "r");
    char chunk[1024];
    size_t got;
    while (file && (got = fread(chunk, 1, sizeof chunk, file)) > 0)
        text.append(chunk, got);
    if (file)
        fclose(file);
    return text;
}

int CountFiles(const char* folder)
{
    DIR* dir = opendir(folder);
    int count = 0;
    while (dir && readdir(dir))
        ++count;
    if (dir)
        closedir(dir);
    return count > 2 ? count - 2 : 0;
}

// Runs orlath-capture; the rate it reports (0 on failure).
double CaptureRate(int frames, const char* out, Resident* resident)
{
    char framesText[16];
    snprintf(framesText, sizeof framesText, "%d", frames);
    const char* report = "/tmp/bench-capture-report.txt";
    // The resident sizes are sampled by the count of frames written, so
    // the frames of the round before must be gone first.
    std::string clear = std::string("rm -rf '") + out + "'";
    if (system(clear.c_str()) != 0)
        return 0.0;
    double cpuBefore = CpuSeconds(RUSAGE_CHILDREN);
    pid_t pid = fork();
    if (pid == 0) {
        int fd = open(report, O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(fd, 2);
        execl("./orlath-capture", "./orlath-capture", "--force", "--frames", framesText, "--out", out, "--",
              "./orlath", (char*)nullptr);
        _exit(127);
    }
    int stage = 0;
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (resident && stage < 2) {
            int written = CountFiles(out);
            if ((stage == 0 && written >= 100) || (stage == 1 && written >= frames - 20)) {
                resident->captureKb[stage] = ResidentKb(pid);
                resident->programKb[stage] = ResidentKb(ChildOf(pid));
                ++stage;
            }
        }
        usleep(2000);
    }
    captureCpuMs = (CpuSeconds(RUSAGE_CHILDREN) - cpuBefore) * 1e3 / frames;
    std::string text = ReadWhole(report);
    const char* found = strstr(text.c_str(), " frames/s)");
    const char* start = found;
    while (start && start > text.c_str() && start[-1] != ' ')
        --start;
    if (!found || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        fprintf(stderr, "orlath-capture failed: %s\n", text.c_str());
        return 0.0;
    }
    return atof(start);
}

// ---- the encoders alone

struct Frames {
    int width = 0, height = 0;
    std::vector<std::vector<unsigned char>> rgb;  // bottom row first, as captured
};

Frames LoadFrames(const char* folder, int count)
{
    Frames frames;
    for (int i = 0; i < count; ++i) {
        char path[512];
        snprintf(path, sizeof path, "%s/frame-%06d.png", folder, i);
        png_image image;
        memset(&image, 0, sizeof image);
        image.version = PNG_IMAGE_VERSION;
        if (!png_image_begin_read_from_file(&image, path))
            break;
        image.format = PNG_FORMAT_RGB;
        std::vector<unsigned char> rgb(PNG_IMAGE_SIZE(image));
        // A negative stride stores the rows bottom first.
        if (!png_image_finish_read(&image, nullptr, rgb.data(), -(png_int_32)PNG_IMAGE_ROW_STRIDE(image), nullptr))
            break;
        frames.width = (int)image.width;
        frames.height = (int)image.height;
        frames.rgb.push_back(std::move(rgb));
    }
    return frames;
}

double PngAloneRate(const Frames& frames, int threads, const char* folder)
{
    std::atomic<int> next{0};
    double start = Seconds();
    double cpuBefore = CpuSeconds(RUSAGE_SELF);
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t)
        workers.emplace_back([&] {
            for (int i; (i = next++) < (int)frames.rgb.size();) {
                char path[512];
                snprintf(path, sizeof path, "%s/frame-%06d.png", folder, i);
                WritePng(path, frames.rgb[i].data(), frames.width, frames.height);
            }
        });
    for (std::thread& worker : workers)
        worker.join();
    pngCpuMs = (CpuSeconds(RUSAGE_SELF) - cpuBefore) * 1e3 / frames.rgb.size();
    return frames.rgb.size() / (Seconds() - start);
}

double VideoAloneRate(const Frames& frames, const char* ffmpeg, const char* out)
{
    char storage[1][64];
    const char* args[64];
    BuildVideoArgs(ffmpeg, "mp4", frames.width, frames.height, "60", out, storage, args);
    int fds[2];
    if (pipe(fds) != 0)
        return 0.0;
    double start = Seconds();
    double cpuBefore = CpuSeconds(RUSAGE_CHILDREN);
    pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[0], 0);
        close(fds[1]);
        execv(ffmpeg, (char* const*)args);
        _exit(127);
    }
    close(fds[0]);
    size_t row = (size_t)frames.width * 3;
    for (const auto& rgb : frames.rgb)
        for (int y = frames.height - 1; y >= 0; --y)
            if (write(fds[1], rgb.data() + y * row, row) != (ssize_t)row)
                break;
    close(fds[1]);
    int status = 0;
    waitpid(pid, &status, 0);
    videoCpuMs = (CpuSeconds(RUSAGE_CHILDREN) - cpuBefore) * 1e3 / frames.rgb.size();
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? frames.rgb.size() / (Seconds() - start) : 0.0;
}

}  // namespace

int main(int argc, char** argv)
{
    int frames = argc > 1 ? atoi(argv[1]) : 600;
    int rounds = argc > 2 ? atoi(argv[2]) : 3;
    if (access("./orlath", X_OK) != 0 || access("./orlath-capture", X_OK) != 0 || access("imagenes", F_OK) != 0) {
        fprintf(stderr, "run bench_capture from the build's bin folder (./orlath, ./orlath-capture, imagenes/)\n");
        return 2;
    }
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    signal(SIGPIPE, SIG_IGN);
    char ffmpeg[PATH_CAP];
    bool haveFfmpeg = FindProgram("ffmpeg", ffmpeg, sizeof ffmpeg);
    int threads = (int)std::thread::hardware_concurrency();
    printf("capture benchmark: orlath at 640x480 on SDL's offscreen driver, %d frames per run, %d rounds\n", frames,
           rounds);
    printf("CPU: %s, %ld cores online; PNG on %d threads; video: %s\n", CpuModel().c_str(),
           sysconf(_SC_NPROCESSORS_ONLN), threads, haveFfmpeg ? "ffmpeg, H.264 in .mp4" : "no ffmpeg");
    fflush(stdout);

    char folder[] = "/tmp/bench-capture-XXXXXX";
    if (!mkdtemp(folder))
        return 1;
    std::string frameFolder = std::string(folder) + "/frames";
    std::string aloneFolder = std::string(folder) + "/alone";
    std::string video = std::string(folder) + "/capture.mp4";
    std::string aloneVideo = std::string(folder) + "/alone.mp4";
    mkdir(aloneFolder.c_str(), 0777);

    // Where drawing and encoding each keep every core busy, they cannot
    // overlap: the cores then allow at most cores / (CPU time of a drawn
    // frame + CPU time of an encoded frame) frames per second.
    double cores = (double)sysconf(_SC_NPROCESSORS_ONLN);
    std::vector<double> pngRatios, videoRatios, pngRates, pngBoundRatios, videoBoundRatios;
    for (int round = 0; round < rounds; ++round) {
        Resident resident = {};
        double captured = CaptureRate(frames, (frameFolder + "/").c_str(), &resident);
        double uncaptured = UncapturedRate(frames);
        Frames held = LoadFrames(frameFolder.c_str(), std::min(frames, 120));
        double pngAlone = PngAloneRate(held, threads, aloneFolder.c_str());
        double pngRatio = captured / std::min(uncaptured, pngAlone);
        double pngCaptureCpuMs = captureCpuMs;
        double pngBound = std::min(std::min(uncaptured, pngAlone), cores * 1e3 / (drawCpuMs + pngCpuMs));
        pngRatios.push_back(pngRatio);
        pngRates.push_back(captured);
        pngBoundRatios.push_back(captured / pngBound);
        printf("round %d: uncaptured %.1f fps (%.2f CPU ms/frame)\n"
               "         PNG: encoder alone %.1f fps (%.2f CPU ms/frame), capture %.1f fps (%.2f CPU ms/frame), "
               "ratio %.3f; CPU bound %.1f fps, capture / bound %.3f\n"
               "         resident kB after 100 / %d frames: orlath-capture %ld / %ld, orlath %ld / %ld\n",
               round + 1, uncaptured, drawCpuMs, pngAlone, pngCpuMs, captured, pngCaptureCpuMs, pngRatio, pngBound,
               captured / pngBound, frames - 20, resident.captureKb[0], resident.captureKb[1],
               resident.programKb[0], resident.programKb[1]);
        if (haveFfmpeg) {
            double videoCaptured = CaptureRate(frames, video.c_str(), nullptr);
            double videoAlone = VideoAloneRate(held, ffmpeg, aloneVideo.c_str());
            double videoRatio = videoCaptured / std::min(uncaptured, videoAlone);
            double videoBound = std::min(std::min(uncaptured, videoAlone), cores * 1e3 / (drawCpuMs + videoCpuMs));
            videoRatios.push_back(videoRatio);
            videoBoundRatios.push_back(videoCaptured / videoBound);
            printf("         video: ffmpeg alone %.1f fps (%.2f CPU ms/frame), capture %.1f fps (%.2f CPU ms/frame), "
                   "ratio %.3f; CPU bound %.1f fps, capture / bound %.3f\n",
                   videoAlone, videoCpuMs, videoCaptured, captureCpuMs, videoRatio, videoBound,
                   videoCaptured / videoBound);
        }
        fflush(stdout);
    }
    printf("median PNG capture ratio (capture / min(uncaptured, encoder alone)): %.3f  (goal >= 0.7)\n",
           Median(pngRatios));
    if (haveFfmpeg)
        printf("median video capture ratio (capture / min(uncaptured, ffmpeg alone)): %.3f  (goal >= 0.7)\n",
               Median(videoRatios));
    printf("median capture / CPU bound: PNG %.3f, video %.3f\n", Median(pngBoundRatios), Median(videoBoundRatios));
    printf("median PNG capture rate: %.1f frames/s = %.2f x real time at 60 fps  (goal > 1)\n", Median(pngRates),
           Median(pngRates) / 60.0);
    std::string command = std::string("rm -rf '") + folder + "'";
    return system(command.c_str()) == 0 ? 0 : 1;
}
