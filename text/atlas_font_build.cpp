// Atlas font build: uploads an atlas as a texture and cuts the shared glyph
// table from the upper half of its picture.
//
// Needs a current GL context. The record comes from the standard allocator
// and belongs to the caller; its texture belongs to the current context.
#include "text/atlas_font.h"

#include <stdio.h>
#include <stdlib.h>

#include "platform/gl.h"

AtlasGlyph atlasGlyphTable[ATLAS_GLYPH_COUNT];

// Entries beyond this build's count keep what an earlier build left there.
static void CutGlyphTable(int32_t width, int32_t height)
{
    float w = (float)width;
    float h = (float)height;
    int glyph = 0;
    // Each rectangle starts one texel below its cell's top edge and spans 15
    // texels, so linear filtering at its rim samples the empty guard row and
    // column of the cells rather than a neighbouring glyph.
    for (int32_t y = 1; y < height / 2; y += 16) {
        for (int32_t x = 0; x < width && glyph < ATLAS_GLYPH_COUNT; x += 16) {
            AtlasGlyph* entry = &atlasGlyphTable[glyph++];
            entry->left = (float)x / w;
            entry->top = (float)y / h;
            entry->right = (float)x / w + 15.0f / w;
            entry->bottom = (float)y / h + 15.0f / h;
        }
    }
}

AtlasFont* BuildAtlasFont(const char* fileName, int32_t size, int32_t spacing)
{
    AtlasFont* font = (AtlasFont*)malloc(sizeof *font);
    if (!font) {
        printf("No puede reservar memoria\n");
        return nullptr;
    }
    GLuint texture = 0;
    glGenTextures(1, &texture);

    int32_t width = 0;
    int32_t height = 0;
    unsigned char* pixels = LoadAtlasTga(fileName, &width, &height);
    if (!pixels || width != height) {
        // The name and the record would serve nothing: give both back.
        free(pixels);
        glDeleteTextures(1, &texture);
        free(font);
        return nullptr;
    }

    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, 4, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);

    CutGlyphTable(width, height);

    font->texture = texture;
    font->size = size;
    font->spacing = spacing;
    font->ready = 1;
    free(pixels);
    return font;
}
