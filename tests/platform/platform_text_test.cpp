// Windows-1252 to UTF-8, the conversion behind titles and message boxes.
// Shared by every backend.
#include "platform/cp1252.h"

#include <gtest/gtest.h>

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
