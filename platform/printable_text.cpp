#include "platform/printable_text.h"

#include <cstdint>

#include "platform/utf8.h"

namespace {

void AppendHex(std::string& out, uint32_t value, int digitCount) {
  static const char digits[] = "0123456789ABCDEF";
  for (int shift = 4 * (digitCount - 1); shift >= 0; shift -= 4) out += digits[(value >> shift) & 15];
}

bool IsControl(char32_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

}  // namespace

std::string PrintableText(const std::string& text) {
  std::string shown;
  for (size_t at = 0; at < text.size();) {
    size_t start = at;
    char32_t c = NextCharacter(text, at);
    bool strayByte = c == ReplacementCharacter && at - start == 1;
    if (strayByte || (c < 0x80 && IsControl(c))) {
      shown += "\\x";
      AppendHex(shown, static_cast<uint8_t>(text[start]), 2);
    } else if (IsControl(c)) {
      shown += "\\u";
      AppendHex(shown, c, 4);
    } else {
      shown.append(text, start, at - start);
    }
  }
  return shown;
}
