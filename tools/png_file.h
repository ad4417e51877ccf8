// PNG writing for the tools and tests: 8-bit RGB or RGBA, no interlace,
// the image data in stored (uncompressed) deflate blocks, so it needs no
// compression library. Rows are given as the TGA writer's default holds
// them, bottom row first, and written top row first as PNG keeps them: the
// same ToolImage gives the same picture in both files.
#pragma once

#include <stdint.h>

#include <vector>

#include "tools/tga_file.h"

inline uint32_t PngCrc(const uint8_t* bytes, size_t length, uint32_t crc = 0)
{
    crc = ~crc;
    for (size_t i = 0; i < length; ++i) {
        crc ^= bytes[i];
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

inline void PngPut32(std::vector<uint8_t>& out, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(uint8_t(value >> shift));
}

inline void PngChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data)
{
    PngPut32(out, uint32_t(data.size()));
    size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    PngPut32(out, PngCrc(out.data() + start, out.size() - start));
}

inline std::vector<uint8_t> EncodePng(const ToolImage& image, bool alpha)
{
    const int channels = alpha ? 4 : 3;
    std::vector<uint8_t> raw;  // filter byte 0, then the row
    for (int row = image.height - 1; row >= 0; --row) {
        raw.push_back(0);
        for (int x = 0; x < image.width; ++x)
            for (int c = 0; c < channels; ++c)
                raw.push_back(image.rgba[((size_t)row * image.width + x) * 4 + c]);
    }
    std::vector<uint8_t> zlib = {0x78, 0x01};
    uint32_t a = 1, b = 0;
    for (uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    size_t at = 0;
    do {
        size_t length = raw.size() - at < 65535 ? raw.size() - at : 65535;
        zlib.push_back(at + length == raw.size() ? 1 : 0);
        zlib.push_back(uint8_t(length));
        zlib.push_back(uint8_t(length >> 8));
        zlib.push_back(uint8_t(~length));
        zlib.push_back(uint8_t(~length >> 8));
        zlib.insert(zlib.end(), raw.begin() + at, raw.begin() + at + length);
        at += length;
    } while (at < raw.size());
    PngPut32(zlib, (b << 16) | a);

    std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    PngPut32(header, uint32_t(image.width));
    PngPut32(header, uint32_t(image.height));
    header.insert(header.end(), {8, uint8_t(alpha ? 6 : 2), 0, 0, 0});
    PngChunk(out, "IHDR", header);
    PngChunk(out, "IDAT", zlib);
    PngChunk(out, "IEND", {});
    return out;
}
