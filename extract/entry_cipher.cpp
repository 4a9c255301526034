#include "extract/entry_cipher.h"

#include <algorithm>
#include <cstring>

#include "extract/aes_crypto.h"
#include "extract/archive_reader.h"
#include "extract/sfx_state.h"
#include "extract/zip_crypto.h"

static bool EntryIsEncrypted() { return (sfx.header.flags & FlagEncrypted) != 0; }

bool EntryIsAes() { return sfx.aesField.strength != 0; }

uint32_t EncryptionHeaderLength() {
  if (EntryIsAes()) return AesSaltLength(sfx.aesField.strength) + AesVerifierSize;
  return EntryIsEncrypted() ? EncryptionHeaderSize : 0;
}

uint32_t EncryptionTrailerLength() { return EntryIsAes() ? AesAuthenticationCodeSize : 0; }

// The traditional header is decrypted into the first half of the bytes; the AES one is only read.
void ReadEncryptionHeader(EncryptionHeader& header) {
  uint32_t length = EncryptionHeaderLength();
  platform::ReadFile(sfx.archiveHandle, EntryIsAes() ? header.bytes : header.bytes + length, length);
}

bool PasswordOpens(EncryptionHeader& header, const std::string& password) {
  if (EntryIsAes()) return StartAesKeys(password, header.bytes, sfx.aesField.strength);
  const LocalHeader& h = sfx.header;
  return VerifyPassword(header.bytes, EncryptionHeaderSize, h.flags, password, h.modTime, h.crc32);
}

void DecryptData(uint8_t* data, uint32_t length) {
  if (EntryIsAes()) return DecryptAesRun(data, length);
  if (EntryIsEncrypted()) DecryptRun(data, length);
}

// The part of the data the decoder did not read (bytes behind the end of a DEFLATE stream, or all
// that lay behind the point where it found the data damaged) is authenticated from the archive.
static bool AuthenticateUnread(uint64_t dataStart, uint64_t dataLength) {
  uint64_t unread = dataLength - std::min(dataLength, sfx.aes.authenticated);
  if (unread == 0) return true;
  uint8_t* buffer = static_cast<uint8_t*>(platform::Allocate(ChunkSize));
  if (!buffer) return false;
  SeekArchive(dataStart + sfx.aes.authenticated);
  while (unread > 0 && sfx.filePos != -1) {
    uint32_t want = static_cast<uint32_t>(std::min<uint64_t>(unread, ChunkSize));
    uint32_t got = platform::ReadFile(sfx.archiveHandle, buffer, want);
    if (got == 0) break;
    AuthenticateAesData(buffer, got);
    unread -= got;
  }
  platform::Release(buffer);
  return unread == 0;
}

Proof ProveEncryption(uint64_t dataStart, uint64_t dataLength) {
  if (!EntryIsAes()) return Proof::Proven;
  uint8_t stored[AesAuthenticationCodeSize];
  uint8_t computed[AesAuthenticationCodeSize];
  bool whole = AuthenticateUnread(dataStart, dataLength) &&
               ReadArchiveAt(dataStart + dataLength, stored, sizeof stored);
  // The keys end with the code, and with them the word of a failed call: it is taken first.
  bool systemFailed = sfx.aes.failed;
  bool had = FinishAesCode(computed);
  if (systemFailed || !had) return Proof::SystemFailed;
  return whole && memcmp(stored, computed, sizeof stored) == 0 ? Proof::Proven : Proof::NotAuthentic;
}

void EndEntryKeys() { EndAesKeys(); }
