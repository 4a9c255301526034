#include "extract/extra_field.h"

#include "extract/little_endian.h"

const uint8_t* FindExtraField(const uint8_t* extra, uint32_t length, uint16_t id, uint16_t* size) {
  uint32_t at = 0;
  while (length - at >= 4) {
    uint16_t fieldId = Load16(extra + at);
    uint16_t fieldSize = Load16(extra + at + 2);
    at += 4;
    if (fieldSize > length - at) return nullptr;
    if (fieldId == id) {
      *size = fieldSize;
      return extra + at;
    }
    at += fieldSize;
  }
  return nullptr;
}
