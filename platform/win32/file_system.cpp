// The file-system layer on Win32: the product's own implementation. Paths arrive in UTF-8 and
// go to the wide-character calls, so every name reaches the file system as it stands.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "platform/platform.h"
#include "platform/win32/wide_text.h"

namespace platform {

static HANDLE AsHandle(FileHandle file) { return reinterpret_cast<HANDLE>(file); }

// Every path goes to the system in its \\?\ form: whole (a relative one against the current
// folder), normalised, with backslashes. Only that form reaches beyond MAX_PATH, to the 32,767
// units NTFS takes; it also hands the name on as it stands, with no trailing dot or space taken
// off (the unsafe-name rule refuses those before any path is made).
static std::wstring SystemPath(const char* path) {
  WideText given(path);
  std::wstring text(given.get(), static_cast<size_t>(given.length()));
  if (text.compare(0, 4, L"\\\\?\\") == 0 || text.compare(0, 4, L"\\\\.\\") == 0) return text;
  DWORD needed = GetFullPathNameW(text.c_str(), 0, nullptr, nullptr);  // the terminator included
  if (needed == 0) return text;  // the call it is for then says why
  std::wstring full(needed, L'\0');
  DWORD length = GetFullPathNameW(text.c_str(), needed, full.data(), nullptr);
  if (length == 0 || length >= needed) return text;
  full.resize(length);
  if (full.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}
static FileHandle FromHandle(HANDLE handle) {
  return handle == INVALID_HANDLE_VALUE ? InvalidFile : reinterpret_cast<FileHandle>(handle);
}

FileHandle OpenForReading(const char* path) {
  return FromHandle(CreateFileW(SystemPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
}

FileHandle CreateForWriting(const char* path) {
  return FromHandle(CreateFileW(SystemPath(path).c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
}

uint32_t ReadFile(FileHandle file, void* buffer, uint32_t count) {
  DWORD done = 0;
  if (!::ReadFile(AsHandle(file), buffer, count, &done, nullptr)) return 0;
  return done;
}

// A write that fills the disk may succeed with a short count; the rest is written again, so
// that a count short of the request always comes with the failed call's reason.
uint32_t WriteFile(FileHandle file, const void* buffer, uint32_t count) {
  const char* at = static_cast<const char*>(buffer);
  uint32_t total = 0;
  while (total < count) {
    DWORD done = 0;
    if (!::WriteFile(AsHandle(file), at + total, count - total, &done, nullptr) || done == 0) break;
    total += done;
  }
  return total;
}

int64_t SeekTo(FileHandle file, uint64_t position) {
  LARGE_INTEGER distance, reached;
  if (position > static_cast<uint64_t>(INT64_MAX)) return -1;
  distance.QuadPart = static_cast<LONGLONG>(position);
  if (!SetFilePointerEx(AsHandle(file), distance, &reached, FILE_BEGIN)) return -1;
  return reached.QuadPart;
}

int64_t FileLength(FileHandle file) {
  LARGE_INTEGER size;
  return GetFileSizeEx(AsHandle(file), &size) ? size.QuadPart : -1;
}

bool CloseFile(FileHandle file) { return CloseHandle(AsHandle(file)) != 0; }

bool FindFirstMatch(const char* pattern) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(SystemPath(pattern).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  return true;
}

bool CreateOneDirectory(const char* path) { return CreateDirectoryW(SystemPath(path).c_str(), nullptr) != 0; }

// A virus scanner or an indexer may open a file the moment it is closed, and hold it for a
// moment: the move is tried again for about half a second before it counts as failed.
bool MoveReplacing(const char* from, const char* to) {
  std::wstring source = SystemPath(from), target = SystemPath(to);
  for (int attempt = 0;; attempt++) {
    if (MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
    DWORD error = GetLastError();
    bool held = error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_ACCESS_DENIED;
    if (!held || attempt == 10) return false;
    Sleep(50);
  }
}

bool RemoveFile(const char* path) { return DeleteFileW(SystemPath(path).c_str()) != 0; }

// The file calls open a stream by this name as they open a file.
std::string NamedStreamPath(const std::string& path, const char* name) { return path + ":" + name; }

std::string CurrentDirectory() {
  // Asked with no room, GetCurrentDirectoryW answers the room it needs, terminator included.
  DWORD size = GetCurrentDirectoryW(0, nullptr);
  if (size == 0) return std::string();
  std::wstring folder(size, L'\0');
  DWORD length = GetCurrentDirectoryW(size, folder.data());
  if (length == 0 || length >= size) return std::string();  // it changed in between
  return Utf8FromWide(folder.data(), static_cast<int>(length));
}

// The system's own words, in the user's language.
std::string LastErrorText() {
  wchar_t* text = nullptr;
  DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                nullptr, GetLastError(), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  // It ends in a full stop and a line break, which a message around it has its own of.
  while (length > 0 && (text[length - 1] == L'\r' || text[length - 1] == L'\n' || text[length - 1] == L'.')) length--;
  std::string reason = length > 0 ? Utf8FromWide(text, static_cast<int>(length)) : "an unknown system error";
  LocalFree(text);
  return reason;
}

// NTFS takes 255 UTF-16 units in a name, and 32,767 in a path in its \\?\ form, the terminator
// included.
bool NamePartFits(const std::string& part) { return WideText(part).length() <= 255; }
bool PathFits(const std::string& path) { return SystemPath(path.c_str()).size() < 32767; }

void* Allocate(size_t size) { return malloc(size); }
void Release(void* block) { free(block); }

}  // namespace platform
