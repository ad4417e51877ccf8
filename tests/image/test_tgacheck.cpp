// tgacheck, run as a program: one line per file, the reader's exact box text
// for a refusal, the decoded pixels with --raw, and no box on screen.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <string>

#include "support/work_dir.h"
#include "tga_writer.h"

namespace {

class TgaCheck : public ::testing::Test {
protected:
    std::string dir;
    std::string out, err;

    void SetUp() override { dir = EnterFreshWorkDir(); }
    void TearDown() override { LeaveWorkDir(dir); }

    // Runs tgacheck with the arguments; returns its exit status.
    int Run(const std::string& arguments)
    {
        const char* bin = getenv("ORLATH_BIN");
        if (!bin) {
            ADD_FAILURE() << "ORLATH_BIN is not set";
            return -1;
        }
        std::string command = std::string(bin) + "/tgacheck " + arguments + " >out.txt 2>err.txt";
        int status = system(command.c_str());
        out = ReadFile("out.txt");
        err = ReadFile("err.txt");
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
};

std::vector<Rgba> SomePixels(int count)
{
    TestRandom random = {77};
    std::vector<Rgba> pixels;
    for (int i = 0; i < count; ++i)
        pixels.push_back({(unsigned char)random.Next(), (unsigned char)random.Next(), (unsigned char)random.Next(),
                          (unsigned char)random.Next()});
    return pixels;
}

TEST_F(TgaCheck, TakenFileGivesItsSizeAndDepth)
{
    ASSERT_TRUE(WriteBytes("a.tga", RunLengthTga(3, 2, 32, SomePixels(6), {6})));
    EXPECT_EQ(Run("a.tga"), 0);
    EXPECT_EQ(out, "ok 3 2 32\n");
    EXPECT_EQ(err, "");
}

TEST_F(TgaCheck, RefusedFileGivesTheBoxCaptionAndTextWithoutShowingIt)
{
    ASSERT_TRUE(WriteBytes("colour-mapped.tga", TgaHeader(1, 2, 2, 24) + std::string(12, '\x01')));
    EXPECT_EQ(Run("colour-mapped.tga"), 1);
    EXPECT_EQ(out, "refused Invalid Image: TGA file be type 2 or type 10 \n");
    EXPECT_EQ(err, "") << "a box would have reached standard error";

    EXPECT_EQ(Run("missing.tga"), 1);
    EXPECT_EQ(out, "refused ERROR: No puedo abrir el fichero de textura !\n");

    ASSERT_TRUE(WriteBytes("short.tga", UncompressedTga(2, 2, 24, SomePixels(4)).substr(0, 25)));
    EXPECT_EQ(Run("short.tga"), 1);
    EXPECT_EQ(out, "refused ERROR: Could not read image data\n");
}

TEST_F(TgaCheck, SeveralFilesGetOneNamedLineEach)
{
    ASSERT_TRUE(WriteBytes("good.tga", UncompressedTga(1, 1, 24, SomePixels(1))));
    ASSERT_TRUE(WriteBytes("bad.tga", TgaHeader(10, 1, 1, 24)));
    EXPECT_EQ(Run("good.tga bad.tga good.tga"), 1);
    EXPECT_EQ(out, "good.tga: ok 1 1 24\nbad.tga: refused ERROR: Could not read RLE header\ngood.tga: ok 1 1 24\n");
    EXPECT_EQ(Run("good.tga good.tga"), 0);
}

TEST_F(TgaCheck, RawWritesTheDecodedPixelsByteForByte)
{
    std::vector<Rgba> image = SomePixels(5 * 3);
    ASSERT_TRUE(WriteBytes("a.tga", UncompressedTga(5, 3, 24, image, 0x20)));
    EXPECT_EQ(Run("--raw pixels.bin a.tga"), 0);
    EXPECT_EQ(out, "ok 5 3 24\n");
    std::vector<unsigned char> expected = DecodedPixels(image, 24);
    EXPECT_EQ(ReadFile("pixels.bin"), std::string(expected.begin(), expected.end()));

    ASSERT_TRUE(WriteBytes("bad.tga", TgaHeader(2, 5, 3, 16)));
    EXPECT_EQ(Run("--raw other.bin bad.tga"), 1);
    EXPECT_EQ(out, "refused ERROR: Invalid texture information\n");
    EXPECT_FALSE(FileExists("other.bin"));
}

TEST_F(TgaCheck, HelpGoesToStandardOutputAndAWrongCommandLineIsAUsageError)
{
    for (const char* help : {"--help", "-h"}) {
        EXPECT_EQ(Run(help), 0);
        EXPECT_EQ(out.rfind("usage: tgacheck FILE...\n", 0), 0u) << help;
        EXPECT_EQ(err, "");
    }
    std::string usage = out;
    for (const char* wrong : {"", "--raw only-one.bin", "-x a.tga", "a.tga -x", "--help a.tga", "a.tga --raw"}) {
        EXPECT_EQ(Run(wrong), 2) << wrong;
        EXPECT_EQ(err, (strstr(wrong, "-x") ? "tgacheck: unknown option -x\n" : "") + usage) << wrong;
        EXPECT_EQ(out, "");
    }
}

}  // namespace
