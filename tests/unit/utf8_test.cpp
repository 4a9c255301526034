#include "platform/utf8.h"

#include <gtest/gtest.h>

TEST(Utf8Test, WellFormedTextIsValid) {
  for (const char* text : {"", "plain.txt", "\xC3\x9C" "bersicht", "\xE6\x97\xA5\xE6\x9C\xAC",
                           "\xF0\x9F\x98\x80", "\xEF\xBF\xBD"})
    EXPECT_TRUE(IsValidUtf8(text)) << text;
}

TEST(Utf8Test, StrayTruncatedOverlongAndSurrogateBytesAreNotValid) {
  for (const char* text : {"caf\xE9", "\x80", "\xC3", "\xE6\x97", "\xC0\xAF", "\xE0\x80\xAF",
                           "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xFF"})
    EXPECT_FALSE(IsValidUtf8(text)) << text;
}

TEST(Utf8Test, AStrayByteIsReplacedAndTheRestKept) {
  EXPECT_EQ(WithReplacementCharacters("caf\xE9!"), "caf\xEF\xBF\xBD!");
  EXPECT_EQ(WithReplacementCharacters("\xC3\x9C"), "\xC3\x9C");
}

TEST(Utf8Test, CharactersAreCountedAsWindowsCountsThem) {
  EXPECT_EQ(Utf16Length("abc"), 3u);
  EXPECT_EQ(Utf16Length("\xD0\x97\xD0\xB0"), 2u);      // За
  EXPECT_EQ(Utf16Length("\xF0\x9F\x98\x80"), 2u);      // one emoji, a surrogate pair
}

TEST(Utf8Test, FirstCharactersNeverSplitsACharacter) {
  EXPECT_EQ(FirstCharacters("\xC3\x9C" "ber", 2), "\xC3\x9C" "b");
  EXPECT_EQ(FirstCharacters("a\xF0\x9F\x98\x80", 2), "a");  // the pair does not fit in one unit
  EXPECT_EQ(FirstCharacters("a\xF0\x9F\x98\x80", 3), "a\xF0\x9F\x98\x80");
  EXPECT_EQ(FirstCharacters("short", 80), "short");
}

TEST(Utf8Test, FoldCaseLowersLatinGreekCyrillicAndFullwidthLetters) {
  EXPECT_EQ(FoldCase("README.TXT"), "readme.txt");
  EXPECT_EQ(FoldCase("\xC3\x9C" "BERSICHT"), "\xC3\xBC" "bersicht");           // Ü
  EXPECT_EQ(FoldCase("\xC5\x81\xC3\x93" "D\xC5\xB9"), "\xC5\x82\xC3\xB3" "d\xC5\xBA");  // ŁÓDŹ
  EXPECT_EQ(FoldCase("\xCE\x91\xCE\xA9\xCE\x86"), "\xCE\xB1\xCF\x89\xCE\xAC");  // ΑΩΆ
  EXPECT_EQ(FoldCase("\xD0\x97\xD0\x81"), "\xD0\xB7\xD1\x91");                  // ЗЁ
  EXPECT_EQ(FoldCase("\xEF\xBC\xA3"), "\xEF\xBD\x83");                          // Ｃ
  EXPECT_EQ(FoldCase("\xC5\xB8"), "\xC3\xBF");                                  // Ÿ
}

TEST(Utf8Test, FoldCaseLeavesWhatItDoesNotFoldAlone) {
  for (const char* text : {"\xC3\x9F", "\xC3\x97", "\xE6\x97\xA5", "\xC4\xB0", "1-2_3"})
    EXPECT_EQ(FoldCase(text), text);  // ß, ×, 日, İ, digits and signs
}
