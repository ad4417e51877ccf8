// The byte exchange that turns file pixels into GL pixels, on every length
// that the wide and narrow steps split differently, at any alignment.
#include <gtest/gtest.h>

#include <vector>

#include "image/pixel_order.h"
#include "tga_writer.h"

TEST(PixelOrder, RedAndBlueSwapOnEveryLengthAndAlignment)
{
    TestRandom random = {99};
    for (uint32_t bytesPerPixel : {3u, 4u}) {
        for (size_t count = 0; count <= 300; ++count) {
            for (size_t offset = 0; offset < 4; ++offset) {
                size_t size = count * bytesPerPixel;
                // Guard bytes around the pixels must come through untouched.
                std::vector<unsigned char> buffer(offset + size + 8);
                for (unsigned char& byte : buffer)
                    byte = (unsigned char)random.Next();
                std::vector<unsigned char> expected = buffer;
                for (size_t i = offset; i < offset + size; i += bytesPerPixel)
                    std::swap(expected[i], expected[i + 2]);

                SwapRedAndBlue(buffer.data() + offset, size, bytesPerPixel);
                ASSERT_EQ(buffer, expected) << bytesPerPixel << " bytes per pixel, " << count << " pixels, offset "
                                            << offset;
            }
        }
    }
}

TEST(PixelOrder, AMegapixelMatchesThePixelByPixelExchange)
{
    TestRandom random = {7};
    for (uint32_t bytesPerPixel : {3u, 4u}) {
        std::vector<unsigned char> pixels(1024 * 1024 * bytesPerPixel + bytesPerPixel * 5);
        for (unsigned char& byte : pixels)
            byte = (unsigned char)random.Next();
        std::vector<unsigned char> expected = pixels;
        for (size_t i = 0; i < expected.size(); i += bytesPerPixel)
            std::swap(expected[i], expected[i + 2]);
        SwapRedAndBlue(pixels.data(), pixels.size(), bytesPerPixel);
        EXPECT_EQ(pixels, expected);
    }
}
