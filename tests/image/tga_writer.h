// Test-side TGA writer: fixtures are built byte by byte in the tests, so
// that every field, packet and cut is visible where it is used.
#pragma once

#include <stdint.h>
#include <stdio.h>

#include <string>
#include <vector>

// One pixel as the tests think of it: R, G, B, A (A ignored at 24 bits).
struct Rgba {
    unsigned char r, g, b, a;
};

inline bool operator==(const Rgba& x, const Rgba& y)
{
    return x.r == y.r && x.g == y.g && x.b == y.b && x.a == y.a;
}

// The 18-byte header: no image ID, no colour map, origin 0, 0.
inline std::string TgaHeader(int imageType, int width, int height, int bits, int descriptor = 0)
{
    std::string header(18, '\0');
    header[2] = char(imageType);
    header[12] = char(width & 0xFF);
    header[13] = char((width >> 8) & 0xFF);
    header[14] = char(height & 0xFF);
    header[15] = char((height >> 8) & 0xFF);
    header[16] = char(bits);
    header[17] = char(descriptor);
    return header;
}

// A pixel as the file stores it: B, G, R (, A).
inline std::string FilePixel(const Rgba& p, int bits)
{
    std::string bytes;
    bytes += char(p.b);
    bytes += char(p.g);
    bytes += char(p.r);
    if (bits == 32)
        bytes += char(p.a);
    return bytes;
}

// What the reader should hand back for these pixels.
inline std::vector<unsigned char> DecodedPixels(const std::vector<Rgba>& pixels, int bits)
{
    std::vector<unsigned char> bytes;
    for (const Rgba& p : pixels) {
        bytes.push_back(p.r);
        bytes.push_back(p.g);
        bytes.push_back(p.b);
        if (bits == 32)
            bytes.push_back(p.a);
    }
    return bytes;
}

inline std::string UncompressedTga(int width, int height, int bits, const std::vector<Rgba>& pixels,
                                   int descriptor = 0)
{
    std::string file = TgaHeader(2, width, height, bits, descriptor);
    for (const Rgba& p : pixels)
        file += FilePixel(p, bits);
    return file;
}

// Run-length packets: raw packets of 1..128 pixels, run packets of 1..128.
inline std::string RawPacket(const std::vector<Rgba>& pixels, int bits)
{
    std::string packet(1, char(pixels.size() - 1));
    for (const Rgba& p : pixels)
        packet += FilePixel(p, bits);
    return packet;
}

inline std::string RunPacket(int count, const Rgba& p, int bits)
{
    return std::string(1, char(0x80 | (count - 1))) + FilePixel(p, bits);
}

// Where the packets of a run-length body begin and how each is laid out,
// so that a test can cut the stream at any byte and know what is missing.
struct RlePacketLayout {
    size_t offset;  // of the packet header, from the start of the file
    bool run;
    int pixels;
};

// A run-length file whose packets are chosen by the caller: each entry is a
// pixel count, positive for a raw packet and negative for a run; the pixels
// are taken in order from the image (a run repeats its first pixel, so the
// image must hold equal pixels there).
inline std::string RunLengthTga(int width, int height, int bits, const std::vector<Rgba>& pixels,
                                const std::vector<int>& packets, std::vector<RlePacketLayout>* layout = nullptr,
                                int descriptor = 0)
{
    std::string file = TgaHeader(10, width, height, bits, descriptor);
    size_t next = 0;
    for (int packet : packets) {
        if (layout)
            layout->push_back({file.size(), packet < 0, packet < 0 ? -packet : packet});
        if (packet < 0) {
            file += RunPacket(-packet, pixels[next], bits);
            next += size_t(-packet);
        } else {
            std::vector<Rgba> raw(pixels.begin() + long(next), pixels.begin() + long(next) + packet);
            file += RawPacket(raw, bits);
            next += size_t(packet);
        }
    }
    return file;
}

// A small deterministic generator, so that failures reproduce.
struct TestRandom {
    uint32_t state;
    uint32_t Next()
    {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
    int Below(int limit) { return int(Next() % uint32_t(limit)); }
};

// An image with stretches of equal pixels, so that an encoder finds runs.
inline std::vector<Rgba> PatchyImage(int width, int height, TestRandom& random)
{
    std::vector<Rgba> pixels;
    Rgba current = {0, 0, 0, 0};
    int left = 0;
    for (int i = 0; i < width * height; ++i) {
        if (left == 0) {
            current = {(unsigned char)random.Next(), (unsigned char)random.Next(), (unsigned char)random.Next(),
                       (unsigned char)random.Next()};
            left = random.Below(3) == 0 ? 1 : 1 + random.Below(300);
        }
        pixels.push_back(current);
        --left;
    }
    return pixels;
}

// Packets for an image, ignoring rows: runs where pixels repeat, raw
// stretches between them, both cut at 128.
inline std::vector<int> ChoosePackets(const std::vector<Rgba>& pixels)
{
    std::vector<int> packets;
    size_t i = 0;
    while (i < pixels.size()) {
        size_t same = 1;
        while (i + same < pixels.size() && same < 128 && pixels[i + same] == pixels[i])
            ++same;
        if (same >= 2) {
            packets.push_back(-int(same));
            i += same;
            continue;
        }
        size_t raw = 1;
        while (i + raw < pixels.size() && raw < 128 &&
               !(i + raw + 1 < pixels.size() && pixels[i + raw + 1] == pixels[i + raw]))
            ++raw;
        packets.push_back(int(raw));
        i += raw;
    }
    return packets;
}

inline bool WriteBytes(const char* path, const std::string& bytes)
{
    FILE* file = fopen(path, "wb");
    if (!file)
        return false;
    bool ok = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return fclose(file) == 0 && ok;
}
