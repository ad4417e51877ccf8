// A demo's own start-up step: it runs last, in every new GL context, and
// its failure ends start-up as a failed shipped step does. This program
// defines StartDemo, so the library's empty one stays out of it.
#include "app_fixture.h"

#include "app/main_loop.h"
#include "app/startup.h"
#include "image/texture_table.h"
#include "platform/sdl/layer_wave.h"
#include "sound/music.h"

// Off for the other tests of this program, which expect the shipped steps alone.
static bool demoActive = false;
static bool demoAnswer = true;
static int demoRuns = 0;
static bool demoTextureLoaded = false;
static std::string demoMusic;  // played by the demo when set
enum { DEMO_SLOT = 7 };

bool StartDemo()
{
    if (!demoActive)
        return true;
    ++demoRuns;
    // The shipped images are in by now: the demo may build on them. Loaded
    // once per context: a slot has no texture in a new one.
    demoTextureLoaded = textureTable[2].texId != 0 &&
                        (textureTable[DEMO_SLOT].texId || LoadTextureSlot("imagenes/hola.tga", DEMO_SLOT));
    if (!demoMusic.empty() && !PlayMusic(demoMusic.c_str()))
        return false;
    return demoAnswer;
}

struct StartDemoTest : ShellTest {
    void SetUp() override
    {
        ShellTest::SetUp();
        demoActive = true;
        demoAnswer = true;
        demoRuns = 0;
        demoTextureLoaded = false;
    }
    void TearDown() override
    {
        demoActive = false;
        demoMusic.clear();
        ShellTest::TearDown();
    }
};

TEST_F(StartDemoTest, FalseEndsTheProcessWithStatusOneAfterTheShippedSteps)
{
    ASSERT_TRUE(WriteFile("vindrel.txt", ""));
    demoAnswer = false;
    EXPECT_EXIT(OpenRenderWindow("Orlath - Brenvik!", 640, 480, 32, false), ::testing::ExitedWithCode(1), "");
    // The report ends with the demo's own load (the texture table reports
    // only the attempt; "Ok." is the start-up set's), and no shutdown line.
    std::string report = ReadFile("Debug.txt");
    std::string ending = "\nNombre imagen/textura: imagenes/hola.tga ID: 7 ... ";
    ASSERT_GE(report.size(), ending.size()) << report;
    EXPECT_EQ(report.substr(report.size() - ending.size()), ending) << report;
    EXPECT_NE(report.find("espacio.tga ID: 2 ... Ok."), std::string::npos) << report;
    EXPECT_EQ(report.find("Program shutdown"), std::string::npos);
}

TEST_F(StartDemoTest, RunsAgainAfterEveryRebuildSoItsTexturesLiveInTheNewContext)
{
    TestQueueMessageBoxAnswer(IDNO);
    TestQueueMessageBoxAnswer(IDYES);  // a window, if full screen falls back
    TestInjectAtPass(5, TEST_EVENT_KEY_DOWN, "F1");
    TestInjectAtPass(15, TEST_EVENT_KEY_UP, "F1");
    static GLboolean textureInNewContext = GL_FALSE;
    static int runsAfterRebuild = 0;
    TestCallAtPass(30, [] {
        runsAfterRebuild = demoRuns;
        textureInNewContext = glIsTexture(textureTable[DEMO_SLOT].texId);
    });
    TestInjectAtPass(30, TEST_EVENT_KEY_DOWN, "Escape");
    WinMain(GetModuleHandleA(NULL), NULL, (LPSTR) "", SW_SHOWDEFAULT);

    EXPECT_EQ(runsAfterRebuild, 2);
    EXPECT_TRUE(demoTextureLoaded);
    EXPECT_EQ(textureInNewContext, GL_TRUE);
}

// On a scripted device (nothing pulls, so the position stays put): the loop
// pauses the music while M is held, F1's rebuild starts it again, and the
// teardown stops it.
TEST_F(StartDemoTest, MusicHoldsWithMRestartsWithF1AndStopsAtTeardown)
{
    demoMusic = std::string(getenv("ORLATH_BIN")) + "/musica/tune.ogg";
    LayerWaveScript(true);
    TestQueueMessageBoxAnswer(IDNO);
    TestQueueMessageBoxAnswer(IDYES);
    TestInjectAtPass(5, TEST_EVENT_KEY_DOWN, "M");
    static bool playingWhileHeld = false;
    TestCallAtPass(20, [] { playingWhileHeld = musicPlaying; });
    TestInjectAtPass(25, TEST_EVENT_KEY_UP, "M");
    TestInjectAtPass(40, TEST_EVENT_KEY_DOWN, "F1");
    TestInjectAtPass(50, TEST_EVENT_KEY_UP, "F1");
    TestInjectAtPass(70, TEST_EVENT_KEY_DOWN, "Escape");
    WinMain(GetModuleHandleA(NULL), NULL, (LPSTR) "", SW_SHOWDEFAULT);
    LayerWaveScript(false);

    EXPECT_TRUE(playingWhileHeld);
    EXPECT_EQ(TestCallCount("waveOutPause"), 1);
    EXPECT_EQ(TestCallCount("waveOutRestart"), 1);
    EXPECT_EQ(TestCallCount("waveOutOpen"), 2) << "F1 starts the music again";
    EXPECT_EQ(TestCallCount("waveOutClose"), 2);
    EXPECT_FALSE(musicPlaying);
}
