// What a run without windows reports and how it ends: the messages it showed sorted by kind,
// the words for why each entry failed, and the exit code, as unsfx and the program's silent run
// both give it.
#pragma once

#include <string>

#include "extract/entry_failure.h"

enum ExitCode : int {
  ExitAllFine = 0,
  ExitEntryFailed = 1,   // a CRC or size error, a file that could not be written, an entry refused
  ExitBadArchive = 2,    // also a usage error, bad switches or a file that cannot be read
  ExitWrongPassword = 3, // the run ended after three failed password checks
};

// What a run showed, by kind.
struct RunReport {
  bool archiveError = false;       // the archive could not be found or read
  bool unsupportedMethod = false;  // the run stopped at an entry it cannot decrypt, decode or delimit
  bool entryError = false;         // an entry could not be written (its item stays selected)
  bool finished = false;           // the run reached its closing message
  int passwordQuestions = 0;
};

// Sorts a message the scan showed into the report by its caption.
void RecordMessage(RunReport& report, const std::string& caption);

// The verdict of a test or extraction run from what it reported and what stayed selected.
ExitCode ExitCodeFor(const RunReport& report, int itemsStillSelected);
// "an entry failed", and the line that ends a log: "exit code 1: an entry failed".
const char* ExitCodeMeaning(ExitCode code);
std::string VerdictLine(ExitCode code);

// The words for each reason, as a failed entry's line ends in them.
const char* FailureText(EntryFailure reason);
