// The file-system layer on Win32: the product's own implementation. Paths arrive in UTF-8 and
// go to the wide-character calls, so every name reaches the file system as it stands.
#include <windows.h>

#include "platform/platform.h"
#include "platform/win32/wide_text.h"

namespace platform {

static HANDLE AsHandle(FileHandle file) { return reinterpret_cast<HANDLE>(file); }
static FileHandle FromHandle(HANDLE handle) {
  return handle == INVALID_HANDLE_VALUE ? InvalidFile : reinterpret_cast<FileHandle>(handle);
}

FileHandle OpenForReading(const char* path) {
  return FromHandle(CreateFileW(WideText(path).get(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
}

FileHandle CreateForWriting(const char* path) {
  return FromHandle(CreateFileW(WideText(path).get(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
}

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
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(WideText(pattern).get(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  return true;
}

bool CreateOneDirectory(const char* path) { return CreateDirectoryW(WideText(path).get(), nullptr) != 0; }

std::string CurrentDirectory() {
  // Asked with no room, GetCurrentDirectoryW answers the room it needs, terminator included.
  DWORD size = GetCurrentDirectoryW(0, nullptr);
  if (size == 0) return std::string();
  std::wstring folder(size, L'\0');
  DWORD length = GetCurrentDirectoryW(size, folder.data());
  if (length == 0 || length >= size) return std::string();  // it changed in between
  return Utf8FromWide(folder.data(), static_cast<int>(length));
}

}  // namespace platform
