// The command line of unsfx.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "extract/sfx_state.h"

enum class Command { Help, List, Test, Extract };

struct Options {
  Command command = Command::Help;
  std::string archive;
  std::string directory;    // extract below this folder; empty means the current one
  bool storedPaths = true;  // off: every entry goes straight into the folder under its file name
  uint8_t policy = PolicyConfirm;  // asking is the default, as in the dialog
  std::optional<std::string> password;
  bool quiet = false;
};

struct ParsedCommandLine {
  Options options;
  std::string error;  // a usage error; empty when the command line is sound
};

// The words after the program's name, in UTF-8.
ParsedCommandLine ParseCommandLine(std::vector<std::string> words);
const char* UsageText();
