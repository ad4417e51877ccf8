// The scene as the real loop drives it, in process: the fly-in counts drawn
// frames (swaps), not loop passes or time, and survives a window rebuild.
#include "app/app_fixture.h"

#include "app/main_loop.h"
#include "scene/scene.h"
#include "scene_fixture.h"

class SceneLoop : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        flyInZ = 15.0f;
    }

    static int RunProgram()
    {
        return WinMain(GetModuleHandleA(NULL), NULL, (LPSTR) "", SW_SHOWDEFAULT);
    }
};

static float heldAtStart, heldAtEnd;

TEST_F(SceneLoop, HeldMStopsTheFlyInAndDrawnFramesAloneMoveIt)
{
    TestQueueMessageBoxAnswer(IDNO);
    TestInjectAtPass(10, TEST_EVENT_KEY_DOWN, "M");
    TestCallAtPass(15, [] { heldAtStart = flyInZ; });
    TestCallAtPass(75, [] { heldAtEnd = flyInZ; });
    TestInjectAtPass(80, TEST_EVENT_KEY_UP, "M");
    TestInjectAtPass(120, TEST_EVENT_KEY_DOWN, "Escape");
    EXPECT_EQ(RunProgram(), 27);

    int drawn = TestCallCount("SwapBuffers");
    EXPECT_LT(drawn, 60) << "M held for 70 of 120 passes";
    EXPECT_GT(drawn, 20);
    EXPECT_EQ(heldAtStart, heldAtEnd);
    EXPECT_LT(heldAtStart, 15.0f);
    EXPECT_EQ(flyInZ, FlyInAfter(drawn));
}

static float beforeRebuild;

TEST_F(SceneLoop, RebuildAfterF1KeepsTheFlyInWhereItWas)
{
    TestQueueMessageBoxAnswer(IDNO);
    // The full-screen mode the offscreen display lacks: stay in a window.
    TestQueueMessageBoxAnswer(IDYES);
    TestCallAtPass(30, [] { beforeRebuild = flyInZ; });
    TestInjectAtPass(30, TEST_EVENT_KEY_DOWN, "F1");
    TestInjectAtPass(40, TEST_EVENT_KEY_UP, "F1");
    TestInjectAtPass(100, TEST_EVENT_KEY_DOWN, "Escape");
    EXPECT_EQ(RunProgram(), 27);
    EXPECT_EQ(TestCallCount("CreateWindowExA"), 2);

    int drawn = TestCallCount("SwapBuffers");
    EXPECT_LT(beforeRebuild, 14.0f);
    EXPECT_GT(beforeRebuild, FlyInAfter(drawn)) << "frames were drawn after the rebuild";
    EXPECT_EQ(flyInZ, FlyInAfter(drawn)) << "one fly-in over both windows";
}
