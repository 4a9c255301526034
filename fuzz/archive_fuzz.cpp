// The fuzz target: arbitrary bytes as a plain ZIP archive, run through unsfx as a user would:
// a listing, then extraction with stored paths, again without them (so every file already
// exists and the overwrite question comes), then a test run. Questions get fixed answers:
// "secret" first, then wrong passwords; yes to every overwrite.
#include <cstddef>
#include <cstdint>
#include <ostream>

#include "fuzz/sandbox.h"
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

void Run(Command command, bool storedPaths, const Sandbox& sandbox) {
  Options options;
  options.command = command;
  options.archive = sandbox.ArchivePath();
  options.directory = sandbox.OutPath();
  options.storedPaths = storedPaths;
  options.policy = PolicyConfirm;
  FixedAnswers answers;
  std::ostream discard(nullptr);
  RunCommand(options, answers, discard, discard);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Sandbox& sandbox = TheSandbox();
  sandbox.EmptyOut();
  sandbox.WriteArchive(data, size);
  Run(Command::List, true, sandbox);
  Run(Command::Extract, true, sandbox);
  Run(Command::Extract, false, sandbox);
  Run(Command::Test, true, sandbox);
  sandbox.CheckNothingEscaped();
  return 0;
}
