// The mark of where the program came from: read from its own file and given to every file a run
// writes. Windows keeps it in the file's Zone.Identifier stream; elsewhere no file has one.
#include "extract/zone_mark.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "extract/paths.h"
#include "extract/scan.h"
#include "extract/sfx_state.h"
#include "tests/unit/fake_view.h"
#include "tests/unit/test_support.h"

namespace fs = std::filesystem;

namespace {

const std::string Mark = "[ZoneTransfer]\r\nZoneId=3\r\nHostUrl=https://example.com/setup.exe\r\n";

class ZoneMarkTest : public EngineTest {
 protected:
  // Gives the program the stream and takes its mark as the program does at its start.
  std::string TakeProgramMark(const std::string& stream) {
    WriteWholeFile(Scratch("program.exe:Zone.Identifier"), Bytes(stream.begin(), stream.end()));
    TakeZoneMark(Scratch("program.exe"));
    return sfx.zoneMark;
  }
  void ExtractAll() {
    SetExtractPath(Scratch("out"));
    ScanArchive(view_, ListMode);
    view_.SelectAll(true);
    ScanArchive(view_, ExtractMode);
  }
  std::string Out(const std::string& name) { return Scratch("out\\" + name); }

  FakeView view_;
};

#ifdef _WIN32

TEST_F(ZoneMarkTest, TheProgramsZoneIdentifierStreamIsItsMarkByteForByte) {
  OpenArchive(ReadFixture("four_plain.zip"));
  EXPECT_EQ(TakeProgramMark(Mark), Mark);
}

TEST_F(ZoneMarkTest, AProgramWithoutTheStreamHasNoMark) {
  OpenArchive(ReadFixture("four_plain.zip"));
  TakeZoneMark(Scratch("program.exe"));
  EXPECT_EQ(sfx.zoneMark, "");
}

TEST_F(ZoneMarkTest, AStreamOfTheLimitIsAMarkAndALargerOneIsNone) {
  OpenArchive(ReadFixture("four_plain.zip"));
  EXPECT_EQ(TakeProgramMark(std::string(ZoneMarkLimit, 'z')).size(), ZoneMarkLimit);
  EXPECT_EQ(TakeProgramMark(std::string(ZoneMarkLimit + 1, 'z')), "");
}

TEST_F(ZoneMarkTest, EveryFileARunWritesIsGivenTheMarkAndNoFolderIs) {
  Bytes zip = ReadFixture("infozip_dirs.zip");
  OpenArchive(zip);
  TakeProgramMark(Mark);
  ExtractAll();
  ASSERT_EQ(view_.SelectedTexts(), (std::vector<std::string>{}));
  for (const CentralEntry& entry : CentralEntries(zip)) {
    std::string path = Out(entry.name);
    SlashesToBackslashes(path);
    if (path.back() == '\\') {
      path.pop_back();
      EXPECT_TRUE(fs::is_directory(NativePath(path))) << path;
      EXPECT_FALSE(fs::exists(NativePath(path + ":Zone.Identifier"))) << path;
    } else {
      EXPECT_EQ(ReadWholeFile(path + ":Zone.Identifier"), Bytes(Mark.begin(), Mark.end())) << path;
    }
  }
}

#else

TEST_F(ZoneMarkTest, ElsewhereAFileOfTheStreamsNameBesideTheProgramIsNoMark) {
  OpenArchive(ReadFixture("four_plain.zip"));
  EXPECT_EQ(TakeProgramMark(Mark), "");
}

// The native programs never read a mark, so this never happens; were one given by hand, no file
// would be written without it.
TEST_F(ZoneMarkTest, AMarkThatCannotBeGivenHereFailsEveryFileInsteadOfLeavingItUnmarked) {
  OpenArchive(ReadFixture("four_plain.zip"));
  sfx.zoneMark = Mark;
  ExtractAll();
  EXPECT_EQ(view_.SelectedTexts().size(), 4u);
  EXPECT_EQ(view_.failures, std::vector<EntryFailure>(4, EntryFailure::NotMarked));
  ASSERT_EQ(view_.messages.size(), 5u);
  EXPECT_EQ(view_.messages[0].caption, "Couldn't mark as downloaded...");
  EXPECT_EQ(view_.messages[0].text, Out("one.txt") + ": " + strerror(ENOTSUP));
  EXPECT_TRUE(fs::is_empty(NativePath(Scratch("out"))));
}

#endif

}  // namespace
