// The atlas reader: what it accepts, how it turns the pixels round, and
// what it prints.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <string>
#include <vector>

#include "image/tga_writer.h"
#include "support/work_dir.h"
#include "text/atlas_font.h"

namespace {

class AtlasReaderTest : public ::testing::Test {
protected:
    std::string dir;
    void SetUp() override { dir = EnterFreshWorkDir(); }
    void TearDown() override { LeaveWorkDir(dir); }

    static std::vector<Rgba> Solid(int count) { return std::vector<Rgba>((size_t)count, Rgba{1, 2, 3, 4}); }
};

TEST_F(AtlasReaderTest, FlipsRowsAndSwapsRedAndBlue)
{
    // File order is bottom row first: (a b) at the bottom, (c d) on top.
    Rgba a = {10, 11, 12, 13}, b = {20, 21, 22, 23}, c = {30, 31, 32, 33}, d = {40, 41, 42, 43};
    ASSERT_TRUE(WriteBytes("atlas.tga", UncompressedTga(2, 2, 32, {a, b, c, d})));
    int32_t width = -1, height = -1;
    unsigned char* pixels = LoadAtlasTga("atlas.tga", &width, &height);
    ASSERT_NE(pixels, nullptr);
    EXPECT_EQ(width, 2);
    EXPECT_EQ(height, 2);
    EXPECT_EQ(std::vector<unsigned char>(pixels, pixels + 16), DecodedPixels({c, d, a, b}, 32));
    free(pixels);
}

TEST_F(AtlasReaderTest, AcceptsSidesOneTo256AndIgnoresTrailingBytes)
{
    for (int side : {1, 48, 256}) {
        std::string file = UncompressedTga(side, side, 32, Solid(side * side)) + "TRUEVISION-XFILE.";
        ASSERT_TRUE(WriteBytes("atlas.tga", file));
        int32_t width = 0, height = 0;
        unsigned char* pixels = LoadAtlasTga("atlas.tga", &width, &height);
        EXPECT_NE(pixels, nullptr) << side;
        EXPECT_EQ(width, side);
        free(pixels);
    }
}

TEST_F(AtlasReaderTest, RefusesEverythingButSquare32BitUncompressedUpTo256)
{
    std::string withImageId = UncompressedTga(16, 16, 32, Solid(256));
    withImageId[0] = 1;
    std::string full = UncompressedTga(16, 16, 32, Solid(256));
    struct Case {
        const char* what;
        std::string file;
    } cases[] = {
        {"257 wide", UncompressedTga(257, 257, 32, Solid(257 * 257))},
        {"not square", UncompressedTga(16, 32, 32, Solid(16 * 32))},
        {"24 bits", UncompressedTga(16, 16, 24, Solid(256))},
        {"run-length", TgaHeader(10, 16, 16, 32) + RunPacket(128, Rgba{1, 2, 3, 4}, 32) +
                           RunPacket(128, Rgba{1, 2, 3, 4}, 32)},
        {"side 0", TgaHeader(2, 0, 0, 32)},
        {"image ID", withImageId},
        {"header cut", full.substr(0, 17)},
        {"one pixel byte short", full.substr(0, full.size() - 1)},
    };
    for (const Case& refused : cases) {
        ASSERT_TRUE(WriteBytes("atlas.tga", refused.file));
        int32_t width = -7, height = -7;
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        unsigned char* pixels = LoadAtlasTga("atlas.tga", &width, &height);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "Cannot load atlas.tga (working folder " + dir + ")\n");
        std::string printed = testing::internal::GetCapturedStdout();
        EXPECT_EQ(pixels, nullptr) << refused.what;
        EXPECT_EQ(width, -7) << refused.what;
        EXPECT_EQ(height, -7) << refused.what;
        EXPECT_EQ(printed, "Cargando TGA... (atlas.tga)\n") << refused.what;
        free(pixels);
    }
}

TEST_F(AtlasReaderTest, MissingFileOrAFolderPrintsBothLinesAndTheFolderOnStandardError)
{
    ASSERT_EQ(mkdir("carpeta.tga", 0755), 0);
    for (std::string name : {"nada.tga", "carpeta.tga"}) {
        int32_t width = 0, height = 0;
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        EXPECT_EQ(LoadAtlasTga(name.c_str(), &width, &height), nullptr);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "Cannot load " + name + " (working folder " + dir + ")\n");
        EXPECT_EQ(testing::internal::GetCapturedStdout(),
                  "Cargando TGA... (" + name + ")\nNo se puede cargar fichero " + name + "\n");
    }
}

}  // namespace
