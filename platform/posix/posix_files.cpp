// The file system on POSIX, for the console tools and the native tests. The engine speaks
// Windows path text; backslashes become slashes here, at the system boundary.
#include "platform/posix/posix_files.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/posix/write_budget.h"

namespace posix {

static std::string NativePath(const char* path) {
  std::string native(path);
  for (char& c : native)
    if (c == '\\') c = '/';
  return native;
}

static int AsDescriptor(FileHandle file) { return static_cast<int>(file); }

FileHandle OpenForReading(const char* path) {
  int fd = open(NativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return platform::InvalidFile;
  struct stat info;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {  // a directory is no archive
    close(fd);
    errno = EISDIR;
    return platform::InvalidFile;
  }
  return fd;
}

FileHandle CreateForWriting(const char* path) {
  int fd = open(NativePath(path).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  return fd < 0 ? platform::InvalidFile : fd;
}

uint32_t ReadFile(FileHandle file, void* buffer, uint32_t count) {
  char* at = static_cast<char*>(buffer);
  uint32_t done = 0;
  while (done < count) {  // a regular file delivers short counts only at its end
    ssize_t n = read(AsDescriptor(file), at + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<uint32_t>(n);
  }
  return done;
}

static int64_t writeBudget = -1;  // bytes that may still be written; -1 means no limit

uint32_t WriteFile(FileHandle file, const void* buffer, uint32_t count) {
  uint32_t allowed = count;
  if (writeBudget >= 0 && allowed > writeBudget) allowed = static_cast<uint32_t>(writeBudget);
  const char* at = static_cast<const char*>(buffer);
  uint32_t done = 0;
  while (done < allowed) {
    ssize_t n = write(AsDescriptor(file), at + done, allowed - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<uint32_t>(n);
  }
  if (writeBudget >= 0) writeBudget -= done;
  if (done < count && done == allowed) errno = ENOSPC;  // the budget ran out: a full disk
  return done;
}

int64_t SeekTo(FileHandle file, uint64_t position) {
  if (position > static_cast<uint64_t>(INT64_MAX)) {
    errno = EINVAL;  // so that the reason given is not "Success"
    return -1;
  }
  off_t reached = lseek(AsDescriptor(file), static_cast<off_t>(position), SEEK_SET);
  return reached < 0 ? -1 : static_cast<int64_t>(reached);
}

int64_t FileLength(FileHandle file) {
  struct stat info;
  return fstat(AsDescriptor(file), &info) == 0 ? static_cast<int64_t>(info.st_size) : -1;
}

bool CloseFile(FileHandle file) { return close(AsDescriptor(file)) == 0; }

bool FindFirstMatch(const char* pattern) {
  std::string native = NativePath(pattern);
  static const std::string anyName = "/*.*";
  struct stat info;
  if (native.size() >= anyName.size() &&
      native.compare(native.size() - anyName.size(), anyName.size(), anyName) == 0) {
    // "DIR\\*.*" matches at least "." while DIR exists.
    native.resize(native.size() - anyName.size() + 1);
    return stat(native.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
  }
  return lstat(native.c_str(), &info) == 0;
}

bool CreateOneDirectory(const char* path) { return mkdir(NativePath(path).c_str(), 0777) == 0; }

bool MoveReplacing(const char* from, const char* to) {
  return rename(NativePath(from).c_str(), NativePath(to).c_str()) == 0;
}

bool RemoveFile(const char* path) { return unlink(NativePath(path).c_str()) == 0; }

std::string CurrentDirectory() {
  // Asked for without a buffer, getcwd allocates one of the size the folder needs.
  char* folder = getcwd(nullptr, 0);
  if (!folder) return std::string();
  std::string whole(folder);
  free(folder);
  return whole;
}

std::string LastErrorText() { return strerror(errno); }

// Linux file systems count both in bytes.
bool NamePartFits(const std::string& part) { return part.size() <= NAME_MAX; }
bool PathFits(const std::string& path) { return path.size() < PATH_MAX; }

}  // namespace posix

namespace platform {
void SetWriteBudget(int64_t bytes) { posix::writeBudget = bytes; }
}  // namespace platform
