// Windows-1252 to UTF-8 for what the web layer hands to the page (titles,
// message boxes). Needs: the shared code table in platform/cp1252.h.
#include "platform/cp1252.h"
#include "platform/web/web_internal.h"

int WebAnsiToUtf8(const char* text, char* out, int outSize)
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
        if (used + count >= outSize)
            break;
        for (int i = 0; i < count; ++i)
            out[used++] = bytes[i];
    }
    out[used] = '\0';
    return used;
}
