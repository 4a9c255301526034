#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "tools/mksfx/host.h"

namespace host {

bool FillRandom(uint8_t* buffer, size_t count) {
  std::ifstream source("/dev/urandom", std::ios::binary);
  source.read(reinterpret_cast<char*>(buffer), static_cast<std::streamsize>(count));
  return source.gcount() == static_cast<std::streamsize>(count);
}

bool RenameOver(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

bool StderrIsTerminal() { return isatty(STDERR_FILENO) != 0; }

bool ReadHiddenLine(const std::string& prompt, std::string& line) {
  FILE* tty = std::fopen("/dev/tty", "r+");
  if (!tty) return false;
  int fd = fileno(tty);
  termios saved{};
  bool hidden = tcgetattr(fd, &saved) == 0;
  if (hidden) {
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    tcsetattr(fd, TCSAFLUSH, &quiet);
  }
  std::fputs(prompt.c_str(), tty);
  std::fflush(tty);
  line.clear();
  int c;
  while ((c = std::fgetc(tty)) != EOF && c != '\n') line.push_back(static_cast<char>(c));
  if (hidden) tcsetattr(fd, TCSAFLUSH, &saved);
  std::fputs("\n", tty);
  std::fclose(tty);
  return c != EOF;
}

std::string ExecutablePath() {
  std::error_code error;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string() : self.string();
}

FILE* OpenForReading(const std::filesystem::path& path) { return std::fopen(path.c_str(), "rb"); }

bool ModificationTime(const std::filesystem::path& path, time_t& time) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return false;
  time = info.st_mtime;
  return true;
}

}  // namespace host
