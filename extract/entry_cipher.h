// The encryption of the current entry, traditional or AES, behind one seam: what stands in front
// of its data and behind it, how a password is tried, what decrypts each run of data as it is
// read (on either thread, always in the data's order), and what proves the data at its end.
// The decoders and the password stage know no more of either cipher than this.
#pragma once

#include <cstdint>
#include <string>

#include "extract/format.h"

// An encrypted entry whose AES field this program can decrypt (sfx.aesField).
bool EntryIsAes();
// What stands in front of the data (the traditional 12-byte header, or AES's salt and verifier),
// and behind it (AES's authentication code); 0 for a plain entry.
uint32_t EncryptionHeaderLength();
uint32_t EncryptionTrailerLength();

// What stands in front of the data, as read, and room for the traditional header's decryption.
struct EncryptionHeader {
  uint8_t bytes[2 * LargestEncryptionHeaderSize] = {};
};
// Reads it at the archive's current position, where the entry's data begins.
void ReadEncryptionHeader(EncryptionHeader& header);
// True when the password passes the header's check: the traditional header's check byte (1 in
// 256 wrong passwords pass it too) or AES's verifier (1 in 65,536). The keys are then ready for
// the data's first byte.
bool PasswordOpens(EncryptionHeader& header, const std::string& password);

// Decrypts a run of the data in place, the runs in the data's order.
void DecryptData(uint8_t* data, uint32_t length);
// Whether the encryption proves the data of dataLength bytes at dataStart: an AES entry's data
// must give its authentication code, which stands behind it (what the decoder left unread of the
// data is read for it first). A plain or traditionally encrypted entry has nothing to prove here.
// The keys are closed.
enum class Proof : uint8_t { Proven, NotAuthentic, SystemFailed };
Proof ProveEncryption(uint64_t dataStart, uint64_t dataLength);
// Closes whatever keys a password left open for an entry that was then not decoded.
void EndEntryKeys();
