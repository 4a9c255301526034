#include "extract/unattended.h"

#include <algorithm>
#include <filesystem>

#include "extract/sfx_state.h"
#include "tests/unit/test_support.h"

namespace fs = std::filesystem;

using Strings = std::vector<std::string>;

class UnattendedTest : public EngineTest {
 protected:
  // Extracts the archive silently into out/ as the switches say; the run's lines go to lines_.
  ExitCode Run(const Bytes& zip, const Switches& switches) {
    OpenArchive(zip);
    return ExtractUnattended(switches, Scratch("out"), lines_);
  }
  Switches With(uint8_t policy) {
    Switches s;
    s.silent = true;
    s.policy = policy;
    return s;
  }
  void Existing(const std::string& name, const Bytes& bytes) {
    fs::create_directories(NativePath(Out("")));
    WriteWholeFile(Out(name), bytes);
  }
  std::string Out(const std::string& relative) { return Scratch("out\\" + relative); }
  bool Exists(const std::string& path) { return fs::exists(NativePath(path)); }

  Strings lines_;
};

TEST_F(UnattendedTest, EveryEntryIsExtractedWithItsStoredPathAndHasALineInListOrder) {
  Bytes zip = ReadFixture("infozip_dirs.zip");
  EXPECT_EQ(Run(zip, With(PolicyConfirm)), ExitAllFine);
  EXPECT_EQ(lines_, (Strings{"extracted: docs/", "extracted: docs/deep/", "extracted: docs/deep/notes.txt",
                             "extracted: docs/guide.txt", "extracted: photo.bin", "extracted: readme.txt",
                             "extracted: tiny.txt"}));
  EXPECT_EQ(ReadWholeFile(Out("docs\\deep\\notes.txt")).size(), 10u);
}

TEST_F(UnattendedTest, OverwriteReplacesAnExistingFile) {
  Existing("two.txt", {'o', 'l', 'd'});
  EXPECT_EQ(Run(ReadFixture("four_plain.zip"), With(PolicyOverwrite)), ExitAllFine);
  EXPECT_EQ(ReadWholeFile(Out("two.txt")).size(), 2000u);
  EXPECT_EQ(lines_[3], "extracted: two.txt");
}

TEST_F(UnattendedTest, SkipLeavesAnExistingFileAndSaysSoInItsLine) {
  Existing("two.txt", {'o', 'l', 'd'});
  EXPECT_EQ(Run(ReadFixture("four_plain.zip"), With(PolicySkip)), ExitAllFine);
  EXPECT_EQ(ReadWholeFile(Out("two.txt")), (Bytes{'o', 'l', 'd'}));
  EXPECT_EQ(lines_, (Strings{"extracted: four.txt", "extracted: one.txt", "extracted: three.txt",
                             "skipped: two.txt (a file of its name exists)"}));
}

TEST_F(UnattendedTest, WithNeitherAnExistingFileFailsItsEntryAndStaysAsItWas) {
  Existing("two.txt", {'o', 'l', 'd'});
  EXPECT_EQ(Run(ReadFixture("four_plain.zip"), With(PolicyConfirm)), ExitEntryFailed);
  EXPECT_EQ(ReadWholeFile(Out("two.txt")), (Bytes{'o', 'l', 'd'}));
  EXPECT_EQ(ReadWholeFile(Out("three.txt")).size(), 2000u);  // the run goes on behind it
  EXPECT_EQ(lines_.back(), "failed: two.txt (a file of its name exists, and neither /O nor /N was given)");
}

TEST_F(UnattendedTest, ThePasswordSwitchOpensEncryptedEntries) {
  Switches s = With(PolicyConfirm);
  s.password = "secret";
  Bytes zip = ReadFixture("infozip_encrypted.zip");
  EXPECT_EQ(Run(zip, s), ExitAllFine);
  EXPECT_EQ(ReadWholeFile(Out("photo.bin")).size(), 50000u);
}

TEST_F(UnattendedTest, AWrongPasswordEndsTheRunWithCode3AndWritesNothingEncrypted) {
  Switches s = With(PolicyConfirm);
  s.password = "three";  // refused by the archive's check, as the scan's own tests show
  EXPECT_EQ(Run(ReadFixture("mixed_encryption.zip"), s), ExitWrongPassword);
  EXPECT_TRUE(Exists(Out("tiny.txt")));  // the plain entries in front of it
  EXPECT_FALSE(Exists(Out("docs\\guide.txt")));
  EXPECT_FALSE(Exists(Out("docs\\deep\\notes.txt")));
  // guide.txt is the entry whose password was refused; the run never came to notes.txt.
  EXPECT_EQ(lines_, (Strings{"failed: docs/deep/notes.txt (the run ended before its entry)",
                             "failed: docs/guide.txt", "extracted: readme.txt",
                             "extracted: tiny.txt", "the password was refused three times; the run ended there"}));
}

TEST_F(UnattendedTest, WithoutAPasswordAnEncryptedEntryFailsWithCode3) {
  EXPECT_EQ(Run(ReadFixture("infozip_encrypted.zip"), With(PolicyConfirm)), ExitWrongPassword);
  EXPECT_FALSE(Exists(Out("readme.txt")));
  EXPECT_EQ(lines_.back(), "the password was refused three times; the run ended there");
}

TEST_F(UnattendedTest, MessagesBecomeLinesAndUnsafeNamesStayInsideTheFolder) {
  EXPECT_EQ(Run(ReadFixture("unsafe_names.zip"), With(PolicyConfirm)), ExitEntryFailed);
  EXPECT_EQ(lines_[0], "Unsafe path... ../evil.txt");
  EXPECT_NE(std::find(lines_.begin(), lines_.end(), "failed: ../evil.txt (its name is unsafe)"), lines_.end());
  EXPECT_NE(std::find(lines_.begin(), lines_.end(), "extracted: ok.txt"), lines_.end());
  EXPECT_FALSE(Exists(Scratch("evil.txt")));
  EXPECT_FALSE(Exists(Scratch("up.txt")));
}

// A control character makes the name unsafe; its line still names it, spelled out.
TEST_F(UnattendedTest, ANameWithALineBreakStaysOnItsOwnLine) {
  Bytes zip = ReadFixture("four_plain.zip");
  zip[LocalHeaderOffsets(zip)[0] + 30 + 3] = '\n';  // "one\ntxt"
  EXPECT_EQ(Run(zip, With(PolicyConfirm)), ExitEntryFailed);
  EXPECT_NE(std::find(lines_.begin(), lines_.end(), "failed: one\\x0Atxt (its name is unsafe)"), lines_.end());
  for (const std::string& line : lines_) EXPECT_EQ(line.find('\n'), std::string::npos) << line;
}

TEST_F(UnattendedTest, AProgramWithoutAnArchiveEndsWithCode2) {
  EXPECT_EQ(Run(Bytes(), With(PolicyConfirm)), ExitBadArchive);
  EXPECT_EQ(lines_, (Strings{"Error... Can't read archive header"}));
}

TEST_F(UnattendedTest, ADamagedArchiveEndsWithCode2AfterTheEntriesInFrontOfTheDamage) {
  Bytes zip = ReadFixture("four_plain.zip");
  zip.resize(LocalHeaderOffsets(zip)[3] + 40);  // cut inside the last entry
  EXPECT_EQ(Run(zip, With(PolicyConfirm)), ExitBadArchive);
  EXPECT_TRUE(Exists(Out("three.txt")));
  EXPECT_EQ(lines_[0].rfind("Archive error.. The archive is damaged at offset ", 0), 0u);
  EXPECT_EQ(lines_[lines_.size() - 4], "failed: four.txt (the archive ends inside its data)");
}

TEST_F(UnattendedTest, ASilentRunLogsEveryEntryAndEndsWithTheVerdict) {
  Switches s = With(PolicyConfirm);
  s.log = Scratch("run.log");
  OpenArchive(ReadFixture("four_plain.zip"));
  EXPECT_EQ(RunSilently(s, Out(""), {}, ExitAllFine), ExitAllFine);
  Bytes log = ReadWholeFile(Scratch("run.log"));
  EXPECT_EQ(std::string(log.begin(), log.end()),
            "extracted: four.txt\r\nextracted: one.txt\r\nextracted: three.txt\r\nextracted: two.txt\r\n"
            "exit code 0: every entry verified, or skipped on request\r\n");
}

TEST_F(UnattendedTest, ARunThatStartUpEndedLogsItsLinesAndExtractsNothing) {
  Switches s = With(PolicyConfirm);
  s.log = Scratch("run.log");
  OpenArchive(ReadFixture("four_plain.zip"));
  EXPECT_EQ(RunSilently(s, Out(""), {"/X: unknown switch"}, ExitBadArchive), ExitBadArchive);
  Bytes log = ReadWholeFile(Scratch("run.log"));
  EXPECT_EQ(std::string(log.begin(), log.end()),
            "/X: unknown switch\r\nexit code 2: bad switches, no archive, or a damaged archive\r\n");
  EXPECT_FALSE(Exists(Out("one.txt")));
}

TEST_F(UnattendedTest, ALogThatCannotBeMadeEndsTheRunWithCode2BeforeAnythingIsExtracted) {
  Switches s = With(PolicyConfirm);
  s.log = Scratch("missing\\run.log");
  OpenArchive(ReadFixture("four_plain.zip"));
  EXPECT_EQ(RunSilently(s, Out(""), {}, ExitAllFine), ExitBadArchive);
  EXPECT_FALSE(Exists(Out("one.txt")));
}

class LogFileTest : public EngineTest {};

TEST_F(LogFileTest, TheLinesArriveInUtf8WithWindowsLineEndsInPlaceOfAnOldLog) {
  std::string path = Scratch("run.log");
  WriteWholeFile(path, {'o', 'l', 'd'});
  LogFile log;
  ASSERT_TRUE(log.Open(path));
  EXPECT_EQ(ReadWholeFile(path), (Bytes{'o', 'l', 'd'}));  // until the run is over
  ASSERT_TRUE(log.Finish({"extracted: caf\xC3\xA9.txt", "exit code 0: every entry verified, or skipped on request"}));
  std::string text = "extracted: caf\xC3\xA9.txt\r\nexit code 0: every entry verified, or skipped on request\r\n";
  EXPECT_EQ(ReadWholeFile(path), Bytes(text.begin(), text.end()));
  EXPECT_EQ(std::distance(fs::directory_iterator(NativePath(Scratch())), fs::directory_iterator()), 1);
}

TEST_F(LogFileTest, ALogInAMissingFolderCannotBeOpened) {
  LogFile log;
  EXPECT_FALSE(log.Open(Scratch("missing\\run.log")));
}

TEST_F(LogFileTest, ALogNeverFinishedLeavesNothingBehind) {
  {
    LogFile log;
    ASSERT_TRUE(log.Open(Scratch("run.log")));
  }
  EXPECT_TRUE(fs::is_empty(NativePath(Scratch())));
}
