// Windows-1252 as the legacy code page away from Windows: what a Western Windows shows for a
// name written without the UTF-8 flag. It is Latin-1 but for 0x80 to 0x9F.
#include <cstdint>

#include "platform/utf8.h"
#include "platform/platform.h"

namespace platform {

// 0x80 to 0x9F; the five bytes Windows-1252 leaves undefined map to the C1 controls of the
// same value, as Windows maps them.
static const char16_t HighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

static char32_t FromWindows1252(uint8_t byte) {
  return byte >= 0x80 && byte <= 0x9F ? HighControls[byte - 0x80] : byte;
}

static char ToWindows1252(char32_t character) {
  if (character < 0x80 || (character >= 0xA0 && character <= 0xFF)) return static_cast<char>(character);
  for (uint8_t i = 0; i < 32; i++)
    if (HighControls[i] == character) return static_cast<char>(0x80 + i);
  return '?';
}

std::string LegacyToUtf8(const std::string& bytes) {
  std::string text;
  for (char byte : bytes) AppendUtf8(text, FromWindows1252(static_cast<uint8_t>(byte)));
  return text;
}

std::string Utf8ToLegacy(const std::string& text) {
  std::string bytes;
  for (size_t at = 0; at < text.size();) bytes += ToWindows1252(NextCharacter(text, at));
  return bytes;
}

}  // namespace platform
