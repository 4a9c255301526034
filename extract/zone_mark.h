// The mark Windows gives a file that came from the internet: its Zone.Identifier stream, a few
// lines of text that Office (Protected View) and SmartScreen read. Files taken out of a marked
// program carry its mark, byte for byte, or an extractor would be a way around both.
#pragma once

#include <cstddef>
#include <string>

// A mark is a few hundred bytes; a larger stream is not taken for one.
constexpr size_t ZoneMarkLimit = 4096;

// Reads the mark of the program's own file (or of the archive's) into sfx.zoneMark, which stays
// empty when it has none.
void TakeZoneMark(const std::string& path);
// Whether the system takes the path of the file's mark; true when nothing is marked.
bool ZoneMarkFits(const std::string& path);
// Gives the file sfx.zoneMark, unless it carries it already; true when nothing is marked. On
// failure the system's reason is left for LastErrorText.
bool GiveZoneMark(const std::string& path);
// Removes the file's mark, where the system keeps it as a file of its own that a move or a
// removal of the file leaves behind.
void DropZoneMark(const std::string& path);
