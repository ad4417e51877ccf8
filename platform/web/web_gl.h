// The GL 1.1 pieces that the browser's emulated GL lacks or gets wrong,
// supplied by the web layer. Included by platform/gl.h only when building
// for the web, after the GL headers, so that system code calling glEnable
// or glTexImage2D reaches these versions unchanged.
//
// Limits: display lists record glBitmap only (enough for the bitmap font;
// other calls made while a list is compiled run at once); attribute push
// and pop cover the state tracked here (enables, current colour and raster
// position, blending, alpha test, clear colour, list base); glRenderMode,
// feedback and glGetTexImage are not offered.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

// Tracked on the way through, because the emulation's answers cannot be
// trusted for them.
void WebGlEnable(GLenum cap);
void WebGlDisable(GLenum cap);
GLboolean WebGlIsEnabled(GLenum cap);
void WebGlColor3f(GLfloat red, GLfloat green, GLfloat blue);
void WebGlColor4f(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha);
void WebGlColor4ub(GLubyte red, GLubyte green, GLubyte blue, GLubyte alpha);
void WebGlColor3ub(GLubyte red, GLubyte green, GLubyte blue);
void WebGlColor3d(GLdouble red, GLdouble green, GLdouble blue);
void WebGlColor4d(GLdouble red, GLdouble green, GLdouble blue, GLdouble alpha);
void WebGlColor3fv(const GLfloat* colour);
void WebGlColor4fv(const GLfloat* colour);
void WebGlColor3ubv(const GLubyte* colour);
void WebGlColor4ubv(const GLubyte* colour);
void WebGlBlendFunc(GLenum source, GLenum destination);
void WebGlAlphaFunc(GLenum function, GLclampf reference);
void WebGlClearColor(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha);
void WebGlMatrixMode(GLenum mode);
// Unsized internal formats 3 and 4 become GL_RGB and GL_RGBA.
void WebGlTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height, GLint border,
                     GLenum format, GLenum type, const void* pixels);
// Texture name 0 has no image: GL 1.1 then draws untextured, WebGL samples
// black. The layer binds a white texel in its place, which modulates to
// the plain colour.
void WebGlBindTexture(GLenum target, GLuint texture);
// Hints the browser does not know are accepted and ignored.
void WebGlHint(GLenum target, GLenum mode);

#ifdef __cplusplus
}
#endif

#define glEnable WebGlEnable
#define glDisable WebGlDisable
#define glIsEnabled WebGlIsEnabled
#define glColor3f WebGlColor3f
#define glColor4f WebGlColor4f
#define glColor4ub WebGlColor4ub
#define glColor3ub WebGlColor3ub
#define glColor3d WebGlColor3d
#define glColor4d WebGlColor4d
#define glColor3fv WebGlColor3fv
#define glColor4fv WebGlColor4fv
#define glColor3ubv WebGlColor3ubv
#define glColor4ubv WebGlColor4ubv
#define glBlendFunc WebGlBlendFunc
#define glAlphaFunc WebGlAlphaFunc
#define glClearColor WebGlClearColor
#define glMatrixMode WebGlMatrixMode
#define glTexImage2D WebGlTexImage2D
#define glHint WebGlHint
#define glBindTexture WebGlBindTexture
