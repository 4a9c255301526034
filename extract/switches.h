// The program's command line: the switches a script or a deployment tool gives it. Each is a
// letter behind "/" or "-", in either case; the three with a value take it behind "=", whole,
// whatever characters it holds (the command line's quotes have already been taken off).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "extract/sfx_state.h"

struct Switches {
  bool silent = false;                  // /S: no window; every entry is extracted
  bool help = false;                    // /?: the switches and exit codes are shown
  std::optional<std::string> folder;    // /D=FOLDER: where the entries go
  uint8_t policy = PolicyConfirm;       // /O overwrites existing files, /N leaves them
  std::optional<std::string> password;  // /P=PASSWORD: answers every password question
  std::optional<std::string> log;       // /L=FILE: with /S, the run's log
  // The line that names the first switch refused and says why; empty when every one is sound.
  std::string refusal;
};

// The words of the command line behind the program's name, in UTF-8. A later switch of the same
// letter takes the place of an earlier one.
Switches ParseSwitches(const std::vector<std::string>& words);

// What /? shows: the switches, then the exit codes and their meanings.
std::string SwitchesHelp();
