// Decoding throughput of the TGA reader on 1024 x 1024 files, against two
// baselines timed in the same run on the same files: stb_image's stbi_load
// from the file, and a plain fread of the whole file into a fresh buffer
// (the floor for anything that reads the file).
//
// Files: uncompressed and run-length, 24 and 32 bits, all with a top-left
// origin so that stb_image has no rows to flip. The three readers run in
// turn within each round, so that drift hits all alike; the median round is
// reported. Each decode is checked against stb_image's.
//
// Two passes. "heap reuse": the allocator as it comes; glibc soon serves
// these buffers from memory already mapped, so the plain read is a bare
// copy out of the page cache. "fresh pages": every buffer is newly mapped
// memory (the mmap threshold is pinned low), as on a program's first load;
// all three then pay the page faults alike.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include <stb/stb_image.h>

#include "bench/bench_report.h"
#include "image/tga_reader.h"
#include "tools/tga_file.h"

namespace {

enum { IMAGE_SIDE = 1024, ROUNDS = 41 };

double Now()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// Half smooth shading with a little noise (raw packets), half flat bands and
// discs (long runs): roughly what a picture with a plain background holds.
ToolImage BenchPicture()
{
    ToolImage image = {IMAGE_SIDE, IMAGE_SIDE, std::vector<uint8_t>(size_t(IMAGE_SIDE) * IMAGE_SIDE * 4)};
    uint32_t noise = 1;
    for (int y = 0; y < IMAGE_SIDE; ++y) {
        for (int x = 0; x < IMAGE_SIDE; ++x) {
            uint8_t* p = &image.rgba[(size_t(y) * IMAGE_SIDE + x) * 4];
            noise = noise * 1664525u + 1013904223u;
            int dx = x - 700, dy = y - 500;
            if (x < IMAGE_SIDE / 2) {
                p[0] = uint8_t(x / 2 + (noise >> 29));
                p[1] = uint8_t(y / 4);
                p[2] = uint8_t((x + y) / 8);
                p[3] = uint8_t(255 - (noise >> 30));
            } else if (dx * dx + dy * dy < 200 * 200) {
                p[0] = 250, p[1] = 200, p[2] = 40, p[3] = 255;
            } else {
                int band = y / 48;
                p[0] = uint8_t(band * 11), p[1] = uint8_t(90 + band * 5), p[2] = 160, p[3] = uint8_t(band * 12);
            }
        }
    }
    return image;
}

double TimeOurs(const char* path, std::vector<uint8_t>* pixels)
{
    TextureRecord record = {};
    double start = Now();
    bool loaded = LoadTga(&record, path);
    double elapsed = Now() - start;
    if (!loaded) {
        fprintf(stderr, "LoadTga refused %s\n", path);
        exit(1);
    }
    if (pixels)
        pixels->assign(record.pixels, record.pixels + size_t(record.width) * record.height * (record.bitsPerPixel / 8));
    free(record.pixels);
    return elapsed;
}

double TimeStb(const char* path, std::vector<uint8_t>* pixels)
{
    int width = 0, height = 0, components = 0;
    double start = Now();
    stbi_uc* data = stbi_load(path, &width, &height, &components, 0);
    double elapsed = Now() - start;
    if (!data) {
        fprintf(stderr, "stbi_load refused %s: %s\n", path, stbi_failure_reason());
        exit(1);
    }
    if (pixels)
        pixels->assign(data, data + size_t(width) * height * components);
    stbi_image_free(data);
    return elapsed;
}

double TimeFread(const char* path, size_t length)
{
    double start = Now();
    FILE* file = fopen(path, "rb");
    unsigned char* buffer = static_cast<unsigned char*>(malloc(length));
    size_t got = file && buffer ? fread(buffer, 1, length, file) : 0;
    if (file)
        fclose(file);
    double elapsed = Now() - start;
    free(buffer);
    if (got != length) {
        fprintf(stderr, "short read of %s\n", path);
        exit(1);
    }
    return elapsed;
}

}  // namespace

int main()
{
    // The reader's failures would otherwise wait for a box nobody answers.
    showTgaMessages = false;

    char dir[] = "/tmp/orlath-bench-XXXXXX";
    if (!mkdtemp(dir)) {
        perror("mkdtemp");
        return 1;
    }

    struct Case {
        const char* name;
        bool runLength;
        int bits;
        std::string path;
        size_t length;
    } cases[] = {
        {"uncompressed 24-bit", false, 24, "", 0},
        {"uncompressed 32-bit", false, 32, "", 0},
        {"run-length 24-bit", true, 24, "", 0},
        {"run-length 32-bit", true, 32, "", 0},
    };

    ToolImage picture = BenchPicture();
    for (Case& c : cases) {
        c.path = std::string(dir) + "/" + (c.runLength ? "rle" : "raw") + std::to_string(c.bits) + ".tga";
        std::vector<uint8_t> bytes = EncodeTga(picture, c.runLength, c.bits, TGA_DESCRIPTOR_TOP_LEFT);
        c.length = bytes.size();
        if (!WriteToolFile(c.path.c_str(), bytes)) {
            fprintf(stderr, "cannot write %s\n", c.path.c_str());
            return 1;
        }
        std::vector<uint8_t> ours, theirs;
        TimeOurs(c.path.c_str(), &ours);
        TimeStb(c.path.c_str(), &theirs);
        if (ours != theirs) {
            fprintf(stderr, "%s: our pixels differ from stb_image's\n", c.name);
            return 1;
        }
    }

    printf("TGA decoding, %dx%d, median of %d rounds\n", IMAGE_SIDE, IMAGE_SIDE, ROUNDS);
    printf("CPU: %s (%ld online)\n", CpuModel().c_str(), sysconf(_SC_NPROCESSORS_ONLN));
    printf("goals: ours at least 1.5x as fast as stb_image on every file; uncompressed within 1.5x of fread\n");

    bool goalsMet = true;
    for (int pass = 0; pass < 2; ++pass) {
        if (pass == 1)
            mallopt(M_MMAP_THRESHOLD, 128 * 1024);
        printf("\n%s\n", pass == 0 ? "heap reuse" : "fresh pages");
        printf("%-20s %9s %9s %9s %9s %13s %14s\n", "file", "bytes", "ours ms", "stb ms", "fread ms", "stb/ours",
               "ours/fread");
        for (const Case& c : cases) {
            std::vector<double> oursTimes, stbTimes, freadTimes;
            for (int round = 0; round < ROUNDS; ++round) {
                oursTimes.push_back(TimeOurs(c.path.c_str(), nullptr));
                stbTimes.push_back(TimeStb(c.path.c_str(), nullptr));
                freadTimes.push_back(TimeFread(c.path.c_str(), c.length));
            }
            double oursMs = Median(oursTimes) * 1e3;
            double stbMs = Median(stbTimes) * 1e3;
            double freadMs = Median(freadTimes) * 1e3;
            double speedup = stbMs / oursMs;
            double overFloor = oursMs / freadMs;
            bool speedupMet = speedup >= 1.5;
            bool floorMet = c.runLength || overFloor <= 1.5;
            printf("%-20s %9zu %9.3f %9.3f %9.3f %7.2fx %-5s %8.2fx %-5s\n", c.name, c.length, oursMs, stbMs,
                   freadMs, speedup, speedupMet ? "ok" : "MISS", overFloor, c.runLength ? "" : floorMet ? "ok" : "MISS");
            goalsMet = goalsMet && speedupMet && floorMet;
        }
    }
    printf("\ngoals %s\n", goalsMet ? "met" : "missed");

    for (const Case& c : cases)
        unlink(c.path.c_str());
    rmdir(dir);
    return 0;
}
