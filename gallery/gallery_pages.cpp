// The gallery's page list and its contents page.
#include "gallery/gallery.h"

const GalleryPage galleryPages[] = {
    {"Contents", DrawContentsPage},
    {"DrawWhiteFade over the scene", DrawWhiteFadePage},
    {"DrawBlackFade over the scene", DrawBlackFadePage},
    {"DrawBlackFadeFloat over the scene", DrawBlackFadeFloatPage},
    {"DrawTexturedFade over the scene", DrawTexturedFadePage},
    {"DrawSpinningQuad with and without push/pop", DrawSpinningQuadPage},
    {"DrawBackdrop", DrawBackdropPage},
    {"DrawBackdropAt", DrawBackdropAtPage},
    {"DrawSpriteHalfTurn beside DrawSprite", DrawHalfTurnPage},
    {"Bitmap font and atlas font", DrawTextPage},
    {"RandomInt and RandomFloat", DrawRandomPage},
    {"LoadMipmappedTga at shrinking sizes", DrawMipmapPage},
    {"GetFileLength of the start-up images", DrawFileLengthPage},
    {"SyncValue: step, linear, smooth and ramp", DrawSyncPage},
};
const int galleryPageCount = (int)(sizeof galleryPages / sizeof galleryPages[0]);

void DrawContentsPage(float, bool)
{
    DrawShippedScene();
    BeginGalleryView();
    ShadeRect(30, 60, GALLERY_WIDTH - 60, GALLERY_HEIGHT - 100);
    float y = GALLERY_HEIGHT - 60;
    PrintAt(40, y, 1.0f, 1.0f, 1.0f, "The toolkit at work, one page per key press.");
    y -= 26;
    for (int page = 1; page < galleryPageCount; ++page, y -= 20)
        PrintAt(60, y, 0.8f, 0.9f, 1.0f, "%2d  %s", page + 1, galleryPages[page].title);
    y -= 10;
    PrintAt(40, y, 1.0f, 1.0f, 1.0f, "X calls KeyHandler(27): the process ends at once,");
    PrintAt(40, y - 18, 1.0f, 1.0f, 1.0f, "status 0, with no teardown. Other keys do nothing.");
    EndGalleryView();
}
