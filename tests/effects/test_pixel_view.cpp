// The kit's 2D helpers: the pixel view's top-left origin, one pixel per
// unit, and the caller's GL state given back whole by every helper.
#include <stdlib.h>

#include "effects_fixture.h"
#include "text/bitmap_font.h"
#include "scene/pixel_view.h"

class PixelView : public EffectTest {};

static void ExpectSameState(const GlState& a, const GlState& b, GLenum blendSource, GLenum blendDestination)
{
    EXPECT_EQ(a.blend, b.blend);
    EXPECT_EQ(a.depthTest, b.depthTest);
    EXPECT_EQ(a.texture2D, b.texture2D);
    EXPECT_EQ(a.boundTexture, b.boundTexture);
    EXPECT_EQ(a.matrixMode, b.matrixMode);
    EXPECT_EQ(a.modelviewDepth, b.modelviewDepth);
    EXPECT_EQ(a.projectionDepth, b.projectionDepth);
    EXPECT_EQ(memcmp(a.colour, b.colour, sizeof a.colour), 0);
    EXPECT_TRUE(MatrixNear(a.modelview, FromGl(b.modelview)));
    EXPECT_TRUE(MatrixNear(a.projection, FromGl(b.projection)));
    GLint source = 0, destination = 0;
    glGetIntegerv(GL_BLEND_SRC, &source);
    glGetIntegerv(GL_BLEND_DST, &destination);
    EXPECT_EQ((GLenum)source, blendSource);
    EXPECT_EQ((GLenum)destination, blendDestination);
}

TEST_F(PixelView, RectangleCoversExactlyItsPixelsAndEveryHelperGivesTheStateBack)
{
    BuildBitmapFont();
    AtlasFont* font = BuildAtlasFont("imagenes" PLATFORM_PATH_SEPARATOR "fuente.tga", 16, -6);
    ASSERT_NE(font, nullptr);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glTranslatef(0.5f, -0.25f, -3.0f);
    glBindTexture(GL_TEXTURE_2D, textureTable[1].texId);
    glEnable(GL_BLEND);
    glColor4f(0.25f, 0.5f, 0.75f, 0.125f);
    GlState before = ReadGlState();

    BeginPixelView();
    DrawPixelRect(10, 20, 30, 40, 1.0f, 0.0f, 1.0f, 1.0f);
    EndPixelView();
    ExpectSameState(ReadGlState(), before, GL_SRC_ALPHA, GL_ONE);

    std::vector<GLubyte> pixels = ReadColours();
    int wrong = 0;
    for (int row = 0; row < VIEW_HEIGHT; ++row)
        for (int x = 0; x < VIEW_WIDTH; ++x) {
            int y = VIEW_HEIGHT - 1 - row;  // from the top
            bool inside = x >= 10 && x < 40 && y >= 20 && y < 60;
            const GLubyte* p = &pixels[((size_t)row * VIEW_WIDTH + x) * 4];
            wrong += (p[0] == 255 && p[1] == 0 && p[2] == 255) != inside;
        }
    EXPECT_EQ(wrong, 0);

    // The other helpers, inside a view and out of one.
    for (int inView = 0; inView < 2; ++inView) {
        if (inView)
            BeginPixelView();
        GlState inside = ReadGlState();
        PrintPixelText(5, 100, 1, 1, 0, "%d", 42);
        PrintPixelAtlasText(font, 5, 120, 2, 0, 1, 0, "%s", "atlas");
        DrawPixelImage(50, 50, 64, 64, 2, 1, 1, 1, 0.5f);
        DrawPixelSprite(200, 200, 64, 32, 1, 1, 1, 1, 0);
        DrawPixelSprite(200, 200, 64, 32, 1, 1, 1, 1, TEXTURE_SLOTS);
        ExpectSameState(ReadGlState(), inside, GL_SRC_ALPHA, GL_ONE);
        if (inView)
            EndPixelView();
    }
    free(font);
    ExpectSameState(ReadGlState(), before, GL_SRC_ALPHA, GL_ONE);
}
