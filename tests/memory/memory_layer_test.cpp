// The platform layer in memory against the POSIX layer it stands in for: the same calls on the
// same relative paths, below a fresh real folder and below the extraction folder in memory, must
// give the same results, the same bytes and the same reasons. Then what only the memory layer
// does: its bounds, its full disk and the harness's view of it.
#include <gtest/gtest.h>
#include <limits.h>
#include <stdlib.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/memory/memory_disk.h"
#include "platform/platform.h"
#include "platform/posix/posix_files.h"

namespace {

using platform::FileHandle;
using platform::InvalidFile;

struct Layer {
  FileHandle (*openForReading)(const char*);
  FileHandle (*createForWriting)(const char*);
  uint32_t (*readFile)(FileHandle, void*, uint32_t);
  uint32_t (*writeFile)(FileHandle, const void*, uint32_t);
  int64_t (*seekTo)(FileHandle, uint64_t);
  int64_t (*fileLength)(FileHandle);
  bool (*closeFile)(FileHandle);
  bool (*findFirstMatch)(const char*);
  bool (*createOneDirectory)(const char*);
  bool (*moveReplacing)(const char*, const char*);
  bool (*removeFile)(const char*);
};

const Layer Posix = {posix::OpenForReading, posix::CreateForWriting, posix::ReadFile, posix::WriteFile,
                     posix::SeekTo,         posix::FileLength,       posix::CloseFile, posix::FindFirstMatch,
                     posix::CreateOneDirectory, posix::MoveReplacing, posix::RemoveFile};
const Layer Memory = {platform::OpenForReading, platform::CreateForWriting, platform::ReadFile,
                      platform::WriteFile,      platform::SeekTo,           platform::FileLength,
                      platform::CloseFile,      platform::FindFirstMatch,   platform::CreateOneDirectory,
                      platform::MoveReplacing,  platform::RemoveFile};

// Calls on one layer below one folder, written down as they are made: each call, its result and,
// where it failed, its reason.
class Transcript {
 public:
  Transcript(const Layer& layer, const std::string& folder) : layer_(layer), folder_(folder) {}

  void Create(const std::string& name, const std::string& bytes = "") {
    FileHandle file = layer_.createForWriting(Path(name).c_str());
    Note("create " + name, file != InvalidFile);
    if (file == InvalidFile) return;
    Note("write", layer_.writeFile(file, bytes.data(), static_cast<uint32_t>(bytes.size())) == bytes.size());
    Note("close", layer_.closeFile(file));
  }
  void Directory(const std::string& name) { Note("mkdir " + name, layer_.createOneDirectory(Path(name).c_str())); }
  void Find(const std::string& pattern) { Note("find " + pattern, layer_.findFirstMatch(Path(pattern).c_str())); }
  void Move(const std::string& from, const std::string& to) {
    Note("move " + from + " " + to, layer_.moveReplacing(Path(from).c_str(), Path(to).c_str()));
  }
  void Remove(const std::string& name) { Note("remove " + name, layer_.removeFile(Path(name).c_str())); }
  // The whole file as a read gives it.
  void Read(const std::string& name) {
    FileHandle file = layer_.openForReading(Path(name).c_str());
    Note("open " + name, file != InvalidFile);
    if (file == InvalidFile) return;
    char bytes[64] = {};
    uint32_t got = layer_.readFile(file, bytes, sizeof bytes);
    text_ += "  length " + std::to_string(layer_.fileLength(file)) + ": " + std::string(bytes, got) + "\n";
    Note("close", layer_.closeFile(file));
  }
  // Reads, writes and seeks on one handle of each kind, and on a closed one.
  void Handles(const std::string& name) {
    FileHandle out = layer_.createForWriting(Path(name).c_str());
    char byte = 0;
    Note("write 10", layer_.writeFile(out, "0123456789", 10) == 10);
    Note("read what is being written", layer_.readFile(out, &byte, 1) == 1);
    Note("seek 20", layer_.seekTo(out, 20) == 20);
    Note("write past the end", layer_.writeFile(out, "xy", 2) == 2);
    Note("seek beyond any position", layer_.seekTo(out, UINT64_MAX) != -1);
    Note("close", layer_.closeFile(out));
    Note("close again", layer_.closeFile(out));
    Note("write after closing", layer_.writeFile(out, "z", 1) == 1);
    FileHandle in = layer_.openForReading(Path(name).c_str());
    Note("write what is being read", layer_.writeFile(in, "z", 1) == 1);
    Note("seek 8", layer_.seekTo(in, 8) == 8);
    char bytes[32] = {};
    uint32_t got = layer_.readFile(in, bytes, sizeof bytes);
    text_ += "  read from 8: " + std::string(bytes, got) + "\n";
    Note("seek far", layer_.seekTo(in, 1000) == 1000);
    Note("read far", layer_.readFile(in, bytes, 1) == 1);
    Note("length", layer_.fileLength(in) == 22);
    Note("close", layer_.closeFile(in));
  }
  const std::string& Text() const { return text_; }

 private:
  std::string Path(const std::string& name) const { return folder_ + "\\" + name; }
  void Note(const std::string& call, bool succeeded) {
    text_ += call + (succeeded ? ": yes" : ": no, " + std::string(strerror(errno))) + "\n";
    errno = 0;
  }

  const Layer& layer_;
  std::string folder_;
  std::string text_;
};

class MemoryLayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    memory::EmptyExtractionFolder();
    char folder[] = "/tmp/kvx-memory-test-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    real_ = folder;
  }
  void TearDown() override { std::filesystem::remove_all(real_); }

  // The script's transcript on both layers, which must agree.
  template <typename Script>
  void ExpectSameOnBoth(Script script) {
    Transcript real(Posix, real_), inMemory(Memory, memory::ExtractionFolder);
    script(real);
    script(inMemory);
    EXPECT_EQ(real.Text(), inMemory.Text());
  }

  std::string real_;
};

TEST_F(MemoryLayerTest, CreatesFilesAndDirectoriesAsPosixDoes) {
  ExpectSameOnBoth([](Transcript& t) {
    t.Create("a", "first");
    t.Create("a", "second");
    t.Directory("d");
    t.Create("d");
    t.Create("d\\");
    t.Create("new\\");
    t.Create("d\\.");
    t.Create("a\\.");
    t.Create("missing\\x");
    t.Create("a\\x");
    t.Directory("d");
    t.Directory("d\\e\\");
    t.Directory("d/e/f");
    t.Directory("a");
    t.Directory("missing\\e");
    t.Directory("a\\e");
    t.Directory("d\\..");
    t.Create("d\\e\\..\\..\\b", "climbed back");
    t.Read("a");
    t.Read("b");
  });
}

TEST_F(MemoryLayerTest, FindsWhatPosixFinds) {
  ExpectSameOnBoth([](Transcript& t) {
    t.Create("a");
    t.Directory("d");
    for (const char* pattern : {"a", "a\\", "a\\*.*", "a\\.", "d", "d\\", "d\\*.*", "d/*.*", "d\\.", "d\\..\\a",
                                "d\\.\\..\\a", "a\\..\\a", "missing\\..\\a", "d//a\\..\\a", "d\\\\..\\\\a",
                                "missing", "missing\\*.*", "*.*", "d\\*.*\\x"})
      t.Find(pattern);
  });
}

TEST_F(MemoryLayerTest, MovesAndRemovesAsPosixDoes) {
  ExpectSameOnBoth([](Transcript& t) {
    t.Create("a", "one");
    t.Create("b", "two");
    t.Directory("d");
    t.Move("a", "b");
    t.Read("a");
    t.Read("b");
    t.Move("b", "b");
    t.Move("b", "d");
    t.Move("b", "missing\\c");
    t.Move("b", "c\\");
    t.Move("b\\", "c");
    t.Move("missing", "c");
    t.Move("b", "d\\c");
    t.Read("d\\c");
    t.Remove("d\\c");
    t.Remove("d\\c");
    t.Remove("d");
    t.Create("e");
    t.Remove("e\\");
    t.Remove("e");
  });
}

TEST_F(MemoryLayerTest, ReadsWritesAndSeeksAsPosixDoes) {
  ExpectSameOnBoth([](Transcript& t) {
    t.Handles("f");
    t.Read("f");
    t.Directory("d");
    t.Read("d");
    t.Read("missing");
  });
}

TEST_F(MemoryLayerTest, TakesTheNameAndPathLengthsPosixTakes) {
  for (size_t length : {NAME_MAX - 1, NAME_MAX, NAME_MAX + 1}) {
    std::string part(length, 'n');
    EXPECT_EQ(platform::NamePartFits(part), posix::NamePartFits(part)) << length;
  }
  for (size_t length : {PATH_MAX - 1, PATH_MAX, PATH_MAX + 1}) {
    std::string path(length, 'p');
    EXPECT_EQ(platform::PathFits(path), posix::PathFits(path)) << length;
  }
  ExpectSameOnBoth([](Transcript& t) {
    t.Create(std::string(NAME_MAX, 'n'));
    t.Create(std::string(NAME_MAX + 1, 'n'));
    t.Directory(std::string(NAME_MAX + 1, 'n'));
    t.Find(std::string(NAME_MAX + 1, 'n'));
  });
  // A whole path: so long that it is too long below either folder.
  std::string deep;
  while (deep.size() < PATH_MAX) deep += "d\\";
  EXPECT_EQ(platform::CreateForWriting((std::string(memory::ExtractionFolder) + "\\" + deep + "f").c_str()), InvalidFile);
  EXPECT_EQ(errno, ENAMETOOLONG);
}

TEST_F(MemoryLayerTest, WalksDeepPathsLevelByLevel) {
  std::string path = memory::ExtractionFolder;
  for (int level = 0; level < 1500; level++) {
    path += "\\d";
    ASSERT_TRUE(platform::CreateOneDirectory(path.c_str()));
  }
  EXPECT_TRUE(platform::FindFirstMatch((path + "\\*.*").c_str()));
  EXPECT_EQ(platform::CreateForWriting((path + "\\missing\\f").c_str()), InvalidFile);
  EXPECT_EQ(errno, ENOENT);
  FileHandle beside = platform::CreateForWriting((path + "\\..\\beside").c_str());
  ASSERT_NE(beside, InvalidFile);
  EXPECT_TRUE(platform::CloseFile(beside));
  EXPECT_TRUE(platform::FindFirstMatch((path.substr(0, path.size() - 2) + "\\beside").c_str()));
  // Emptied, the folder has none of it, however recently it was walked.
  memory::EmptyExtractionFolder();
  EXPECT_FALSE(platform::FindFirstMatch((path + "\\*.*").c_str()));
  EXPECT_EQ(errno, ENOENT);
}

TEST_F(MemoryLayerTest, ShowsTheHarnessWhatIsThere) {
  memory::PutArchive(reinterpret_cast<const uint8_t*>("PK bytes"), 8);
  FileHandle archive = platform::OpenForReading(memory::ArchivePath);
  char bytes[16] = {};
  EXPECT_EQ(platform::ReadFile(archive, bytes, sizeof bytes), 8u);
  EXPECT_STREQ(bytes, "PK bytes");
  EXPECT_EQ(memory::OpenFiles(), 1u);
  EXPECT_TRUE(platform::CloseFile(archive));
  EXPECT_EQ(memory::OpenFiles(), 0u);

  std::string out = memory::ExtractionFolder;
  ASSERT_TRUE(platform::CreateOneDirectory((out + "\\dir").c_str()));
  FileHandle file = platform::CreateForWriting((out + "\\dir\\f.txt").c_str());
  EXPECT_EQ(platform::WriteFile(file, "abc", 3), 3u);
  EXPECT_TRUE(platform::CloseFile(file));
  ASSERT_TRUE(platform::CreateOneDirectory((out + "\\dir\\empty").c_str()));
  ASSERT_TRUE(platform::CreateOneDirectory((out + "\\full").c_str()));
  ASSERT_TRUE(platform::CreateOneDirectory((out + "\\full\\inner").c_str()));
  EXPECT_EQ(memory::ExtractedPaths(), (std::vector<std::string>{"dir/empty/", "dir/f.txt", "full/inner/"}));
  std::vector<uint8_t> contents;
  EXPECT_TRUE(memory::ExtractedBytes("dir/f.txt", contents));
  EXPECT_EQ(contents, (std::vector<uint8_t>{'a', 'b', 'c'}));
  EXPECT_FALSE(memory::ExtractedBytes("dir", contents));

  memory::EmptyExtractionFolder();
  EXPECT_TRUE(memory::ExtractedPaths().empty());
  EXPECT_TRUE(platform::FindFirstMatch((out + "\\*.*").c_str()));
  EXPECT_TRUE(platform::FindFirstMatch(memory::ArchivePath));
}

TEST_F(MemoryLayerTest, FillsUpLikeADisk) {
  FileHandle file = platform::CreateForWriting((std::string(memory::ExtractionFolder) + "\\big").c_str());
  std::vector<char> chunk(1 << 20, 'b');
  uint32_t written = static_cast<uint32_t>(chunk.size());
  for (int i = 0; i < 80 && written == chunk.size(); i++)
    written = platform::WriteFile(file, chunk.data(), static_cast<uint32_t>(chunk.size()));
  EXPECT_LT(written, chunk.size());
  EXPECT_EQ(errno, ENOSPC);
  EXPECT_EQ(platform::LastErrorText(), strerror(ENOSPC));
  EXPECT_TRUE(platform::CloseFile(file));
  // Removed, the file gives its room back.
  memory::EmptyExtractionFolder();
  file = platform::CreateForWriting((std::string(memory::ExtractionFolder) + "\\again").c_str());
  EXPECT_EQ(platform::WriteFile(file, chunk.data(), static_cast<uint32_t>(chunk.size())), chunk.size());
  EXPECT_TRUE(platform::CloseFile(file));
}

TEST_F(MemoryLayerTest, EndsTheProcessAtAnyChangeOutsideTheExtractionFolder) {
  std::string out = memory::ExtractionFolder;
  ASSERT_NE(platform::CreateForWriting((out + "\\inside").c_str()), InvalidFile);
  EXPECT_DEATH(platform::CreateForWriting((out + "\\..\\beside").c_str()), "ESCAPE: file");
  EXPECT_DEATH(platform::CreateForWriting("relative"), "ESCAPE: file");
  EXPECT_DEATH(platform::CreateOneDirectory("/sandbox/jail/new"), "ESCAPE: directory");
  EXPECT_DEATH(platform::MoveReplacing((out + "\\inside").c_str(), "/sandbox/moved"), "ESCAPE: move to");
  EXPECT_DEATH(platform::MoveReplacing(memory::ArchivePath, (out + "\\archive").c_str()), "ESCAPE: move from");
  EXPECT_DEATH(platform::RemoveFile(memory::ArchivePath), "ESCAPE: removal");
  EXPECT_DEATH(platform::CreateForWriting(out.c_str()), "ESCAPE: file");
  // A directory that is there already is not made again: no change, no escape.
  EXPECT_FALSE(platform::CreateOneDirectory("/sandbox/jail"));
  EXPECT_EQ(errno, EEXIST);
  EXPECT_FALSE(platform::CreateOneDirectory(out.c_str()));
}

}  // namespace
