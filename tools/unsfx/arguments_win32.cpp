#include <windows.h>
#include <shellapi.h>

#include "platform/win32/wide_text.h"
#include "tools/unsfx/arguments.h"

std::vector<std::string> Utf8Arguments(int, char**) {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> arguments;
  for (int i = 1; wide && i < count; i++) arguments.push_back(Utf8FromWide(wide[i]));
  LocalFree(wide);
  return arguments;
}
