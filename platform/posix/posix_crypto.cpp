// AES, HMAC-SHA1 and PBKDF2 from OpenSSL's libcrypto (3.0 and later), for the console tools and
// the native tests.
#include "platform/posix/posix_crypto.h"

#include <openssl/core_names.h>
#include <openssl/evp.h>

namespace posix {

using platform::InvalidCrypto;

bool DerivePbkdf2Sha1(const std::string& password, const uint8_t* salt, uint32_t saltLength,
                      uint32_t iterations, uint8_t* out, uint32_t length) {
  return PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()), salt, static_cast<int>(saltLength),
                           static_cast<int>(iterations), EVP_sha1(), static_cast<int>(length), out) == 1;
}

static const EVP_CIPHER* AesEcbOfLength(uint32_t length) {
  if (length == 16) return EVP_aes_128_ecb();
  if (length == 24) return EVP_aes_192_ecb();
  if (length == 32) return EVP_aes_256_ecb();
  return nullptr;
}

static EVP_CIPHER_CTX* AsCipher(CryptoHandle key) { return reinterpret_cast<EVP_CIPHER_CTX*>(key); }
static EVP_MAC_CTX* AsMac(CryptoHandle mac) { return reinterpret_cast<EVP_MAC_CTX*>(mac); }

// Without padding: every call takes whole blocks and gives exactly as many back.
CryptoHandle OpenAesKey(const uint8_t* key, uint32_t length) {
  const EVP_CIPHER* cipher = AesEcbOfLength(length);
  EVP_CIPHER_CTX* context = cipher ? EVP_CIPHER_CTX_new() : nullptr;
  if (!context) return InvalidCrypto;
  if (EVP_EncryptInit_ex(context, cipher, nullptr, key, nullptr) != 1 || EVP_CIPHER_CTX_set_padding(context, 0) != 1) {
    EVP_CIPHER_CTX_free(context);
    return InvalidCrypto;
  }
  return reinterpret_cast<CryptoHandle>(context);
}

bool EncryptAesBlocks(CryptoHandle key, const uint8_t* in, uint8_t* out, uint32_t length) {
  int written = 0;
  if (length % platform::AesBlockBytes != 0) return false;
  return EVP_EncryptUpdate(AsCipher(key), out, &written, in, static_cast<int>(length)) == 1 &&
         written == static_cast<int>(length);
}

void CloseAesKey(CryptoHandle key) { EVP_CIPHER_CTX_free(AsCipher(key)); }

CryptoHandle OpenHmacSha1(const uint8_t* key, uint32_t length) {
  EVP_MAC* hmac = EVP_MAC_fetch(nullptr, "HMAC", nullptr);
  EVP_MAC_CTX* context = hmac ? EVP_MAC_CTX_new(hmac) : nullptr;
  EVP_MAC_free(hmac);  // the context holds a reference of its own
  char digest[] = "SHA1";
  OSSL_PARAM parameters[] = {OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest, 0),
                             OSSL_PARAM_construct_end()};
  if (!context || EVP_MAC_init(context, key, length, parameters) != 1) {
    EVP_MAC_CTX_free(context);
    return InvalidCrypto;
  }
  return reinterpret_cast<CryptoHandle>(context);
}

bool AddToMac(CryptoHandle mac, const uint8_t* data, uint32_t length) {
  return EVP_MAC_update(AsMac(mac), data, length) == 1;
}

bool FinishMac(CryptoHandle mac, uint8_t* digest) {
  size_t length = 0;
  return EVP_MAC_final(AsMac(mac), digest, &length, platform::Sha1DigestBytes) == 1 &&
         length == platform::Sha1DigestBytes;
}

void CloseMac(CryptoHandle mac) { EVP_MAC_CTX_free(AsMac(mac)); }

}  // namespace posix
