// AES, HMAC-SHA1 and PBKDF2 from the system's own cryptography, CNG (bcrypt.dll, Windows 7 on).
//
// The DLL is loaded from the system folder when it is first needed, not imported: imports are
// resolved before the program's first instruction runs, with the exe's own folder searched
// first for any DLL that is not one of the few Windows always takes from its own folder
// (KnownDLLs), and bcrypt.dll is not one of them. A bcrypt.dll planted beside a downloaded exe
// would otherwise run inside it. The algorithms are opened once and kept for the process.
#include <windows.h>
#include <bcrypt.h>

#include "platform/platform.h"

namespace platform {
namespace {

struct Cng {
  decltype(&BCryptOpenAlgorithmProvider) openAlgorithm;
  decltype(&BCryptSetProperty) setProperty;
  decltype(&BCryptGenerateSymmetricKey) generateKey;
  decltype(&BCryptEncrypt) encrypt;
  decltype(&BCryptDestroyKey) destroyKey;
  decltype(&BCryptCreateHash) createHash;
  decltype(&BCryptHashData) hashData;
  decltype(&BCryptFinishHash) finishHash;
  decltype(&BCryptDestroyHash) destroyHash;
  decltype(&BCryptDeriveKeyPBKDF2) derivePbkdf2;
  BCRYPT_ALG_HANDLE aesEcb;
  BCRYPT_ALG_HANDLE hmacSha1;
};

Cng cng;
bool cngTried = false;
bool cngReady = false;

template <typename Function>
bool Take(HMODULE dll, const char* name, Function& function) {
  function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(dll, name)));
  return function != nullptr;
}

HMODULE LoadFromSystemFolder() {
  static const wchar_t name[] = L"\\bcrypt.dll";
  wchar_t path[MAX_PATH];
  UINT length = GetSystemDirectoryW(path, MAX_PATH);
  if (length == 0 || length + sizeof name / sizeof name[0] > MAX_PATH) return nullptr;
  for (size_t i = 0; i < sizeof name / sizeof name[0]; i++) path[length + i] = name[i];
  // The DLLs it needs in turn are looked for beside it first, in the system folder too.
  return LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

bool LoadCng() {
  HMODULE dll = LoadFromSystemFolder();
  if (!dll) return false;
  bool found = Take(dll, "BCryptOpenAlgorithmProvider", cng.openAlgorithm) &&
               Take(dll, "BCryptSetProperty", cng.setProperty) &&
               Take(dll, "BCryptGenerateSymmetricKey", cng.generateKey) && Take(dll, "BCryptEncrypt", cng.encrypt) &&
               Take(dll, "BCryptDestroyKey", cng.destroyKey) && Take(dll, "BCryptCreateHash", cng.createHash) &&
               Take(dll, "BCryptHashData", cng.hashData) && Take(dll, "BCryptFinishHash", cng.finishHash) &&
               Take(dll, "BCryptDestroyHash", cng.destroyHash) &&
               Take(dll, "BCryptDeriveKeyPBKDF2", cng.derivePbkdf2);
  if (!found) return false;
  static const wchar_t ecb[] = BCRYPT_CHAIN_MODE_ECB;
  return BCRYPT_SUCCESS(cng.openAlgorithm(&cng.aesEcb, BCRYPT_AES_ALGORITHM, nullptr, 0)) &&
         BCRYPT_SUCCESS(cng.setProperty(cng.aesEcb, BCRYPT_CHAINING_MODE,
                                        reinterpret_cast<PUCHAR>(const_cast<wchar_t*>(ecb)), sizeof ecb, 0)) &&
         BCRYPT_SUCCESS(cng.openAlgorithm(&cng.hmacSha1, BCRYPT_SHA1_ALGORITHM, nullptr,
                                          BCRYPT_ALG_HANDLE_HMAC_FLAG));
}

// The first call comes from the password check, before a second thread decrypts anything.
bool CngReady() {
  if (!cngTried) cngReady = LoadCng();
  cngTried = true;
  return cngReady;
}

PUCHAR AsBytes(const void* data) { return reinterpret_cast<PUCHAR>(const_cast<void*>(data)); }

}  // namespace

bool DerivePbkdf2Sha1(const std::string& password, const uint8_t* salt, uint32_t saltLength,
                      uint32_t iterations, uint8_t* out, uint32_t length) {
  return CngReady() && BCRYPT_SUCCESS(cng.derivePbkdf2(cng.hmacSha1, AsBytes(password.data()),
                                                       static_cast<ULONG>(password.size()), AsBytes(salt), saltLength,
                                                       iterations, out, length, 0));
}

CryptoHandle OpenAesKey(const uint8_t* key, uint32_t length) {
  BCRYPT_KEY_HANDLE handle = nullptr;
  if (!CngReady() || !BCRYPT_SUCCESS(cng.generateKey(cng.aesEcb, &handle, nullptr, 0, AsBytes(key), length, 0)))
    return InvalidCrypto;
  return reinterpret_cast<CryptoHandle>(handle);
}

bool EncryptAesBlocks(CryptoHandle key, const uint8_t* in, uint8_t* out, uint32_t length) {
  ULONG done = 0;
  return BCRYPT_SUCCESS(cng.encrypt(reinterpret_cast<BCRYPT_KEY_HANDLE>(key), AsBytes(in), length, nullptr, nullptr, 0,
                                    out, length, &done, 0)) &&
         done == length;
}

void CloseAesKey(CryptoHandle key) {
  if (key != InvalidCrypto) cng.destroyKey(reinterpret_cast<BCRYPT_KEY_HANDLE>(key));
}

CryptoHandle OpenHmacSha1(const uint8_t* key, uint32_t length) {
  BCRYPT_HASH_HANDLE handle = nullptr;
  if (!CngReady() || !BCRYPT_SUCCESS(cng.createHash(cng.hmacSha1, &handle, nullptr, 0, AsBytes(key), length, 0)))
    return InvalidCrypto;
  return reinterpret_cast<CryptoHandle>(handle);
}

bool AddToMac(CryptoHandle mac, const uint8_t* data, uint32_t length) {
  return BCRYPT_SUCCESS(cng.hashData(reinterpret_cast<BCRYPT_HASH_HANDLE>(mac), AsBytes(data), length, 0));
}

bool FinishMac(CryptoHandle mac, uint8_t* digest) {
  return BCRYPT_SUCCESS(cng.finishHash(reinterpret_cast<BCRYPT_HASH_HANDLE>(mac), digest, Sha1DigestBytes, 0));
}

void CloseMac(CryptoHandle mac) {
  if (mac != InvalidCrypto) cng.destroyHash(reinterpret_cast<BCRYPT_HASH_HANDLE>(mac));
}

}  // namespace platform
