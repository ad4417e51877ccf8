// The benchmarks' baseline: the shipped scene written straight on SDL2 and
// GL, with nothing of ours in between. The same window size and pixel
// format, the same fixed GL state and projection, the same three images
// (decoded by stb_image, uploaded with the same formats and filters) and
// the same GL calls per frame in the same order.
//
// Benchmark code, not system code: it talks to SDL2 directly on purpose.
// Include it in one file per program that defines STB_IMAGE_IMPLEMENTATION.
#pragma once

#include <SDL.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>

#include <stb/stb_image.h>

#include "platform/gl.h"

struct BareScene {
    SDL_Window* window;
    SDL_GLContext context;
    GLuint textures[3];  // celvino, hola, espacio: the start-up slots 0, 1, 2
    Uint64 clockStart;
    float flyInZ;
};

inline GLuint BareLoadTexture(const char* path)
{
    int width = 0, height = 0, channels = 0;
    // Row order does not matter for the cost; channels stay as in the file.
    unsigned char* pixels = stbi_load(path, &width, &height, &channels, 0);
    if (!pixels || (channels != 3 && channels != 4)) {
        fprintf(stderr, "bare scene: cannot decode %s\n", path);
        exit(2);
    }
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    GLenum format = channels == 4 ? GL_RGBA : GL_RGB;
    glTexImage2D(GL_TEXTURE_2D, 0, channels, width, height, 0, format, GL_UNSIGNED_BYTE, pixels);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    stbi_image_free(pixels);
    return name;
}

// Window, context, fixed state, projection and textures, as the program's
// start-up makes them (32-bit colour without alpha, 16-bit depth, double
// buffered, in a window).
inline void BareOpen(BareScene* scene)
{
    SDL_InitSubSystem(SDL_INIT_VIDEO);
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    scene->window = SDL_CreateWindow("bare", 0, 0, 640, 480, SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN);
    scene->context = scene->window ? SDL_GL_CreateContext(scene->window) : nullptr;
    if (!scene->window || !scene->context) {
        fprintf(stderr, "bare scene: %s\n", SDL_GetError());
        exit(2);
    }
    glViewport(0, 0, 640, 480);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, 640.0 / 480.0, (GLdouble)0.1f, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    glEnable(GL_TEXTURE_2D);
    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.0f, 0.0f, 0.5f);
    glClearDepth(1.0);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glEnable(GL_DEPTH_TEST);

    scene->textures[0] = BareLoadTexture("imagenes/celvino.tga");
    scene->textures[1] = BareLoadTexture("imagenes/hola.tga");
    scene->textures[2] = BareLoadTexture("imagenes/espacio.tga");
    scene->clockStart = SDL_GetPerformanceCounter();
}

inline void BareClose(BareScene* scene)
{
    SDL_GL_DeleteContext(scene->context);
    SDL_DestroyWindow(scene->window);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

inline void BareLayer(float angle, float z, GLuint texture)
{
    glPushMatrix();
    glEnable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glPushMatrix();
    glBindTexture(GL_TEXTURE_2D, texture);
    glColor4ub(255, 255, 255, 255);
    glTranslatef(0.0f, 0.0f, z);
    glRotatef(angle, 0.0f, 0.0f, 1.0f);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(-1.0f, -1.0f, 0.0f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(1.0f, -1.0f, 0.0f);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(1.0f, 1.0f, 0.0f);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(-1.0f, 1.0f, 0.0f);
    glEnd();
    glPopMatrix();
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glPopMatrix();
}

// One frame, drawn and swapped.
inline void BareFrame(BareScene* scene)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glPushMatrix();
    float t = (float)((double)(SDL_GetPerformanceCounter() - scene->clockStart) /
                      (double)SDL_GetPerformanceFrequency());
    float angle = (float)(t * 30.0);
    BareLayer(angle, -1.5f, scene->textures[0]);
    BareLayer(-angle, -1.5f, scene->textures[0]);
    BareLayer(-angle, (float)(cos(5.0 * (double)angle) - 1.5), scene->textures[2]);
    scene->flyInZ = scene->flyInZ > -2.0f ? (float)(scene->flyInZ - 0.1) : -2.0f;
    BareLayer(0.0f, scene->flyInZ, scene->textures[1]);
    glFlush();
    glPopMatrix();
    SDL_GL_SwapWindow(scene->window);
}
