// Shared fixture of the effect tests: the real render window, opened as the
// program opens it (fixed GL state, perspective projection, start-up images
// in slots 0..2), and the GL state a primitive may touch, read back in one
// record so that a whole table row is compared at once.
#pragma once

#include <gtest/gtest.h>
#include <math.h>
#include <string.h>

#include <string>
#include <vector>

#include "app/render_window.h"
#include "diag/Debug.h"
#include "image/texture_table.h"
#include "platform/gl.h"
#include "platform/test_hooks.h"
#include "scene/effects.h"
#include "support/shell_fixture.h"
#include "timing/random.h"

enum { VIEW_WIDTH = 640, VIEW_HEIGHT = 480 };

struct GlState {
    bool blend, depthTest, texture2D;
    GLint boundTexture, matrixMode, modelviewDepth, projectionDepth;
    GLfloat colour[4];
    GLfloat modelview[16];
    GLfloat projection[16];
};

inline GlState ReadGlState()
{
    GlState state;
    state.blend = glIsEnabled(GL_BLEND);
    state.depthTest = glIsEnabled(GL_DEPTH_TEST);
    state.texture2D = glIsEnabled(GL_TEXTURE_2D);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &state.boundTexture);
    glGetIntegerv(GL_MATRIX_MODE, &state.matrixMode);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &state.modelviewDepth);
    glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &state.projectionDepth);
    glGetFloatv(GL_CURRENT_COLOR, state.colour);
    glGetFloatv(GL_MODELVIEW_MATRIX, state.modelview);
    glGetFloatv(GL_PROJECTION_MATRIX, state.projection);
    return state;
}

// Column-major, as GL keeps it: translate by (x, y, z), then turn by angle
// degrees about z.
struct Matrix {
    float m[16];
};

inline Matrix Identity()
{
    Matrix r = {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
    return r;
}

inline Matrix Multiply(const Matrix& a, const Matrix& b)
{
    Matrix r;
    for (int column = 0; column < 4; ++column)
        for (int row = 0; row < 4; ++row) {
            double sum = 0;
            for (int k = 0; k < 4; ++k)
                sum += (double)a.m[k * 4 + row] * b.m[column * 4 + k];
            r.m[column * 4 + row] = (float)sum;
        }
    return r;
}

inline Matrix TranslateTurn(float x, float y, float z, double degrees)
{
    double radians = degrees * M_PI / 180.0;
    float c = (float)cos(radians);
    float s = (float)sin(radians);
    Matrix r = {{c, s, 0, 0, -s, c, 0, 0, 0, 0, 1, 0, x, y, z, 1}};
    return r;
}

inline Matrix FromGl(const GLfloat* m)
{
    Matrix r;
    memcpy(r.m, m, sizeof r.m);
    return r;
}

inline ::testing::AssertionResult MatrixNear(const GLfloat* got, const Matrix& expected)
{
    for (int i = 0; i < 16; ++i)
        if (fabsf(got[i] - expected.m[i]) > 1e-5f) {
            ::testing::AssertionResult failure = ::testing::AssertionFailure();
            failure << "element " << i << " is " << got[i] << ", expected " << expected.m[i] << "; matrix";
            for (int j = 0; j < 16; ++j)
                failure << " " << got[j];
            return failure;
        }
    return ::testing::AssertionSuccess();
}

class EffectTest : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        memset(spriteTextureNames, 0, sizeof spriteTextureNames);
        ASSERT_TRUE(OpenRenderWindow("effects", VIEW_WIDTH, VIEW_HEIGHT, 32, false));
        ASSERT_NE(textureTable[2].texId, 0u);
    }

    void TearDown() override
    {
        EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
        ShellTest::TearDown();
    }

    // A 2 x 2 texture in a free slot, nearest filtering so each texel shows
    // flat: first row (t = 0) red, green; second row (t = 1) blue, white.
    static int MakeQuadrantTexture(int slot)
    {
        const GLubyte texels[] = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255};
        GLuint name = 0;
        glGenTextures(1, &name);
        glBindTexture(GL_TEXTURE_2D, name);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
        textureTable[slot].texId = name;
        return slot;
    }

    static std::vector<GLubyte> ReadColours()
    {
        std::vector<GLubyte> pixels((size_t)VIEW_WIDTH * VIEW_HEIGHT * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, VIEW_WIDTH, VIEW_HEIGHT, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        return pixels;
    }

    struct Rgb {
        int r, g, b;
    };
    static Rgb PixelAt(int x, int y)
    {
        GLubyte pixel[4];
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
        return {pixel[0], pixel[1], pixel[2]};
    }

    static std::vector<GLfloat> ReadDepths()
    {
        std::vector<GLfloat> depths((size_t)VIEW_WIDTH * VIEW_HEIGHT);
        glReadPixels(0, 0, VIEW_WIDTH, VIEW_HEIGHT, GL_DEPTH_COMPONENT, GL_FLOAT, depths.data());
        return depths;
    }

    // Fills the view with one flat colour, untextured, without touching the
    // depth buffer.
    static void FillView(GLubyte red, GLubyte green, GLubyte blue)
    {
        glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT);
        glDisable(GL_TEXTURE_2D);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_BLEND);
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glLoadIdentity();
        glColor3ub(red, green, blue);
        glRectf(-1.0f, -1.0f, 1.0f, 1.0f);
        glPopMatrix();
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
        glPopAttrib();
    }
};
