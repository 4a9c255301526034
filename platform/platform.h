// The few operations the engine needs from the system. Paths are Windows path text (backslashes
// and slashes both separate) in UTF-8; the Win32 implementation hands them to the wide-character
// calls, the POSIX one maps backslashes at its boundary.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

using FileHandle = intptr_t;
constexpr FileHandle InvalidFile = -1;

// Opens an existing file for shared reading.
FileHandle OpenForReading(const char* path);
// Creates a new file for writing; fails when anything of that name exists, so that no file
// that was there is ever truncated.
FileHandle CreateForWriting(const char* path);
// Both return the count of bytes actually transferred (0 on failure).
uint32_t ReadFile(FileHandle file, void* buffer, uint32_t count);
uint32_t WriteFile(FileHandle file, const void* buffer, uint32_t count);
// Moves to an absolute position (up to 2^63 - 1); returns it, or -1 when the seek fails.
int64_t SeekTo(FileHandle file, uint64_t position);
// The file's length in bytes; -1 when it cannot be had.
int64_t FileLength(FileHandle file);
bool CloseFile(FileHandle file);

// True when a search for the pattern finds anything; a pattern ending in "\*.*" asks whether
// the directory in front of it exists.
bool FindFirstMatch(const char* pattern);
bool CreateOneDirectory(const char* path);
// Gives the file `from` the name `to` in one step, replacing a file of that name. Both lie in
// one folder.
bool MoveReplacing(const char* from, const char* to);
bool RemoveFile(const char* path);

// The path that opens a file's named stream (NTFS's alternate data streams, "path:name") with
// the calls above; streams carry the mark Windows gives a file that came from elsewhere. Some
// file systems keep a stream as a file of that name beside the file (Wine does), and there it
// stays where it is when the file is moved. Empty where the system has no streams (POSIX: no
// file has one, and none can be given), the reason then left for LastErrorText.
std::string NamedStreamPath(const std::string& path, const char* name);

// The whole current folder, or an empty text when it cannot be read (it was deleted, say).
std::string CurrentDirectory();
// Why the last call above that failed on this thread failed, in a few words for a message
// ("the disk is full").
std::string LastErrorText();

// What the file system takes: one level of a path (a name part), and a whole path, each as UTF-8.
bool NamePartFits(const std::string& part);
bool PathFits(const std::string& path);

// The engine's buffers come from here, so that a test can make any one of them fail.
void* Allocate(size_t size);
void Release(void* block);

// The system's legacy code page: the ANSI code page on Windows, Windows-1252 elsewhere (so a
// name reads as it does on a Western Windows). Names written without the UTF-8 flag by older
// programs are in it, and so are the passwords such programs encrypted with.
std::string LegacyToUtf8(const std::string& bytes);
// For passwords only: a character the code page lacks becomes what the system makes of it.
std::string Utf8ToLegacy(const std::string& text);

// A second thread, for work that may overlap the caller's own. It takes one task at a time:
// StartTask hands it task(context), FinishTask waits until that task has returned (at once when
// none is under way). A caller starts no second task before it has finished the first. Where no
// second thread can be had, or could not help because the process may run on one processor
// only, StartTask runs the task itself before it returns.
void StartTask(void (*task)(void*), void* context);
void FinishTask();
// The system's cryptography, for AES entries: PBKDF2 over HMAC-SHA1, the AES block cipher, and
// HMAC-SHA1. Counter mode is made of whole blocks by the engine, since the ZIP format counts its
// blocks in an order neither system's counter mode has. A key or a MAC in progress is a handle,
// used by one thread at a time, and closed by its own call.
using CryptoHandle = intptr_t;
constexpr CryptoHandle InvalidCrypto = 0;
constexpr uint32_t AesBlockBytes = 16;
constexpr uint32_t Sha1DigestBytes = 20;

// PBKDF2-HMAC-SHA1 of the password's bytes and the salt: `length` bytes into out.
bool DerivePbkdf2Sha1(const std::string& password, const uint8_t* salt, uint32_t saltLength,
                      uint32_t iterations, uint8_t* out, uint32_t length);
// An AES key of 16, 24 or 32 bytes, for encrypting blocks one by one (ECB).
CryptoHandle OpenAesKey(const uint8_t* key, uint32_t length);
// Encrypts length bytes, whole blocks, from in to out; in and out may be the same.
bool EncryptAesBlocks(CryptoHandle key, const uint8_t* in, uint8_t* out, uint32_t length);
void CloseAesKey(CryptoHandle key);
// An HMAC-SHA1 under the key: fed with AddToMac, its Sha1DigestBytes had once by FinishMac.
CryptoHandle OpenHmacSha1(const uint8_t* key, uint32_t length);
bool AddToMac(CryptoHandle mac, const uint8_t* data, uint32_t length);
bool FinishMac(CryptoHandle mac, uint8_t* digest);
void CloseMac(CryptoHandle mac);

// A clock that only goes forward, in nanoseconds from some moment: for weighing what the second
// thread saves against what waiting for it costs.
uint64_t MonotonicNanoseconds();
// The time the calling thread has spent running, in nanoseconds from some moment, where the
// system counts it finely; elsewhere the clock above. A task's running time tells a second
// thread that worked from one that was pre-empted while it had work to do.
uint64_t ThreadRunningNanoseconds();

}  // namespace platform
