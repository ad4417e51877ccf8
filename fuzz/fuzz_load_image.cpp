// Fuzz target: LoadImageFile on any bytes. Without a PNG or JPEG signature
// it must answer exactly as LoadTga does on the same file; with one, it
// must either give a whole picture within its limits (every byte of it is
// read, so a short buffer is caught) or refuse with one of its two boxes
// and no buffer left behind.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "fuzz_input_file.h"
#include "image/image_file.h"
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
    bool loaded = LoadImageFile(&record, FuzzInputPath());
    TgaMessage message = lastTgaMessage;

    static const uint8_t png[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    static const uint8_t jpeg[3] = {0xFF, 0xD8, 0xFF};
    bool decoded = (size >= 8 && memcmp(data, png, 8) == 0) || (size >= 3 && memcmp(data, jpeg, 3) == 0);
    if (!decoded) {
        TextureRecord tga = {};
        bool tgaLoaded = LoadTga(&tga, FuzzInputPath());
        FUZZ_CHECK(loaded == tgaLoaded && message == lastTgaMessage);
        if (loaded) {
            FUZZ_CHECK(record.width == tga.width && record.height == tga.height);
            FUZZ_CHECK(record.bitsPerPixel == tga.bitsPerPixel && record.pixelFormat == tga.pixelFormat);
            FUZZ_CHECK(memcmp(record.pixels, tga.pixels, size_t(record.width) * record.height * record.bitsPerPixel / 8) == 0);
        }
        free(tga.pixels);
    } else if (loaded) {
        FUZZ_CHECK(message == TGA_MESSAGE_NONE && TestMessageBoxCount() == 0);
        FUZZ_CHECK(record.width >= 1 && record.width <= 65535 && record.height >= 1 && record.height <= 65535);
        FUZZ_CHECK(record.bitsPerPixel == 24 || record.bitsPerPixel == 32);
        FUZZ_CHECK(record.pixels != nullptr);
        unsigned sum = 0;
        size_t bytes = size_t(record.width) * record.height * record.bitsPerPixel / 8;
        for (size_t i = 0; i < bytes; ++i)
            sum += record.pixels[i];
        volatile unsigned sink = sum;
        (void)sink;
    } else {
        FUZZ_CHECK(record.pixels == nullptr);
        FUZZ_CHECK(message == TGA_MESSAGE_IMAGE_DATA || message == TGA_MESSAGE_NO_MEMORY);
        FUZZ_CHECK(TestMessageBoxCount() == 1);
        FUZZ_CHECK(strcmp(TestMessageBoxAt(0)->text, tgaMessages[message].text) == 0);
    }
    free(record.pixels);
    return 0;
}
