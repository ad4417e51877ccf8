// Windows-1252 to UTF-8 for everything the layer hands to SDL (titles,
// message boxes, standard error).
// Needs: nothing. Limits: the five bytes Windows-1252 leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the C1 controls of the same value,
// as Windows' own conversion does.
#include "platform/sdl/layer_internal.h"

// 0x80..0x9F are the only bytes that differ from Latin-1.
static const uint16_t highControlRow[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

int LayerAnsiToUtf8(const char* text, char* out, int outSize)
{
    if (!out || outSize <= 0)
        return 0;
    int used = 0;
    for (const unsigned char* p = (const unsigned char*)(text ? text : ""); *p; ++p) {
        unsigned code = *p;
        if (code >= 0x80 && code <= 0x9F)
            code = highControlRow[code - 0x80];
        char bytes[3];
        int count;
        if (code < 0x80) {
            bytes[0] = (char)code;
            count = 1;
        } else if (code < 0x800) {
            bytes[0] = (char)(0xC0 | (code >> 6));
            bytes[1] = (char)(0x80 | (code & 0x3F));
            count = 2;
        } else {
            bytes[0] = (char)(0xE0 | (code >> 12));
            bytes[1] = (char)(0x80 | ((code >> 6) & 0x3F));
            bytes[2] = (char)(0x80 | (code & 0x3F));
            count = 3;
        }
        if (used + count >= outSize)
            break;
        for (int i = 0; i < count; ++i)
            out[used++] = bytes[i];
    }
    out[used] = '\0';
    return used;
}
