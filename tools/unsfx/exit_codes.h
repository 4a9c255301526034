// The exit codes of unsfx, as command-line archivers use them.
#pragma once

#include "tools/unsfx/console_view.h"

enum ExitCode : int {
  ExitAllFine = 0,
  ExitEntryFailed = 1,   // a CRC or size error, a file that could not be written, an entry refused
  ExitBadArchive = 2,    // also a usage error or a file that cannot be read
  ExitWrongPassword = 3, // the run ended after three failed password checks
};

// The verdict of a test or extraction run from what it reported and what stayed selected.
ExitCode ExitCodeFor(const RunReport& report, int itemsStillSelected);
