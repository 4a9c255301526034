// The few things mksfx asks of the operating system; host_posix.cpp and host_win32.cpp
// implement them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

namespace host {

// Fills the buffer from the system's cryptographic random source. False when it cannot.
bool FillRandom(uint8_t* buffer, size_t count);
// Renames from over to, replacing a file that exists, in one step.
bool RenameOver(const std::string& from, const std::string& to);
bool StderrIsTerminal();
// Shows the prompt on the terminal and reads one line without echo. False without a terminal.
bool ReadHiddenLine(const std::string& prompt, std::string& line);
// Whether this build can start other programs (RunTool); the Windows build does not.
extern const bool RunsTools;
// The full path of a program found on PATH; empty when there is none.
std::string FindOnPath(const std::string& program);
// Runs the program (arguments[0], a path) with `input` on its standard input, its standard
// output discarded and its standard error shown; returns its exit code, or -1 when it could
// not be started or did not end normally. The input never appears in a process list.
int RunTool(const std::vector<std::string>& arguments, const std::string& input);

// The running program's own file; empty when it cannot be found.
std::string ExecutablePath();

// An input file opened for binary reading, by its name in the system's own form (on Windows
// the wide one, which holds every character a name can have). Null when it cannot be opened.
FILE* OpenForReading(const std::filesystem::path& path);
// The file's last modification time. False when it cannot be read.
bool ModificationTime(const std::filesystem::path& path, time_t& time);
// Moves to an absolute position and tells the length of a file of any size (the C library's own
// calls count in long, 32 bits on Windows). False, or -1, when they fail.
bool SeekTo(FILE* file, uint64_t position);
int64_t FileLength(FILE* file);

}  // namespace host
