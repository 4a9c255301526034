// How an entry's name bytes become its text, on archives from each kind of writer.
#include <gtest/gtest.h>

#include "extract/local_header.h"
#include "extract/format.h"
#include "extract/safe_name.h"
#include "platform/platform.h"
#include "tests/unit/test_support.h"

using Strings = std::vector<std::string>;

static const Strings InternationalNames = {"\xC3\x9C" "bersicht.txt", "caf\xC3\xA9/men\xC3\xBC.txt",
                                           "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.txt"};

TEST(EntryNameTest, AFlaggedNameIsUtf8) {
  EXPECT_EQ(DecodeEntryName("\xC3\x9C" "bersicht.txt", FlagUtf8), "\xC3\x9C" "bersicht.txt");
}

TEST(EntryNameTest, AnUnflaggedNameThatIsUtf8BeyondAsciiIsUtf8) {
  EXPECT_EQ(DecodeEntryName("caf\xC3\xA9", 0), "caf\xC3\xA9");
}

TEST(EntryNameTest, AnUnflaggedNameThatIsNotUtf8IsInTheLegacyCodePage) {
  EXPECT_EQ(DecodeEntryName("caf\xE9", 0), platform::LegacyToUtf8("caf\xE9"));
  EXPECT_EQ(DecodeEntryName("plain.txt", 0), "plain.txt");
}

TEST(EntryNameTest, AFlaggedNameThatIsNotUtf8IsRefusedAsUnsafe) {
  std::string name = DecodeEntryName("caf\xE9.txt", FlagUtf8);
  EXPECT_EQ(name, "caf\xEF\xBF\xBD.txt");  // shown with U+FFFD, never as the raw bytes
  EXPECT_TRUE(IsUnsafeName(name));
}

// Legacy names read as a Western Windows shows them; elsewhere the system's own code page rules.
static bool LegacyCodePageIsWindows1252() { return platform::LegacyToUtf8("\x80\xE9") == "\xE2\x82\xAC\xC3\xA9"; }

TEST(EntryNameTest, Windows1252MapsItsOwnRangeAndLatin1) {
  if (!LegacyCodePageIsWindows1252()) GTEST_SKIP() << "the legacy code page is not Windows-1252";
  EXPECT_EQ(platform::LegacyToUtf8("\x80\x9F\xA0\xFF"), "\xE2\x82\xAC\xC5\xB8\xC2\xA0\xC3\xBF");  // € Ÿ nbsp ÿ
  EXPECT_EQ(platform::Utf8ToLegacy("p\xC3\xA4\xE2\x82\xAC"), "p\xE4\x80");
}

class EntryNameWalkTest : public EngineTest {};

TEST_F(EntryNameWalkTest, PythonFlaggedNamesReadAsWritten) {
  OpenArchive(ReadFixture("python_utf8_names.zip"));
  EXPECT_EQ(WalkNames(), InternationalNames);
}

TEST_F(EntryNameWalkTest, InfoZipUnflaggedUtf8NamesReadAsWritten) {
  OpenArchive(ReadFixture("infozip_utf8_names.zip"));
  EXPECT_EQ(WalkNames(), InternationalNames);
}

TEST_F(EntryNameWalkTest, SevenZipFlaggedNamesReadAsWritten) {
  OpenArchive(ReadFixture("sevenzip_utf8_names.zip"));
  EXPECT_EQ(WalkNames(), (Strings{InternationalNames[1], InternationalNames[0], InternationalNames[2]}));
}

TEST_F(EntryNameWalkTest, InfoZipLatin1NameReadsInTheLegacyCodePage) {
  if (!LegacyCodePageIsWindows1252()) GTEST_SKIP() << "the legacy code page is not Windows-1252";
  OpenArchive(ReadFixture("infozip_legacy_names.zip"));
  EXPECT_EQ(WalkNames(), Strings{"caf\xC3\xA9 cr\xC3\xA8me.txt"});
}

// Names carried in a Unicode Path extra field beside ASCII stand-ins in the header (Python's
// zipfile wrote the fields as given; Info-ZIP unzip and 7z read the same names from it).
static const Strings UnicodePathNames = {"File 2 - \xC3\xB6.txt",
                                         "docs/\xD0\xA4\xD0\xB0\xD0\xB9\xD0\xBB 3.txt",
                                         "stale.txt", "version2.txt"};

TEST_F(EntryNameWalkTest, AUnicodePathFieldNamesTheEntryOnlyWhileItsCrcMatchesTheHeaderName) {
  OpenArchive(ReadFixture("unicode_path.zip"));
  EXPECT_EQ(WalkNames(), UnicodePathNames);
}

// The offset of the first entry's Unicode Path field data (behind a 9-byte timestamp field).
static size_t FirstUnicodePathData(const Bytes& zip) {
  size_t first = LocalHeaderOffsets(zip)[0];
  size_t extra = first + 30 + Get16(zip, first + 26);
  EXPECT_EQ(Get16(zip, extra + 9), 0x7075);
  return extra + 9 + 4;
}

TEST_F(EntryNameWalkTest, AUnicodePathFieldThatIsNotUtf8OrEmptyIsIgnored) {
  Bytes zip = ReadFixture("unicode_path.zip");
  size_t data = FirstUnicodePathData(zip);
  Bytes bad = zip;
  bad[data + 5 + 9] = 0xFF;  // the first byte of the non-ASCII letter
  OpenArchive(bad);
  EXPECT_EQ(WalkNames()[0], "File 2 - xx.txt");
  Bytes empty = zip;
  empty[data + 5] = 0;  // a name that ends at once
  OpenArchive(empty);
  EXPECT_EQ(WalkNames()[0], "File 2 - xx.txt");
}

TEST_F(EntryNameWalkTest, AUnicodePathFieldTooShortForItsCrcIsIgnored) {
  Bytes zip = ReadFixture("unicode_path.zip");
  size_t data = FirstUnicodePathData(zip);
  // Shrunk to four bytes, the rest of it becomes an unknown field of its own.
  uint16_t size = Get16(zip, data - 2);
  Put16(zip, data - 2, 4);
  zip[data + 4] = 0x99;
  zip[data + 5] = 0x99;
  Put16(zip, data + 6, static_cast<uint16_t>(size - 4 - 4));
  OpenArchive(zip);
  EXPECT_EQ(WalkNames(), (Strings{"File 2 - xx.txt", UnicodePathNames[1], "stale.txt", "version2.txt"}));
}
