// The encryption mksfx writes an entry's data with, as the stub's decryption undoes it: AES-256
// (the ZIP format's AES extension, AE-2) by default, or the traditional ZIP encryption for
// readers that know nothing else.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "tools/mksfx/zip_records.h"

class Encryptor {
 public:
  virtual ~Encryptor() = default;
  // Gives the entry's headers what its encryption says of it, for data of the given compression
  // method: the flag, and for AES its method, field and CRC.
  virtual void Describe(EntryRecord& record, uint16_t method) const = 0;
  // What stands in front of the entry's data (random, from the system's source), to be written
  // first. Leaves the keys ready for the data's first byte.
  virtual Bytes StartEntry(uint32_t crc) = 0;
  virtual void EncryptRun(uint8_t* data, size_t count) = 0;
  // What stands behind the entry's data; its keys end with it.
  virtual Bytes FinishEntry() = 0;
  // What encryption adds to the data: the bytes in front of it and behind it.
  virtual uint32_t Overhead() const = 0;
};

// The CRC table the traditional keys need must exist (CreateTables, extract/tables.h).
std::unique_ptr<Encryptor> MakeEncryptor(const std::string& password, bool traditional);
