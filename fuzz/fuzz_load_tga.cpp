// Fuzz target: LoadTga on any bytes, checked against a plain reference
// decoder written from the file format, so that a wrong message, a wrong
// pixel or a buffer left behind is caught as well as a memory fault.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "fuzz_input_file.h"
#include "image/tga_reader.h"
#include "platform/test_hooks.h"

extern "C" const char* __asan_default_options()
{
    return FUZZ_SANITIZER_OPTIONS;
}

namespace {

struct Expected {
    TgaMessage message;
    uint32_t width, height, bits;
    bool pixelsMatch;
};

// Decodes the bytes by the format's rules. When the reader produced pixels,
// each decoded pixel is compared with them on the way (no second buffer).
Expected Reference(const uint8_t* data, size_t size, const uint8_t* actual)
{
    Expected e = {TGA_MESSAGE_NONE, 0, 0, 0, true};
    static const uint8_t type2[12] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    static const uint8_t type10[12] = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    if (size < 12)
        return e.message = TGA_MESSAGE_HEADER, e;
    bool runLength = memcmp(data, type10, 12) == 0;
    if (!runLength && memcmp(data, type2, 12) != 0)
        return e.message = TGA_MESSAGE_TYPE, e;
    if (size < 18)
        return e.message = TGA_MESSAGE_INFO_HEADER, e;
    e.width = data[12] | data[13] << 8;
    e.height = data[14] | data[15] << 8;
    e.bits = data[16];
    if (!e.width || !e.height || (e.bits != 24 && e.bits != 32))
        return e.message = TGA_MESSAGE_INVALID_INFO, e;
    const size_t bytes = e.bits / 8;
    const uint64_t count = uint64_t(e.width) * e.height;
    if (count * bytes > FUZZ_ALLOCATION_LIMIT)
        return e.message = TGA_MESSAGE_NO_MEMORY, e;

    size_t at = 18;
    uint64_t written = 0;
    auto store = [&](const uint8_t* p) {
        if (actual) {
            const uint8_t* q = actual + written;
            e.pixelsMatch = e.pixelsMatch && q[0] == p[2] && q[1] == p[1] && q[2] == p[0] && (bytes == 3 || q[3] == p[3]);
        }
        written += bytes;
    };
    if (!runLength) {
        if (size - at < count * bytes)
            return e.message = TGA_MESSAGE_IMAGE_DATA, e;
        for (uint64_t k = 0; k < count; ++k)
            store(data + at + k * bytes);
        return e;
    }
    uint64_t decoded = 0;
    do {
        if (at >= size)
            return e.message = TGA_MESSAGE_RLE_HEADER, e;
        unsigned header = data[at++];
        if (header < 128) {
            for (unsigned k = 0; k <= header; ++k) {
                if (size - at < bytes)
                    return e.message = TGA_MESSAGE_IMAGE_DATA, e;
                if (decoded == count)
                    return e.message = TGA_MESSAGE_TOO_MANY_PIXELS, e;
                store(data + at);
                at += bytes;
                ++decoded;
            }
        } else {
            if (size - at < bytes)
                return e.message = TGA_MESSAGE_RUN_PIXEL, e;
            for (unsigned k = 0; k < header - 127; ++k) {
                if (decoded == count)
                    return e.message = TGA_MESSAGE_TOO_MANY_PIXELS, e;
                store(data + at);
                ++decoded;
            }
            at += bytes;
        }
    } while (decoded < count);
    return e;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // Boxes are recorded by the layer, never shown.
    TestHooksReset();
    atexit(RemoveFuzzInput);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    WriteFuzzInput(data, size);
    TestHooksReset();
    TextureRecord record = {};
    bool loaded = LoadTga(&record, FuzzInputPath());
    Expected expected = Reference(data, size, loaded ? record.pixels : nullptr);

    FUZZ_CHECK(loaded == (expected.message == TGA_MESSAGE_NONE));
    FUZZ_CHECK(lastTgaMessage == expected.message);
    if (loaded) {
        FUZZ_CHECK(TestMessageBoxCount() == 0);
        FUZZ_CHECK(record.width == expected.width && record.height == expected.height);
        FUZZ_CHECK(record.bitsPerPixel == expected.bits);
        FUZZ_CHECK(record.pixels && expected.pixelsMatch);
        free(record.pixels);
    } else {
        FUZZ_CHECK(record.pixels == nullptr);
        FUZZ_CHECK(TestMessageBoxCount() == 1);
        const TestMessageBox* box = TestMessageBoxAt(0);
        FUZZ_CHECK(strcmp(box->text, tgaMessages[expected.message].text) == 0);
        FUZZ_CHECK(strcmp(box->caption, tgaMessages[expected.message].caption) == 0);
    }
    return 0;
}
