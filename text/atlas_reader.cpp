// Atlas reader: the narrow TGA reader behind the atlas font.
//
// Needs the uncompressed TGA header template of the image reader and the
// standard streams; prints its progress to standard output, and a file it
// cannot load on standard error too.
// Accepts only uncompressed 32-bit square files of side 1..256; every atlas
// is flipped, whatever the descriptor's origin bits say.
#include "text/atlas_font.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "image/file_open.h"
#include "image/tga_reader.h"

static unsigned char* ReadAtlasPixels(FILE* file, int32_t* width, int32_t* height)
{
    unsigned char header[TGA_HEADER_SIZE];
    if (fread(header, 1, sizeof header, file) != sizeof header ||
        memcmp(header, uncompressedTgaHeader, sizeof header) != 0)
        return nullptr;

    unsigned char spec[TGA_SPEC_SIZE];
    if (fread(spec, 1, sizeof spec, file) != sizeof spec)
        return nullptr;
    int32_t side = spec[0] + 256 * spec[1];
    int32_t rows = spec[2] + 256 * spec[3];
    if (side < 1 || side > ATLAS_MAX_SIDE || rows != side || spec[4] != 32)
        return nullptr;

    size_t rowBytes = (size_t)side * 4;
    size_t imageSize = rowBytes * (size_t)side;
    unsigned char* filePixels = (unsigned char*)malloc(imageSize);
    if (!filePixels)
        return nullptr;
    if (fread(filePixels, 1, imageSize, file) != imageSize) {
        free(filePixels);
        return nullptr;
    }
    for (size_t i = 0; i < imageSize; i += 4) {
        unsigned char blue = filePixels[i];
        filePixels[i] = filePixels[i + 2];
        filePixels[i + 2] = blue;
    }

    unsigned char* pixels = (unsigned char*)malloc(imageSize);
    if (!pixels) {
        free(filePixels);
        return nullptr;
    }
    for (int32_t row = 0; row < side; ++row)
        memcpy(pixels + (size_t)(side - 1 - row) * rowBytes, filePixels + (size_t)row * rowBytes, rowBytes);
    free(filePixels);

    *width = side;
    *height = side;
    return pixels;
}

unsigned char* LoadAtlasTga(const char* fileName, int32_t* width, int32_t* height)
{
    if (!fileName || !width || !height)
        return nullptr;
    FILE* file = OpenFileForReading(fileName);
    printf("Cargando TGA... (%s)\n", fileName);
    if (!file) {
        printf("No se puede cargar fichero %s\n", fileName);
        TellFileNotLoaded(fileName);
        return nullptr;
    }
    unsigned char* pixels = ReadAtlasPixels(file, width, height);
    fclose(file);
    if (!pixels)
        TellFileNotLoaded(fileName);
    return pixels;
}
