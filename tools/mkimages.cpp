// mkimages: draws the three start-up pictures and writes them as TGA files,
// and the kit template's sprite as a PNG file.
//
//   mkimages DIR           celvino.tga, hola.tga, espacio.tga and brillo.png
//                          into DIR
//   mkimages --seeds DIR   small TGA and PNG files for the fuzz targets' corpus
// DIR is made when it is missing.
//
// The pictures are drawn here, from nothing but arithmetic, so the program
// ships no image made elsewhere. Between them they take every path of the
// reader: celvino is a 32-bit run-length emblem with alpha, hola a 24-bit
// uncompressed greeting, espacio a 24-bit run-length starfield. All are
// 256 x 256 with the usual bottom-left origin, so they stand upright on the
// scene's quads.
#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "tools/png_file.h"
#include "tools/tga_file.h"
#include "tools/tool_options.h"

namespace {

const int SIDE = 256;
const double PI = 3.14159265358979323846;

struct Colour {
    double r, g, b, a;
};

ToolImage BlankImage(int width, int height)
{
    return ToolImage{width, height, std::vector<uint8_t>(size_t(width) * size_t(height) * 4, 0)};
}

uint8_t ToByte(double v)
{
    v = v < 0 ? 0 : v > 1 ? 1 : v;
    return uint8_t(lround(v * 255.0));
}

void Put(ToolImage& image, int x, int y, const Colour& c)
{
    uint8_t* p = &image.rgba[(size_t(y) * size_t(image.width) + size_t(x)) * 4];
    p[0] = ToByte(c.r);
    p[1] = ToByte(c.g);
    p[2] = ToByte(c.b);
    p[3] = ToByte(c.a);
}

Colour Get(const ToolImage& image, int x, int y)
{
    const uint8_t* p = &image.rgba[(size_t(y) * size_t(image.width) + size_t(x)) * 4];
    return {p[0] / 255.0, p[1] / 255.0, p[2] / 255.0, p[3] / 255.0};
}

// "Over" blend of c with coverage onto the pixel.
void Blend(ToolImage& image, int x, int y, const Colour& c, double coverage)
{
    if (x < 0 || y < 0 || x >= image.width || y >= image.height || coverage <= 0)
        return;
    coverage = coverage > 1 ? 1 : coverage;
    Colour under = Get(image, x, y);
    double a = c.a * coverage;
    Colour out = {c.r * a + under.r * (1 - a), c.g * a + under.g * (1 - a), c.b * a + under.b * (1 - a),
                  a + under.a * (1 - a)};
    Put(image, x, y, out);
}

Colour Mix(const Colour& x, const Colour& y, double t)
{
    return {x.r + (y.r - x.r) * t, x.g + (y.g - x.g) * t, x.b + (y.b - x.b) * t, x.a + (y.a - x.a) * t};
}

// Coverage of a pixel by a shape whose signed distance (negative inside) is
// d, over a one-pixel edge: smooth edges without supersampling.
double Coverage(double d)
{
    return d <= -0.5 ? 1 : d >= 0.5 ? 0 : 0.5 - d;
}

// Rows were drawn top first; the files keep the bottom row first.
ToolImage Upright(const ToolImage& image)
{
    ToolImage flipped = BlankImage(image.width, image.height);
    size_t row = size_t(image.width) * 4;
    for (int y = 0; y < image.height; ++y)
        memcpy(&flipped.rgba[size_t(image.height - 1 - y) * row], &image.rgba[size_t(y) * row], row);
    return flipped;
}

// ---- celvino: a round emblem on a clear ground, a goblet under a star

ToolImage DrawCelvino()
{
    ToolImage image = BlankImage(SIDE, SIDE);
    const double cx = 127.5, cy = 127.5;
    const Colour gold = {0.95, 0.78, 0.30, 1};
    const Colour darkGold = {0.55, 0.38, 0.08, 1};
    const Colour wineTop = {0.55, 0.05, 0.18, 1};
    const Colour wineBottom = {0.22, 0.0, 0.08, 1};
    const Colour cream = {0.98, 0.94, 0.84, 1};

    for (int y = 0; y < SIDE; ++y) {
        for (int x = 0; x < SIDE; ++x) {
            double dx = x - cx, dy = y - cy;
            double r = sqrt(dx * dx + dy * dy);
            // Outer ring with a bevel: lighter towards the top left.
            double ring = Coverage(r - 120) * (1 - Coverage(r - 100));
            double light = 0.5 + 0.5 * (-(dx + dy) / (r + 1e-9)) * 0.7;
            Blend(image, x, y, Mix(darkGold, gold, light), ring);
            // Inner field, darker at the rim.
            double field = Coverage(r - 100);
            Blend(image, x, y, Mix(wineTop, wineBottom, r / 100), field);
            // Twelve notches around the ring.
            double angle = atan2(dy, dx);
            double notch = fabs(fmod(angle + PI + PI / 12, PI / 6) - PI / 12) * r;
            if (r > 104 && r < 116)
                Blend(image, x, y, darkGold, Coverage(3 - notch) * 0.8);
        }
    }

    // The goblet: a bowl (lower half disc), a stem and a foot, in cream.
    for (int y = 0; y < SIDE; ++y) {
        for (int x = 0; x < SIDE; ++x) {
            double dx = x - cx;
            double bowl = std::max(sqrt(dx * dx + (y - 118.0) * (y - 118.0)) - 34, 118.0 - y);
            double stem = std::max(fabs(dx) - 4, std::max(150.0 - y, y - 184.0));
            double foot = std::max(fabs(dx) - 26 + (y - 184.0) * 0.6, std::max(180.0 - y, y - 190.0));
            double goblet = std::min(bowl, std::min(stem, foot));
            Blend(image, x, y, cream, Coverage(goblet));
            // Wine in the bowl, below its brim.
            double wine = std::max(sqrt(dx * dx + (y - 118.0) * (y - 118.0)) - 28, 126.0 - y);
            Blend(image, x, y, {0.70, 0.06, 0.20, 1}, Coverage(wine));
        }
    }

    // A five-pointed star above the bowl.
    const double sx = cx, sy = 72, outer = 22, inner = 9;
    for (int y = 40; y < 100; ++y) {
        for (int x = 90; x < 166; ++x) {
            double dx = x - sx, dy = y - sy;
            double angle = atan2(dx, -dy);
            double sector = fmod(angle + 2 * PI, 2 * PI / 5) - PI / 5;
            double t = fabs(sector) / (PI / 5);
            double edge = inner + (outer - inner) * (1 - t);
            Blend(image, x, y, gold, Coverage(sqrt(dx * dx + dy * dy) - edge));
        }
    }
    return image;
}

// ---- hola: the word on a sunset, with the sun behind it

// Capital letters of a 5 x 7 grid, row by row, five bits a row.
const uint8_t glyphH[7] = {0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11};
const uint8_t glyphO[7] = {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E};
const uint8_t glyphL[7] = {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F};
const uint8_t glyphA[7] = {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11};
const uint8_t glyphMark[7] = {0x04, 0x04, 0x04, 0x04, 0x04, 0x00, 0x04};
const uint8_t glyphInvertedMark[7] = {0x04, 0x00, 0x04, 0x04, 0x04, 0x04, 0x04};

// Cells of the grid become rounded blocks of cell x cell pixels.
void DrawGlyph(ToolImage& image, const uint8_t* glyph, int left, int top, int cell, const Colour& c)
{
    for (int row = 0; row < 7; ++row) {
        for (int column = 0; column < 5; ++column) {
            if (!(glyph[row] & (0x10 >> column)))
                continue;
            double cx = left + column * cell + cell / 2.0 - 0.5;
            double cy = top + row * cell + cell / 2.0 - 0.5;
            for (int y = top + row * cell - 1; y <= top + (row + 1) * cell; ++y) {
                for (int x = left + column * cell - 1; x <= left + (column + 1) * cell; ++x) {
                    double qx = fabs(x - cx) - (cell / 2.0 - 2), qy = fabs(y - cy) - (cell / 2.0 - 2);
                    double d = sqrt(std::max(qx, 0.0) * std::max(qx, 0.0) + std::max(qy, 0.0) * std::max(qy, 0.0)) - 2;
                    Blend(image, x, y, c, Coverage(d));
                }
            }
        }
    }
}

ToolImage DrawHola()
{
    ToolImage image = BlankImage(SIDE, SIDE);
    const Colour skyTop = {0.10, 0.12, 0.38, 1};
    const Colour skyMiddle = {0.85, 0.35, 0.45, 1};
    const Colour skyLow = {1.00, 0.72, 0.35, 1};
    const Colour sea = {0.08, 0.16, 0.30, 1};
    for (int y = 0; y < SIDE; ++y) {
        for (int x = 0; x < SIDE; ++x) {
            double t = y / 180.0;
            Colour sky = t < 0.6 ? Mix(skyTop, skyMiddle, t / 0.6) : Mix(skyMiddle, skyLow, (t - 0.6) / 0.4);
            Put(image, x, y, y < 180 ? sky : Mix(sea, skyLow, 0.25 * exp(-(y - 180) / 12.0)));
        }
    }
    // The sun, half sunk, and its glitter on the water.
    for (int y = 0; y < 180; ++y)
        for (int x = 0; x < SIDE; ++x) {
            double d = sqrt((x - 128.0) * (x - 128.0) + (y - 180.0) * (y - 180.0));
            Blend(image, x, y, {1.0, 0.90, 0.55, 1}, Coverage(d - 52));
            Blend(image, x, y, {1.0, 0.80, 0.50, 1}, 0.35 * exp(-(d - 52) / 18.0) * (d > 52));
        }
    for (int y = 182; y < SIDE; y += 6)
        for (int x = 0; x < SIDE; ++x) {
            double spread = 40 + (y - 182) * 0.8;
            double w = 1 - fabs(x - 128.0) / spread;
            if (w > 0 && ((x * 7 + y * 3) / 9) % 3 == 0)
                Blend(image, x, y, {1.0, 0.85, 0.55, 1}, w);
        }

    // "¡HOLA!" with a soft shadow, centred on the sky.
    const uint8_t* word[6] = {glyphInvertedMark, glyphH, glyphO, glyphL, glyphA, glyphMark};
    const int cell = 7, advance = 6 * cell - 2;
    const int width = 6 * advance - cell;
    const int left = (SIDE - width) / 2, top = 62;
    for (int pass = 0; pass < 2; ++pass) {
        for (int i = 0; i < 6; ++i) {
            int x = left + i * advance;
            if (pass == 0)
                DrawGlyph(image, word[i], x + 3, top + 4, cell, {0.05, 0.02, 0.15, 0.55});
            else
                DrawGlyph(image, word[i], x, top, cell, {1.0, 0.97, 0.88, 1});
        }
    }
    for (int y = 0; y < SIDE; ++y)
        for (int x = 0; x < SIDE; ++x) {
            Colour c = Get(image, x, y);
            Put(image, x, y, {c.r, c.g, c.b, 1});
        }
    return image;
}

// ---- espacio: stars of many sizes on black, a ringed planet

struct Lcg {
    uint32_t state;
    double Unit()
    {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) / double(1u << 24);
    }
};

ToolImage DrawEspacio()
{
    ToolImage image = BlankImage(SIDE, SIDE);
    for (int y = 0; y < SIDE; ++y)
        for (int x = 0; x < SIDE; ++x)
            Put(image, x, y, {0, 0, 0, 1});

    Lcg random = {20240611u};
    for (int i = 0; i < 420; ++i) {
        double x = random.Unit() * SIDE, y = random.Unit() * SIDE;
        double size = random.Unit();
        size = size * size * size;  // mostly faint points, a few bright ones
        double warmth = random.Unit();
        Colour c = {0.75 + 0.25 * warmth, 0.80 + 0.15 * random.Unit(), 1.0 - 0.3 * warmth, 1};
        double radius = 0.4 + 2.2 * size;
        double brightness = 0.35 + 0.65 * size;
        for (int py = int(y - 8); py <= int(y + 8); ++py)
            for (int px = int(x - 8); px <= int(x + 8); ++px) {
                double d = sqrt((px - x) * (px - x) + (py - y) * (py - y));
                double glow = brightness * Coverage(d - radius);
                // The brightest get four spikes.
                if (size > 0.4) {
                    double spike = std::min(fabs(px - x), fabs(py - y));
                    glow += brightness * 0.6 * Coverage(spike - 0.3) * std::max(0.0, 1 - d / 9);
                }
                Blend(image, px, py, c, glow);
            }
    }

    // A planet low on the right, lit from the upper left, with a thin ring.
    const double px = 186, py = 178, pr = 38;
    for (int y = 120; y < 240; ++y)
        for (int x = 120; x < SIDE; ++x) {
            double dx = x - px, dy = y - py;
            double d = sqrt(dx * dx + dy * dy);
            double lit = std::max(0.0, (-dx - dy) / (d + 1e-9)) * 0.8 + 0.2;
            double bands = 0.5 + 0.5 * sin(dy * 0.35);
            Colour surface = Mix({0.45, 0.30, 0.55, 1}, {0.70, 0.55, 0.75, 1}, bands);
            Blend(image, x, y, {surface.r * lit, surface.g * lit, surface.b * lit, 1}, Coverage(d - pr));
            // The ring as a tilted ellipse, hidden behind the planet's top.
            double ex = dx * cos(0.35) + dy * sin(0.35), ey = (-dx * sin(0.35) + dy * cos(0.35)) * 3.2;
            double e = sqrt(ex * ex + ey * ey);
            bool behind = ey < 0 && d < pr;
            if (!behind)
                Blend(image, x, y, {0.85, 0.80, 0.65, 1}, 0.8 * Coverage(fabs(e - 58) - 2.5));
        }
    return image;
}

// The template's sprite: a soft round glow, 64 x 64, white at the centre
// through gold to clear at the rim, its alpha falling with the light.
ToolImage DrawBrillo()
{
    const int side = 64;
    ToolImage image = BlankImage(side, side);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            double d = hypot(x + 0.5 - side / 2.0, y + 0.5 - side / 2.0) / (side / 2.0);
            double light = d >= 1 ? 0 : pow(1 - d, 1.2);
            Put(image, x, y, {1.0, 0.75 + 0.25 * light, 0.3 + 0.7 * light * light, light});
        }
    return image;
}

// ---- the fuzz targets' seeds: one small file of each kind

std::vector<ToolImage> SeedImages()
{
    std::vector<ToolImage> images;
    for (auto size : {std::pair<int, int>(4, 3), std::pair<int, int>(5, 4), std::pair<int, int>(1, 1)}) {
        ToolImage image = BlankImage(size.first, size.second);
        for (size_t i = 0; i < image.rgba.size(); ++i)
            image.rgba[i] = uint8_t((i / 4) % 3 == 0 ? 0x40 : i * 37);  // runs and raw stretches
        images.push_back(image);
    }
    return images;
}

bool WriteSeeds(const std::string& dir)
{
    std::vector<ToolImage> images = SeedImages();
    bool ok = true;
    int n = 0;
    for (const ToolImage& image : images)
        for (bool runLength : {false, true})
            for (int bits : {24, 32})
                for (int descriptor : {0, int(TGA_DESCRIPTOR_TOP_LEFT)}) {
                    char name[64];
                    snprintf(name, sizeof name, "/seed-%02d-%s%d.tga", n++, runLength ? "rle" : "raw", bits);
                    std::vector<uint8_t> bytes = EncodeTga(image, runLength, bits, descriptor);
                    if (n % 3 == 0)
                        bytes.insert(bytes.end(), {'t', 'a', 'i', 'l'});  // bytes after the pixels
                    ok = WriteToolFile((dir + name).c_str(), bytes) && ok;
                }
    for (const ToolImage& image : images)
        for (bool alpha : {false, true}) {
            char name[64];
            snprintf(name, sizeof name, "/seed-%02d-%s.png", n++, alpha ? "rgba" : "rgb");
            ok = WriteToolFile((dir + name).c_str(), EncodePng(image, alpha)) && ok;
        }
    return ok;
}

const char usage[] = "usage: mkimages DIR | mkimages --seeds DIR\n";

bool MakeFolder(const char* dir)
{
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    if (error)
        fprintf(stderr, "mkimages: cannot make %s: %s\n", dir, error.message().c_str());
    return !error;
}

}  // namespace

int main(int argc, char** argv)
{
    int status = CheckToolOptions(argc, argv, "mkimages", usage, "--seeds");
    if (status >= 0)
        return status;
    if (argc == 3 && strcmp(argv[1], "--seeds") == 0) {
        if (!MakeFolder(argv[2]))
            return 1;
        if (!WriteSeeds(argv[2])) {
            fprintf(stderr, "mkimages: cannot write the seeds into %s\n", argv[2]);
            return 1;
        }
        return 0;
    }
    if (argc != 2 || strcmp(argv[1], "--seeds") == 0) {
        fputs(usage, stderr);
        return 2;
    }
    if (!MakeFolder(argv[1]))
        return 1;

    std::string dir = argv[1];
    struct {
        const char* name;
        ToolImage image;
        bool runLength;
        int bits;
    } pictures[] = {
        {"celvino.tga", DrawCelvino(), true, 32},
        {"hola.tga", DrawHola(), false, 24},
        {"espacio.tga", DrawEspacio(), true, 24},
    };
    for (const auto& picture : pictures) {
        std::string path = dir + "/" + picture.name;
        if (!WriteToolFile(path.c_str(), EncodeTga(Upright(picture.image), picture.runLength, picture.bits, 0))) {
            fprintf(stderr, "mkimages: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    std::string sprite = dir + "/brillo.png";
    if (!WriteToolFile(sprite.c_str(), EncodePng(Upright(DrawBrillo()), true))) {
        fprintf(stderr, "mkimages: cannot write %s\n", sprite.c_str());
        return 1;
    }
    return 0;
}
