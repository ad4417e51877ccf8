// Shared fixture of the scene tests: the real render window opened as the
// program opens it (fixed GL state, 45-degree perspective, start-up images
// in slots 0..2), on the offscreen driver, plus what the tests read back:
// pixels, the GL state a layer may touch, and the quads a call sends to GL.
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
#include "scene/scene.h"
#include "support/feedback_quads.h"
#include "support/shell_fixture.h"
#include "timing/clock.h"
#include "timing/random.h"

enum { VIEW_WIDTH = 640, VIEW_HEIGHT = 480 };

struct Rgb {
    int r, g, b;
};

inline bool operator==(const Rgb& a, const Rgb& b)
{
    return a.r == b.r && a.g == b.g && a.b == b.b;
}

inline std::ostream& operator<<(std::ostream& out, const Rgb& c)
{
    return out << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}


// The steps of the fly-in, done the long way: from 15, down by 0.1 (a
// double) rounded to float per frame, pinned at -2 once it is not above it.
inline float FlyInAfter(int frames)
{
    float z = 15.0f;
    for (int i = 0; i < frames; ++i)
        z = z > -2.0f ? (float)((double)z - 0.1) : -2.0f;
    return z;
}

class SceneTest : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        flyInZ = 15.0f;
        randomState = 1;
        ASSERT_TRUE(OpenRenderWindow("scene", VIEW_WIDTH, VIEW_HEIGHT, 32, false));
        ASSERT_NE(textureTable[2].texId, 0u);
    }

    void TearDown() override
    {
        EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
        ShellTest::TearDown();
    }

    // A 4 x 4 texture of one colour, put into a slot in place of whatever
    // the start-up loaded there.
    static GLuint MakeSolidTexture(int slot, GLubyte r, GLubyte g, GLubyte b, GLubyte a)
    {
        std::vector<GLubyte> texels;
        for (int i = 0; i < 16; ++i)
            texels.insert(texels.end(), {r, g, b, a});
        GLuint name = 0;
        glGenTextures(1, &name);
        glBindTexture(GL_TEXTURE_2D, name);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 4, 4, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
        textureTable[slot].texId = name;
        return name;
    }

    static Rgb PixelAt(int x, int y)
    {
        GLubyte pixel[4];
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
        return {pixel[0], pixel[1], pixel[2]};
    }

    // The whole view, bottom row first, RGB.
    static std::vector<GLubyte> ReadView()
    {
        std::vector<GLubyte> pixels((size_t)VIEW_WIDTH * VIEW_HEIGHT * 3);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, VIEW_WIDTH, VIEW_HEIGHT, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
        return pixels;
    }

    // Makes the clock read t (to within far less than a float's rounding)
    // for the rest of the test: a resolution of 1e-18 s per tick turns the
    // test's own run time into nothing.
    static void FreezeClockAt(float t)
    {
        secondsPerTick = t == 0.0f ? 0.0f : 1e-18f;
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        clockStart = t == 0.0f ? now.QuadPart : now.QuadPart - (int64_t)((double)t / (double)secondsPerTick);
    }

    // The quads that draw() sends to GL, with the eye-space position of each
    // corner. The projection is swapped for an orthographic one for the
    // call (x -4..4, y -3..3, eye z -20..20: nothing the scene draws is
    // clipped, and window coordinates map straight back to eye space).
    template <typename Draw>
    static std::vector<Quad> RecordQuads(Draw draw)
    {
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glLoadIdentity();
        glOrtho(-4.0, 4.0, -3.0, 3.0, -20.0, 20.0);
        glMatrixMode(GL_MODELVIEW);
        std::vector<Quad> quads = ::RecordQuads(draw);
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);

        // Window coordinates of that view, mapped back to eye space.
        for (Quad& quad : quads)
            for (Corner& c : quad) {
                c.x = (c.x - VIEW_WIDTH / 2.0f) / 80.0f;
                c.y = (c.y - VIEW_HEIGHT / 2.0f) / 80.0f;
                c.z = (0.5f - c.z) * 40.0f;
            }
        return quads;
    }

    // A frame that counts (the fly-in steps) but is only sent through
    // feedback, not rasterised: software GL makes full-view quads dear.
    static void DrawUnseen(float t)
    {
        RecordQuads([t] { DrawScene(t); });
    }

    // The corner of a quad with this texture coordinate.
    static Corner CornerWithTexCoord(const Quad& quad, float s, float t)
    {
        for (const Corner& c : quad)
            if (c.s == s && c.t == t)
                return c;
        return {NAN, NAN, NAN, s, t, NAN, NAN};
    }

    // True when the quad is the unit quad turned by degrees about z and
    // moved to depth z, texture coordinates on the corners that the sprite
    // gives them (within the feedback's window rounding).
    static ::testing::AssertionResult IsTurnedUnitQuad(const Quad& quad, double degrees, double z,
                                                       double tolerance = 1e-4)
    {
        if (quad.size() != 4)
            return ::testing::AssertionFailure() << "a quad with " << quad.size() << " distinct corners";
        const float corners[4][4] = {{0, 0, -1, -1}, {1, 0, 1, -1}, {1, 1, 1, 1}, {0, 1, -1, 1}};
        double radians = degrees * M_PI / 180.0;
        for (const auto& k : corners) {
            Corner c = CornerWithTexCoord(quad, k[0], k[1]);
            double x = k[2] * cos(radians) - k[3] * sin(radians);
            double y = k[2] * sin(radians) + k[3] * cos(radians);
            if (!(fabs(c.x - x) < tolerance && fabs(c.y - y) < tolerance && fabs(c.z - z) < tolerance))
                return ::testing::AssertionFailure()
                       << "corner (s " << k[0] << ", t " << k[1] << ") at (" << c.x << ", " << c.y << ", " << c.z
                       << "), expected (" << x << ", " << y << ", " << z << ")";
        }
        return ::testing::AssertionSuccess();
    }
};
