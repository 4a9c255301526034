// Every call a run makes to the file system, and every buffer it takes, made to fail in turn:
// the listing and extraction of a few representative archives, over existing files too. For
// each failing call the run may fail, but it must never crash, never report success unless every
// file is there as it should be, never leave a file that was there changed but for a verified
// replacement, never leave a temporary file, and never touch anything outside its folder. From a
// program that carries a mark of where it came from, every file a run leaves carries it too,
// and no mark stays behind for a file that is not there. The layer keeps a mark as a file of its
// own beside its file, as Wine does, which a move leaves behind: the longer way to a marked file.
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <map>

#include "extract/tables.h"
#include "extract/scan.h"
#include "extract/sfx_state.h"
#include "extract/zone_mark.h"
#include "platform/faults/fault_plan.h"
#include "tests/unit/fake_view.h"
#include "tests/unit/test_support.h"

namespace fs = std::filesystem;
using faults::Call;
using Files = std::map<std::string, Bytes>;

namespace {

// Where the layer keeps a file's mark, and the program's.
const std::string MarkSuffix = ":Zone.Identifier";
const std::string MarkText = "[ZoneTransfer]\r\nZoneId=3\r\n";
const Bytes Mark(MarkText.begin(), MarkText.end());

// The name of the file whose mark it is, or an empty text for a name that is no mark's.
std::string MarkedFile(const std::string& name) {
  size_t at = name.size() - std::min(name.size(), MarkSuffix.size());
  return at > 0 && name.compare(at, std::string::npos, MarkSuffix) == 0 ? name.substr(0, at) : std::string();
}

// What a run left: the files below its folder, whether it said it succeeded, what it showed.
struct Outcome {
  Files files;
  bool succeeded = false;
  std::vector<std::string> captions;
  std::vector<EntryFailure> failures;
};

Files FilesBelow(const fs::path& root) {
  Files files;
  for (const auto& entry : fs::recursive_directory_iterator(root))
    if (entry.is_regular_file())
      files[fs::relative(entry.path(), root).generic_string()] = ReadWholeFile(entry.path().string());
  return files;
}

class FaultWalkTest : public EngineTest {
 protected:
  // The archive, and the files that stand in the extraction folder before each run.
  void Prepare(const Bytes& zip, const Files& existing = {}) {
    Bytes file(ArchiveBase, 0);
    file.insert(file.end(), zip.begin(), zip.end());
    WriteWholeFile(Scratch("program.exe"), file);
    existing_ = existing;
  }
  // The same, from a program that carries a mark; the folder it extracts into starts empty.
  void PrepareMarked(const Bytes& zip) {
    Prepare(zip);
    WriteWholeFile(Scratch("program.exe") + MarkSuffix, Mark);
    marked_ = true;
  }

  // One listing and extraction of every entry, with the nth call of that kind failing.
  Outcome Run(Call kind, uint64_t nth) {
    fs::path out = NativePath(Scratch("out"));
    fs::remove_all(out);
    fs::create_directories(out);
    for (const auto& [name, bytes] : existing_) {
      fs::create_directories((out / name).parent_path());
      WriteWholeFile((out / name).string(), bytes);
    }
    ReleaseTables();
    sfx = SfxState();
    EXPECT_TRUE(CreateTables());
    std::string path = Scratch("out");
    strcpy(sfx.extractPath, path.c_str());
    sfx.policy = PolicyOverwrite;
    TakeZoneMark(Scratch("program.exe"));  // at the program's start, before any run
    EXPECT_EQ(sfx.zoneMark.empty(), !marked_);

    faults::FailNth(kind, nth);
    FakeView view;
    view.passwords = {"secret", "secret", "secret", "secret", "secret", "secret"};
    sfx.archiveHandle = platform::OpenForReading(Scratch("program.exe").c_str());
    if (sfx.archiveHandle != platform::InvalidFile) {
      ScanArchive(view, ListMode);
      view.SelectAll(true);
      ScanArchive(view, ExtractMode);
      platform::CloseFile(sfx.archiveHandle);
      sfx.archiveHandle = platform::InvalidFile;
    }
    calls_ = faults::Calls(kind);
    faults::FailNth(Call::Kinds, 0);

    Outcome outcome;
    outcome.files = FilesBelow(out);
    outcome.failures = view.failures;
    for (const auto& message : view.messages) {
      outcome.captions.push_back(message.caption);
      if (message.caption == "Extraction Successful") outcome.succeeded = true;
    }
    return outcome;
  }

  // The run without faults, then every call of every kind failing in turn. Every kind must be
  // called, folders only where the archive has them and the cryptography only for AES entries.
  void WalkEveryFault(bool makesFolders = false, bool hasAes = false) {
    Outcome clean = Run(Call::Kinds, 0);
    ASSERT_TRUE(clean.succeeded) << ::testing::PrintToString(clean.captions);
    ASSERT_FALSE(clean.files.empty());
    ExpectMarks(clean);
    std::string outside = Outside();
    uint64_t runs = 0;
    for (int k = 0; k < static_cast<int>(Call::Kinds); k++) {
      Call kind = static_cast<Call>(k);
      Run(kind, 0);
      uint64_t calls = calls_;
      for (uint64_t n = 1; n <= calls; n++) {
        SCOPED_TRACE(std::string(faults::NameOf(kind)) + " call " + std::to_string(n) + " of " +
                     std::to_string(calls));
        Outcome faulted = Run(kind, n);
        runs++;
        ExpectSound(clean, faulted);
        EXPECT_EQ(Outside(), outside);
        // The data is as it was written: a failed call of the system's cryptography says so,
        // and never passes for data that was changed.
        if (kind == Call::Crypto) {
          EXPECT_EQ(std::count(faulted.failures.begin(), faulted.failures.end(), EntryFailure::NotAuthentic), 0);
        }
        if (HasFailure()) return;  // one faulty call is enough to look at
      }
      bool expected = kind == Call::Directory ? makesFolders : kind == Call::Crypto ? hasAes : true;
      if (expected) {
        EXPECT_GT(calls, 0u) << faults::NameOf(kind) << " is never called: the walk proves nothing for it";
      }
    }
    std::cout << "[ faults   ] " << runs << " runs, each with one call failing\n";
  }

  // Each file is the one the clean run wrote or the one that was there; a temporary file never
  // stays; success means every file is the clean run's.
  void ExpectSound(const Outcome& clean, const Outcome& faulted) {
    if (faulted.succeeded) {
      EXPECT_TRUE(faulted.files == clean.files) << "success reported with files missing or wrong; it showed "
                                                << ::testing::PrintToString(faulted.captions);
    }
    for (const auto& [name, bytes] : faulted.files) {
      EXPECT_EQ(name.find("~kvx"), std::string::npos) << "a temporary file stayed: " << name;
      auto good = clean.files.find(name);
      auto before = existing_.find(name);
      bool isGood = good != clean.files.end() && good->second == bytes;
      bool isBefore = before != existing_.end() && before->second == bytes;
      EXPECT_TRUE(isGood || isBefore) << name << " holds neither the verified data nor what was there";
    }
    for (const auto& [name, bytes] : existing_)
      EXPECT_TRUE(faulted.files.count(name)) << name << " was there and is gone";
    ExpectMarks(faulted);
  }

  // From a marked program, whose folder starts empty, every file there is the run's and carries
  // the mark, and every mark stands beside its file; from an unmarked one there is no mark.
  void ExpectMarks(const Outcome& outcome) {
    for (const auto& [name, bytes] : outcome.files) {
      std::string file = MarkedFile(name);
      if (file.empty()) {
        EXPECT_EQ(outcome.files.count(name + MarkSuffix), marked_ ? 1u : 0u)
            << name << (marked_ ? " is not marked" : " is marked, though the program is not");
      } else {
        EXPECT_TRUE(outcome.files.count(file)) << name << " stayed without its file";
        EXPECT_TRUE(bytes == Mark) << name << " is not the program's mark";
      }
    }
  }

  // Everything in the scratch folder but the extraction folder: the run may not change it.
  std::string Outside() {
    std::string listing;
    for (const auto& entry : fs::directory_iterator(NativePath(Scratch())))
      if (entry.path().filename() != "out") listing += entry.path().filename().string() + "\n";
    return listing;
  }

  Files existing_;
  bool marked_ = false;
  uint64_t calls_ = 0;
};

TEST_F(FaultWalkTest, StoredEntries) { Prepare(ReadFixture("four_plain.zip")); WalkEveryFault(); }

TEST_F(FaultWalkTest, DeflatedEntriesAtChunkBoundaries) { Prepare(ReadFixture("sizes_deflated.zip")); WalkEveryFault(); }

TEST_F(FaultWalkTest, EncryptedEntriesReadAhead) {
  Prepare(ReadFixture("infozip_encrypted_chunks.zip"));
  WalkEveryFault();
}

// AES-256 from 7-Zip, stored and deflated, one entry longer than a chunk and read ahead: the
// system's cryptography fails in turn too (the key derivation, the keys, the key stream, the
// authentication code).
TEST_F(FaultWalkTest, AesEntriesReadAhead) {
  Prepare(ReadFixture("sevenzip_aes256.zip"));
  WalkEveryFault(true, true);
}

// AES from libarchive: every entry streamed, its descriptor behind the authentication code.
TEST_F(FaultWalkTest, StreamedAesEntries) {
  Prepare(ReadFixture("bsdtar_aes256.zip"), {{"readme.txt", {'o', 'l', 'd'}}});
  WalkEveryFault(true, true);
}

TEST_F(FaultWalkTest, StreamedEntriesWithFolders) {
  Prepare(ReadFixture("infozip_pipe.zip"));
  WalkEveryFault(true);
}

TEST_F(FaultWalkTest, StoredStreamedEntries) { Prepare(ReadFixture("streamed_stored.zip")); WalkEveryFault(); }

TEST_F(FaultWalkTest, OverwritingExistingFiles) {
  Prepare(ReadFixture("four_plain.zip"), {{"one.txt", {'o', 'l', 'd', '1'}}, {"three.txt", {'o', 'l', 'd', '3'}}});
  WalkEveryFault();
}

TEST_F(FaultWalkTest, EntriesOfAMarkedProgram) { PrepareMarked(ReadFixture("four_plain.zip")); WalkEveryFault(); }

TEST_F(FaultWalkTest, StreamedEntriesWithFoldersOfAMarkedProgram) {
  PrepareMarked(ReadFixture("infozip_pipe.zip"));
  WalkEveryFault(true);
}

}  // namespace
