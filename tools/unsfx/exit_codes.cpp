#include "tools/unsfx/exit_codes.h"

ExitCode ExitCodeFor(const RunReport& report, int itemsStillSelected) {
  if (report.archiveError) return ExitBadArchive;
  if (report.unsupportedMethod) return ExitEntryFailed;
  // Three failed password checks end a run without its closing message.
  if (!report.finished && report.passwordQuestions > 0) return ExitWrongPassword;
  if (itemsStillSelected > 0 || report.entryError) return ExitEntryFailed;
  return ExitAllFine;
}
