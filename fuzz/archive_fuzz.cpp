// The archive fuzz target: arbitrary bytes as a plain ZIP archive, run through unsfx as a user
// would: a listing, then extraction with stored paths, again without them (so every file already
// exists and the overwrite question comes), then a test run. Questions get fixed answers:
// "secret" first, then wrong passwords; yes to every overwrite. Everything happens on the disk
// in memory (platform/memory/), which ends the process at any change outside the extraction
// folder. Behind the commands no file may be left open, and the extraction folder may hold
// nothing but what the listed names name: an entry's path, or its file name alone, and the
// folders on its path; a temporary file left behind is a failure.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "extract/paths.h"
#include "extract/scan.h"
#include "extract/sfx_state.h"
#include "extract/tables.h"
#include "fuzz/entry_path.h"
#include "platform/memory/memory_disk.h"
#include "tools/unsfx/archive_file.h"
#include "tools/unsfx/console_view.h"
#include "tools/unsfx/run.h"

namespace {

class FixedAnswers : public Prompter {
 public:
  bool Interactive() override { return true; }
  std::optional<std::string> ReadLine(const std::string&, bool echo) override {
    if (echo) return std::string("y");
    static const char* const passwords[] = {"secret", "wrong", "Secret"};
    return std::string(passwords[passwordsGiven_++ % 3]);
  }

 private:
  unsigned passwordsGiven_ = 0;
};

void Run(Command command, bool storedPaths, std::ostream& out) {
  Options options;
  options.command = command;
  options.archive = memory::ArchivePath;
  options.directory = memory::ExtractionFolder;
  options.storedPaths = storedPaths;
  options.policy = PolicyConfirm;
  FixedAnswers answers;
  std::ostream discard(nullptr);
  RunCommand(options, answers, out, discard);
}

// The entry names as the engine holds them. unsfx prints them made fit for a terminal, which
// a name's own bytes could not be told from; the check needs them as they are.
std::vector<std::string> ListedNames() {
  sfx = SfxState();
  std::vector<std::string> names;
  if (OpenArchiveFile(memory::ArchivePath) && CreateTables()) {
    FixedAnswers answers;
    std::ostream discard(nullptr);
    ConsoleView view(ViewSettings(), answers, discard);
    ScanArchive(view, ListMode);
    names = view.NamesInArchiveOrder();
  }
  ReleaseTables();
  CloseArchiveFile();
  return names;
}

[[noreturn]] void Fail(const char* what, const std::string& name) {
  fprintf(stderr, "%s: %s\n", what, name.c_str());
  abort();
}

// Each listed name's path, and its file name part, which the extraction without stored paths
// writes.
std::set<std::string> ExtractablePaths(const std::vector<std::string>& names) {
  std::set<std::string> paths;
  for (const std::string& name : names) {
    std::string path = EntryPath(name), fileName = FileNamePart(name);
    if (!path.empty()) paths.insert(path);
    if (!fileName.empty()) paths.insert(fileName);
  }
  return paths;
}

// A file must have a listed path or file name; an empty directory must have a listed path, or
// lie on the way to one. The folders that hold something lie on the way to what they hold.
bool IsNamedByListing(const std::set<std::string>& paths, const std::string& extracted) {
  bool directory = extracted.back() == '/';
  std::string path = directory ? extracted.substr(0, extracted.size() - 1) : extracted;
  if (paths.count(path)) return true;
  auto below = paths.lower_bound(path + '/');
  return directory && below != paths.end() && below->compare(0, path.size() + 1, path + '/') == 0;
}

void CheckWhatIsLeft(const std::vector<std::string>& names) {
  if (memory::OpenFiles() != 0) Fail("LEFT OPEN", std::to_string(memory::OpenFiles()) + " files");
  std::set<std::string> paths = ExtractablePaths(names);
  for (const std::string& extracted : memory::ExtractedPaths())
    if (!IsNamedByListing(paths, extracted)) Fail("LEFT BEHIND", extracted);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  memory::EmptyExtractionFolder();
  memory::PutArchive(data, size);
  std::ostream discard(nullptr);
  Run(Command::List, true, discard);
  Run(Command::Extract, true, discard);
  Run(Command::Extract, false, discard);
  Run(Command::Test, true, discard);
  CheckWhatIsLeft(ListedNames());
  return 0;
}
