// Windows-1252 to UTF-8, the conversion behind titles and message boxes.
// Shared by every backend.
#include "platform/cp1252.h"

#include <gtest/gtest.h>
#include <string.h>
#include <string>

TEST(LayerText, HighBytesBecomeTheirUnicodeCharacters)
{
    char out[64];
    EXPECT_EQ(Cp1252ToUtf8("\xBF" "A", out, sizeof out), 3);
    EXPECT_STREQ(out, "\xC2\xBF" "A");
    Cp1252ToUtf8("Resoluci\xF3n", out, sizeof out);
    EXPECT_STREQ(out, "Resoluci\xC3\xB3n");
    Cp1252ToUtf8("\x80\x9F\xFF", out, sizeof out);
    EXPECT_STREQ(out, "\xE2\x82\xAC" "\xC5\xB8" "\xC3\xBF");
    // Undefined in Windows-1252: the C1 control of the same value.
    Cp1252ToUtf8("\x81", out, sizeof out);
    EXPECT_STREQ(out, "\xC2\x81");
}

TEST(LayerText, ShortBufferCutsAtACharacterBoundary)
{
    char out[4];
    EXPECT_EQ(Cp1252ToUtf8("ab\x80", out, sizeof out), 2);
    EXPECT_STREQ(out, "ab");
    EXPECT_EQ(Cp1252ToUtf8(nullptr, out, sizeof out), 0);
    EXPECT_STREQ(out, "");
}

// Every size up to the whole text, with 1-, 2- and 3-byte characters
// straddling the end: the text is cut before the first character that does
// not fit, and no byte at or past the size given is touched.
TEST(LayerText, NothingIsWrittenPastTheSizeGiven)
{
    const char whole[] = "a\xC3\xB3\xE2\x82\xAC" "b\xE2\x82\xAC";
    const int fits[] = {0, 0, 0, 1, 1, 3, 3, 3, 6, 7, 7, 7, 10};  // by size + 1
    for (int size = -1; size <= (int)sizeof whole; ++size) {
        char buffer[sizeof whole + 8];
        memset(buffer, '#', sizeof buffer);
        int written = Cp1252ToUtf8("a\xF3\x80" "b\x80", buffer, size);
        EXPECT_EQ(written, fits[size + 1]) << size;
        if (size > 0) {
            EXPECT_EQ(std::string(buffer, written + 1), std::string(whole, written) + '\0') << size;
        }
        for (int i = size > 0 ? size : 0; i < (int)sizeof buffer; ++i)
            ASSERT_EQ(buffer[i], '#') << "size " << size << ", byte " << i;
    }
}
