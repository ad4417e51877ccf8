// The atlas the build generates: the layout the atlas font cuts, and text
// that shows on screen through it.
#include <stdlib.h>

#include <string>

#include "text/atlas_font.h"
#include "text_fixture.h"

namespace {

std::string GeneratedAtlas()
{
    const char* bin = getenv("ORLATH_BIN");
    return bin ? std::string(bin) + "/imagenes/fuente.tga" : "<ORLATH_BIN unset>";
}

// Alpha of a texel, column and row counted from the picture's top left.
int Alpha(const unsigned char* pixels, int column, int row)
{
    return pixels[(size_t)(row * 256 + column) * 4 + 3];
}

int CellCoverage(const unsigned char* pixels, int cell)
{
    int lit = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            lit += Alpha(pixels, cell % 16 * 16 + x, cell / 16 * 16 + y) > 0;
    return lit;
}

TEST(GeneratedAtlas, HasTheLayoutTheFontCuts)
{
    int32_t width = 0, height = 0;
    unsigned char* pixels = LoadAtlasTga(GeneratedAtlas().c_str(), &width, &height);
    ASSERT_NE(pixels, nullptr) << GeneratedAtlas();
    ASSERT_EQ(width, 256);
    ASSERT_EQ(height, 256);
    for (size_t i = 0; i < (size_t)256 * 256 * 4; i += 4)
        ASSERT_TRUE(pixels[i] == 255 && pixels[i + 1] == 255 && pixels[i + 2] == 255) << "texel " << i / 4;

    // Each cell keeps its top row and right column empty.
    for (int cell = 0; cell < 256; ++cell)
        for (int i = 0; i < 16; ++i) {
            EXPECT_EQ(Alpha(pixels, cell % 16 * 16 + i, cell / 16 * 16), 0) << "cell " << cell;
            EXPECT_EQ(Alpha(pixels, cell % 16 * 16 + 15, cell / 16 * 16 + i), 0) << "cell " << cell;
        }
    EXPECT_EQ(CellCoverage(pixels, 0), 0) << "space";
    for (int code = 33; code < 127; ++code) {
        EXPECT_GT(CellCoverage(pixels, code - 32), 2) << "code " << code;
        EXPECT_GT(CellCoverage(pixels, 128 + code - 32), 2) << "second style, code " << code;
    }
    // 'A' stands upright: its apex is narrower than its feet.
    int cell = 'A' - 32;
    int firstRow = -1, lastRow = -1;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            if (Alpha(pixels, cell % 16 * 16 + x, cell / 16 * 16 + y) > 127) {
                lastRow = y;
                firstRow = firstRow < 0 ? y : firstRow;
            }
    ASSERT_GE(firstRow, 0);
    auto rowWidth = [&](int y) {
        int lit = 0;
        for (int x = 0; x < 16; ++x)
            lit += Alpha(pixels, cell % 16 * 16 + x, cell / 16 * 16 + y) > 127;
        return lit;
    };
    EXPECT_LT(rowWidth(firstRow), rowWidth(lastRow));
    free(pixels);
}

class GeneratedAtlasDrawTest : public GlWindowTest {};

TEST_F(GeneratedAtlasDrawTest, PrintedTextShowsInsideItsQuadsOnly)
{
    AtlasFont* font = BuildAtlasFont(GeneratedAtlas().c_str(), 16, 0);
    ASSERT_NE(font, nullptr);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(1, 1, 1, 1);

    EXPECT_EQ(PrintAtlasText(font, 100, 200, 2, "%s", "A "), 0);
    int insideA = LitPixels(100, 168, 32, 32);
    int insideSpace = LitPixels(132, 168, 32, 32);
    int everywhere = LitPixels(0, 0, VIEW_WIDTH, VIEW_HEIGHT);
    EXPECT_GT(insideA, 40);
    EXPECT_EQ(insideSpace, 0);
    EXPECT_EQ(everywhere, insideA);
    free(font);
}

}  // namespace
