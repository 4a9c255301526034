// What the stub can take, and what mksfx therefore refuses to write.
#pragma once

#include <cstdint>

#include "extract/format.h"

// The stub hands each output path, the extract path, a separator and the entry name, to calls
// that take at most MAX_PATH (260) characters. 200 characters for the name leave room for an
// ordinary extract path such as "C:\Users\someone\Downloads\"; a longer name would fail on
// many machines.
constexpr uint32_t MaxEntryNameLength = 200;

// The stub seeks with signed 32-bit positions counted from the start of the exe, so every
// byte it may need (stub, entries, central directory) must lie below 2 GiB.
constexpr uint64_t OutputLimit = 0x80000000u;

// The end record counts entries in 16 bits; more would need ZIP64, which the stub cannot read.
constexpr uint32_t MaxEntryCount = 0xFFFF;

// The longest password the stub's password box can hold, in characters.
constexpr uint32_t MaxPasswordLength = PasswordCharacters;
