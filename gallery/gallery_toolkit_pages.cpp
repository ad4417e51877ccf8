// Pages of the other toolkit routines: both fonts, the random routines, the
// mipmapped loader, the file-length query and the sync tracks' interpolations.
#include <math.h>
#include <stdio.h>

#include "gallery/gallery.h"
#include "image/texture_table.h"
#include "platform/gl.h"
#include "sync/sync_tracks.h"
#include "timing/random.h"

void DrawTextPage(float, bool)
{
    BeginGalleryView();
    PrintAt(20, 430, 0.6f, 1.0f, 0.6f, "Bitmap font: 96 display lists from a bold 14-pixel face.");
    PrintAt(20, 410, 1.0f, 1.0f, 1.0f, "PrintBitmapText(\"%%d frames, %%.2f s\", 171, 2.85)");
    PrintAt(20, 392, 1.0f, 0.8f, 0.4f, "%d frames, %.2f s", 171, 2.85);
    PrintAt(20, 374, 0.4f, 0.8f, 1.0f, "!\"#$%%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`{|}~");

    PrintAt(20, 340, 0.6f, 1.0f, 0.6f, "Atlas font: textured quads from fuente.tga, scales 1 to 4.");
    if (gallery.atlasFont) {
        glEnable(GL_TEXTURE_2D);
        glEnable(GL_BLEND);
        glColor3f(1.0f, 1.0f, 1.0f);
        float y = 320.0f;
        for (int scale = 1; scale <= 4; ++scale) {
            PrintAtlasText(gallery.atlasFont, 20.0f, y, scale, "Scale %d", scale);
            y -= 16.0f * (float)scale + 8.0f;
        }
        glDisable(GL_BLEND);
        glDisable(GL_TEXTURE_2D);
    } else {
        PrintAt(20, 300, 1.0f, 0.3f, 0.3f, "imagenes/fuente.tga could not be read");
    }
    EndGalleryView();
}

enum { HISTOGRAM_DRAWS = 20000, INT_BINS = 10, FLOAT_BINS = 10, NEGATIVE_BINS = 4 };

static int intCounts[INT_BINS];
static int floatCounts[FLOAT_BINS];
static int negativeCounts[NEGATIVE_BINS];
static bool edgesHold;

static void Tally()
{
    for (int& count : intCounts)
        count = 0;
    for (int& count : floatCounts)
        count = 0;
    for (int& count : negativeCounts)
        count = 0;
    for (int i = 0; i < HISTOGRAM_DRAWS; ++i) {
        int value = RandomInt(INT_BINS - 1);
        if (value >= 0 && value < INT_BINS)
            ++intCounts[value];
        // 0 up to just under 0.03: bins of 0.003.
        int bin = (int)(RandomFloat(0.0f) / 0.003f);
        if (bin >= 0 && bin < FLOAT_BINS)
            ++floatCounts[bin];
        // n = -5 gives -3..0.
        int negative = RandomInt(-5);
        if (negative >= -3 && negative <= 0)
            ++negativeCounts[negative + 3];
    }
    edgesHold = true;
    for (int i = 0; i < 1000; ++i)
        edgesHold = edgesHold && RandomInt(0) == 0 && RandomInt(-1) == 0 && RandomFloat(-1.0f) == 0.0f;
}

static void DrawBars(float left, float bottom, const int* counts, int bins, float red, float green, float blue)
{
    int highest = 1;
    for (int i = 0; i < bins; ++i)
        if (counts[i] > highest)
            highest = counts[i];
    float width = 180.0f / (float)bins;
    for (int i = 0; i < bins; ++i) {
        float height = 200.0f * (float)counts[i] / (float)highest;
        FillRect(left + width * (float)i + 1.0f, bottom, width - 2.0f, height, red, green, blue);
    }
}

void DrawRandomPage(float, bool entered)
{
    // Drawn afresh each time the page is entered, from the shared source.
    if (entered)
        Tally();
    BeginGalleryView();
    PrintAt(20, 420, 1.0f, 1.0f, 1.0f, "%d draws each, counted into bins:", HISTOGRAM_DRAWS);
    DrawBars(20, 150, intCounts, INT_BINS, 0.3f, 0.8f, 1.0f);
    DrawBars(230, 150, floatCounts, FLOAT_BINS, 1.0f, 0.7f, 0.3f);
    DrawBars(440, 150, negativeCounts, NEGATIVE_BINS, 0.6f, 1.0f, 0.5f);
    PrintAt(20, 128, 0.3f, 0.8f, 1.0f, "RandomInt(9): 0..9");
    PrintAt(230, 128, 1.0f, 0.7f, 0.3f, "RandomFloat(0): 0..0.03");
    PrintAt(440, 128, 0.6f, 1.0f, 0.5f, "RandomInt(-5): -3..0");
    PrintAt(20, 104, 0.8f, 0.8f, 0.8f, "lowest and highest bin: %d..%d   %d..%d   %d..%d", intCounts[0], intCounts[INT_BINS - 1],
            floatCounts[0], floatCounts[FLOAT_BINS - 1], negativeCounts[0], negativeCounts[NEGATIVE_BINS - 1]);
    PrintAt(20, 80, 0.8f, 0.8f, 0.8f, "RandomInt(0), RandomInt(-1) and RandomFloat(-1) always 0: %s",
            edgesHold ? "yes" : "NO");
    PrintAt(20, 56, 0.8f, 0.8f, 0.8f, "RandomInt(-5) has only 4 results: its bins are wider than 1/4");
    EndGalleryView();
}

void DrawMipmapPage(float, bool)
{
    BeginGalleryView();
    if (!gallery.mipmapped) {
        PrintAt(20, 300, 1.0f, 0.3f, 0.3f, "LoadMipmappedTga could not read imagenes/hola.tga");
        EndGalleryView();
        return;
    }
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, gallery.mipmapped);
    glColor3f(1.0f, 1.0f, 1.0f);
    // Each copy is half the side of the one before: the smaller ones are
    // drawn from the smaller levels of the mipmap chain.
    float x = 20.0f;
    for (float side = 256.0f; side >= 4.0f; side /= 2.0f) {
        float y = 90.0f;
        glBegin(GL_QUADS);
        glTexCoord2f(0.0f, 0.0f);
        glVertex2f(x, y);
        glTexCoord2f(1.0f, 0.0f);
        glVertex2f(x + side, y);
        glTexCoord2f(1.0f, 1.0f);
        glVertex2f(x + side, y + side);
        glTexCoord2f(0.0f, 1.0f);
        glVertex2f(x, y + side);
        glEnd();
        x += side + 12.0f;
    }
    glDisable(GL_TEXTURE_2D);
    PrintAt(20, 400, 1.0f, 1.0f, 1.0f, "imagenes/hola.tga, %dx%d, uncompressed: texture name %u", gallery.mipmappedWidth,
            gallery.mipmappedHeight, gallery.mipmapped);
    PrintAt(20, 380, 1.0f, 1.0f, 1.0f, "sides 256, 128, 64, 32, 16, 8 and 4 pixels");
    PrintAt(20, 60, 0.8f, 0.8f, 0.8f, "(the run-length start-up images are refused by this loader)");
    EndGalleryView();
}

void DrawFileLengthPage(float, bool)
{
    BeginGalleryView();
    float y = 400.0f;
    for (int i = 0; i < STARTUP_FILE_COUNT; ++i, y -= 24.0f)
        PrintAt(40, y, 1.0f, 1.0f, 1.0f, "GetFileLength(\"%s%s\") = %d bytes", startupImageFolder,
                startupFileNames[i], gallery.fileLength[i]);
    y -= 20.0f;
    PrintAt(40, y, 1.0f, 0.7f, 0.3f, "GetFileLength(\"%s%s\") = %d", startupImageFolder, missingFileName,
            gallery.missingFileLength);
    PrintAt(40, y - 20.0f, 1.0f, 0.7f, 0.3f, "666 means the file could not be opened (a line went to stdout)");
    EndGalleryView();
}

// One track of each interpolation, keyed 0, 1, 0.25 at rows 0, 16 and 32
// (the last key's kind does not matter), plotted over rows -4 to 36 with
// the clock's row sweeping across.
void DrawSyncPage(float seconds, bool)
{
    static int tracks[SYNC_INTERPOLATION_COUNT] = {-1, -1, -1, -1};
    static const float colours[SYNC_INTERPOLATION_COUNT][3] = {
        {1.0f, 0.4f, 0.4f}, {0.4f, 1.0f, 0.4f}, {0.4f, 0.7f, 1.0f}, {1.0f, 0.9f, 0.3f}};
    BeginGalleryView();
    PrintAt(20, 440, 1.0f, 1.0f, 1.0f, "SyncValue: keys 0, 1, 0.25 at rows 0, 16, 32, drawn over rows -4..36");
    for (int kind = 0; kind < SYNC_INTERPOLATION_COUNT; ++kind) {
        char name[32];
        snprintf(name, sizeof name, "gallery %s", syncInterpolationNames[kind]);
        if (tracks[kind] < 0 && (tracks[kind] = GetSyncTrack(name)) >= 0) {
            SetSyncKey(tracks[kind], 0, 0.0f, kind);
            SetSyncKey(tracks[kind], 16, 1.0f, kind);
            SetSyncKey(tracks[kind], 32, 0.25f, kind);
        }
        float left = 20.0f + 305.0f * (kind % 2), bottom = 230.0f - 190.0f * (kind / 2);
        const float* colour = colours[kind];
        ShadeRect(left, bottom, 295.0f, 170.0f);
        PrintAt(left + 6.0f, bottom + 152.0f, colour[0], colour[1], colour[2], "%s", syncInterpolationNames[kind]);
        glColor3f(colour[0], colour[1], colour[2]);
        glBegin(GL_LINE_STRIP);
        for (int x = 0; x <= 280; ++x)
            glVertex2f(left + 8.0f + x, bottom + 10.0f + 130.0f * SyncValue(tracks[kind], -4.0 + x / 7.0));
        glEnd();
        double row = fmod(seconds * 8.0, 40.0) - 4.0;
        FillRect(left + 8.0f + float((row + 4.0) * 7.0) - 1.0f, bottom + 10.0f, 2.0f, 130.0f, 0.8f, 0.8f, 0.8f);
    }
    EndGalleryView();
}
