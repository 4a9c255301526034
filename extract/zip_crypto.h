// The traditional ZIP encryption: three keys seeded from the password, advanced by every
// plain byte.
#pragma once

#include <cstdint>
#include <string>

void InitKeys(const std::string& password);
void UpdateKeys(uint8_t plain);
uint8_t DecryptByte();
// Decrypts a run in place, advancing the keys over each plain byte in order: the same bytes and
// keys as DecryptByte and UpdateKeys byte by byte, in fewer steps.
void DecryptRun(uint8_t* data, uint32_t length);

// The key-stream byte takes bits 2 to 15 of key2: this many states.
constexpr uint32_t KeyStreamStates = 1 << 14;
// Fills sfx.keyStreamSteps, which DecryptRun needs, from the CRC table.
void BuildKeyStreamSteps();

// buffer holds 2 * count bytes: the encrypted header in its second half, which is never
// changed, and room for the decrypted header in its first. True when the last decrypted byte
// equals the check byte: the high byte of modTime when flag bit 3 is set, else of crc32.
// An empty password fails at once and leaves the keys alone.
bool VerifyPassword(uint8_t* buffer, uint8_t count, uint16_t flags, const std::string& password,
                    uint16_t modTime, uint32_t crc32);
