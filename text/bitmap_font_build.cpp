// Bitmap font build and deletion: 96 display lists from a bold "Courier New"
// of 14-pixel character height, through the window system's font calls.
//
// Needs the render window's hDC with a current GL context on it, and the
// debug report for its one progress line. No step's failure is detected:
// without lists, font or glyphs, printing simply draws nothing.
#include "text/bitmap_font.h"

#include "app/render_window.h"
#include "diag/Debug.h"
#include "platform/gl.h"

enum { FONT_FIRST_CODE = 32, FONT_GLYPH_COUNT = 96 };

unsigned int fontListBase = 0;

void BuildBitmapFont()
{
    ReportWrite("- Generando fuentes...\n");
    fontListBase = glGenLists(FONT_GLYPH_COUNT);

    // A negative height asks for the character height (the em), not the cell.
    HFONT font = CreateFontA(-14, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_TT_PRECIS,
                             CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, FF_DONTCARE | DEFAULT_PITCH, "Courier New");
    HGDIOBJ previousFont = SelectObject(hDC, font);
    wglUseFontBitmapsA(hDC, FONT_FIRST_CODE, FONT_GLYPH_COUNT, fontListBase);
    SelectObject(hDC, previousFont);
    DeleteObject(font);
}

void DeleteBitmapFont()
{
    // With no font the range would start at list 0 and name lists 1..95,
    // which other code may own in this context; and after a deletion those
    // names may be handed out again. So only a live base is deleted, once.
    if (fontListBase == 0)
        return;
    glDeleteLists(fontListBase, FONT_GLYPH_COUNT);
    fontListBase = 0;
}
