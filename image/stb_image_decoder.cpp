#include "image/stb_image_decoder.h"

#include <stdlib.h>

// Static, so that a demo free to use stb_image itself links beside us.
// The decoder's buffers come from our allocator, so that a record's pixels
// are freed the same way whichever reader made them.
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_NO_FAILURE_STRINGS
#define STBI_MAX_DIMENSIONS 65535
#define STBI_MALLOC malloc
#define STBI_REALLOC realloc
#define STBI_FREE free
#include <stb_image.h>

bool DecodedImageInfo(const unsigned char* bytes, size_t size, int* width, int* height, int* channels)
{
    return size <= 0x7FFFFFFF && stbi_info_from_memory(bytes, (int)size, width, height, channels) != 0;
}

unsigned char* DecodeImage(const unsigned char* bytes, size_t size, int bytesPerPixel)
{
    // Our textures hold the bottom row first, as our TGA files do.
    stbi_set_flip_vertically_on_load(1);
    int width = 0, height = 0, channels = 0;
    return stbi_load_from_memory(bytes, (int)size, &width, &height, &channels, bytesPerPixel);
}

// The decoder takes a Huffman table's sixteen code counts on trust and
// stores that many symbols into room for 256; every table in the file is
// checked here first, wherever a marker puts one (between scans too).
bool JpegTablesFit(const unsigned char* bytes, size_t size)
{
    size_t at = 2;  // past the start-of-image marker
    while (at + 1 < size) {
        if (bytes[at] != 0xFF) {
            ++at;  // entropy-coded data
            continue;
        }
        unsigned marker = bytes[at + 1];
        if (marker == 0x00 || marker == 0xFF || (marker >= 0xD0 && marker <= 0xD9)) {
            at += marker == 0xFF ? 1 : 2;  // stuffing, fill, restarts, start and end
            continue;
        }
        if (at + 3 >= size)
            return true;  // the decoder meets the same end
        size_t length = (size_t)bytes[at + 2] << 8 | bytes[at + 3];
        if (marker == 0xC4) {
            for (size_t table = at + 4; table < at + 2 + length;) {
                size_t count = 0;
                for (int k = 1; k <= 16; ++k)
                    count += table + k < size ? bytes[table + k] : 0;
                if (count > 256)
                    return false;
                table += 17 + count;
            }
        }
        at += 2 + length;
    }
    return true;
}
