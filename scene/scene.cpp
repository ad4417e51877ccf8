#include "scene/scene.h"

#include <math.h>

#include "image/texture_table.h"
#include "platform/gl.h"
#include "timing/random.h"

float flyInZ = 15.0f;

enum { SLOT_EMBLEM = 0, SLOT_GREETING = 1, SLOT_STARFIELD = 2 };

void DrawSceneAndFlush(float t)
{
    DrawScene(t);
    glFlush();
}

static void BeginLayer()
{
    glEnable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
}

static void EndLayer()
{
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glPopMatrix();
}

bool DrawScene(float t)
{
    float angle = (float)(t * 30.0);

    glPushMatrix();
    BeginLayer();
    DrawSprite(angle, 0.0f, 0.0f, -1.5f, SLOT_EMBLEM, 255, false, false);
    EndLayer();

    glPushMatrix();
    BeginLayer();
    DrawSprite(-angle, 0.0f, 0.0f, -1.5f, SLOT_EMBLEM, 255, false, false);
    EndLayer();

    glPushMatrix();
    BeginLayer();
    float swingZ = (float)(cos(5.0 * (double)angle) - 1.5);
    DrawSprite(-angle, 0.0f, 0.0f, swingZ, SLOT_STARFIELD, 255, false, false);
    EndLayer();

    glPushMatrix();
    // The step follows drawn frames, not time; float rounding makes frame
    // 170 land just below -2 before it is pinned there.
    if (flyInZ > -2.0f)
        flyInZ = (float)(flyInZ - 0.1);
    else
        flyInZ = -2.0f;
    BeginLayer();
    DrawSprite(0.0f, 0.0f, 0.0f, flyInZ, SLOT_GREETING, 255, false, false);
    EndLayer();
    return true;
}

void DrawSprite(float angle, float x, float y, float z, int slot, unsigned char alpha, bool keepMatrix,
                bool randomColour)
{
    if (!keepMatrix)
        glPushMatrix();

    glBindTexture(GL_TEXTURE_2D, SlotTextureName(slot));
    SetSpriteColour(alpha, randomColour);
    glTranslatef(x, y, z);
    glRotatef(angle, 0.0f, 0.0f, 1.0f);
    DrawUnitQuad();

    if (!keepMatrix)
        glPopMatrix();
}

unsigned int SlotTextureName(int slot)
{
    if (slot < 0 || slot >= TEXTURE_SLOTS)
        return 0;
    return textureTable[slot].texId;
}

void SetSpriteColour(unsigned char alpha, bool randomColour)
{
    if (randomColour) {
        // Three separate draws, in this order, so the sequence of colours
        // is the same on every run.
        GLubyte blue = (GLubyte)(RandomNext() & 0xFF);
        GLubyte green = (GLubyte)(RandomNext() & 0xFF);
        GLubyte red = (GLubyte)(RandomNext() & 0xFF);
        glColor4ub(red, green, blue, alpha);
    } else {
        glColor4ub(255, 255, 255, alpha);
    }
}

void DrawUnitQuad()
{
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(-1.0f, -1.0f, 0.0f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(1.0f, -1.0f, 0.0f);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(1.0f, 1.0f, 0.0f);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(-1.0f, 1.0f, 0.0f);
    glEnd();
}
