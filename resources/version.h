// The stub's version, in the two forms its version information holds: four numbers for
// comparison, and text for people.
#pragma once

#define KVX_VERSION_NUMBERS 1, 0, 0, 0
#define KVX_VERSION_TEXT "1.0.0"
