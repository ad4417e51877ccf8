// What the effect primitives put into the colour and depth buffers, under
// the fixed GL state of the render window.
#include "effects_fixture.h"

#include "scene/scene.h"

using EffectPixels = EffectTest;

static int Brightness(const std::vector<GLubyte>& pixels, size_t index)
{
    return pixels[index * 4] + pixels[index * 4 + 1] + pixels[index * 4 + 2];
}

static bool InRange(int value, int low, int high)
{
    return value >= low && value <= high;
}

TEST_F(EffectPixels, WhiteFadeBrightensTheWholeViewByLessAsItFades)
{
    // Texture name 0: the overlay is not modulated by a leftover texture.
    glBindTexture(GL_TEXTURE_2D, 0);
    const struct {
        uint32_t t;
        int low, high;  // expected channel value over a grey of 64
    } steps[] = {{0, 254, 255}, {250, 254, 255}, {500, 190, 193}, {750, 126, 129}, {1000, 64, 64}, {2000, 64, 64}};
    for (const auto& step : steps) {
        SCOPED_TRACE(step.t);
        FillView(64, 64, 64);
        DrawWhiteFade(step.t);
        // Additive: 64 + 255 * alpha, saturating at 255.
        for (int corner = 0; corner < 4; ++corner) {
            int x = corner & 1 ? VIEW_WIDTH - 1 : 0;
            int y = corner & 2 ? VIEW_HEIGHT - 1 : 0;
            Rgb pixel = PixelAt(x, y);
            EXPECT_TRUE(InRange(pixel.r, step.low, step.high)) << pixel.r << " at " << x << "," << y;
            EXPECT_EQ(pixel.r, pixel.g);
            EXPECT_EQ(pixel.r, pixel.b);
        }
        Rgb centre = PixelAt(VIEW_WIDTH / 2, VIEW_HEIGHT / 2);
        EXPECT_TRUE(InRange(centre.r, step.low, step.high)) << centre.r;
    }
}

TEST_F(EffectPixels, BlackFadesLeaveTheShippedSceneUntouched)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    DrawScene(1.25f);
    // The scene leaves its last layer's texture bound: the fades draw
    // modulated by it, and add black all the same.
    std::vector<GLubyte> scene = ReadColours();
    int lit = 0;
    for (size_t i = 0; i < scene.size() / 4; ++i)
        lit += Brightness(scene, i) > 0;
    ASSERT_GT(lit, VIEW_WIDTH * VIEW_HEIGHT / 10) << "the scene should fill part of the view";

    for (uint32_t t : {0u, 500u, 999u}) {
        SCOPED_TRACE(t);
        DrawBlackFade(t);
        DrawBlackFadeFloat((float)t);
        EXPECT_TRUE(ReadColours() == scene);
    }
}

TEST_F(EffectPixels, BackdropCoversTheViewUpsideDownAndClearsDepth)
{
    int slot = MakeQuadrantTexture(5);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    DrawBackdrop(slot);

    // Texture row t = 1 along the bottom edge, row t = 0 along the top.
    const struct {
        int x, y;
        Rgb colour;
    } quadrants[] = {{0, 0, {0, 0, 255}},
                     {VIEW_WIDTH - 1, 0, {255, 255, 255}},
                     {0, VIEW_HEIGHT - 1, {255, 0, 0}},
                     {VIEW_WIDTH - 1, VIEW_HEIGHT - 1, {0, 255, 0}},
                     {VIEW_WIDTH / 4, VIEW_HEIGHT / 4, {0, 0, 255}},
                     {3 * VIEW_WIDTH / 4, 3 * VIEW_HEIGHT / 4, {0, 255, 0}}};
    for (const auto& q : quadrants) {
        Rgb got = PixelAt(q.x, q.y);
        EXPECT_EQ(got.r, q.colour.r) << q.x << "," << q.y;
        EXPECT_EQ(got.g, q.colour.g) << q.x << "," << q.y;
        EXPECT_EQ(got.b, q.colour.b) << q.x << "," << q.y;
    }
    for (GLfloat depth : ReadDepths())
        ASSERT_EQ(depth, 1.0f);

    // A sprite drawn next, far behind where the backdrop was written, shows.
    DrawSprite(0.0f, 0.0f, 0.0f, -20.0f, 9, 255, false, false);
    Rgb centre = PixelAt(VIEW_WIDTH / 2, VIEW_HEIGHT / 2);
    EXPECT_EQ(centre.r + centre.g + centre.b, 3 * 255);
}

TEST_F(EffectPixels, BackdropIsDepthTestedBeforeItClearsDepth)
{
    // Something already at the nearest depth keeps its pixels.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDepthFunc(GL_ALWAYS);
    glDepthRange(0.0, 0.0);
    FillView(10, 20, 30);
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT);
    glDisable(GL_TEXTURE_2D);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glColor3ub(10, 20, 30);
    glRectf(-1.0f, -1.0f, 0.0f, 1.0f);  // left half, at depth 0
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopAttrib();
    glDepthRange(0.0, 1.0);
    glDepthFunc(GL_LESS);

    DrawBackdrop(MakeQuadrantTexture(5));
    Rgb left = PixelAt(VIEW_WIDTH / 4, VIEW_HEIGHT / 4);
    Rgb right = PixelAt(3 * VIEW_WIDTH / 4, VIEW_HEIGHT / 4);
    EXPECT_EQ(left.r, 10);
    EXPECT_EQ(left.b, 30);
    EXPECT_EQ(right.r, 255);
    EXPECT_EQ(right.b, 255);
}

TEST_F(EffectPixels, BackdropAtOutsideTheDepthRangeDrawsNothing)
{
    int slot = MakeQuadrantTexture(5);
    for (float z : {-0.5f, -0.01f, 2.01f, 2.5f, -100.0f}) {
        SCOPED_TRACE(z);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        FillView(40, 40, 40);
        std::vector<GLubyte> empty = ReadColours();
        DrawBackdropAt(slot, 0.0f, 0.0f, z);
        EXPECT_TRUE(ReadColours() == empty);
    }
}

TEST_F(EffectPixels, BackdropAtShiftsInDeviceCoordinatesAndAtZeroMatchesTheBackdrop)
{
    int slot = MakeQuadrantTexture(5);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    DrawBackdrop(slot);
    std::vector<GLubyte> plain = ReadColours();

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    DrawBackdropAt(slot, 0.0f, 0.0f, 0.0f);
    EXPECT_TRUE(ReadColours() == plain);

    // Inside the depth range the depth shift changes nothing visible.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    DrawBackdropAt(slot, 0.0f, 0.0f, 1.5f);
    EXPECT_TRUE(ReadColours() == plain);

    // Half the view to the right: the left half keeps the clear colour and
    // the picture's left column (blue below, red above) fills the right half.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    DrawBackdropAt(slot, 1.0f, 0.0f, 0.0f);
    Rgb left = PixelAt(VIEW_WIDTH / 4, VIEW_HEIGHT / 4);
    EXPECT_EQ(left.r + left.g + left.b, 0);
    Rgb lowRight = PixelAt(3 * VIEW_WIDTH / 4, VIEW_HEIGHT / 4);
    Rgb highRight = PixelAt(3 * VIEW_WIDTH / 4, 3 * VIEW_HEIGHT / 4);
    EXPECT_EQ(lowRight.b, 255);
    EXPECT_EQ(lowRight.r, 0);
    EXPECT_EQ(highRight.r, 255);
    EXPECT_EQ(highRight.g, 0);
}

TEST_F(EffectPixels, SpinningQuadShowsItsTextureUpsideDownOneUnitBeyondItsPlace)
{
    int slot = MakeQuadrantTexture(5);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    // Placed at -5, the quad lies at -6 in all: its half-side of 1 spans
    // 96.6 pixels of the view either way.
    DrawSpinningQuad(0.0f, slot, 0.0f, 0.0f, -5.0f, false);
    const int cx = VIEW_WIDTH / 2, cy = VIEW_HEIGHT / 2;
    Rgb low = PixelAt(cx - 48, cy - 48);
    Rgb high = PixelAt(cx - 48, cy + 48);
    EXPECT_EQ(low.b, 255);
    EXPECT_EQ(low.r, 0);
    EXPECT_EQ(high.r, 255);
    EXPECT_EQ(high.b, 0);
    for (int side : {-1, 1}) {
        Rgb inside = PixelAt(cx + side * 94, cy - 48), outside = PixelAt(cx + side * 99, cy - 48);
        EXPECT_GT(inside.r + inside.g + inside.b, 0) << side;
        EXPECT_EQ(outside.r + outside.g + outside.b, 0) << side;
    }

    // Turned by 180 degrees (t = 8), the quadrants swap places.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    DrawSpinningQuad(8.0f, slot, 0.0f, 0.0f, -5.0f, false);
    Rgb turned = PixelAt(cx + 48, cy + 48);
    EXPECT_EQ(turned.b, 255);
    EXPECT_EQ(turned.r, 0);
}

TEST_F(EffectPixels, HalfTurnSpriteDrawsUntexturedInItsColour)
{
    // Texture name 0 with texturing on: the quad shows its flat colour.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    randomState = 1;
    DrawSpriteHalfTurn(0.0f, 0.0f, -3.0f, 0, 255, false, true);
    Rgb centre = PixelAt(VIEW_WIDTH / 2, VIEW_HEIGHT / 2);
    EXPECT_EQ(centre.r, 6334 & 0xFF);
    EXPECT_EQ(centre.g, 18467 & 0xFF);
    EXPECT_EQ(centre.b, 41);
    // The unit quad at depth 3 spans about 0.56 of the view's height.
    Rgb outside = PixelAt(VIEW_WIDTH / 2, VIEW_HEIGHT - 10);
    EXPECT_EQ(outside.r + outside.g + outside.b, 0);
}
