#include "extract/run_report.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

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

TEST(ExitCode, TheVerdictLineGivesTheCodeAndItsMeaning) {
  EXPECT_EQ(VerdictLine(ExitAllFine), "exit code 0: every entry verified, or skipped on request");
  EXPECT_EQ(VerdictLine(ExitWrongPassword), "exit code 3: the password was refused");
}

TEST(FailureText, EveryReasonHasWordsOfItsOwn) {
  std::set<std::string> texts;
  for (int i = 0; i <= static_cast<int>(EntryFailure::OverwriteUndecided); i++)
    texts.insert(FailureText(static_cast<EntryFailure>(i)));
  EXPECT_EQ(texts.size(), static_cast<size_t>(EntryFailure::OverwriteUndecided) + 1);
  EXPECT_EQ(texts.count("it failed"), 0u);
}
