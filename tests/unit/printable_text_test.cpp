#include "platform/printable_text.h"

#include <gtest/gtest.h>

#include <string>

TEST(PrintableTextTest, C0ControlsAndDelShowAsHexBytes) {
  EXPECT_EQ(PrintableText("a\x1B[2Jb"), "a\\x1B[2Jb");
  EXPECT_EQ(PrintableText("line\r\n"), "line\\x0D\\x0A");
  EXPECT_EQ(PrintableText(std::string("nul\0tab\t", 8)), "nul\\x00tab\\x09");
  EXPECT_EQ(PrintableText("\x01\x1F\x7F"), "\\x01\\x1F\\x7F");
}

TEST(PrintableTextTest, C1ControlsShowAsTheirCodePoints) {
  EXPECT_EQ(PrintableText("\xC2\x80"), "\\u0080");
  EXPECT_EQ(PrintableText("csi\xC2\x9B" "2J"), "csi\\u009B2J");
  EXPECT_EQ(PrintableText("\xC2\x9F"), "\\u009F");
}

TEST(PrintableTextTest, BytesThatStartNoCharacterShowAsHexBytes) {
  EXPECT_EQ(PrintableText("caf\xE9.txt"), "caf\\xE9.txt");            // Latin-1
  EXPECT_EQ(PrintableText("\xC0\xAF"), "\\xC0\\xAF");                 // an overlong "/"
  EXPECT_EQ(PrintableText("\xED\xA0\x80"), "\\xED\\xA0\\x80");        // a surrogate
  EXPECT_EQ(PrintableText("torn \xE6\x97"), "torn \\xE6\\x97");       // a character cut short
}

TEST(PrintableTextTest, OrdinaryTextIsLeftAlone) {
  for (const std::string text : {"plain.txt", "a\\b/c d", "\xC2\xA0\xC3\xBC" "bersicht",  // NBSP, ü
                                 "\xE6\x97\xA5\xE6\x9C\xAC", "\xF0\x9F\x98\x80",          // 日本, 😀
                                 "\xEF\xBF\xBD"})                                        // U+FFFD itself
    EXPECT_EQ(PrintableText(text), text);
}
