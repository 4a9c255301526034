// Prompts on a Windows console; echo is switched off through the console mode while a
// password is typed.
#include <windows.h>

#include <iostream>

#include "platform/win32/wide_text.h"
#include "tools/unsfx/prompter.h"

bool TerminalPrompter::Interactive() {
  DWORD mode;
  return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
}

bool TerminalPrompter::MessagesOnTerminal() {
  DWORD mode;
  return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

std::optional<std::string> TerminalPrompter::ReadLine(const std::string& prompt, bool echo) {
  HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  DWORD saved;
  bool silenced = false;
  if (!echo && GetConsoleMode(input, &saved))
    silenced = SetConsoleMode(input, saved & ~static_cast<DWORD>(ENABLE_ECHO_INPUT)) != 0;
  // Echo goes off before the prompt shows, so nothing typed after it is ever echoed.
  std::cerr << prompt << std::flush;
  std::string line;
  bool got = static_cast<bool>(std::getline(std::cin, line));
  if (!line.empty() && line.back() == '\r') line.pop_back();
  if (silenced) {
    SetConsoleMode(input, saved);
    std::cerr << '\n';
  }
  if (!got) return std::nullopt;
  // The console hands over its own code page's bytes; the engine takes UTF-8.
  WideText wide(GetConsoleCP(), line);
  return Utf8FromWide(wide.get(), wide.length());
}
