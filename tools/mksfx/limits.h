// What the stub can take, and what mksfx therefore refuses to write.
#pragma once

#include <cstdint>

#include "extract/format.h"

// The stub hands each output path to Windows in its \\?\ form, which takes 32,767 units with the
// terminator: the name leaves room for those four, an extract path as long as its field takes
// and a separator. The name's own field in the headers counts 16 bits of bytes.
constexpr uint32_t MaxEntryNameLength = 32767 - 1 - 4 - ExtractPathCharacters - 1;
constexpr uint32_t MaxEntryNameBytes = 0xFFFF;

// Windows starts no program of 4 GiB or more (the image is small, but the whole file is mapped
// for its checks); the stub's own positions are 64-bit.
constexpr uint64_t OutputLimit = 0x100000000u;
constexpr const char* TooBigForWindows =
    "the exe would reach 4 GiB, and Windows starts no program that large (a plain ZIP, made "
    "with zip or 7z, has no such limit); nothing written";

// The longest password the stub's password box can hold, in characters.
constexpr uint32_t MaxPasswordLength = PasswordCharacters;
