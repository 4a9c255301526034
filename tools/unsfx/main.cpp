// unsfx: lists, tests and extracts a self-extracting program's archive (or a plain ZIP) on the
// command line, through the same engine and rules as the dialog.
#include <iostream>

#include "extract/run_report.h"
#include "tools/unsfx/arguments.h"
#include "tools/unsfx/options.h"
#include "tools/unsfx/run.h"

int main(int argc, char** argv) {
  ParsedCommandLine parsed = ParseCommandLine(Utf8Arguments(argc, argv));
  if (!parsed.error.empty()) {
    std::cerr << "unsfx: " << parsed.error << "\n" << UsageText();
    return ExitBadArchive;
  }
  if (parsed.options.command == Command::Help) {
    std::cout << UsageText();
    return ExitAllFine;
  }
  TerminalPrompter terminal;
  return RunCommand(parsed.options, terminal, std::cout, std::cerr);
}
