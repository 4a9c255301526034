// The traditional ZIP encryption, as the stub's decryption undoes it: the same keys, advanced
// by each plain byte, with the cipher byte = plain byte XOR DecryptByte().
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "extract/format.h"

class Encryptor {
 public:
  // The CRC table the keys need must exist (CreateTables, extract/tables.h).
  explicit Encryptor(std::string password) : password_(std::move(password)) {}

  // Starts an entry: 11 random bytes and the check byte, encrypted, to be written in front of
  // the entry's data. Leaves the keys ready for the data's first byte.
  std::array<uint8_t, EncryptionHeaderSize> StartEntry(uint8_t checkByte);
  void EncryptRun(uint8_t* data, size_t count);

 private:
  std::string password_;
};
