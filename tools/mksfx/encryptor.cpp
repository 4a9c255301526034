#include "tools/mksfx/encryptor.h"

#include "extract/zip_crypto.h"
#include "tools/mksfx/errors.h"
#include "tools/mksfx/host.h"

std::array<uint8_t, EncryptionHeaderSize> Encryptor::StartEntry(uint8_t checkByte) {
  std::array<uint8_t, EncryptionHeaderSize> header{};
  // A predictable header would give away key stream; only the system's source will do.
  if (!host::FillRandom(header.data(), header.size() - 1)) throw Fatal("cannot read the system's random source");
  header.back() = checkByte;
  InitKeys(password_);
  EncryptRun(header.data(), header.size());
  return header;
}

void Encryptor::EncryptRun(uint8_t* data, size_t count) {
  for (size_t i = 0; i < count; i++) {
    uint8_t plain = data[i];
    data[i] = static_cast<uint8_t>(plain ^ DecryptByte());
    UpdateKeys(plain);
  }
}
