#include "extract/zip_crypto.h"

#include "extract/crc32.h"
#include "extract/sfx_state.h"

void InitKeys(const std::string& password) {
  sfx.key0 = 0x12345678;
  sfx.key1 = 0x23456789;
  sfx.key2 = 0x34567890;
  for (char c : password) UpdateKeys(static_cast<uint8_t>(c));
}

void UpdateKeys(uint8_t plain) {
  sfx.key0 = Crc32Step(plain, sfx.key0);
  sfx.key1 = (sfx.key1 + (sfx.key0 & 0xFF)) * 0x08088405u + 1;
  sfx.key2 = Crc32Step(static_cast<uint8_t>(sfx.key1 >> 24), sfx.key2);
}

uint8_t DecryptByte() {
  uint32_t t = (sfx.key2 & 0xFFFF) | 2;
  return static_cast<uint8_t>((t * (t ^ 1)) >> 8);
}

void DecryptRun(uint8_t* data, uint32_t length) {
  for (uint32_t i = 0; i < length; i++) {
    data[i] ^= DecryptByte();
    UpdateKeys(data[i]);
  }
}

bool VerifyPassword(uint8_t* buffer, uint8_t count, uint16_t flags, const std::string& password,
                    uint16_t modTime, uint32_t crc32) {
  if (password.empty() || count == 0) return false;
  InitKeys(password);
  for (int i = 0; i < count; i++) {
    uint8_t plain = buffer[count + i] ^ DecryptByte();
    UpdateKeys(plain);
    buffer[i] = plain;
  }
  uint8_t check = (flags & FlagDataDescriptor) ? static_cast<uint8_t>(modTime >> 8)
                                               : static_cast<uint8_t>(crc32 >> 24);
  return buffer[count - 1] == check;
}
