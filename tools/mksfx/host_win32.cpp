#include <windows.h>
#include <io.h>
#include <sys/stat.h>

#include <cstdio>

#include "tools/mksfx/host.h"

// RtlGenRandom, exported by advapi32 as SystemFunction036: the cryptographic source that
// every Windows version since XP has.
extern "C" BOOLEAN NTAPI SystemFunction036(PVOID buffer, ULONG length);

namespace host {

bool FillRandom(uint8_t* buffer, size_t count) {
  return SystemFunction036(buffer, static_cast<ULONG>(count)) != FALSE;
}

bool RenameOver(const std::string& from, const std::string& to) {
  return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool StderrIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

bool ReadHiddenLine(const std::string& prompt, std::string& line) {
  HANDLE input = CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_EXISTING, 0, nullptr);
  if (input == INVALID_HANDLE_VALUE) return false;
  DWORD mode = 0;
  GetConsoleMode(input, &mode);
  SetConsoleMode(input, mode & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
  std::fputs(prompt.c_str(), stderr);
  std::fflush(stderr);
  line.clear();
  char c = 0;
  DWORD got = 0;
  bool ended = false;
  while (ReadFile(input, &c, 1, &got, nullptr) && got == 1) {
    if (c == '\n') {
      ended = true;
      break;
    }
    if (c != '\r') line.push_back(c);
  }
  SetConsoleMode(input, mode);
  CloseHandle(input);
  std::fputs("\n", stderr);
  return ended;
}

// Signing runs osslsigncode, a Linux tool here; on Windows the finished exe is signed afterwards
// with the signing tool of the publisher's choice (the README says how).
const bool RunsTools = false;

std::string FindOnPath(const std::string&) { return std::string(); }

int RunTool(const std::vector<std::string>&, const std::string&) { return -1; }

std::string ExecutablePath() {
  char path[MAX_PATH] = {};
  DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  return length == 0 || length >= sizeof path ? std::string() : std::string(path, length);
}

FILE* OpenForReading(const std::filesystem::path& path) { return _wfopen(path.c_str(), L"rb"); }

bool ModificationTime(const std::filesystem::path& path, time_t& time) {
  struct _stat64 info {};
  if (_wstat64(path.c_str(), &info) != 0) return false;
  time = static_cast<time_t>(info.st_mtime);
  return true;
}

bool SeekTo(FILE* file, uint64_t position) { return _fseeki64(file, static_cast<__int64>(position), SEEK_SET) == 0; }

int64_t FileLength(FILE* file) {
  if (_fseeki64(file, 0, SEEK_END) != 0) return -1;
  return _ftelli64(file);
}

}  // namespace host
