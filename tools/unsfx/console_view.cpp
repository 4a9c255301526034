#include "tools/unsfx/console_view.h"

#include "extract/format.h"
#include "extract/sfx_state.h"
#include "tools/common/printable_text.h"

ConsoleView::ConsoleView(const ViewSettings& settings, Prompter& prompter, std::ostream& messages)
    : settings_(settings), prompter_(prompter), messages_(messages) {}

void ConsoleView::ResetList() {
  list_.Clear();
  archiveOrder_.clear();
}

void ConsoleView::AddItem(const std::string& name) {
  list_.Add(name);
  archiveOrder_.push_back(name);
}

int ConsoleView::FindExact(int after, const std::string& name) { return list_.FindExact(after, name); }
bool ConsoleView::IsSelected(int index) { return list_.IsSelected(index); }
void ConsoleView::SetSelected(int index, bool selected) { list_.SetSelected(index, selected); }
int ConsoleView::SelectedCount() { return list_.SelectedCount(); }
int ConsoleView::Count() { return list_.Count(); }
void ConsoleView::SelectAll() { list_.SelectAll(); }

std::vector<std::string> ConsoleView::SelectedNames() {
  std::vector<std::string> names;
  for (int i = 0; i < list_.Count(); i++)
    if (list_.IsSelected(i)) names.push_back(list_.Text(i));
  return names;
}

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

void ConsoleView::RecordMessage(const std::string& caption) {
  if (caption == msg::ArchiveErrorCaption || caption == msg::NoEntriesCaption)
    report_.archiveError = true;
  else if (caption == msg::UnableCaption)
    report_.unsupportedMethod = true;
  else if (caption == msg::SuccessCaption || caption == msg::FailureCaption)
    report_.finished = true;
  else
    report_.entryError = true;
}

void ConsoleView::ShowMessage(const std::string& text, const std::string& caption) {
  EndProgressLine();
  RecordMessage(caption);
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

// The words for each reason, as a failed entry's line ends in them.
static const char* FailureText(EntryFailure reason) {
  switch (reason) {
    case EntryFailure::CrcMismatch: return "its data does not match its CRC-32";
    case EntryFailure::SizeMismatch: return "its size is not the one the archive states";
    case EntryFailure::DescriptorMismatch: return "its data does not end where its data descriptor says";
    case EntryFailure::DataCutShort: return "the archive ends inside its data";
    case EntryFailure::DataCorrupt: return "its compressed data is damaged";
    case EntryFailure::OutOfMemory: return msg::OutOfMemory;
    case EntryFailure::NotWritten: return "it could not be written";
    case EntryFailure::NotCreated: return "its file could not be created";
    case EntryFailure::NotReplaced: return "the file of its name could not be replaced";
    case EntryFailure::NotMarked: return "its file could not be marked as downloaded, as the archive is";
    case EntryFailure::NameUnsafe: return "its name is unsafe";
    case EntryFailure::NamePartTooLong: return "a part of its name is longer than the file system takes";
    case EntryFailure::PathTooLong: return "its path is longer than the system takes";
    case EntryFailure::NoDirectory: return "its folder could not be created";
    case EntryFailure::NotReachable: return "its data cannot be reached";
    case EntryFailure::EndUnknown: return "its end is unknown";
    case EntryFailure::CannotDecode: return "it cannot be decoded here";
    case EntryFailure::NotAuthentic: return "its data does not match its authentication code";
    case EntryFailure::CryptographyFailed: return "the system's cryptography failed on it";
  }
  return "it failed";
}

// The first reason an entry gave is the one that counts: later ones follow from it.
void ConsoleView::NoteFailure(EntryFailure reason) {
  if (sfx.listIndex >= 0 && sfx.listIndex < list_.Count())
    failures_.emplace(list_.Text(sfx.listIndex), FailureText(reason));
}

std::string ConsoleView::FailureOf(const std::string& name) {
  auto found = failures_.find(name);
  return found == failures_.end() ? std::string() : found->second;
}
