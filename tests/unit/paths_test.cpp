#include "extract/paths.h"

#include <cstring>
#include <filesystem>

#include "extract/format.h"
#include "tests/unit/test_support.h"

namespace fs = std::filesystem;

class PathsTest : public EngineTest {};

TEST_F(PathsTest, DirectoryPartKeepsADriveRootsBackslash) {
  EXPECT_EQ(DirectoryPart("C:\\A\\B.TXT"), "C:\\A");
  EXPECT_EQ(DirectoryPart("C:\\B.TXT"), "C:\\");
  EXPECT_EQ(DirectoryPart("C:B.TXT"), "C:");
  EXPECT_EQ(DirectoryPart("B.TXT"), "");
  EXPECT_EQ(DirectoryPart("C:\\"), "C:\\");
  EXPECT_EQ(DirectoryPart("DOCS/A.TXT"), "DOCS");
  EXPECT_EQ(DirectoryPart("C:\\OUT\\DOCS/A.TXT"), "C:\\OUT\\DOCS");
}

TEST_F(PathsTest, FileNamePartIsWhatFollowsTheLastSeparator) {
  EXPECT_EQ(FileNamePart("C:\\A\\B.TXT"), "B.TXT");
  EXPECT_EQ(FileNamePart("DOCS/A.TXT"), "A.TXT");
  EXPECT_EQ(FileNamePart("C:B.TXT"), "B.TXT");
  EXPECT_EQ(FileNamePart("DOCS/"), "");
  EXPECT_EQ(FileNamePart("PLAIN.TXT"), "PLAIN.TXT");
  EXPECT_EQ(FileNamePart("\xE6\x97\xA5/\xC3\x9C.txt"), "\xC3\x9C.txt");
}

TEST_F(PathsTest, FileNamePartNeverCutsANameIntoAnother) {
  // "a" x 255 + "b" cut to 255 characters would be the name of the entry "a" x 255.
  std::string longer = std::string(255, 'a') + "b";
  EXPECT_EQ(FileNamePart("D\\" + longer), longer);
  std::string cyrillic;
  for (int i = 0; i < 300; i++) cyrillic += "\xD0\x96";  // Ж, two bytes each
  EXPECT_EQ(FileNamePart("D/" + cyrillic), cyrillic);
}

TEST_F(PathsTest, NameLevelsDropEmptyLevelsAndJoinTheRestByOneSeparator) {
  EXPECT_EQ(NameLevels("a/b\\c.txt", '\\'), "a\\b\\c.txt");
  EXPECT_EQ(NameLevels("a//b\\/\\c.txt", '/'), "a/b/c.txt");
  EXPECT_EQ(NameLevels("docs/", '\\'), "docs");
  EXPECT_EQ(NameLevels("a" + std::string(4100, '/') + "b", '/'), "a/b");
  EXPECT_EQ(NameLevels("plain.txt", '/'), "plain.txt");
  EXPECT_EQ(NameLevels("//", '/'), "");
}

TEST_F(PathsTest, TrailingBackslashIsAddedOrRemovedOnce) {
  char buffer[ExtractPathSize] = "C:\\OUT";
  ASSERT_TRUE(WithTrailingBackslash(buffer, sizeof buffer));
  EXPECT_STREQ(buffer, "C:\\OUT\\");
  ASSERT_TRUE(WithTrailingBackslash(buffer, sizeof buffer));
  EXPECT_STREQ(buffer, "C:\\OUT\\");
  strcpy(buffer, "C:\\OUT\\\\");
  WithoutTrailingBackslash(buffer);
  EXPECT_STREQ(buffer, "C:\\OUT\\");
  WithoutTrailingBackslash(buffer);
  EXPECT_STREQ(buffer, "C:\\OUT");
}

TEST_F(PathsTest, WithTrailingBackslashNeverWritesPastTheBuffer) {
  char buffer[ExtractPathSize + 4];
  memset(buffer, 'p', sizeof buffer);
  buffer[ExtractPathSize - 1] = '\0';  // the text fills the path buffer
  EXPECT_FALSE(WithTrailingBackslash(buffer, ExtractPathSize));
  EXPECT_EQ(strlen(buffer), ExtractPathSize - 1);
  EXPECT_EQ(buffer[ExtractPathSize], 'p');
  buffer[ExtractPathSize - 2] = '\0';  // one less leaves room for one more and the zero
  EXPECT_TRUE(WithTrailingBackslash(buffer, ExtractPathSize));
  EXPECT_EQ(buffer[ExtractPathSize - 2], '\\');
}

TEST_F(PathsTest, PathExistsFindsFilesAndDirectoriesAndConvertsSlashesInPlace) {
  fs::create_directories(NativePath(Scratch("DATA")));
  WriteWholeFile(Scratch("DATA\\X.TXT"), {'x'});

  std::string file = Scratch("DATA/X.TXT");
  EXPECT_TRUE(PathExists(file));
  EXPECT_EQ(file, Scratch("DATA\\X.TXT"));

  std::string directory = Scratch("DATA") + "\\";
  EXPECT_TRUE(PathExists(directory));
  EXPECT_EQ(directory, Scratch("DATA") + "\\");  // the caller's text is left as it was

  std::string missing = Scratch("MISSING") + "\\";
  EXPECT_FALSE(PathExists(missing));
  std::string missingFile = Scratch("DATA/NONE.TXT");
  EXPECT_FALSE(PathExists(missingFile));
}

TEST_F(PathsTest, ForceDirectoriesCreatesTheMissingParentsTopDown) {
  fs::create_directories(NativePath(Scratch("A")));
  ForceDirectories(Scratch("A\\B\\C") + "\\");
  EXPECT_TRUE(fs::is_directory(NativePath(Scratch("A\\B"))));
  EXPECT_TRUE(fs::is_directory(NativePath(Scratch("A\\B\\C"))));
  ForceDirectories(Scratch("N1/N2/N3"));  // slashes separate levels too
  EXPECT_TRUE(fs::is_directory(NativePath(Scratch("N1\\N2\\N3"))));
}

TEST_F(PathsTest, ForceDirectoriesLeavesDrivesAndExistingDirectoriesAlone) {
  ForceDirectories("C:\\");
  ForceDirectories("C:");
  ForceDirectories(Scratch());
  EXPECT_TRUE(fs::is_directory(NativePath(Scratch())));
}

TEST_F(PathsTest, OnlyADrivesRootCountsAsARoot) {
  for (const char* root : {"", "\\", "C:", "C:\\"}) EXPECT_TRUE(IsRoot(root)) << root;
  for (const char* folder : {"a", "ab", ".\\a", "C:a", "C:\\a", "\\a"}) EXPECT_FALSE(IsRoot(folder)) << folder;
}

TEST_F(PathsTest, ForceDirectoriesTakesShortRelativePathsForFoldersNotRoots) {
  CurrentFolder here(Scratch());
  for (const char* folder : {"a", "ab", ".\\c", "d\\e"}) {
    ForceDirectories(folder);
    std::string created = Scratch(folder);
    EXPECT_TRUE(fs::is_directory(NativePath(created))) << folder;
  }
}

#ifndef _WIN32
TEST_F(PathsTest, ForceDirectoriesOnTheDeepestNameNeitherRecursesNorCrashes) {
  // 32,000 levels: made one after the other until the system's path limit, with no stack to
  // run out of on the way. (Wine sets no such limit: it would make all 32,000.)
  CurrentFolder here(Scratch());
  std::string deep;
  for (int i = 0; i < 32000; i++) deep += "a\\";
  ForceDirectories(deep + "x");
  EXPECT_TRUE(fs::is_directory(NativePath(Scratch("a\\a\\a"))));
}
#endif

TEST_F(PathsTest, ForceDirectoriesEndsOnAThreeCharacterDriveRelativePath) {
  // "Q:Z" is its own directory part; the routine must not recurse on it for ever.
  std::string here = Scratch("rel");
  fs::create_directories(NativePath(here));
  fs::path before = fs::current_path();
  fs::current_path(NativePath(here));
  ForceDirectories("Q:Z");
  fs::current_path(before);
  EXPECT_EQ(DirectoryPart("Q:Z"), "Q:Z");  // reached only if the call came back
}
