#include "image/mipmap_loader.h"

#include <stdlib.h>
#include <string.h>

#include "image/file_open.h"
#include "image/pixel_order.h"
#include "platform/gl.h"

namespace {

// Its own copy: this loader accepts the uncompressed layout only, whatever
// the reader comes to accept.
const unsigned char mipmapTgaHeader[TGA_HEADER_SIZE] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};

}  // namespace

int ReadMipmappedTgaPixels(TextureRecord* record, const char* path)
{
    record->pixels = nullptr;

    FILE* file = OpenFileForReading(path);
    if (!file)
        return 1;

    unsigned char header[TGA_HEADER_SIZE];
    unsigned char spec[TGA_SPEC_SIZE];
    if (fread(header, 1, TGA_HEADER_SIZE, file) != TGA_HEADER_SIZE ||
        memcmp(header, mipmapTgaHeader, TGA_HEADER_SIZE) != 0 ||
        fread(spec, 1, TGA_SPEC_SIZE, file) != TGA_SPEC_SIZE) {
        fclose(file);
        return 1;
    }

    record->width = spec[1] * 256u + spec[0];
    record->height = spec[3] * 256u + spec[2];
    uint32_t depth = spec[4];
    if (record->width == 0 || record->height == 0 || (depth != 24 && depth != 32)) {
        fclose(file);
        return 1;
    }

    record->bitsPerPixel = depth;
    uint32_t bytesPerPixel = depth / 8;
    // 64-bit product: 65535 x 65535 x 4 does not fit in 32 bits.
    uint64_t imageSize = uint64_t(record->width) * record->height * bytesPerPixel;
    if (imageSize <= UINT32_MAX)
        record->pixels = static_cast<unsigned char*>(malloc(size_t(imageSize)));
    if (!record->pixels || fread(record->pixels, 1, size_t(imageSize), file) != imageSize) {
        free(record->pixels);
        record->pixels = nullptr;
        fclose(file);
        return 1;
    }

    SwapRedAndBlue(record->pixels, size_t(imageSize), bytesPerPixel);
    fclose(file);
    return 0;
}

int LoadMipmappedTga(TextureRecord* record, const char* path)
{
    if (ReadMipmappedTgaPixels(record, path) != 0)
        return 1;

    glGenTextures(1, &record->texId);
    glBindTexture(GL_TEXTURE_2D, record->texId);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST);

    // Rows are tightly packed; under the default unpack alignment of 4 the
    // builder would read a 24-bit image of odd width skewed and past the end
    // of the buffer. The caller's alignment is put back afterwards.
    GLint unpackAlignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &unpackAlignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gluBuild2DMipmaps(GL_TEXTURE_2D, 3, GLint(record->width), GLint(record->height),
                      record->bitsPerPixel == 24 ? GL_RGB : GL_RGBA, GL_UNSIGNED_BYTE, record->pixels);
    glPixelStorei(GL_UNPACK_ALIGNMENT, unpackAlignment);
    return 0;
}

int GetFileLength(const char* path)
{
    FILE* file = OpenFileForReading(path);
    if (!file) {
        printf("\nNo se puede abrir %s para lectura.", path);
        return 666;
    }
    fseek(file, 0, SEEK_END);
    long length = ftell(file);
    fclose(file);
    return int(length);
}
