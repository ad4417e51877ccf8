// Shared fixture of the texture tests: a fresh working directory, boxes
// intercepted, the texture table back at its start values, the report off,
// and a real window with a current GL context made through the layer's Win32
// calls on the offscreen driver.
#pragma once

#include <gtest/gtest.h>
#include <string.h>

#include <string>
#include <vector>

#include "diag/Debug.h"
#include "image/texture_table.h"
#include "platform/gl.h"
#include "platform/test_hooks.h"
#include "support/gl_window.h"
#include "support/work_dir.h"
#include "tga_writer.h"

class ImageGlTest : public ::testing::Test {
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
        showTgaMessages = true;
        memset(textureTable, 0, sizeof textureTable);
        reportDisabled = 1;
        reportStream = nullptr;
        if (markerStream)
            fclose(markerStream);
        markerStream = nullptr;

        ASSERT_TRUE(OpenTestGlWindow(gl, "ImageTest", 64, 64));
        window = gl.window;
        dc = gl.dc;
        context = gl.context;
    }

    void TearDown() override
    {
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
        if (reportStream)
            ReportClose();
        for (TextureRecord& record : textureTable)
            free(record.pixels);
        memset(textureTable, 0, sizeof textureTable);
        CloseTestGlWindow(gl);
        LeaveWorkDir(dir);
    }

    // Switches the report on, as the marker file does, and opens it.
    void OpenReport()
    {
        ASSERT_TRUE(WriteBytes("vindrel.txt", ""));
        ASSERT_TRUE(ReportOpen());
        ASSERT_NE(reportStream, nullptr);
    }

    // What the report holds after its header, once closed (without the
    // closing line).
    static std::string ReportBody()
    {
        ReportClose();
        std::string text = ReadFile("Debug.txt");
        const std::string header =
            "QM Debug System - REPORT FILE\n"
            "-----------------------------\n\n"
            "Inicializando...\n";
        const std::string closing = "\nProgram shutdown. Nice!\n";
        if (text.compare(0, header.size(), header) != 0 || text.size() < header.size() + closing.size() ||
            text.compare(text.size() - closing.size(), closing.size(), closing) != 0)
            return "<malformed report: " + text + ">";
        return text.substr(header.size(), text.size() - header.size() - closing.size());
    }

    static std::string BoxText(int index)
    {
        const TestMessageBox* box = TestMessageBoxAt(index);
        return box ? box->text : "<no box>";
    }

    static std::string BoxCaption(int index)
    {
        const TestMessageBox* box = TestMessageBoxAt(index);
        return box ? box->caption : "<no box>";
    }

    static GLint TexParameter(GLenum name)
    {
        GLint value = -1;
        glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
        return value;
    }

    static GLint LevelParameter(GLint level, GLenum name)
    {
        GLint value = -1;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, name, &value);
        return value;
    }

    static GLuint BoundTexture()
    {
        GLint name = -1;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &name);
        return GLuint(name);
    }

    // Level 0 of the bound texture, tightly packed.
    static std::vector<unsigned char> TextureBytes(GLenum format, int width, int height, GLint level = 0)
    {
        std::vector<unsigned char> bytes(size_t(width) * height * (format == GL_RGBA ? 4 : 3));
        GLint packAlignment = 4;
        glGetIntegerv(GL_PACK_ALIGNMENT, &packAlignment);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, level, format, GL_UNSIGNED_BYTE, bytes.data());
        glPixelStorei(GL_PACK_ALIGNMENT, packAlignment);
        return bytes;
    }

    static std::vector<Rgba> Pixels(int count, uint32_t seed, bool opaque = false)
    {
        TestRandom random = {seed};
        std::vector<Rgba> pixels;
        for (int i = 0; i < count; ++i)
            pixels.push_back({(unsigned char)random.Next(), (unsigned char)random.Next(), (unsigned char)random.Next(),
                              opaque ? (unsigned char)255 : (unsigned char)random.Next()});
        return pixels;
    }
};
