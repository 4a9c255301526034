#include "extract/scan.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "extract/sfx_state.h"
#ifndef _WIN32
#include "platform/posix/write_budget.h"
#endif
#include "tests/unit/fake_view.h"
#include "tests/unit/test_support.h"

namespace fs = std::filesystem;

class ScanTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    SetExtractPath(Scratch("out"));
  }
  void SetExtractPath(const std::string& path) {
    ASSERT_LT(path.size(), sizeof sfx.extractPath);
    strcpy(sfx.extractPath, path.c_str());
  }
  // Opens the archive and lists it with every item selected, as the dialog starts.
  void OpenAndList(const Bytes& zip) {
    OpenArchive(zip);
    ScanArchive(view_, ListMode);
    view_.SelectAll(true);
  }
  std::string Out(const std::string& relative) { return Scratch("out\\" + relative); }
  bool Exists(const std::string& path) { return fs::exists(NativePath(path)); }
  // The extracted file holds exactly the entry's bytes, by its size and CRC-32.
  void ExpectExtracted(const Bytes& zip, const std::string& entry, const std::string& path) {
    for (const CentralEntry& e : CentralEntries(zip)) {
      if (e.name != entry) continue;
      Bytes written = ReadWholeFile(path);
      EXPECT_EQ(written.size(), e.size) << path;
      EXPECT_EQ(ZlibCrc(written), e.crc) << path;
      return;
    }
    ADD_FAILURE() << "no entry " << entry;
  }
  // Files below the extract folder whose names the temporary files have.
  std::vector<std::string> TemporaryFiles() const {
    std::vector<std::string> found;
    fs::path out = NativePath(Scratch("out"));
    if (!fs::exists(out)) return found;
    for (const auto& entry : fs::recursive_directory_iterator(out))
      if (entry.path().filename().string().rfind("~kvx", 0) == 0) found.push_back(entry.path().string());
    return found;
  }
  std::vector<std::string> Captions() const {
    std::vector<std::string> captions;
    for (const auto& m : view_.messages) captions.push_back(m.caption);
    return captions;
  }

  FakeView view_;
};

using Strings = std::vector<std::string>;
using Failures = std::vector<EntryFailure>;


TEST_F(ScanTest, ListingShowsEveryEntryInTheListsSortedOrder) {
  OpenAndList(ReadFixture("infozip_dirs.zip"));
  EXPECT_EQ(view_.Texts(), (Strings{"docs/", "docs/deep/", "docs/deep/notes.txt", "docs/guide.txt",
                                    "photo.bin", "readme.txt", "tiny.txt"}));
  EXPECT_TRUE(view_.messages.empty());
  EXPECT_TRUE(view_.checked);
  EXPECT_TRUE(view_.enabled);
}

TEST_F(ScanTest, WithoutStoredPathsTheListShowsFileNamesAndNoDirectoryEntries) {
  view_.checked = false;
  OpenAndList(ReadFixture("infozip_dirs.zip"));
  EXPECT_EQ(view_.Texts(), (Strings{"guide.txt", "notes.txt", "photo.bin", "readme.txt", "tiny.txt"}));
  EXPECT_TRUE(view_.enabled);  // the names do have directories
}

TEST_F(ScanTest, AnArchiveWithoutDirectoriesUnchecksAndDisablesTheCheckBox) {
  OpenAndList(ReadFixture("four_plain.zip"));
  EXPECT_EQ(view_.Count(), 4);
  EXPECT_FALSE(view_.checked);
  EXPECT_FALSE(view_.enabled);
}

TEST_F(ScanTest, TheBareProgramListsNothingAndSaysSo) {
  OpenAndList({});
  EXPECT_EQ(view_.Count(), 0);
  ASSERT_EQ(view_.messages.size(), 1u);
  EXPECT_EQ(view_.messages[0].text, "Can't read archive header");
  EXPECT_EQ(view_.messages[0].caption, "Error...");
  EXPECT_FALSE(view_.checked);
  EXPECT_FALSE(view_.enabled);
}

TEST_F(ScanTest, AnEmptyNameStopsTheScanWithItsMessageButNotTheClosingOne) {
  Bytes zip = ReadFixture("walk13.zip");
  Put16(zip, LocalHeaderOffsets(zip)[2] + 26, 0);
  OpenAndList(zip);
  EXPECT_EQ(view_.Count(), 2);
  EXPECT_EQ(Captions(), (Strings{"Archive error.."}));
  EXPECT_EQ(view_.messages[0].text, "Error retreiving filename.");
}

TEST_F(ScanTest, ExtractionWithStoredPathsWritesEveryFileAndDeselectsIt) {
  Bytes zip = ReadFixture("infozip_dirs.zip");
  OpenAndList(zip);
  ScanArchive(view_, ExtractMode);
  EXPECT_TRUE(view_.SelectedTexts().empty());
  EXPECT_EQ(Captions(), (Strings{"Extraction Successful"}));
  EXPECT_EQ(view_.messages[0].text, "Extraction was successful");
  EXPECT_EQ(view_.status, "Extraction successful");
  for (const char* entry : {"readme.txt", "docs/guide.txt", "docs/deep/notes.txt", "tiny.txt", "photo.bin"})
    ExpectExtracted(zip, entry, Out(entry));
  EXPECT_TRUE(fs::is_directory(NativePath(Out("docs\\deep"))));
}

TEST_F(ScanTest, ExtractionWithoutStoredPathsWritesFlatNames) {
  Bytes zip = ReadFixture("infozip_dirs.zip");
  view_.checked = false;
  OpenAndList(zip);
  ScanArchive(view_, ExtractMode);
  EXPECT_TRUE(view_.SelectedTexts().empty());
  ExpectExtracted(zip, "docs/deep/notes.txt", Out("notes.txt"));
  ExpectExtracted(zip, "docs/guide.txt", Out("guide.txt"));
  EXPECT_FALSE(Exists(Out("docs")));
}

TEST_F(ScanTest, ExtractionIntoAPathWithATrailingBackslashUsesItOnce) {
  SetExtractPath(Scratch("out") + "\\");
  Bytes zip = ReadFixture("four_plain.zip");
  OpenAndList(zip);
  ScanArchive(view_, ExtractMode);
  ExpectExtracted(zip, "two.txt", Out("two.txt"));
  EXPECT_EQ(std::string(sfx.extractPath), Scratch("out"));
}

TEST_F(ScanTest, SameFileNameInTwoFoldersFindsEachItemInTurn) {
  Bytes zip = ReadFixture("same_names.zip");
  view_.checked = false;
  OpenAndList(zip);
  EXPECT_EQ(view_.Texts(), (Strings{"README.TXT", "readme.txt", "x.txt", "x.txt"}));
  sfx.policy = PolicyOverwrite;
  ScanArchive(view_, ExtractMode);
  EXPECT_TRUE(view_.SelectedTexts().empty());  // both x.txt items were found, one each
  ExpectExtracted(zip, "b/x.txt", Out("x.txt"));  // the second overwrote the first
}

TEST_F(ScanTest, NamesThatDifferOnlyInCaseMatchTheFirstItemAfterTheLastFound) {
  Bytes zip = ReadFixture("same_names.zip");  // a/x.txt, b/x.txt, README.TXT, readme.txt
  OpenAndList(zip);
  ASSERT_EQ(view_.Texts(), (Strings{"a/x.txt", "b/x.txt", "README.TXT", "readme.txt"}));
  view_.SelectAll(false);
  view_.SetSelected(3, true);  // only the lower-case item is chosen
  ScanArchive(view_, ExtractMode);
  // README.TXT finds the unselected upper-case item and is stepped over; the search for
  // readme.txt starts behind it and finds the selected one.
  EXPECT_TRUE(view_.SelectedTexts().empty());
  ExpectExtracted(zip, "readme.txt", Out("readme.txt"));
  EXPECT_EQ(sfx.listIndex, 3);
}

TEST_F(ScanTest, ExtractWithNothingSelectedWritesNothingAndSaysNothing) {
  OpenAndList(ReadFixture("four_plain.zip"));
  view_.SelectAll(false);
  view_.status = "before";
  ScanArchive(view_, ExtractMode);
  EXPECT_TRUE(view_.messages.empty());
  EXPECT_EQ(view_.status, "before");
  EXPECT_FALSE(Exists(Out("")));
}

TEST_F(ScanTest, SkipPolicyLeavesExistingFilesAndCountsThemAsDone) {
  Bytes zip = ReadFixture("four_plain.zip");
  fs::create_directories(NativePath(Out("")));
  WriteWholeFile(Out("two.txt"), {'m', 'i', 'n', 'e'});
  sfx.policy = PolicySkip;
  OpenAndList(zip);
  ScanArchive(view_, ExtractMode);
  EXPECT_EQ(ReadWholeFile(Out("two.txt")), (Bytes{'m', 'i', 'n', 'e'}));
  ExpectExtracted(zip, "one.txt", Out("one.txt"));
  EXPECT_TRUE(view_.SelectedTexts().empty());
  EXPECT_EQ(Captions(), (Strings{"Extraction Successful"}));
}

TEST_F(ScanTest, ConfirmPolicyAsksWithTheFileNameAndNoLeavesTheFile) {
  fs::create_directories(NativePath(Out("")));
  WriteWholeFile(Out("two.txt"), {'m'});
  WriteWholeFile(Out("three.txt"), {'m'});
  view_.overwriteAnswers = {{false, false}, {true, false}};
  OpenAndList(ReadFixture("four_plain.zip"));
  ScanArchive(view_, ExtractMode);
  EXPECT_EQ(view_.events, (Strings{"overwrite two.txt", "overwrite three.txt", "Extraction Successful"}));
  EXPECT_EQ(ReadWholeFile(Out("two.txt")), Bytes{'m'});
  EXPECT_EQ(ReadWholeFile(Out("three.txt")).size(), 2000u);
  EXPECT_EQ(sfx.policy, PolicyConfirm);
}

TEST_F(ScanTest, DontAskAgainWithYesOverwritesTheRestWithoutAsking) {
  fs::create_directories(NativePath(Out("")));
  for (const char* name : {"one.txt", "two.txt", "four.txt"}) WriteWholeFile(Out(name), {'m'});
  view_.overwriteAnswers = {{true, true}};
  OpenAndList(ReadFixture("four_plain.zip"));
  ScanArchive(view_, ExtractMode);
  EXPECT_EQ(view_.events, (Strings{"overwrite one.txt", "Extraction Successful"}));
  EXPECT_EQ(sfx.policy, PolicyOverwrite);
  EXPECT_EQ(ReadWholeFile(Out("four.txt")).size(), 2000u);
}

TEST_F(ScanTest, AFileThatCannotBeReplacedFailsAloneByNameAndTheRunGoesOn) {
  Bytes zip = ReadFixture("four_plain.zip");
  fs::create_directories(NativePath(Out("two.txt")));  // a directory stands in the way
  sfx.policy = PolicyOverwrite;
  OpenAndList(zip);
  ScanArchive(view_, ExtractMode);
  EXPECT_EQ(Captions(), (Strings{"Couldn't replace...", "Failure"}));
  EXPECT_EQ(view_.messages[0].text.rfind(Out("two.txt") + ": ", 0), 0u) << view_.messages[0].text;
  EXPECT_EQ(view_.messages[1].text, "The hi-lighted file(s) failed CRC validation");
  EXPECT_EQ(view_.status, "The hi-ligted file(s) failed CRC validation");
  EXPECT_EQ(view_.SelectedTexts(), Strings{"two.txt"});
  EXPECT_TRUE(fs::is_directory(NativePath(Out("two.txt"))));
  ExpectExtracted(zip, "four.txt", Out("four.txt"));
  EXPECT_EQ(TemporaryFiles(), Strings{});
}

TEST_F(ScanTest, ACrcMismatchWritesNothingUnderTheNameAndLeavesTheItemSelected) {
  Bytes zip = ReadFixture("four_plain.zip");
  Put32(zip, LocalHeaderOffsets(zip)[1] + 14, 0x12345678);
  OpenAndList(zip);
  ScanArchive(view_, ExtractMode);
  EXPECT_EQ(view_.SelectedTexts(), Strings{"two.txt"});
  EXPECT_FALSE(Exists(Out("two.txt")));
  EXPECT_EQ(Captions(), (Strings{"Failure"}));
  EXPECT_EQ(view_.failures, Failures{EntryFailure::CrcMismatch});
  EXPECT_EQ(TemporaryFiles(), Strings{});
}

TEST_F(ScanTest, AFailedEntryLeavesTheFileThatWasThereByteForByte) {
  Bytes zip = ReadFixture("four_plain.zip");
  Put32(zip, LocalHeaderOffsets(zip)[1] + 14, 0x12345678);
  fs::create_directories(NativePath(Out("")));
  Bytes good = {'g', 'o', 'o', 'd'};
  WriteWholeFile(Out("two.txt"), good);
  sfx.policy = PolicyOverwrite;
  OpenAndList(zip);
  ScanArchive(view_, ExtractMode);
  EXPECT_EQ(view_.SelectedTexts(), Strings{"two.txt"});
  EXPECT_EQ(ReadWholeFile(Out("two.txt")), good);
  EXPECT_EQ(TemporaryFiles(), Strings{});
}

TEST_F(ScanTest, AVerifiedEntryReplacesTheFileThatWasThere) {
  Bytes zip = ReadFixture("four_plain.zip");
  fs::create_directories(NativePath(Out("")));
  WriteWholeFile(Out("two.txt"), {'o', 'l', 'd'});
  sfx.policy = PolicyOverwrite;
  OpenAndList(zip);
  ScanArchive(view_, ExtractMode);
  EXPECT_EQ(view_.SelectedTexts(), Strings{});
  ExpectExtracted(zip, "two.txt", Out("two.txt"));
  EXPECT_EQ(TemporaryFiles(), Strings{});
}

TEST_F(ScanTest, ATruncatedArchiveFailsItsLastEntryAndSaysWhereItIsDamaged) {
  Bytes zip = ReadFixture("four_plain.zip");
  size_t cutAt = LocalHeaderOffsets(zip)[3] + 60;
  zip.resize(cutAt);
  OpenAndList(zip);
  ScanArchive(view_, ExtractMode);
  EXPECT_EQ(view_.SelectedTexts(), Strings{"four.txt"});
  EXPECT_EQ(Captions(), (Strings{"Archive error..", "Archive error..", "Failure"}));
  // Where the file ends, not where the entry would have.
  EXPECT_EQ(view_.messages[1].text, "The archive is damaged at offset " + std::to_string(ArchiveBase + cutAt) +
                                        ": the entries behind it cannot be reached.");
  EXPECT_EQ(view_.failures, Failures{EntryFailure::DataCutShort});
  EXPECT_FALSE(Exists(Out("four.txt")));
}

#ifndef _WIN32
TEST_F(ScanTest, ADiskThatFillsUpFailsTheEntriesItCutsShortAndSaysSo) {
  Bytes zip = ReadFixture("four_plain.zip");
  OpenAndList(zip);
  platform::SetWriteBudget(3000);  // room for one.txt and a third of two.txt
  ScanArchive(view_, ExtractMode);
  platform::SetWriteBudget(-1);
  EXPECT_EQ(view_.SelectedTexts(), (Strings{"four.txt", "three.txt", "two.txt"}));
  EXPECT_EQ(Captions(), (Strings{"Error writing...", "Error writing...", "Error writing...", "Failure"}));
  EXPECT_EQ(view_.messages[0].text, Out("two.txt") + ": No space left on device");
  EXPECT_FALSE(Exists(Out("two.txt")));
  EXPECT_EQ(TemporaryFiles(), Strings{});
}
#endif

TEST_F(ScanTest, AnUnsupportedMethodAfterTwoGoodEntriesEndsTheRunSilently) {
  Bytes zip = ReadFixture("four_plain.zip");  // one, two, three, four
  Put16(zip, LocalHeaderOffsets(zip)[2] + 8, 12);
  fs::create_directories(NativePath(Out("")));
  WriteWholeFile(Out("three.txt"), {'k', 'e', 'e', 'p'});
  sfx.policy = PolicyOverwrite;
  OpenAndList(zip);
  ScanArchive(view_, ExtractMode);
  EXPECT_EQ(Captions(), (Strings{"Unable to extract..."}));
  EXPECT_EQ(view_.messages[0].text, "Unsupported compression method");
  EXPECT_EQ(view_.SelectedTexts(), (Strings{"four.txt", "three.txt"}));
  EXPECT_TRUE(Exists(Out("one.txt")));
  EXPECT_FALSE(Exists(Out("four.txt")));
  EXPECT_EQ(ReadWholeFile(Out("three.txt")), (Bytes{'k', 'e', 'e', 'p'}));  // never truncated
}

TEST_F(ScanTest, OnePasswordServesEveryEntryOfAnInfoZipArchive) {
  Bytes zip = ReadFixture("infozip_encrypted.zip");
  view_.passwords = {"secret"};
  OpenAndList(zip);
  ScanArchive(view_, ExtractMode);
  EXPECT_EQ(view_.events, (Strings{"password", "Extraction Successful"}));
  ExpectExtracted(zip, "docs/guide.txt", Out("docs\\guide.txt"));
  ExpectExtracted(zip, "photo.bin", Out("photo.bin"));
  // A later run starts with the remembered password and asks nothing.
  view_.SelectAll(true);
  ScanArchive(view_, ExtractMode);
  EXPECT_EQ(std::count(view_.events.begin(), view_.events.end(), "password"), 1);
}

TEST_F(ScanTest, TheRightPasswordAtTheThirdTryExtracts) {
  Bytes zip = ReadFixture("infozip_encrypted.zip");
  view_.passwords = {"", "wrong", "secret"};
  OpenAndList(zip);
  ScanArchive(view_, ExtractMode);
  EXPECT_TRUE(view_.SelectedTexts().empty());
  ExpectExtracted(zip, "readme.txt", Out("readme.txt"));
}

TEST_F(ScanTest, ThreeWrongPasswordsAtTheThirdEntryEndTheRunSilently) {
  Bytes zip = ReadFixture("mixed_encryption.zip");  // readme, tiny, then two encrypted
  view_.passwords = {"one", "two", "three"};
  OpenAndList(zip);
  view_.status = "";
  ScanArchive(view_, ExtractMode);
  EXPECT_EQ(view_.events, (Strings{"password", "password", "password"}));
  EXPECT_EQ(view_.SelectedTexts(), (Strings{"docs/deep/notes.txt", "docs/guide.txt"}));
  EXPECT_EQ(view_.status, "Extracting: " + Out("tiny.txt"));
  EXPECT_FALSE(Exists(Out("docs\\guide.txt")));
  EXPECT_EQ(sfx.password, "three");  // the last text typed is remembered
}

TEST_F(ScanTest, AnEncryptedEntryAsksForThePasswordBeforeTheOverwriteQuestion) {
  fs::create_directories(NativePath(Out("")));
  WriteWholeFile(Out("readme.txt"), {'m'});
  view_.passwords = {"secret"};
  view_.overwriteAnswers = {{false, false}};
  OpenAndList(ReadFixture("infozip_encrypted.zip"));
  ScanArchive(view_, ExtractMode);
  ASSERT_GE(view_.events.size(), 2u);
  EXPECT_EQ(view_.events[0], "password");
  EXPECT_EQ(view_.events[1], "overwrite readme.txt");
  EXPECT_EQ(sfx.password, "secret");
}

TEST_F(ScanTest, DirectoryEntriesWithStoredPathsCreateTheirDirectories) {
  Bytes zip = ReadFixture("infozip_dirs.zip");
  OpenAndList(zip);
  view_.SelectAll(false);
  view_.SetSelected(view_.FindExact(-1, "docs/deep/"), true);
  ScanArchive(view_, ExtractMode);
  EXPECT_TRUE(fs::is_directory(NativePath(Out("docs\\deep"))));
  EXPECT_TRUE(view_.SelectedTexts().empty());
  EXPECT_EQ(Captions(), (Strings{"Extraction Successful"}));
}

TEST_F(ScanTest, UnsafeNamesAreRefusedOneByOneAndNothingLandsOutside) {
  Bytes zip = ReadFixture("unsafe_names.zip");
  SetExtractPath(Scratch("deep\\out"));
  OpenAndList(zip);
  ScanArchive(view_, ExtractMode);
  EXPECT_EQ(Captions(), (Strings{"Unsafe path...", "Unsafe path...", "Unsafe path...", "Unsafe path...",
                                 "Unsafe path...", "Failure"}));
  EXPECT_EQ(view_.messages[0].text, "../evil.txt");
  EXPECT_EQ(view_.SelectedTexts().size(), 5u);
  EXPECT_TRUE(Exists(Scratch("deep\\out\\ok.txt")));
  EXPECT_FALSE(Exists(Scratch("deep\\evil.txt")));
  EXPECT_FALSE(Exists(Scratch("up.txt")));
  EXPECT_FALSE(Exists(Scratch("deep\\out\\CON.txt")));
  EXPECT_FALSE(Exists("/rooted.txt"));
}

TEST_F(ScanTest, WithoutStoredPathsTheFileNamePartIsJudged) {
  view_.checked = false;
  OpenAndList(ReadFixture("unsafe_names.zip"));
  ScanArchive(view_, ExtractMode);
  // ../evil.txt, C:/evil.txt, /rooted.txt and sub/../../up.txt become plain names; CON.txt stays
  // a device name.
  EXPECT_EQ(view_.SelectedTexts(), Strings{"CON.txt"});
  EXPECT_TRUE(Exists(Out("evil.txt")));
  EXPECT_TRUE(Exists(Out("up.txt")));
}

TEST_F(ScanTest, InternationalNamesLandUnderTheirTrueNames) {
  Bytes zip = ReadFixture("infozip_utf8_names.zip");
  OpenAndList(zip);
  ScanArchive(view_, ExtractMode);
  EXPECT_EQ(Captions(), (Strings{"Extraction Successful"}));
  ExpectExtracted(zip, "\xC3\x9C" "bersicht.txt", Out("\xC3\x9C" "bersicht.txt"));
  ExpectExtracted(zip, "caf\xC3\xA9/men\xC3\xBC.txt", Out("caf\xC3\xA9\\men\xC3\xBC.txt"));
  ExpectExtracted(zip, "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.txt", Out("\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.txt"));
}

TEST_F(ScanTest, LookAlikesOfDotsSlashesAndDevicesAreWrittenInsideUnderTheirOwnNames) {
  Bytes zip = ReadFixture("lookalike_names.zip");
  SetExtractPath(Scratch("deep\\out"));
  OpenAndList(zip);
  ScanArchive(view_, ExtractMode);
  EXPECT_EQ(Captions(), (Strings{"Extraction Successful"}));
  std::vector<std::string> written;
  for (const auto& entry : fs::recursive_directory_iterator(NativePath(Scratch())))
    written.push_back(fs::relative(entry.path(), NativePath(Scratch())).u8string());
  std::sort(written.begin(), written.end());
  std::vector<std::string> expected = {"deep", "deep/out", "program.exe"};
  for (const CentralEntry& e : CentralEntries(zip)) expected.push_back("deep/out/" + e.name);
  std::sort(expected.begin(), expected.end());
#ifdef _WIN32
  for (std::string& path : expected) std::replace(path.begin(), path.end(), '/', '\\');
#endif
  EXPECT_EQ(written, expected);
}

TEST_F(ScanTest, APasswordBeyondAsciiOpensEntriesEncryptedFromEitherForm) {
  // Info-ZIP took the UTF-8 bytes in one archive and the Windows-1252 bytes in the other.
  if (platform::Utf8ToLegacy("\xC3\xA4") != "\xE4") GTEST_SKIP() << "the legacy code page is not Windows-1252";
  for (const char* fixture : {"infozip_utf8_password.zip", "infozip_legacy_password.zip"}) {
    SCOPED_TRACE(fixture);
    sfx.password.clear();
    SetExtractPath(Scratch(fixture));
    view_ = FakeView();
    view_.passwords = {"p\xC3\xA4sswort"};
    Bytes zip = ReadFixture(fixture);
    OpenAndList(zip);
    ScanArchive(view_, ExtractMode);
    EXPECT_EQ(view_.events, (Strings{"password", "Extraction Successful"}));
    ExpectExtracted(zip, "\xC3\x9C" "bersicht.txt", Scratch(std::string(fixture) + "\\\xC3\x9C" "bersicht.txt"));
    platform::CloseFile(sfx.archiveHandle);
    sfx.archiveHandle = platform::InvalidFile;
  }
}

TEST_F(ScanTest, AnExtractPathThatFillsItsBufferIsRefusedNotCut) {
  std::string longPath = Scratch("p") + std::string(ExtractPathSize - 1 - Scratch("p").size(), 'x');
  SetExtractPath(longPath);
  OpenAndList(ReadFixture("four_plain.zip"));
  ScanArchive(view_, ExtractMode);
  EXPECT_EQ(Captions(), (Strings{"Path too long..."}));
  EXPECT_EQ(view_.messages[0].text, longPath);
  EXPECT_EQ(view_.SelectedCount(), 4);
}

TEST_F(ScanTest, AnEmptyExtractPathMeansTheCurrentFolder) {
  Bytes zip = ReadFixture("four_plain.zip");
  fs::create_directories(NativePath(Scratch("cwd")));
  SetExtractPath("");
  OpenAndList(zip);
  {
    CurrentFolder in(Scratch("cwd"));
    ScanArchive(view_, ExtractMode);
  }
  ExpectExtracted(zip, "one.txt", Scratch("cwd\\one.txt"));
  EXPECT_FALSE(std::string(sfx.extractPath).empty());
}

TEST_F(ScanTest, AnEmptyExtractPathInACurrentFolderTooLongForItIsRefusedNotCut) {
  // 256 characters whose first 255 end in a backslash: cut to what the field takes, the path
  // would name the parent folder.
  std::string parent = Scratch(std::string(ExtractPathCharacters - 2 - Scratch().size(), 'p'));
  std::string folder = parent + "\\x";
  ASSERT_EQ(folder.size(), ExtractPathCharacters + 1);
  fs::create_directories(NativePath(folder));
  SetExtractPath("");
  OpenAndList(ReadFixture("four_plain.zip"));
  {
    CurrentFolder in(folder);
    ScanArchive(view_, ExtractMode);
  }
  EXPECT_EQ(Captions(), (Strings{"Path too long..."}));
  EXPECT_EQ(NativePath(view_.messages[0].text), NativePath(folder));  // whole, as the system wrote it
  EXPECT_EQ(view_.SelectedCount(), 4);
  EXPECT_EQ(std::distance(fs::directory_iterator(NativePath(parent)), {}), 1);
  EXPECT_TRUE(fs::is_empty(NativePath(folder)));
}

#ifndef _WIN32
// Windows does not let a process's current folder be deleted.
TEST_F(ScanTest, AnEmptyExtractPathWhenTheCurrentFolderIsGoneIsRefusedAndNothingIsWritten) {
  Bytes zip = ReadFixture("four_plain.zip");
  // With no prefix at all the entries would land at the root of the file system.
  std::vector<fs::path> atRoot;
  for (const CentralEntry& entry : CentralEntries(zip)) atRoot.push_back(fs::path("/") / entry.name);
  for (const fs::path& path : atRoot) ASSERT_FALSE(fs::exists(path)) << path << " is there already";
  fs::create_directories(NativePath(Scratch("gone")));
  SetExtractPath("");
  OpenAndList(zip);
  {
    CurrentFolder in(Scratch("gone"));
    fs::remove(NativePath(Scratch("gone")));
    ScanArchive(view_, ExtractMode);
  }
  EXPECT_EQ(Captions(), (Strings{"No extract path..."}));
  EXPECT_EQ(view_.messages[0].text, "Can't read the current folder");
  EXPECT_EQ(view_.SelectedCount(), 4);
  for (const fs::path& path : atRoot) EXPECT_FALSE(fs::remove(path)) << path << " was written";
}
#endif

TEST_F(ScanTest, AScanStartedInsideARunDoesNothing) {
  Bytes zip = ReadFixture("four_plain.zip");
  OpenAndList(zip);
  int nested = 0;
  view_.onDispatch = [&] {
    nested++;
    ScanArchive(view_, ListMode);  // the check box's command arriving mid-run
    ScanArchive(view_, ExtractMode);
  };
  ScanArchive(view_, ExtractMode);
  EXPECT_EQ(nested, 4);
  EXPECT_EQ(view_.Count(), 4);  // the list was never emptied and refilled
  EXPECT_EQ(Captions(), (Strings{"Extraction Successful"}));
  ScanArchive(view_, ListMode);  // after the run, scans work again
  EXPECT_EQ(view_.SelectedCount(), 0);
}

TEST_F(ScanTest, TestModeChecksEveryEntryAndWritesNothing) {
  Bytes zip = ReadFixture("infozip_encrypted.zip");
  view_.passwords = {"secret"};
  OpenAndList(zip);
  ScanArchive(view_, TestMode);
  EXPECT_TRUE(view_.SelectedTexts().empty());
  EXPECT_EQ(Captions(), (Strings{"Extraction Successful"}));
  EXPECT_FALSE(Exists(Out("")));
}

// four_plain.zip's two.txt moved far out into a sparse program file, behind one.txt stretched to
// span the gap by the sizes of a ZIP64 field, and the central directory behind it. Positions are
// 64-bit: the walk reaches it wherever it stands, and it extracts.
class FarEntryTest : public ScanTest {
 protected:
  void OpenWithSecondEntryAt(uint64_t farAt, uint16_t extraFlags = 0) {
    Bytes zip = ReadFixture("four_plain.zip");
    std::vector<size_t> at = LocalHeaderOffsets(zip);
    Bytes first(zip.begin() + static_cast<long>(at[0]), zip.begin() + static_cast<long>(at[1]));
    Bytes far(zip.begin() + static_cast<long>(at[1]), zip.begin() + static_cast<long>(at[2]));
    Put16(far, 6, Get16(far, 6) | extraFlags);
    size_t central = DataEndOffset(zip, CentralEntries(zip).back());
    far.insert(far.end(), zip.begin() + static_cast<long>(central), zip.end());
    uint16_t nameLength = Get16(first, 26);
    ASSERT_EQ(Get16(first, 28), 0);
    Bytes zip64 = {0x01, 0x00, 16, 0};
    zip64.resize(20);
    first.insert(first.begin() + LocalHeaderSize + nameLength, zip64.begin(), zip64.end());
    Put16(first, 28, 20);
    Put32(first, 18, 0xFFFFFFFF);
    Put32(first, 22, 0xFFFFFFFF);
    uint64_t gap = farAt - (ArchiveBase + LocalHeaderSize + nameLength + 20);
    for (size_t field : {LocalHeaderSize + nameLength + 4u, LocalHeaderSize + nameLength + 12u}) {
      Put32(first, field, static_cast<uint32_t>(gap));
      Put32(first, field + 4, static_cast<uint32_t>(gap >> 32));
    }
    OpenArchive(first, farAt, far);
    ScanArchive(view_, ListMode);
    ASSERT_EQ(view_.Texts(), (Strings{"one.txt", "two.txt"}));
    view_.SetSelected(view_.FindExact(-1, "two.txt"), true);
    zip_ = zip;
  }
  Bytes zip_;
};

TEST_F(FarEntryTest, AnEntryBeyondTwoGiBIsReachedAndExtracted) {
  OpenWithSecondEntryAt(0x80000000u + 1000);
  ScanArchive(view_, ExtractMode);
  EXPECT_EQ(Captions(), Strings{"Extraction Successful"});
  ExpectExtracted(zip_, "two.txt", Out("two.txt"));
  EXPECT_FALSE(Exists(Out("one.txt")));
}

TEST_F(FarEntryTest, AnEncryptedFlagBeyondFourGiBAsksForThePasswordThere) {
  // two.txt is no encrypted entry: the password check finds none that fits, so the run ends.
  OpenWithSecondEntryAt(0x100000000u + 1000, FlagEncrypted);
  ScanArchive(view_, ExtractMode);
  EXPECT_EQ(view_.events, (Strings{"password", "password", "password"}));
  EXPECT_EQ(view_.SelectedTexts(), Strings{"two.txt"});
}

TEST_F(FarEntryTest, AnEntryBeyondFourGiBIsReachedAndExtracted) {
  OpenWithSecondEntryAt(0x100000000u + 1000);
  ScanArchive(view_, ExtractMode);
  EXPECT_EQ(Captions(), Strings{"Extraction Successful"});
  ExpectExtracted(zip_, "two.txt", Out("two.txt"));
}

// Archives whose writers could not seek back: flag bit 3, no sizes in the local headers, the
// CRC-32 and sizes in a data descriptor behind each entry's data.
class StreamedArchiveTest : public ScanTest {
 protected:
  // Lists the fixture, extracts everything into its own folder and checks every file.
  void ExpectWholeExtraction(const std::string& fixture) {
    SCOPED_TRACE(fixture);
    Bytes zip = ReadFixture(fixture);
    SetExtractPath(Scratch(fixture));
    view_ = FakeView();
    OpenAndList(zip);
    ASSERT_EQ(view_.Count(), static_cast<int>(CentralEntries(zip).size()));
    ScanArchive(view_, ExtractMode);
    EXPECT_EQ(Captions(), Strings{"Extraction Successful"});
    EXPECT_TRUE(view_.SelectedTexts().empty());
    for (const CentralEntry& entry : CentralEntries(zip))
      if (!IsDirectory(entry.name)) ExpectExtracted(zip, entry.name, Scratch(fixture + "\\" + entry.name));
    platform::CloseFile(sfx.archiveHandle);
    sfx.archiveHandle = platform::InvalidFile;
  }
  static bool IsDirectory(const std::string& name) { return name.back() == '/'; }
};

TEST_F(StreamedArchiveTest, ArchivesFromPipesAndJarToolsListAndExtractCompletely) {
  ExpectWholeExtraction("infozip_pipe.zip");         // deflated, a directory, an empty stored file
  ExpectExtracted(ReadFixture("infozip_pipe.zip"), "empty.txt", Scratch("infozip_pipe.zip\\empty.txt"));
  ExpectWholeExtraction("infozip_pipe_stored.zip");  // the CRC-32 only in the descriptor
  ExpectWholeExtraction("infozip_stdin.zip");        // ZIP64 sizes in the descriptor
  ExpectWholeExtraction("streamed.zip");             // Python's zipfile
  ExpectWholeExtraction("jar_streamed.zip");         // the manifest first
}

TEST_F(StreamedArchiveTest, DescriptorsWithoutTheirSignatureServeAsWell) {
  // Python's streamed archive with every 16-byte descriptor cut to its 12 unsigned bytes.
  Bytes zip = ReadFixture("streamed.zip");
  Bytes withoutSignatures;
  for (const CentralEntry& entry : CentralEntries(zip)) {
    size_t end = DataEndOffset(zip, entry);
    ASSERT_EQ(Get32(zip, end), 0x08074B50u);
    withoutSignatures.insert(withoutSignatures.end(), zip.begin() + static_cast<long>(entry.localHeader), zip.begin() + static_cast<long>(end));
    withoutSignatures.insert(withoutSignatures.end(), zip.begin() + static_cast<long>(end) + 4, zip.begin() + static_cast<long>(end) + 16);
  }
  // The central directory behind them, where the walk ends.
  size_t central = DataEndOffset(zip, CentralEntries(zip).back()) + 16;
  withoutSignatures.insert(withoutSignatures.end(), zip.begin() + static_cast<long>(central), zip.end());
  OpenAndList(withoutSignatures);
  EXPECT_EQ(view_.Texts(), (Strings{"first.txt", "second.txt"}));
  ScanArchive(view_, ExtractMode);
  EXPECT_EQ(Captions(), Strings{"Extraction Successful"});
  ExpectExtracted(zip, "first.txt", Out("first.txt"));
  ExpectExtracted(zip, "second.txt", Out("second.txt"));
}

TEST_F(StreamedArchiveTest, AnUnselectedStreamedEntryIsSteppedOverToReachTheNext) {
  Bytes zip = ReadFixture("infozip_pipe.zip");
  OpenAndList(zip);
  view_.SelectAll(false);
  int photo = view_.FindExact(-1, "photo.bin");  // the last entry
  ASSERT_NE(photo, ScanView::NoItem);
  view_.SetSelected(photo, true);
  ScanArchive(view_, ExtractMode);
  EXPECT_EQ(Captions(), Strings{"Extraction Successful"});
  ExpectExtracted(zip, "photo.bin", Out("photo.bin"));
  EXPECT_FALSE(Exists(Out("readme.txt")));
}

TEST_F(StreamedArchiveTest, EncryptedStreamedEntriesListWithoutAPasswordAndExtractWithOne) {
  Bytes zip = ReadFixture("infozip_pipe_encrypted.zip");
  OpenAndList(zip);
  EXPECT_EQ(view_.Texts(), (Strings{"docs/guide.txt", "empty.txt", "photo.bin", "readme.txt"}));
  EXPECT_TRUE(view_.events.empty());
  view_.passwords = {"secret"};
  ScanArchive(view_, ExtractMode);
  EXPECT_EQ(view_.events, (Strings{"password", "Extraction Successful"}));
  for (const char* entry : {"readme.txt", "docs/guide.txt", "empty.txt", "photo.bin"})
    ExpectExtracted(zip, entry, Out(entry));
}

TEST_F(StreamedArchiveTest, ATestRunChecksStreamedEntriesAndWritesNothing) {
  Bytes zip = ReadFixture("infozip_pipe.zip");
  OpenAndList(zip);
  EXPECT_EQ(view_.Count(), static_cast<int>(CentralEntries(zip).size()));
  ScanArchive(view_, TestMode);
  EXPECT_TRUE(view_.SelectedTexts().empty());
  EXPECT_EQ(Captions(), Strings{"Extraction Successful"});
  EXPECT_FALSE(Exists(Out("")));
}

TEST_F(StreamedArchiveTest, StoredEntriesWithoutSizesEndAtTheDescriptorThatProvesTheirBytes) {
  ExpectWholeExtraction("streamed_stored.zip");        // one.txt, empty.txt, two.bin, three.txt
  ExpectWholeExtraction("streamed_stored_zeros.zip");  // 40 zero bytes, then 60 others
}

TEST_F(StreamedArchiveTest, AStoredEntryWithoutSizesWhoseDescriptorLiesFailsLeavesNoFileAndEndsTheRun) {
  Bytes zip = ReadFixture("streamed_stored.zip");
  const CentralEntry two = CentralEntries(zip)[2];
  zip[DataOffset(zip, two) + 10] ^= 1;  // its descriptor's CRC-32 no longer holds
  OpenAndList(zip);
  EXPECT_EQ(view_.Texts(), (Strings{"empty.txt", "one.txt", "two.bin"}));
  ScanArchive(view_, ExtractMode);
  EXPECT_EQ(Captions(), (Strings{"Archive error..", "Unable to extract...", "Failure"}));
  EXPECT_EQ(view_.messages[1].text, "Stored entry without sizes: its end is unknown");
  EXPECT_EQ(view_.SelectedTexts(), Strings{"two.bin"});
  ExpectExtracted(zip, "one.txt", Out("one.txt"));
  ExpectExtracted(zip, "empty.txt", Out("empty.txt"));
  EXPECT_FALSE(Exists(Out("two.bin")));
}

TEST_F(StreamedArchiveTest, AnEntryWhoseDescriptorDisagreesWithItsDataFailsAndTheRunGoesOn) {
  Bytes zip = ReadFixture("streamed.zip");  // first.txt, second.txt
  const CentralEntry first = CentralEntries(zip)[0];
  size_t descriptor = DataEndOffset(zip, first);
  ASSERT_EQ(Get32(zip, descriptor), 0x08074B50u);
  Put32(zip, descriptor + 12, first.size - 1);  // the uncompressed size, one short
  OpenAndList(zip);
  ScanArchive(view_, ExtractMode);
  EXPECT_EQ(view_.SelectedTexts(), Strings{"first.txt"});
  ExpectExtracted(zip, "second.txt", Out("second.txt"));
  EXPECT_EQ(Captions(), Strings{"Failure"});
}

TEST_F(StreamedArchiveTest, AStreamedEntryWhoseStreamIsCorruptFailsAndTheWalkSaysItCannotGoOn) {
  Bytes zip = ReadFixture("streamed.zip");
  const CentralEntry first = CentralEntries(zip)[0];
  size_t data = DataOffset(zip, first);
  for (size_t i = data + 10; i < data + 60; i++) zip[i] ^= 0xA5;
  OpenAndList(zip);
  EXPECT_EQ(view_.Texts(), Strings{"first.txt"});
  ScanArchive(view_, ExtractMode);
  EXPECT_EQ(view_.SelectedTexts(), Strings{"first.txt"});
  EXPECT_EQ(Captions(), (Strings{"Archive error..", "Archive error..", "Failure"}));
  EXPECT_EQ(view_.messages[0].text, "The archive is damaged at offset " + std::to_string(ArchiveBase + data) +
                                        ": the entries behind it cannot be reached.");
  EXPECT_EQ(view_.failures, Failures{EntryFailure::DataCorrupt});
}

// Entries whose data decodes to another length than their header states, the CRC-32 in the
// header being that of all the data.
class DeclaredSizeTest : public ScanTest {
 protected:
  void ExtractWithDeclaredSize(const char* fixture, const std::string& entry, uint32_t declared) {
    Bytes zip = ReadFixture(fixture);
    for (const CentralEntry& e : CentralEntries(zip))
      if (e.name == entry) Put32(zip, e.localHeader + 22, declared);
    OpenAndList(zip);
    ScanArchive(view_, ExtractMode);
  }
};

TEST_F(DeclaredSizeTest, StoredDataLongerThanDeclaredFailsAndLeavesNoFile) {
  ExtractWithDeclaredSize("sizes_stored.zip", "s32768.bin", 10);
  EXPECT_EQ(view_.SelectedTexts(), Strings{"s32768.bin"});
  EXPECT_FALSE(Exists(Out("s32768.bin")));
  EXPECT_EQ(Captions(), Strings{"Failure"});
  EXPECT_EQ(view_.failures, Failures{EntryFailure::CrcMismatch});
}

TEST_F(DeclaredSizeTest, InflatedDataLongerThanDeclaredFailsAndLeavesNoFile) {
  ExtractWithDeclaredSize("sizes_deflated.zip", "d65536.txt", 10);
  EXPECT_EQ(view_.SelectedTexts(), Strings{"d65536.txt"});
  EXPECT_FALSE(Exists(Out("d65536.txt")));
}

TEST_F(DeclaredSizeTest, DataShorterThanDeclaredFailsByItsSize) {
  ExtractWithDeclaredSize("sizes_deflated.zip", "d32769.txt", 32770);
  EXPECT_EQ(view_.SelectedTexts(), Strings{"d32769.txt"});
  EXPECT_FALSE(Exists(Out("d32769.txt")));
  EXPECT_EQ(view_.failures, Failures{EntryFailure::SizeMismatch});
}

// Entries this program cannot decrypt, or decode at all, are refused as soon as they are met:
// no password is asked for them and no file is touched.
class UndecodableEntryTest : public ScanTest {
 protected:
  void ExtractWithFirstEntryPatched(size_t offset, uint16_t value) {
    Bytes zip = ReadFixture("infozip_encrypted.zip");  // every entry encrypted
    Put16(zip, LocalHeaderOffsets(zip)[0] + offset, value);
    view_.passwords = {"secret"};
    OpenAndList(zip);
    ScanArchive(view_, ExtractMode);
    EXPECT_EQ(view_.events, Strings{"Unable to extract..."});
    EXPECT_EQ(view_.SelectedCount(), 4);
    EXPECT_FALSE(Exists(Out("")));
  }
};

TEST_F(UndecodableEntryTest, StrongEncryptionIsRefusedBeforeAnyPasswordIsAsked) {
  ExtractWithFirstEntryPatched(6, FlagEncrypted | FlagDataDescriptor | 0x0040);
  EXPECT_EQ(view_.messages[0].text, "Unsupported encryption method");
}

TEST_F(UndecodableEntryTest, Method99WithoutItsAesFieldIsRefusedBeforeAnyPasswordIsAsked) {
  ExtractWithFirstEntryPatched(8, 99);
  EXPECT_EQ(view_.messages[0].text, "Unsupported encryption method");
}

TEST_F(UndecodableEntryTest, AnAesFieldOfAnUnknownStrengthIsRefusedBeforeAnyPasswordIsAsked) {
  Bytes zip = ReadFixture("sevenzip_aes128.zip");
  size_t header = LocalHeaderOffsets(zip)[0];
  size_t extra = header + 30 + Get16(zip, header + 26);
  size_t at = extra;
  while (Get16(zip, at) != AesExtraId) at += 4 + Get16(zip, at + 2);
  zip[at + 8] = 4;  // the strength: 1 to 3 are AES-128 to 256
  view_.passwords = {"secret"};
  OpenAndList(zip);
  ScanArchive(view_, ExtractMode);
  EXPECT_EQ(view_.events, Strings{"Unable to extract..."});
  EXPECT_EQ(view_.messages[0].text, "Unsupported encryption method");
  EXPECT_FALSE(Exists(Out("")));
}

TEST_F(UndecodableEntryTest, AnUnsupportedMethodIsRefusedBeforeAnyPasswordIsAsked) {
  ExtractWithFirstEntryPatched(8, 12);
  EXPECT_EQ(view_.messages[0].text, "Unsupported compression method");
}

TEST_F(ScanTest, ALongEntryShowsHowFarItHasGotUnderItsLineAndTheClosingTextsStay) {
  Bytes zip = ReadFixture("sizes_deflated.zip");  // random70000.bin is the largest: three chunks
  OpenAndList(zip);
  view_.SelectAll(false);
  view_.SetSelected(view_.FindExact(-1, "random70000.bin"), true);
  sfx.progressDelay = 0;  // every entry counts as long
  int dispatched = 0;
  view_.onDispatch = [&] { dispatched++; };
  ScanArchive(view_, ExtractMode);
  std::string line = "Extracting: " + Out("random70000.bin");
  ASSERT_FALSE(view_.progress.empty());
  for (const std::string& shown : view_.progress) EXPECT_EQ(shown.rfind(line + "  ", 0), 0u) << shown;
  EXPECT_EQ(view_.progress.back(), line + "  100 %");
  EXPECT_GT(dispatched, static_cast<int>(view_.progress.size()));  // the entry's own, and one per figure
  EXPECT_EQ(view_.status, "Extraction successful");
  EXPECT_EQ(Captions(), Strings{"Extraction Successful"});
}

TEST_F(ScanTest, AShortEntryShowsNoFigure) {
  OpenAndList(ReadFixture("four_plain.zip"));
  ScanArchive(view_, ExtractMode);
  EXPECT_TRUE(view_.progress.empty());
}

// AES entries from 7-Zip (AE-2: sizes in the headers, no CRC-32) and libarchive (AE-1, but AE-2
// for a file of a few bytes: every entry streamed, the CRC-32 in the descriptor), through the
// password flow of the traditional encryption. Both writers took their files from one folder.
class AesEntryTest : public ScanTest {
 protected:
  // The written file holds the entry's bytes: its size, and the CRC-32 libarchive's AE-1 entry
  // of the same file keeps. The one file too small for AE-1 (tiny.txt) is compared with what
  // libarchive's AE-2 entry of it gives.
  void ExpectSourceExtracted(const std::string& entry, const std::string& path) {
    if (entry == "tiny.txt") {
      ExtractAll(ReadFixture("bsdtar_aes128_stored.zip"), {"secret"}, "reference");
      EXPECT_EQ(ReadWholeFile(path), ReadWholeFile(Scratch("reference\\tiny.txt")));
      return CloseArchive();
    }
    for (const char* fixture : {"bsdtar_aes256.zip", "bsdtar_aes128_stored.zip"})
      for (const CentralEntry& e : CentralEntries(ReadFixture(fixture)))
        if (e.name == entry && (e.crc != 0 || e.size == 0)) return ExpectBytes(e, path);
    ADD_FAILURE() << "no source for " << entry;
  }
  // Where an entry lands in a folder of the scratch folder.
  std::string PathIn(const std::string& folder, std::string entry) {
    std::replace(entry.begin(), entry.end(), '/', '\\');
    return Scratch(folder + "\\" + entry);
  }
  void ExpectBytes(const CentralEntry& e, const std::string& path) {
    Bytes written = ReadWholeFile(path);
    EXPECT_EQ(written.size(), e.size) << path;
    EXPECT_EQ(ZlibCrc(written), e.crc) << path;
  }
  // Extracts every entry with the passwords given, into a folder of its own.
  void ExtractAll(const Bytes& zip, const Strings& passwords, const std::string& folder) {
    sfx.password.clear();
    SetExtractPath(Scratch(folder));
    view_ = FakeView();
    view_.passwords.assign(passwords.begin(), passwords.end());
    OpenAndList(zip);
    ScanArchive(view_, ExtractMode);
  }
  void CloseArchive() {
    platform::CloseFile(sfx.archiveHandle);
    sfx.archiveHandle = platform::InvalidFile;
  }
  // Flips one bit of the entry's stored data, `at` bytes behind its start (the salt counts).
  static void FlipDataBit(Bytes& zip, const std::string& entry, size_t at) {
    for (const CentralEntry& e : CentralEntries(zip))
      if (e.name == entry) zip[DataOffset(zip, e) + at] ^= 0x04;
  }
};

TEST_F(AesEntryTest, EveryKeySizeFrom7ZipExtractsItsStoredAndDeflatedEntriesWithOnePassword) {
  for (const char* fixture : {"sevenzip_aes128.zip", "sevenzip_aes192.zip", "sevenzip_aes256.zip"}) {
    SCOPED_TRACE(fixture);
    Bytes zip = ReadFixture(fixture);
    ExtractAll(zip, {"secret"}, fixture);
    EXPECT_EQ(view_.events, (Strings{"password", "Extraction Successful"}));
    EXPECT_TRUE(view_.SelectedTexts().empty());
    CloseArchive();
    for (const char* entry : {"photo.bin", "empty.txt", "readme.txt", "docs/guide.txt", "tiny.txt"})
      ExpectSourceExtracted(entry, PathIn(fixture, entry));
  }
}

TEST_F(AesEntryTest, StreamedAe1EntriesFromLibarchiveExtractStoredAndDeflated) {
  for (const char* fixture : {"bsdtar_aes256.zip", "bsdtar_aes128_stored.zip"}) {
    SCOPED_TRACE(fixture);
    Bytes zip = ReadFixture(fixture);
    ExtractAll(zip, {"secret"}, fixture);
    EXPECT_EQ(view_.events, (Strings{"password", "Extraction Successful"}));
    CloseArchive();
    for (const CentralEntry& e : CentralEntries(zip)) ExpectSourceExtracted(e.name, PathIn(fixture, e.name));
  }
}

TEST_F(AesEntryTest, TheRightPasswordAtTheThirdTryExtractsAndIsRemembered) {
  Bytes zip = ReadFixture("sevenzip_aes256.zip");
  ExtractAll(zip, {"", "wrong", "secret"}, "out");
  EXPECT_EQ(view_.events, (Strings{"password", "password", "password", "Extraction Successful"}));
  ExpectSourceExtracted("photo.bin", Out("photo.bin"));
  EXPECT_EQ(sfx.password, "secret");
}

TEST_F(AesEntryTest, ThreeWrongPasswordsEndTheRunSilentlyWithNothingWritten) {
  ExtractAll(ReadFixture("sevenzip_aes128.zip"), {"one", "two", "three"}, "out");
  EXPECT_EQ(view_.events, (Strings{"password", "password", "password"}));
  EXPECT_EQ(view_.SelectedCount(), 5);
  EXPECT_FALSE(Exists(Out("photo.bin")));
  EXPECT_EQ(TemporaryFiles(), Strings{});
}

TEST_F(AesEntryTest, AFlippedCiphertextBitFailsItsEntryByTheAuthenticationCodeAndTheRunGoesOn) {
  // photo.bin is stored and longer than a chunk: the bit lies in what is read ahead.
  for (size_t at : {size_t(18 + 5), size_t(18 + 40000)}) {
    SCOPED_TRACE(at);
    Bytes zip = ReadFixture("sevenzip_aes256.zip");
    FlipDataBit(zip, "photo.bin", at);
    ExtractAll(zip, {"secret"}, "flip" + std::to_string(at));
    EXPECT_EQ(view_.SelectedTexts(), Strings{"photo.bin"});
    EXPECT_EQ(view_.failures, Failures{EntryFailure::NotAuthentic});
    EXPECT_EQ(Captions(), (Strings{"Failure"}));
    EXPECT_FALSE(Exists(Scratch("flip" + std::to_string(at) + "\\photo.bin")));
    ExpectSourceExtracted("readme.txt", Scratch("flip" + std::to_string(at) + "\\readme.txt"));
    EXPECT_EQ(TemporaryFiles(), Strings{});
    CloseArchive();
  }
}

TEST_F(AesEntryTest, AFlippedBitInADeflatedEntryOrItsCodeFailsThatEntry) {
  Bytes original = ReadFixture("sevenzip_aes192.zip");
  for (const CentralEntry& e : CentralEntries(original)) {
    if (e.name != "readme.txt") continue;
    // Behind the salt and verifier of AES-192: the middle of the data, then the code's last byte.
    for (size_t at : {size_t(12 + 2 + (e.compressedSize - 24) / 2), size_t(e.compressedSize - 1)}) {
      SCOPED_TRACE(at);
      Bytes zip = original;
      FlipDataBit(zip, "readme.txt", at);
      ExtractAll(zip, {"secret"}, "code" + std::to_string(at));
      EXPECT_EQ(view_.SelectedTexts(), Strings{"readme.txt"});
      EXPECT_EQ(view_.failures, Failures{EntryFailure::NotAuthentic});
      EXPECT_FALSE(Exists(Scratch("code" + std::to_string(at) + "\\readme.txt")));
      CloseArchive();
    }
  }
}

TEST_F(AesEntryTest, AnAe1EntryWhoseCrcDisagreesFailsThoughItsCodeProvesItsData) {
  // The CRC-32 lies outside what the code covers: in the descriptor behind readme.txt.
  Bytes zip = ReadFixture("bsdtar_aes256.zip");
  CentralEntry readme = CentralEntries(zip)[0];
  ASSERT_EQ(readme.name, "readme.txt");
  size_t descriptor = DataEndOffset(zip, readme);
  ASSERT_EQ(Get32(zip, descriptor), 0x08074B50u);
  Put32(zip, descriptor + 4, readme.crc ^ 1);
  ExtractAll(zip, {"secret"}, "out");
  EXPECT_EQ(view_.SelectedTexts(), Strings{"readme.txt"});
  EXPECT_EQ(view_.failures, Failures{EntryFailure::CrcMismatch});
  EXPECT_FALSE(Exists(Out("readme.txt")));
  ExpectExtracted(zip, "photo.bin", Out("photo.bin"));
}

TEST_F(AesEntryTest, APasswordBeyondAsciiOpensAnEntryEncryptedFromItsUtf8Bytes) {
  Bytes zip = ReadFixture("bsdtar_aes_utf8_password.zip");
  ExtractAll(zip, {"p\xC3\xA4sswort"}, "out");
  EXPECT_EQ(view_.events, (Strings{"password", "Extraction Successful"}));
  ExpectExtracted(zip, "\xC3\x9C" "bersicht.txt", Out("\xC3\x9C" "bersicht.txt"));
}

TEST_F(AesEntryTest, AesEntriesAreListedWithoutAPassword) {
  view_.passwords = {};
  OpenAndList(ReadFixture("sevenzip_aes256.zip"));
  EXPECT_EQ(view_.events, Strings{});
  EXPECT_EQ(view_.SelectedCount(), 5);
}
