// Atlas font printing: one textured quad per character, at an integer scale.
//
// Needs a current GL context and a built font. Sets no colour, blending,
// texturing switch or matrix: it draws in the caller's state.
// Limits: a formatted text holds at most 1023 characters and is cut beyond
// that. Bytes outside 32..127 have no glyph: they draw nothing and advance
// like one, so the rest of the line keeps its columns.
#include "text/atlas_font.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "platform/gl.h"

int32_t PrintAtlasText(const AtlasFont* font, float x, float y, int32_t scale, const char* format, ...)
{
    if (!format)
        return 0;

    char text[ATLAS_TEXT_SIZE];
    va_list args;
    va_start(args, format);
    int formatted = vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (formatted < 0)
        text[0] = '\0';

    if (!font || font->ready != 1)
        return -1;

    glBindTexture(GL_TEXTURE_2D, font->texture);

    // Products in 64 bits: a huge scale must not overflow into undefined
    // behaviour; the float conversion then rounds as it would anyway.
    float side = (float)((int64_t)font->size * scale);
    float advance = (float)((int64_t)font->size * scale + (int64_t)font->spacing * scale);
    size_t length = strlen(text);
    for (size_t i = 0; i < length; ++i) {
        // Read as signed, like the table's own indexing: 128..255 are negative.
        int code = (signed char)text[i];
        if (code >= 32 && code <= 127) {
            const AtlasGlyph* glyph = &atlasGlyphTable[code - 32];
            glBegin(GL_QUADS);
            glTexCoord2f(glyph->left, glyph->top);
            glVertex2f(x, y);
            glTexCoord2f(glyph->right, glyph->top);
            glVertex2f(x + side, y);
            glTexCoord2f(glyph->right, glyph->bottom);
            glVertex2f(x + side, y - side);
            glTexCoord2f(glyph->left, glyph->bottom);
            glVertex2f(x, y - side);
            glEnd();
        }
        x += advance;
    }
    return 0;
}
