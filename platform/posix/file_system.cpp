// The platform layer on POSIX: the file calls of posix_files.cpp and the cryptography of
// posix_crypto.cpp as they are, and the heap.
#include <cerrno>
#include <cstdlib>

#include "platform/posix/posix_files.h"

namespace platform {

FileHandle OpenForReading(const char* path) { return posix::OpenForReading(path); }
FileHandle CreateForWriting(const char* path) { return posix::CreateForWriting(path); }
uint32_t ReadFile(FileHandle file, void* buffer, uint32_t count) { return posix::ReadFile(file, buffer, count); }
uint32_t WriteFile(FileHandle file, const void* buffer, uint32_t count) {
  return posix::WriteFile(file, buffer, count);
}
int64_t SeekTo(FileHandle file, uint64_t position) { return posix::SeekTo(file, position); }
int64_t FileLength(FileHandle file) { return posix::FileLength(file); }
bool CloseFile(FileHandle file) { return posix::CloseFile(file); }
bool FindFirstMatch(const char* pattern) { return posix::FindFirstMatch(pattern); }
bool CreateOneDirectory(const char* path) { return posix::CreateOneDirectory(path); }
bool MoveReplacing(const char* from, const char* to) { return posix::MoveReplacing(from, to); }
bool RemoveFile(const char* path) { return posix::RemoveFile(path); }
// No POSIX file system keeps streams a Windows program would see (extended attributes are
// another thing), so none is read and none can be written.
std::string NamedStreamPath(const std::string&, const char*) {
  errno = ENOTSUP;
  return std::string();
}
std::string CurrentDirectory() { return posix::CurrentDirectory(); }
std::string LastErrorText() { return posix::LastErrorText(); }
bool NamePartFits(const std::string& part) { return posix::NamePartFits(part); }
bool PathFits(const std::string& path) { return posix::PathFits(path); }
void* Allocate(size_t size) { return malloc(size); }
void Release(void* block) { free(block); }

}  // namespace platform
