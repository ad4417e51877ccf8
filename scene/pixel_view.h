// 2D drawing in window pixels: a view with the origin at the window's
// top-left corner and y growing downward, and text, rectangles and sprites
// placed in it. Colours are red, green, blue, alpha from 0 to 1.
//
// Needs a current GL context and the modelview matrix current (as the shell
// leaves it for a frame). Every helper leaves the GL state as it found it:
// enables, current colour, blend function, texture binding, both matrices
// and the modelview current; so they mix freely with the scene's drawing.
#pragma once

#include <stdint.h>

#include "text/atlas_font.h"

// Begin: pushes both matrices and the enable, current and colour-buffer
// state, then sets an orthographic projection of the current viewport
// (one unit per pixel, top-left origin), an identity modelview, and turns
// texturing, blending and the depth test off. End pops all of it, and must
// follow every Begin in the same frame. Uses one level of each matrix
// stack and of the attribute stack.
void BeginPixelView();
void EndPixelView();

// Bitmap-font text (BuildBitmapFont, the BITMAP_FONT switch) with its
// baseline's left end at (x, y); nothing when no font is built. Draws with
// texturing off, whatever the caller had.
void PrintPixelText(float x, float y, float red, float green, float blue, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 6, 7)))
#endif
    ;
// Atlas-font text with the top-left corner of its first glyph at (x, y),
// right way up in the pixel view: textured glyphs blended by their alpha
// (source alpha, one minus source alpha), whatever the caller had on.
void PrintPixelAtlasText(const AtlasFont* font, float x, float y, int32_t scale, float red, float green, float blue,
                         const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 8, 9)))
#endif
    ;

// A flat rectangle, its top-left corner at (x, y), blended by its alpha
// (source alpha, one minus source alpha); alpha 1 covers what lies under it.
void DrawPixelRect(float x, float y, float width, float height, float red, float green, float blue, float alpha);
// The texture of a texture-table slot stretched over a rectangle, its first
// row (the bottom of a picture stored bottom to top, as our TGA and PNG
// loads are) at the bottom, tinted by the colour and blended as
// DrawPixelRect. A slot outside the table draws with texture name 0.
void DrawPixelImage(float x, float y, float width, float height, int slot, float red, float green, float blue,
                    float alpha);
// A sprite centred on (x, y): the slot's texture added onto the picture
// (source alpha, one), as the scene's sprites are, tinted by the colour.
void DrawPixelSprite(float x, float y, float width, float height, float red, float green, float blue, float alpha,
                     int slot);
