// The engine's own walk over what mksfx writes: the exe is opened as the stub opens itself
// (archive at ArchiveBase), listed, and every entry decoded and CRC-checked in a test run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "extract/scan.h"
#include "extract/sfx_state.h"
#include "tests/unit/fake_view.h"
#include "tests/unit/test_support.h"

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

class MksfxEngineTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    dir_ = NativePath(Scratch()).string();
    // 'x' everywhere but the headers mksfx reads (no byte 'P' after "PE", so no ZIP
    // signature): "MZ", the PE header's offset, the PE signature and an i386 machine type.
    Bytes stub(ArchiveBase, 'x');
    const uint8_t header[] = {'M', 'Z'}, offset[] = {0x40, 0, 0, 0}, pe[] = {'P', 'E', 0, 0, 0x4C, 0x01};
    std::copy(std::begin(header), std::end(header), stub.begin());
    std::copy(std::begin(offset), std::end(offset), stub.begin() + 0x3C);
    std::copy(std::begin(pe), std::end(pe), stub.begin() + 0x40);
    WriteWholeFile(dir_ + "/stub.exe", stub);
  }

  std::string Path(const std::string& relative) const { return dir_ + "/" + relative; }

  void Write(const std::string& relative, const Bytes& bytes) {
    fs::create_directories(fs::path(Path(relative)).parent_path());
    WriteWholeFile(Path(relative), bytes);
  }

  // Runs a shell command in the scratch folder; true when it exits with 0.
  bool Shell(const std::string& command) {
    return std::system(("cd '" + dir_ + "' && " + command).c_str()) == 0;
  }

  bool Mksfx(const std::string& arguments) {
    return Shell(std::string("'") + MKSFX_PATH + "' -q --stub stub.exe -o out.exe " + arguments);
  }

  // Lists the exe as the stub would and tests every entry; returns the listed names.
  Strings ListAndTestOutput() {
    sfx.attachedAt = ArchiveBase;
    sfx.archiveHandle = platform::OpenForReading(Path("out.exe").c_str());
    EXPECT_NE(sfx.archiveHandle, platform::InvalidFile);
    ScanArchive(view_, ListMode);
    Strings listed = view_.Texts();
    view_.SelectAll(true);
    ScanArchive(view_, TestMode);
    EXPECT_TRUE(view_.SelectedTexts().empty()) << "entries that failed stay selected";
    return listed;
  }

  Strings Captions() const {
    Strings captions;
    for (const auto& m : view_.messages) captions.push_back(m.caption);
    return captions;
  }

  Bytes Pattern(size_t size, uint8_t seed) const {
    Bytes bytes(size);
    uint32_t x = seed * 2654435761u + 1;
    for (uint8_t& b : bytes) b = static_cast<uint8_t>((x = x * 1103515245u + 12345u) >> 24);
    return bytes;
  }

  std::string dir_;
  FakeView view_;
};

TEST_F(MksfxEngineTest, EveryEntryOfAFolderIsWalkedAndVerifies) {
  Write("tree/text.txt", Bytes(100000, 'a'));
  Write("tree/sub/random.bin", Pattern(70000, 1));
  Write("tree/sub/empty.dat", {});
  fs::create_directories(Path("tree/empty_folder"));
  ASSERT_TRUE(Mksfx("tree"));
  EXPECT_EQ(ListAndTestOutput(), (Strings{"tree/", "tree/empty_folder/", "tree/sub/", "tree/sub/empty.dat",
                                          "tree/sub/random.bin", "tree/text.txt"}));
  EXPECT_EQ(Captions(), (Strings{"Extraction Successful"}));
}

TEST_F(MksfxEngineTest, EncryptedOutputAsksOnceAndVerifies) {
  Write("p/one.txt", Bytes(5000, 'q'));
  Write("p/two.bin", Pattern(3000, 2));
  ASSERT_TRUE(Mksfx("--password=letmein p"));
  view_.passwords = {"letmein"};
  EXPECT_EQ(ListAndTestOutput(), (Strings{"p/", "p/one.txt", "p/two.bin"}));
  EXPECT_EQ(std::count(view_.events.begin(), view_.events.end(), "password"), 1);
  EXPECT_EQ(Captions(), (Strings{"Extraction Successful"}));
}

TEST_F(MksfxEngineTest, AStreamedZipBecomesWalkableToTheEnd) {
  // Without the conversion the walk stops at the first entry's data (flag bit 3, sizes 0).
  WriteWholeFile(Path("streamed.zip"), ReadFixture("streamed.zip"));
  ASSERT_TRUE(Mksfx("--from-zip streamed.zip"));
  EXPECT_EQ(ListAndTestOutput(), (Strings{"first.txt", "second.txt"}));
  EXPECT_EQ(Captions(), (Strings{"Extraction Successful"}));
}

TEST_F(MksfxEngineTest, AStreamedEncryptedZipKeepsItsCheckByteAndIsWalkedToTheEnd) {
  Write("a.txt", Bytes(20000, 'z'));
  Write("b.bin", Pattern(4000, 3));
  ASSERT_TRUE(Shell("zip -q -P pw - a.txt b.bin > in.zip"));
  ASSERT_TRUE(Mksfx("--from-zip in.zip"));
  view_.passwords = {"pw"};
  EXPECT_EQ(ListAndTestOutput(), (Strings{"a.txt", "b.bin"}));
  EXPECT_EQ(Captions(), (Strings{"Extraction Successful"}));
}
