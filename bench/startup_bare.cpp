// Start-up baseline, run as a child of bench_startup: a bare SDL2 program
// that creates the window and context, decodes the three start-up images
// with stb_image, uploads them, and draws and swaps the scene's first
// frame. It then writes the monotonic time in nanoseconds to standard
// output and ends.
#define STB_IMAGE_IMPLEMENTATION
#include "bare_scene.h"

#include <time.h>
#include <unistd.h>

int main()
{
    BareScene scene = {};
    scene.flyInZ = 15.0f;
    BareOpen(&scene);
    BareFrame(&scene);
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    printf("%lld\n", (long long)now.tv_sec * 1000000000LL + now.tv_nsec);
    fflush(stdout);
    _exit(0);
}
