// The toolkit gallery: a second program on the shipped shell. Its frame
// shows one page per key press (space, right or down: next; left or up:
// previous), each page a toolkit routine at work. X calls KeyHandler with
// Escape's code, which ends the process at once. Keys are read from the
// shell's key table once per frame: a press, or a release, shorter than one
// frame goes unseen.
//
// Needs the whole system library. Its own resources (the bitmap font, an
// atlas font, a mipmapped texture and the start-up files' lengths) are made
// by its StartDemo, which the shell runs in every new GL context.
// Announces its page count and every page it turns to on standard output,
// so that a script driving it knows when a page is up.
#pragma once

#include "text/atlas_font.h"

enum { GALLERY_WIDTH = 640, GALLERY_HEIGHT = 480, STARTUP_FILE_COUNT = 3 };

struct GalleryResources {
    AtlasFont* atlasFont;     // null when the atlas could not be read
    unsigned int mipmapped;   // texture name from LoadMipmappedTga, 0 if none
    int mipmappedWidth;
    int mipmappedHeight;
    int fileLength[STARTUP_FILE_COUNT];
    int missingFileLength;
};

extern GalleryResources gallery;
extern const char* const startupFileNames[STARTUP_FILE_COUNT];
extern const char missingFileName[];

// One page: drawn every frame with the time since the page was turned to,
// in seconds. entered is true on the first frame after a turn.
struct GalleryPage {
    const char* title;
    void (*draw)(float seconds, bool entered);
};

extern const GalleryPage galleryPages[];
extern const int galleryPageCount;

// Each page's drawing; they are listed in gallery_pages.cpp.
void DrawContentsPage(float seconds, bool entered);
void DrawWhiteFadePage(float seconds, bool entered);
void DrawBlackFadePage(float seconds, bool entered);
void DrawBlackFadeFloatPage(float seconds, bool entered);
void DrawTexturedFadePage(float seconds, bool entered);
void DrawSpinningQuadPage(float seconds, bool entered);
void DrawBackdropPage(float seconds, bool entered);
void DrawBackdropAtPage(float seconds, bool entered);
void DrawHalfTurnPage(float seconds, bool entered);
void DrawTextPage(float seconds, bool entered);
void DrawRandomPage(float seconds, bool entered);
void DrawMipmapPage(float seconds, bool entered);
void DrawFileLengthPage(float seconds, bool entered);
void DrawSyncPage(float seconds, bool entered);

// The shipped scene at the clock's time, as orlath draws it, with the
// modelview matrix back at the identity afterwards.
void DrawShippedScene();

// The kit's pixel view (scene/pixel_view.h) turned over, so that the
// gallery's pages keep their origin at the bottom left, y growing upward;
// End restores the caller's matrices and enables.
void BeginGalleryView();
void EndGalleryView();
// The kit's helpers at the gallery's own colours: bitmap-font text at
// (x, y), a rectangle that darkens what lies under it (so text over the
// scene stays readable), and a flat rectangle.
void PrintAt(float x, float y, float red, float green, float blue, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 6, 7)))
#endif
    ;
void ShadeRect(float x, float y, float width, float height);
void FillRect(float x, float y, float width, float height, float red, float green, float blue);
