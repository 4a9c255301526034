#include "tools/unsfx/run.h"

#include "extract/crc32.h"
#include "extract/scan.h"
#include "extract/sfx_state.h"
#include "tools/unsfx/archive_file.h"
#include "tools/unsfx/console_view.h"
#include "tools/unsfx/exit_codes.h"

static int PrintListing(ConsoleView& view, std::ostream& out) {
  if (view.Report().archiveError) return ExitBadArchive;
  for (const std::string& name : view.NamesInArchiveOrder()) out << name << '\n';
  return ExitAllFine;
}

// Selects every entry, runs the scan over them and names those that stayed selected.
static int RunOverAllEntries(ConsoleView& view, ScanMode mode, std::ostream& messages) {
  if (view.Report().archiveError) return ExitBadArchive;
  view.SelectAll();
  view.ClearReport();
  ScanArchive(view, mode);
  std::vector<std::string> failed = view.SelectedNames();
  for (const std::string& name : failed) messages << "unsfx: failed: " << name << '\n';
  return ExitCodeFor(view.Report(), static_cast<int>(failed.size()));
}

static int RunOnOpenArchive(const Options& options, Prompter& prompter, std::ostream& out,
                            std::ostream& messages) {
  ViewSettings settings;
  settings.storedPaths = options.storedPaths;
  settings.quiet = options.quiet;
  settings.password = options.password;
  ConsoleView view(settings, prompter, messages);
  sfx.policy = options.policy;
  ScanArchive(view, ListMode);
  switch (options.command) {
    case Command::List:
      return PrintListing(view, out);
    case Command::Test:
      return RunOverAllEntries(view, TestMode, messages);
    case Command::Extract:
      // The command line has refused a folder that does not fit; an empty one is the current
      // folder, which the scan fills in itself.
      SetExtractPath(options.directory);
      return RunOverAllEntries(view, ExtractMode, messages);
    case Command::Help:
      break;
  }
  return ExitAllFine;
}

int RunCommand(const Options& options, Prompter& prompter, std::ostream& out, std::ostream& messages) {
  sfx = SfxState();
  if (!OpenArchiveFile(options.archive)) {
    messages << "unsfx: cannot open " << options.archive << '\n';
    return ExitBadArchive;
  }
  CreateCrcTable();
  int code = RunOnOpenArchive(options, prompter, out, messages);
  ReleaseCrcTable();
  CloseArchiveFile();
  return code;
}
