// atlasgen: renders the glyph atlas that the atlas font cuts.
//
//   atlasgen OUTPUT.tga [UPPER-FACE [LOWER-FACE]]
//
// A face is a font file or a fontconfig pattern (default: "Liberation
// Mono:bold" above, "Liberation Mono" below; fontconfig substitutes a like
// face when those are missing).
// The atlas: 256 x 256, 32 bits, uncompressed, stored bottom to top; cells
// of 16 x 16 pixels, the space in the top-left cell, codes 32..159
// (Windows-1252) row by row in the upper half and the same codes in the
// second face in the lower half. Every texel is white; the glyph's coverage
// is the alpha. A glyph keeps to the cell's 15 x 15 pixels below its top
// row and left of its right column: the font cuts exactly that square, and
// the empty rim keeps linear filtering from bleeding between cells.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include "platform/cp1252.h"
#include "tools/tga_file.h"
#include "tools/tool_options.h"

enum {
    ATLAS_SIDE = 256,
    CELL = 16,
    GLYPH_AREA = 15,  // usable pixels of a cell, across and down
    FIRST_CODE = 32,
    CODES_PER_HALF = 128,
    PATH_SIZE = 1024
};

static unsigned char coverage[ATLAS_SIDE][ATLAS_SIDE];  // [row from top][column]

static bool FindFaceFile(const char* face, char* path)
{
    struct stat info;
    if (stat(face, &info) == 0 && S_ISREG(info.st_mode)) {
        snprintf(path, PATH_SIZE, "%s", face);
        return true;
    }
    FcPattern* pattern = FcNameParse((const FcChar8*)face);
    if (!pattern)
        return false;
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match)
        return false;
    FcChar8* file = nullptr;
    bool found = FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file &&
                 strlen((const char*)file) < PATH_SIZE;
    if (found)
        snprintf(path, PATH_SIZE, "%s", (const char*)file);
    FcPatternDestroy(match);
    return found;
}

// Largest whole pixel size whose ascent and descent fit the glyph area.
static bool SizeToCell(FT_Face face, int* baseline)
{
    double units = (double)face->ascender - face->descender;
    if (units <= 0)
        units = face->units_per_EM;
    for (int pixels = GLYPH_AREA; pixels > 4; --pixels) {
        if (FT_Set_Pixel_Sizes(face, 0, pixels) != 0)
            return false;
        int ascent = (int)((face->size->metrics.ascender + 63) >> 6);
        int descent = (int)((-face->size->metrics.descender + 63) >> 6);
        if (ascent + descent <= GLYPH_AREA) {
            *baseline = ascent;
            return true;
        }
    }
    return false;
}

static bool RenderHalf(FT_Library library, const char* face, int firstCellRow)
{
    char path[PATH_SIZE];
    if (!FindFaceFile(face, path)) {
        fprintf(stderr, "atlasgen: no face for \"%s\"\n", face);
        return false;
    }
    FT_Face ftFace = nullptr;
    if (FT_New_Face(library, path, 0, &ftFace) != 0) {
        fprintf(stderr, "atlasgen: cannot read %s\n", path);
        return false;
    }
    int baseline = 0;
    if (!SizeToCell(ftFace, &baseline)) {
        fprintf(stderr, "atlasgen: %s does not fit a %d-pixel cell\n", path, CELL);
        FT_Done_Face(ftFace);
        return false;
    }
    printf("atlasgen: %s\n", path);

    for (int i = 0; i < CODES_PER_HALF; ++i) {
        uint32_t code = Cp1252ToUnicode(FIRST_CODE + i);
        FT_UInt index = FT_Get_Char_Index(ftFace, code);
        // Unassigned codes stay empty rather than showing the missing-glyph box.
        if (index == 0 || FT_Load_Glyph(ftFace, index, FT_LOAD_RENDER) != 0)
            continue;
        const FT_GlyphSlot slot = ftFace->glyph;
        const FT_Bitmap* bitmap = &slot->bitmap;
        if (bitmap->pixel_mode != FT_PIXEL_MODE_GRAY)
            continue;
        int advance = (int)((slot->advance.x + 32) >> 6);
        int pen = (GLYPH_AREA - advance) / 2;
        if (pen < 0)
            pen = 0;
        int cellTop = (firstCellRow + i / 16) * CELL;
        int cellLeft = (i % 16) * CELL;
        // Row 0 of the area is the cell's second row.
        int top = 1 + baseline - slot->bitmap_top;
        int left = pen + slot->bitmap_left;
        for (int row = 0; row < (int)bitmap->rows; ++row) {
            int y = top + row;
            if (y < 1 || y > GLYPH_AREA)
                continue;
            const unsigned char* source = bitmap->buffer + (ptrdiff_t)row * bitmap->pitch;
            for (int column = 0; column < (int)bitmap->width; ++column) {
                int x = left + column;
                if (x < 0 || x >= GLYPH_AREA)
                    continue;
                coverage[cellTop + y][cellLeft + x] = source[column];
            }
        }
    }
    FT_Done_Face(ftFace);
    return true;
}

// Stored bottom to top: the first row written is the picture's last.
static bool WriteAtlas(const char* fileName)
{
    ToolImage image = {ATLAS_SIDE, ATLAS_SIDE, std::vector<uint8_t>((size_t)ATLAS_SIDE * ATLAS_SIDE * 4, 255)};
    for (int row = 0; row < ATLAS_SIDE; ++row)
        for (int x = 0; x < ATLAS_SIDE; ++x)
            image.rgba[((size_t)row * ATLAS_SIDE + x) * 4 + 3] = coverage[ATLAS_SIDE - 1 - row][x];
    if (!WriteToolFile(fileName, EncodeTga(image, false, 32, 0))) {
        fprintf(stderr, "atlasgen: cannot write %s\n", fileName);
        return false;
    }
    return true;
}

static const char usage[] = "usage: atlasgen OUTPUT.tga [UPPER-FACE [LOWER-FACE]]\n";

int main(int argc, char** argv)
{
    int status = CheckToolOptions(argc, argv, "atlasgen", usage);
    if (status >= 0)
        return status;
    if (argc < 2 || argc > 4) {
        fputs(usage, stderr);
        return 2;
    }
    const char* upperFace = argc > 2 ? argv[2] : "Liberation Mono:bold";
    const char* lowerFace = argc > 3 ? argv[3] : "Liberation Mono";

    FT_Library library = nullptr;
    if (!FcInit() || FT_Init_FreeType(&library) != 0) {
        fprintf(stderr, "atlasgen: cannot start fontconfig and FreeType\n");
        return 1;
    }
    bool ok = RenderHalf(library, upperFace, 0) && RenderHalf(library, lowerFace, CODES_PER_HALF / 16);
    FT_Done_FreeType(library);
    FcFini();
    if (!ok || !WriteAtlas(argv[1]))
        return 1;
    return 0;
}
