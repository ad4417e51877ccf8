// Windows-1252 to UTF-8, the conversion behind titles and message boxes.
// Shared by every backend.
#include "platform/cp1252.h"

#include <gtest/gtest.h>
#include <string.h>

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

// Every size up to one past the whole text, with 1-, 2- and 3-byte
// characters straddling the end: the bytes after outSize stay untouched,
// the text is cut before the first character that does not fit, and a
// size of 0 or less writes nothing at all.
TEST(LayerText, NothingIsWrittenPastTheSizeGiven)
{
    const char* text = "a\xF3\x80" "b\x80";  // a, 2 bytes, 3 bytes, b, 3 bytes
    const char whole[] = "a\xC3\xB3\xE2\x82\xAC" "b\xE2\x82\xAC";
    const int ends[] = {0, 1, 3, 6, 7, 10};  // where each character ends
    for (int size = -1; size <= (int)sizeof whole; ++size) {
        char buffer[sizeof whole + 8];
        memset(buffer, '#', sizeof buffer);
        int written = Cp1252ToUtf8(text, buffer, size);
        int fits = 0;
        for (int end : ends)
            if (end < size)
                fits = end;
        EXPECT_EQ(written, fits) << size;
        if (size > 0) {
            EXPECT_EQ(memcmp(buffer, whole, fits), 0) << size;
            EXPECT_EQ(buffer[fits], '\0') << size;
        }
        for (int i = size > 0 ? size : 0; i < (int)sizeof buffer; ++i)
            ASSERT_EQ(buffer[i], '#') << "size " << size << ", byte " << i;
    }
}
