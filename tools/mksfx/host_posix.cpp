#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
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

const bool RunsTools = true;

std::string FindOnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::string folders = path ? path : "/usr/bin:/bin";
  for (size_t start = 0; start <= folders.size();) {
    size_t end = folders.find(':', start);
    if (end == std::string::npos) end = folders.size();
    std::string folder = folders.substr(start, end - start);
    std::string candidate = (folder.empty() ? std::string(".") : folder) + "/" + program;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
    start = end + 1;
  }
  return std::string();
}

namespace {

// Writes all of text into the descriptor; a reader that ended early is not a crash (SIGPIPE is
// ignored meanwhile), its exit code tells.
void WriteAll(int fd, const std::string& text) {
  struct sigaction ignore {}, saved {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGPIPE, &ignore, &saved);
  for (size_t done = 0; done < text.size();) {
    ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  sigaction(SIGPIPE, &saved, nullptr);
}

}  // namespace

int RunTool(const std::vector<std::string>& arguments, const std::string& input) {
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[0], STDIN_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
  posix_spawn_file_actions_addclose(&actions, pipeEnds[1]);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  std::vector<char*> argv;
  for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t child;
  int failed = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeEnds[0]);
  if (!failed) WriteAll(pipeEnds[1], input);
  close(pipeEnds[1]);
  if (failed) return -1;
  int status = 0;
  while (waitpid(child, &status, 0) < 0)
    if (errno != EINTR) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
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

bool SeekTo(FILE* file, uint64_t position) { return fseeko(file, static_cast<off_t>(position), SEEK_SET) == 0; }

int64_t FileLength(FILE* file) {
  if (fseeko(file, 0, SEEK_END) != 0) return -1;
  return static_cast<int64_t>(ftello(file));
}

}  // namespace host
