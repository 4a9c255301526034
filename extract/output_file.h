// Where an entry's file is written before it has verified: a new file under a temporary name in
// the folder the entry's file goes to, so that the move into place is one step on one volume.
#pragma once

#include <string>

#include "platform/platform.h"

// Creates a new file beside path, under a short name no file there has ("~kvx0001.tmp"); its
// path in temporary. InvalidFile when none could be created.
platform::FileHandle CreateTemporaryBeside(const std::string& path, std::string& temporary);
// Whether the system takes the temporary name beside path, which may be longer than path, and
// the path of its mark (zone_mark.h).
bool TemporaryFitsBeside(const std::string& path);
