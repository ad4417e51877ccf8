// The gallery's frame: makes the page resources in every new GL context,
// turns pages on key presses, draws the current page and its caption bar.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "app/main_loop.h"
#include "app/render_window.h"
#include "app/startup.h"
#include "gallery/gallery.h"
#include "image/mipmap_loader.h"
#include "image/texture_table.h"
#include "platform/gl.h"
#include "text/bitmap_font.h"
#include "timing/clock.h"

GalleryResources gallery;
const char* const startupFileNames[STARTUP_FILE_COUNT] = {"celvino.tga", "hola.tga", "espacio.tga"};
const char missingFileName[] = "no-existe.tga";

static const char atlasFileName[] = "fuente.tga";
// A 24-bit uncompressed start-up image: the one the mipmapped loader reads.
static const char mipmappedFileName[] = "hola.tga";

static int currentPage = 0;
static bool pageEntered = true;
static double pageStart = 0.0;
static bool announced = false;
static bool keyWasDown[KEY_COUNT];

static void ImagePath(char* path, size_t size, const char* name)
{
    snprintf(path, size, "%s%s", startupImageFolder, name);
}

// Runs in every new GL context: everything made in the old one (the shell
// deletes the bitmap font at every teardown) is gone with it. A missing
// resource leaves its page empty rather than ending the program.
bool StartDemo()
{
    BuildBitmapFont();

    char path[TEXTURE_PATH_SIZE];
    free(gallery.atlasFont);
    ImagePath(path, sizeof path, atlasFileName);
    gallery.atlasFont = BuildAtlasFont(path, 16, 0);

    TextureRecord record;
    memset(&record, 0, sizeof record);
    ImagePath(path, sizeof path, mipmappedFileName);
    gallery.mipmapped = 0;
    if (LoadMipmappedTga(&record, path) == 0) {
        gallery.mipmapped = record.texId;
        gallery.mipmappedWidth = (int)record.width;
        gallery.mipmappedHeight = (int)record.height;
        free(record.pixels);
    }

    for (int i = 0; i < STARTUP_FILE_COUNT; ++i) {
        ImagePath(path, sizeof path, startupFileNames[i]);
        gallery.fileLength[i] = GetFileLength(path);
    }
    ImagePath(path, sizeof path, missingFileName);
    gallery.missingFileLength = GetFileLength(path);
    return true;
}

static void Announce()
{
    printf("page %d/%d: %s\n", currentPage + 1, galleryPageCount, galleryPages[currentPage].title);
    fflush(stdout);
}

// A key counts once per press, however many frames it is held for.
static bool Pressed(int key)
{
    bool pressed = keyDown[key] && !keyWasDown[key];
    keyWasDown[key] = keyDown[key];
    return pressed;
}

static void TurnPages()
{
    // Every key is polled each frame, so none keeps a stale edge.
    bool next = Pressed(VK_SPACE);
    next = Pressed(VK_RIGHT) || next;
    next = Pressed(VK_DOWN) || next;
    bool previous = Pressed(VK_LEFT);
    previous = Pressed(VK_UP) || previous;
    if (Pressed('X'))
        KeyHandler(VK_ESCAPE);

    int step = (next ? 1 : 0) - (previous ? 1 : 0);
    if (step != 0) {
        currentPage = (currentPage + step + galleryPageCount) % galleryPageCount;
        pageEntered = true;
        Announce();
    }
}

static void DrawCaptionBar()
{
    BeginGalleryView();
    ShadeRect(0, 0, GALLERY_WIDTH, 22);
    ShadeRect(0, GALLERY_HEIGHT - 24, GALLERY_WIDTH, 24);
    PrintAt(8, GALLERY_HEIGHT - 17, 1.0f, 0.85f, 0.3f, "%d/%d  %s", currentPage + 1, galleryPageCount,
            galleryPages[currentPage].title);
    PrintAt(8, 7, 0.7f, 0.7f, 0.7f, "Space/arrows: page   M: freeze   F1: window/full screen   Esc: quit");
    EndGalleryView();
}

int RenderFrame()
{
    if (!announced) {
        printf("gallery: %d pages\n", galleryPageCount);
        Announce();
        announced = true;
    }
    TurnPages();

    double now = ElapsedSeconds();
    // F1 restarts the clock; the page's time starts again with it.
    if (pageEntered || now < pageStart)
        pageStart = now;

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    galleryPages[currentPage].draw((float)(now - pageStart), pageEntered);
    pageEntered = false;
    DrawCaptionBar();
    glFlush();
    return 1;
}
