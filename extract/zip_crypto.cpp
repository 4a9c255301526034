#include "extract/zip_crypto.h"

#include "extract/crc32.h"
#include "extract/sfx_state.h"

void InitKeys(const std::string& password) {
  sfx.key0 = 0x12345678;
  sfx.key1 = 0x23456789;
  sfx.key2 = 0x34567890;
  for (char c : password) UpdateKeys(static_cast<uint8_t>(c));
}

constexpr uint32_t KeyMultiplier = 0x08088405;

void UpdateKeys(uint8_t plain) {
  sfx.key0 = Crc32Step(plain, sfx.key0);
  sfx.key1 = (sfx.key1 + (sfx.key0 & 0xFF)) * KeyMultiplier + 1;
  sfx.key2 = Crc32Step(static_cast<uint8_t>(sfx.key1 >> 24), sfx.key2);
}

static uint8_t KeyStreamByte(uint32_t key2) {
  uint32_t t = (key2 & 0xFFFF) | 2;
  return static_cast<uint8_t>((t * (t ^ 1)) >> 8);
}

uint8_t DecryptByte() { return KeyStreamByte(sfx.key2); }

// The key-stream byte depends on bits 2 to 15 of key2 only, and key0's step is linear: the step
// of (cipher XOR key-stream byte) is the step of the cipher byte XOR the step of the key-stream
// byte. So the low byte of the new key0, all that key1 takes from it, can be had from key2 and the
// cipher byte before the plain byte is known; keyStreamSteps holds that part of it. What is left
// between one byte's key2 and the next is two lookups and one multiply, instead of the whole
// round. The keys come out exactly as UpdateKeys leaves them.
void BuildKeyStreamSteps() {
  for (uint32_t bits = 0; bits < KeyStreamStates; bits++)
    sfx.keyStreamSteps[bits] = static_cast<uint8_t>(sfx.crcTable[KeyStreamByte(bits << 2)]);
}

// An empty asm the compiler cannot see through: the value is computed where it stands, off the
// path from key2 to key2, rather than folded back into the multiply or the lookup on it.
static inline uint32_t Settled(uint32_t value) {
  asm("" : "+r"(value));
  return value;
}

void DecryptRun(uint8_t* data, uint32_t length) {
  const uint32_t* table = sfx.crcTable;
  const uint8_t* streamSteps = sfx.keyStreamSteps;
  uint32_t key0 = sfx.key0, key1 = sfx.key1, key2 = sfx.key2;
  for (uint32_t i = 0; i < length; i++) {
    uint8_t cipher = data[i];
    // Off the path from key2 to key2: what the cipher byte alone gives key0 and key1.
    uint32_t cipherLow = Settled(Crc32StepWith(table, cipher, key0) & 0xFF);
    uint32_t key1Base = Settled(key1 * KeyMultiplier + 1);
    // On it: key2's key-stream step, the multiply, key2's own step.
    uint32_t key0Low = cipherLow ^ streamSteps[(key2 >> 2) & (KeyStreamStates - 1)];
    uint8_t plain = cipher ^ KeyStreamByte(key2);
    data[i] = plain;
    key0 = Crc32StepWith(table, plain, key0);
    key1 = key1Base + key0Low * KeyMultiplier;
    key2 = table[Settled(key2 & 0xFF) ^ (key1 >> 24)] ^ (key2 >> 8);
  }
  sfx.key0 = key0;
  sfx.key1 = key1;
  sfx.key2 = key2;
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
