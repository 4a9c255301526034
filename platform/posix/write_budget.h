// A fault the POSIX layer can simulate: a disk that fills up. Writes beyond the budget fall
// short, as WriteFile does on a full volume.
#pragma once

#include <cstdint>

namespace platform {

// bytes: how many more bytes may be written in all; -1 removes the limit.
void SetWriteBudget(int64_t bytes);

}  // namespace platform
