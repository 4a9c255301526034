// The platform layer with one call made to fail on purpose (fault_plan.h); the rest is the
// POSIX layer's. A failed call leaves the system as the real failure would: nothing opened,
// written, moved or made, errno set to a reason such a call meets.
#include <cerrno>
#include <cstdlib>

#include "platform/faults/fault_plan.h"
#include "platform/posix/posix_crypto.h"
#include "platform/posix/posix_files.h"

namespace faults {
namespace {

uint64_t calls[static_cast<int>(Call::Kinds)];
Call failingKind = Call::Kinds;
uint64_t failingCall = 0;
bool failed = false;

// Counts the call; true when it is the one to fail, errno then set to the reason.
bool Fails(Call kind, int reason) {
  uint64_t n = ++calls[static_cast<int>(kind)];
  if (kind != failingKind || n != failingCall) return false;
  failed = true;
  errno = reason;
  return true;
}

}  // namespace

void FailNth(Call kind, uint64_t nth) {
  for (uint64_t& count : calls) count = 0;
  failingKind = kind;
  failingCall = nth;
  failed = false;
}

uint64_t Calls(Call kind) { return kind == Call::Kinds ? 0 : calls[static_cast<int>(kind)]; }
bool Failed() { return failed; }

const char* NameOf(Call kind) {
  static const char* const names[] = {"open", "create", "read", "write", "seek",
                                      "close", "directory", "replace", "allocate", "crypto"};
  return names[static_cast<int>(kind)];
}

}  // namespace faults

namespace platform {

using faults::Call;
using faults::Fails;

FileHandle OpenForReading(const char* path) {
  return Fails(Call::Open, EACCES) ? InvalidFile : posix::OpenForReading(path);
}
FileHandle CreateForWriting(const char* path) {
  return Fails(Call::Create, EACCES) ? InvalidFile : posix::CreateForWriting(path);
}
uint32_t ReadFile(FileHandle file, void* buffer, uint32_t count) {
  return Fails(Call::Read, EIO) ? 0 : posix::ReadFile(file, buffer, count);
}
uint32_t WriteFile(FileHandle file, const void* buffer, uint32_t count) {
  return Fails(Call::Write, ENOSPC) ? 0 : posix::WriteFile(file, buffer, count);
}
int64_t SeekTo(FileHandle file, uint64_t position) {
  return Fails(Call::Seek, EIO) ? -1 : posix::SeekTo(file, position);
}
int64_t FileLength(FileHandle file) { return posix::FileLength(file); }
// The descriptor is closed either way, as close(2) leaves it after an error.
bool CloseFile(FileHandle file) {
  bool fails = Fails(Call::Close, EIO);
  return posix::CloseFile(file) && !fails;
}
bool FindFirstMatch(const char* pattern) { return posix::FindFirstMatch(pattern); }
bool CreateOneDirectory(const char* path) {
  return !Fails(Call::Directory, EACCES) && posix::CreateOneDirectory(path);
}
bool MoveReplacing(const char* from, const char* to) {
  return !Fails(Call::Replace, EACCES) && posix::MoveReplacing(from, to);
}
bool RemoveFile(const char* path) { return posix::RemoveFile(path); }
// Streams as files of their own beside the file, the way Wine keeps them: they stay behind when
// the file is moved, the harder case, and every call that reads or writes one can fail.
std::string NamedStreamPath(const std::string& path, const char* name) { return path + ":" + name; }
std::string CurrentDirectory() { return posix::CurrentDirectory(); }
std::string LastErrorText() { return posix::LastErrorText(); }
bool NamePartFits(const std::string& part) { return posix::NamePartFits(part); }
bool PathFits(const std::string& path) { return posix::PathFits(path); }
void* Allocate(size_t size) { return Fails(Call::Allocate, ENOMEM) ? nullptr : malloc(size); }
void Release(void* block) { free(block); }

// A cryptographic call fails as the system's does when it has no memory for a key or a digest:
// nothing made, nothing computed.
bool DerivePbkdf2Sha1(const std::string& password, const uint8_t* salt, uint32_t saltLength,
                      uint32_t iterations, uint8_t* out, uint32_t length) {
  return !Fails(Call::Crypto, ENOMEM) && posix::DerivePbkdf2Sha1(password, salt, saltLength, iterations, out, length);
}
CryptoHandle OpenAesKey(const uint8_t* key, uint32_t length) {
  return Fails(Call::Crypto, ENOMEM) ? InvalidCrypto : posix::OpenAesKey(key, length);
}
bool EncryptAesBlocks(CryptoHandle key, const uint8_t* in, uint8_t* out, uint32_t length) {
  return !Fails(Call::Crypto, ENOMEM) && posix::EncryptAesBlocks(key, in, out, length);
}
void CloseAesKey(CryptoHandle key) { posix::CloseAesKey(key); }
CryptoHandle OpenHmacSha1(const uint8_t* key, uint32_t length) {
  return Fails(Call::Crypto, ENOMEM) ? InvalidCrypto : posix::OpenHmacSha1(key, length);
}
bool AddToMac(CryptoHandle mac, const uint8_t* data, uint32_t length) {
  return !Fails(Call::Crypto, ENOMEM) && posix::AddToMac(mac, data, length);
}
bool FinishMac(CryptoHandle mac, uint8_t* digest) { return !Fails(Call::Crypto, ENOMEM) && posix::FinishMac(mac, digest); }
void CloseMac(CryptoHandle mac) { posix::CloseMac(mac); }

}  // namespace platform
