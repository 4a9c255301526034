// The command line as the engine takes text: in UTF-8.
#pragma once

#include <string>
#include <vector>

// Every argument after the program's name. On Windows they are read from the wide-character
// command line, since main's arguments are in the ANSI code page and would lose any character
// it lacks.
std::vector<std::string> Utf8Arguments(int argc, char** argv);
