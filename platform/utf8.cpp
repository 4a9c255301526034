#include "platform/utf8.h"

#include <cstdint>

bool IsAscii(const std::string& text) {
  for (char c : text)
    if (static_cast<uint8_t>(c) >= 0x80) return false;
  return true;
}

char32_t NextCharacter(const std::string& text, size_t& at) {
  uint8_t lead = static_cast<uint8_t>(text[at]);
  if (lead < 0x80) return text[at++];
  size_t length = lead > 0xF4 ? 0 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
  char32_t character = lead & (0x7F >> length);
  bool whole = length > 0 && at + length <= text.size();
  for (size_t i = 1; whole && i < length; i++) {
    uint8_t next = static_cast<uint8_t>(text[at + i]);
    whole = (next & 0xC0) == 0x80;
    character = (character << 6) | (next & 0x3F);
  }
  // Longer forms than needed and surrogates would let one character pass for another.
  static const char32_t shortest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (!whole || character < shortest[length] || character > 0x10FFFF ||
      (character >= 0xD800 && character <= 0xDFFF)) {
    at++;
    return ReplacementCharacter;
  }
  at += length;
  return character;
}

bool IsValidUtf8(const std::string& text) {
  for (size_t at = 0; at < text.size();) {
    size_t start = at;
    // A malformed byte is replaced and stepped over alone; a real U+FFFD takes three bytes.
    if (NextCharacter(text, at) == ReplacementCharacter && at - start == 1) return false;
  }
  return true;
}

void AppendUtf8(std::string& text, char32_t c) {
  size_t length = c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
  static const uint8_t leadMarks[] = {0, 0, 0xC0, 0xE0, 0xF0};
  char bytes[4];
  bytes[0] = static_cast<char>(leadMarks[length] | (c >> (6 * (length - 1))));
  for (size_t i = 1; i < length; i++) bytes[i] = static_cast<char>(0x80 | ((c >> (6 * (length - 1 - i))) & 0x3F));
  text.append(bytes, length);
}

std::string WithReplacementCharacters(const std::string& bytes) {
  std::string text;
  for (size_t at = 0; at < bytes.size();) AppendUtf8(text, NextCharacter(bytes, at));
  return text;
}

static size_t Utf16Units(char32_t c) { return c >= 0x10000 ? 2 : 1; }

size_t Utf16Length(const std::string& text) {
  size_t units = 0;
  for (size_t at = 0; at < text.size();) units += Utf16Units(NextCharacter(text, at));
  return units;
}

std::string FirstCharacters(const std::string& text, size_t units) {
  size_t at = 0;
  while (at < text.size()) {
    size_t next = at;
    size_t need = Utf16Units(NextCharacter(text, next));
    if (need > units) break;
    units -= need;
    at = next;
  }
  return text.substr(0, at);
}

static char32_t LowerCase(char32_t c) {
  bool plusThirtyTwo = (c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) ||
                       (c >= 0x391 && c <= 0x3AB && c != 0x3A2) || (c >= 0x410 && c <= 0x42F) ||
                       (c >= 0xFF21 && c <= 0xFF3A);
  if (plusThirtyTwo) return c + 32;
  if (c >= 0x400 && c <= 0x40F) return c + 80;  // Cyrillic Ѐ to Џ
  // Latin Extended-A pairs capitals and small letters side by side: the capital stands on the
  // even code point up to U+0137 and from U+014A, on the odd one in between.
  if (c >= 0x100 && c <= 0x177 && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149) {
    bool capitalIsEven = c < 0x138 || c > 0x149;
    return (c % 2 == 0) == capitalIsEven ? c + 1 : c;
  }
  if (c == 0x178) return 0xFF;                                   // Ÿ
  if (c >= 0x179 && c <= 0x17E && c % 2 == 1) return c + 1;
  switch (c) {  // Greek capitals with tonos
    case 0x386: return 0x3AC;
    case 0x388: case 0x389: case 0x38A: return c + 37;
    case 0x38C: return 0x3CC;
    case 0x38E: case 0x38F: return c + 63;
  }
  return c;
}

std::string FoldCase(const std::string& text) {
  std::string folded;
  for (size_t at = 0; at < text.size();) AppendUtf8(folded, LowerCase(NextCharacter(text, at)));
  return folded;
}
