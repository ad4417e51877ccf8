// The shipped frame with the real start-up images, against a golden picture:
// the 180th drawn frame, the clock held at 1.9 s. The golden is the frame
// averaged over 20 x 20 blocks (32 x 24 values), kept as a plain-text PPM in
// golden/ so that it can be read, diffed and opened in an image viewer.
//
// To regenerate it after an intended change of the scene or of the images
// that mkimages draws:
//   ORLATH_REGENERATE_GOLDEN=1 ctest --test-dir <build> -R ShippedFrame
// then look at golden/shipped_frame.ppm and commit it.
#include "scene_fixture.h"

#include <stdio.h>
#include <stdlib.h>

#include <sstream>

namespace {

enum { BLOCK = 20, GOLDEN_WIDTH = VIEW_WIDTH / BLOCK, GOLDEN_HEIGHT = VIEW_HEIGHT / BLOCK };
// Per channel, on block averages: room for another Mesa's rounding, far
// below what a layer moved, turned or missing does to a block.
const int tolerance = 3;
const char goldenPath[] = SCENE_GOLDEN_DIR "/shipped_frame.ppm";

// Block averages, top row first as in a PPM, RGB.
std::vector<int> Downsample(const std::vector<GLubyte>& view)
{
    std::vector<int> blocks((size_t)GOLDEN_WIDTH * GOLDEN_HEIGHT * 3, 0);
    for (int y = 0; y < VIEW_HEIGHT; ++y)
        for (int x = 0; x < VIEW_WIDTH; ++x)
            for (int c = 0; c < 3; ++c) {
                int row = GOLDEN_HEIGHT - 1 - y / BLOCK;
                blocks[((size_t)row * GOLDEN_WIDTH + x / BLOCK) * 3 + c] += view[((size_t)y * VIEW_WIDTH + x) * 3 + c];
            }
    for (int& sum : blocks)
        sum = (sum + BLOCK * BLOCK / 2) / (BLOCK * BLOCK);
    return blocks;
}

bool WriteGolden(const std::vector<int>& blocks)
{
    FILE* file = fopen(goldenPath, "w");
    if (!file)
        return false;
    fprintf(file, "P3\n# The shipped frame, frame 180 at t = 1.9 s, 20x20 block averages.\n"
                  "# Regenerate: ORLATH_REGENERATE_GOLDEN=1 ctest -R ShippedFrame\n%d %d\n255\n",
            GOLDEN_WIDTH, GOLDEN_HEIGHT);
    for (int row = 0; row < GOLDEN_HEIGHT; ++row) {
        for (int i = 0; i < GOLDEN_WIDTH * 3; ++i)
            fprintf(file, i ? " %d" : "%d", blocks[(size_t)row * GOLDEN_WIDTH * 3 + i]);
        fprintf(file, "\n");
    }
    return fclose(file) == 0;
}

// Empty when the file is missing or not a P3 of the golden's size.
std::vector<int> ReadGolden()
{
    std::string text = ReadFile(goldenPath);
    std::istringstream in;
    std::string cleaned;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line))
        if (line.empty() || line[0] != '#')
            cleaned += line + "\n";
    in.str(cleaned);
    std::string magic;
    int width = 0, height = 0, maximum = 0;
    in >> magic >> width >> height >> maximum;
    if (magic != "P3" || width != GOLDEN_WIDTH || height != GOLDEN_HEIGHT || maximum != 255)
        return {};
    std::vector<int> blocks((size_t)width * height * 3);
    for (int& value : blocks)
        if (!(in >> value))
            return {};
    return blocks;
}

}  // namespace

using ShippedFrame = SceneTest;

TEST_F(ShippedFrame, MatchesTheGoldenFrame)
{
    const int frames = 180;
    const float lastT = 1.9f;
    for (int frame = 1; frame <= frames; ++frame) {
        FreezeClockAt(lastT * frame / frames);
        // Frames before the last need not fill the view (software GL makes
        // that dear); the projection stays the window's.
        glViewport(0, 0, frame < frames ? 16 : VIEW_WIDTH, frame < frames ? 12 : VIEW_HEIGHT);
        ASSERT_EQ(RenderFrame(), 1);
    }
    ASSERT_EQ(flyInZ, -2.0f);
    std::vector<int> blocks = Downsample(ReadView());

    const char* regenerate = getenv("ORLATH_REGENERATE_GOLDEN");
    if (regenerate && strcmp(regenerate, "1") == 0) {
        ASSERT_TRUE(WriteGolden(blocks)) << "cannot write " << goldenPath;
        GTEST_SKIP() << "golden frame regenerated: " << goldenPath;
    }

    std::vector<int> golden = ReadGolden();
    ASSERT_FALSE(golden.empty()) << goldenPath << " is missing or malformed; make it with "
                                 << "ORLATH_REGENERATE_GOLDEN=1 ctest -R ShippedFrame";
    int differing = 0, worst = 0;
    for (size_t i = 0; i < blocks.size(); ++i) {
        int difference = abs(blocks[i] - golden[i]);
        worst = std::max(worst, difference);
        if (difference > tolerance && ++differing <= 10) {
            size_t block = i / 3;
            ADD_FAILURE() << "block " << block % GOLDEN_WIDTH << "," << block / GOLDEN_WIDTH << " (from the top) channel "
                          << i % 3 << ": " << blocks[i] << ", golden " << golden[i];
        }
    }
    EXPECT_EQ(differing, 0) << "largest difference " << worst;
}

// The golden itself must show the scene, or the comparison proves nothing.
TEST_F(ShippedFrame, GoldenFrameShowsMoreThanTheClearColour)
{
    std::vector<int> golden = ReadGolden();
    ASSERT_FALSE(golden.empty()) << goldenPath;
    int lit = 0, distinct = 0;
    std::vector<int> seen;
    for (size_t i = 0; i < golden.size(); i += 3) {
        int sum = golden[i] + golden[i + 1] + golden[i + 2];
        lit += sum > 30;
        if (std::find(seen.begin(), seen.end(), sum) == seen.end()) {
            seen.push_back(sum);
            ++distinct;
        }
    }
    EXPECT_GT(lit, GOLDEN_WIDTH * GOLDEN_HEIGHT / 2);
    EXPECT_GT(distinct, 50);
}
