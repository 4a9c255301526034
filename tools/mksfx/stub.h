// The Windows program that goes in front of the archive.
#pragma once

#include <string>

#include "tools/mksfx/zip_records.h"

// Where the stub comes from: --stub FILE when given; else sfx.exe beside the mksfx program;
// else the sfx.exe of this source tree's Windows build (compiled in, native builds only).
std::string FindStub(const std::string& explicitStub);

// The stub's bytes. Refuses a file whose size is not ArchiveBase (the stub's walk starts
// exactly there) and one that holds a ZIP signature (readers would take it for the archive).
Bytes LoadStub(const std::string& path);
