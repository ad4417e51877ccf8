// TGA writing for the tools (start-up image generator, benchmark files).
//
// Writes what the reader accepts: image type 2 or 10, 24 or 32 bits, no
// image ID, no colour map, origin 0, 0. Pixels are given R, G, B, A, first
// row first; the descriptor's origin bit says which way up that is. The
// run-length encoder ignores rows, so packets run on from one row into the
// next, and it uses both packet kinds: runs for 2..128 equal pixels, raw
// packets of 1..128 for the rest.
#pragma once

#include <stdint.h>
#include <stdio.h>

#include <vector>

struct ToolImage {
    int width;
    int height;
    std::vector<uint8_t> rgba;  // width * height * 4
};

enum { TGA_DESCRIPTOR_TOP_LEFT = 0x20 };

inline void AppendFilePixel(std::vector<uint8_t>& out, const uint8_t* rgba, int bits)
{
    out.push_back(rgba[2]);
    out.push_back(rgba[1]);
    out.push_back(rgba[0]);
    if (bits == 32)
        out.push_back(rgba[3]);
}

inline bool SameFilePixel(const uint8_t* a, const uint8_t* b, int bits)
{
    return a[0] == b[0] && a[1] == b[1] && a[2] == b[2] && (bits == 24 || a[3] == b[3]);
}

inline std::vector<uint8_t> EncodeTga(const ToolImage& image, bool runLength, int bits, int descriptor)
{
    std::vector<uint8_t> out(18, 0);
    out[2] = runLength ? 10 : 2;
    out[12] = uint8_t(image.width & 0xFF);
    out[13] = uint8_t(image.width >> 8);
    out[14] = uint8_t(image.height & 0xFF);
    out[15] = uint8_t(image.height >> 8);
    out[16] = uint8_t(bits);
    out[17] = uint8_t(descriptor | (bits == 32 ? 8 : 0));

    const size_t count = size_t(image.width) * size_t(image.height);
    const uint8_t* pixel = image.rgba.data();
    if (!runLength) {
        for (size_t i = 0; i < count; ++i)
            AppendFilePixel(out, pixel + 4 * i, bits);
        return out;
    }

    size_t i = 0;
    while (i < count) {
        size_t same = 1;
        while (i + same < count && same < 128 && SameFilePixel(pixel + 4 * i, pixel + 4 * (i + same), bits))
            ++same;
        if (same >= 2) {
            out.push_back(uint8_t(0x80 | (same - 1)));
            AppendFilePixel(out, pixel + 4 * i, bits);
            i += same;
            continue;
        }
        // A raw stretch ends where two equal pixels begin a run.
        size_t raw = 1;
        while (i + raw < count && raw < 128 &&
               !(i + raw + 1 < count && SameFilePixel(pixel + 4 * (i + raw), pixel + 4 * (i + raw + 1), bits)))
            ++raw;
        out.push_back(uint8_t(raw - 1));
        for (size_t k = 0; k < raw; ++k)
            AppendFilePixel(out, pixel + 4 * (i + k), bits);
        i += raw;
    }
    return out;
}

inline bool WriteToolFile(const char* path, const std::vector<uint8_t>& bytes)
{
    FILE* file = fopen(path, "wb");
    if (!file)
        return false;
    bool written = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return fclose(file) == 0 && written;
}
