// Where the scene puts its layers and what it leaves behind: quads read back
// in feedback mode, the fly-in's frame-by-frame depth, the sprite's matrix,
// colour and random draws, and the GL state after a frame.
#include "scene_fixture.h"

using SceneGeometry = SceneTest;

TEST_F(SceneGeometry, FirstFrameLaysTheEmblemsTogetherUnturnedAndTheGreetingBehindTheViewer)
{
    std::vector<Quad> quads = RecordQuads([] { DrawScene(0.0f); });
    ASSERT_EQ(quads.size(), 4u);
    EXPECT_TRUE(IsTurnedUnitQuad(quads[0], 0.0, -1.5));
    EXPECT_TRUE(IsTurnedUnitQuad(quads[1], 0.0, -1.5));
    EXPECT_TRUE(IsTurnedUnitQuad(quads[2], 0.0, -0.5));  // cos 0 - 1.5
    EXPECT_TRUE(IsTurnedUnitQuad(quads[3], 0.0, 14.9));
    EXPECT_EQ(flyInZ, 14.9f);
}

TEST_F(SceneGeometry, TwoSecondsTurnTheLayersBySixtyDegrees)
{
    flyInZ = -2.0f;
    std::vector<Quad> quads = RecordQuads([] { DrawScene(2.0f); });
    ASSERT_EQ(quads.size(), 4u);
    EXPECT_TRUE(IsTurnedUnitQuad(quads[0], 60.0, -1.5));
    EXPECT_TRUE(IsTurnedUnitQuad(quads[1], -60.0, -1.5));
    // The swing takes 5 x angle as radians: cos(300) - 1.5.
    EXPECT_TRUE(IsTurnedUnitQuad(quads[2], -60.0, cos(300.0) - 1.5));
    EXPECT_TRUE(IsTurnedUnitQuad(quads[3], 0.0, -2.0));
}

TEST_F(SceneGeometry, OneTurnTakesTwelveSeconds)
{
    flyInZ = -2.0f;
    for (float t : {3.0f, 6.0f, 12.0f, 13.5f}) {
        SCOPED_TRACE(t);
        double degrees = t * 30.0;
        std::vector<Quad> quads = RecordQuads([t] { DrawScene(t); });
        ASSERT_EQ(quads.size(), 4u);
        EXPECT_TRUE(IsTurnedUnitQuad(quads[0], degrees, -1.5));
        EXPECT_TRUE(IsTurnedUnitQuad(quads[1], -degrees, -1.5));
        EXPECT_TRUE(IsTurnedUnitQuad(quads[2], -degrees, cos(5.0 * degrees) - 1.5));
    }
}

TEST_F(SceneGeometry, SwingingLayerStaysBetweenHalfAndTwoAndAHalfUnitsAway)
{
    flyInZ = -2.0f;
    float nearest = -100.0f, farthest = 0.0f;
    // A period of the swing is about 0.042 s: step across many periods at
    // an odd stride, early and late in a run.
    for (int i = 0; i < 3000; ++i) {
        float t = (i < 1500 ? 0.0f : 3600.0f) + (float)(i % 1500) * 0.00731f;
        std::vector<Quad> quads = RecordQuads([t] { DrawScene(t); });
        ASSERT_EQ(quads.size(), 4u);
        float z = quads[2][0].z;
        for (const Corner& c : quads[2])
            ASSERT_EQ(c.z, z) << "the swinging layer must stay flat, facing the viewer";
        ASSERT_GE(z, -2.5f - 5e-6f) << "t " << t;
        ASSERT_LE(z, -0.5f + 5e-6f) << "t " << t;
        nearest = std::max(nearest, z);
        farthest = std::min(farthest, z);
    }
    // It does swing the whole way, not somewhere inside the range.
    EXPECT_GT(nearest, -0.51f);
    EXPECT_LT(farthest, -2.49f);
}

TEST_F(SceneGeometry, FlyInMovesATenthPerDrawnFrameAndRestsAtExactlyTwo)
{
    struct Row {
        int frame;
        float drawn;
    };
    const Row rows[] = {{1, 14.8999996f}, {2, 14.8f},        {150, -0.0000209f},
                        {151, -0.1000209f}, {170, -2.0000212f}, {171, -2.0f}};
    int frame = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.frame);
        while (frame < row.frame - 1) {
            DrawUnseen(0.0f);
            ++frame;
        }
        // The depth the greeting is drawn at is the stepped one.
        std::vector<Quad> quads = RecordQuads([] { DrawScene(0.0f); });
        ++frame;
        ASSERT_EQ(quads.size(), 4u);
        EXPECT_NEAR(flyInZ, row.drawn, 1e-7f + fabsf(row.drawn) * 2e-7f);
        // Bit for bit: 0.1 is subtracted as a double (a float 0.1 drifts
        // apart by frame 150).
        EXPECT_EQ(flyInZ, FlyInAfter(row.frame));
        EXPECT_TRUE(IsTurnedUnitQuad(quads[3], 0.0, row.drawn, 5e-6));
    }
    // Frame 170 is the one below -2; 171 pins it exactly, for good.
    EXPECT_EQ(flyInZ, -2.0f);
    for (; frame < 400; ++frame) {
        DrawUnseen((float)frame);
        ASSERT_EQ(flyInZ, -2.0f) << "frame " << frame + 1;
    }
}

TEST_F(SceneGeometry, FlyInIgnoresTimeAndCountsOnlyCalls)
{
    // Wildly different times, same number of frames: same depth.
    for (int i = 0; i < 100; ++i)
        DrawUnseen(i % 2 ? 1000.0f : 0.001f);
    EXPECT_EQ(flyInZ, FlyInAfter(100));
    EXPECT_NEAR(flyInZ, 5.0f, 1e-4f);
}

TEST_F(SceneGeometry, SpriteWithoutKeepMatrixLeavesTheMatrixAsItFoundIt)
{
    glLoadIdentity();
    glTranslatef(0.25f, 0.5f, -1.0f);
    GLfloat before[16], after[16];
    GLint depthBefore = 0, depthAfter = 0;
    glGetFloatv(GL_MODELVIEW_MATRIX, before);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthBefore);
    DrawSprite(33.0f, 1.0f, 0.5f, -3.0f, 0, 255, false, false);
    glGetFloatv(GL_MODELVIEW_MATRIX, after);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthAfter);
    EXPECT_EQ(memcmp(before, after, sizeof before), 0);
    EXPECT_EQ(depthAfter, depthBefore);

    // And the quad went where it was asked: moved, then turned.
    glLoadIdentity();
    std::vector<Quad> quads = RecordQuads([] { DrawSprite(33.0f, 1.0f, 0.5f, -3.0f, 0, 255, false, false); });
    ASSERT_EQ(quads.size(), 1u);
    Quad moved = quads[0];
    for (Corner& c : moved) {
        c.x -= 1.0f;
        c.y -= 0.5f;
    }
    EXPECT_TRUE(IsTurnedUnitQuad(moved, 33.0, -3.0));
}

TEST_F(SceneGeometry, SpritesThatKeepTheMatrixComposeTheirTransforms)
{
    glLoadIdentity();
    GLint depthBefore = 0, depthAfter = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthBefore);

    std::vector<Quad> quads = RecordQuads([] {
        DrawSprite(90.0f, 1.0f, 0.0f, -2.0f, 0, 255, true, false);
        // Drawn in the first sprite's frame: 1 along its x is world y.
        DrawSprite(0.0f, 1.0f, 0.0f, -1.0f, 0, 255, true, false);
    });
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthAfter);
    EXPECT_EQ(depthAfter, depthBefore);
    ASSERT_EQ(quads.size(), 2u);
    Quad first = quads[0];
    for (Corner& c : first)
        c.x -= 1.0f;
    EXPECT_TRUE(IsTurnedUnitQuad(first, 90.0, -2.0));
    Quad second = quads[1];
    for (Corner& c : second) {
        c.x -= 1.0f;
        c.y -= 1.0f;
    }
    // Second sprite: centre at (1, 1, -3), still turned by the first's 90.
    EXPECT_TRUE(IsTurnedUnitQuad(second, 90.0, -3.0));

    // The matrix left behind is both transforms, one after the other.
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    const float expected[16] = {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 1, 1, -3, 1};
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(m[i], expected[i], 1e-6f) << "element " << i;
}

// Replays the random source from a known state.
static int NextRaw(uint32_t& state)
{
    state = state * 214013u + 2531011u;
    return (int)((state >> 16) & 0x7FFF);
}

TEST_F(SceneGeometry, RandomColourTakesBlueGreenRedFromThreeDraws)
{
    MakeSolidTexture(5, 255, 255, 255, 255);
    uint32_t shadow = 12345u;
    for (int sprite = 0; sprite < 20; ++sprite) {
        SCOPED_TRACE(sprite);
        randomState = shadow;
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        DrawSprite(0.0f, 0.0f, 0.0f, -1.5f, 5, 77, false, true);
        int blue = NextRaw(shadow) & 0xFF;
        int green = NextRaw(shadow) & 0xFF;
        int red = NextRaw(shadow) & 0xFF;
        EXPECT_EQ(randomState, shadow) << "exactly three values taken";

        GLfloat colour[4];
        glGetFloatv(GL_CURRENT_COLOR, colour);
        EXPECT_EQ(lroundf(colour[0] * 255), red);
        EXPECT_EQ(lroundf(colour[1] * 255), green);
        EXPECT_EQ(lroundf(colour[2] * 255), blue);
        EXPECT_EQ(lroundf(colour[3] * 255), 77);
        // Blending is off in the fixed state: the quad shows the colour.
        EXPECT_EQ(PixelAt(VIEW_WIDTH / 2, VIEW_HEIGHT / 2), (Rgb{red, green, blue}));
    }
}

TEST_F(SceneGeometry, PlainColourIsWhiteWithTheAlphaAndTakesNoRandomValue)
{
    randomState = 99u;
    DrawSprite(10.0f, 0.0f, 0.0f, -2.0f, 0, 40, false, false);
    EXPECT_EQ(randomState, 99u);
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(colour[0], 1.0f);
    EXPECT_EQ(colour[1], 1.0f);
    EXPECT_EQ(colour[2], 1.0f);
    EXPECT_EQ(lroundf(colour[3] * 255), 40);

    // The scene itself draws from the random source not at all.
    for (int i = 0; i < 10; ++i)
        DrawUnseen((float)i);
    EXPECT_EQ(randomState, 99u);
}

TEST_F(SceneGeometry, SceneEndsWithBlendingOffDepthTestOnWhiteAndTheStackAsItWas)
{
    glEnable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glColor4ub(10, 20, 30, 40);
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -0.5f);
    glPushMatrix();
    glRotatef(15.0f, 0.0f, 0.0f, 1.0f);
    GLfloat before[16], after[16];
    GLint depthBefore = 0, depthAfter = 0;
    glGetFloatv(GL_MODELVIEW_MATRIX, before);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthBefore);

    EXPECT_TRUE(DrawScene(1.7f));

    glGetFloatv(GL_MODELVIEW_MATRIX, after);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthAfter);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(colour[0], 1.0f);
    EXPECT_EQ(colour[1], 1.0f);
    EXPECT_EQ(colour[2], 1.0f);
    EXPECT_EQ(colour[3], 1.0f);
    EXPECT_EQ(depthAfter, depthBefore);
    EXPECT_EQ(memcmp(before, after, sizeof before), 0);
    // The greeting was the last layer drawn.
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ((GLuint)bound, textureTable[1].texId);
    glPopMatrix();
}

TEST_F(SceneGeometry, EveryLayerIsDrawnBlendedWithoutTheDepthTest)
{
    // Fill the depth buffer with the nearest depth: a layer drawn with the
    // depth test on would leave no pixel.
    glClearDepth(0.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glClearDepth(1.0);
    MakeSolidTexture(0, 20, 0, 0, 255);
    MakeSolidTexture(1, 0, 0, 40, 255);
    MakeSolidTexture(2, 0, 30, 0, 255);
    flyInZ = -2.0f;
    glLoadIdentity();
    DrawScene(0.0f);
    // Two emblems, starfield and greeting, all added.
    EXPECT_EQ(PixelAt(VIEW_WIDTH / 2, VIEW_HEIGHT / 2), (Rgb{40, 30, 40}));
}

TEST_F(SceneGeometry, FrameClearsReadsTheClockOnceAndReturnsOne)
{
    MakeSolidTexture(0, 20, 0, 0, 255);
    MakeSolidTexture(1, 0, 0, 40, 255);
    MakeSolidTexture(2, 0, 30, 0, 255);
    FreezeClockAt(0.0f);
    glClearColor(0.2f, 0.2f, 0.2f, 0.5f);
    glClearDepth(0.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glClearColor(0.0f, 0.0f, 0.0f, 0.5f);
    glClearDepth(1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(3.0f, 3.0f, 3.0f);
    GLint depthBefore = 0, depthAfter = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthBefore);

    int readings = TestCallCount("QueryPerformanceCounter");
    EXPECT_EQ(RenderFrame(), 1);
    EXPECT_EQ(TestCallCount("QueryPerformanceCounter"), readings + 1);

    // t = 0: the starfield at -0.5 covers the view, the greeting is behind
    // the viewer, and the old grey and depths were cleared first, whatever
    // the matrix (the layers write no depth).
    for (int y : {0, VIEW_HEIGHT / 2, VIEW_HEIGHT - 1})
        for (int x : {0, VIEW_WIDTH / 2, VIEW_WIDTH - 1}) {
            EXPECT_EQ(PixelAt(x, y), (Rgb{40, 30, 0})) << x << "," << y;
            GLfloat depth = 0.0f;
            glReadPixels(x, y, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
            EXPECT_EQ(depth, 1.0f) << x << "," << y;
        }
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthAfter);
    EXPECT_EQ(depthAfter, depthBefore);
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(m[i], i % 5 == 0 ? 1.0f : 0.0f) << "the frame leaves the identity, element " << i;
}
