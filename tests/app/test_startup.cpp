// The start-up sequence inside every new render window: report banner,
// clock, start-up images, and the exit when one of them fails.
#include "app_fixture.h"

#include "app/main_loop.h"
#include "app/startup.h"
#include "image/texture_table.h"
#include "text/bitmap_font.h"
#include "timing/clock.h"

using Startup = ShellTest;

static bool OpenWindowed()
{
    return OpenRenderWindow("Orlath - Brenvik!", 640, 480, 32, false);
}

TEST_F(Startup, CleanStartWritesBannerDriverStringsClockAndImages)
{
    ASSERT_TRUE(WriteFile("vindrel.txt", ""));
    ASSERT_TRUE(OpenWindowed());
    std::string expected = ExpectedStartupReport();
    CloseRenderWindow();
    EXPECT_EQ(ReadFile("Debug.txt"), expected + "\nProgram shutdown. Nice!\n");
    EXPECT_EQ(TestMessageBoxCount(), 0);
}

TEST_F(Startup, WithoutTheMarkerNothingIsWrittenAndStartUpStillSucceeds)
{
    ASSERT_TRUE(OpenWindowed());
    CloseRenderWindow();
    EXPECT_FALSE(FileExists("Debug.txt"));
    EXPECT_EQ(TestCallCount("QueryPerformanceFrequency"), 1);
}

TEST_F(Startup, EveryRebuildRestartsTheClockAndRewritesTheReport)
{
    ASSERT_TRUE(WriteFile("vindrel.txt", ""));
    TestQueueMessageBoxAnswer(IDNO);
    TestQueueMessageBoxAnswer(IDYES);
    TestQueueMessageBoxAnswer(IDYES);
    TestInjectAtPass(5, TEST_EVENT_KEY_DOWN, "F1");
    // Released after an empty pass has seen it held.
    TestInjectAtPass(15, TEST_EVENT_KEY_UP, "F1");
    TestInjectAtPass(30, TEST_EVENT_KEY_DOWN, "F1");
    static double elapsedAfterRebuilds = -1;
    TestCallAtPass(60, [] { elapsedAfterRebuilds = ElapsedSeconds(); });
    TestInjectAtPass(60, TEST_EVENT_KEY_DOWN, "Escape");
    WinMain(GetModuleHandleA(NULL), NULL, (LPSTR) "", SW_SHOWDEFAULT);

    EXPECT_EQ(TestCallCount("QueryPerformanceFrequency"), 3);
    EXPECT_GE(elapsedAfterRebuilds, 0.0);
    EXPECT_LT(elapsedAfterRebuilds, 5.0);
    // Only the last window's report is left, with the same banner.
    std::string report = ReadFile("Debug.txt");
    EXPECT_EQ(report.rfind("QM Debug System - REPORT FILE\n", 0), 0u);
    EXPECT_EQ(report.find("QM Debug System", 1), std::string::npos);
    EXPECT_NE(report.find("INTERFACE -> Resoluci\xF3" "n 640x480 32bpp\n"), std::string::npos);
    EXPECT_EQ(report.substr(report.size() - 25), "\nProgram shutdown. Nice!\n");
}

TEST_F(Startup, UnwritableReportShowsItsMessageOncePerStartUpAndGoesOn)
{
    ASSERT_TRUE(WriteFile("vindrel.txt", ""));
    ASSERT_EQ(system("mkdir Debug.txt"), 0);
    for (int window = 1; window <= 2; ++window) {
        ASSERT_TRUE(OpenWindowed());
        EXPECT_NE(textureTable[2].texId, 0u);
        CloseRenderWindow();
        ASSERT_EQ(TestMessageBoxCount(), window);
        EXPECT_EQ(BoxText(window - 1), "Debug.h -> No se puede escribir en archivo de reporte");
        EXPECT_EQ(BoxCaption(window - 1), "SHUTDOWN ERROR");
        EXPECT_EQ(BoxFlags(window - 1), (UINT)(MB_OK | MB_ICONINFORMATION));
    }
}

// A failed start-up ends the process with status 1 inside the open; the
// report keeps what was written up to then.
TEST_F(Startup, MissingCounterEndsTheProcessWithStatusOne)
{
    ASSERT_TRUE(WriteFile("vindrel.txt", ""));
    EXPECT_EXIT(
        {
            TestFailCall("QueryPerformanceFrequency");
            OpenWindowed();
        },
        ::testing::ExitedWithCode(1), "");
    std::string report = ReadFile("Debug.txt");
    EXPECT_EQ(report.substr(report.size() - 27), "\n- Inicializando Timer ...\n") << report;
}

TEST_F(Startup, MissingLastImageEndsTheProcessWithStatusOne)
{
    ASSERT_TRUE(WriteFile("vindrel.txt", ""));
    ASSERT_EQ(remove("imagenes/espacio.tga"), 0);
    EXPECT_EXIT(OpenWindowed(), ::testing::ExitedWithCode(1), "");
    std::string report = ReadFile("Debug.txt");
    std::string ending = "Fall\xF3" " cargando texturas\n";
    EXPECT_EQ(report.substr(report.size() - ending.size()), ending) << report;
    EXPECT_EQ(report.find("Program shutdown"), std::string::npos);
}

TEST_F(Startup, MissingMiddleImageIsReportedAndTheRunGoesOn)
{
    ASSERT_EQ(remove("imagenes/hola.tga"), 0);
    ASSERT_TRUE(OpenWindowed());
    EXPECT_EQ(TestMessageBoxCount(), 1);
    EXPECT_EQ(BoxCaption(0), "ERROR");
    EXPECT_EQ(BoxText(0), "No puedo abrir el fichero de textura !");
}

// The boxes of a start-up that ends the process can only be seen from
// inside it: they are written to standard error as the child exits.
static void PrintBoxesAtExit()
{
    for (int i = 0; i < TestMessageBoxCount(); ++i)
        fprintf(stderr, "box %d [%s] [%s] flags %u\n", i, TestMessageBoxAt(i)->caption, TestMessageBoxAt(i)->text,
                TestMessageBoxAt(i)->flags);
    fprintf(stderr, "boxes: %d\n", TestMessageBoxCount());
}

TEST_F(Startup, MissingLastImageShowsTheReadersBoxThenTheShutdownNotice)
{
    ASSERT_EQ(remove("imagenes/espacio.tga"), 0);
    EXPECT_EXIT(
        {
            atexit(PrintBoxesAtExit);
            OpenWindowed();
        },
        ::testing::ExitedWithCode(1),
        "box 0 \\[ERROR\\] \\[No puedo abrir el fichero de textura !\\] flags [0-9]+\n"
        "box 1 \\[SHUTDOWN ERROR\\] \\[Fallo almacenando texturas\\.\\] flags 64\n"
        "boxes: 2\n");
}

TEST_F(Startup, ShippedSwitchesStartTheClockAndImagesButNeverBuildTheFont)
{
    EXPECT_FALSE(enableBitmapFont);
    memset(textureTable, 0, sizeof textureTable);
    ASSERT_TRUE(OpenWindowed());
    EXPECT_EQ(TestCallCount("CreateFontA"), 0);
    EXPECT_EQ(TestCallCount("wglUseFontBitmapsA"), 0);
    EXPECT_EQ(fontListBase, 0u);
    EXPECT_EQ(TestCallCount("QueryPerformanceFrequency"), 1);
    EXPECT_NE(textureTable[0].texId, 0u);
    EXPECT_NE(textureTable[1].texId, 0u);
    EXPECT_NE(textureTable[2].texId, 0u);
}
