#include "tools/unsfx/exit_codes.h"

#include <gtest/gtest.h>

static RunReport Finished() {
  RunReport report;
  report.finished = true;
  return report;
}

TEST(ExitCode, AllFineWhenTheRunFinishedWithNothingSelected) {
  EXPECT_EQ(ExitCodeFor(Finished(), 0), ExitAllFine);
}

TEST(ExitCode, EntryFailedWhenItemsStaySelectedOrAnEntryCouldNotBeWritten) {
  EXPECT_EQ(ExitCodeFor(Finished(), 2), ExitEntryFailed);
  RunReport report = Finished();
  report.entryError = true;
  EXPECT_EQ(ExitCodeFor(report, 0), ExitEntryFailed);
}

TEST(ExitCode, UnsupportedMethodIsAnEntryFailureEvenAfterAPasswordQuestion) {
  RunReport report;
  report.unsupportedMethod = true;
  report.passwordQuestions = 1;
  EXPECT_EQ(ExitCodeFor(report, 1), ExitEntryFailed);
}

TEST(ExitCode, WrongPasswordWhenTheRunEndedWithoutItsClosingMessageAfterAsking) {
  RunReport report;
  report.passwordQuestions = 3;
  EXPECT_EQ(ExitCodeFor(report, 4), ExitWrongPassword);
  report.finished = true;  // a password typed wrong once, then right
  EXPECT_EQ(ExitCodeFor(report, 0), ExitAllFine);
}

TEST(ExitCode, BadArchiveOutranksEverythingElse) {
  RunReport report = Finished();
  report.archiveError = true;
  report.passwordQuestions = 3;
  report.entryError = true;
  EXPECT_EQ(ExitCodeFor(report, 3), ExitBadArchive);
}
