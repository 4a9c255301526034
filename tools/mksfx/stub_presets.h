// The publisher's presets (--title, --path), written into the stub's preset block before the
// archive follows it, so that the checksum and a signature cover them like any other byte.
#pragma once

#include <string>

#include "extract/presets.h"
#include "tools/mksfx/zip_records.h"

// Refuses a text that is not UTF-8 or longer than its field (cut, it would be another title or
// lead to another folder), and a stub without a block of this version, or with more than one.
void WritePresetsIntoStub(Bytes& stub, const std::string& stubPath, const Presets& presets);
