// The edge between the programs' UTF-8 and the UTF-16 of the wide-character calls. Nothing on
// the Windows side converts text any other way, and nothing goes through the ANSI code page.
#pragma once

#include <windows.h>

#include <string>

// A zero-terminated UTF-16 copy of a text, for one call.
class WideText {
 public:
  explicit WideText(const std::string& utf8) : WideText(CP_UTF8, utf8) {}
  // From another code page: the legacy one (CP_ACP) for old names, or a console's.
  WideText(UINT codePage, const std::string& bytes);
  ~WideText() { delete[] text_; }
  WideText(const WideText&) = delete;
  WideText& operator=(const WideText&) = delete;

  const wchar_t* get() const { return text_; }
  int length() const { return length_; }

 private:
  wchar_t* text_;
  int length_;
};

std::string Utf8FromWide(const wchar_t* text, int length);
inline std::string Utf8FromWide(const wchar_t* text) { return Utf8FromWide(text, lstrlenW(text)); }
