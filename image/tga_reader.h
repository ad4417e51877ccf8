// TGA reader: one true-colour TGA file into a TextureRecord, ready to upload.
//
// Needs: the standard buffered streams and allocator, MessageBoxA (every
// failure is shown at once in a box with no owner, MB_OK, no icon), and the
// GL pixel-format constants.
// Switch: showTgaMessages (on) lets a tool take the failure without a box.
// Reads: image type 2 (uncompressed) and 10 (run-length), 24 or 32 bits per
// pixel, no image ID, no colour map, zero origin. Everything else is refused.
// Pixels come out R, G, B (, A), rows in file order (the origin bits of the
// descriptor are not looked at), tightly packed.
// Limits: width and height 1..65535; a pixel buffer that does not fit in
// 32 bits of size is refused like one the allocator cannot give. The working
// state is process-wide: one file at a time, not re-entrant.
#pragma once

#include <stdint.h>
#include <stdio.h>

struct TextureRecord {
    unsigned char* pixels;  // owning; null when the record holds no buffer
    uint32_t bitsPerPixel;  // 24 or 32
    uint32_t width;
    uint32_t height;
    uint32_t texId;        // 0 until an upload makes a texture
    uint32_t pixelFormat;  // GL_RGB or GL_RGBA
};

struct TgaImageInfo {
    unsigned char spec[6];  // image specification from file offset 12
    uint32_t bytesPerPixel;
    uint32_t imageSize;  // bytes of decoded pixels
    uint32_t height;
    uint32_t width;
    uint32_t bitsPerPixel;
};

enum { TGA_HEADER_SIZE = 12, TGA_SPEC_SIZE = 6 };

extern const unsigned char uncompressedTgaHeader[TGA_HEADER_SIZE];
extern const unsigned char compressedTgaHeader[TGA_HEADER_SIZE];

// Working state of the last file read.
extern unsigned char tgaFileHeader[TGA_HEADER_SIZE];
extern TgaImageInfo tgaImageInfo;

// Every failure the reader can show, in the order the checks meet them.
enum TgaMessage {
    TGA_MESSAGE_OPEN,
    TGA_MESSAGE_HEADER,
    TGA_MESSAGE_TYPE,
    TGA_MESSAGE_INFO_HEADER,
    TGA_MESSAGE_INVALID_INFO,
    TGA_MESSAGE_NO_MEMORY,
    TGA_MESSAGE_IMAGE_DATA,
    TGA_MESSAGE_RLE_HEADER,
    TGA_MESSAGE_RUN_PIXEL,
    TGA_MESSAGE_TOO_MANY_PIXELS,
    TGA_MESSAGE_COUNT,
    TGA_MESSAGE_NONE = TGA_MESSAGE_COUNT
};

struct TgaMessageText {
    const char* text;
    const char* caption;
};

extern const TgaMessageText tgaMessages[TGA_MESSAGE_COUNT];

// On (the start value): every failure is shown in a box. Tools that report
// failures in their own way turn it off and read lastTgaMessage instead.
extern bool showTgaMessages;
// The failure of the latest read, TGA_MESSAGE_NONE after a success.
extern TgaMessage lastTgaMessage;

// True: the record is filled and the caller owns its pixels. False: the
// failure has been shown and the record holds no pixel buffer.
bool LoadTga(TextureRecord* record, const char* path);
// The body readers take the file positioned at offset 12 and close it on
// every path.
bool LoadUncompressedTga(TextureRecord* record, FILE* file);
bool LoadCompressedTga(TextureRecord* record, FILE* file);
