// Drawing helpers of the gallery: the shipped scene as a background, and a
// pixel view for captions, bars and text.
#include <stdarg.h>
#include <stdio.h>

#include "gallery/gallery.h"
#include "platform/gl.h"
#include "scene/pixel_view.h"
#include "scene/scene.h"
#include "timing/clock.h"

void DrawShippedScene()
{
    glPushMatrix();
    DrawScene((float)ElapsedSeconds());
    glPopMatrix();
}

void BeginGalleryView()
{
    BeginPixelView();
    glTranslatef(0.0f, (float)GALLERY_HEIGHT, 0.0f);
    glScalef(1.0f, -1.0f, 1.0f);
}

void EndGalleryView()
{
    EndPixelView();
}

void PrintAt(float x, float y, float red, float green, float blue, const char* format, ...)
{
    char text[256];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    PrintPixelText(x, y, red, green, blue, "%s", text);
}

void FillRect(float x, float y, float width, float height, float red, float green, float blue)
{
    DrawPixelRect(x, y, width, height, red, green, blue, 1.0f);
}

void ShadeRect(float x, float y, float width, float height)
{
    DrawPixelRect(x, y, width, height, 0.0f, 0.0f, 0.0f, 0.65f);
}
