// Bitmap font printing: printf-style text through the font's display lists
// at the caller's raster position and colour.
//
// Needs a current GL context holding the lists of BuildBitmapFont.
// Limits: a formatted text holds at most 255 characters and is cut beyond
// that. Bytes outside 32..127 are left out: their lists lie outside the
// font's block and may belong to other code in the same context.
#include "text/bitmap_font.h"

#include <stdarg.h>
#include <stdio.h>

#include "platform/gl.h"

enum { FONT_TEXT_SIZE = 256 };

void PrintBitmapText(const char* format, ...)
{
    // Without a font every code would call lists 0..95, someone else's.
    if (!format || fontListBase == 0)
        return;

    char text[FONT_TEXT_SIZE];
    va_list args;
    va_start(args, format);
    int formatted = vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (formatted < 0)
        text[0] = '\0';

    GLsizei length = 0;
    for (const char* c = text; *c; ++c) {
        unsigned char code = (unsigned char)*c;
        if (code >= 32 && code <= 127)
            text[length++] = (char)code;
    }

    glPushAttrib(GL_LIST_BIT);  // the caller's list base survives
    glListBase(fontListBase - 32);
    glCallLists(length, GL_UNSIGNED_BYTE, text);
    glPopAttrib();
}
