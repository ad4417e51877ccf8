// Frame rate and heap allocations of the shipped scene: the program itself
// (WinMain on our layer, the shipped frame, the start-up images) against a
// bare SDL2 program making the same GL calls with the same textures
// (bare_scene.h), in alternating rounds of one run, 640x480 in a window.
//
// It needs a real X display: run it under a private Xvfb, from the build's
// bin folder (the images are read from imagenes/):
//   cd build/bin && xvfb-run -a -s "-screen 0 1024x768x24" ./bench_scene
// On SDL's offscreen driver the buffer swap of a pbuffer does no real work,
// so a frame rate measured there says little about a window; the bench
// refuses to run without a display.
//
// Each round first draws past the fly-in (both programs then draw the same
// picture load), then measures a fixed number of frames. Allocations are
// counted by alloc_counter.c over the measured frames: on every thread (the
// driver's rasteriser threads included) and on the main thread alone.
//
// Usage: bench_scene [frames] [rounds]   (default 200 frames, 11 rounds)
#define STB_IMAGE_IMPLEMENTATION
#include "bench/bench_report.h"
#include "bare_scene.h"

#include <string.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "alloc_counter.h"
#include "app/render_window.h"
#include "image/texture_table.h"
#include "platform/test_hooks.h"

namespace {

enum { WARM_UP_FRAMES = 200 };

double Seconds()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

struct Mark {
    double seconds;
    double cpuSeconds;  // the whole process: main thread and the driver's threads
    int frames;
    unsigned long allocsAll;
    unsigned long allocsMain;
};

struct Round {
    double fps;
    double cpuMsPerFrame;
    double allocsAllPerFrame;
    double allocsMainPerFrame;
};

double CpuSeconds()
{
    rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

Mark TakeMark(int frames)
{
    Mark mark = {Seconds(), CpuSeconds(), frames, AllocCountAll(), AllocCountWatched()};
    return mark;
}

Round Between(const Mark& start, const Mark& end)
{
    double frames = end.frames - start.frames;
    Round round = {frames / (end.seconds - start.seconds), (end.cpuSeconds - start.cpuSeconds) * 1e3 / frames,
                   (end.allocsAll - start.allocsAll) / frames,
                   (end.allocsMain - start.allocsMain) / frames};
    return round;
}

std::string ContextBits()
{
    GLint r = 0, g = 0, b = 0, a = 0, depth = 0, stencil = 0;
    glGetIntegerv(GL_RED_BITS, &r);
    glGetIntegerv(GL_GREEN_BITS, &g);
    glGetIntegerv(GL_BLUE_BITS, &b);
    glGetIntegerv(GL_ALPHA_BITS, &a);
    glGetIntegerv(GL_DEPTH_BITS, &depth);
    glGetIntegerv(GL_STENCIL_BITS, &stencil);
    char text[160];
    snprintf(text, sizeof text, "%s, RGBA %d%d%d%d, depth %d, stencil %d", (const char*)glGetString(GL_RENDERER), r,
             g, b, a, depth, stencil);
    return text;
}

// Size and internal format of three textures, to show both draw the same.
std::string TextureBits(const GLuint* names)
{
    std::string text;
    for (int i = 0; i < 3; ++i) {
        GLint width = 0, height = 0, format = 0;
        glBindTexture(GL_TEXTURE_2D, names[i]);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
        char one[64];
        snprintf(one, sizeof one, "%s%dx%d/0x%x", i ? " " : "; textures ", width, height, format);
        text += one;
    }
    return text;
}

std::string bareContext, ourContext;

Round BareRound(int frames)
{
    BareScene scene = {};
    scene.flyInZ = 15.0f;
    BareOpen(&scene);
    bareContext = ContextBits() + TextureBits(scene.textures);
    int drawn = 0;
    Mark start = {};
    SDL_Event event;
    // Like the program's loop: a waiting event is handled in a pass of its
    // own, and only an empty queue draws.
    while (drawn < WARM_UP_FRAMES + frames) {
        if (SDL_PollEvent(&event))
            continue;
        if (drawn == WARM_UP_FRAMES)
            start = TakeMark(drawn);
        BareFrame(&scene);
        ++drawn;
    }
    Mark end = TakeMark(drawn);
    BareClose(&scene);
    return Between(start, end);
}

Mark ourStart, ourEnd;

Round OurRound(int frames)
{
    TestHooksReset();
    // The previous round ended on a held Escape that was never released.
    keyDown[VK_ESCAPE] = false;
    TestQueueMessageBoxAnswer(IDNO);
    // A pass either handles a message or draws; after the start-up's few
    // messages nearly every pass draws, and the swaps are counted anyway.
    TestCallAtPass(WARM_UP_FRAMES, [] { ourStart = TakeMark(TestCallCount("SwapBuffers")); });
    // Read while warming up: the strings allocate.
    TestCallAtPass(WARM_UP_FRAMES / 2, [] {
        const GLuint names[3] = {textureTable[0].texId, textureTable[1].texId, textureTable[2].texId};
        ourContext = ContextBits() + TextureBits(names);
    });
    TestCallAtPass(WARM_UP_FRAMES + frames, [] { ourEnd = TakeMark(TestCallCount("SwapBuffers")); });
    TestInjectAtPass(WARM_UP_FRAMES + frames, TEST_EVENT_KEY_DOWN, "Escape");
    WinMain(GetModuleHandleA(NULL), NULL, (LPSTR) "", SW_SHOWDEFAULT);
    return Between(ourStart, ourEnd);
}



}  // namespace

int main(int argc, char** argv)
{
    int frames = argc > 1 ? atoi(argv[1]) : 200;
    int rounds = argc > 2 ? atoi(argv[2]) : 11;
    const char* driver = getenv("SDL_VIDEODRIVER");
    if (!getenv("DISPLAY") || (driver && strcmp(driver, "x11") != 0)) {
        fprintf(stderr,
                "bench_scene needs a real X display (the offscreen driver's swap does no real work):\n"
                "  cd build/bin && xvfb-run -a -s \"-screen 0 1024x768x24\" ./bench_scene\n");
        return 2;
    }
    FILE* probe = fopen("imagenes/espacio.tga", "rb");
    if (!probe) {
        fprintf(stderr, "run bench_scene from the build's bin folder (imagenes/ is read)\n");
        return 2;
    }
    fclose(probe);

    AllocCounterWatchThisThread();
    printf("shipped scene benchmark: 640x480 window on X display %s, %d frames after %d warm-up frames, %d rounds\n",
           getenv("DISPLAY"), frames, WARM_UP_FRAMES, rounds);
    printf("CPU: %s, %ld cores online\n", CpuModel().c_str(), sysconf(_SC_NPROCESSORS_ONLN));
    fflush(stdout);

    std::vector<double> ratios, cpuRatios, bareAll, bareMain, ourAll, ourMain;
    for (int round = 0; round < rounds; ++round) {
        // Alternate which goes first, so that drift hits both alike.
        Round bare, ours;
        if (round % 2 == 0) {
            bare = BareRound(frames);
            ours = OurRound(frames);
        } else {
            ours = OurRound(frames);
            bare = BareRound(frames);
        }
        if (round == 0) {
            printf("bare context: %s\nour context:  %s\n", bareContext.c_str(), ourContext.c_str());
        }
        ratios.push_back(ours.fps / bare.fps);
        cpuRatios.push_back(ours.cpuMsPerFrame / bare.cpuMsPerFrame);
        bareAll.push_back(bare.allocsAllPerFrame);
        bareMain.push_back(bare.allocsMainPerFrame);
        ourAll.push_back(ours.allocsAllPerFrame);
        ourMain.push_back(ours.allocsMainPerFrame);
        printf("round %d: bare SDL2 %.1f fps (%.1f CPU ms/frame), orlath %.1f fps (%.1f CPU ms/frame), ratio %.3f | "
               "allocations per frame: bare %.2f (main thread %.2f), orlath %.2f (main thread %.2f)\n",
               round + 1, bare.fps, bare.cpuMsPerFrame, ours.fps, ours.cpuMsPerFrame, ours.fps / bare.fps,
               bare.allocsAllPerFrame, bare.allocsMainPerFrame, ours.allocsAllPerFrame, ours.allocsMainPerFrame);
        fflush(stdout);
    }
    printf("median frame-rate ratio (orlath / bare SDL2): %.3f  (goal >= 0.97)\n", Median(ratios));
    // Less sensitive to other load on the machine than the frame rate; the
    // X server's share of a swap is not in it.
    printf("median CPU-time-per-frame ratio, this process (orlath / bare SDL2): %.3f\n", Median(cpuRatios));
    printf("median allocations per frame, all threads: bare %.2f, orlath %.2f; main thread: bare %.2f, orlath %.2f\n",
           Median(bareAll), Median(ourAll), Median(bareMain), Median(ourMain));
    printf("allocations per frame from our code (orlath - bare, main thread): %.2f  (goal: 0)\n",
           Median(ourMain) - Median(bareMain));
    return 0;
}
