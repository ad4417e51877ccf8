// Windows-1252 to Unicode, for turning the system's 8-bit texts into the
// code points that font files index their glyphs by. Codes 0..127 and
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
