#include "tools/unsfx/console_view.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

#include "extract/format.h"
#include "extract/sfx_state.h"
#include "tools/unsfx/tests/scripted_prompter.h"

class ConsoleViewTest : public ::testing::Test {
 protected:
  void SetUp() override { sfx = SfxState(); }
  void TearDown() override { sfx = SfxState(); }
  std::string Password() const { return std::string(sfx.passwordText, sfx.passwordLength); }
  std::ostringstream messages_;
};

TEST_F(ConsoleViewTest, PasswordOptionAnswersEveryPasswordQuestionWithoutPrompting) {
  ViewSettings settings;
  settings.password = "secret";
  ScriptedPrompter prompter(true, {"typed"});
  ConsoleView view(settings, prompter, messages_);
  view.AskPassword();
  view.AskPassword();
  EXPECT_EQ(Password(), "secret");
  EXPECT_TRUE(prompter.prompts.empty());
  EXPECT_EQ(view.Report().passwordQuestions, 2);
}

TEST_F(ConsoleViewTest, PasswordIsPromptedWithoutEchoOnATerminal) {
  ScriptedPrompter prompter(true, {"typed"});
  ConsoleView view(ViewSettings(), prompter, messages_);
  view.AskPassword();
  EXPECT_EQ(Password(), "typed");
  ASSERT_EQ(prompter.echoes.size(), 1u);
  EXPECT_FALSE(prompter.echoes[0]);
}

TEST_F(ConsoleViewTest, PasswordIsEmptyWithoutATerminal) {
  memcpy(sfx.passwordText, "stale", 6);
  sfx.passwordLength = 5;
  ScriptedPrompter prompter(false, {"typed"});
  ConsoleView view(ViewSettings(), prompter, messages_);
  view.AskPassword();
  EXPECT_EQ(sfx.passwordLength, 0);
  EXPECT_EQ(sfx.passwordText[0], '\0');
  EXPECT_TRUE(prompter.prompts.empty());
}

TEST_F(ConsoleViewTest, TypedPasswordIsCutToWhatThePasswordFieldTakes) {
  ScriptedPrompter prompter(true, {std::string(200, 'p')});
  ConsoleView view(ViewSettings(), prompter, messages_);
  view.AskPassword();
  EXPECT_EQ(Password(), std::string(PasswordCharacters, 'p'));
}

TEST_F(ConsoleViewTest, TypedPasswordBeyondAsciiIsCutInCharactersNotBytes) {
  std::string umlauts;
  for (int i = 0; i < 100; i++) umlauts += "\xC3\xA4";
  ScriptedPrompter prompter(true, {umlauts});
  ConsoleView view(ViewSettings(), prompter, messages_);
  view.AskPassword();
  EXPECT_EQ(Password(), umlauts.substr(0, 2 * PasswordCharacters));
}

struct OverwriteCase {
  const char* answer;
  uint8_t confirmAnswer;
  uint8_t policy;
};

class OverwriteAnswer : public ConsoleViewTest, public ::testing::WithParamInterface<OverwriteCase> {};

TEST_P(OverwriteAnswer, SetsTheAnswerAndThePolicyForLaterFiles) {
  sfx.policy = PolicyConfirm;
  sfx.confirmName = "readme.txt";
  ScriptedPrompter prompter(true, {GetParam().answer});
  ConsoleView view(ViewSettings(), prompter, messages_);
  view.AskOverwrite();
  EXPECT_EQ(sfx.confirmAnswer, GetParam().confirmAnswer);
  EXPECT_EQ(sfx.policy, GetParam().policy);
  ASSERT_EQ(prompter.prompts.size(), 1u);
  EXPECT_EQ(prompter.prompts[0].rfind(std::string("readme.txt") + msg::OverwriteQuestionSuffix, 0), 0u);
}

INSTANTIATE_TEST_SUITE_P(, OverwriteAnswer,
                         ::testing::Values(OverwriteCase{"y", 1, PolicyConfirm},
                                           OverwriteCase{"n", 0, PolicyConfirm},
                                           OverwriteCase{"A", 1, PolicyOverwrite},
                                           OverwriteCase{"N", 0, PolicySkip}));

TEST_F(ConsoleViewTest, OverwriteQuestionIsRepeatedUntilAValidAnswer) {
  sfx.confirmAnswer = 0;
  ScriptedPrompter prompter(true, {"maybe", "", "y"});
  ConsoleView view(ViewSettings(), prompter, messages_);
  view.AskOverwrite();
  EXPECT_EQ(sfx.confirmAnswer, 1);
  EXPECT_EQ(prompter.prompts.size(), 3u);
}

TEST_F(ConsoleViewTest, OverwriteQuestionLeavesTheFileWhenInputEnds) {
  sfx.confirmAnswer = 1;
  ScriptedPrompter prompter(true, {"maybe"});
  ConsoleView view(ViewSettings(), prompter, messages_);
  view.AskOverwrite();
  EXPECT_EQ(sfx.confirmAnswer, 0);
  EXPECT_EQ(sfx.policy, PolicyConfirm);
}

TEST_F(ConsoleViewTest, OverwriteQuestionWithoutATerminalSkipsTheFile) {
  sfx.confirmAnswer = 1;
  ScriptedPrompter prompter(false, {"y"});
  ConsoleView view(ViewSettings(), prompter, messages_);
  view.AskOverwrite();
  EXPECT_EQ(sfx.confirmAnswer, 0);
  EXPECT_TRUE(prompter.prompts.empty());
}

TEST_F(ConsoleViewTest, MessagesAreSortedIntoTheRunReport) {
  ScriptedPrompter prompter(false, {});
  ConsoleView view(ViewSettings(), prompter, messages_);
  view.ShowMessage("C:\\out\\a.txt", msg::OpenFailedCaption);
  EXPECT_TRUE(view.Report().entryError);
  EXPECT_FALSE(view.Report().archiveError);
  view.ShowMessage(msg::UnsupportedMethod, msg::UnableCaption);
  EXPECT_TRUE(view.Report().unsupportedMethod);
  view.ShowMessage(msg::NoEntries, msg::NoEntriesCaption);
  EXPECT_TRUE(view.Report().archiveError);
  EXPECT_FALSE(view.Report().finished);
  view.ShowMessage(msg::Failure, msg::FailureCaption);
  EXPECT_TRUE(view.Report().finished);
  view.ClearReport();
  EXPECT_FALSE(view.Report().entryError || view.Report().archiveError || view.Report().finished);
}

TEST_F(ConsoleViewTest, ErrorsArePrintedAndTheClosingVerdictIsLeftToTheStatusLine) {
  ScriptedPrompter prompter(false, {});
  ConsoleView view(ViewSettings(), prompter, messages_);
  view.ShowMessage("/out/a.txt", msg::OpenFailedCaption);
  view.ShowMessage(msg::Success, msg::SuccessCaption);
  view.SetStatus(msg::SuccessStatus);
  EXPECT_EQ(messages_.str(), std::string("unsfx: ") + msg::OpenFailedCaption + " /out/a.txt\n" +
                                 msg::SuccessStatus + "\n");
}

TEST_F(ConsoleViewTest, QuietViewPrintsNoStatusLines) {
  ViewSettings settings;
  settings.quiet = true;
  ScriptedPrompter prompter(false, {});
  ConsoleView view(settings, prompter, messages_);
  view.SetStatus("Extracting: a.txt");
  EXPECT_EQ(messages_.str(), "");
}

TEST_F(ConsoleViewTest, StoredPathsFollowTheSettingUntilTheScanUnchecksThem) {
  ScriptedPrompter prompter(false, {});
  ConsoleView view(ViewSettings(), prompter, messages_);
  EXPECT_TRUE(view.StoredPathsChecked());
  view.UncheckAndDisableStoredPaths();
  EXPECT_FALSE(view.StoredPathsChecked());
}

TEST_F(ConsoleViewTest, KeepsArchiveOrderBesideTheSortedListAndCountsWhatStaysSelectedAsFailed) {
  ScriptedPrompter prompter(false, {});
  ConsoleView view(ViewSettings(), prompter, messages_);
  view.AddItem("b");
  view.AddItem("a");
  view.AddItem("c");
  view.SelectAll();
  view.SetSelected(view.FindExact(-1, "b"), false);
  EXPECT_EQ(view.NamesInArchiveOrder(), (std::vector<std::string>{"b", "a", "c"}));
  EXPECT_EQ(view.OutcomeLine(0), "failed: a");
  EXPECT_EQ(view.OutcomeLine(1), "extracted: b");
  EXPECT_EQ(view.OutcomeLine(2), "failed: c");
  view.ResetList();
  EXPECT_EQ(view.Count(), 0);
  EXPECT_TRUE(view.NamesInArchiveOrder().empty());
}

TEST_F(ConsoleViewTest, AnItemNoEntryTookFailsAsNotReached) {
  ScriptedPrompter prompter(false, {});
  ConsoleView view(ViewSettings(), prompter, messages_);
  for (const char* name : {"c", "a", "b", "d"}) view.AddItem(name);
  view.SelectAll();
  view.ClearReport();
  // The run: a extracted, c failed, the run ended inside b's entry and never took d's.
  view.NoteTaken(0);
  view.SetSelected(0, false);
  view.NoteTaken(2);
  sfx.listIndex = 2;
  view.NoteFailure(EntryFailure::CrcMismatch);
  view.NoteTaken(1);
  view.ExplainItemsNotTaken();
  EXPECT_EQ(view.OutcomeLine(0), "extracted: a");
  EXPECT_EQ(view.OutcomeLine(1), "failed: b");
  EXPECT_EQ(view.OutcomeLine(2), "failed: c (its data does not match its CRC-32)");
  EXPECT_EQ(view.OutcomeLine(3), "failed: d (the run ended before its entry)");
}

TEST_F(ConsoleViewTest, OnATerminalALongEntrysFigureRewritesOneLineThatTheNextLineEnds) {
  ScriptedPrompter prompter(false, {});
  prompter.messagesOnTerminal = true;
  ConsoleView view(ViewSettings(), prompter, messages_);
  view.SetStatus("Testing: disk.img");
  view.SetProgress("Testing: disk.img  41 %");
  view.SetProgress("Testing: disk.img  100 %");
  view.SetStatus("Extraction successful");
  EXPECT_EQ(messages_.str(),
            "Testing: disk.img\n\rTesting: disk.img  41 %\rTesting: disk.img  100 %\nExtraction successful\n");
}

TEST_F(ConsoleViewTest, ALongEntrysFigureIsLeftOutOfALogAndOfAQuietRun) {
  ScriptedPrompter prompter(false, {});
  ConsoleView view(ViewSettings(), prompter, messages_);
  view.SetProgress("Testing: disk.img  41 %");
  ViewSettings quiet;
  quiet.quiet = true;
  prompter.messagesOnTerminal = true;
  ConsoleView quietView(quiet, prompter, messages_);
  quietView.SetProgress("Testing: disk.img  41 %");
  EXPECT_EQ(messages_.str(), "");
}
