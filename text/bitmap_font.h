// Bitmap font: 96 display lists (codes 32..127) made from a bold,
// monospaced system face of 14-pixel character height, printed at the
// current raster position.
//
// Needs the render window's hDC and a current GL context. The lists belong
// to that context and end with it.
// The glyphs are bitmaps, whose fragments are textured like any others: a
// frame starts with 2D texturing on (the demo contract), so it calls
// glDisable(GL_TEXTURE_2D) before printing and glEnable(GL_TEXTURE_2D) after.
// Limits: a formatted text holds at most 255 characters (longer ones are
// cut); bytes outside 32..127 are left out.
#pragma once

extern unsigned int fontListBase;  // first of the 96 lists; 0 = none built, or deleted

void BuildBitmapFont();
// Harmless when no font was built, or when no context is current. Deletes
// only the font's own lists, once: the base goes back to 0.
void DeleteBitmapFont();
// Prints nothing while no font is built.
void PrintBitmapText(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
