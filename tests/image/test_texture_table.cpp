// The texture table and the start-up set, on real GL.
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>

#include "image/image_file.h"
#include "image_gl_fixture.h"
#include "tools/png_file.h"

#include <stb_image_write.h>

namespace {

class TextureTable : public ImageGlTest {
protected:
    void WriteStartupSet(const std::string& folder)
    {
        mkdir(folder.c_str(), 0755);
        std::vector<Rgba> emblem = Pixels(16, 1);
        ASSERT_TRUE(WriteBytes((folder + "/celvino.tga").c_str(), RunLengthTga(4, 4, 32, emblem, {9, 7})));
        ASSERT_TRUE(WriteBytes((folder + "/hola.tga").c_str(), UncompressedTga(8, 2, 24, Pixels(16, 2))));
        std::vector<Rgba> stars = Pixels(4, 3, true);
        stars[1] = stars[2] = stars[3] = stars[0];
        ASSERT_TRUE(WriteBytes((folder + "/espacio.tga").c_str(), RunLengthTga(2, 2, 24, stars, {-4})));
    }
};

const char nameLine[] = "\nNombre imagen/textura: %s ID: %d ... ";

std::string NameLine(const std::string& path, int slot)
{
    char line[256];
    snprintf(line, sizeof line, nameLine, path.c_str(), slot);
    return line;
}

TEST_F(TextureTable, SlotTakesA32BitImageAsALinearRgbaTextureAndDropsThePixels)
{
    std::vector<Rgba> image = Pixels(4 * 2, 5);
    ASSERT_TRUE(WriteBytes("a.tga", UncompressedTga(4, 2, 32, image)));
    ASSERT_TRUE(LoadTextureSlot("a.tga", 7));

    const TextureRecord& slot = textureTable[7];
    EXPECT_NE(slot.texId, 0u);
    EXPECT_EQ(BoundTexture(), slot.texId);
    EXPECT_EQ(slot.pixels, nullptr);
    EXPECT_EQ(slot.width, 4u);
    EXPECT_EQ(slot.height, 2u);
    EXPECT_EQ(slot.bitsPerPixel, 32u);
    EXPECT_EQ(slot.pixelFormat, uint32_t(GL_RGBA));

    EXPECT_EQ(TexParameter(GL_TEXTURE_MIN_FILTER), GL_LINEAR);
    EXPECT_EQ(TexParameter(GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    EXPECT_EQ(TexParameter(GL_TEXTURE_WRAP_S), GL_REPEAT);
    EXPECT_EQ(TexParameter(GL_TEXTURE_WRAP_T), GL_REPEAT);
    EXPECT_EQ(LevelParameter(0, GL_TEXTURE_WIDTH), 4);
    EXPECT_EQ(LevelParameter(0, GL_TEXTURE_HEIGHT), 2);
    EXPECT_GT(LevelParameter(0, GL_TEXTURE_ALPHA_SIZE), 0) << "four components keep alpha";
    EXPECT_EQ(LevelParameter(1, GL_TEXTURE_WIDTH), 0) << "no mipmaps are made";
    EXPECT_EQ(TextureBytes(GL_RGBA, 4, 2), DecodedPixels(image, 32));
    EXPECT_EQ(TestMessageBoxCount(), 0);
}

TEST_F(TextureTable, TwentyFourBitImageGetsThreeComponents)
{
    std::vector<Rgba> image = Pixels(4 * 4, 6, true);
    ASSERT_TRUE(WriteBytes("b.tga", RunLengthTga(4, 4, 24, image, {16})));
    ASSERT_TRUE(LoadTextureSlot("b.tga", 0));
    EXPECT_EQ(textureTable[0].pixelFormat, uint32_t(GL_RGB));
    EXPECT_EQ(LevelParameter(0, GL_TEXTURE_ALPHA_SIZE), 0);
    EXPECT_GT(LevelParameter(0, GL_TEXTURE_RED_SIZE), 0);
    EXPECT_EQ(TextureBytes(GL_RGB, 4, 4), DecodedPixels(image, 24));
}

TEST_F(TextureTable, OddWidthRowsArriveUnskewedAndTheUnpackAlignmentIsPutBack)
{
    // 3 x 3 at 24 bits: 9 bytes a row, which alignment 4 would pad to 12.
    std::vector<Rgba> image = Pixels(3 * 3, 8, true);
    ASSERT_TRUE(WriteBytes("odd.tga", UncompressedTga(3, 3, 24, image)));
    glPixelStorei(GL_UNPACK_ALIGNMENT, 2);
    ASSERT_TRUE(LoadTextureSlot("odd.tga", 3));
    EXPECT_EQ(TextureBytes(GL_RGB, 3, 3), DecodedPixels(image, 24));
    GLint alignment = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_EQ(alignment, 2);
}

TEST_F(TextureTable, FailedReadKeepsTheOldNameAndLogsTheError)
{
    OpenReport();
    textureTable[5].texId = 77;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(LoadTextureSlot("missing.tga", 5));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Cannot load missing.tga (working folder " + dir + ")\n");
    EXPECT_EQ(textureTable[5].texId, 77u);
    ASSERT_EQ(TestMessageBoxCount(), 1);
    EXPECT_EQ(BoxText(0), "No puedo abrir el fichero de textura !");
    EXPECT_EQ(ReportBody(), NameLine("missing.tga", 5) + "Error cargando imagen missing.tga\n");
}

TEST_F(TextureTable, SlotOutsideTheTableIsRefusedWithoutTouchingAnything)
{
    ASSERT_TRUE(WriteBytes("a.tga", UncompressedTga(1, 1, 24, Pixels(1, 9))));
    OpenReport();
    for (TextureRecord& record : textureTable)
        record.texId = 5;
    TextureRecord before[TEXTURE_SLOTS];
    memcpy(before, textureTable, sizeof before);
    GLuint bound = BoundTexture();

    std::string expected;
    for (int slot : {-1, 30, 31, 1000, INT_MIN, INT_MAX}) {
        EXPECT_FALSE(LoadTextureSlot("a.tga", slot)) << slot;
        expected += NameLine("a.tga", slot) + "Error cargando imagen a.tga\n";
    }
    EXPECT_EQ(memcmp(before, textureTable, sizeof before), 0);
    EXPECT_EQ(BoundTexture(), bound);
    EXPECT_EQ(TestMessageBoxCount(), 0);
    EXPECT_EQ(ReportBody(), expected);
}

TEST_F(TextureTable, StartupSetFillsSlotsZeroToTwoAndLogsEachOk)
{
    WriteStartupSet("imagenes");
    OpenReport();
    ASSERT_TRUE(LoadStartupImages(startupImageFolder));

    GLuint names[3] = {textureTable[0].texId, textureTable[1].texId, textureTable[2].texId};
    for (GLuint name : names)
        EXPECT_NE(name, 0u);
    EXPECT_NE(names[0], names[1]);
    EXPECT_NE(names[1], names[2]);
    EXPECT_NE(names[0], names[2]);
    EXPECT_EQ(textureTable[0].bitsPerPixel, 32u);
    EXPECT_EQ(textureTable[1].width, 8u);
    EXPECT_EQ(textureTable[2].height, 2u);
    EXPECT_EQ(textureTable[3].texId, 0u);
    EXPECT_EQ(TestMessageBoxCount(), 0);
    EXPECT_EQ(ReportBody(), "- Cargando imagenes ...\n" + NameLine("imagenes/celvino.tga", 0) + "Ok." +
                                NameLine("imagenes/hola.tga", 1) + "Ok." + NameLine("imagenes/espacio.tga", 2) +
                                "Ok.");
}

TEST_F(TextureTable, MissingMiddleImageIsReportedButStartupGoesOn)
{
    WriteStartupSet("imagenes");
    ASSERT_EQ(remove("imagenes/hola.tga"), 0);
    OpenReport();
    EXPECT_TRUE(LoadStartupImages(startupImageFolder));
    EXPECT_EQ(textureTable[1].texId, 0u);
    EXPECT_NE(textureTable[2].texId, 0u);
    ASSERT_EQ(TestMessageBoxCount(), 1);
    EXPECT_EQ(BoxText(0), "No puedo abrir el fichero de textura !");
    EXPECT_EQ(ReportBody(), "- Cargando imagenes ...\n" + NameLine("imagenes/celvino.tga", 0) + "Ok." +
                                NameLine("imagenes/hola.tga", 1) + "Error cargando imagen imagenes/hola.tga\n" +
                                NameLine("imagenes/espacio.tga", 2) + "Ok.");
}

TEST_F(TextureTable, MissingLastImageFailsTheStartupWithAShutdownBox)
{
    WriteStartupSet("imagenes");
    ASSERT_EQ(remove("imagenes/espacio.tga"), 0);
    OpenReport();
    EXPECT_FALSE(LoadStartupImages(startupImageFolder));
    ASSERT_EQ(TestMessageBoxCount(), 2);
    EXPECT_EQ(BoxText(0), "No puedo abrir el fichero de textura !");
    EXPECT_EQ(BoxText(1), "Fallo almacenando texturas.");
    EXPECT_EQ(BoxCaption(1), "SHUTDOWN ERROR");
    EXPECT_EQ(TestMessageBoxAt(1)->flags, UINT(MB_OK | MB_ICONINFORMATION));
    EXPECT_EQ(TestMessageBoxAt(1)->owner, nullptr);
    EXPECT_EQ(ReportBody(), "- Cargando imagenes ...\n" + NameLine("imagenes/celvino.tga", 0) + "Ok." +
                                NameLine("imagenes/hola.tga", 1) + "Ok." + NameLine("imagenes/espacio.tga", 2) +
                                "Error cargando imagen imagenes/espacio.tga\n" +
                                "\n*** Fall\xF3" " almacenando texturas ***\n");
}

TEST_F(TextureTable, CorruptFirstImageLeavesTheOthersLoading)
{
    WriteStartupSet("imagenes");
    ASSERT_TRUE(WriteBytes("imagenes/celvino.tga", TgaHeader(2, 2, 2, 16) + std::string(8, '\x11')));
    EXPECT_TRUE(LoadStartupImages(startupImageFolder));
    ASSERT_EQ(TestMessageBoxCount(), 1);
    EXPECT_EQ(BoxText(0), "Invalid texture information");
    EXPECT_EQ(textureTable[0].texId, 0u);
    EXPECT_NE(textureTable[1].texId, 0u);
    EXPECT_NE(textureTable[2].texId, 0u);
}

TEST_F(TextureTable, FolderOfThirtySixCharactersStillFits)
{
    const std::string folder = "abcdefghijklmnopqrstuvwxyz012345678/";  // 35 + separator
    ASSERT_EQ(folder.size(), 36u);
    WriteStartupSet(folder.substr(0, 35));
    EXPECT_TRUE(LoadStartupImages(folder.c_str()));
    for (int slot = 0; slot < 3; ++slot)
        EXPECT_NE(textureTable[slot].texId, 0u) << slot;
    EXPECT_EQ(TestMessageBoxCount(), 0);
}

TEST_F(TextureTable, PathTooLongForTheBufferFailsItsSlotInsteadOfBeingCut)
{
    // 37 characters: hola.tga still fits the 48-byte buffer, the two
    // eleven-character names do not.
    const std::string folder = "abcdefghijklmnopqrstuvwxyz0123456789/";
    ASSERT_EQ(folder.size(), 37u);
    WriteStartupSet(folder.substr(0, 36));
    // A file where the cut paths would lead, to show they are not opened.
    ASSERT_TRUE(WriteBytes((folder + "celvino.tg").c_str(), UncompressedTga(1, 1, 24, Pixels(1, 4))));
    ASSERT_TRUE(WriteBytes((folder + "espacio.tg").c_str(), UncompressedTga(1, 1, 24, Pixels(1, 4))));
    OpenReport();

    EXPECT_FALSE(LoadStartupImages(folder.c_str()));
    EXPECT_EQ(textureTable[0].texId, 0u);
    EXPECT_NE(textureTable[1].texId, 0u);
    EXPECT_EQ(textureTable[2].texId, 0u);
    ASSERT_EQ(TestMessageBoxCount(), 1);
    EXPECT_EQ(BoxText(0), "Fallo almacenando texturas.");
    EXPECT_EQ(ReportBody(), "- Cargando imagenes ...\n" + NameLine(folder + "celvino.tga", 0) +
                                "Error cargando imagen " + folder + "celvino.tga\n" + NameLine(folder + "hola.tga", 1) +
                                "Ok." + NameLine(folder + "espacio.tga", 2) + "Error cargando imagen " + folder +
                                "espacio.tga\n" + "\n*** Fall\xF3" " almacenando texturas ***\n");
}

TEST_F(TextureTable, ReloadInANewContextMakesTheTexturesThere)
{
    WriteStartupSet("imagenes");
    ASSERT_TRUE(LoadStartupImages(startupImageFolder));
    GLuint first = textureTable[2].texId;

    // As after the switch between full screen and a window: a new context.
    HGLRC second = wglCreateContext(dc);
    ASSERT_NE(second, nullptr);
    ASSERT_TRUE(wglMakeCurrent(dc, second));
    ASSERT_TRUE(LoadStartupImages(startupImageFolder));
    EXPECT_NE(textureTable[2].texId, 0u);
    EXPECT_TRUE(glIsTexture(textureTable[2].texId));
    EXPECT_EQ(LevelParameter(0, GL_TEXTURE_WIDTH), 2);
    ASSERT_TRUE(wglMakeCurrent(dc, context));
    wglDeleteContext(second);
    EXPECT_TRUE(glIsTexture(first));
}

// ---- the start-up images that the build draws

class BuiltStartupImages : public TextureTable {};

TEST_F(BuiltStartupImages, LoadAndCoverEveryDecodingPath)
{
    ASSERT_TRUE(CopyStartupImages()) << "the build's imagenes/ folder is needed (ORLATH_BIN)";
    struct {
        const char* path;
        int type, bits;
    } expected[] = {{"imagenes/celvino.tga", 10, 32}, {"imagenes/hola.tga", 2, 24}, {"imagenes/espacio.tga", 10, 24}};
    for (const auto& file : expected) {
        std::string bytes = ReadFile(file.path);
        ASSERT_GE(bytes.size(), 18u) << file.path;
        EXPECT_EQ(bytes[2], char(file.type)) << file.path;
        EXPECT_EQ((unsigned char)bytes[16], file.bits) << file.path;
    }

    ASSERT_TRUE(LoadStartupImages(startupImageFolder));
    for (int slot = 0; slot < 3; ++slot) {
        const TextureRecord& record = textureTable[slot];
        EXPECT_NE(record.texId, 0u);
        // Powers of two, for GL 1.1.
        EXPECT_EQ(record.width & (record.width - 1), 0u) << slot;
        EXPECT_EQ(record.height & (record.height - 1), 0u) << slot;
        EXPECT_GE(record.width, 64u);
    }
    EXPECT_EQ(TestMessageBoxCount(), 0);

    // The emblem stands on a clear ground with soft edges: alpha takes the
    // values 0 and 255 and some in between. Its run-length body uses both
    // kinds of packet.
    TextureRecord emblem = {};
    ASSERT_TRUE(LoadTga(&emblem, "imagenes/celvino.tga"));
    bool clear = false, solid = false, partial = false;
    for (size_t i = 3; i < size_t(emblem.width) * emblem.height * 4; i += 4) {
        clear |= emblem.pixels[i] == 0;
        solid |= emblem.pixels[i] == 255;
        partial |= emblem.pixels[i] > 0 && emblem.pixels[i] < 255;
    }
    free(emblem.pixels);
    EXPECT_TRUE(clear && solid && partial);
}

}  // namespace

// ---- PNG beside TGA, told apart by contents

class ImageFiles : public TextureTable {
protected:
    static ToolImage Picture(int width, int height)
    {
        ToolImage image{width, height, std::vector<uint8_t>(size_t(width) * height * 4)};
        for (size_t i = 0; i < image.rgba.size(); ++i)
            image.rgba[i] = uint8_t(i * 53 + i / 7);
        return image;
    }
};

TEST_F(ImageFiles, PngAndTgaOfOnePictureGiveTheSameTextureWhateverTheirNames)
{
    ToolImage picture = Picture(5, 3);  // odd width: rows of 15 bytes at 24 bits
    for (int bits : {24, 32}) {
        // Each file under the other kind's name: the first bytes decide.
        std::vector<uint8_t> png = EncodePng(picture, bits == 32);
        ASSERT_TRUE(WriteToolFile("picture.tga", png));
        ASSERT_TRUE(WriteToolFile("picture.png", EncodeTga(picture, true, bits, 0)));
        ASSERT_TRUE(LoadImageSlot("picture.tga", 3));
        ASSERT_TRUE(LoadImageSlot("picture.png", 4));
        GLenum format = bits == 32 ? GL_RGBA : GL_RGB;
        for (int slot : {3, 4}) {
            EXPECT_EQ(textureTable[slot].bitsPerPixel, uint32_t(bits));
            EXPECT_EQ(textureTable[slot].pixelFormat, uint32_t(format));
            EXPECT_EQ(textureTable[slot].pixels, nullptr);
        }
        glBindTexture(GL_TEXTURE_2D, textureTable[3].texId);
        std::vector<unsigned char> fromPng = TextureBytes(format, 5, 3);
        glBindTexture(GL_TEXTURE_2D, textureTable[4].texId);
        EXPECT_EQ(fromPng, TextureBytes(format, 5, 3)) << bits;
        EXPECT_EQ(lastTgaMessage, TGA_MESSAGE_NONE);

        // A loaded file is reported Ok, as a start-up image is; cut anywhere
        // after its signature, the PNG is refused as a bad TGA is.
        OpenReport();
        ASSERT_TRUE(LoadImageSlot("picture.png", 4));
        png.resize(png.size() - 20);
        ASSERT_TRUE(WriteToolFile("cut.png", png));
        testing::internal::CaptureStderr();
        EXPECT_FALSE(LoadImageSlot("cut.png", 5));
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "Cannot load cut.png (working folder " + dir + ")\n");
        EXPECT_EQ(textureTable[5].pixels, nullptr);
        ASSERT_EQ(TestMessageBoxCount(), 1);
        EXPECT_EQ(BoxText(0), "Could not read image data");
        EXPECT_EQ(ReportBody(), NameLine("picture.png", 4) + "Ok." + NameLine("cut.png", 5) + "Error cargando imagen cut.png\n");
        TestHooksReset();
    }
}

TEST_F(ImageFiles, JpegLoadsAsItsPictureAndACutOrOverfullOneIsRefused)
{
    // Blocks of one colour come through JPEG at full quality within a few
    // levels; the PNG of the same picture says where each pixel belongs.
    ToolImage picture{16, 8, std::vector<uint8_t>(16 * 8 * 4, 255)};
    std::vector<uint8_t> rgb;
    for (int k = 0; k < 16 * 8; ++k) {
        uint8_t* pixel = &picture.rgba[size_t(k) * 4];
        bool right = k % 16 >= 8;
        pixel[0] = right ? 30 : 200, pixel[1] = right ? 160 : 40, pixel[2] = right ? 220 : 90;
        rgb.insert(rgb.end(), pixel, pixel + 3);
    }
    std::vector<uint8_t> jpeg;
    auto append = [](void* to, void* data, int size) {
        auto* bytes = static_cast<std::vector<uint8_t>*>(to);
        bytes->insert(bytes->end(), static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
    };
    ASSERT_TRUE(stbi_write_jpg_to_func(append, &jpeg, 16, 8, 3, rgb.data(), 100));
    ASSERT_TRUE(WriteToolFile("picture.tga", jpeg));
    ASSERT_TRUE(WriteToolFile("picture.png", EncodePng(picture, false)));
    ASSERT_TRUE(LoadImageSlot("picture.tga", 3));
    ASSERT_TRUE(LoadImageSlot("picture.png", 4));
    EXPECT_EQ(textureTable[3].bitsPerPixel, 24u);
    glBindTexture(GL_TEXTURE_2D, textureTable[3].texId);
    std::vector<unsigned char> fromJpeg = TextureBytes(GL_RGB, 16, 8);
    glBindTexture(GL_TEXTURE_2D, textureTable[4].texId);
    std::vector<unsigned char> fromPng = TextureBytes(GL_RGB, 16, 8);
    ASSERT_EQ(fromJpeg.size(), fromPng.size());
    for (size_t i = 0; i < fromJpeg.size(); ++i)
        ASSERT_NEAR(fromJpeg[i], fromPng[i], 6) << i;

    // Cut short, or with a Huffman table counting more than 256 codes (which
    // the decoder would store past its table): refused.
    std::vector<uint8_t> cut(jpeg.begin(), jpeg.end() - 40);
    std::vector<uint8_t> overfull = jpeg;
    size_t table = 2;
    while (!(overfull[table] == 0xFF && overfull[table + 1] == 0xC4))
        table += 2 + size_t(overfull[table + 2] << 8 | overfull[table + 3]);
    overfull[table + 5 + 15] = 255;  // the count of 16-bit codes
    for (const std::vector<uint8_t>& bad : {cut, overfull}) {
        OpenReport();
        ASSERT_TRUE(WriteToolFile("bad.jpg", bad));
        testing::internal::CaptureStderr();
        EXPECT_FALSE(LoadImageSlot("bad.jpg", 5));
        testing::internal::GetCapturedStderr();
        EXPECT_EQ(ReportBody(), NameLine("bad.jpg", 5) + "Error cargando imagen bad.jpg\n");
        TestHooksReset();
    }
}
