// The file-system layer on Win32: the product's own implementation.
#include <windows.h>

#include "platform/platform.h"

namespace platform {

static HANDLE AsHandle(FileHandle file) { return reinterpret_cast<HANDLE>(file); }
static FileHandle FromHandle(HANDLE handle) {
  return handle == INVALID_HANDLE_VALUE ? InvalidFile : reinterpret_cast<FileHandle>(handle);
}

FileHandle OpenForReading(const char* path) {
  return FromHandle(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
}

FileHandle CreateForWriting(const char* path) {
  return FromHandle(CreateFileA(path, GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
}

FileHandle CreateDiscard() { return CreateForWriting("NUL"); }

uint32_t ReadFile(FileHandle file, void* buffer, uint32_t count) {
  DWORD done = 0;
  if (!::ReadFile(AsHandle(file), buffer, count, &done, nullptr)) return 0;
  return done;
}

uint32_t WriteFile(FileHandle file, const void* buffer, uint32_t count) {
  DWORD done = 0;
  if (!::WriteFile(AsHandle(file), buffer, count, &done, nullptr)) return 0;
  return done;
}

int32_t SeekTo(FileHandle file, int32_t position) {
  DWORD reached = SetFilePointer(AsHandle(file), position, nullptr, FILE_BEGIN);
  if (reached == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) return -1;
  return static_cast<int32_t>(reached);
}

bool CloseFile(FileHandle file) { return CloseHandle(AsHandle(file)) != 0; }

bool FindFirstMatch(const char* pattern) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(pattern, &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  return true;
}

bool CreateOneDirectory(const char* path) { return CreateDirectoryA(path, nullptr) != 0; }

std::string CurrentDirectory() {
  // Asked with no room, GetCurrentDirectoryA answers the room it needs, terminator included.
  DWORD size = GetCurrentDirectoryA(0, nullptr);
  if (size == 0) return std::string();
  std::string folder(size, '\0');
  DWORD length = GetCurrentDirectoryA(size, folder.data());
  if (length == 0 || length >= size) return std::string();  // it changed in between
  folder.resize(length);
  return folder;
}

}  // namespace platform
