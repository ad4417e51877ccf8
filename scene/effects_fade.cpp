// The fades: black, white and textured overlays drawn just in front of the
// viewer over whatever the frame holds.
#include "scene/effects.h"

#include "image/texture_table.h"
#include "platform/gl.h"

// The rates are 32-bit floats and the product is formed in double: the float
// 0.001 lies a little above 0.001, so t = 1000 lands just below zero, and
// the float 0.0001 a little below, so t = 10000 stays just above it.
static const float fadeRate = 0.001f;
static const float texturedFadeRate = 0.0001f;

float FadeAlpha(double t)
{
    return (float)(1.0 - t * (double)fadeRate);
}

float TexturedFadeAlpha(float t)
{
    float alpha = (float)(1.0 - (double)t * (double)texturedFadeRate);
    if (alpha > 1.0f)
        alpha = 1.0f;
    if (alpha < 0.0f)
        alpha = 0.0f;
    return alpha;
}

// Wider than the view at any depth it is drawn at: 2 by 1 against a view
// of about 0.11 by 0.08 at the near plane, 1.1 by 0.83 at depth 1.
static void DrawOverlayQuad(float red, float green, float blue, float alpha)
{
    glBegin(GL_QUADS);
    glColor4f(red, green, blue, alpha);
    glVertex3f(-2.0f, 1.0f, 0.0f);
    glColor4f(red, green, blue, alpha);
    glVertex3f(2.0f, 1.0f, 0.0f);
    glColor4f(red, green, blue, alpha);
    glVertex3f(2.0f, -1.0f, 0.0f);
    glColor4f(red, green, blue, alpha);
    glVertex3f(-2.0f, -1.0f, 0.0f);
    glEnd();
}

static void DrawPlainFade(float grey, float alpha)
{
    glPushMatrix();
    // The near plane's distance: in front of everything the scene draws.
    glTranslatef(0.0f, 0.0f, -0.1f);
    glEnable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    DrawOverlayQuad(grey, grey, grey, alpha);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glPopMatrix();
}

void DrawBlackFadeFloat(float t)
{
    DrawPlainFade(0.0f, FadeAlpha(t));
}

void DrawWhiteFade(uint32_t t)
{
    DrawPlainFade(1.0f, FadeAlpha(t));
}

void DrawBlackFade(uint32_t t)
{
    DrawPlainFade(0.0f, FadeAlpha(t));
}

void DrawTexturedFade(float t, int slot, float grey)
{
    float alpha = TexturedFadeAlpha(t);

    glPushMatrix();
    glTranslatef(0.0f, 0.0f, -1.0f);
    glEnable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    GLuint texId = 0;
    if (slot >= 0 && slot < TEXTURE_SLOTS)
        texId = textureTable[slot].texId;
    glBindTexture(GL_TEXTURE_2D, texId);
    DrawOverlayQuad(grey, grey, grey, alpha);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glPopMatrix();
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}
