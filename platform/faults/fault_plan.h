// A platform layer for tests that fails one chosen call: the Nth call of one kind fails as the
// system would fail it (an error, nothing done), every other call goes to the POSIX layer. A
// test counts the calls of a run first, then walks N over all of them. A file's named stream is
// a file of its own beside it, as Wine keeps one, reached (and failed) through the same calls.
#pragma once

#include <cstdint>

namespace faults {

enum class Call : uint8_t { Open, Create, Read, Write, Seek, Close, Directory, Replace, Allocate, Crypto, Kinds };

// From now on, the nth call of that kind (counted from 1) fails; 0 fails none. Resets the counts.
void FailNth(Call kind, uint64_t nth);
// How many calls of that kind were made since the last FailNth.
uint64_t Calls(Call kind);
// Whether the chosen call has been reached (and so failed).
bool Failed();

const char* NameOf(Call kind);

}  // namespace faults
