// The TGA reader: what it decodes, and which box each damaged file gets.
#include <dirent.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "image/tga_reader.h"
#include "tga_writer.h"
#include "platform/gl.h"
#include "platform/test_hooks.h"
#include "support/work_dir.h"

#if defined(__SANITIZE_ADDRESS__)
#define READER_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define READER_UNDER_ASAN 1
#endif
#endif

namespace {

int OpenDescriptors()
{
    DIR* dir = opendir("/proc/self/fd");
    if (!dir)
        return -1;
    int count = 0;
    while (readdir(dir))
        ++count;
    closedir(dir);
    return count;
}

std::vector<Rgba> SomePixels(int count, uint32_t seed)
{
    TestRandom random = {seed};
    std::vector<Rgba> pixels;
    for (int i = 0; i < count; ++i)
        pixels.push_back({(unsigned char)random.Next(), (unsigned char)random.Next(), (unsigned char)random.Next(),
                          (unsigned char)random.Next()});
    return pixels;
}

std::vector<Rgba> Repeat(const Rgba& p, int count)
{
    return std::vector<Rgba>(size_t(count), p);
}

std::vector<Rgba> Join(std::vector<Rgba> a, const std::vector<Rgba>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class TgaReader : public ::testing::Test {
protected:
    std::string dir;
    TextureRecord record;

    void SetUp() override
    {
        dir = EnterFreshWorkDir();
        TestHooksReset();
        showTgaMessages = true;
        memset(&record, 0, sizeof record);
    }

    void TearDown() override
    {
        free(record.pixels);
        LeaveWorkDir(dir);
    }

    bool Load(const std::string& bytes)
    {
        free(record.pixels);
        record.pixels = nullptr;
        if (!WriteBytes("image.tga", bytes))
            ADD_FAILURE() << "cannot write the fixture";
        return LoadTga(&record, "image.tga");
    }

    std::vector<unsigned char> Pixels() const
    {
        if (!record.pixels)
            return {};
        size_t size = size_t(record.width) * record.height * (record.bitsPerPixel / 8);
        return std::vector<unsigned char>(record.pixels, record.pixels + size);
    }

    // One box, the table's text and caption, OK button only, no icon, no
    // owner; false result, no pixel buffer, no file left open.
    ::testing::AssertionResult RefusedWith(const std::string& bytes, TgaMessage expected)
    {
        TestHooksReset();
        int descriptors = OpenDescriptors();
        if (Load(bytes))
            return ::testing::AssertionFailure() << "loaded";
        if (record.pixels)
            return ::testing::AssertionFailure() << "a pixel buffer is left in the record";
        if (OpenDescriptors() != descriptors)
            return ::testing::AssertionFailure() << "the file was left open";
        if (TestMessageBoxCount() != 1)
            return ::testing::AssertionFailure() << TestMessageBoxCount() << " boxes";
        const TestMessageBox* box = TestMessageBoxAt(0);
        if (std::string(box->text) != tgaMessages[expected].text ||
            std::string(box->caption) != tgaMessages[expected].caption)
            return ::testing::AssertionFailure()
                   << "box \"" << box->caption << ": " << box->text << "\", wanted \"" << tgaMessages[expected].caption
                   << ": " << tgaMessages[expected].text << "\"";
        if (box->flags != MB_OK || box->owner != nullptr)
            return ::testing::AssertionFailure() << "flags " << box->flags;
        if (lastTgaMessage != expected)
            return ::testing::AssertionFailure() << "lastTgaMessage " << lastTgaMessage;
        return ::testing::AssertionSuccess();
    }

    void ExpectLoads(const std::string& bytes, int width, int height, int bits, const std::vector<Rgba>& image)
    {
        TestHooksReset();
        int descriptors = OpenDescriptors();
        ASSERT_TRUE(Load(bytes)) << (TestMessageBoxCount() ? TestMessageBoxAt(0)->text : "");
        EXPECT_EQ(TestMessageBoxCount(), 0);
        EXPECT_EQ(OpenDescriptors(), descriptors);
        EXPECT_EQ(lastTgaMessage, TGA_MESSAGE_NONE);
        EXPECT_EQ(record.width, uint32_t(width));
        EXPECT_EQ(record.height, uint32_t(height));
        EXPECT_EQ(record.bitsPerPixel, uint32_t(bits));
        EXPECT_EQ(record.pixelFormat, bits == 24 ? uint32_t(GL_RGB) : uint32_t(GL_RGBA));
        EXPECT_EQ(Pixels(), DecodedPixels(image, bits));
    }
};

TEST(TgaMessages, TableHoldsEveryBoxTextAndCaption)
{
    struct {
        TgaMessage message;
        const char* text;
        const char* caption;
    } expected[] = {
        {TGA_MESSAGE_OPEN, "No puedo abrir el fichero de textura !", "ERROR"},
        {TGA_MESSAGE_HEADER, "No puedo leer la cabecera del TGA", "ERROR"},
        {TGA_MESSAGE_TYPE, "TGA file be type 2 or type 10 ", "Invalid Image"},
        {TGA_MESSAGE_INFO_HEADER, "Could not read info header", "ERROR"},
        {TGA_MESSAGE_INVALID_INFO, "Invalid texture information", "ERROR"},
        {TGA_MESSAGE_NO_MEMORY, "Could not allocate memory for image", "ERROR"},
        {TGA_MESSAGE_IMAGE_DATA, "Could not read image data", "ERROR"},
        {TGA_MESSAGE_RLE_HEADER, "Could not read RLE header", "ERROR"},
        {TGA_MESSAGE_RUN_PIXEL, "Could not read from file", "ERROR"},
        {TGA_MESSAGE_TOO_MANY_PIXELS, "Too many pixels read", "ERROR"},
    };
    ASSERT_EQ(sizeof expected / sizeof expected[0], size_t(TGA_MESSAGE_COUNT));
    for (const auto& entry : expected) {
        EXPECT_STREQ(tgaMessages[entry.message].text, entry.text);
        EXPECT_STREQ(tgaMessages[entry.message].caption, entry.caption);
    }
}

// ---- refusals, in the order the checks meet them

// A folder cannot be opened as a file on Windows: it is missing everywhere.
TEST_F(TgaReader, MissingFileOrAFolderIsRefusedAsMissing)
{
    ASSERT_EQ(mkdir("folder.tga", 0755), 0);
    for (const char* path : {"nowhere.tga", "folder.tga"}) {
        TestHooksReset();
        record.pixels = reinterpret_cast<unsigned char*>(&record);  // not ours to free
        EXPECT_FALSE(LoadTga(&record, path));
        EXPECT_EQ(record.pixels, nullptr);
        ASSERT_EQ(TestMessageBoxCount(), 1);
        EXPECT_STREQ(TestMessageBoxAt(0)->text, "No puedo abrir el fichero de textura !") << path;
        EXPECT_STREQ(TestMessageBoxAt(0)->caption, "ERROR");
        EXPECT_EQ(TestMessageBoxAt(0)->flags, UINT(MB_OK));
    }
}

TEST_F(TgaReader, FileEndingInsideTheFirstTwelveBytesCannotGiveItsHeader)
{
    for (int type : {2, 10}) {
        std::string file = TgaHeader(type, 1, 1, 24) + "\x01\x02\x03";
        for (size_t length = 0; length < 12; ++length)
            EXPECT_TRUE(RefusedWith(file.substr(0, length), TGA_MESSAGE_HEADER)) << "type " << type << ", " << length;
    }
}

TEST_F(TgaReader, FileEndingInsideTheImageSpecificationCannotGiveIt)
{
    for (int type : {2, 10}) {
        std::string file = TgaHeader(type, 1, 1, 24) + "\x01\x02\x03";
        for (size_t length = 12; length < 18; ++length)
            EXPECT_TRUE(RefusedWith(file.substr(0, length), TGA_MESSAGE_INFO_HEADER)) << "type " << type << ", " << length;
    }
}

TEST_F(TgaReader, AnyOtherValueInTheFirstTwelveBytesIsAnInvalidImage)
{
    const std::string good = TgaHeader(2, 1, 1, 24) + "\x01\x02\x03";
    for (size_t at = 0; at < 12; ++at) {
        if (at == 2)
            continue;
        for (char value : {'\x01', '\xFF'}) {
            std::string file = good;
            file[at] = value;
            EXPECT_TRUE(RefusedWith(file, TGA_MESSAGE_TYPE)) << "byte " << at;
        }
    }
    for (int type : {0, 1, 3, 9, 11, 0x82}) {
        std::string file = good;
        file[2] = char(type);
        EXPECT_TRUE(RefusedWith(file, TGA_MESSAGE_TYPE)) << "type " << type;
    }
    // Refused on the header alone: the image specification was never read.
    EXPECT_EQ(record.width, 0u);
}

TEST_F(TgaReader, ZeroSizeOrUnsupportedDepthIsInvalidInformation)
{
    struct {
        int width, height, bits;
    } cases[] = {{0, 4, 24}, {4, 0, 32}, {0, 0, 24}, {4, 4, 0}, {4, 4, 8}, {4, 4, 15},
                 {4, 4, 16}, {4, 4, 23}, {4, 4, 25}, {4, 4, 31}, {4, 4, 33}, {4, 4, 255}};
    for (int type : {2, 10}) {
        for (const auto& c : cases) {
            record.pixelFormat = 0xBEEF;
            std::string file = TgaHeader(type, c.width, c.height, c.bits) + std::string(64, '\x11');
            EXPECT_TRUE(RefusedWith(file, TGA_MESSAGE_INVALID_INFO)) << c.width << "x" << c.height << "x" << c.bits;
            // The file's values are kept; the pixel format waits for validation.
            EXPECT_EQ(record.width, uint32_t(c.width));
            EXPECT_EQ(record.height, uint32_t(c.height));
            EXPECT_EQ(record.bitsPerPixel, uint32_t(c.bits));
            EXPECT_EQ(record.pixelFormat, 0xBEEFu);
        }
    }
}

TEST_F(TgaReader, SizeBeyondThirtyTwoBitsIsRefusedBeforeAnyPixelIsRead)
{
    // All of these exceed 2^32 - 1 bytes. The file holds a little pixel data,
    // so a reader that went on would report a short read instead.
    struct {
        int width, height, bits;
    } cases[] = {{65535, 65535, 32}, {65535, 65535, 24}, {32768, 32768, 32}, {65535, 21846, 24}};
    for (int type : {2, 10}) {
        for (const auto& c : cases) {
            std::string file = TgaHeader(type, c.width, c.height, c.bits) + std::string(40, '\x05');
            EXPECT_TRUE(RefusedWith(file, TGA_MESSAGE_NO_MEMORY)) << c.width << "x" << c.height << "x" << c.bits;
            EXPECT_EQ(record.width, uint32_t(c.width));
        }
    }
}

TEST_F(TgaReader, AllocatorRefusalIsReportedAsNoMemory)
{
#ifdef READER_UNDER_ASAN
    GTEST_SKIP() << "an address-space limit cannot be set under AddressSanitizer";
#else
    // 16384 x 16384 x 4 = 1 GiB, in a child whose address space is capped
    // well below that, so the allocator really says no.
    for (int type : {2, 10}) {
        ASSERT_TRUE(WriteBytes("huge.tga", TgaHeader(type, 16384, 16384, 32) + std::string(64, '\x05')));
        fflush(nullptr);
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            struct rlimit limit = {512u << 20, 512u << 20};
            setrlimit(RLIMIT_AS, &limit);
            TestHooksReset();
            TextureRecord huge = {};
            bool loaded = LoadTga(&huge, "huge.tga");
            const TestMessageBox* box = TestMessageBoxAt(0);
            bool right = !loaded && huge.pixels == nullptr && TestMessageBoxCount() == 1 &&
                         strcmp(box->text, "Could not allocate memory for image") == 0;
            _exit(right ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "type " << type << ", status " << status;
    }
#endif
}

TEST_F(TgaReader, UncompressedFileShortOfItsPixelDataIsRefused)
{
    std::vector<Rgba> image = SomePixels(3 * 2, 7);
    for (int bits : {24, 32}) {
        std::string file = UncompressedTga(3, 2, bits, image);
        for (size_t length = 18; length < file.size(); ++length)
            EXPECT_TRUE(RefusedWith(file.substr(0, length), TGA_MESSAGE_IMAGE_DATA)) << bits << " bits, " << length;
        // The values read before the failure stay in the record.
        EXPECT_EQ(record.width, 3u);
        EXPECT_EQ(record.height, 2u);
        EXPECT_EQ(record.bitsPerPixel, uint32_t(bits));
    }
}

// ---- uncompressed images

TEST_F(TgaReader, OnePixelComesOutRedGreenBlue)
{
    std::string file = TgaHeader(2, 1, 1, 24) + "\x10\x20\x30";
    ASSERT_TRUE(Load(file));
    EXPECT_EQ(Pixels(), (std::vector<unsigned char>{0x30, 0x20, 0x10}));
    EXPECT_EQ(record.pixelFormat, uint32_t(GL_RGB));
    EXPECT_EQ(record.bitsPerPixel, 24u);
    EXPECT_EQ(tgaImageInfo.bytesPerPixel, 3u);
    EXPECT_EQ(tgaImageInfo.imageSize, 3u);
    EXPECT_EQ(memcmp(tgaFileHeader, uncompressedTgaHeader, 12), 0);
}

TEST_F(TgaReader, AlphaStaysInPlaceAt32Bits)
{
    std::string file = TgaHeader(2, 2, 1, 32) + std::string("\x01\x02\x03\x04" "\xFF\x80\x00\x7F", 8);
    ASSERT_TRUE(Load(file));
    EXPECT_EQ(Pixels(), (std::vector<unsigned char>{3, 2, 1, 4, 0x00, 0x80, 0xFF, 0x7F}));
    EXPECT_EQ(record.pixelFormat, uint32_t(GL_RGBA));
}

TEST_F(TgaReader, BytesAfterTheUncompressedPixelsAreIgnored)
{
    std::vector<Rgba> image = SomePixels(4, 3);
    std::string footer(26, '\0');
    footer.replace(8, 8, "FOOTER..");
    ExpectLoads(UncompressedTga(2, 2, 24, image) + footer, 2, 2, 24, image);
}

TEST_F(TgaReader, RowsStayInFileOrderWhateverTheOriginBits)
{
    std::vector<Rgba> image = SomePixels(3 * 4, 11);
    for (int descriptor : {0x00, 0x20, 0x10, 0x30, 0x28}) {
        ExpectLoads(UncompressedTga(3, 4, 32, image, descriptor), 3, 4, 32, image);
        ExpectLoads(RunLengthTga(3, 4, 24, image, {5, 7}, nullptr, descriptor), 3, 4, 24, image);
    }
}

// ---- run-length images

TEST_F(TgaReader, RawAndRunPacketsOfOneAnd128Pixels)
{
    Rgba red = {200, 10, 20, 255};
    Rgba blue = {5, 6, 250, 9};
    std::vector<Rgba> image = Join(Join(SomePixels(1 + 128, 5), Repeat(red, 1)), Repeat(blue, 128));
    for (int bits : {24, 32}) {
        std::vector<RlePacketLayout> layout;
        // 258 pixels as 129 x 2: the 128-pixel packets both cross the row end.
        std::string file = RunLengthTga(129, 2, bits, image, {1, 128, -1, -128}, &layout);
        ASSERT_EQ(layout.size(), 4u);
        EXPECT_EQ((unsigned char)file[layout[0].offset], 0x00);
        EXPECT_EQ((unsigned char)file[layout[1].offset], 0x7F);
        EXPECT_EQ((unsigned char)file[layout[2].offset], 0x80);
        EXPECT_EQ((unsigned char)file[layout[3].offset], 0xFF);
        ExpectLoads(file, 129, 2, bits, image);
    }
}

TEST_F(TgaReader, OneRunFillsATwoByTwoImage)
{
    std::string file = TgaHeader(10, 2, 2, 24) + "\x83" "\x01\x02\x03";
    ASSERT_TRUE(Load(file));
    EXPECT_EQ(Pixels(), (std::vector<unsigned char>{3, 2, 1, 3, 2, 1, 3, 2, 1, 3, 2, 1}));
    EXPECT_EQ(memcmp(tgaFileHeader, compressedTgaHeader, 12), 0);
}

TEST_F(TgaReader, PacketsRunOnAcrossRowEnds)
{
    Rgba grey = {90, 90, 90, 90};
    // 3 x 3: a run of 4 ends inside row 1, a raw packet of 2 fills row 1 up,
    // a raw packet of 3 covers row 2, and a run of 5 would have crossed two.
    std::vector<Rgba> image = Join(Repeat(grey, 4), SomePixels(5, 21));
    for (int bits : {24, 32}) {
        ExpectLoads(RunLengthTga(3, 3, bits, image, {-4, 2, 3}, nullptr), 3, 3, bits, image);
        std::vector<Rgba> striped = Join(SomePixels(2, 3), Join(Repeat(grey, 5), SomePixels(2, 4)));
        ExpectLoads(RunLengthTga(3, 3, bits, striped, {2, -5, 2}, nullptr), 3, 3, bits, striped);
    }
}

TEST_F(TgaReader, StreamEndingExactlyAtThePixelCountLoadsAndTheRestIsIgnored)
{
    std::vector<Rgba> image = SomePixels(6, 8);
    std::string exact = RunLengthTga(3, 2, 32, image, {4, 2});
    ExpectLoads(exact, 3, 2, 32, image);
    // A further packet after the last pixel is never looked at.
    ExpectLoads(exact + RunPacket(128, image[0], 32) + "junk", 3, 2, 32, image);
}

TEST_F(TgaReader, LastPacketOnePixelBeyondThePixelCountIsTooMany)
{
    Rgba c = {1, 2, 3, 4};
    std::vector<Rgba> image = SomePixels(7, 9);
    for (int bits : {24, 32}) {
        EXPECT_TRUE(RefusedWith(RunLengthTga(3, 2, bits, image, {3, 4}), TGA_MESSAGE_TOO_MANY_PIXELS));
        EXPECT_TRUE(RefusedWith(TgaHeader(10, 3, 2, bits) + RunPacket(3, c, bits) + RunPacket(4, c, bits),
                                TGA_MESSAGE_TOO_MANY_PIXELS));
        EXPECT_TRUE(RefusedWith(TgaHeader(10, 1, 1, bits) + RunPacket(128, c, bits), TGA_MESSAGE_TOO_MANY_PIXELS));
    }
}

TEST_F(TgaReader, OverlongRawPacketInAFileThatEndsAfterTheLastFittingPixelIsShortData)
{
    // A raw packet of 7 for 6 pixels: the seventh pixel is read before the
    // count is checked, and it is not there.
    std::vector<Rgba> image = SomePixels(7, 10);
    for (int bits : {24, 32}) {
        std::string file = RunLengthTga(3, 2, bits, image, {7});
        file.resize(file.size() - size_t(bits / 8));
        EXPECT_TRUE(RefusedWith(file, TGA_MESSAGE_IMAGE_DATA));
        // With one byte of the seventh pixel there, still short.
        EXPECT_TRUE(RefusedWith(file + "\x01", TGA_MESSAGE_IMAGE_DATA));
    }
}

TEST_F(TgaReader, StreamCutAtEveryByteGetsTheMessageOfWhereItEnds)
{
    Rgba white = {255, 255, 255, 255};
    std::vector<Rgba> image = Join(Join(SomePixels(3, 1), Repeat(white, 6)), SomePixels(3, 2));
    for (int bits : {24, 32}) {
        const size_t bytesPerPixel = size_t(bits / 8);
        std::vector<RlePacketLayout> layout;
        std::string file = RunLengthTga(4, 3, bits, image, {3, -2, -4, 1, 2}, &layout);
        ExpectLoads(file, 4, 3, bits, image);
        for (size_t length = 18; length < file.size(); ++length) {
            // The packet in which the cut falls decides the message.
            const RlePacketLayout* packet = &layout[0];
            for (const RlePacketLayout& p : layout)
                if (p.offset <= length)
                    packet = &p;
            TgaMessage expected = packet->offset == length ? TGA_MESSAGE_RLE_HEADER
                                  : packet->run         ? TGA_MESSAGE_RUN_PIXEL
                                                        : TGA_MESSAGE_IMAGE_DATA;
            ASSERT_LE(length, packet->offset + (packet->run ? bytesPerPixel : packet->pixels * bytesPerPixel));
            EXPECT_TRUE(RefusedWith(file.substr(0, length), expected)) << bits << " bits, cut at " << length;
        }
    }
}

TEST_F(TgaReader, RandomImagesSurviveBothEncodings)
{
    TestRandom random = {12345};
    for (int round = 0; round < 24; ++round) {
        int width = 1 + random.Below(70);
        int height = 1 + random.Below(40);
        int bits = round % 2 ? 32 : 24;
        std::vector<Rgba> image = PatchyImage(width, height, random);
        if (bits == 24)
            for (Rgba& p : image)
                p.a = 0;
        ExpectLoads(UncompressedTga(width, height, bits, image), width, height, bits, image);
        ExpectLoads(RunLengthTga(width, height, bits, image, ChoosePackets(image)), width, height, bits, image);
    }
}

// ---- entry points and working state

TEST_F(TgaReader, BodyReaderTakesAFileAtOffsetTwelveAndClosesIt)
{
    std::vector<Rgba> image = SomePixels(5, 13);
    ASSERT_TRUE(WriteBytes("rle.tga", RunLengthTga(5, 1, 24, image, {2, 3})));
    int descriptors = OpenDescriptors();
    FILE* file = fopen("rle.tga", "rb");
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(fseek(file, 12, SEEK_SET), 0);
    ASSERT_TRUE(LoadCompressedTga(&record, file));
    EXPECT_EQ(OpenDescriptors(), descriptors);
    EXPECT_EQ(Pixels(), DecodedPixels(image, 24));
    free(record.pixels);

    ASSERT_TRUE(WriteBytes("short.tga", UncompressedTga(5, 1, 24, image).substr(0, 20)));
    file = fopen("short.tga", "rb");
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(fseek(file, 12, SEEK_SET), 0);
    EXPECT_FALSE(LoadUncompressedTga(&record, file));
    EXPECT_EQ(record.pixels, nullptr);
    EXPECT_EQ(OpenDescriptors(), descriptors);
    EXPECT_EQ(TestMessageBoxCount(), 1);
}

TEST_F(TgaReader, FailureCanBeTakenWithoutABox)
{
    showTgaMessages = false;
    EXPECT_FALSE(Load(TgaHeader(2, 4, 4, 16)));
    EXPECT_EQ(lastTgaMessage, TGA_MESSAGE_INVALID_INFO);
    EXPECT_FALSE(LoadTga(&record, "nowhere.tga"));
    EXPECT_EQ(lastTgaMessage, TGA_MESSAGE_OPEN);
    EXPECT_EQ(TestMessageBoxCount(), 0);
    showTgaMessages = true;
    ASSERT_TRUE(Load(TgaHeader(2, 1, 1, 24) + "abc"));
    EXPECT_EQ(lastTgaMessage, TGA_MESSAGE_NONE);
}

TEST_F(TgaReader, TexIdIsNeverTouched)
{
    record.texId = 4242;
    ASSERT_TRUE(Load(TgaHeader(2, 1, 1, 24) + "abc"));
    EXPECT_EQ(record.texId, 4242u);
    EXPECT_TRUE(RefusedWith(TgaHeader(10, 1, 1, 24), TGA_MESSAGE_RLE_HEADER));
    EXPECT_EQ(record.texId, 4242u);
}

}  // namespace
