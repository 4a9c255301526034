#include "extract/sfx_state.h"

#include <cstring>

#include "platform/utf8.h"

SfxState sfx;

// The buffers take three bytes per character, so whatever fits the character limit fits them.
static size_t CopyCharacters(char* buffer, const std::string& text, size_t characters) {
  std::string kept = FirstCharacters(text, characters);
  memcpy(buffer, kept.data(), kept.size());
  buffer[kept.size()] = '\0';
  return kept.size();
}

void SetExtractPath(const std::string& path) { CopyCharacters(sfx.extractPath, path, ExtractPathCharacters); }

void SetPasswordText(const std::string& text) {
  sfx.passwordLength = static_cast<int32_t>(CopyCharacters(sfx.passwordText, text, PasswordCharacters));
}
