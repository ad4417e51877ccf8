// The GL 1.1 calls the browser's emulated GL lacks or gets wrong: tracked
// enables, colour, blending and matrix mode; attribute push and pop over
// that state; raster position, glBitmap and display lists that record
// bitmaps (the bitmap font's glyphs); glRectf; unsized texture formats;
// texture name 0 drawing untextured; gluBuild2DMipmaps on glGenerateMipmap.
//
// Needs a current context of web_wgl.cpp, and the debug report for a full
// atlas. Bitmaps are drawn as textured quads from one 512x512 atlas per
// context, through the alpha test, so the caller's blending, depth test and
// colour apply as they would to the native bitmap's fragments; the state
// that drawing changes is put back. Deleted lists give their cells back:
// the atlas is packed anew when a list's bitmap finds no room. Limits:
// 4096 list names, 4 bitmaps per list, glyphs of at most 64x64, 16
// attribute levels; gluBuild2DMipmaps takes power-of-two sizes only
// (WebGL 1 mipmaps no others; GLU would rescale).
#include "diag/Debug.h"
#include "platform/web/web_internal.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <GLES2/gl2.h>  // glGenerateMipmap, glBlendEquation
#include <string.h>

enum {
    MAX_LISTS = 4096,
    BITMAPS_PER_LIST = 4,
    ATLAS_SIDE = 512,
    SCRATCH_TOP = ATLAS_SIDE - 64,  // rows above are reused by immediate glBitmap
    MAX_BITMAP_SIDE = 64,
    ATTRIB_DEPTH = 16,
    CALL_BATCH = 256
};

// ---------------------------------------------------------------- tracked state

static const GLenum trackedCaps[] = {GL_TEXTURE_2D, GL_BLEND,     GL_DEPTH_TEST, GL_SCISSOR_TEST,
                                     GL_CULL_FACE,  GL_ALPHA_TEST, GL_DITHER};
enum { TRACKED_CAPS = sizeof trackedCaps / sizeof trackedCaps[0] };

struct TrackedState {
    bool enabled[TRACKED_CAPS];
    GLfloat colour[4];
    GLfloat rasterWindow[3];
    GLfloat rasterColour[4];
    bool rasterValid;
    GLenum blendSource, blendDestination;
    GLenum alphaFunction;
    GLfloat alphaReference;
    GLfloat clearColour[4];
    GLuint listBase;
};

static TrackedState state;
static GLenum matrixMode = GL_MODELVIEW;

struct SavedAttrib {
    GLbitfield mask;
    TrackedState saved;
};
static SavedAttrib attribStack[ATTRIB_DEPTH];
static int attribDepth = 0;

static int CapIndex(GLenum cap)
{
    for (int i = 0; i < TRACKED_CAPS; ++i)
        if (trackedCaps[i] == cap)
            return i;
    return -1;
}

static void DefaultState()
{
    memset(&state, 0, sizeof state);
    state.enabled[CapIndex(GL_DITHER)] = true;
    for (int i = 0; i < 4; ++i)
        state.colour[i] = state.rasterColour[i] = 1.0f;
    state.rasterValid = true;
    state.blendSource = GL_ONE;
    state.blendDestination = GL_ZERO;
    state.alphaFunction = GL_ALWAYS;
    matrixMode = GL_MODELVIEW;
    attribDepth = 0;
}

extern "C" void WebGlEnable(GLenum cap)
{
    int index = CapIndex(cap);
    if (index >= 0)
        state.enabled[index] = true;
    glEnable(cap);
}

extern "C" void WebGlDisable(GLenum cap)
{
    int index = CapIndex(cap);
    if (index >= 0)
        state.enabled[index] = false;
    glDisable(cap);
}

extern "C" GLboolean WebGlIsEnabled(GLenum cap)
{
    int index = CapIndex(cap);
    if (index >= 0)
        return state.enabled[index] ? GL_TRUE : GL_FALSE;
    return glIsEnabled(cap);
}

extern "C" void WebGlColor4f(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha)
{
    state.colour[0] = red;
    state.colour[1] = green;
    state.colour[2] = blue;
    state.colour[3] = alpha;
    glColor4f(red, green, blue, alpha);
}

extern "C" void WebGlColor3f(GLfloat red, GLfloat green, GLfloat blue)
{
    WebGlColor4f(red, green, blue, 1.0f);
}

extern "C" void WebGlColor4ub(GLubyte red, GLubyte green, GLubyte blue, GLubyte alpha)
{
    WebGlColor4f(red / 255.0f, green / 255.0f, blue / 255.0f, alpha / 255.0f);
}

// The colour's other forms, so that bitmaps put back whichever was used.
extern "C" void WebGlColor3ub(GLubyte red, GLubyte green, GLubyte blue)
{
    WebGlColor4ub(red, green, blue, 255);
}

extern "C" void WebGlColor3d(GLdouble red, GLdouble green, GLdouble blue)
{
    WebGlColor4f((GLfloat)red, (GLfloat)green, (GLfloat)blue, 1.0f);
}

extern "C" void WebGlColor4d(GLdouble red, GLdouble green, GLdouble blue, GLdouble alpha)
{
    WebGlColor4f((GLfloat)red, (GLfloat)green, (GLfloat)blue, (GLfloat)alpha);
}

extern "C" void WebGlColor3fv(const GLfloat* colour)
{
    WebGlColor4f(colour[0], colour[1], colour[2], 1.0f);
}

extern "C" void WebGlColor4fv(const GLfloat* colour)
{
    WebGlColor4f(colour[0], colour[1], colour[2], colour[3]);
}

extern "C" void WebGlColor3ubv(const GLubyte* colour)
{
    WebGlColor4ub(colour[0], colour[1], colour[2], 255);
}

extern "C" void WebGlColor4ubv(const GLubyte* colour)
{
    WebGlColor4ub(colour[0], colour[1], colour[2], colour[3]);
}

extern "C" void WebGlBlendFunc(GLenum source, GLenum destination)
{
    state.blendSource = source;
    state.blendDestination = destination;
    glBlendFunc(source, destination);
}

extern "C" void WebGlAlphaFunc(GLenum function, GLclampf reference)
{
    state.alphaFunction = function;
    state.alphaReference = reference;
    glAlphaFunc(function, reference);
}

extern "C" void WebGlClearColor(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha)
{
    state.clearColour[0] = red;
    state.clearColour[1] = green;
    state.clearColour[2] = blue;
    state.clearColour[3] = alpha;
    glClearColor(red, green, blue, alpha);
}

extern "C" void WebGlMatrixMode(GLenum mode)
{
    matrixMode = mode;
    glMatrixMode(mode);
}

extern "C" void WebGlHint(GLenum target, GLenum mode)
{
    // WebGL knows only the mipmap hint; the rest are a driver's freedom anyway.
    if (target == GL_GENERATE_MIPMAP_HINT)
        glHint(target, mode);
}

extern "C" void WebGlTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
                                GLint border, GLenum format, GLenum type, const void* pixels)
{
    // WebGL wants the internal format to equal the format, where GL 1.1
    // converts: 3 and 4 (and GL_RGB8, GL_RGBA8) become the format given.
    (void)internalFormat;
    glTexImage2D(target, level, (GLint)format, width, height, border, format, type, pixels);
}

extern "C" GLint gluBuild2DMipmaps(GLenum target, GLint internalFormat, GLsizei width, GLsizei height, GLenum format,
                                   GLenum type, const void* data)
{
    (void)internalFormat;
    if (width <= 0 || height <= 0 || !data)
        return GLU_INVALID_VALUE;
    glTexImage2D(target, 0, (GLint)format, width, height, 0, format, type, data);
    glGenerateMipmap(target);
    return 0;
}

static GLuint whiteTexture = 0;

extern "C" void WebGlBindTexture(GLenum target, GLuint texture)
{
    if (target != GL_TEXTURE_2D || texture != 0) {
        glBindTexture(target, texture);
        return;
    }
    if (whiteTexture == 0) {
        const GLubyte white[4] = {255, 255, 255, 255};
        glGenTextures(1, &whiteTexture);
        glBindTexture(GL_TEXTURE_2D, whiteTexture);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, white);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        return;
    }
    glBindTexture(GL_TEXTURE_2D, whiteTexture);
}

// ---------------------------------------------------------------- attributes

static void RestoreCaps(const TrackedState& from, GLenum onlyCap)
{
    for (int i = 0; i < TRACKED_CAPS; ++i) {
        if (onlyCap && trackedCaps[i] != onlyCap)
            continue;
        if (from.enabled[i])
            WebGlEnable(trackedCaps[i]);
        else
            WebGlDisable(trackedCaps[i]);
    }
}

extern "C" void glPushAttrib(GLbitfield mask)
{
    if (attribDepth == ATTRIB_DEPTH)
        return;  // GL_STACK_OVERFLOW: the call is ignored
    attribStack[attribDepth].mask = mask;
    attribStack[attribDepth].saved = state;
    ++attribDepth;
}

extern "C" void glPopAttrib()
{
    if (attribDepth == 0)
        return;  // GL_STACK_UNDERFLOW
    --attribDepth;
    GLbitfield mask = attribStack[attribDepth].mask;
    const TrackedState& saved = attribStack[attribDepth].saved;
    if (mask & GL_ENABLE_BIT)
        RestoreCaps(saved, 0);
    if (mask & GL_COLOR_BUFFER_BIT) {
        RestoreCaps(saved, GL_BLEND);
        RestoreCaps(saved, GL_ALPHA_TEST);
        RestoreCaps(saved, GL_DITHER);
        WebGlBlendFunc(saved.blendSource, saved.blendDestination);
        WebGlAlphaFunc(saved.alphaFunction, saved.alphaReference);
        WebGlClearColor(saved.clearColour[0], saved.clearColour[1], saved.clearColour[2], saved.clearColour[3]);
    }
    if (mask & GL_CURRENT_BIT) {
        WebGlColor4f(saved.colour[0], saved.colour[1], saved.colour[2], saved.colour[3]);
        memcpy(state.rasterWindow, saved.rasterWindow, sizeof state.rasterWindow);
        memcpy(state.rasterColour, saved.rasterColour, sizeof state.rasterColour);
        state.rasterValid = saved.rasterValid;
    }
    if (mask & GL_LIST_BIT)
        state.listBase = saved.listBase;
}

// ---------------------------------------------------------------- raster position

static void Transform(const GLfloat* m, const GLfloat* in, GLfloat* out)
{
    for (int row = 0; row < 4; ++row)
        out[row] = m[row] * in[0] + m[4 + row] * in[1] + m[8 + row] * in[2] + m[12 + row] * in[3];
}

extern "C" void glRasterPos3f(GLfloat x, GLfloat y, GLfloat z)
{
    GLfloat modelview[16], projection[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);

    GLfloat object[4] = {x, y, z, 1.0f}, eye[4], clip[4];
    Transform(modelview, object, eye);
    Transform(projection, eye, clip);
    memcpy(state.rasterColour, state.colour, sizeof state.rasterColour);
    // A position outside the view volume is invalid: bitmaps then draw nothing.
    state.rasterValid = clip[3] != 0.0f;
    for (int i = 0; i < 3 && state.rasterValid; ++i)
        state.rasterValid = clip[i] >= -clip[3] && clip[i] <= clip[3];
    if (!state.rasterValid)
        return;
    state.rasterWindow[0] = viewport[0] + (clip[0] / clip[3] + 1.0f) * 0.5f * viewport[2];
    state.rasterWindow[1] = viewport[1] + (clip[1] / clip[3] + 1.0f) * 0.5f * viewport[3];
    state.rasterWindow[2] = clip[2] / clip[3];  // kept normalised for the bitmap quad
}

extern "C" void glRasterPos2f(GLfloat x, GLfloat y)
{
    glRasterPos3f(x, y, 0.0f);
}

extern "C" void glRasterPos2i(GLint x, GLint y)
{
    glRasterPos3f((GLfloat)x, (GLfloat)y, 0.0f);
}

extern "C" void glRectf(GLfloat x1, GLfloat y1, GLfloat x2, GLfloat y2)
{
    glBegin(GL_QUADS);
    glVertex2f(x1, y1);
    glVertex2f(x2, y1);
    glVertex2f(x2, y2);
    glVertex2f(x1, y2);
    glEnd();
}

// ---------------------------------------------------------------- bitmaps

struct AtlasBitmap {
    short x, y, width, height;  // cell in the atlas
    GLfloat xOrigin, yOrigin, xMove, yMove;
};

static GLuint atlasTexture = 0;
static int shelfX = 0, shelfY = 0, shelfHeight = 0;

struct List {
    bool used;
    int count;
    AtlasBitmap bitmaps[BITMAPS_PER_LIST];
};
static List lists[MAX_LISTS];
static GLuint compilingList = 0;

struct PendingQuad {
    GLfloat x, y, z;
    const AtlasBitmap* bitmap;
};
static PendingQuad pending[CALL_BATCH];
static int pendingCount = 0;

static void BindAtlas()
{
    if (atlasTexture == 0) {
        glGenTextures(1, &atlasTexture);
        glBindTexture(GL_TEXTURE_2D, atlasTexture);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, ATLAS_SIDE, ATLAS_SIDE, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    } else {
        glBindTexture(GL_TEXTURE_2D, atlasTexture);
    }
}

// The atlas's list cells as alpha, one byte a texel: WebGL cannot read a
// texture back, and packing the atlas anew moves the cells.
static GLubyte atlasAlpha[SCRATCH_TOP][ATLAS_SIDE];
static bool atlasFullReported = false;

// A shelf cell for a list's bitmap; false when the atlas has no room.
static bool Place(AtlasBitmap* cell, GLsizei width, GLsizei height)
{
    if (shelfX + width + 1 > ATLAS_SIDE) {
        shelfX = 0;
        shelfY += shelfHeight + 1;
        shelfHeight = 0;
    }
    if (shelfY + height > SCRATCH_TOP)
        return false;
    cell->x = (short)shelfX;
    cell->y = (short)shelfY;
    shelfX += width + 1;
    if (height > shelfHeight)
        shelfHeight = height;
    return true;
}

// Sends rows of the atlas's texels, white with the alpha given.
static void SendTexels(int x, int y, int width, int height, const GLubyte* alpha, int alphaStride)
{
    static GLubyte texels[ATLAS_SIDE * 4];
    GLint bound = 0, alignment = 4;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    BindAtlas();
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column) {
            GLubyte* texel = &texels[column * 4];
            texel[0] = texel[1] = texel[2] = 255;
            texel[3] = alpha[row * alphaStride + column];
        }
        glTexSubImage2D(GL_TEXTURE_2D, 0, x, y + row, width, 1, GL_RGBA, GL_UNSIGNED_BYTE, texels);
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    glBindTexture(GL_TEXTURE_2D, (GLuint)bound);
}

// Packs the cells of the live lists from the top left again, leaving out
// those of deleted or recompiled lists.
static void PackAtlas()
{
    static GLubyte before[SCRATCH_TOP][ATLAS_SIDE];
    memcpy(before, atlasAlpha, sizeof before);
    memset(atlasAlpha, 0, sizeof atlasAlpha);
    shelfX = shelfY = shelfHeight = 0;
    for (int name = 1; name < MAX_LISTS; ++name) {
        if (!lists[name].used)
            continue;
        for (int i = 0; i < lists[name].count; ++i) {
            AtlasBitmap* cell = &lists[name].bitmaps[i];
            int x = cell->x, y = cell->y;
            if (!Place(cell, cell->width, cell->height)) {
                // Packed in another order than they came, the cells may not fit.
                ReportWrite("Error: la lista %d pierde un glifo al reordenar el atlas\n", name);
                cell->width = cell->height = 0;
            }
            for (int row = 0; row < cell->height; ++row)
                memcpy(&atlasAlpha[cell->y + row][cell->x], &before[y + row][x], (size_t)cell->width);
        }
    }
    SendTexels(0, 0, ATLAS_SIDE, SCRATCH_TOP, &atlasAlpha[0][0], ATLAS_SIDE);
}

// Puts a bitmap (rows bottom to top, each padded to the unpack alignment)
// into the atlas as white texels with alpha 255 where a bit is set: in the
// scratch rows, or in a cell of its own for a list.
static bool Upload(AtlasBitmap* cell, GLsizei width, GLsizei height, const GLubyte* bits, bool scratch)
{
    if (width > MAX_BITMAP_SIDE || height > MAX_BITMAP_SIDE)
        return false;
    if (scratch) {
        cell->x = 0;
        cell->y = SCRATCH_TOP;
    } else if (!Place(cell, width, height)) {
        PackAtlas();
        if (!Place(cell, width, height)) {
            if (!atlasFullReported)
                ReportWrite("Error: el atlas de los glifos (%dx%d) est\xE1" " lleno; faltan glifos de la lista %u\n",
                            ATLAS_SIDE, SCRATCH_TOP, compilingList);
            atlasFullReported = true;
            return false;
        }
    }
    atlasFullReported = false;
    cell->width = (short)width;
    cell->height = (short)height;
    if (width == 0 || height == 0)
        return true;

    GLint alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    int rowBytes = (width + 7) / 8;
    rowBytes = (rowBytes + alignment - 1) / alignment * alignment;
    static GLubyte alpha[MAX_BITMAP_SIDE * MAX_BITMAP_SIDE];
    for (int row = 0; row < height; ++row)
        for (int column = 0; column < width; ++column) {
            bool set = bits && (bits[row * rowBytes + column / 8] & (0x80 >> (column % 8))) != 0;
            alpha[row * width + column] = set ? 255 : 0;
            if (!scratch)
                atlasAlpha[cell->y + row][cell->x + column] = set ? 255 : 0;
        }
    SendTexels(cell->x, cell->y, width, height, alpha, width);
    return true;
}

// Draws the queued bitmaps in the raster colour, one pixel per texel, with
// a window-sized view; the caller's matrices, texture, colour and
// enables are put back afterwards.
static void FlushBitmaps()
{
    if (pendingCount == 0)
        return;
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    TrackedState before = state;

    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(viewport[0], viewport[0] + viewport[2], viewport[1], viewport[1] + viewport[3], -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();

    BindAtlas();
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.5f);
    glColor4f(state.rasterColour[0], state.rasterColour[1], state.rasterColour[2], state.rasterColour[3]);
    const GLfloat texel = 1.0f / ATLAS_SIDE;
    glBegin(GL_QUADS);
    for (int i = 0; i < pendingCount; ++i) {
        const PendingQuad& quad = pending[i];
        const AtlasBitmap* b = quad.bitmap;
        GLfloat left = quad.x, bottom = quad.y, right = left + b->width, top = bottom + b->height;
        GLfloat s0 = b->x * texel, t0 = b->y * texel, s1 = (b->x + b->width) * texel, t1 = (b->y + b->height) * texel;
        // glOrtho maps eye z to minus the normalised depth.
        GLfloat z = -quad.z;
        glTexCoord2f(s0, t0);
        glVertex3f(left, bottom, z);
        glTexCoord2f(s1, t0);
        glVertex3f(right, bottom, z);
        glTexCoord2f(s1, t1);
        glVertex3f(right, top, z);
        glTexCoord2f(s0, t1);
        glVertex3f(left, top, z);
    }
    glEnd();
    pendingCount = 0;

    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(matrixMode);
    glBindTexture(GL_TEXTURE_2D, (GLuint)bound);
    RestoreCaps(before, GL_TEXTURE_2D);
    RestoreCaps(before, GL_ALPHA_TEST);
    glAlphaFunc(before.alphaFunction, before.alphaReference);
    glColor4f(before.colour[0], before.colour[1], before.colour[2], before.colour[3]);
}

static void QueueBitmap(const AtlasBitmap* bitmap)
{
    if (!state.rasterValid)
        return;
    if (bitmap->width > 0 && bitmap->height > 0) {
        if (pendingCount == CALL_BATCH)
            FlushBitmaps();
        // Window coordinates round down to the pixel, as GL's do.
        PendingQuad& quad = pending[pendingCount++];
        quad.x = (GLfloat)(int)(state.rasterWindow[0] - bitmap->xOrigin);
        quad.y = (GLfloat)(int)(state.rasterWindow[1] - bitmap->yOrigin);
        quad.z = state.rasterWindow[2];
        quad.bitmap = bitmap;
    }
    state.rasterWindow[0] += bitmap->xMove;
    state.rasterWindow[1] += bitmap->yMove;
}

extern "C" void glBitmap(GLsizei width, GLsizei height, GLfloat xOrigin, GLfloat yOrigin, GLfloat xMove, GLfloat yMove,
                         const GLubyte* bitmap)
{
    AtlasBitmap cell;
    cell.xOrigin = xOrigin;
    cell.yOrigin = yOrigin;
    cell.xMove = xMove;
    cell.yMove = yMove;
    if (compilingList) {
        List& list = lists[compilingList];
        if (list.count < BITMAPS_PER_LIST && Upload(&cell, width, height, bitmap, false))
            list.bitmaps[list.count++] = cell;
        return;
    }
    if (!Upload(&cell, width, height, bitmap, true))
        return;
    QueueBitmap(&cell);
    FlushBitmaps();
}

// ---------------------------------------------------------------- display lists

extern "C" GLuint glGenLists(GLsizei range)
{
    if (range <= 0)
        return 0;
    int run = 0;
    for (int name = 1; name < MAX_LISTS; ++name) {
        run = lists[name].used ? 0 : run + 1;
        if (run == range) {
            int first = name - range + 1;
            for (int i = first; i <= name; ++i) {
                lists[i].used = true;
                lists[i].count = 0;
            }
            return (GLuint)first;
        }
    }
    return 0;
}

extern "C" void glDeleteLists(GLuint list, GLsizei range)
{
    for (GLsizei i = 0; i < range; ++i)
        if (list + i > 0 && list + i < MAX_LISTS)
            lists[list + i].used = false;
}

extern "C" GLboolean glIsList(GLuint list)
{
    return list > 0 && list < MAX_LISTS && lists[list].used ? GL_TRUE : GL_FALSE;
}

extern "C" void glNewList(GLuint list, GLenum)
{
    if (list == 0 || list >= MAX_LISTS || compilingList)
        return;
    lists[list].used = true;
    lists[list].count = 0;
    compilingList = list;
}

extern "C" void glEndList()
{
    compilingList = 0;
}

extern "C" void glListBase(GLuint base)
{
    state.listBase = base;
}

static void CallOne(GLuint name)
{
    if (name == 0 || name >= MAX_LISTS || !lists[name].used)
        return;
    for (int i = 0; i < lists[name].count; ++i)
        QueueBitmap(&lists[name].bitmaps[i]);
}

extern "C" void glCallList(GLuint list)
{
    CallOne(list);
    FlushBitmaps();
}

extern "C" void glCallLists(GLsizei n, GLenum type, const GLvoid* names)
{
    for (GLsizei i = 0; i < n && names; ++i) {
        GLuint offset = 0;
        if (type == GL_UNSIGNED_BYTE)
            offset = ((const GLubyte*)names)[i];
        else if (type == GL_BYTE)
            offset = (GLuint)((const GLbyte*)names)[i];
        else if (type == GL_UNSIGNED_SHORT)
            offset = ((const GLushort*)names)[i];
        else if (type == GL_UNSIGNED_INT || type == GL_INT)
            offset = ((const GLuint*)names)[i];
        else
            return;  // GL_INVALID_ENUM
        CallOne(state.listBase + offset);
    }
    FlushBitmaps();
}

// ---------------------------------------------------------------- context life

void WebGlStartContext(int width, int height)
{
    // Lists and the atlas belonged to the old context, which took its
    // textures with it; the new one starts from GL's defaults.
    memset(lists, 0, sizeof lists);
    compilingList = 0;
    atlasTexture = 0;
    whiteTexture = 0;
    shelfX = shelfY = shelfHeight = 0;
    memset(atlasAlpha, 0, sizeof atlasAlpha);
    atlasFullReported = false;
    pendingCount = 0;
    DefaultState();
    for (int i = 0; i < TRACKED_CAPS; ++i)
        RestoreCaps(state, trackedCaps[i]);
    // The page's one WebGL context carries everything the old GL context
    // set; what the system can reach goes back to GL's defaults.
    const GLenum offCaps[] = {GL_STENCIL_TEST, GL_POLYGON_OFFSET_FILL, GL_SAMPLE_ALPHA_TO_COVERAGE, GL_SAMPLE_COVERAGE,
                              GL_FOG, GL_LIGHTING};
    for (GLenum cap : offCaps)
        glDisable(cap);
    for (int i = 0; i < 8; ++i) {
        glDisable(GL_LIGHT0 + i);
        if (i < 6)
            glDisable(GL_CLIP_PLANE0 + i);
    }
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glBlendFunc(GL_ONE, GL_ZERO);
    glBlendEquation(GL_FUNC_ADD);
    glAlphaFunc(GL_ALWAYS, 0.0f);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClearDepth(1.0);
    glClearStencil(0);
    glDepthFunc(GL_LESS);
    glDepthMask(GL_TRUE);
    glDepthRange(0.0, 1.0);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glStencilMask(~0u);
    glStencilFunc(GL_ALWAYS, 0, ~0u);
    glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
    glCullFace(GL_BACK);
    glFrontFace(GL_CCW);
    glPolygonOffset(0.0f, 0.0f);
    glLineWidth(1.0f);
    glHint(GL_GENERATE_MIPMAP_HINT, GL_DONT_CARE);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    const GLenum arrays[] = {GL_VERTEX_ARRAY, GL_COLOR_ARRAY, GL_NORMAL_ARRAY, GL_TEXTURE_COORD_ARRAY};
    for (GLenum array : arrays)
        glDisableClientState(array);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    glActiveTexture(GL_TEXTURE0);
    WebGlBindTexture(GL_TEXTURE_2D, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    const GLenum modes[] = {GL_TEXTURE, GL_PROJECTION, GL_MODELVIEW};
    for (GLenum mode : modes) {
        glMatrixMode(mode);
        glLoadIdentity();
    }
    glViewport(0, 0, width, height);
    glScissor(0, 0, width, height);
}
