// AES entries: the keys one password and salt give, the counter-mode key stream, and the
// authentication code over the encrypted data. The block cipher, the HMAC and PBKDF2 are the
// system's (platform/platform.h); the keys live in sfx.aes.
#pragma once

#include <cstdint>
#include <string>

// The AES key, and the salt in front of the data, for a strength of 1, 2 or 3.
uint32_t AesKeyLength(uint8_t strength);
uint32_t AesSaltLength(uint8_t strength);

// Derives the keys of the password and the salt (AesSaltLength bytes) and opens them, ready for
// the data's first byte, and gives the verifier they come with (AesVerifierSize bytes). False
// for an empty password, or when the system cannot derive them; when the system cannot open
// them, sfx.aes.failed is set. Writers start an entry with it.
bool OpenAesKeys(const std::string& password, const uint8_t* salt, uint8_t strength, uint8_t* verifier);
// saltAndVerifier holds what stands in front of the data: the salt, then the verifier. True when
// the password's keys give the stored verifier; they are then ready for the data's first byte
// (or, should the system fail to open them, sfx.aes.failed is set). An empty password fails at
// once, and a failed one leaves no keys.
bool StartAesKeys(const std::string& password, const uint8_t* saltAndVerifier, uint8_t strength);
// XORs the next length bytes of key stream into data, which encrypts and decrypts alike.
void ApplyAesKeyStream(uint8_t* data, uint32_t length);
// Feeds encrypted bytes, in their order, to the authentication code.
void AuthenticateAesData(const uint8_t* data, uint32_t length);
// The next run of encrypted data, decrypted in place: authenticated as it stands, then the key
// stream applied.
void DecryptAesRun(uint8_t* data, uint32_t length);
// The authentication code of everything authenticated since StartAesKeys, AesAuthenticationCodeSize
// bytes; false when the system could not give it. The keys end with it.
bool FinishAesCode(uint8_t* code);
// Closes the keys, if any are open.
void EndAesKeys();
