// Shared fixture for the shell's tests: a fresh working directory with the
// start-up images, intercepted message boxes, and the shell's globals back
// at their process-start values.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "app/render_window.h"
#include "diag/Debug.h"
#include "platform/gl.h"
#include "platform/test_hooks.h"
#include "support/work_dir.h"

class ShellTest : public ::testing::Test {
protected:
    std::string dir;

    void SetUp() override
    {
        dir = EnterFreshWorkDir();
        ASSERT_TRUE(CopyStartupImages()) << "the build's imagenes/ folder is needed (ORLATH_BIN)";
        TestHooksReset();
        for (bool& key : keyDown)
            key = false;
        windowActive = true;
        fullscreenMode = true;
        reportDisabled = 1;
        reportStream = nullptr;
    }

    void TearDown() override
    {
        if (hWnd || hDC || hRC)
            CloseRenderWindow();
        UnregisterClassA("OpenGL", GetModuleHandleA(NULL));
        EXPECT_EQ(TestLiveWindows(), 0);
        EXPECT_EQ(TestLiveContexts(), 0);
        EXPECT_EQ(TestLiveDCs(), 0);
        LeaveWorkDir(dir);
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
    static UINT BoxFlags(int index)
    {
        const TestMessageBox* box = TestMessageBoxAt(index);
        return box ? box->flags : 0xFFFFFFFFu;
    }
};

// The report a clean start-up writes, up to and including the images, with
// the GL driver's strings of the current context.
inline std::string ExpectedStartupReport()
{
    std::string report =
        "QM Debug System - REPORT FILE\n"
        "-----------------------------\n\n"
        "Inicializando...\n"
        "Nombre de proyecto: \"Orlath - Brenvik!\"\n"
        "INTERFACE -> Resoluci\xF3" "n 640x480 32bpp\n";
    report += std::string("Render: ") + (const char*)glGetString(GL_RENDERER) + "\n";
    report += std::string("Vendor: ") + (const char*)glGetString(GL_VENDOR) + " Version: " +
              (const char*)glGetString(GL_VERSION) + "\n\n";
    report += "------------------\n\n";
    report += "- Inicializando Timer ...\n";
    report += "- Cargando imagenes ...\n";
    report += "\nNombre imagen/textura: imagenes/celvino.tga ID: 0 ... Ok.";
    report += "\nNombre imagen/textura: imagenes/hola.tga ID: 1 ... Ok.";
    report += "\nNombre imagen/textura: imagenes/espacio.tga ID: 2 ... Ok.";
    return report;
}
