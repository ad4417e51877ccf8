// The bitmap font on real GL: its glyphs, advances, limits and the lists it
// must never touch.
#include <string>

#include "text/bitmap_font.h"
#include "text_fixture.h"

namespace {

// A list that moves the raster position far to the right: a call to it is
// seen at once in the raster position.
GLuint MakeTrapLists(GLsizei count)
{
    static const GLubyte noBits = 0;
    GLuint base = glGenLists(count);
    for (GLsizei i = 0; i < count; ++i) {
        glNewList(base + i, GL_COMPILE);
        glBitmap(0, 0, 0, 0, 1000, 0, &noBits);
        glEndList();
    }
    return base;
}

class BitmapFontTest : public GlWindowTest {
protected:
    void SetUp() override
    {
        GlWindowTest::SetUp();
        glColor3f(1, 1, 1);
    }

    // Raster x after printing from (0, 0).
    static float AdvanceOf(const std::string& text)
    {
        glRasterPos2i(0, 0);
        PrintBitmapText("%s", text.c_str());
        return RasterX();
    }
};

TEST_F(BitmapFontTest, LetterLightsPixelsAtTheRasterPositionAndSpaceNone)
{
    BuildBitmapFont();
    ASSERT_NE(fontListBase, 0u);
    glRasterPos2i(100, 100);
    PrintBitmapText(" ");
    EXPECT_EQ(LitPixels(0, 0, VIEW_WIDTH, VIEW_HEIGHT), 0);
    glRasterPos2i(100, 100);
    PrintBitmapText("A");
    int all = LitPixels(0, 0, VIEW_WIDTH, VIEW_HEIGHT);
    // On the baseline, within one advance and a character height.
    EXPECT_GT(all, 20);
    EXPECT_EQ(LitPixels(100, 100, 10, 14), all);

    // Bold: the same face at normal weight lights fewer pixels.
    HFONT normal = CreateFontA(-14, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_TT_PRECIS,
                               CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, FF_DONTCARE | DEFAULT_PITCH, "Courier New");
    HGDIOBJ stock = SelectObject(dc, normal);
    GLuint lists = glGenLists(96);
    wglUseFontBitmapsA(dc, 32, 96, lists);
    SelectObject(dc, stock);
    DeleteObject(normal);
    glClear(GL_COLOR_BUFFER_BIT);
    glRasterPos2i(100, 100);
    glCallList(lists + 'A' - 32);
    glDeleteLists(lists, 96);
    EXPECT_LT(LitPixels(0, 0, VIEW_WIDTH, VIEW_HEIGHT), all);
}

TEST_F(BitmapFontTest, EveryGlyphAdvancesAlikeByAFourteenPixelEm)
{
    BuildBitmapFont();
    float advance = AdvanceOf("A");
    // A face with Courier's metrics is 0.6 em wide: 8 pixels at 14, 7 for a
    // 14-pixel cell.
    EXPECT_EQ(advance, 8.0f);
    for (int code = 32; code <= 127; ++code)
        EXPECT_EQ(AdvanceOf(std::string(1, (char)code)), advance) << "code " << code;
}

TEST_F(BitmapFontTest, TextsAreCutAt255Characters)
{
    BuildBitmapFont();
    float advance = AdvanceOf("A");
    EXPECT_EQ(AdvanceOf(std::string(255, 'A')), 255 * advance);
    EXPECT_EQ(AdvanceOf(std::string(300, 'A')), 255 * advance);
}

TEST_F(BitmapFontTest, ListBaseSurvivesPrinting)
{
    BuildBitmapFont();
    glListBase(777);
    PrintBitmapText("hola %d", 3);
    GLint listBase = 0;
    glGetIntegerv(GL_LIST_BASE, &listBase);
    EXPECT_EQ(listBase, 777);
}

TEST_F(BitmapFontTest, EmptyTextDrawsNothingButPushesAndPops)
{
    BuildBitmapFont();
    GLint maxDepth = 0;
    glGetIntegerv(GL_MAX_ATTRIB_STACK_DEPTH, &maxDepth);
    for (GLint i = 0; i < maxDepth; ++i)
        glPushAttrib(GL_LIST_BIT);
    glRasterPos2i(100, 100);
    PrintBitmapText("%s", "");
    // A push on the full stack overflows; its pop then takes one level.
    EXPECT_EQ(glGetError(), (GLenum)GL_STACK_OVERFLOW);
    GLint depth = 0;
    glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, maxDepth - 1);
    for (GLint i = 0; i < depth; ++i)
        glPopAttrib();
    EXPECT_EQ(RasterX(), 100.0f);
    EXPECT_EQ(LitPixels(0, 0, VIEW_WIDTH, VIEW_HEIGHT), 0);
}

TEST_F(BitmapFontTest, BytesOutsideTheFontCallNoOtherList)
{
    GLuint below = MakeTrapLists(32);
    BuildBitmapFont();
    ASSERT_EQ(fontListBase, below + 32);
    MakeTrapLists(128);  // fontListBase + 96 onward
    float advance = AdvanceOf("A");
    EXPECT_EQ(AdvanceOf("\x01" "A\x1F\x80\xFF"), advance);
}

TEST_F(BitmapFontTest, NoFontMeansNoListIsCalledOrDeleted)
{
    GLuint others = MakeTrapLists(100);
    ASSERT_EQ(fontListBase, 0u);
    EXPECT_EQ(AdvanceOf("AB"), 0.0f);
    DeleteBitmapFont();
    for (GLuint list = others; list < others + 100; ++list)
        EXPECT_TRUE(glIsList(list)) << list;
}

TEST_F(BitmapFontTest, SecondDeleteSparesListsMadeSince)
{
    BuildBitmapFont();
    GLuint base = fontListBase;
    DeleteBitmapFont();
    EXPECT_FALSE(glIsList(base));
    GLuint others = MakeTrapLists(96);
    DeleteBitmapFont();
    EXPECT_TRUE(glIsList(others));
    EXPECT_TRUE(glIsList(others + 95));
}

TEST_F(BitmapFontTest, BuildReportsAndLeavesTheDCAsItFoundIt)
{
    ASSERT_TRUE(WriteFile("vindrel.txt", ""));
    ASSERT_TRUE(ReportOpen());
    BuildBitmapFont();
    ReportClose();
    EXPECT_NE(ReadFile("Debug.txt").find("Inicializando...\n- Generando fuentes...\n"), std::string::npos);
    reportDisabled = 1;
    if (markerStream) {
        fclose(markerStream);
        markerStream = nullptr;
    }
    EXPECT_EQ(TestLiveFonts(), 0);
    // The stock font is selected again: selecting another one hands it back.
    HFONT other = CreateFontA(-20, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS,
                              ANTIALIASED_QUALITY, DEFAULT_PITCH, "Arial");
    HGDIOBJ stock = SelectObject(dc, other);
    EXPECT_NE(stock, nullptr);
    EXPECT_EQ(SelectObject(dc, stock), (HGDIOBJ)other);
    EXPECT_TRUE(DeleteObject(other));
}

}  // namespace
