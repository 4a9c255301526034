#include "tools/unsfx/run.h"

#include "extract/format.h"
#include "extract/run_report.h"
#include "extract/scan.h"
#include "extract/sfx_state.h"
#include "extract/tables.h"
#include "platform/printable_text.h"
#include "tools/unsfx/archive_file.h"
#include "tools/unsfx/console_view.h"

// The entries the listing reached, also from a damaged archive, whose damage the exit code tells.
static int PrintListing(ConsoleView& view, std::ostream& out) {
  for (const std::string& name : view.NamesInArchiveOrder()) out << PrintableText(name) << '\n';
  return view.Report().archiveError ? ExitBadArchive : ExitAllFine;
}

// Runs the scan over every entry and names those that failed, each with its reason.
static int RunOverAllEntries(ConsoleView& view, ScanMode mode, std::ostream& messages) {
  ExitCode code = RunOverEveryEntry(view, mode);
  for (int i = 0; i < view.Count(); i++)
    if (view.IsSelected(i)) messages << "unsfx: " << view.OutcomeLine(i) << '\n';
  if (code == ExitWrongPassword) messages << "unsfx: " << msg::PasswordRefused << '\n';
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
