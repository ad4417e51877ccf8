// Atlas font: text drawn as textured quads cut from one square glyph atlas.
//
// Needs a current GL context for building and printing, and the standard
// streams (the reader prints its progress to standard output, not to the
// debug report).
// The atlas: an uncompressed 32-bit TGA, square, side 1..256, stored bottom
// to top, 16 x 16-pixel cells with the space in the top-left cell; only the
// upper half of the picture is cut into glyphs. A side that is not a power
// of two is accepted; it needs a GL with non-power-of-two textures (a plain
// 1.1 driver refuses the upload and the glyphs draw untextured).
// Limits: glyphs for codes 32..127 only; any other byte draws nothing and
// advances like a glyph. A formatted text holds at most 1023 characters;
// longer ones are cut.
#pragma once

#include <stdint.h>

enum { ATLAS_GLYPH_COUNT = 128, ATLAS_MAX_SIDE = 256, ATLAS_TEXT_SIZE = 1024 };

struct AtlasFont {
    uint32_t texture;  // GL texture name of the atlas
    int32_t size;      // side of a glyph quad at scale 1
    int32_t spacing;   // extra advance after each glyph at scale 1
    int8_t ready;      // 1 once built; printing refuses anything else
};

// Texture rectangle of one glyph, in texture coordinates.
struct AtlasGlyph {
    float left;
    float top;
    float right;
    float bottom;
};

// Shared by every atlas font: the latest build defines the glyphs of all.
extern AtlasGlyph atlasGlyphTable[ATLAS_GLYPH_COUNT];

// Pixels R, G, B, A with the rows in the reverse of the file's order (top
// row first for a bottom-to-top atlas); the caller frees them. Null when the
// file is missing or not an atlas; width and height are written on success.
unsigned char* LoadAtlasTga(const char* fileName, int32_t* width, int32_t* height);

// A new font the caller owns (free it with free), or null after a failure,
// which leaves no record and no texture name behind.
AtlasFont* BuildAtlasFont(const char* fileName, int32_t size, int32_t spacing);

// Draws at (x, y), the top-left corner of the first glyph, y growing upward,
// in the caller's GL state. 0 after drawing or for a null format, -1 when
// the font is not ready.
int32_t PrintAtlasText(const AtlasFont* font, float x, float y, int32_t scale, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 5, 6)))
#endif
    ;
