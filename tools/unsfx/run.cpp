#include "tools/unsfx/run.h"

#include "extract/tables.h"
#include "extract/scan.h"
#include "extract/sfx_state.h"
#include "tools/common/printable_text.h"
#include "tools/unsfx/archive_file.h"
#include "tools/unsfx/console_view.h"
#include "tools/unsfx/exit_codes.h"

// The entries the listing reached, also from a damaged archive, whose damage the exit code tells.
static int PrintListing(ConsoleView& view, std::ostream& out) {
  for (const std::string& name : view.NamesInArchiveOrder()) out << PrintableText(name) << '\n';
  return view.Report().archiveError ? ExitBadArchive : ExitAllFine;
}

// Selects every entry, runs the scan over them and names those that stayed selected, each with
// its reason. The entries in front of any damage are handled all the same.
static int RunOverAllEntries(ConsoleView& view, ScanMode mode, std::ostream& messages) {
  if (view.Report().archiveError && view.Count() == 0) return ExitBadArchive;
  view.SelectAll();
  view.ClearReport();
  ScanArchive(view, mode);
  std::vector<std::string> failed = view.SelectedNames();
  for (const std::string& name : failed) {
    std::string reason = view.FailureOf(name);
    messages << "unsfx: failed: " << PrintableText(name) << (reason.empty() ? "" : " (" + reason + ")") << '\n';
  }
  int code = ExitCodeFor(view.Report(), static_cast<int>(failed.size()));
  if (code == ExitWrongPassword) messages << "unsfx: the password was refused three times; the run ended there\n";
  return code;
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
  int code = ExitBadArchive;
  if (CreateTables())
    code = RunOnOpenArchive(options, prompter, out, messages);
  else
    messages << "unsfx: " << msg::OutOfMemory << '\n';
  ReleaseTables();
  CloseArchiveFile();
  return code;
}
