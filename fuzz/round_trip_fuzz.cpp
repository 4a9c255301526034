// The round-trip fuzz target: entries whose names and bytes the input chooses are written by
// mksfx's archive writer, then listed, extracted and tested by unsfx over the disk in memory
// (platform/memory/). All three must succeed, the listing must name every entry in order, and
// the extraction folder must hold each file under its own name with its own bytes, each folder,
// and nothing else. Inputs mksfx would refuse, or whose names this file system cannot hold, are
// skipped.
//
// The input, read front to back; a length longer than what is left takes what is left:
//   1 byte   the deflate level, modulo 10 (0 stores every entry)
//   1 byte   bit 0: names that differ only in letter case are allowed (--allow-case-duplicates);
//            the other seven bits: the password's length, 0 for no encryption
//   n bytes  the password
//   then entries to the end, each:
//     2 bytes  the name's length (little-endian), then the name; a folder's ends in "/"
//     2 bytes  the data's length, then the data (a folder's is read and left out)
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "extract/crc32.h"
#include "extract/run_report.h"
#include "extract/tables.h"
#include "platform/utf8.h"
#include "fuzz/entry_path.h"
#include "platform/memory/memory_disk.h"
#include "platform/platform.h"
#include "tools/mksfx/archive_writer.h"
#include "tools/mksfx/host.h"
#include "tools/mksfx/limits.h"
#include "tools/mksfx/name_rules.h"
#include "tools/unsfx/run.h"

namespace {

struct Entry {
  std::string name;
  Bytes data;
  bool folder = false;
};

struct Plan {
  int level = 0;
  bool caseDuplicates = false;
  std::string password;  // empty: no encryption
  std::vector<Entry> entries;
};

class InputReader {
 public:
  InputReader(const uint8_t* data, size_t size) : at_(data), end_(data + size) {}
  bool AtEnd() const { return at_ == end_; }
  uint8_t Byte() { return at_ < end_ ? *at_++ : 0; }
  uint16_t Length() {
    uint16_t low = Byte();
    return static_cast<uint16_t>(low | (Byte() << 8));
  }
  std::string Text(size_t length) {
    size_t n = std::min(length, static_cast<size_t>(end_ - at_));
    std::string text(at_, at_ + n);
    at_ += n;
    return text;
  }

 private:
  const uint8_t* at_;
  const uint8_t* end_;
};

Plan Decode(const uint8_t* data, size_t size) {
  InputReader in(data, size);
  Plan plan;
  plan.level = in.Byte() % 10;
  uint8_t flags = in.Byte();
  plan.caseDuplicates = (flags & 1) != 0;
  plan.password = in.Text(flags >> 1);
  while (!in.AtEnd()) {
    Entry entry;
    entry.name = in.Text(in.Length());
    std::string data = in.Text(in.Length());
    entry.folder = !entry.name.empty() && entry.name.back() == '/';
    if (!entry.folder) entry.data.assign(data.begin(), data.end());
    plan.entries.push_back(std::move(entry));
  }
  return plan;
}

// The engine refuses, by design, a name with a level longer than the file system takes, and a
// path that does not fit the system's limit. A folder's path is measured with the separator
// behind it, as the engine keeps it. A file is written under a temporary name of twelve
// characters in its folder first, so that name's path must fit too.
bool FitsTheDisk(const Entry& entry) {
  std::string path = EntryPath(entry.name);
  for (size_t start = 0, end; start < path.size(); start = end + 1) {
    end = std::min(path.find('/', start), path.size());
    if (!platform::NamePartFits(path.substr(start, end - start))) return false;
  }
  std::string whole = std::string(memory::ExtractionFolder) + '/' + path;
  if (entry.folder) return platform::PathFits(whole + '/');
  std::string temporary = whole.substr(0, whole.rfind('/') + 1) + "~kvx0000.tmp";
  return platform::PathFits(whole) && platform::PathFits(temporary);
}

// A password mksfx takes and a user can type: characters, none of them zero, as many as the
// stub's field holds.
bool IsTypable(const std::string& password) {
  return IsValidUtf8(password) && password.find('\0') == std::string::npos &&
         Utf16Length(password) <= MaxPasswordLength;
}

// What mksfx would write and this file system can hold.
bool IsWritable(const Plan& plan) {
  if (plan.entries.empty()) return false;
  if (!plan.password.empty() && !IsTypable(plan.password)) return false;
  std::vector<NamedEntry> named;
  for (const Entry& entry : plan.entries) {
    if (!FitsTheDisk(entry)) return false;
    named.push_back({entry.name, entry.folder});
  }
  return NamesNotInUtf8(named).empty() && NameProblems(named, plan.caseDuplicates).empty();
}

// The sources of the archive being written, which the host calls below hand to the writer.
std::vector<const Bytes*> sources;
uint64_t randomState = 0;

class MemoryOutput : public ArchiveOutput {
 public:
  using ArchiveOutput::Write;
  void Write(const void* data, size_t count) override {
    const uint8_t* from = static_cast<const uint8_t*>(data);
    if (position_ + count > bytes_.size()) bytes_.resize(position_ + count);
    std::copy(from, from + count, bytes_.begin() + static_cast<ptrdiff_t>(position_));
    position_ += count;
  }
  uint64_t Position() const override { return position_; }
  void SeekTo(uint64_t position) override { position_ = position; }
  // Cut at the current position, as OutputFile::Commit cuts the exe.
  Bytes Finished() const { return Bytes(bytes_.begin(), bytes_.begin() + static_cast<ptrdiff_t>(position_)); }

 private:
  Bytes bytes_;
  uint64_t position_ = 0;
};

// A plain ZIP archive, without a stub in front: the offsets count from its first byte either way.
Bytes WriteArchive(const Plan& plan) {
  sources.clear();
  MemoryOutput out;
  Progress progress(0, true);
  CreateTables();  // the encryption keys step through them
  std::unique_ptr<Encryptor> encryptor;
  if (!plan.password.empty()) encryptor = MakeEncryptor(plan.password, false);  // AES-256, mksfx's default
  ArchiveWriter writer(out, plan.level, encryptor.get(), progress);
  for (const Entry& entry : plan.entries) {
    SourceEntry source;
    source.name = entry.name;
    source.path = std::to_string(sources.size());
    source.isDirectory = entry.folder;
    source.size = entry.data.size();
    sources.push_back(&entry.data);
    entry.folder ? writer.AddDirectory(source) : writer.AddFile(source);
  }
  writer.Finish();
  ReleaseTables();
  return out.Finished();
}

class TypedPassword : public Prompter {
 public:
  explicit TypedPassword(const std::string& password) : password_(password) {}
  bool Interactive() override { return true; }
  // An overwrite question means two entries met on one path: yes, and the check finds out.
  std::optional<std::string> ReadLine(const std::string&, bool echo) override {
    return echo ? std::string("y") : password_;
  }

 private:
  std::string password_;
};

struct Outcome {
  int code;
  std::string out;
  std::string messages;
};

Outcome Run(Command command, const std::string& password) {
  Options options;
  options.command = command;
  options.archive = memory::ArchivePath;
  options.directory = memory::ExtractionFolder;
  TypedPassword typed(password);
  std::ostringstream out, messages;
  int code = RunCommand(options, typed, out, messages);
  return {code, out.str(), messages.str()};
}

[[noreturn]] void Fail(const std::string& what, const std::string& details) {
  fprintf(stderr, "ROUND TRIP: %s\n%s\n", what.c_str(), details.c_str());
  abort();
}

void RequireSuccess(const char* command, const Outcome& outcome) {
  if (outcome.code != ExitAllFine) Fail(std::string(command) + " exited with " + std::to_string(outcome.code), outcome.messages);
}

// What the extraction folder must hold, as memory::ExtractedPaths lists it: each file with its
// bytes, and each folder that holds nothing (a folder entry's, or one on the way to an entry).
std::map<std::string, const Bytes*> ExpectedPaths(const Plan& plan) {
  std::map<std::string, const Bytes*> tree;  // every file, and every folder with a slash behind
  for (const Entry& entry : plan.entries) {
    std::string path = EntryPath(entry.name);
    for (size_t slash = path.find('/'); slash != std::string::npos; slash = path.find('/', slash + 1))
      tree[path.substr(0, slash + 1)] = nullptr;
    if (entry.folder)
      tree[path + '/'] = nullptr;
    else if (!tree.emplace(path, &entry.data).second)
      Fail("two entries land on one path", entry.name + " -> " + path);
  }
  // What a folder holds sorts right behind it.
  for (auto item = tree.begin(); item != tree.end();) {
    auto next = std::next(item);
    bool holds = item->first.back() == '/' && next != tree.end() && next->first.compare(0, item->first.size(), item->first) == 0;
    item = holds ? tree.erase(item) : next;
  }
  return tree;
}

std::string Lines(const std::vector<std::string>& names) {
  std::string lines;
  for (const std::string& name : names) lines += name + '\n';
  return lines;
}

// A name as unsfx prints it: a C1 control (U+0080 to U+009F, in UTF-8 the bytes C2 80 to C2 9F)
// is spelled \u0080 to \u009F, so that no terminal acts on it. The C0 controls and DEL never
// get this far: the engine refuses the names that hold them.
std::string AsListed(const std::string& name) {
  std::string listed;
  for (size_t at = 0; at < name.size(); at++) {
    uint8_t next = at + 1 < name.size() ? static_cast<uint8_t>(name[at + 1]) : 0;
    if (static_cast<uint8_t>(name[at]) == 0xC2 && next >= 0x80 && next <= 0x9F) {
      char spelled[8];
      snprintf(spelled, sizeof spelled, "\\u%04X", next);
      listed += spelled;
      at++;
    } else {
      listed += name[at];
    }
  }
  return listed;
}

void CheckListing(const Plan& plan, const Outcome& listing) {
  RequireSuccess("the listing", listing);
  std::vector<std::string> names;
  for (const Entry& entry : plan.entries) names.push_back(AsListed(entry.name));
  if (listing.out != Lines(names)) Fail("the listing differs", "listed:\n" + listing.out + "written:\n" + Lines(names));
}

void CheckExtraction(const Plan& plan, const Outcome& extraction) {
  RequireSuccess("the extraction", extraction);
  std::map<std::string, const Bytes*> expected = ExpectedPaths(plan);
  std::vector<std::string> expectedNames;
  for (const auto& item : expected) expectedNames.push_back(item.first);
  std::vector<std::string> extracted = memory::ExtractedPaths();
  if (extracted != expectedNames)
    Fail("the extraction folder differs", "extracted:\n" + Lines(extracted) + "expected:\n" + Lines(expectedNames));
  Bytes bytes;
  for (const auto& item : expected)
    if (item.second && (!memory::ExtractedBytes(item.first, bytes) || bytes != *item.second))
      Fail("a file came back with other bytes", item.first);
}

uint64_t Fingerprint(const uint8_t* data, size_t size) {
  uint64_t hash = 14695981039346656037u;  // FNV-1a
  for (size_t i = 0; i < size; i++) hash = (hash ^ data[i]) * 1099511628211u;
  return hash;
}

}  // namespace

// mksfx's host calls, as the archive writer makes them here: a source's path is its index among
// the sources, its bytes are read from memory, and the encryption headers' random bytes come
// from a generator seeded by the input, so that a run can be repeated.
namespace host {

FILE* OpenForReading(const std::filesystem::path& path) {
  static char none;
  const Bytes& bytes = *sources.at(std::stoul(path.string()));
  void* at = bytes.empty() ? static_cast<void*>(&none) : const_cast<uint8_t*>(bytes.data());
  return fmemopen(at, bytes.size(), "rb");
}

bool SeekTo(FILE* file, uint64_t position) { return fseeko(file, static_cast<off_t>(position), SEEK_SET) == 0; }

bool FillRandom(uint8_t* buffer, size_t count) {
  for (size_t i = 0; i < count; i++) {
    randomState = randomState * 6364136223846793005u + 1442695040888963407u;
    buffer[i] = static_cast<uint8_t>(randomState >> 56);
  }
  return true;
}

bool StderrIsTerminal() { return false; }

}  // namespace host

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Plan plan = Decode(data, size);
  if (!IsWritable(plan)) return -1;  // not worth keeping in the corpus
  randomState = Fingerprint(data, size);
  Bytes archive = WriteArchive(plan);
  memory::EmptyExtractionFolder();
  memory::PutArchive(archive.data(), archive.size());
  CheckListing(plan, Run(Command::List, plan.password));
  CheckExtraction(plan, Run(Command::Extract, plan.password));
  RequireSuccess("the test", Run(Command::Test, plan.password));
  return 0;
}
