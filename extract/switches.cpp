#include "extract/switches.h"

#include "extract/format.h"
#include "extract/run_report.h"
#include "platform/utf8.h"

namespace {

char UpperCase(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// The reason a /D folder is refused, or null. A path cut to fit the field would lead elsewhere.
const char* FolderProblem(const std::string& folder) {
  if (Utf16Length(folder) > ExtractPathCharacters) return msg::SwitchFolderTooLong;
  // No Windows name holds a quote; one here is a backslash that took the closing quote along.
  if (folder.find('"') != std::string::npos) return msg::SwitchFolderQuoted;
  return nullptr;
}

// Takes one word into the switches; the refusal's reason when it is not a sound switch. A
// refused value is not repeated (it may be a password): the switch is named by its letter.
std::string TakeSwitch(Switches& s, const std::string& word, bool& overwrite, bool& skip) {
  if (word.size() < 2 || (word[0] != '/' && word[0] != '-')) return word + msg::SwitchUnknown;
  std::string named = word.substr(0, 2);
  char letter = UpperCase(word[1]);
  bool bare = word.size() == 2;
  if (letter == 'S' || letter == 'O' || letter == 'N' || letter == '?') {
    if (!bare) return word + msg::SwitchUnknown;
    if (letter == 'S') s.silent = true;
    if (letter == 'O') overwrite = true;
    if (letter == 'N') skip = true;
    if (letter == '?') s.help = true;
    return {};
  }
  if (letter != 'D' && letter != 'P' && letter != 'L') return word + msg::SwitchUnknown;
  if (!bare && word[2] != '=') return word + msg::SwitchUnknown;
  std::string value = bare ? std::string() : word.substr(3);
  if (letter == 'D') {
    if (value.empty()) return named + msg::SwitchNeedsFolder;
    if (const char* problem = FolderProblem(value)) return named + problem;
    s.folder = value;
  } else if (letter == 'P') {
    if (value.empty()) return named + msg::SwitchNeedsPassword;
    if (Utf16Length(value) > PasswordCharacters) return named + msg::SwitchPasswordTooLong;
    s.password = value;
  } else {
    if (value.empty()) return named + msg::SwitchNeedsFile;
    s.log = value;
  }
  return {};
}

}  // namespace

// Every word is taken, also behind a refused one, so that a silent run with a bad switch stays
// silent and still writes its log.
Switches ParseSwitches(const std::vector<std::string>& words) {
  Switches s;
  bool overwrite = false, skip = false;
  for (const std::string& word : words) {
    std::string refusal = TakeSwitch(s, word, overwrite, skip);
    if (s.refusal.empty()) s.refusal = refusal;
  }
  if (!s.refusal.empty()) return s;
  if (overwrite && skip) {
    s.refusal = msg::SwitchesContradict;
    return s;
  }
  s.policy = overwrite ? PolicyOverwrite : skip ? PolicySkip : PolicyConfirm;
  // A log is a silent run's account, and the password answers its questions: the dialog shows
  // its own run and asks its own.
  if (s.log && !s.silent) s.refusal = std::string("/L") + msg::SwitchNeedsSilent;
  if (s.password && !s.silent) s.refusal = std::string("/P") + msg::SwitchNeedsSilent;
  return s;
}

std::string SwitchesHelp() {
  std::string text = std::string(msg::SwitchesText) + "\n\n" + msg::ExitCodesHeading;
  for (ExitCode code : {ExitAllFine, ExitEntryFailed, ExitBadArchive, ExitWrongPassword})
    text += std::string("\n") + static_cast<char>('0' + code) + "\t" + ExitCodeMeaning(code);
  return text;
}
