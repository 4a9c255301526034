// The POSIX file calls behind the platform layer, under names of their own, so that the layers
// that tests put in front of them (platform/faults/) can reach them. The declarations are those
// of platform/platform.h.
#pragma once

#include "platform/platform.h"

namespace posix {

using platform::FileHandle;

FileHandle OpenForReading(const char* path);
FileHandle CreateForWriting(const char* path);
uint32_t ReadFile(FileHandle file, void* buffer, uint32_t count);
uint32_t WriteFile(FileHandle file, const void* buffer, uint32_t count);
int64_t SeekTo(FileHandle file, uint64_t position);
int64_t FileLength(FileHandle file);
bool CloseFile(FileHandle file);
bool FindFirstMatch(const char* pattern);
bool CreateOneDirectory(const char* path);
bool MoveReplacing(const char* from, const char* to);
bool RemoveFile(const char* path);
std::string CurrentDirectory();
std::string LastErrorText();
bool NamePartFits(const std::string& part);
bool PathFits(const std::string& path);

}  // namespace posix
