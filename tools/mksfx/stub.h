// The Windows program that goes in front of the archive.
#pragma once

#include <string>

#include "tools/mksfx/zip_records.h"

// Where the stub comes from: --stub FILE when given; else the first sfx.exe of the wanted
// bitness (32-bit, or 64-bit with --64) beside the mksfx program, in the build folder of that
// bitness beside mksfx's own, or in this source tree's build folder (native builds only).
std::string FindStub(const std::string& explicitStub, bool want64);

// The stub's bytes. Refuses a file whose size is not ArchiveBase (the stub's walk starts
// exactly there), one that is no Windows program and one that holds a ZIP signature (readers
// would take it for the archive).
Bytes LoadStub(const std::string& path);
