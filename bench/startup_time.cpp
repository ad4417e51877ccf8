// Start-up to first frame: the program (bench_startup_ours: WinMain, our
// layer, the full start-up with its three images, the shipped frame)
// against a bare SDL2 program that creates the window and context and
// decodes the same three images with stb_image (bench_startup_bare), each
// timed from just before it is spawned to the moment its first frame has
// been swapped: process start, dynamic linking, X connection, GL context,
// image decoding and upload, first frame. The two run in alternating
// rounds; medians are reported.
//
// Needs a real X display, like the programs it times:
//   cd build/bin && xvfb-run -a -s "-screen 0 1024x768x24" ./bench_startup
// Usage: bench_startup [rounds]   (default 21)
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "bench/bench_report.h"
#include "bench/first_frame.h"

int main(int argc, char** argv)
{
    int rounds = argc > 1 ? atoi(argv[1]) : 21;
    if (!getenv("DISPLAY")) {
        fprintf(stderr, "bench_startup needs a real X display:\n"
                        "  cd build/bin && xvfb-run -a -s \"-screen 0 1024x768x24\" ./bench_startup\n");
        return 2;
    }
    if (access("imagenes/espacio.tga", R_OK) != 0) {
        fprintf(stderr, "run bench_startup from the build's bin folder (imagenes/ is read)\n");
        return 2;
    }
    std::string bare = BesideThisProgram("bench_startup_bare");
    std::string ours = BesideThisProgram("bench_startup_ours");
    printf("start-up to first frame: %d alternating rounds on X display %s\n", rounds, getenv("DISPLAY"));
    printf("CPU: %s, %ld cores online\n", CpuModel().c_str(), sysconf(_SC_NPROCESSORS_ONLN));

    // One of each first, untimed: the page cache then holds both programs,
    // their libraries and the images for every timed round.
    TimeToFirstFrame(bare);
    TimeToFirstFrame(ours);

    std::vector<double> bareTimes, ourTimes, ratios, bareCpu, ourCpu, cpuRatios;
    for (int round = 0; round < rounds; ++round) {
        StartTime b, o;
        if (round % 2 == 0) {
            b = TimeToFirstFrame(bare);
            o = TimeToFirstFrame(ours);
        } else {
            o = TimeToFirstFrame(ours);
            b = TimeToFirstFrame(bare);
        }
        if (b.wallMs <= 0 || o.wallMs <= 0) {
            fprintf(stderr, "round %d: a child failed (bare %.1f, orlath %.1f)\n", round + 1, b.wallMs, o.wallMs);
            return 1;
        }
        bareTimes.push_back(b.wallMs);
        ourTimes.push_back(o.wallMs);
        ratios.push_back(o.wallMs / b.wallMs);
        bareCpu.push_back(b.cpuMs);
        ourCpu.push_back(o.cpuMs);
        cpuRatios.push_back(o.cpuMs / b.cpuMs);
        printf("round %d: bare SDL2 + stb_image %.1f ms (CPU %.1f ms), orlath %.1f ms (CPU %.1f ms), ratio %.3f\n",
               round + 1, b.wallMs, b.cpuMs, o.wallMs, o.cpuMs, o.wallMs / b.wallMs);
        fflush(stdout);
    }
    printf("median: bare %.1f ms, orlath %.1f ms; median ratio (orlath / bare) %.3f  (goal <= 1.1)\n",
           Median(bareTimes), Median(ourTimes), Median(ratios));
    // CPU time is less sensitive to other load on the machine; the X
    // server's share is not in it.
    printf("median CPU time: bare %.1f ms, orlath %.1f ms; median ratio %.3f\n", Median(bareCpu), Median(ourCpu),
           Median(cpuRatios));
    return 0;
}
