// Pages of the effect primitives, each over the shipped scene or alone.
#include <math.h>

#include "gallery/gallery.h"
#include "image/texture_table.h"
#include "platform/gl.h"
#include "scene/effects.h"
#include "scene/scene.h"
#include "timing/random.h"

// The fades draw with 2D texturing on, modulated by whatever texture is
// bound at the current texture coordinate; name 0 shows their plain colour.
static void UnbindTexture()
{
    glBindTexture(GL_TEXTURE_2D, 0);
}

void DrawWhiteFadePage(float seconds, bool)
{
    DrawShippedScene();
    // t in units of 2 ms: from full white to nothing in two seconds, then
    // half a second below zero, which GL draws as nothing.
    uint32_t t = (uint32_t)(seconds * 500.0f) % 1250u;
    UnbindTexture();
    DrawWhiteFade(t);
    BeginGalleryView();
    ShadeRect(0, 22, GALLERY_WIDTH, 44);
    PrintAt(20, 40, 1.0f, 1.0f, 0.3f, "t = %4u   alpha = 1 - 0.001 t = %+.7f", t, FadeAlpha(t));
    EndGalleryView();
}

// Left half under the fixed blend function (source alpha, one), which adds
// black and so changes nothing; right half under (source alpha, one minus
// source alpha), under which the same call darkens.
static void DrawBlackFadeHalves(void (*fade)(float t), float t)
{
    DrawShippedScene();
    UnbindTexture();
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, GALLERY_WIDTH / 2, GALLERY_HEIGHT);
    fade(t);
    glScissor(GALLERY_WIDTH / 2, 0, GALLERY_WIDTH / 2, GALLERY_HEIGHT);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    fade(t);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glDisable(GL_SCISSOR_TEST);

    BeginGalleryView();
    ShadeRect(0, 22, GALLERY_WIDTH, 100);
    FillRect(GALLERY_WIDTH / 2 - 1, 22, 2, GALLERY_HEIGHT - 46, 0.5f, 0.5f, 0.5f);
    PrintAt(20, 60, 1.0f, 1.0f, 0.3f, "blend (src alpha, one):");
    PrintAt(20, 42, 1.0f, 1.0f, 0.3f, "adds black, no change");
    PrintAt(340, 60, 1.0f, 1.0f, 0.3f, "blend (src alpha, 1 - src alpha):");
    PrintAt(340, 42, 1.0f, 1.0f, 0.3f, "darkens by alpha");
    PrintAt(20, 100, 1.0f, 1.0f, 1.0f, "t = %8.2f   alpha = %+.7f", t, FadeAlpha(t));
    EndGalleryView();
}

static void BlackFadeOfFloat(float t)
{
    DrawBlackFade((uint32_t)t);
}

void DrawBlackFadePage(float seconds, bool)
{
    DrawBlackFadeHalves(BlackFadeOfFloat, (float)((uint32_t)(seconds * 500.0f) % 1250u));
}

void DrawBlackFadeFloatPage(float seconds, bool)
{
    // Fractions of the time unit count here; the unsigned fade drops them.
    DrawBlackFadeHalves(DrawBlackFadeFloat, fmodf(seconds * 500.0f, 1250.0f) + 0.25f);
}

void DrawTexturedFadePage(float seconds, bool)
{
    DrawShippedScene();
    // Ten thousand units to vanish; run here at 4000 per second, from below
    // zero to above 10000, to show the clamp at both ends.
    float t = fmodf(seconds * 4000.0f + 4000.0f, 14000.0f) - 2000.0f;
    DrawTexturedFade(t, 2, 0.8f);
    BeginGalleryView();
    ShadeRect(0, 22, GALLERY_WIDTH, 60);
    PrintAt(20, 60, 1.0f, 1.0f, 0.3f, "slot 2, grey 0.8, t = %7.0f   alpha = %.7f (clamped)", t, TexturedFadeAlpha(t));
    PrintAt(20, 42, 1.0f, 1.0f, 0.3f, "no texture coordinates: one texel colours the whole overlay");
    EndGalleryView();
}

void DrawSpinningQuadPage(float seconds, bool)
{
    glTranslatef(0.0f, 0.0f, -6.0f);
    // Left: three calls in a row; each quad is placed and turned relative
    // to the one before.
    glPushMatrix();
    glTranslatef(-2.4f, 0.0f, 0.0f);
    DrawSpinningQuad(seconds, 0, 0.0f, 0.0f, 0.0f, false);
    DrawSpinningQuad(seconds, 1, 1.6f, 0.0f, 0.0f, false);
    DrawSpinningQuad(seconds, 2, 1.6f, 0.0f, 0.0f, true);
    glPopMatrix();
    // Right: the same three, each bracketed by push and pop: every quad
    // turns about its own place.
    const float places[3] = {1.0f, 2.0f, 3.0f};
    for (int i = 0; i < 3; ++i) {
        glPushMatrix();
        DrawSpinningQuad(seconds, i, places[i] * 0.9f - 0.4f, 1.4f - places[i] * 0.9f, 0.0f, i == 2);
        glPopMatrix();
    }
    glLoadIdentity();
    BeginGalleryView();
    ShadeRect(0, 22, GALLERY_WIDTH, 60);
    PrintAt(20, 60, 1.0f, 1.0f, 0.3f, "left: three calls in a row compose");
    PrintAt(340, 60, 1.0f, 1.0f, 0.3f, "right: each call in push/pop");
    PrintAt(20, 42, 1.0f, 1.0f, 0.3f, "22.5 t degrees, t = %.2f s; the third turns in reverse", seconds);
    EndGalleryView();
}

void DrawBackdropPage(float, bool)
{
    DrawBackdrop(2);
    // The backdrop lies at the nearest depth, but it cleared the depth
    // buffer: the scene and a depth-tested sprite drawn after it show.
    DrawShippedScene();
    DrawSprite(0.0f, 1.2f, -0.6f, -4.0f, 0, 255, false, true);
    BeginGalleryView();
    ShadeRect(0, 22, GALLERY_WIDTH, 60);
    PrintAt(20, 60, 1.0f, 1.0f, 0.3f, "slot 2 over the whole view, upside down, depth cleared after it:");
    PrintAt(20, 42, 1.0f, 1.0f, 0.3f, "the scene and a depth-tested sprite drawn next are not hidden");
    EndGalleryView();
}

void DrawBackdropAtPage(float seconds, bool)
{
    float sway = 0.5f * sinf(seconds);
    DrawBackdropAt(0, -0.5f + sway, 0.5f, 0.0f);
    DrawBackdropAt(2, 0.5f, -0.5f - sway, 1.0f);
    // Outside 0..2 every corner leaves the depth range: nothing shows.
    DrawBackdropAt(1, 0.0f, 0.0f, 2.5f);
    BeginGalleryView();
    ShadeRect(0, 22, GALLERY_WIDTH, 60);
    PrintAt(20, 60, 1.0f, 1.0f, 0.3f, "slot 0 at (%.2f, 0.5, 0), slot 2 at (0.5, %.2f, 1)", -0.5f + sway, -0.5f - sway);
    PrintAt(20, 42, 1.0f, 1.0f, 0.3f, "slot 1 at z = 2.5 draws nothing: outside the depth range");
    EndGalleryView();
}

void DrawHalfTurnPage(float, bool entered)
{
    // Each random-coloured sprite takes three values from the shared source.
    // Replaying the source from where it stood when the page was entered
    // keeps the row's colours still instead of changing every frame.
    static uint32_t rowState;
    if (entered)
        rowState = randomState;
    glEnable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    DrawSprite(0.0f, -1.3f, 0.6f, -4.5f, 1, 255, false, false);
    // Nothing in the system fills spriteTextureNames; a scene may, as here
    // for slot 1. Slot 0 stays at name 0 and draws untextured.
    spriteTextureNames[1] = textureTable[1].texId;
    DrawSpriteHalfTurn(1.3f, 0.6f, -4.5f, 1, 255, false, false);
    uint32_t sourceState = randomState;
    randomState = rowState;
    for (int i = 0; i < 5; ++i)
        DrawSpriteHalfTurn(-4.4f + 2.2f * (float)i, -2.3f, -10.0f, 0, 160, false, true);
    randomState = sourceState;
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    BeginGalleryView();
    ShadeRect(0, 22, GALLERY_WIDTH, 44);
    PrintAt(40, 420, 1.0f, 1.0f, 0.3f, "DrawSprite, slot 1");
    PrintAt(360, 420, 1.0f, 1.0f, 0.3f, "DrawSpriteHalfTurn, slot 1");
    PrintAt(20, 42, 1.0f, 1.0f, 0.3f, "below: slot 0 (texture name 0), random colours, alpha 160");
    EndGalleryView();
}
