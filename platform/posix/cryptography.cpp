// The cryptography of AES entries on POSIX: OpenSSL's libcrypto through posix_crypto.cpp, for
// the layers that take it as it is (the POSIX one and the one in memory; the fault layer fails
// it in turn instead).
#include "platform/platform.h"
#include "platform/posix/posix_crypto.h"

namespace platform {

bool DerivePbkdf2Sha1(const std::string& password, const uint8_t* salt, uint32_t saltLength,
                      uint32_t iterations, uint8_t* out, uint32_t length) {
  return posix::DerivePbkdf2Sha1(password, salt, saltLength, iterations, out, length);
}
CryptoHandle OpenAesKey(const uint8_t* key, uint32_t length) { return posix::OpenAesKey(key, length); }
bool EncryptAesBlocks(CryptoHandle key, const uint8_t* in, uint8_t* out, uint32_t length) {
  return posix::EncryptAesBlocks(key, in, out, length);
}
void CloseAesKey(CryptoHandle key) { posix::CloseAesKey(key); }
CryptoHandle OpenHmacSha1(const uint8_t* key, uint32_t length) { return posix::OpenHmacSha1(key, length); }
bool AddToMac(CryptoHandle mac, const uint8_t* data, uint32_t length) { return posix::AddToMac(mac, data, length); }
bool FinishMac(CryptoHandle mac, uint8_t* digest) { return posix::FinishMac(mac, digest); }
void CloseMac(CryptoHandle mac) { posix::CloseMac(mac); }

}  // namespace platform
