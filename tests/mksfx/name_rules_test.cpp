// Which names mksfx refuses because the stub would write them to one path on Windows.
#include "tools/mksfx/name_rules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::string>;

NamedEntry File(const std::string& name) { return {name, false}; }
NamedEntry Folder(const std::string& name) { return {name, true}; }

Strings Problems(const std::vector<NamedEntry>& entries, bool allowCaseDuplicates = false) {
  return NameProblems(entries, allowCaseDuplicates);
}

std::string SamePath(const std::string& second, const std::string& first) {
  return "\"" + second + "\" and \"" + first +
         "\" are one path on Windows, where \"\\\" separates folders as \"/\" does and empty levels add "
         "nothing; one would overwrite the other";
}

std::string CaseOnly(const std::string& second, const std::string& first) {
  return "\"" + second + "\" and \"" + first +
         "\" differ only in letter case and would overwrite each other on Windows (--allow-case-duplicates "
         "keeps both)";
}

std::string FileInTheWay(const std::string& file, const std::string& needsFolder) {
  return "\"" + file + "\" is a file, and \"" + needsFolder +
         "\" needs a folder at the same path on Windows; the stub cannot make both";
}

}  // namespace

TEST(NameRulesTest, DistinctPathsAreTaken) {
  EXPECT_EQ(Problems({Folder("a/"), File("a/b.txt"), File("a/c.txt"), File("ab"), Folder("a/d/"), File("a/d/e")}),
            Strings{});
}

TEST(NameRulesTest, TheSameNameTwiceIsRefused) {
  EXPECT_EQ(Problems({File("x.txt"), File("x.txt")}),
            Strings{"\"x.txt\": a second entry with the same path as \"x.txt\""});
}

TEST(NameRulesTest, NamesThatDifferInTheirSeparatorsAreOnePath) {
  EXPECT_EQ(Problems({File("a/b.txt"), File("a\\b.txt"), File("a//b.txt"), File("a/\\b.txt")}),
            (Strings{SamePath("a\\b.txt", "a/b.txt"), SamePath("a//b.txt", "a/b.txt"),
                     SamePath("a/\\b.txt", "a/b.txt")}));
}

TEST(NameRulesTest, SeparatorCollisionsAreRefusedEvenWhenCaseDuplicatesAreAllowed) {
  EXPECT_EQ(Problems({File("a/b.txt"), File("a\\b.txt")}, true), Strings{SamePath("a\\b.txt", "a/b.txt")});
  // Different in case and in separators: not a case duplicate either.
  EXPECT_EQ(Problems({File("a/b.txt"), File("A\\b.txt")}, true), Strings{SamePath("A\\b.txt", "a/b.txt")});
}

TEST(NameRulesTest, NamesThatNtfsFoldsAlikeAreCaseDuplicates) {
  EXPECT_EQ(Problems({File("Readme.txt"), File("README.TXT")}), Strings{CaseOnly("README.TXT", "Readme.txt")});
  EXPECT_EQ(Problems({File("\xD2\x90.txt"), File("\xD2\x91.txt")}),  // Ґ ґ
            Strings{CaseOnly("\xD2\x91.txt", "\xD2\x90.txt")});
  EXPECT_EQ(Problems({File("\xCF\x82.txt"), File("\xCF\x83.txt")}),  // ς σ
            Strings{CaseOnly("\xCF\x83.txt", "\xCF\x82.txt")});
  EXPECT_EQ(Problems({File("d/x"), File("D/x")}), Strings{CaseOnly("D/x", "d/x")});
}

TEST(NameRulesTest, CaseDuplicatesAreTakenWhenAllowed) {
  EXPECT_EQ(Problems({File("Readme.txt"), File("README.TXT"), File("readme.txt")}, true), Strings{});
}

TEST(NameRulesTest, AnExactDuplicateIsRefusedEvenAmongAllowedCaseDuplicates) {
  EXPECT_EQ(Problems({File("A.txt"), File("a.txt"), File("a.txt")}, true),
            Strings{"\"a.txt\": a second entry with the same path as \"a.txt\""});
}

TEST(NameRulesTest, NamesThatNtfsKeepsApartAreTaken) {
  EXPECT_EQ(Problems({File("\xC3\x9F.txt"), File("\xE1\xBA\x9E.txt")}), Strings{});       // ß ẞ
  EXPECT_EQ(Problems({File("k.txt"), File("\xE2\x84\xAA.txt")}), Strings{});              // k, Kelvin sign
  EXPECT_EQ(Problems({File("\xF0\x90\x90\x80"), File("\xF0\x90\x90\xA8")}), Strings{});  // Deseret 𐐀 𐐨
}

TEST(NameRulesTest, FoldersAtOnePathMerge) {
  EXPECT_EQ(Problems({Folder("d/"), Folder("D/"), Folder("d//"), Folder("d\\"), Folder("d/"), File("d/x")}), Strings{});
}

TEST(NameRulesTest, AFileWhereAFolderEntryStandsIsRefused) {
  EXPECT_EQ(Problems({File("a"), Folder("a/")}), Strings{FileInTheWay("a", "a/")});
  EXPECT_EQ(Problems({Folder("a/"), File("A")}, true), Strings{FileInTheWay("A", "a/")});
}

TEST(NameRulesTest, AFileWhereAnotherEntryNeedsItsFolderIsRefused) {
  EXPECT_EQ(Problems({File("a"), File("a/b.txt")}), Strings{FileInTheWay("a", "a/b.txt")});
  EXPECT_EQ(Problems({File("a/b/c.txt"), File("A\\B")}, true), Strings{FileInTheWay("A\\B", "a/b/c.txt")});
  EXPECT_EQ(Problems({File("x/y"), File("x/y/z/w")}), Strings{FileInTheWay("x/y", "x/y/z/w")});
}
