// Loop overhead: the program's own message-and-frame loop (WinMain on the
// layer, with a frame that only clears) against a bare SDL2 program that
// polls events, clears and swaps, in the same run, on the same driver.
//
// This file is a benchmark, not system code: the baseline talks to SDL2
// directly on purpose, since it is the floor our layer is measured against.
//
// Usage: bench_loop [frames] [rounds]   (default 20000 frames, 5 rounds)
// Prints frames per second of each and the ratio ours / bare per round and
// as the median of the rounds.
#include <SDL.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "bench/bench_report.h"
#include "app/render_window.h"
#include "platform/gl.h"
#include "platform/test_hooks.h"

static double Seconds()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

static double BareLoopFps(int frames)
{
    SDL_InitSubSystem(SDL_INIT_VIDEO);
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_Window* window = SDL_CreateWindow("bare", 0, 0, 640, 480, SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN);
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (!window || !context) {
        fprintf(stderr, "bare loop: %s\n", SDL_GetError());
        exit(2);
    }
    glViewport(0, 0, 640, 480);
    glClearColor(0.0f, 0.0f, 0.0f, 0.5f);

    double start = Seconds();
    int drawn = 0;
    SDL_Event event;
    while (drawn < frames) {
        if (SDL_PollEvent(&event))
            continue;
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        SDL_GL_SwapWindow(window);
        ++drawn;
    }
    double elapsed = Seconds() - start;

    SDL_GL_DeleteContext(context);
    SDL_DestroyWindow(window);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return drawn / elapsed;
}

static double started;
static double ended;

static double OurLoopFps(int frames)
{
    TestHooksReset();
    // The previous round ended on a held Escape that was never released.
    keyDown[VK_ESCAPE] = false;
    TestQueueMessageBoxAnswer(IDNO);
    // The first pass starts the clock; the run ends after `frames` empty-queue
    // passes, each of which draws and swaps.
    TestCallAtPass(1, [] { started = Seconds(); });
    TestInjectAtPass(frames + 1, TEST_EVENT_KEY_DOWN, "Escape");
    WinMain(GetModuleHandleA(NULL), NULL, (LPSTR) "", SW_SHOWDEFAULT);
    ended = Seconds();
    int swaps = TestCallCount("SwapBuffers");
    return swaps / (ended - started);
}

int main(int argc, char** argv)
{
    int frames = argc > 1 ? atoi(argv[1]) : 20000;
    int rounds = argc > 2 ? atoi(argv[2]) : 5;

    // The loop reads start-up images; run it from the build's bin folder.
    printf("loop overhead benchmark: %d frames x %d rounds, driver %s, %s\n", frames, rounds,
           getenv("SDL_VIDEODRIVER") ? getenv("SDL_VIDEODRIVER") : "default", CpuModel().c_str());
    std::vector<double> ratios;
    for (int round = 0; round < rounds; ++round) {
        double bare = BareLoopFps(frames);
        double ours = OurLoopFps(frames);
        ratios.push_back(ours / bare);
        printf("round %d: bare SDL2 %.0f fps, WinMain loop %.0f fps, ratio %.3f\n", round + 1, bare, ours,
               ours / bare);
        fflush(stdout);
    }
    printf("median ratio (WinMain loop / bare SDL2 loop): %.3f\n", Median(ratios));
    return 0;
}
