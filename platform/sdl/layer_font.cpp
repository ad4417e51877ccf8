// Fonts of the layer: CreateFontA, SelectObject, DeleteObject and
// wglUseFontBitmapsA, with fontconfig choosing the face and FreeType
// rendering its glyphs.
//
// A font is a record in a fixed table, named by a GDI handle of the layer
// (slot and generation, so a stale handle is refused). A DC with nothing
// selected draws with the stock font (a bold sans-serif with a 16-pixel
// cell, in the role of Win32's system font), which is never freed. A font
// selected into a live DC cannot be deleted, as in Win32.
//
// Sizes: a negative height is the character height (the em) in pixels, a
// positive one the cell height (ascent plus descent, from the face's
// Windows metrics), zero a 16-pixel cell. A non-zero width scales the face
// so that its average character is that wide. Weight and italic choose the
// face, and are synthesised when fontconfig found no such face.
// Limits: escapement, orientation, underline, strike-out, character set,
// precisions and quality are accepted and ignored: glyphs are always 1-bit
// bitmaps, as Win32 renders them for display lists. Codes above 255 are
// taken as Unicode code points. At most FONT_SLOTS fonts live at once.
#include <stdlib.h>
#include <string.h>

// The layer's header first: GL's headers must see its APIENTRY.
#include "platform/sdl/layer_internal.h"
#include "platform/cp1252.h"
#include "platform/gl.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

enum {
    FONT_SLOTS = 64,
    STOCK_FONT_SLOT = 0,
    FACE_NAME_SIZE = 32,  // Win32's LF_FACESIZE, terminator included
    FONT_PATH_SIZE = 1024
};

struct LayerFont {
    bool used;
    unsigned generation;
    // What was asked for.
    int height;
    int width;
    int weight;
    bool italic;
    int pitchAndFamily;
    char faceName[FACE_NAME_SIZE];
    // What fontconfig chose, found on first use.
    bool resolved;
    char path[FONT_PATH_SIZE];
    int faceIndex;
    bool embolden;
    bool oblique;
};

static LayerFont fonts[FONT_SLOTS];

static void EnsureStockFont()
{
    LayerFont* stock = &fonts[STOCK_FONT_SLOT];
    if (stock->used)
        return;
    memset(stock, 0, sizeof *stock);
    stock->used = true;
    stock->generation = LayerNextGeneration();
    stock->height = 16;
    stock->weight = FW_BOLD;
}

static HGDIOBJ HandleOfFont(int slot)
{
    return (HGDIOBJ)LayerMakeHandle(LAYER_HANDLE_GDI, slot, fonts[slot].generation);
}

// The slot a handle names, or -1 for anything that is not a live font.
static int FontOfHandle(HGDIOBJ object)
{
    EnsureStockFont();
    unsigned generation = 0;
    int slot = LayerHandleSlot(object, LAYER_HANDLE_GDI, &generation);
    if (slot < 0 || slot >= FONT_SLOTS || !fonts[slot].used || fonts[slot].generation != generation)
        return -1;
    return slot;
}

// The font a DC draws with: its selection, or the stock font.
static int SelectedFontOf(const LayerWindow* window)
{
    int slot = window->selectedObject ? FontOfHandle(window->selectedObject) : -1;
    return slot >= 0 ? slot : STOCK_FONT_SLOT;
}

static bool SelectedIntoAnyDC(int slot)
{
    for (int i = 0; i < LAYER_MAX_WINDOWS; ++i) {
        const LayerWindow* window = &layerWindows[i];
        if (window->used && window->dcLive && window->selectedObject && SelectedFontOf(window) == slot)
            return true;
    }
    return false;
}

// ---------------------------------------------------------------- face choice

// The generic family that the caller's pitch and family ask for, or null
// when they leave it open: fontconfig's own rules then place a known name
// ("Courier New" among the monospaced faces) and choose its stand-in.
static const char* GenericFamily(int pitchAndFamily)
{
    if ((pitchAndFamily & 0x3) == FIXED_PITCH)
        return "monospace";
    switch (pitchAndFamily & 0xF0) {
    case 0x10:  // FF_ROMAN
        return "serif";
    case 0x20:  // FF_SWISS
        return "sans-serif";
    case FF_MODERN:
        return "monospace";
    case 0x40:  // FF_SCRIPT
        return "cursive";
    case 0x50:  // FF_DECORATIVE
        return "fantasy";
    default:
        return nullptr;
    }
}

static bool ResolveFont(LayerFont* font)
{
    if (font->resolved)
        return true;
    static bool fontconfigStarted = false;
    if (!fontconfigStarted) {
        if (!FcInit())
            return false;
        // Its caches are given back at exit, so leak checks see none of them.
        atexit(FcFini);
        fontconfigStarted = true;
    }

    FcPattern* pattern = FcPatternCreate();
    if (!pattern)
        return false;
    if (font->faceName[0])
        FcPatternAddString(pattern, FC_FAMILY, (const FcChar8*)font->faceName);
    // A generic family after the name: what a missing face falls back to.
    const char* generic = GenericFamily(font->pitchAndFamily);
    if (generic)
        FcPatternAddString(pattern, FC_FAMILY, (const FcChar8*)generic);
    if ((font->pitchAndFamily & 0x3) == FIXED_PITCH)
        FcPatternAddInteger(pattern, FC_SPACING, FC_MONO);
    if (font->weight > 0)
        FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(font->weight));
    FcPatternAddInteger(pattern, FC_SLANT, font->italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    // FreeType renders outlines only: bitmap-only faces would not scale.
    FcPatternAddBool(pattern, FC_OUTLINE, FcTrue);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);

    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match)
        return false;

    FcChar8* file = nullptr;
    int index = 0;
    FcBool embolden = FcFalse;
    int slant = FC_SLANT_ROMAN;
    bool found = FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file &&
                 strlen((const char*)file) < FONT_PATH_SIZE;
    if (found) {
        strcpy(font->path, (const char*)file);
        if (FcPatternGetInteger(match, FC_INDEX, 0, &index) != FcResultMatch)
            index = 0;
        FcPatternGetBool(match, FC_EMBOLDEN, 0, &embolden);
        FcPatternGetInteger(match, FC_SLANT, 0, &slant);
        font->faceIndex = index;
        font->embolden = embolden == FcTrue;
        font->oblique = font->italic && slant == FC_SLANT_ROMAN;
        font->resolved = true;
    }
    FcPatternDestroy(match);
    return found;
}

// ---------------------------------------------------------------- gdi32

HFONT WINAPI CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                         DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision,
                         DWORD quality, DWORD pitchAndFamily, LPCSTR faceName)
{
    (void)escapement;
    (void)orientation;
    (void)underline;
    (void)strikeOut;
    (void)charSet;
    (void)outPrecision;
    (void)clipPrecision;
    (void)quality;
    if (LayerShouldFail("CreateFontA"))
        return nullptr;
    EnsureStockFont();
    if (weight < 0 || weight > 1000)
        return nullptr;

    int slot = -1;
    for (int i = 0; i < FONT_SLOTS; ++i) {
        if (i != STOCK_FONT_SLOT && !fonts[i].used) {
            slot = i;
            break;
        }
    }
    if (slot < 0)
        return nullptr;

    LayerFont* font = &fonts[slot];
    memset(font, 0, sizeof *font);
    font->used = true;
    font->generation = LayerNextGeneration();
    font->height = height;
    font->width = width < 0 ? -width : width;
    font->weight = weight;
    font->italic = italic != 0;
    font->pitchAndFamily = (int)pitchAndFamily;
    if (faceName) {
        // Win32 keeps the first 31 characters of a longer name.
        strncpy(font->faceName, faceName, FACE_NAME_SIZE - 1);
        font->faceName[FACE_NAME_SIZE - 1] = '\0';
    }
    layerLiveFonts++;
    return (HFONT)HandleOfFont(slot);
}

HGDIOBJ WINAPI SelectObject(HDC hDC, HGDIOBJ object)
{
    if (LayerShouldFail("SelectObject"))
        return nullptr;
    LayerWindow* window = LayerFindDC(hDC);
    int slot = FontOfHandle(object);
    if (!window || !window->dcLive || slot < 0)
        return nullptr;
    HGDIOBJ previous = HandleOfFont(SelectedFontOf(window));
    window->selectedObject = slot == STOCK_FONT_SLOT ? nullptr : object;
    return previous;
}

BOOL WINAPI DeleteObject(HGDIOBJ object)
{
    if (LayerShouldFail("DeleteObject"))
        return FALSE;
    int slot = FontOfHandle(object);
    if (slot < 0)
        return FALSE;
    // Stock objects may be "deleted" at no cost; they stay.
    if (slot == STOCK_FONT_SLOT)
        return TRUE;
    // Win32 refuses to delete an object still selected into a DC.
    if (SelectedIntoAnyDC(slot))
        return FALSE;
    fonts[slot].used = false;
    layerLiveFonts--;
    return TRUE;
}

// ---------------------------------------------------------------- opengl32

// The em size in pixels, vertical and horizontal, for the font's request.
static void ChooseEmSize(const LayerFont* font, FT_Face face, double* emHeight, double* emWidth)
{
    double unitsPerEm = face->units_per_EM ? face->units_per_EM : 2048;
    const TT_OS2* os2 = (const TT_OS2*)FT_Get_Sfnt_Table(face, FT_SFNT_OS2);
    double cellUnits = os2 && os2->usWinAscent + os2->usWinDescent > 0
                           ? (double)os2->usWinAscent + os2->usWinDescent
                           : (double)face->ascender - face->descender;
    if (cellUnits <= 0)
        cellUnits = unitsPerEm;

    if (font->height < 0)
        *emHeight = -(double)font->height;
    else
        *emHeight = (font->height ? font->height : 16) * unitsPerEm / cellUnits;

    *emWidth = *emHeight;
    if (font->width > 0 && os2 && os2->xAvgCharWidth > 0)
        *emWidth = font->width * unitsPerEm / os2->xAvgCharWidth;
}

// One list: the glyph's 1-bit bitmap at its bearing, then its advance.
// Glyphs that cannot be had still get a list, empty, so the block is whole.
static bool CompileGlyphList(FT_Face face, const LayerFont* font, uint32_t code, GLuint list)
{
    FT_UInt index = FT_Get_Char_Index(face, code < 256 ? Cp1252ToUnicode(code) : code);
    bool loaded = FT_Load_Glyph(face, index, FT_LOAD_TARGET_MONO) == 0;
    if (loaded && face->glyph->format == FT_GLYPH_FORMAT_OUTLINE) {
        if (font->embolden)
            FT_GlyphSlot_Embolden(face->glyph);
        if (font->oblique)
            FT_GlyphSlot_Oblique(face->glyph);
    }
    loaded = loaded && FT_Render_Glyph(face->glyph, FT_RENDER_MODE_MONO) == 0 &&
             face->glyph->bitmap.pixel_mode == FT_PIXEL_MODE_MONO;

    glNewList(list, GL_COMPILE);
    if (loaded) {
        const FT_Bitmap* bitmap = &face->glyph->bitmap;
        int width = (int)bitmap->width;
        int rows = (int)bitmap->rows;
        int rowBytes = (width + 7) / 8;
        // glBitmap wants rows from the bottom up; FreeType gives them from
        // the top down, each `pitch` bytes apart (negative when bottom up).
        GLubyte* bits = nullptr;
        if (width > 0 && rows > 0) {
            bits = (GLubyte*)calloc((size_t)rows, (size_t)rowBytes);
            if (bits) {
                for (int row = 0; row < rows; ++row) {
                    const unsigned char* source = bitmap->pitch >= 0
                                                      ? bitmap->buffer + (size_t)row * bitmap->pitch
                                                      : bitmap->buffer + (size_t)(rows - 1 - row) * -bitmap->pitch;
                    memcpy(bits + (size_t)(rows - 1 - row) * rowBytes, source, (size_t)rowBytes);
                }
            }
        }
        GLfloat advance = (GLfloat)((face->glyph->advance.x + 32) >> 6);
        if (bits) {
            glBitmap(width, rows, (GLfloat)-face->glyph->bitmap_left, (GLfloat)(rows - face->glyph->bitmap_top),
                     advance, 0.0f, bits);
        } else {
            // Mesa takes a null bitmap in a list for a failed copy and
            // raises GL_OUT_OF_MEMORY; an empty one needs any pointer.
            static const GLubyte noBits = 0;
            glBitmap(0, 0, 0.0f, 0.0f, advance, 0.0f, &noBits);
        }
        free(bits);
    }
    glEndList();
    return loaded;
}

BOOL WINAPI wglUseFontBitmapsA(HDC hDC, DWORD first, DWORD count, DWORD listBase)
{
    if (LayerShouldFail("wglUseFontBitmapsA"))
        return FALSE;
    LayerWindow* window = LayerFindDC(hDC);
    if (!window || !window->dcLive || !wglGetCurrentContext())
        return FALSE;
    // The lists and the codes must both stay inside 32 bits.
    if (count > 0xFFFFFFFFu - first || count > 0xFFFFFFFFu - listBase || (listBase == 0 && count > 0))
        return FALSE;
    LayerFont* font = &fonts[SelectedFontOf(window)];
    if (!ResolveFont(font))
        return FALSE;

    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0)
        return FALSE;
    FT_Face face = nullptr;
    if (FT_New_Face(library, font->path, font->faceIndex, &face) != 0) {
        FT_Done_FreeType(library);
        return FALSE;
    }
    double emHeight = 0;
    double emWidth = 0;
    ChooseEmSize(font, face, &emHeight, &emWidth);
    bool allGlyphs = FT_Set_Char_Size(face, (FT_F26Dot6)(emWidth * 64 + 0.5), (FT_F26Dot6)(emHeight * 64 + 0.5), 72,
                                      72) == 0;

    // The bitmaps are unpacked while the lists compile: tightly packed,
    // most significant bit first, whatever the caller's pixel-store state.
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_SWAP_BYTES, GL_FALSE);
    glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (DWORD i = 0; i < count; ++i) {
        if (!CompileGlyphList(face, font, first + i, listBase + i))
            allGlyphs = false;
    }
    glPopClientAttrib();

    FT_Done_Face(face);
    FT_Done_FreeType(library);
    return allGlyphs ? TRUE : FALSE;
}
