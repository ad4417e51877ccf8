// The mipmapped loader and the file-length query: silent result codes,
// three-component textures, pixels left with the caller.
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include "image/mipmap_loader.h"
#include "image_gl_fixture.h"

namespace {

class MipmapLoader : public ImageGlTest {
protected:
    TextureRecord record = {};

    void TearDown() override
    {
        free(record.pixels);
        ImageGlTest::TearDown();
    }

    int Load(const std::string& bytes)
    {
        free(record.pixels);
        record.pixels = nullptr;
        if (!WriteBytes("mip.tga", bytes))
            ADD_FAILURE() << "cannot write the fixture";
        return LoadMipmappedTga(&record, "mip.tga");
    }

    std::vector<unsigned char> RecordPixels() const
    {
        if (!record.pixels)
            return {};
        return std::vector<unsigned char>(record.pixels,
                                          record.pixels + size_t(record.width) * record.height * (record.bitsPerPixel / 8));
    }
};

TEST_F(MipmapLoader, OnePixelBuildsAnRgbTextureAndKeepsThePixels)
{
    record.pixelFormat = 0xABCD;
    ASSERT_EQ(Load(TgaHeader(2, 1, 1, 24) + "\x10\x20\x30"), 0);
    EXPECT_EQ(RecordPixels(), (std::vector<unsigned char>{0x30, 0x20, 0x10}));
    EXPECT_EQ(record.bitsPerPixel, 24u);
    EXPECT_EQ(record.pixelFormat, 0xABCDu) << "the loader does not set the pixel format";
    EXPECT_NE(record.texId, 0u);
    EXPECT_EQ(BoundTexture(), record.texId);
    EXPECT_EQ(TexParameter(GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    EXPECT_EQ(TexParameter(GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_NEAREST);
    EXPECT_EQ(TextureBytes(GL_RGB, 1, 1), (std::vector<unsigned char>{0x30, 0x20, 0x10}));
    EXPECT_EQ(TestMessageBoxCount(), 0);
}

TEST_F(MipmapLoader, ThirtyTwoBitImageKeepsAlphaInThePixelsButNotInTheTexture)
{
    std::vector<Rgba> image = Pixels(4 * 4, 21);
    ASSERT_EQ(Load(UncompressedTga(4, 4, 32, image)), 0);
    EXPECT_EQ(RecordPixels(), DecodedPixels(image, 32));
    EXPECT_EQ(LevelParameter(0, GL_TEXTURE_ALPHA_SIZE), 0);
    EXPECT_GT(LevelParameter(0, GL_TEXTURE_RED_SIZE), 0);
    // Every level down to 1 x 1 exists.
    EXPECT_EQ(LevelParameter(1, GL_TEXTURE_WIDTH), 2);
    EXPECT_EQ(LevelParameter(2, GL_TEXTURE_WIDTH), 1);
    EXPECT_EQ(TextureBytes(GL_RGB, 4, 4), DecodedPixels(std::vector<Rgba>(image.begin(), image.end()), 24));
}

TEST_F(MipmapLoader, RowsOfSixBytesArriveUnskewedAndTheUnpackAlignmentIsPutBack)
{
    // Two pixels of 24 bits: a power-of-two width (so the builder uploads
    // the image as it is) whose rows are no multiple of 4 or 8 bytes.
    std::vector<Rgba> image = Pixels(2 * 4, 22, true);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 8);
    ASSERT_EQ(Load(UncompressedTga(2, 4, 24, image)), 0);
    GLint alignment = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_EQ(alignment, 8);
    ASSERT_EQ(RecordPixels(), DecodedPixels(image, 24));
    EXPECT_EQ(TextureBytes(GL_RGB, 2, 4), DecodedPixels(image, 24));
}

TEST_F(MipmapLoader, RunLengthFileIsRefusedWithoutATexture)
{
    GLuint bound = BoundTexture();
    record.texId = 0;
    EXPECT_EQ(Load(RunLengthTga(1, 1, 24, Pixels(1, 3), {1})), 1);
    EXPECT_EQ(record.texId, 0u);
    EXPECT_EQ(record.pixels, nullptr);
    EXPECT_EQ(BoundTexture(), bound);
    EXPECT_EQ(TestMessageBoxCount(), 0);
}

TEST_F(MipmapLoader, UnsupportedDepthLeavesBitsPerPixelAlone)
{
    for (int bits : {16, 8, 0, 33}) {
        record.bitsPerPixel = 99;
        EXPECT_EQ(Load(TgaHeader(2, 2, 3, bits) + std::string(64, '\x01')), 1) << bits;
        EXPECT_EQ(record.bitsPerPixel, 99u);
        EXPECT_EQ(record.width, 2u);
        EXPECT_EQ(record.height, 3u);
    }
    EXPECT_EQ(Load(TgaHeader(2, 0, 3, 24)), 1);
    EXPECT_EQ(Load(TgaHeader(2, 3, 0, 24)), 1);
    EXPECT_EQ(TestMessageBoxCount(), 0);
}

TEST_F(MipmapLoader, AnyCutOrForeignHeaderIsRefusedSilently)
{
    std::string file = UncompressedTga(3, 2, 32, Pixels(6, 23));
    for (size_t length = 0; length < file.size(); ++length) {
        EXPECT_EQ(Load(file.substr(0, length)), 1) << length;
        EXPECT_EQ(record.pixels, nullptr);
    }
    for (size_t at = 0; at < 12; ++at) {
        std::string foreign = file;
        foreign[at] = char(foreign[at] + 1);
        EXPECT_EQ(Load(foreign), 1) << at;
    }
    // Sizes beyond 32 bits are refused before any buffer is sought.
    EXPECT_EQ(Load(TgaHeader(2, 65535, 65535, 32) + "abcd"), 1);
    EXPECT_EQ(Load(TgaHeader(2, 32768, 32768, 32) + "abcd"), 1);
    EXPECT_EQ(LoadMipmappedTga(&record, "nowhere.tga"), 1);
    ASSERT_EQ(mkdir("folder.tga", 0755), 0);
    EXPECT_EQ(LoadMipmappedTga(&record, "folder.tga"), 1);
    EXPECT_EQ(TestMessageBoxCount(), 0);
    EXPECT_EQ(record.texId, 0u);
}

TEST_F(MipmapLoader, BytesAfterThePixelsAreIgnored)
{
    std::vector<Rgba> image = Pixels(2 * 2, 24, true);
    ASSERT_EQ(Load(UncompressedTga(2, 2, 24, image) + "trailing"), 0);
    EXPECT_EQ(RecordPixels(), DecodedPixels(image, 24));
}

// ---- file length

class FileLength : public ImageGlTest {};

std::string CaptureStdout(int (*call)(const char*), const char* path, int* result)
{
    fflush(stdout);
    int saved = dup(1);
    int file = open("stdout.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(file, 1);
    close(file);
    *result = call(path);
    fflush(stdout);
    dup2(saved, 1);
    close(saved);
    return ReadFile("stdout.txt");
}

TEST_F(FileLength, CountsTheBytesOfAnyReadableFile)
{
    ASSERT_TRUE(WriteBytes("empty.bin", ""));
    ASSERT_TRUE(WriteBytes("some.bin", std::string(1234, 'x')));
    int result = -1;
    EXPECT_EQ(CaptureStdout(GetFileLength, "empty.bin", &result), "");
    EXPECT_EQ(result, 0);
    EXPECT_EQ(CaptureStdout(GetFileLength, "some.bin", &result), "");
    EXPECT_EQ(result, 1234);
}

TEST_F(FileLength, MissingFileOrAFolderGives666AndPrintsItsLine)
{
    ASSERT_EQ(mkdir("folder.bin", 0755), 0);
    for (std::string name : {"missing.bin", "folder.bin"}) {
        int result = -1;
        EXPECT_EQ(CaptureStdout(GetFileLength, name.c_str(), &result),
                  "\nNo se puede abrir " + name + " para lectura.");
        EXPECT_EQ(result, 666);
    }
}

}  // namespace
