// The web layer's GL 1.1 pieces, checked by their pixels in the browser:
// a program on the real shell (render window, bitmap font) whose WinMain
// draws each case and reads it back with glReadPixels. It prints one line
// per case and exits with the number of failed cases, which the page shows
// (layer_test.js reads it, opening the page with its report on, and types
// the keys of the last case). Built only for the web.
#include <emscripten.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "app/main_loop.h"
#include "app/render_window.h"
#include "diag/Debug.h"
#include "platform/gl.h"
#include "text/bitmap_font.h"

static int failures = 0;

static void Check(const char* name, bool ok, const char* detail)
{
    printf("%s %s%s%s\n", ok ? "ok" : "FAIL", name, ok ? "" : ": ", ok ? "" : detail);
    failures += ok ? 0 : 1;
}

struct Box {
    int count, left, right;  // matching pixels and their columns' extent
};

// Pixels of the 640x480 view within 40 of (r, g, b), inside the rectangle.
static Box Find(int r, int g, int b, int x0 = 0, int y0 = 0, int x1 = 640, int y1 = 480)
{
    static GLubyte pixels[640 * 480 * 4];
    glReadPixels(0, 0, 640, 480, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    Box box = {0, 640, -1};
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const GLubyte* p = &pixels[(y * 640 + x) * 4];
            if (abs(p[0] - r) <= 40 && abs(p[1] - g) <= 40 && abs(p[2] - b) <= 40) {
                ++box.count;
                box.left = x < box.left ? x : box.left;
                box.right = x > box.right ? x : box.right;
            }
        }
    return box;
}

static void Clear()
{
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

static void Quad(float x, float y, float side)
{
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
}

static void CheckBitmapText()
{
    char detail[128];
    Clear();
    glColor3f(1.0f, 0.0f, 0.0f);
    glRasterPos2f(100.0f, 200.0f);
    // The raster colour is the one current at glRasterPos.
    glColor3f(0.0f, 1.0f, 0.0f);
    PrintBitmapText("MMMM");
    Box red = Find(255, 0, 0);
    Box inside = Find(255, 0, 0, 100, 195, 100 + 4 * 12, 200 + 16);
    snprintf(detail, sizeof detail, "%d red pixels, %d near the raster position, columns %d..%d, %d green", red.count,
             inside.count, red.left, red.right, Find(0, 255, 0).count);
    Check("bitmap text at the raster position, in the raster colour, advancing per glyph",
          red.count > 40 && inside.count == red.count && red.right - red.left >= 3 * 6 && Find(0, 255, 0).count == 0,
          detail);

    Clear();
    glRasterPos2f(-10.0f, 200.0f);
    PrintBitmapText("MMMM");
    snprintf(detail, sizeof detail, "%d pixels drawn", 640 * 480 - Find(0, 0, 0).count);
    Check("no bitmap at a raster position outside the view", Find(0, 0, 0).count == 640 * 480, detail);
}

static void CheckAttributes()
{
    char detail[128];
    Clear();
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glColor4f(0.0f, 0.0f, 1.0f, 1.0f);
    glListBase(fontListBase - 32);
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_COLOR_BUFFER_BIT | GL_LIST_BIT);
    glDisable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    glColor4f(1.0f, 1.0f, 0.0f, 1.0f);
    glBlendFunc(GL_ZERO, GL_ONE);
    glListBase(1000);  // where 'M' names no list
    glPopAttrib();
    bool enables = glIsEnabled(GL_BLEND) && !glIsEnabled(GL_TEXTURE_2D);
    // Restored colour and blending: a blue quad added onto black.
    Quad(10.0f, 10.0f, 20.0f);
    int blue = Find(0, 0, 255, 10, 10, 30, 30).count;
    // Restored list base: code 'M' calls the font's glyph.
    glColor3f(1.0f, 1.0f, 1.0f);
    glRasterPos2f(300.0f, 300.0f);
    glCallLists(1, GL_UNSIGNED_BYTE, "M");
    int white = Find(255, 255, 255, 290, 290, 330, 330).count;
    glDisable(GL_BLEND);
    snprintf(detail, sizeof detail, "enables %s, %d of 400 blue, %d glyph pixels", enables ? "back" : "wrong", blue,
             white);
    Check("glPopAttrib restores enables, colour, blending and list base", enables && blue == 400 && white > 10, detail);
}

static void CheckTextures()
{
    char detail[160];
    Clear();
    glEnable(GL_TEXTURE_2D);
    glColor3f(1.0f, 1.0f, 1.0f);
    GLuint names[3];
    glGenTextures(3, names);
    const GLubyte rgb[2 * 2 * 3] = {255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0};
    const GLubyte rgba[2 * 2 * 4] = {0, 255, 0, 255, 0, 255, 0, 255, 0, 255, 0, 255, 0, 255, 0, 255};
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glBindTexture(GL_TEXTURE_2D, names[0]);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, 3, 2, 2, 0, GL_RGB, GL_UNSIGNED_BYTE, rgb);
    Quad(10.0f, 10.0f, 20.0f);
    glBindTexture(GL_TEXTURE_2D, names[1]);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, 4, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    Quad(40.0f, 10.0f, 20.0f);
    // Name 0 draws untextured, in the plain colour.
    glBindTexture(GL_TEXTURE_2D, 0);
    glColor3f(0.0f, 1.0f, 1.0f);
    Quad(70.0f, 10.0f, 20.0f);
    // Red and blue rows: the next level is their purple average, and a
    // quad one pixel wide samples it.
    const GLubyte rows[2 * 2 * 3] = {255, 0, 0, 255, 0, 0, 0, 0, 255, 0, 0, 255};
    glBindTexture(GL_TEXTURE_2D, names[2]);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST_MIPMAP_NEAREST);
    gluBuild2DMipmaps(GL_TEXTURE_2D, 3, 2, 2, GL_RGB, GL_UNSIGNED_BYTE, rows);
    glColor3f(1.0f, 1.0f, 1.0f);
    Quad(100.0f, 10.0f, 1.0f);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glDisable(GL_TEXTURE_2D);
    int red = Find(255, 0, 0, 10, 10, 30, 30).count, green = Find(0, 255, 0, 40, 10, 60, 30).count;
    int cyan = Find(0, 255, 255, 70, 10, 90, 30).count, purple = Find(128, 0, 128, 100, 10, 101, 11).count;
    glDeleteTextures(3, names);
    snprintf(detail, sizeof detail, "format 3: %d of 400, format 4: %d of 400, name 0: %d of 400, mipmap: %d of 1",
             red, green, cyan, purple);
    Check("internal formats 3 and 4, texture name 0, gluBuild2DMipmaps",
          red == 400 && green == 400 && cyan == 400 && purple == 1, detail);
}

static void CheckLists()
{
    GLuint first = glGenLists(3);
    GLuint second = glGenLists(3);
    bool apart = first && second && (second >= first + 3 || first >= second + 3);
    glDeleteLists(first, 3);
    bool deleted = !glIsList(first) && !glIsList(first + 2) && glIsList(second);
    glDeleteLists(second, 3);
    Check("glGenLists gives disjoint ranges, glDeleteLists frees them, a range of 0 gives 0",
          apart && deleted && glGenLists(0) == 0, apart ? "deletion" : "overlapping ranges");
}

// State the old context was left in is gone from the one F1 makes next.
static void CheckNewContextDefaults()
{
    glDepthMask(GL_FALSE);
    glAlphaFunc(GL_NEVER, 1.0f);
    glCullFace(GL_FRONT);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    CloseRenderWindow();
    if (!OpenRenderWindow("layer checks", 640, 480, 32, false))
        exit(100);
    GLboolean depthMask = GL_FALSE;
    GLint alpha = 0, cull = 0, pack = 0;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthMask);
    glGetIntegerv(GL_ALPHA_TEST_FUNC, &alpha);
    glGetIntegerv(GL_CULL_FACE_MODE, &cull);
    glGetIntegerv(GL_PACK_ALIGNMENT, &pack);
    char detail[64];
    snprintf(detail, sizeof detail, "depth mask %d, 0x%X 0x%X %d", depthMask, alpha, cull, pack);
    Check("a new context starts from GL's defaults", depthMask && alpha == GL_ALWAYS && cull == GL_BACK && pack == 4,
          detail);
}

static int TextPixels(const char* text)
{
    Clear();
    glColor3f(1.0f, 1.0f, 1.0f);
    glRasterPos2f(100.0f, 200.0f);
    PrintBitmapText("%s", text);
    return Find(255, 255, 255).count;
}

// Text leaves colour and alpha test as they were: a quad drawn after it in
// the colour set before it, of alpha 0.25, still passes GL_LESS 0.5.
// Deleted lists give their glyph room back; an atlas really full is an
// error in the report (checked at the end).
static void CheckTextState()
{
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_LESS, 0.5f);
    glColor3f(1.0f, 1.0f, 1.0f);
    glRasterPos2f(300.0f, 300.0f);
    const GLubyte magenta[4] = {255, 0, 255, 64};
    glColor4ubv(magenta);
    PrintBitmapText("M");
    Quad(10.0f, 10.0f, 20.0f);
    glDisable(GL_ALPHA_TEST);
    int quad = Find(255, 0, 255, 10, 10, 30, 30).count;
    Check("bitmap text leaves colour and alpha test as it found them", quad == 400, "no magenta quad");

    for (int i = 0; i < 40; ++i) {
        DeleteBitmapFont();
        BuildBitmapFont();
    }
    int rebuilt = TextPixels("MMMM");
    static GLubyte ones[64 * 64 / 8];
    memset(ones, 0xFF, sizeof ones);
    GLuint big = glGenLists(60);  // of 64x64: more than the atlas holds
    for (GLuint i = 0; i < 60; ++i) {
        glNewList(big + i, GL_COMPILE);
        glBitmap(64, 64, 0.0f, 0.0f, 64.0f, 0.0f, ones);
        glEndList();
    }
    glDeleteLists(big, 60);
    int afterFull = TextPixels("MMMM");
    char detail[96];
    snprintf(detail, sizeof detail, "%d glyph pixels after 40 rebuilds, %d after a full atlas", rebuilt, afterFull);
    Check("deleted lists give their glyphs' room back", rebuilt > 40 && afterFull == rebuilt, detail);
}

// The keys layer_test.js types, up to F2, as the focused window gets them.
static void ShowKeys()
{
    char seen[512] = "";
    printf("keys: ready\n");
    MSG msg;
    for (double end = emscripten_get_now() + 20000.0; emscripten_get_now() < end;) {
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (strstr(seen, " d113"))
                break;
            continue;
        }
        TranslateMessage(&msg);
        size_t used = strlen(seen);
        if (msg.message == WM_KEYDOWN || msg.message == WM_CHAR)
            snprintf(seen + used, sizeof seen - used, " %c%d", msg.message == WM_CHAR ? 'c' : 'd', (int)msg.wParam);
    }
    printf("keys:%s\n", seen);
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    if (!OpenRenderWindow("layer checks", 640, 480, 32, false))
        return 100;
    CheckNewContextDefaults();
    BuildBitmapFont();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 640, 0, 480, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    CheckBitmapText();
    CheckAttributes();
    CheckTextures();
    CheckLists();
    CheckTextState();
    ShowKeys();
    CloseRenderWindow();
    char report[8192] = "";
    if (FILE* file = fopen("Debug.txt", "rb")) {
        report[fread(report, 1, sizeof report - 1, file)] = '\0';
        fclose(file);
    }
    Check("a full glyph atlas is an error in the report", strstr(report, "atlas de los glifos"), "no such line");
    return failures;
}

void KeyHandler(unsigned char)
{
}
