#include "extract/unattended.h"

#include <algorithm>

#include "extract/format.h"
#include "extract/output_file.h"
#include "extract/sfx_state.h"
#include "platform/printable_text.h"

SilentView::SilentView(const Switches& switches, std::vector<std::string>& lines)
    : switches_(switches), lines_(lines) {}

// The closing verdict is the exit code's to tell.
void SilentView::ShowMessage(const std::string& text, const std::string& caption) {
  RecordMessage(report_, caption);
  if (caption == msg::SuccessCaption || caption == msg::FailureCaption) return;
  lines_.push_back(caption + " " + PrintableText(text));
}

// Without /P nothing is typed, and the entry fails as a refused password does.
void SilentView::AskPassword() {
  report_.passwordQuestions++;
  SetPasswordText(switches_.password.value_or(""));
}

// Asked only under neither /O nor /N: nobody decides, so the file stays and its entry fails.
void SilentView::AskOverwrite() { sfx.confirmAnswer = AnswerUndecided; }

ExitCode ExtractUnattended(const Switches& switches, const std::string& folder, std::vector<std::string>& lines) {
  sfx.policy = switches.policy;
  SilentView view(switches, lines);
  ScanArchive(view, ListMode);
  SetExtractPath(folder);
  ExitCode code = RunOverEveryEntry(view, ExtractMode);
  for (int i = 0; i < view.Count(); i++) lines.push_back(view.OutcomeLine(i));
  if (code == ExitWrongPassword) lines.push_back(msg::PasswordRefused);
  return code;
}

ExitCode RunSilently(const Switches& switches, const std::string& folder, std::vector<std::string> lines,
                     ExitCode startUp) {
  LogFile log;
  if (switches.log && !log.Open(*switches.log)) return ExitBadArchive;
  ExitCode code = startUp != ExitAllFine ? startUp : ExtractUnattended(switches, folder, lines);
  lines.push_back(VerdictLine(code));
  if (switches.log && !log.Finish(lines) && code == ExitAllFine) code = ExitBadArchive;
  return code;
}

LogFile::~LogFile() {
  if (file_ == platform::InvalidFile) return;
  platform::CloseFile(file_);
  platform::RemoveFile(temporary_.c_str());
}

bool LogFile::Open(const std::string& path) {
  path_ = path;
  file_ = CreateTemporaryBeside(path, temporary_);
  return file_ != platform::InvalidFile;
}

// The lines end in Windows' own line end, a carriage return and a line feed (its tools read either).
bool LogFile::Finish(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  bool written = true;
  for (size_t at = 0; written && at < text.size(); at += ChunkSize) {
    uint32_t count = static_cast<uint32_t>(std::min<size_t>(ChunkSize, text.size() - at));
    written = platform::WriteFile(file_, text.data() + at, count) == count;
  }
  bool closed = platform::CloseFile(file_);
  file_ = platform::InvalidFile;
  if (written && closed && platform::MoveReplacing(temporary_.c_str(), path_.c_str())) return true;
  platform::RemoveFile(temporary_.c_str());
  return false;
}
