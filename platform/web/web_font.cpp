// Fonts and wglUseFontBitmapsA without FreeType: each glyph is drawn with
// the page's 2D canvas text (the font's weight and pixel height, its face
// if the browser has it, else a monospaced one), cut to one bit per pixel
// at half coverage, and compiled into a display list holding its glBitmap.
//
// Needs: a current context (lists live in web_gl.cpp). Limits: 8 fonts;
// glyphs of at most 64x64 pixels; height and weight are the only
// attributes honoured besides the face.
#include "platform/cp1252.h"
#include "platform/web/web_internal.h"

#include <emscripten.h>
#include <GL/gl.h>
#include <stdio.h>
#include <stdlib.h>

enum { MAX_FONTS = 8, GLYPH_MAX = 64, STOCK_FONT_SLOT = 0xFE };

struct WebFont {
    bool used;
    unsigned generation;
    int pixels;
    bool bold;
    char face[32];
};
static WebFont fonts[MAX_FONTS];

// Writes the glyph's rows bottom to top, 4-byte aligned, into bits and
// [width, height, descent, advance] into metrics.
EM_JS(void, WebDrawGlyph, (int codePoint, int pixels, int bold, const char* face, unsigned char* bits, int* metrics), {
    var canvas = Module.orlathGlyphCanvas || (Module.orlathGlyphCanvas = document.createElement("canvas"));
    var context = canvas.getContext("2d", {willReadFrequently: true});
    var font = (bold ? "bold " : "") + pixels + "px \"" + UTF8ToString(face) + "\", monospace";
    context.font = font;
    var text = String.fromCodePoint(codePoint);
    var measured = context.measureText("Mg");
    var ascent = Math.ceil(measured.fontBoundingBoxAscent || pixels * 0.8);
    var descent = Math.ceil(measured.fontBoundingBoxDescent || pixels * 0.2);
    var width = Math.min(64, Math.max(1, Math.round(context.measureText(text).width)));
    var height = Math.min(64, ascent + descent);
    canvas.width = width;
    canvas.height = height;
    context.font = font;  // resizing the canvas reset it
    context.fillStyle = "#fff";
    context.textBaseline = "alphabetic";
    context.fillText(text, 0, ascent);
    var alpha = context.getImageData(0, 0, width, height).data;
    var rowBytes = Math.ceil(Math.ceil(width / 8) / 4) * 4;
    HEAPU8.fill(0, bits, bits + rowBytes * height);
    for (var y = 0; y < height; y++) {
        var row = bits + (height - 1 - y) * rowBytes;
        for (var x = 0; x < width; x++)
            if (alpha[(y * width + x) * 4 + 3] >= 128)
                HEAPU8[row + (x >> 3)] |= 0x80 >> (x & 7);
    }
    HEAP32[(metrics >> 2) + 0] = width;
    HEAP32[(metrics >> 2) + 1] = height;
    HEAP32[(metrics >> 2) + 2] = descent;
    HEAP32[(metrics >> 2) + 3] = Math.round(context.measureText(text).width);
});

static WebFont* FindFont(HGDIOBJ object)
{
    if (!object)
        return nullptr;
    int slot = (int)((uintptr_t)object & 0xFF) - 1;
    if (slot < 0 || slot >= MAX_FONTS || !fonts[slot].used ||
        WebHandleSlot(object, WEB_HANDLE_FONT, fonts[slot].generation) != slot)
        return nullptr;
    return &fonts[slot];
}

// The DC's font before any SelectObject: a stock face, as on Win32.
static const HGDIOBJ stockFont = (HGDIOBJ)WebMakeHandle(WEB_HANDLE_FONT, STOCK_FONT_SLOT, 0);

HFONT WINAPI CreateFontA(int height, int, int, int, int weight, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD,
                         DWORD, LPCSTR faceName)
{
    for (int i = 0; i < MAX_FONTS; ++i) {
        if (fonts[i].used)
            continue;
        fonts[i].used = true;
        fonts[i].generation = WebNextGeneration();
        // Negative heights are the em; positive ones the cell, taken as the em here.
        fonts[i].pixels = height == 0 ? 16 : abs(height);
        fonts[i].bold = weight >= 600;
        snprintf(fonts[i].face, sizeof fonts[i].face, "%s", faceName ? faceName : "");
        return (HFONT)WebMakeHandle(WEB_HANDLE_FONT, i, fonts[i].generation);
    }
    return nullptr;
}

HGDIOBJ WINAPI SelectObject(HDC hDC, HGDIOBJ object)
{
    WebWindow* window = WebFindDC(hDC);
    if (!window || (!FindFont(object) && object != stockFont))
        return nullptr;
    HGDIOBJ previous = window->selectedObject ? window->selectedObject : stockFont;
    window->selectedObject = object;
    return previous;
}

BOOL WINAPI DeleteObject(HGDIOBJ object)
{
    WebFont* font = FindFont(object);
    if (!font)
        return FALSE;
    // Win32 leaves a selected font alive; forgetting it would do no harm here either.
    font->used = false;
    return TRUE;
}

BOOL WINAPI wglUseFontBitmapsA(HDC hDC, DWORD first, DWORD count, DWORD listBase)
{
    WebWindow* window = WebFindDC(hDC);
    if (!window || !wglGetCurrentContext())
        return FALSE;
    const WebFont* font = FindFont(window->selectedObject);
    WebFont stock = {true, 0, 16, false, "sans-serif"};
    if (!font)
        font = &stock;

    GLint alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    static unsigned char bits[GLYPH_MAX * GLYPH_MAX / 8];
    for (DWORD i = 0; i < count; ++i) {
        int metrics[4];
        WebDrawGlyph((int)Cp1252ToUnicode((first + i) & 0xFF), font->pixels, font->bold, font->face, bits, metrics);
        glNewList(listBase + i, GL_COMPILE);
        glBitmap(metrics[0], metrics[1], 0.0f, (GLfloat)metrics[2], (GLfloat)metrics[3], 0.0f, bits);
        glEndList();
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    return TRUE;
}
