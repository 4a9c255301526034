#include "extract/presets.h"

#include <cstring>

#include "extract/little_endian.h"

// A field's text ends at its terminator, or at the field's end when a block lacks one.
static std::string FieldText(const uint8_t* field, size_t size) {
  const char* text = reinterpret_cast<const char*>(field);
  return std::string(text, strnlen(text, size));
}

static void PutField(uint8_t* field, size_t size, const std::string& text) {
  size_t length = text.size() < size ? text.size() : size - 1;
  memset(field, 0, size);
  memcpy(field, text.data(), length);
}

Presets ReadPresets(const uint8_t* block) {
  if (Load32(block + PresetVersionAt) != PresetVersion) return {};
  return {FieldText(block + PresetTitleAt, PresetTitleSize), FieldText(block + PresetPathAt, PresetPathSize)};
}

void WritePresets(uint8_t* block, const Presets& presets) {
  PutField(block + PresetTitleAt, PresetTitleSize, presets.title);
  PutField(block + PresetPathAt, PresetPathSize, presets.folder);
}
