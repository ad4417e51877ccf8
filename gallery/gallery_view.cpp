// Drawing helpers of the gallery: the shipped scene as a background, and a
// pixel view for captions, bars and text.
#include <stdarg.h>
#include <stdio.h>

#include "gallery/gallery.h"
#include "platform/gl.h"
#include "scene/scene.h"
#include "text/bitmap_font.h"
#include "timing/clock.h"

void DrawShippedScene()
{
    glPushMatrix();
    DrawScene((float)ElapsedSeconds());
    glPopMatrix();
}

void BeginPixelView()
{
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_COLOR_BUFFER_BIT);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, GALLERY_WIDTH, 0, GALLERY_HEIGHT, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
}

void EndPixelView()
{
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopAttrib();
}

void PrintAt(float x, float y, float red, float green, float blue, const char* format, ...)
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

void FillRect(float x, float y, float width, float height, float red, float green, float blue)
{
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT);
    glDisable(GL_TEXTURE_2D);
    glColor3f(red, green, blue);
    glRectf(x, y, x + width, y + height);
    glPopAttrib();
}

void ShadeRect(float x, float y, float width, float height)
{
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_COLOR_BUFFER_BIT);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(0.0f, 0.0f, 0.0f, 0.65f);
    glRectf(x, y, x + width, y + height);
    glPopAttrib();
}
