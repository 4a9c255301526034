// Letter case as NTFS sees it when it compares names: two names are one file there when their
// upcased forms are equal.
#pragma once

#include <string>

// The character's upper case by NTFS's upcase table: the simple uppercase mapping of the BMP,
// one UTF-16 unit to one. Characters beyond the BMP, and those whose only upper case is several
// characters (ß), stay as they are.
char32_t NtfsUpcaseCharacter(char32_t c);

// The UTF-8 text with each character upcased so. Bytes that start no character are kept as
// they are, so that two different names never come out alike through them.
std::string NtfsUpcase(const std::string& text);
