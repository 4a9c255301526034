// The disk behind the platform layer in memory (platform/memory/file_system.cpp), as a fuzz
// target sets it up and reads it. The layer answers every call of platform/platform.h as the
// POSIX layer does, on files and directories held in memory, and aborts the process when the
// engine is about to create, move or remove anything outside the extraction folder. The disk
// holds 64 MiB: a write beyond falls short as on a full disk, so that an archive that inflates
// a thousandfold cannot take the fuzzer's memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace memory {

// Where the archive lies, and the extraction folder, some levels below the archive's own
// folder, so that a name that climbs out of it has somewhere to land.
constexpr const char* ArchivePath = "/sandbox/input.zip";
constexpr const char* ExtractionFolder = "/sandbox/jail/a/b/out";

// The archive's contents become these bytes.
void PutArchive(const uint8_t* data, size_t size);
// Removes everything inside the extraction folder; the folder itself stays.
void EmptyExtractionFolder();
// What the extraction folder holds, by paths relative to it: every file ("a/b.txt") and every
// empty directory, with a slash behind ("a/e/"), sorted. The directories that hold something are
// the levels of these paths; listed on their own, the levels of a deep path would make a list
// as long as its depth times its length.
std::vector<std::string> ExtractedPaths();
// The bytes of the file of that relative path inside the extraction folder; false when there
// is no such file.
bool ExtractedBytes(const std::string& path, std::vector<uint8_t>& bytes);
// How many handles are open.
size_t OpenFiles();

}  // namespace memory
