#include "extract/aes_crypto.h"

#include <algorithm>
#include <cstring>

#include "extract/sfx_state.h"

uint32_t AesKeyLength(uint8_t strength) { return 8 + 8 * uint32_t(strength); }
uint32_t AesSaltLength(uint8_t strength) { return 4 + 4 * uint32_t(strength); }

void EndAesKeys() {
  AesKeys& keys = sfx.aes;
  platform::CloseAesKey(keys.cipher);
  platform::CloseMac(keys.mac);
  keys = AesKeys();
}

bool OpenAesKeys(const std::string& password, const uint8_t* salt, uint8_t strength, uint8_t* verifier) {
  EndAesKeys();
  if (password.empty() || strength == 0 || strength > AesStrongest) return false;
  uint32_t keyLength = AesKeyLength(strength);
  uint8_t derived[2 * 32 + AesVerifierSize];  // both keys and the verifier, of the strongest key
  uint32_t derivedLength = 2 * keyLength + AesVerifierSize;
  if (!platform::DerivePbkdf2Sha1(password, salt, AesSaltLength(strength), AesKeyIterations, derived, derivedLength))
    return false;
  memcpy(verifier, derived + 2 * keyLength, AesVerifierSize);
  AesKeys& keys = sfx.aes;
  keys.cipher = platform::OpenAesKey(derived, keyLength);
  keys.mac = platform::OpenHmacSha1(derived + keyLength, keyLength);
  keys.failed = keys.cipher == platform::InvalidCrypto || keys.mac == platform::InvalidCrypto;
  return true;
}

bool StartAesKeys(const std::string& password, const uint8_t* saltAndVerifier, uint8_t strength) {
  uint8_t verifier[AesVerifierSize];
  if (!OpenAesKeys(password, saltAndVerifier, strength, verifier)) return false;
  if (memcmp(verifier, saltAndVerifier + AesSaltLength(strength), AesVerifierSize) == 0) return true;
  EndAesKeys();
  return false;
}

// Key stream is made for up to this many bytes of data in one call to the system.
constexpr uint32_t KeyStreamBatch = 4096;

// Key stream for the next `length` bytes of data (whole blocks, at most a batch): the block
// numbers after the last one, encrypted.
static bool MakeKeyStream(AesKeys& keys, uint8_t* stream, uint32_t length) {
  uint8_t counters[KeyStreamBatch] = {};
  for (uint32_t at = 0; at < length; at += platform::AesBlockBytes) {
    uint64_t block = ++keys.counter;
    for (int i = 0; i < 8; i++) counters[at + i] = static_cast<uint8_t>(block >> (8 * i));
  }
  return platform::EncryptAesBlocks(keys.cipher, counters, stream, length);
}

void ApplyAesKeyStream(uint8_t* data, uint32_t length) {
  AesKeys& keys = sfx.aes;
  for (; length > 0 && keys.blockLeft > 0; length--) *data++ ^= keys.block[platform::AesBlockBytes - keys.blockLeft--];
  uint8_t stream[KeyStreamBatch];
  while (length > 0 && !keys.failed) {
    uint32_t blocks = std::min<uint32_t>((length + platform::AesBlockBytes - 1) / platform::AesBlockBytes,
                                         KeyStreamBatch / platform::AesBlockBytes);
    uint32_t made = blocks * platform::AesBlockBytes;
    if (!MakeKeyStream(keys, stream, made)) {
      keys.failed = true;
      return;
    }
    uint32_t run = std::min(length, made);
    for (uint32_t i = 0; i < run; i++) data[i] ^= stream[i];
    // A run that ends inside the last block leaves the rest of it to the next run.
    keys.blockLeft = made - run;
    memcpy(keys.block, stream + made - platform::AesBlockBytes, platform::AesBlockBytes);
    data += run;
    length -= run;
  }
}

void AuthenticateAesData(const uint8_t* data, uint32_t length) {
  AesKeys& keys = sfx.aes;
  if (keys.failed || length == 0) return;
  if (!platform::AddToMac(keys.mac, data, length)) keys.failed = true;
  keys.authenticated += length;
}

void DecryptAesRun(uint8_t* data, uint32_t length) {
  AuthenticateAesData(data, length);
  ApplyAesKeyStream(data, length);
}

bool FinishAesCode(uint8_t* code) {
  uint8_t digest[platform::Sha1DigestBytes];
  bool had = !sfx.aes.failed && platform::FinishMac(sfx.aes.mac, digest);
  if (had) memcpy(code, digest, AesAuthenticationCodeSize);
  EndAesKeys();
  return had;
}
