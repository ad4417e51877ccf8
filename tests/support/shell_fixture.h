// Shared fixture of the tests that open the real render window: a fresh
// working directory with the start-up images, intercepted message boxes,
// and the shell's globals back at their process-start values. Teardown
// closes whatever is left open and checks that nothing stayed alive.
#pragma once

#include <gtest/gtest.h>
#include <string.h>

#include <string>

#include "app/render_window.h"
#include "diag/Debug.h"
#include "image/texture_table.h"
#include "platform/gl.h"
#include "platform/test_hooks.h"
#include "support/work_dir.h"

class ShellTest : public ::testing::Test {
protected:
    std::string dir;

    void SetUp() override
    {
        // Earlier tests of the same process leave GL driver threads behind,
        // which a forked child would lack: a death test's child is started
        // afresh, and works in its parent's directory so the parent can
        // read what it wrote.
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        const char* parentDir = getenv("ORLATH_TEST_DIR");
        if (!GTEST_FLAG_GET(internal_run_death_test).empty() && parentDir) {
            dir = parentDir;
            ASSERT_EQ(chdir(parentDir), 0);
        } else {
            dir = EnterFreshWorkDir();
            setenv("ORLATH_TEST_DIR", dir.c_str(), 1);
        }
        ASSERT_TRUE(CopyStartupImages()) << "the build's imagenes/ folder is needed (ORLATH_BIN)";
        TestHooksReset();
        for (bool& key : keyDown)
            key = false;
        windowActive = true;
        fullscreenMode = true;
        reportDisabled = 1;
        reportStream = nullptr;
        memset(textureTable, 0, sizeof textureTable);
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
