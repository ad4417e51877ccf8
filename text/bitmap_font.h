// Bitmap font: 96 display lists (codes 32..127) made from a bold,
// monospaced system face of 14-pixel character height, printed at the
// current raster position.
//
// Needs the render window's hDC and a current GL context. The lists belong
// to that context and end with it.
#pragma once

extern unsigned int fontListBase;  // first of the 96 lists; 0 = never built

void BuildBitmapFont();
// Harmless when no font was built, or when no context is current.
void DeleteBitmapFont();
void PrintBitmapText(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
