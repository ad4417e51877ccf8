// Fuzz target: the reading half of LoadMipmappedTga on any bytes, checked
// against the file format: only uncompressed 24- and 32-bit files pass, with
// exactly their pixels, and a refusal leaves no buffer.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "fuzz_input_file.h"
#include "image/mipmap_loader.h"
#include "platform/test_hooks.h"

extern "C" const char* __asan_default_options()
{
    return FUZZ_SANITIZER_OPTIONS;
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    TestHooksReset();
    atexit(RemoveFuzzInput);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    WriteFuzzInput(data, size);
    TestHooksReset();
    TextureRecord record = {};
    record.bitsPerPixel = 7;
    int result = ReadMipmappedTgaPixels(&record, FuzzInputPath());

    static const uint8_t type2[12] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    bool headerOk = size >= 18 && memcmp(data, type2, 12) == 0;
    uint32_t width = headerOk ? uint32_t(data[12] | data[13] << 8) : 0;
    uint32_t height = headerOk ? uint32_t(data[14] | data[15] << 8) : 0;
    uint32_t bits = headerOk ? data[16] : 0;
    bool specOk = width && height && (bits == 24 || bits == 32);
    uint64_t imageSize = uint64_t(width) * height * (bits / 8);
    bool expectOk = headerOk && specOk && imageSize <= FUZZ_ALLOCATION_LIMIT && size - 18 >= imageSize;

    FUZZ_CHECK(result == (expectOk ? 0 : 1));
    FUZZ_CHECK(TestMessageBoxCount() == 0);
    if (headerOk) {
        FUZZ_CHECK(record.width == width && record.height == height);
        FUZZ_CHECK(record.bitsPerPixel == (specOk ? bits : 7u));
    }
    if (result == 0) {
        const size_t bytes = bits / 8;
        FUZZ_CHECK(record.pixels != nullptr);
        for (size_t i = 0; i < imageSize; i += bytes) {
            FUZZ_CHECK(record.pixels[i] == data[18 + i + 2] && record.pixels[i + 1] == data[18 + i + 1] &&
                       record.pixels[i + 2] == data[18 + i]);
            if (bytes == 4)
                FUZZ_CHECK(record.pixels[i + 3] == data[18 + i + 3]);
        }
        free(record.pixels);
    } else {
        FUZZ_CHECK(record.pixels == nullptr);
    }
    return 0;
}
