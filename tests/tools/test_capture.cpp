// orlath-capture on the real program: a capture is the same on every run,
// it moves on from frame to frame, and frame k is the shipped frame at
// t = k / fps after k + 1 drawn frames, as the scene draws it in this
// process on the same driver.
#include <png.h>

#include "scene/scene_fixture.h"

namespace {

const int fps = 30;
const int frames = 20;

struct Picture {
    int width = 0, height = 0;
    std::vector<GLubyte> rgb;  // top row first
};

Picture ReadPng(const std::string& path)
{
    Picture picture;
    png_image image;
    memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return picture;
    image.format = PNG_FORMAT_RGB;
    std::vector<GLubyte> rgb(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr))
        return picture;
    picture.width = (int)image.width;
    picture.height = (int)image.height;
    picture.rgb = rgb;
    return picture;
}

std::string FramePath(const std::string& folder, int index)
{
    char name[32];
    snprintf(name, sizeof name, "/frame-%06d.png", index);
    return folder + name;
}

// Runs the capture of the build's orlath in the working directory; its
// exit status (0 for a complete capture, though orlath ends with 27).
int Capture(const std::string& folder)
{
    std::string bin = getenv("ORLATH_BIN");
    std::string command = "'" + bin + "/orlath-capture' --fps " + std::to_string(fps) + " --frames " +
                          std::to_string(frames) + " --out " + folder + "/ -- '" + bin + "/orlath' 2>capture.txt";
    int status = system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

using CaptureOfOrlath = SceneTest;

TEST_F(CaptureOfOrlath, IsTheSameOnEveryRunAndFrameKIsTheSceneAtKOverFps)
{
    ASSERT_EQ(Capture("first"), 0) << ReadFile("capture.txt");
    ASSERT_EQ(Capture("second"), 0) << ReadFile("capture.txt");
    std::vector<GLubyte> previous;
    for (int k = 0; k < frames; ++k) {
        std::string first = ReadFile(FramePath("first", k).c_str());
        ASSERT_NE(first, "<missing>") << FramePath("first", k);
        EXPECT_TRUE(first == ReadFile(FramePath("second", k).c_str())) << "frame " << k << " differs between runs";
        Picture picture = ReadPng(FramePath("first", k));
        ASSERT_EQ(picture.width, VIEW_WIDTH);
        ASSERT_EQ(picture.height, VIEW_HEIGHT);
        EXPECT_NE(picture.rgb, previous) << "frame " << k << " repeats the frame before";
        previous = picture.rgb;
    }
    EXPECT_FALSE(FileExists(FramePath("first", frames).c_str()));

    // Frame 13 in process: frames 0..12 drawn first (small, for the fly-in),
    // each at its own t: k / fps in whole ticks of the counter, read through
    // the clock's float resolution as the program reads it.
    const int k = 13;
    LARGE_INTEGER frequency;
    ASSERT_TRUE(QueryPerformanceFrequency(&frequency));
    for (int frame = 0; frame <= k; ++frame) {
        double ticks = (double)llround((double)frame * (double)frequency.QuadPart / fps);
        FreezeClockAt((float)(ticks * (double)(float)(1.0 / (double)frequency.QuadPart)));
        glViewport(0, 0, frame < k ? 16 : VIEW_WIDTH, frame < k ? 12 : VIEW_HEIGHT);
        ASSERT_EQ(RenderFrame(), 1);
    }
    ASSERT_EQ(flyInZ, FlyInAfter(k + 1));
    std::vector<GLubyte> view = ReadView();
    Picture captured = ReadPng(FramePath("first", k));
    int worst = 0, lit = 0;
    for (int y = 0; y < VIEW_HEIGHT; ++y)
        for (int x = 0; x < VIEW_WIDTH * 3; ++x) {
            int drawn = view[(size_t)y * VIEW_WIDTH * 3 + x];
            int got = captured.rgb[(size_t)(VIEW_HEIGHT - 1 - y) * VIEW_WIDTH * 3 + x];
            worst = std::max(worst, abs(drawn - got));
            lit += drawn > 40;
        }
    EXPECT_LE(worst, 1) << "largest difference per channel from the frame drawn in process";
    EXPECT_GT(lit, VIEW_WIDTH * VIEW_HEIGHT) << "the frame in process shows too little to compare";
}
