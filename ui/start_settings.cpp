#include "ui/start_settings.h"

#include <windows.h>
#include <shellapi.h>

#include "platform/win32/wide_text.h"

std::vector<std::string> CommandLineWords() {
  std::vector<std::string> words;
  int count = 0;
  wchar_t** split = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!split) return words;
  for (int i = 1; i < count; i++) words.push_back(Utf8FromWide(split[i]));
  LocalFree(split);
  return words;
}

// The block mksfx finds by its marker and fills in; the stub as built carries it empty. It is
// read through a pointer the compiler cannot see through: else it could fold the empty block it
// was built with into the code, and never read what mksfx wrote.
extern const PresetBlock OwnPresetBlock;
const PresetBlock OwnPresetBlock = EmptyPresetBlock();

Presets OwnPresets() {
  const uint8_t* volatile block = OwnPresetBlock.data();
  return ReadPresets(block);
}

// Windows leaves a reference to a variable that does not exist as it stands, "%NAME%", which
// would make a folder of that name: every name between two percent signs must be set.
static bool EveryReferenceIsSet(const std::wstring& text) {
  for (size_t open = text.find(L'%'); open != std::wstring::npos;) {
    size_t close = text.find(L'%', open + 1);
    if (close == std::wstring::npos) return true;
    std::wstring name = text.substr(open + 1, close - open - 1);
    if (name.empty() || GetEnvironmentVariableW(name.c_str(), nullptr, 0) == 0) return false;
    open = text.find(L'%', close + 1);
  }
  return true;
}

std::string ExpandedPresetFolder(const std::string& preset) {
  WideText text(preset);
  if (!EveryReferenceIsSet(text.get())) return {};
  wchar_t expanded[ExtractPathCharacters + 1];
  // The length counts the terminator: 0 is a failure, more than the buffer a folder too long.
  DWORD length = ExpandEnvironmentStringsW(text.get(), expanded, ExtractPathCharacters + 1);
  if (length <= 1 || length > ExtractPathCharacters + 1) return {};
  return Utf8FromWide(expanded, static_cast<int>(length - 1));
}
