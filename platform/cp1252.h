// Windows-1252 to Unicode, for turning the system's 8-bit texts into the
// code points that font files index their glyphs by, and into the UTF-8
// that every backend hands its window system (titles, message boxes). Codes 0..127 and
// 160..255 are the same in both; the five unassigned codes map to
// themselves (no face has glyphs there, so they draw as missing).
#pragma once

#include <stdint.h>

inline uint32_t Cp1252ToUnicode(uint32_t code)
{
    static const uint16_t upperControls[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80..87
        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88..8F
        0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90..97
        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98..9F
    };
    if (code >= 0x80 && code <= 0x9F)
        return upperControls[code - 0x80];
    return code;
}

// Zero-terminated whenever outSize > 0, cut at a character boundary when out
// is too small; nothing is written at or past out + outSize. Returns the
// bytes written before the zero; a null text converts as empty.
inline int Cp1252ToUtf8(const char* text, char* out, int outSize)
{
    if (!out || outSize <= 0)
        return 0;
    int used = 0;
    for (const unsigned char* p = (const unsigned char*)(text ? text : ""); *p; ++p) {
        uint32_t code = Cp1252ToUnicode(*p);
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
        // Compared as room left, so that a size near INT_MAX cannot overflow.
        if (count >= outSize - used)
            break;
        for (int i = 0; i < count; ++i)
            out[used++] = bytes[i];
    }
    out[used] = '\0';
    return used;
}
