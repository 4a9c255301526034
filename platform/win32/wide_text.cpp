#include "platform/win32/wide_text.h"

WideText::WideText(UINT codePage, const std::string& bytes) {
  int size = static_cast<int>(bytes.size());
  length_ = MultiByteToWideChar(codePage, 0, bytes.data(), size, nullptr, 0);
  text_ = new wchar_t[length_ + 1];
  MultiByteToWideChar(codePage, 0, bytes.data(), size, text_, length_);
  text_[length_] = L'\0';
}

std::string Utf8FromWide(const wchar_t* text, int length) {
  int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, length, &utf8[0], size, nullptr, nullptr);
  return utf8;
}
