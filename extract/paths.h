// Routines on Windows path text: backslash, slash and colon split a path; backslash and slash
// separate directory levels.
#pragma once

#include <cstddef>
#include <string>

// The text after the last backslash, slash or colon, whole: a name is never cut into another.
std::string FileNamePart(const std::string& path);
// The text before the last separator. A drive root (C:\) keeps its backslash; a path of
// exactly three characters with a colon is returned whole.
std::string DirectoryPart(const std::string& path);
std::string& SlashesToBackslashes(std::string& path);
// An entry name's levels, split at slashes and backslashes and joined by the given separator:
// doubled, leading and trailing separators add no level ("a//b/" has the levels "a" and "b").
std::string NameLevels(const std::string& name, char separator);
// True when a file or directory of that name exists. A path not ending in a backslash is
// converted to backslashes in place; one that ends in a backslash names a directory.
bool PathExists(std::string& path);
// A drive's root (C:, C:\) or the current drive's (\): there to begin with, and not to be
// searched for (an empty root holds nothing a search finds). Any other path, however short ("a",
// ".\a"), names a folder that may need making.
bool IsRoot(const std::string& path);
// Creates the directory and any missing parents, top-down. Only a drive root counts as there to
// begin with. Failures are left to the caller's own PathExists test.
void ForceDirectories(std::string directory);
// In-place edits of a zero-terminated text in a buffer of the given size. WithTrailingBackslash
// returns false, changing nothing, when the buffer has no room for the backslash.
bool WithTrailingBackslash(char* buffer, size_t size);
void WithoutTrailingBackslash(char* buffer);
