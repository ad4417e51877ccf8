// The atlas font on real GL: the shared glyph table, the upload, the quads
// and advances of printing, and the refusals.
#include <stdlib.h>

#include <algorithm>
#include <string>

#include "support/feedback_quads.h"
#include "image/tga_writer.h"
#include "text/atlas_font.h"
#include "text_fixture.h"

namespace {

const float UNSET = -1.0f;

class AtlasFontTest : public GlWindowTest {
protected:
    std::vector<AtlasFont*> built;

    void TearDown() override
    {
        for (AtlasFont* font : built)
            free(font);
        GlWindowTest::TearDown();
    }

    static void ClearGlyphTable()
    {
        for (AtlasGlyph& glyph : atlasGlyphTable)
            glyph = {UNSET, UNSET, UNSET, UNSET};
    }

    // A square atlas whose texel (column, row from the top) is (column, row, 7, 255 - column).
    static void WriteAtlas(const char* name, int side)
    {
        std::vector<Rgba> pixels;
        for (int fileRow = 0; fileRow < side; ++fileRow)
            for (int column = 0; column < side; ++column)
                pixels.push_back({(unsigned char)column, (unsigned char)(side - 1 - fileRow), 7,
                                  (unsigned char)(255 - column)});
        ASSERT_TRUE(WriteBytes(name, UncompressedTga(side, side, 32, pixels)));
    }

    AtlasFont* Build(int side, int size = 16, int spacing = 0)
    {
        WriteAtlas("atlas.tga", side);
        AtlasFont* font = BuildAtlasFont("atlas.tga", size, spacing);
        if (font)
            built.push_back(font);
        return font;
    }
};

void ExpectGlyph(int entry, float left, float top, float right, float bottom)
{
    const AtlasGlyph& glyph = atlasGlyphTable[entry];
    EXPECT_EQ(glyph.left, left) << "entry " << entry;
    EXPECT_EQ(glyph.top, top) << "entry " << entry;
    EXPECT_EQ(glyph.right, right) << "entry " << entry;
    EXPECT_EQ(glyph.bottom, bottom) << "entry " << entry;
}

TEST_F(AtlasFontTest, FullAtlasCutsTheUpperHalfInto128Glyphs)
{
    ASSERT_NE(Build(256), nullptr);
    ExpectGlyph(0, 0.0f, 1.0f / 256, 15.0f / 256, 16.0f / 256);  // space
    ExpectGlyph(33, 0.0625f, 0.12890625f, 0.12109375f, 0.1875f);  // A
    ExpectGlyph(95, 0.9375f, 0.31640625f, 0.99609375f, 0.375f);   // code 127
    ExpectGlyph(127, 0.9375f, 113.0f / 256, 0.99609375f, 128.0f / 256);
}

TEST_F(AtlasFontTest, SmallerSidesYieldFewerEntries)
{
    struct Case {
        int side, entries;
        AtlasGlyph last;
    } cases[] = {{255, 128, {240 / 255.0f, 113 / 255.0f, 1.0f, 128 / 255.0f}},
                 {128, 32, {0.875f, 0.3828125f, 0.9921875f, 0.5f}},
                 {64, 8, {0.75f, 0.265625f, 0.984375f, 0.5f}},
                 {16, 1, {0.0f, 0.0625f, 0.9375f, 1.0f}},
                 {2, 0, {}},
                 {1, 0, {}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.side);
        ClearGlyphTable();
        ASSERT_NE(Build(c.side), nullptr);
        for (int g = 0; g < ATLAS_GLYPH_COUNT; ++g)
            EXPECT_EQ(atlasGlyphTable[g].left == UNSET, g >= c.entries) << "entry " << g;
        if (c.entries) {
            const AtlasGlyph& last = atlasGlyphTable[c.entries - 1];
            EXPECT_FLOAT_EQ(last.left, c.last.left);
            EXPECT_FLOAT_EQ(last.top, c.last.top);
            EXPECT_FLOAT_EQ(last.right, c.last.right);
            EXPECT_FLOAT_EQ(last.bottom, c.last.bottom);
        }
    }
}

TEST_F(AtlasFontTest, SmallerSecondBuildLeavesUpperEntriesAlone)
{
    ASSERT_NE(Build(256), nullptr);
    AtlasGlyph full[ATLAS_GLYPH_COUNT];
    std::copy(atlasGlyphTable, atlasGlyphTable + ATLAS_GLYPH_COUNT, full);
    ASSERT_NE(Build(64), nullptr);
    ExpectGlyph(7, 48.0f / 64, 17.0f / 64, 63.0f / 64, 32.0f / 64);
    for (int g = 8; g < ATLAS_GLYPH_COUNT; ++g)
        ExpectGlyph(g, full[g].left, full[g].top, full[g].right, full[g].bottom);
}

TEST_F(AtlasFontTest, BuildUploadsTheFlippedAtlasWithItsFilters)
{
    AtlasFont* font = Build(48, 12, -3);  // 48 is no power of two: allowed
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->size, 12);
    EXPECT_EQ(font->spacing, -3);
    EXPECT_EQ(font->ready, 1);
    GLint bound = 0, width = 0, magFilter = 0, minFilter = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ((GLuint)bound, font->texture);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    EXPECT_EQ(width, 48);
    EXPECT_EQ(magFilter, GL_LINEAR);
    EXPECT_EQ(minFilter, GL_NEAREST);
    std::vector<unsigned char> texels(48 * 48 * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    // Texture row 0 is the picture's top row.
    for (int row : {0, 47})
        for (int column : {0, 5, 47}) {
            const unsigned char* texel = &texels[(size_t)(row * 48 + column) * 4];
            EXPECT_EQ(texel[0], column);
            EXPECT_EQ(texel[1], row);
            EXPECT_EQ(texel[2], 7);
            EXPECT_EQ(texel[3], 255 - column);
        }
}

TEST_F(AtlasFontTest, FailedBuildReturnsNullAndTouchesNeitherTableNorBinding)
{
    ClearGlyphTable();
    ASSERT_TRUE(WriteBytes("rle.tga", TgaHeader(10, 16, 16, 32) + RunPacket(128, Rgba{1, 2, 3, 4}, 32) +
                                          RunPacket(128, Rgba{1, 2, 3, 4}, 32)));
    EXPECT_EQ(BuildAtlasFont("missing.tga", 16, 0), nullptr);
    EXPECT_EQ(BuildAtlasFont("rle.tga", 16, 0), nullptr);
    GLint bound = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, 0);
    EXPECT_EQ(atlasGlyphTable[0].left, UNSET);
}

class AtlasPrintTest : public AtlasFontTest {
protected:
    AtlasFont* font = nullptr;
    void SetUp() override
    {
        AtlasFontTest::SetUp();
        font = Build(256, 16, -2);
        ASSERT_NE(font, nullptr);
        glEnable(GL_TEXTURE_2D);
    }
};

void ExpectCorner(const Quad& quad, float x, float y, float s, float t)
{
    Corner corner = CornerAt(quad, x, y);
    EXPECT_EQ(corner.s, s) << "corner " << x << ", " << y;
    EXPECT_EQ(corner.t, t) << "corner " << x << ", " << y;
}

TEST_F(AtlasPrintTest, QuadsOfTheWorkedExample)
{
    int32_t result = -5;
    std::vector<float> areas;
    std::vector<Quad> quads = RecordQuads([&] { result = PrintAtlasText(font, 10, 100, 2, "%s", "AB"); }, &areas);
    EXPECT_EQ(result, 0);
    ASSERT_EQ(quads.size(), 2u);
    ASSERT_EQ(quads[0].size(), 4u);
    // Corners in the order top-left, top-right, bottom-right, bottom-left:
    // clockwise with y up, each glyph's 32 x 32 square covered once.
    float covered = 0.0f;
    for (float area : areas) {
        EXPECT_LT(area, 0.0f);
        covered -= area;
    }
    EXPECT_NEAR(covered, 2 * 32 * 32, 0.5);
    const AtlasGlyph& a = atlasGlyphTable['A' - 32];
    ExpectCorner(quads[0], 10, 100, a.left, a.top);
    ExpectCorner(quads[0], 42, 100, a.right, a.top);
    ExpectCorner(quads[0], 42, 68, a.right, a.bottom);
    ExpectCorner(quads[0], 10, 68, a.left, a.bottom);
    // The advance is 16 x 2 + (-2) x 2 = 28.
    const AtlasGlyph& b = atlasGlyphTable['B' - 32];
    ExpectCorner(quads[1], 38, 100, b.left, b.top);
    ExpectCorner(quads[1], 70, 68, b.right, b.bottom);
}

TEST_F(AtlasPrintTest, ScaleZeroDrawsPointQuadsAndStaysPut)
{
    std::vector<Quad> quads = RecordQuads([&] { PrintAtlasText(font, 10, 100, 0, "AB"); });
    ASSERT_EQ(quads.size(), 2u);
    for (const Quad& quad : quads)
        for (const Corner& corner : quad) {
            EXPECT_NEAR(corner.x, 10, 1e-3);
            EXPECT_NEAR(corner.y, 100, 1e-3);
        }
}

TEST_F(AtlasPrintTest, BytesWithoutGlyphDrawNothingButAdvance)
{
    std::vector<Quad> quads =
        RecordQuads([&] { PrintAtlasText(font, 10, 100, 2, "A\x1F\x80\xFF" "B"); });
    ASSERT_EQ(quads.size(), 2u);
    const AtlasGlyph& b = atlasGlyphTable['B' - 32];
    ExpectCorner(quads[1], 10 + 4 * 28, 100, b.left, b.top);
}

TEST_F(AtlasPrintTest, TextLongerThan1023IsCut)
{
    std::string text(1500, 'W');
    std::vector<Quad> quads = RecordQuads([&] { PrintAtlasText(font, 10, 100, 0, "%s", text.c_str()); });
    EXPECT_EQ(quads.size(), 1023u);
}

TEST_F(AtlasPrintTest, RefusalsAndEmptyText)
{
    const char* noFormat = nullptr;
    glBindTexture(GL_TEXTURE_2D, 0);
    std::vector<Quad> quads = RecordQuads([&] { EXPECT_EQ(PrintAtlasText(font, 0, 0, 1, noFormat), 0); });
    GLint bound = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, 0) << "a null format makes no GL call";

    quads = RecordQuads([&] { EXPECT_EQ(PrintAtlasText(font, 0, 0, 1, "%s", ""), 0); });
    EXPECT_TRUE(quads.empty());
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ((GLuint)bound, font->texture) << "an empty text still binds the atlas";

    for (int8_t notReady : {0, 2, -1}) {
        font->ready = notReady;
        quads = RecordQuads([&] { EXPECT_EQ(PrintAtlasText(font, 10, 100, 1, "A"), -1); });
        EXPECT_TRUE(quads.empty());
    }
}

}  // namespace
