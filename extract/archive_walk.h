// The walk over the local headers of the archive appended to the program's image: it reads each
// entry's header and name (extract/local_header.h), and then seeks to the header behind it.
#pragma once

#include <cstdint>

// Sets up a walk and seeks to the first header (sfx.attachedAt). False when that seek fails.
bool StartWalk();

// Seeks to the header behind the current entry, finding first where the entry ends if no
// decoder has found it yet. False when the walk is over because that position lies beyond what
// a seek reaches, or a streamed entry's end cannot be found.
bool SeekNextHeader(uint64_t headerPos);
