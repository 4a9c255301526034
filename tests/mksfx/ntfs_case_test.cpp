// Letter case as NTFS folds it: the simple uppercase mapping of the BMP, nothing more.
#include "tools/mksfx/ntfs_case.h"

#include <gtest/gtest.h>

TEST(NtfsCaseTest, LettersUpcaseAndEverythingElseStays) {
  EXPECT_EQ(NtfsUpcaseCharacter('a'), U'A');
  EXPECT_EQ(NtfsUpcaseCharacter('z'), U'Z');
  for (char32_t c : {U'A', U'0', U'.', U'/', U'\\', U'_', U'~'}) EXPECT_EQ(NtfsUpcaseCharacter(c), c);
}

TEST(NtfsCaseTest, PairsBeyondLatinUpcaseToTheirCapital) {
  EXPECT_EQ(NtfsUpcaseCharacter(U'\u0491'), U'\u0490');  // ґ Ґ
  EXPECT_EQ(NtfsUpcaseCharacter(U'\u03C3'), U'\u03A3');  // σ Σ
  EXPECT_EQ(NtfsUpcaseCharacter(U'\u03C2'), U'\u03A3');  // final ς Σ
  EXPECT_EQ(NtfsUpcaseCharacter(U'\u0452'), U'\u0402');  // ђ Ђ
  EXPECT_EQ(NtfsUpcaseCharacter(U'\u10D0'), U'\u1C90');  // Georgian ა Ა
  EXPECT_EQ(NtfsUpcaseCharacter(U'\uFF41'), U'\uFF21');  // fullwidth ａ Ａ
}

TEST(NtfsCaseTest, CapitalsFarFromTheirSmallLettersAreFound) {
  EXPECT_EQ(NtfsUpcaseCharacter(U'\u00B5'), U'\u039C');  // micro sign µ to Μ
  EXPECT_EQ(NtfsUpcaseCharacter(U'\u00FF'), U'\u0178');  // ÿ Ÿ
  EXPECT_EQ(NtfsUpcaseCharacter(U'\u0131'), U'I');       // dotless ı
  EXPECT_EQ(NtfsUpcaseCharacter(U'\u017F'), U'S');       // long ſ
  EXPECT_EQ(NtfsUpcaseCharacter(U'\u0250'), U'\u2C6F');  // ɐ Ɐ
  EXPECT_EQ(NtfsUpcaseCharacter(U'\uAB70'), U'\u13A0');  // Cherokee ꭰ Ꭰ
}

TEST(NtfsCaseTest, RunsOfPairsUpcaseWhicheverCodePointTheCapitalTakes) {
  EXPECT_EQ(NtfsUpcaseCharacter(U'\u0101'), U'\u0100');  // ā Ā: capital on the even one
  EXPECT_EQ(NtfsUpcaseCharacter(U'\u0100'), U'\u0100');
  EXPECT_EQ(NtfsUpcaseCharacter(U'\u013A'), U'\u0139');  // ĺ Ĺ: capital on the odd one
  EXPECT_EQ(NtfsUpcaseCharacter(U'\u0139'), U'\u0139');
  EXPECT_EQ(NtfsUpcaseCharacter(U'\u0148'), U'\u0147');  // ň Ň, the run's last pair
}

// The simple mapping, not the full one: ß has no single upper case, so it stays; the Greek
// letters with an iota below have one, their titlecase letter.
TEST(NtfsCaseTest, OnlyOneToOneMappingsApply) {
  for (char32_t c : {U'\u00DF', U'\u0149', U'\uFB00', U'\u0390'})  // ß ŉ ﬀ ΐ
    EXPECT_EQ(NtfsUpcaseCharacter(c), c);
  EXPECT_EQ(NtfsUpcaseCharacter(U'\u1F80'), U'\u1F88');  // ᾀ ᾈ
  EXPECT_EQ(NtfsUpcaseCharacter(U'\u1FB3'), U'\u1FBC');  // ᾳ ᾼ
  EXPECT_EQ(NtfsUpcaseCharacter(U'\u1F88'), U'\u1F88');
  EXPECT_EQ(NtfsUpcaseCharacter(U'\u01C6'), U'\u01C4');  // ǆ Ǆ
  EXPECT_EQ(NtfsUpcaseCharacter(U'\u01C5'), U'\u01C4');  // titlecase ǅ Ǆ
}

// Capitals map to nothing: ẞ and ß, İ and i, the Kelvin sign and k stay apart.
TEST(NtfsCaseTest, CapitalsStayAsTheyAre) {
  for (char32_t c : {U'\u1E9E', U'\u0130', U'\u212A', U'\u03A3'}) EXPECT_EQ(NtfsUpcaseCharacter(c), c);
}

TEST(NtfsCaseTest, AnUpcasedCharacterUpcasesToItself) {
  for (char32_t c = 0; c < 0x10000; c++) {
    char32_t upper = NtfsUpcaseCharacter(c);
    EXPECT_EQ(NtfsUpcaseCharacter(upper), upper) << std::hex << c;
  }
}

TEST(NtfsCaseTest, CharactersBeyondTheBmpStay) {
  EXPECT_EQ(NtfsUpcaseCharacter(U'\U00010428'), U'\U00010428');  // Deseret 𐐨, upper 𐐀 in full Unicode
  EXPECT_EQ(NtfsUpcaseCharacter(U'\U0001E922'), U'\U0001E922');  // Adlam
}

TEST(NtfsCaseTest, TextIsUpcasedCharacterByCharacter) {
  EXPECT_EQ(NtfsUpcase("readme.txt"), "README.TXT");
  EXPECT_EQ(NtfsUpcase("\xD2\x91/\xCF\x82\xCF\x83.txt"), "\xD2\x90/\xCE\xA3\xCE\xA3.TXT");  // ґ/ςσ
  EXPECT_EQ(NtfsUpcase("Stra\xC3\x9F" "e"), "STRA\xC3\x9F" "E");                            // ß stays
  EXPECT_EQ(NtfsUpcase("\xF0\x90\x90\xA8"), "\xF0\x90\x90\xA8");                             // 𐐨
}

TEST(NtfsCaseTest, BytesThatStartNoCharacterAreKept) {
  EXPECT_EQ(NtfsUpcase("caf\xE9"), "CAF\xE9");
  EXPECT_NE(NtfsUpcase("x\xE9"), NtfsUpcase("x\xE8"));
}
