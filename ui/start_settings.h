// What the program starts with besides its archive: the switches on its command line, the
// presets mksfx wrote into its image, and the folder the two make.
#pragma once

#include <string>
#include <vector>

#include "extract/presets.h"

// The words behind the program's name, split as CommandLineToArgvW splits them (quotes taken
// off), in UTF-8.
std::vector<std::string> CommandLineWords();

// The presets in this program's own image; none in a stub as it was built.
Presets OwnPresets();

// The preset folder with its %NAME% references expanded by Windows; empty when a reference
// names no variable, the expansion fails or comes out empty, or the folder would not fit the
// extract path field (cut, it would lead elsewhere).
std::string ExpandedPresetFolder(const std::string& preset);
