// Fuzz target: LoadAtlasTga on any bytes, checked against the atlas format
// written out plainly, so that a wrong refusal, a wrong pixel or a size
// written on failure is caught as well as a memory fault.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "fuzz_input_file.h"
#include "text/atlas_font.h"

extern "C" const char* __asan_default_options()
{
    return FUZZ_SANITIZER_OPTIONS;
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // The reader prints a line per file; libFuzzer reports on standard error.
    if (!freopen("/dev/null", "w", stdout))
        abort();
    atexit(RemoveFuzzInput);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    WriteFuzzInput(data, size);
    int32_t width = -1, height = -1;
    unsigned char* pixels = LoadAtlasTga(FuzzInputPath(), &width, &height);

    static const uint8_t header[12] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    size_t side = size >= 18 ? size_t(data[12] | data[13] << 8) : 0;
    bool accepted = size >= 18 && memcmp(data, header, 12) == 0 && side >= 1 && side <= 256 &&
                    size_t(data[14] | data[15] << 8) == side && data[16] == 32 && size - 18 >= side * side * 4;

    FUZZ_CHECK((pixels != nullptr) == accepted);
    if (!accepted) {
        FUZZ_CHECK(width == -1 && height == -1);
        return 0;
    }
    FUZZ_CHECK(width == int32_t(side) && height == int32_t(side));
    // Output row r is file row side - 1 - r, each pixel B, G, R, A turned R, G, B, A.
    for (size_t row = 0; row < side; ++row)
        for (size_t column = 0; column < side; ++column) {
            const uint8_t* in = data + 18 + ((side - 1 - row) * side + column) * 4;
            const uint8_t* out = pixels + (row * side + column) * 4;
            FUZZ_CHECK(out[0] == in[2] && out[1] == in[1] && out[2] == in[0] && out[3] == in[3]);
        }
    free(pixels);
    return 0;
}
