// Live code in a running shell on the offscreen driver: the start-up loads
// version 1 of a demo object, the host swaps in what is put in its place.
#include <dirent.h>
#include <stdio.h>
#include <unistd.h>

#include <string>

#include "live/live.h"
#include "scene/scene.h"
#include "sound/music.h"
#include "support/shell_fixture.h"

static std::string ReadAll(const std::string& path)
{
    std::string content;
    FILE* file = fopen(path.c_str(), "rb");
    if (!file)
        return content;
    char buffer[65536];
    for (size_t got; (got = fread(buffer, 1, sizeof buffer, file)) > 0;)
        content.append(buffer, got);
    fclose(file);
    return content;
}

// Puts a version where the host looks, whole and in one step as the kit's
// build does; `keep` cuts it short, written in place.
static void Install(const char* variant, double keep = 1.0)
{
    std::string object = ReadAll(std::string(LIVE_OBJECTS) + "/live_demo_" + variant + ".so");
    ASSERT_FALSE(object.empty()) << variant;
    object.resize(size_t(double(object.size()) * keep));
    ASSERT_TRUE(WriteFile(keep < 1.0 ? "demo_live.so" : "demo_live.so.part", object));
    if (keep >= 1.0) {
        ASSERT_EQ(rename("demo_live.so.part", "demo_live.so"), 0);
    }
}

// The centre pixel after one frame: 'r' (version 1), 'g' (version 2) or '?'.
static char Drawn()
{
    RenderFrame();
    unsigned char pixel[4] = {};
    glReadPixels(32, 32, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    return pixel[0] > 200 && pixel[1] < 50 ? 'r' : pixel[1] > 200 && pixel[0] < 50 ? 'g' : '?';
}

static int Count(const std::string& text, const std::string& part)
{
    int count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

class Live : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        liveSwapCount = 0;
        ASSERT_TRUE(WriteFile("tune.ogg", ReadAll(std::string(getenv("ORLATH_BIN")) + "/musica/tune.ogg")));
        ASSERT_TRUE(WriteFile("vindrel.txt", ""));
        Install("v1");
        ASSERT_TRUE(OpenRenderWindow("live", 64, 64, 32, false));
        ASSERT_EQ(Drawn(), 'r');
    }
    void TearDown() override
    {
        LiveUnload();
        StopMusic();
        ShellTest::TearDown();
    }
    std::string Report()
    {
        fflush(reportStream);
        return ReadAll("Debug.txt");
    }
};

TEST_F(Live, NextFrameIsTheRebuiltCodesInTheSameContextWithTexturesAndMusicKept)
{
    HGLRC context = wglGetCurrentContext();
    GLuint texture = textureTable[5].texId;
    ASSERT_TRUE(glIsTexture(texture));
    while (MusicSeconds() < 0.3)
        usleep(10000);
    double before = MusicSeconds();

    testing::internal::CaptureStderr();
    Install("v2");
    // The loop's own frames notice it, within the poll's interval.
    char drawn = 'r';
    for (int frame = 0; frame < 200 && drawn == 'r'; ++frame, usleep(5000))
        drawn = Drawn();
    std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(drawn, 'g');
    EXPECT_EQ(wglGetCurrentContext(), context);
    EXPECT_EQ(textureTable[5].texId, texture);
    EXPECT_TRUE(glIsTexture(texture));
    EXPECT_TRUE(musicPlaying);
    EXPECT_GT(MusicSeconds(), before);
    EXPECT_EQ(Count(said, "Live code: ./demo_live.so swapped in ("), 1) << said;
    EXPECT_EQ(Count(Report(), "Live code: ./demo_live.so swapped in ("), 1);
}

TEST_F(Live, AnObjectCutShortWithoutRenderFrameOrFailingToStartLeavesTheOldCodeRunning)
{
    struct Broken {
        const char* variant;
        double keep;
        const char* said;
    } broken[] = {
        {"v2", 0.6, "is incomplete"},
        {"v2", 0.02, "is incomplete"},
        {"norender", 1.0, "has no RenderFrame"},
        {"failstart", 1.0, "StartDemo failed"},
    };
    for (const Broken& object : broken) {
        SCOPED_TRACE(std::string(object.variant) + " " + object.said);
        Install(object.variant, object.keep);
        int reported = Count(Report(), object.said);
        testing::internal::CaptureStderr();
        EXPECT_FALSE(LiveCheck());
        // Said once, not again at each look while the object stays as it is.
        EXPECT_FALSE(LiveCheck());
        std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(Count(said, object.said), 1) << said;
        EXPECT_EQ(Count(said, "\n"), 1) << said;
        EXPECT_EQ(Count(Report(), object.said), reported + 1);
        EXPECT_EQ(Drawn(), 'r');
        EXPECT_EQ(liveSwapCount, 0);
    }
    // Repaired, the object is taken.
    testing::internal::CaptureStderr();
    Install("v2");
    EXPECT_TRUE(LiveCheck());
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(Drawn(), 'g');
}

static long Resident()
{
    long pages = 0, resident = 0;
    FILE* statm = fopen("/proc/self/statm", "r");
    if (statm && fscanf(statm, "%ld %ld", &pages, &resident) != 2)
        resident = 0;
    if (statm)
        fclose(statm);
    return resident * sysconf(_SC_PAGESIZE) / 1024;
}

static int Descriptors()
{
    int count = 0;
    DIR* dir = opendir("/proc/self/fd");
    while (dir && readdir(dir))
        ++count;
    if (dir)
        closedir(dir);
    return count;
}

TEST_F(Live, HundredSwapsLeaveMemoryDescriptorsAndLoadedObjectsFlat)
{
    testing::internal::CaptureStderr();
    const char* versions[] = {"v1", "v2"};
    // A few first, for the heap's and the loader's one-time growth.
    for (int swap = 0; swap < 10; ++swap) {
        Install(versions[(swap + 1) % 2]);
        ASSERT_TRUE(LiveCheck());
    }
    long resident = Resident();
    int descriptors = Descriptors();
    int mapped = Count(ReadAll("/proc/self/maps"), "demo_live");
    for (int swap = 10; swap < 110; ++swap) {
        Install(versions[(swap + 1) % 2]);
        ASSERT_TRUE(LiveCheck());
        ASSERT_EQ(Drawn(), swap % 2 ? 'r' : 'g');
    }
    EXPECT_EQ(liveSwapCount, 110);
    EXPECT_EQ(Descriptors(), descriptors);
    EXPECT_EQ(Count(ReadAll("/proc/self/maps"), "demo_live"), mapped);
    testing::internal::GetCapturedStderr();
    // A version's megabyte left behind at each swap would be 100 MB.
    EXPECT_LT(Resident() - resident, 4096) << resident << " kB before";
    printf("after 100 swaps: %+ld kB resident, %d descriptors, %d mappings of the object\n", Resident() - resident,
           Descriptors(), mapped);
}
