#include "image/tga_reader.h"

#include <stdlib.h>
#include <string.h>

#include "image/file_open.h"
#include "image/pixel_order.h"
#include "platform/gl.h"

#ifdef _WIN32
#define TgaGetByte(file) _getc_nolock(file)
#else
#define TgaGetByte(file) getc_unlocked(file)
#endif

const unsigned char uncompressedTgaHeader[TGA_HEADER_SIZE] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
const unsigned char compressedTgaHeader[TGA_HEADER_SIZE] = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0};

unsigned char tgaFileHeader[TGA_HEADER_SIZE];
TgaImageInfo tgaImageInfo;

const TgaMessageText tgaMessages[TGA_MESSAGE_COUNT] = {
    {"No puedo abrir el fichero de textura !", "ERROR"},
    {"No puedo leer la cabecera del TGA", "ERROR"},
    {"TGA file be type 2 or type 10 ", "Invalid Image"},
    {"Could not read info header", "ERROR"},
    {"Invalid texture information", "ERROR"},
    {"Could not allocate memory for image", "ERROR"},
    {"Could not read image data", "ERROR"},
    {"Could not read RLE header", "ERROR"},
    {"Could not read from file", "ERROR"},
    {"Too many pixels read", "ERROR"},
};

bool showTgaMessages = true;
TgaMessage lastTgaMessage = TGA_MESSAGE_NONE;

namespace {

// A larger stream buffer than the default page: the run-length reader goes
// through the stream a few bytes at a time, and a start-up image then costs
// a handful of read calls instead of hundreds.
enum { TGA_STREAM_BUFFER_SIZE = 1 << 16 };
char tgaStreamBuffer[TGA_STREAM_BUFFER_SIZE];

void ShowTgaMessage(TgaMessage message)
{
    lastTgaMessage = message;
    if (showTgaMessages)
        MessageBoxA(nullptr, tgaMessages[message].text, tgaMessages[message].caption, MB_OK);
}

// The box comes first: the user sees the failure before anything is undone.
bool FailRead(TgaMessage message, TextureRecord* record, FILE* file)
{
    ShowTgaMessage(message);
    fclose(file);
    free(record->pixels);
    record->pixels = nullptr;
    return false;
}

// Steps shared by both body readers, up to and including the pixel buffer.
bool ReadImageInfo(TextureRecord* record, FILE* file)
{
    if (fread(tgaImageInfo.spec, 1, TGA_SPEC_SIZE, file) != TGA_SPEC_SIZE)
        return FailRead(TGA_MESSAGE_INFO_HEADER, record, file);

    const unsigned char* spec = tgaImageInfo.spec;
    record->width = spec[1] * 256u + spec[0];
    record->height = spec[3] * 256u + spec[2];
    record->bitsPerPixel = spec[4];
    tgaImageInfo.width = record->width;
    tgaImageInfo.height = record->height;
    tgaImageInfo.bitsPerPixel = record->bitsPerPixel;

    if (record->width == 0 || record->height == 0 || (record->bitsPerPixel != 24 && record->bitsPerPixel != 32))
        return FailRead(TGA_MESSAGE_INVALID_INFO, record, file);

    record->pixelFormat = record->bitsPerPixel == 24 ? GL_RGB : GL_RGBA;
    tgaImageInfo.bytesPerPixel = record->bitsPerPixel / 8;

    // Up to 65535 x 65535 x 4 bytes: the product needs 64 bits, and a size
    // that the 32-bit imageSize cannot hold is refused like a failed
    // allocation, so the buffer is never smaller than what lands in it.
    uint64_t imageSize = uint64_t(tgaImageInfo.bytesPerPixel) * record->width * record->height;
    if (imageSize > UINT32_MAX)
        return FailRead(TGA_MESSAGE_NO_MEMORY, record, file);
    tgaImageInfo.imageSize = uint32_t(imageSize);

    record->pixels = static_cast<unsigned char*>(malloc(tgaImageInfo.imageSize));
    if (!record->pixels)
        return FailRead(TGA_MESSAGE_NO_MEMORY, record, file);
    return true;
}

bool ReadStreamPixel(FILE* file, unsigned char* colour, uint32_t bytesPerPixel)
{
    for (uint32_t k = 0; k < bytesPerPixel; ++k) {
        int byte = TgaGetByte(file);
        if (byte == EOF)
            return false;
        colour[k] = static_cast<unsigned char>(byte);
    }
    return true;
}

}  // namespace

bool LoadTga(TextureRecord* record, const char* path)
{
    // A record may come in holding anything; a failed read leaves no buffer.
    record->pixels = nullptr;
    lastTgaMessage = TGA_MESSAGE_NONE;

    FILE* file = OpenFileForReading(path);
    if (!file) {
        ShowTgaMessage(TGA_MESSAGE_OPEN);
        return false;
    }
    setvbuf(file, tgaStreamBuffer, _IOFBF, sizeof tgaStreamBuffer);

    if (fread(tgaFileHeader, 1, TGA_HEADER_SIZE, file) != TGA_HEADER_SIZE) {
        ShowTgaMessage(TGA_MESSAGE_HEADER);
        fclose(file);
        return false;
    }
    if (memcmp(tgaFileHeader, uncompressedTgaHeader, TGA_HEADER_SIZE) == 0)
        return LoadUncompressedTga(record, file);
    if (memcmp(tgaFileHeader, compressedTgaHeader, TGA_HEADER_SIZE) == 0)
        return LoadCompressedTga(record, file);

    ShowTgaMessage(TGA_MESSAGE_TYPE);
    fclose(file);
    return false;
}

bool LoadUncompressedTga(TextureRecord* record, FILE* file)
{
    record->pixels = nullptr;
    lastTgaMessage = TGA_MESSAGE_NONE;
    if (!ReadImageInfo(record, file))
        return false;

    if (fread(record->pixels, 1, tgaImageInfo.imageSize, file) != tgaImageInfo.imageSize)
        return FailRead(TGA_MESSAGE_IMAGE_DATA, record, file);
    // One read of the block, then the exchange: on a page-cached file the
    // read is a copy at memory speed, and splitting it costs more in read
    // calls than it saves in cache misses.
    SwapRedAndBlue(record->pixels, tgaImageInfo.imageSize, tgaImageInfo.bytesPerPixel);

    fclose(file);
    return true;
}

bool LoadCompressedTga(TextureRecord* record, FILE* file)
{
    record->pixels = nullptr;
    lastTgaMessage = TGA_MESSAGE_NONE;
    if (!ReadImageInfo(record, file))
        return false;

    const uint32_t pixelCount = tgaImageInfo.height * tgaImageInfo.width;
    const uint32_t bytesPerPixel = tgaImageInfo.bytesPerPixel;
    uint32_t decodedPixels = 0;
    unsigned char* writePosition = record->pixels;
    // Fixed, not allocated: there is no message for failing to get it.
    unsigned char colour[4] = {0, 0, 0, 0};

    do {
        int header = TgaGetByte(file);
        if (header == EOF)
            return FailRead(TGA_MESSAGE_RLE_HEADER, record, file);

        if (header < 128) {
            // Each pixel is read before the count is checked, so a file that
            // ends inside an overlong raw packet reports the short read.
            for (int k = 0; k < header + 1; ++k) {
                if (!ReadStreamPixel(file, colour, bytesPerPixel))
                    return FailRead(TGA_MESSAGE_IMAGE_DATA, record, file);
                if (decodedPixels == pixelCount)
                    return FailRead(TGA_MESSAGE_TOO_MANY_PIXELS, record, file);
                writePosition[0] = colour[2];
                writePosition[1] = colour[1];
                writePosition[2] = colour[0];
                if (bytesPerPixel == 4)
                    writePosition[3] = colour[3];
                writePosition += bytesPerPixel;
                ++decodedPixels;
            }
        } else {
            if (!ReadStreamPixel(file, colour, bytesPerPixel))
                return FailRead(TGA_MESSAGE_RUN_PIXEL, record, file);
            for (int k = 0; k < header - 127; ++k) {
                if (decodedPixels == pixelCount)
                    return FailRead(TGA_MESSAGE_TOO_MANY_PIXELS, record, file);
                writePosition[0] = colour[2];
                writePosition[1] = colour[1];
                writePosition[2] = colour[0];
                if (bytesPerPixel == 4)
                    writePosition[3] = colour[3];
                writePosition += bytesPerPixel;
                ++decodedPixels;
            }
        }
    } while (decodedPixels < pixelCount);

    fclose(file);
    return true;
}
