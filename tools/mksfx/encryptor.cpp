#include "tools/mksfx/encryptor.h"

#include "extract/aes_crypto.h"
#include "extract/sfx_state.h"
#include "extract/zip_crypto.h"
#include "tools/mksfx/errors.h"
#include "tools/mksfx/host.h"

namespace {

// The traditional encryption: the keys advanced by each plain byte, the cipher byte the plain
// byte XOR DecryptByte(). Its 12-byte header is 11 random bytes and a check byte from the CRC.
class TraditionalEncryptor : public Encryptor {
 public:
  explicit TraditionalEncryptor(std::string password) : password_(std::move(password)) {}

  void Describe(EntryRecord& record, uint16_t method) const override {
    record.method = method;
    record.flags |= FlagEncrypted;
  }

  Bytes StartEntry(uint32_t crc) override {
    Bytes header(EncryptionHeaderSize);
    // A predictable header would give away key stream; only the system's source will do.
    if (!host::FillRandom(header.data(), header.size() - 1)) throw Fatal("cannot read the system's random source");
    header.back() = static_cast<uint8_t>(crc >> 24);
    InitKeys(password_);
    EncryptRun(header.data(), header.size());
    return header;
  }

  void EncryptRun(uint8_t* data, size_t count) override {
    for (size_t i = 0; i < count; i++) {
      uint8_t plain = data[i];
      data[i] = static_cast<uint8_t>(plain ^ DecryptByte());
      UpdateKeys(plain);
    }
  }

  Bytes FinishEntry() override { return {}; }
  uint32_t Overhead() const override { return EncryptionHeaderSize; }

 private:
  std::string password_;
};

// AES-256 in the AE-2 form current archivers write: the CRC-32 left 0 (that of a small file
// would give its contents away; the authentication code proves the data instead), a random salt
// per entry, and the keys, counter mode and HMAC-SHA1 of the engine, which are the system's.
class AesEncryptor : public Encryptor {
 public:
  explicit AesEncryptor(std::string password) : password_(std::move(password)) {}

  void Describe(EntryRecord& record, uint16_t method) const override {
    record.method = MethodAes;
    record.flags |= FlagEncrypted;
    record.crc32 = 0;
    record.versionNeeded = VersionNeededAes;
    record.localExtra = record.centralExtra = AesExtraField(method);
  }

  Bytes StartEntry(uint32_t) override {
    uint32_t saltLength = AesSaltLength(AesStrongest);
    Bytes header(saltLength + AesVerifierSize);
    if (!host::FillRandom(header.data(), saltLength)) throw Fatal("cannot read the system's random source");
    if (!OpenAesKeys(password_, header.data(), AesStrongest, header.data() + saltLength) || sfx.aes.failed)
      throw CryptographyFailed();
    return header;
  }

  void EncryptRun(uint8_t* data, size_t count) override {
    ApplyAesKeyStream(data, static_cast<uint32_t>(count));
    AuthenticateAesData(data, static_cast<uint32_t>(count));
    if (sfx.aes.failed) throw CryptographyFailed();
  }

  Bytes FinishEntry() override {
    Bytes code(AesAuthenticationCodeSize);
    if (!FinishAesCode(code.data())) throw CryptographyFailed();
    return code;
  }

  uint32_t Overhead() const override {
    return AesSaltLength(AesStrongest) + AesVerifierSize + AesAuthenticationCodeSize;
  }

 private:
  static MksfxError CryptographyFailed() { return Fatal("the system's cryptography failed"); }
  std::string password_;
};

}  // namespace

std::unique_ptr<Encryptor> MakeEncryptor(const std::string& password, bool traditional) {
  if (traditional) return std::make_unique<TraditionalEncryptor>(password);
  return std::make_unique<AesEncryptor>(password);
}
