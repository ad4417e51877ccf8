// The layer's GDI font objects and wglUseFontBitmapsA, as the bitmap font
// and any other caller of the Win32 calls meet them.
#include <string>
#include <vector>

#include "text_fixture.h"

namespace {

class LayerFontTest : public GlWindowTest {
protected:
    std::vector<HFONT> created;
    HGDIOBJ stock = nullptr;

    void TearDown() override
    {
        // Selected fonts cannot be deleted: hand the DC its stock font back.
        if (stock)
            SelectObject(dc, stock);
        for (HFONT font : created)
            DeleteObject(font);
        GlWindowTest::TearDown();
    }

    void Select(HFONT font)
    {
        HGDIOBJ previous = SelectObject(dc, font);
        if (!stock)
            stock = previous;
    }

    HFONT Create(const char* face, int height = -14, int weight = FW_BOLD, DWORD pitch = DEFAULT_PITCH)
    {
        HFONT font = CreateFontA(height, 0, 0, 0, weight, 0, 0, 0, ANSI_CHARSET, OUT_TT_PRECIS,
                                 CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, pitch, face);
        created.push_back(font);
        return font;
    }

    // Lists for codes 32..127 from the DC's selected font; the raster
    // advance of each code.
    std::vector<float> Advances()
    {
        GLuint base = glGenLists(96);
        EXPECT_TRUE(wglUseFontBitmapsA(dc, 32, 96, base));
        EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
        std::vector<float> advances;
        for (GLuint code = 32; code < 128; ++code) {
            glRasterPos2i(0, 0);
            glCallList(base + code - 32);
            advances.push_back(RasterX());
        }
        glDeleteLists(base, 96);
        return advances;
    }
};

TEST_F(LayerFontTest, SelectObjectHandsBackWhatWasSelected)
{
    HFONT first = Create("Courier New");
    HFONT second = Create("Courier New", -20);
    stock = SelectObject(dc, first);
    ASSERT_NE(stock, nullptr);
    EXPECT_EQ(SelectObject(dc, second), (HGDIOBJ)first);
    EXPECT_EQ(SelectObject(dc, stock), (HGDIOBJ)second);
    EXPECT_EQ(SelectObject(dc, stock), stock);
    EXPECT_EQ(SelectObject(nullptr, first), nullptr);
    EXPECT_EQ(SelectObject(dc, nullptr), nullptr);
}

TEST_F(LayerFontTest, DeleteObjectFreesOnlyUnselectedLiveFonts)
{
    HFONT font = CreateFontA(-14, 0, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET, OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS,
                             ANTIALIASED_QUALITY, DEFAULT_PITCH, "Courier New");
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(TestLiveFonts(), 1);
    stock = SelectObject(dc, font);
    EXPECT_FALSE(DeleteObject(font)) << "still selected";
    SelectObject(dc, stock);
    EXPECT_TRUE(DeleteObject(font));
    EXPECT_EQ(TestLiveFonts(), 0);
    EXPECT_FALSE(DeleteObject(font)) << "already gone";
    EXPECT_EQ(SelectObject(dc, font), nullptr);
    EXPECT_FALSE(DeleteObject(nullptr));
    // A new font in the freed slot does not answer to the old handle.
    HFONT next = Create("Courier New");
    EXPECT_NE(next, font);
    EXPECT_FALSE(DeleteObject(font));
    EXPECT_EQ(TestLiveFonts(), 1);
}

TEST_F(LayerFontTest, GlyphsComeFromTheSelectedFont)
{
    std::vector<float> stockAdvances = Advances();
    Select(Create("Courier New"));
    std::vector<float> courier = Advances();
    for (float advance : courier)
        EXPECT_EQ(advance, courier['A' - 32]);
    // The stock face is proportional.
    EXPECT_NE(stockAdvances['i' - 32], stockAdvances['W' - 32]);
}

TEST_F(LayerFontTest, MissingMonospacedFaceFallsBackToAMonospacedOne)
{
    Select(Create("Zzyzx Nowhere Sans", -14, FW_BOLD, FIXED_PITCH | FF_MODERN));
    std::vector<float> advances = Advances();
    EXPECT_GT(advances['A' - 32], 0.0f);
    EXPECT_EQ(advances['i' - 32], advances['W' - 32]);
}

TEST_F(LayerFontTest, GlyphBitsIgnoreTheCallersPixelStoreAndKeepIt)
{
    Select(Create("Courier New"));
    auto drawA = [&] {
        GLuint base = glGenLists(1);
        wglUseFontBitmapsA(dc, 'A', 1, base);
        glClear(GL_COLOR_BUFFER_BIT);
        glRasterPos2i(50, 50);
        glCallList(base);
        std::vector<unsigned char> pixels(32 * 32 * 4);
        glReadPixels(44, 44, 32, 32, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        return pixels;
    };
    glColor3f(1, 1, 1);
    std::vector<unsigned char> plain = drawA();
    glPixelStorei(GL_UNPACK_ALIGNMENT, 8);
    glPixelStorei(GL_UNPACK_LSB_FIRST, GL_TRUE);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 64);
    EXPECT_EQ(drawA(), plain);
    GLint alignment = 0, lsbFirst = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glGetIntegerv(GL_UNPACK_LSB_FIRST, &lsbFirst);
    EXPECT_EQ(alignment, 8);
    EXPECT_EQ(lsbFirst, GL_TRUE);
}

TEST_F(LayerFontTest, UseFontBitmapsNeedsALiveDCAndACurrentContext)
{
    GLuint base = glGenLists(96);
    EXPECT_FALSE(wglUseFontBitmapsA(nullptr, 32, 96, base));
    wglMakeCurrent(nullptr, nullptr);
    EXPECT_FALSE(wglUseFontBitmapsA(dc, 32, 96, base));
    wglMakeCurrent(dc, context);
    glDeleteLists(base, 96);
}

}  // namespace
