// Shared fixture for the text tests: a fresh working directory and a real
// window with a current GL context, made through the layer's Win32 calls on
// the offscreen driver, with an orthographic view of one unit per pixel.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/render_window.h"
#include "diag/Debug.h"
#include "platform/gl.h"
#include "platform/test_hooks.h"
#include "support/gl_window.h"
#include "support/work_dir.h"
#include "text/bitmap_font.h"

enum { VIEW_WIDTH = 640, VIEW_HEIGHT = 480 };

class GlWindowTest : public ::testing::Test {
protected:
    std::string dir;
    HWND window = nullptr;
    HDC dc = nullptr;
    HGLRC context = nullptr;
    TestGlWindow gl;

    void SetUp() override
    {
        dir = EnterFreshWorkDir();
        TestHooksReset();
        reportDisabled = 1;
        reportStream = nullptr;

        ASSERT_TRUE(OpenTestGlWindow(gl, "TextTest", VIEW_WIDTH, VIEW_HEIGHT));
        window = gl.window;
        dc = gl.dc;
        context = gl.context;
        hDC = dc;  // the render window's DC, which the bitmap font draws through

        glViewport(0, 0, VIEW_WIDTH, VIEW_HEIGHT);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, VIEW_WIDTH, 0, VIEW_HEIGHT, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT);
    }

    void TearDown() override
    {
        EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
        DeleteBitmapFont();  // leaves fontListBase at 0 for the next test
        hDC = nullptr;
        CloseTestGlWindow(gl);
        EXPECT_EQ(TestLiveFonts(), 0);
        LeaveWorkDir(dir);
    }

    // Pixels of a rectangle of the back buffer that are not black.
    static int LitPixels(int x, int y, int width, int height)
    {
        std::vector<unsigned char> pixels((size_t)width * height * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        int lit = 0;
        for (size_t i = 0; i < pixels.size(); i += 4)
            lit += pixels[i] || pixels[i + 1] || pixels[i + 2];
        return lit;
    }

    static float RasterX()
    {
        GLfloat position[4];
        glGetFloatv(GL_CURRENT_RASTER_POSITION, position);
        return position[0];
    }
};
