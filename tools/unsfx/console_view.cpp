#include "tools/unsfx/console_view.h"

#include "extract/format.h"
#include "extract/sfx_state.h"
#include "platform/printable_text.h"

ConsoleView::ConsoleView(const ViewSettings& settings, Prompter& prompter, std::ostream& messages)
    : settings_(settings), prompter_(prompter), messages_(messages) {}

bool ConsoleView::StoredPathsChecked() { return settings_.storedPaths; }
void ConsoleView::UncheckAndDisableStoredPaths() { settings_.storedPaths = false; }

// Names come from the archive and may hold control characters: a terminal shown them raw
// would clear its screen or let "evil.exe\rharmless.txt" print as harmless.txt.
void ConsoleView::SetStatus(const std::string& text) {
  EndProgressLine();
  if (!settings_.quiet) messages_ << PrintableText(text) << '\n';
}

// On a terminal, a long entry's figure rewrites one line; anywhere else (a log) it would only
// repeat the entry's line a hundred times, so it is left out.
void ConsoleView::SetProgress(const std::string& text) {
  if (settings_.quiet || !prompter_.MessagesOnTerminal()) return;
  messages_ << '\r' << PrintableText(text) << std::flush;
  progressShown_ = true;
}

void ConsoleView::EndProgressLine() {
  if (progressShown_) messages_ << '\n';
  progressShown_ = false;
}

void ConsoleView::ShowMessage(const std::string& text, const std::string& caption) {
  EndProgressLine();
  RecordMessage(report_, caption);
  // The closing verdict also arrives as the status line; the caller lists what failed.
  if (report_.finished) return;
  messages_ << "unsfx: " << caption << ' ' << PrintableText(text) << '\n';
}

void ConsoleView::AskPassword() {
  report_.passwordQuestions++;
  std::string typed;
  if (settings_.password)
    typed = *settings_.password;
  else if (prompter_.Interactive())
    typed = prompter_.ReadLine("Password: ", false).value_or("");
  // As the dialog's edit field does, keep what fits and no more.
  SetPasswordText(typed);
}

void ConsoleView::AskOverwrite() {
  // Without a terminal nobody can answer: the file is left alone.
  sfx.confirmAnswer = 0;
  if (!prompter_.Interactive()) return;
  std::string question = PrintableText(sfx.confirmName) + msg::OverwriteQuestionSuffix +
                         " [y]es, [n]o, [A]ll, [N]one: ";
  // Asked again until one of the four answers comes; the end of input leaves the file alone.
  while (std::optional<std::string> answer = prompter_.ReadLine(question, true)) {
    if (*answer == "y" || *answer == "A") sfx.confirmAnswer = 1;
    if (*answer == "A") sfx.policy = PolicyOverwrite;
    if (*answer == "N") sfx.policy = PolicySkip;
    if (*answer == "y" || *answer == "n" || *answer == "A" || *answer == "N") return;
  }
}

void ConsoleView::DispatchOneMessage() {}
