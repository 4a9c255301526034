#include "extract/safe_name.h"

#include <cctype>
#include <cstring>

// Note: a name is refused, never repaired. Removing ".." or a drive letter would write the
// entry somewhere its name does not show, and a repaired name can collide with another entry.

static bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Characters no Windows file name may hold. The colon would name a drive or an alternate data
// stream; the wildcards would make the existence test match other files.
static bool IsForbiddenCharacter(char c) {
  return static_cast<unsigned char>(c) < 0x20 || c == 0x7F || strchr(":<>\"|?*", c) != nullptr;
}

// Port numbers as Windows reads them: 0 to 9, and the superscript digits one to three, which
// names carry as the Windows-1252 bytes B9, B2 and B3.
static bool IsPortNumber(char c) {
  return (c >= '0' && c <= '9') || c == '\xB9' || c == '\xB2' || c == '\xB3';
}

static bool IsDeviceName(const std::string& component) {
  // The device is named by the part before the first dot, Windows ignoring trailing spaces.
  std::string base = component.substr(0, component.find('.'));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  for (char& c : base) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  static const char* const devices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  for (const char* device : devices)
    if (base == device) return true;
  bool port = base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0);
  return port && IsPortNumber(base[3]);
}

static bool IsUnsafeComponent(const std::string& component) {
  if (component.empty()) return false;  // doubled or trailing separators add no level
  if (component == "." || component == "..") return true;
  char last = component.back();
  if (last == '.' || last == ' ') return true;  // Windows drops them: "a." would write "a"
  return IsDeviceName(component);
}

bool IsUnsafeName(const std::string& name) {
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
