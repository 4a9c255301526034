// UTF-8, the one encoding names, paths and passwords have inside the programs. Windows counts
// text in UTF-16 units, so the limits that Windows sets (a field's length, MAX_PATH) are counted
// here the same way.
#pragma once

#include <cstddef>
#include <string>

constexpr char32_t ReplacementCharacter = 0xFFFD;  // stands for bytes that are no character

// True when the bytes are well-formed UTF-8: shortest forms only, no surrogates, nothing
// beyond U+10FFFF.
bool IsValidUtf8(const std::string& text);
bool IsAscii(const std::string& text);

// The character that starts at `at`, which is moved behind it. A byte that starts no
// well-formed character gives ReplacementCharacter and moves `at` by one.
char32_t NextCharacter(const std::string& text, size_t& at);
void AppendUtf8(std::string& text, char32_t character);
// The text with every byte that starts no well-formed character replaced by U+FFFD.
std::string WithReplacementCharacters(const std::string& bytes);

// Length in UTF-16 units.
size_t Utf16Length(const std::string& text);
// The longest beginning of the text that holds at most `units` UTF-16 units; no character is
// split.
std::string FirstCharacters(const std::string& text, size_t units);

// The text with letters folded to lower case, for comparing names without regard to case as
// Windows does. A simple one-to-one fold: ASCII, Latin-1, Latin Extended-A, Greek, Cyrillic
// and the fullwidth Latin letters. Other scripts, one-to-many folds (ß and "ss") and
// language-specific rules (the Turkish dotless i) are left as they are.
std::string FoldCase(const std::string& text);
