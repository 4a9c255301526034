// Opening the file to read: a self-extracting program built from our stub, whose archive
// begins at ArchiveBase, or a plain ZIP archive, whose first local header is at offset 0.
#pragma once

#include <string>

// Opens the file as sfx.archiveHandle and sets sfx.attachedAt; takes its mark of where it came
// from (Windows only: elsewhere no file has one). False when it cannot be read.
bool OpenArchiveFile(const std::string& path);
void CloseArchiveFile();
