// The textured quads of the toolkit: the half-turn sprite, the spinning
// quad and the full-view backdrops.
#include "scene/effects.h"

#include "image/texture_table.h"
#include "platform/gl.h"
#include "scene/scene.h"

uint32_t spriteTextureNames[SPRITE_TEXTURE_SLOTS];

// Texture runs bottom to top against the sprite quad (t = 1 along the
// bottom edge), and the quad lies at z = -1 in its own frame.
static void DrawUpsideDownQuad()
{
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(-1.0f, -1.0f, -1.0f);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(1.0f, -1.0f, -1.0f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(1.0f, 1.0f, -1.0f);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(-1.0f, 1.0f, -1.0f);
    glEnd();
}

void DrawSpriteHalfTurn(float x, float y, float z, int slot, unsigned char alpha, bool keepMatrix,
                        bool randomColour)
{
    // Refused before anything changes: no texture, colour, matrix or
    // random value is touched for a slot the table does not have.
    if (slot < 0 || slot >= SPRITE_TEXTURE_SLOTS)
        return;

    if (!keepMatrix)
        glPushMatrix();
    glBindTexture(GL_TEXTURE_2D, spriteTextureNames[slot]);

    SetSpriteColour(alpha, randomColour);

    glTranslatef(x, y, z);
    glRotatef(180.0f, 0.0f, 0.0f, 1.0f);
    DrawUnitQuad();

    if (!keepMatrix)
        glPopMatrix();
}

void DrawSpinningQuad(float t, int slot, float x, float y, float z, bool reverse)
{
    float angle = (float)((double)t * (reverse ? -22.5 : 22.5));
    glTranslatef(x, y, z);
    glRotatef(angle, 0.0f, 0.0f, 1.0f);
    glBindTexture(GL_TEXTURE_2D, SlotTextureName(slot));
    DrawUpsideDownQuad();
}

static void DrawBackdropShifted(int slot, bool shifted, float x, float y, float z)
{
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    // With both matrices at the identity the quad's corners are the
    // viewport's corners at normalised depth -1, the near end of the range.
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    if (shifted)
        glTranslatef(x, y, z);
    glBindTexture(GL_TEXTURE_2D, SlotTextureName(slot));
    DrawUpsideDownQuad();
    glPopMatrix();
    // The backdrop was written at the nearest depth; clearing it lets
    // everything drawn next show in front.
    glClear(GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void DrawBackdropAt(int slot, float x, float y, float z)
{
    DrawBackdropShifted(slot, true, x, y, z);
}

void DrawBackdrop(int slot)
{
    DrawBackdropShifted(slot, false, 0.0f, 0.0f, 0.0f);
}
