// Prompts on a POSIX terminal; echo is switched off through termios while a password is typed.
#include <termios.h>
#include <unistd.h>

#include <iostream>

#include "tools/unsfx/prompter.h"

bool TerminalPrompter::Interactive() { return isatty(STDIN_FILENO) == 1; }
bool TerminalPrompter::MessagesOnTerminal() { return isatty(STDERR_FILENO) == 1; }

std::optional<std::string> TerminalPrompter::ReadLine(const std::string& prompt, bool echo) {
  termios saved;
  bool silenced = false;
  if (!echo && tcgetattr(STDIN_FILENO, &saved) == 0) {
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    silenced = tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
  }
  // Echo goes off before the prompt shows, so nothing typed after it is ever echoed.
  std::cerr << prompt << std::flush;
  std::string line;
  bool got = static_cast<bool>(std::getline(std::cin, line));
  if (silenced) {
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    std::cerr << '\n';  // the Enter the user typed was not echoed either
  }
  if (!got) return std::nullopt;
  return line;
}
