#include "scene/pixel_view.h"

#include <stdarg.h>
#include <stdio.h>

#include "image/texture_table.h"
#include "platform/gl.h"
#include "text/bitmap_font.h"

void BeginPixelView()
{
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_COLOR_BUFFER_BIT);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, viewport[2], viewport[3], 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
}

void EndPixelView()
{
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glPopAttrib();
}

void PrintPixelText(float x, float y, float red, float green, float blue, const char* format, ...)
{
    char text[256];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    // Bitmaps are textured like any fragment: texturing must be off.
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT);
    glDisable(GL_TEXTURE_2D);
    glColor3f(red, green, blue);
    glRasterPos2f(x, y);
    PrintBitmapText("%s", text);
    glPopAttrib();
}

void PrintPixelAtlasText(const AtlasFont* font, float x, float y, int32_t scale, float red, float green, float blue,
                         const char* format, ...)
{
    char text[1024];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    // The font draws with y growing upward; turned over about the glyph's
    // top edge it reads the right way in the pixel view.
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_COLOR_BUFFER_BIT);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glPushMatrix();
    glTranslatef(x, y, 0.0f);
    glScalef(1.0f, -1.0f, 1.0f);
    glColor3f(red, green, blue);
    PrintAtlasText(font, 0.0f, 0.0f, scale, "%s", text);
    glPopMatrix();
    glPopAttrib();
    glBindTexture(GL_TEXTURE_2D, (GLuint)bound);
}

void DrawPixelRect(float x, float y, float width, float height, float red, float green, float blue, float alpha)
{
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_COLOR_BUFFER_BIT);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(red, green, blue, alpha);
    glRectf(x, y, x + width, y + height);
    glPopAttrib();
}

// The texture binding is put back by hand here and for the atlas font: not
// every layer's attribute stack keeps it.
static void TexturedQuad(int slot, float left, float top, float width, float height)
{
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, slot >= 0 && slot < TEXTURE_SLOTS ? textureTable[slot].texId : 0);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(left, top + height);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(left + width, top + height);
    glTexCoord2f(1.0f, 1.0f);
    glVertex2f(left + width, top);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2f(left, top);
    glEnd();
    glBindTexture(GL_TEXTURE_2D, (GLuint)bound);
}

void DrawPixelImage(float x, float y, float width, float height, int slot, float red, float green, float blue,
                    float alpha)
{
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_COLOR_BUFFER_BIT);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(red, green, blue, alpha);
    TexturedQuad(slot, x, y, width, height);
    glPopAttrib();
}

void DrawPixelSprite(float x, float y, float width, float height, float red, float green, float blue, float alpha,
                     int slot)
{
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_COLOR_BUFFER_BIT);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glColor4f(red, green, blue, alpha);
    TexturedQuad(slot, x - width / 2, y - height / 2, width, height);
    glPopAttrib();
}
