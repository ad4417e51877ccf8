// What each effect primitive leaves of the GL state: enables, texturing,
// bound texture, colour, matrix mode, stack depths and matrices. Every case
// starts from a caller state unlike the one the primitive leaves, so that a
// primitive that forgets a step shows it.
#include "effects_fixture.h"

#include "support/feedback_quads.h"

class EffectState : public EffectTest {
protected:
    GlState before;

    // Blending on, depth test off, texturing off, slot 0's texture bound, an
    // odd colour, and one pushed, moved modelview matrix.
    void EnterCallerState()
    {
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glPushMatrix();
        glTranslatef(0.5f, -0.25f, -3.0f);
        glRotatef(10.0f, 0.0f, 0.0f, 1.0f);
        glEnable(GL_BLEND);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, textureTable[0].texId);
        glColor4f(0.25f, 0.5f, 0.75f, 0.125f);
        before = ReadGlState();
    }

    void ExpectColour(const GlState& after, float red, float green, float blue, float alpha)
    {
        EXPECT_EQ(after.colour[0], red);
        EXPECT_EQ(after.colour[1], green);
        EXPECT_EQ(after.colour[2], blue);
        EXPECT_EQ(after.colour[3], alpha);
    }

    void ExpectMatricesAndStacksKept(const GlState& after)
    {
        EXPECT_EQ(after.matrixMode, GL_MODELVIEW);
        EXPECT_EQ(after.modelviewDepth, before.modelviewDepth);
        EXPECT_EQ(after.projectionDepth, before.projectionDepth);
        EXPECT_TRUE(MatrixNear(after.modelview, FromGl(before.modelview)));
        EXPECT_TRUE(MatrixNear(after.projection, FromGl(before.projection)));
    }
};

TEST_F(EffectState, PlainFadesLeaveBlendOffDepthOnAndTheirColourAndTouchNoTexture)
{
    struct Case {
        const char* name;
        void (*draw)();
        float grey;
    } cases[] = {
        {"DrawBlackFadeFloat", [] { DrawBlackFadeFloat(250.0f); }, 0.0f},
        {"DrawWhiteFade", [] { DrawWhiteFade(250); }, 1.0f},
        {"DrawBlackFade", [] { DrawBlackFade(250); }, 0.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EnterCallerState();
        c.draw();
        GlState after = ReadGlState();
        EXPECT_FALSE(after.blend);
        EXPECT_TRUE(after.depthTest);
        EXPECT_FALSE(after.texture2D);
        EXPECT_EQ(after.boundTexture, before.boundTexture);
        ExpectColour(after, c.grey, c.grey, c.grey, 0.75f);
        ExpectMatricesAndStacksKept(after);
        glPopMatrix();
    }
}

// Each corner of the overlay a call draws: its window depth, grey and alpha
// (GL hands colours back clamped to 0..1).
static void ExpectOverlay(const std::function<void()>& draw, float depth, float grey, float alpha)
{
    std::vector<Quad> quads = RecordQuads(draw);
    ASSERT_FALSE(quads.empty());
    for (const Quad& quad : quads)
        for (const Corner& corner : quad) {
            EXPECT_NEAR(corner.z, depth, 1e-5f);
            EXPECT_EQ(corner.red, grey);
            EXPECT_EQ(corner.alpha, fminf(fmaxf(alpha, 0.0f), 1.0f));
        }
}

TEST_F(EffectState, PlainFadesDrawAtTheNearPlaneWithTheirUnclampedAlpha)
{
    // 1 - 0.001 t with the rate held as a 32-bit float and the product taken
    // in double; GL keeps the colour as given and clamps only when drawing.
    const struct {
        uint32_t t;
        float alpha;
    } figures[] = {{0, 1.0f},          {500, 0.49999997f},     {1000, -4.7497451e-08f},
                   {2000, -1.0000001f}, {4294967295u, -4294966.5f}};
    for (const auto& figure : figures) {
        SCOPED_TRACE(figure.t);
        // Window depth 0: the overlay lies on the near plane. The current
        // colour keeps the alpha as given.
        auto expectFade = [&](const std::function<void()>& draw, float grey) {
            ExpectOverlay(draw, 0.0f, grey, figure.alpha);
            EXPECT_EQ(ReadGlState().colour[3], figure.alpha);
        };
        expectFade([&] { DrawBlackFade(figure.t); }, 0.0f);
        expectFade([&] { DrawWhiteFade(figure.t); }, 1.0f);
        if (figure.t < 1u << 24)
            expectFade([&] { DrawBlackFadeFloat((float)figure.t); }, 0.0f);
    }
    DrawBlackFadeFloat(0.5f);
    EXPECT_EQ(ReadGlState().colour[3], 0.99949998f);
}

TEST_F(EffectState, TexturedFadeDrawsOneUnitAwayItsClampedAlphaInTheGreyGiven)
{
    const struct {
        float t, alpha;
    } figures[] = {{-1e9f, 1.0f}, {-1.0f, 1.0f}, {0.0f, 1.0f},     {5000.0f, 0.5f},
                   // The float 0.0001 lies a little below 0.0001: a trace is left.
                   {10000.0f, 2.5262125e-08f}, {10000.5f, 0.0f}, {1e9f, 0.0f}};
    for (const auto& figure : figures) {
        SCOPED_TRACE(figure.t);
        // Window depth of eye depth -1 under the 0.1..100 projection.
        ExpectOverlay([&] { DrawTexturedFade(figure.t, 2, 0.375f); }, 0.9009009f, 0.375f, figure.alpha);
    }
}

TEST_F(EffectState, TexturedFadeLeavesTexturingOnItsTextureBoundAndWhite)
{
    EnterCallerState();
    DrawTexturedFade(5000.0f, 2, 0.5f);
    GlState after = ReadGlState();
    EXPECT_FALSE(after.blend);
    EXPECT_TRUE(after.depthTest);
    EXPECT_TRUE(after.texture2D);
    EXPECT_EQ(after.boundTexture, (GLint)textureTable[2].texId);
    ExpectColour(after, 1.0f, 1.0f, 1.0f, 1.0f);
    ExpectMatricesAndStacksKept(after);
    glPopMatrix();
}

TEST_F(EffectState, SpinningQuadLeavesItsTransformOnTheCurrentMatrixAndNothingElse)
{
    EnterCallerState();
    DrawSpinningQuad(2.0f, 1, 0.25f, -0.5f, -4.0f, false);
    GlState after = ReadGlState();
    Matrix expected = Multiply(FromGl(before.modelview), TranslateTurn(0.25f, -0.5f, -4.0f, 45.0));
    EXPECT_TRUE(MatrixNear(after.modelview, expected));
    EXPECT_EQ(after.boundTexture, (GLint)textureTable[1].texId);
    EXPECT_EQ(after.blend, before.blend);
    EXPECT_EQ(after.depthTest, before.depthTest);
    EXPECT_EQ(after.texture2D, before.texture2D);
    ExpectColour(after, 0.25f, 0.5f, 0.75f, 0.125f);
    EXPECT_EQ(after.matrixMode, GL_MODELVIEW);
    EXPECT_EQ(after.modelviewDepth, before.modelviewDepth);
    EXPECT_EQ(after.projectionDepth, before.projectionDepth);
    glPopMatrix();
}

TEST_F(EffectState, SpinningQuadsInARowComposeAndReverseTurnsTheOtherWay)
{
    glLoadIdentity();
    DrawSpinningQuad(1.0f, 0, 1.0f, 0.0f, -5.0f, false);
    DrawSpinningQuad(4.0f, 2, 0.0f, 2.0f, 0.0f, true);
    Matrix expected = Multiply(TranslateTurn(1.0f, 0.0f, -5.0f, 22.5), TranslateTurn(0.0f, 2.0f, 0.0f, -90.0));
    EXPECT_TRUE(MatrixNear(ReadGlState().modelview, expected));

    // Bracketed by the caller, the same calls leave nothing behind.
    glLoadIdentity();
    glPushMatrix();
    DrawSpinningQuad(1.0f, 0, 1.0f, 0.0f, -5.0f, false);
    glPopMatrix();
    glPushMatrix();
    DrawSpinningQuad(4.0f, 2, 0.0f, 2.0f, 0.0f, true);
    glPopMatrix();
    EXPECT_TRUE(MatrixNear(ReadGlState().modelview, Identity()));
}

TEST_F(EffectState, BackdropsLeaveTheModelviewCurrentAtTheIdentityAndTheStacksAsTheyWere)
{
    struct Case {
        const char* name;
        void (*draw)();
    } cases[] = {
        {"DrawBackdrop", [] { DrawBackdrop(1); }},
        {"DrawBackdropAt", [] { DrawBackdropAt(1, 0.5f, -0.25f, 1.0f); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EnterCallerState();
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glTranslatef(0.0f, 0.0f, -0.5f);
        before = ReadGlState();

        c.draw();
        GlState after = ReadGlState();
        EXPECT_EQ(after.matrixMode, GL_MODELVIEW);
        EXPECT_TRUE(MatrixNear(after.modelview, Identity()));
        EXPECT_TRUE(MatrixNear(after.projection, FromGl(before.projection)));
        EXPECT_EQ(after.modelviewDepth, before.modelviewDepth);
        EXPECT_EQ(after.projectionDepth, before.projectionDepth);
        EXPECT_EQ(after.boundTexture, (GLint)textureTable[1].texId);
        EXPECT_EQ(after.blend, before.blend);
        EXPECT_EQ(after.depthTest, before.depthTest);
        EXPECT_EQ(after.texture2D, before.texture2D);
        ExpectColour(after, 0.25f, 0.5f, 0.75f, 0.125f);

        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
        glPopMatrix();
    }
}

TEST_F(EffectState, HalfTurnSpriteBindsItsOwnTableAndKeepsTheMatrixOnlyWhenAsked)
{
    EnterCallerState();
    DrawSpriteHalfTurn(0.5f, 0.25f, -2.0f, 3, 200, false, false);
    GlState after = ReadGlState();
    // Nothing writes spriteTextureNames: name 0, whatever the caller had bound.
    EXPECT_EQ(after.boundTexture, 0);
    ExpectColour(after, 1.0f, 1.0f, 1.0f, 200.0f / 255.0f);
    EXPECT_EQ(after.blend, before.blend);
    EXPECT_EQ(after.depthTest, before.depthTest);
    EXPECT_EQ(after.texture2D, before.texture2D);
    ExpectMatricesAndStacksKept(after);

    DrawSpriteHalfTurn(0.5f, 0.25f, -2.0f, 3, 200, true, false);
    after = ReadGlState();
    Matrix expected = Multiply(FromGl(before.modelview), TranslateTurn(0.5f, 0.25f, -2.0f, 180.0));
    EXPECT_TRUE(MatrixNear(after.modelview, expected));
    EXPECT_EQ(after.modelviewDepth, before.modelviewDepth);
    glPopMatrix();

    // A scene that fills the table gets its texture.
    spriteTextureNames[SPRITE_TEXTURE_SLOTS - 1] = textureTable[2].texId;
    DrawSpriteHalfTurn(0.0f, 0.0f, -2.0f, SPRITE_TEXTURE_SLOTS - 1, 255, false, false);
    EXPECT_EQ(ReadGlState().boundTexture, (GLint)textureTable[2].texId);
}

TEST_F(EffectState, HalfTurnSpriteTakesBlueGreenRedFromThreeRawValues)
{
    randomState = 1;
    // The source's first raw values: 41, 18467, 6334, then 26500.
    DrawSpriteHalfTurn(0.0f, 0.0f, -2.0f, 0, 128, false, true);
    GlState after = ReadGlState();
    ExpectColour(after, (6334 & 0xFF) / 255.0f, (18467 & 0xFF) / 255.0f, 41 / 255.0f, 128 / 255.0f);
    EXPECT_EQ(RandomNext(), 26500);
}

TEST_F(EffectState, HalfTurnSpriteRefusesSlotsOutsideItsTable)
{
    for (int slot : {-1, (int)SPRITE_TEXTURE_SLOTS, 134, 135, 1 << 30}) {
        SCOPED_TRACE(slot);
        EnterCallerState();
        randomState = 7;
        DrawSpriteHalfTurn(0.5f, 0.5f, -2.0f, slot, 255, true, true);
        GlState after = ReadGlState();
        EXPECT_EQ(randomState, 7u);
        EXPECT_EQ(after.boundTexture, before.boundTexture);
        ExpectColour(after, 0.25f, 0.5f, 0.75f, 0.125f);
        ExpectMatricesAndStacksKept(after);
        glPopMatrix();
    }
}

TEST_F(EffectState, SlotsOutsideTheTextureTableBindNameZero)
{
    for (int slot : {-1, (int)TEXTURE_SLOTS, 1 << 30}) {
        SCOPED_TRACE(slot);
        glBindTexture(GL_TEXTURE_2D, textureTable[0].texId);
        glPushMatrix();
        DrawSpinningQuad(0.0f, slot, 0.0f, 0.0f, -3.0f, false);
        glPopMatrix();
        EXPECT_EQ(ReadGlState().boundTexture, 0);

        glBindTexture(GL_TEXTURE_2D, textureTable[0].texId);
        DrawTexturedFade(0.0f, slot, 1.0f);
        EXPECT_EQ(ReadGlState().boundTexture, 0);

        glBindTexture(GL_TEXTURE_2D, textureTable[0].texId);
        DrawBackdrop(slot);
        EXPECT_EQ(ReadGlState().boundTexture, 0);
    }
}
