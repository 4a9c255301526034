// On POSIX systems the arguments are the bytes the shell passed, UTF-8 in any current locale.
#include "tools/unsfx/arguments.h"

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
  return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}
