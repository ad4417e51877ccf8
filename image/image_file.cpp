#include "image/image_file.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "image/file_open.h"
#include "image/stb_image_decoder.h"
#include "platform/gl.h"

namespace {

// A file larger than this is not read (the decoder takes int sizes).
enum : long { LARGEST_SIDE = 65535, LARGEST_FILE = 0x7FFFFFFF };

const unsigned char pngMagic[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
const unsigned char jpegMagic[3] = {0xFF, 0xD8, 0xFF};

bool Fail(TgaMessage message, TextureRecord* record)
{
    lastTgaMessage = message;
    if (showTgaMessages)
        MessageBoxA(nullptr, tgaMessages[message].text, tgaMessages[message].caption, MB_OK);
    record->pixels = nullptr;
    return false;
}

}  // namespace

bool LoadImageFile(TextureRecord* record, const char* path)
{
    FILE* file = OpenFileForReading(path);
    if (!file)
        return LoadTga(record, path);  // its own "cannot open" box
    unsigned char magic[8];
    size_t got = fread(magic, 1, sizeof magic, file);
    bool png = got == sizeof pngMagic && memcmp(magic, pngMagic, sizeof pngMagic) == 0;
    bool jpeg = got >= sizeof jpegMagic && memcmp(magic, jpegMagic, sizeof jpegMagic) == 0;
    if (!png && !jpeg) {
        fclose(file);
        return LoadTga(record, path);
    }

    // The whole file in memory: the JPEG check reads it before the decoder.
    unsigned char* bytes = nullptr;
    size_t size = 0;
    if (fseek(file, 0, SEEK_END) == 0) {
        long end = ftell(file);
        if (end > 0 && end <= LARGEST_FILE && fseek(file, 0, SEEK_SET) == 0) {
            bytes = (unsigned char*)malloc((size_t)end);
            if (bytes && fread(bytes, 1, (size_t)end, file) == (size_t)end)
                size = (size_t)end;
        }
    }
    fclose(file);
    int width = 0, height = 0, channels = 0;
    if (!size || (jpeg && !JpegTablesFit(bytes, size)) || !DecodedImageInfo(bytes, size, &width, &height, &channels)) {
        free(bytes);
        return Fail(TGA_MESSAGE_IMAGE_DATA, record);
    }
    // Grey and grey-with-alpha come out as RGB and RGBA, as a TGA holds them.
    int pixelBytes = channels == 2 || channels == 4 ? 4 : 3;
    // As the TGA reader: a buffer whose size needs more than 32 bits is
    // refused like one the allocator cannot give.
    if (width < 1 || height < 1 || width > LARGEST_SIDE || height > LARGEST_SIDE ||
        uint64_t(width) * uint64_t(height) * uint64_t(pixelBytes) > UINT32_MAX) {
        free(bytes);
        return Fail(TGA_MESSAGE_NO_MEMORY, record);
    }
    record->pixels = DecodeImage(bytes, size, pixelBytes);
    free(bytes);
    if (!record->pixels)
        return Fail(TGA_MESSAGE_IMAGE_DATA, record);
    record->width = (uint32_t)width;
    record->height = (uint32_t)height;
    record->bitsPerPixel = (uint32_t)pixelBytes * 8;
    record->pixelFormat = pixelBytes == 3 ? GL_RGB : GL_RGBA;
    lastTgaMessage = TGA_MESSAGE_NONE;
    return true;
}
