// The ANSI code page as the legacy code page: older programs wrote names and took passwords in
// the code page of the Windows they ran on.
#include "platform/platform.h"
#include "platform/win32/wide_text.h"

namespace platform {

std::string LegacyToUtf8(const std::string& bytes) {
  WideText wide(CP_ACP, bytes);
  return Utf8FromWide(wide.get(), wide.length());
}

// A password is no name: the keys must be seeded with the very bytes the ANSI edit field of
// older programs produced, and that conversion maps a character the code page lacks to its
// best fit. Hence the default flags here, and only here.
std::string Utf8ToLegacy(const std::string& text) {
  WideText wide(text);
  int size = WideCharToMultiByte(CP_ACP, 0, wide.get(), wide.length(), nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.get(), wide.length(), &bytes[0], size, nullptr, nullptr);
  return bytes;
}

}  // namespace platform
