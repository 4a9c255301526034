// One command of unsfx from start to end, as one run of the program: a fresh state, the archive
// opened, a listing, and for test and extract a run over every entry.
#pragma once

#include <ostream>

#include "tools/unsfx/options.h"
#include "tools/unsfx/prompter.h"

// Entry names go to out; status lines, messages and the names of failed entries go to
// messages. Returns the exit code.
int RunCommand(const Options& options, Prompter& prompter, std::ostream& out, std::ostream& messages);
