#include "extract/safe_name.h"

#include <cstring>

#include "platform/utf8.h"

// Note: a name is refused, never repaired. Removing ".." or a drive letter would write the
// entry somewhere its name does not show, and a repaired name can collide with another entry.

static bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Characters no Windows file name may hold. The colon would name a drive or an alternate data
// stream; the wildcards would make the existence test match other files.
static bool IsForbiddenCharacter(char c) {
  return static_cast<unsigned char>(c) < 0x20 || c == 0x7F || strchr(":<>\"|?*", c) != nullptr;
}

// Windows takes the superscript digits for port numbers too.
static bool IsPortNumber(char32_t c) { return (c >= '0' && c <= '9') || c == 0xB9 || c == 0xB2 || c == 0xB3; }

// Judged on the name's real characters: device names are ASCII letters, so look-alikes such as
// the fullwidth letters name ordinary files.
static bool IsDeviceName(const std::string& component) {
  // The device is named by the part before the first dot, Windows ignoring trailing spaces.
  std::string base = component.substr(0, component.find('.'));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  for (char& c : base)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  static const char* const devices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  for (const char* device : devices)
    if (base == device) return true;
  if (base.size() < 4 || (base.compare(0, 3, "COM") != 0 && base.compare(0, 3, "LPT") != 0)) return false;
  size_t at = 3;
  char32_t number = NextCharacter(base, at);
  return at == base.size() && IsPortNumber(number);
}

static bool IsUnsafeComponent(const std::string& component) {
  if (component.empty()) return false;  // doubled or trailing separators add no level
  if (component == "." || component == "..") return true;
  char last = component.back();
  if (last == '.' || last == ' ') return true;  // Windows drops them: "a." would write "a"
  return IsDeviceName(component);
}

// U+FFFD stands for bytes that were no character of the name's encoding: the name the writer
// meant is unknown, so it is not guessed at.
static bool HoldsUnreadableBytes(const std::string& name) {
  return !IsValidUtf8(name) || name.find("\xEF\xBF\xBD") != std::string::npos;  // U+FFFD
}

// The name is UTF-8 and reaches the file system as it stands (wide-character calls, never a
// best-fit conversion), so these rules judge exactly what the file system receives: a fullwidth
// full stop or solidus is an ordinary character there, not a dot or a separator.
bool IsUnsafeName(const std::string& name) {
  if (HoldsUnreadableBytes(name)) return true;
  if (!name.empty() && IsSeparator(name[0])) return true;  // absolute, or a UNC path
  for (char c : name)
    if (IsForbiddenCharacter(c)) return true;
  size_t start = 0;
  for (size_t i = 0; i <= name.size(); i++) {
    if (i < name.size() && !IsSeparator(name[i])) continue;
    if (IsUnsafeComponent(name.substr(start, i - start))) return true;
    start = i + 1;
  }
  return false;
}
