// The cryptography on POSIX, OpenSSL's libcrypto, under names of its own, so that the layers that
// tests put in front of it (platform/faults/) can reach it. The declarations are those of
// platform/platform.h.
#pragma once

#include "platform/platform.h"

namespace posix {

using platform::CryptoHandle;

bool DerivePbkdf2Sha1(const std::string& password, const uint8_t* salt, uint32_t saltLength,
                      uint32_t iterations, uint8_t* out, uint32_t length);
CryptoHandle OpenAesKey(const uint8_t* key, uint32_t length);
bool EncryptAesBlocks(CryptoHandle key, const uint8_t* in, uint8_t* out, uint32_t length);
void CloseAesKey(CryptoHandle key);
CryptoHandle OpenHmacSha1(const uint8_t* key, uint32_t length);
bool AddToMac(CryptoHandle mac, const uint8_t* data, uint32_t length);
bool FinishMac(CryptoHandle mac, uint8_t* digest);
void CloseMac(CryptoHandle mac);

}  // namespace posix
