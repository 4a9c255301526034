// The one program-wide state record. Every routine of the engine and of the dialogs reads and
// writes the fields it needs here; nothing else holds state between calls.
#pragma once

#include <cstdint>
#include <string>

#include "extract/format.h"
#include "platform/platform.h"

// The 30-byte ZIP local file header, fields in file order (all little-endian in the file).
struct LocalHeader {
  uint32_t signature;
  uint16_t versionNeeded;
  uint16_t flags;
  uint16_t method;
  uint16_t modTime;
  uint16_t modDate;
  uint32_t crc32;
  uint32_t compressedSize;
  uint32_t uncompressedSize;
  uint16_t nameLength;
  uint16_t extraLength;
};

// The CRC and sizes the archive states for the current entry: its local header's, with 64-bit
// sizes from its ZIP64 extra field where the header defers to that; for a streamed entry, its
// data descriptor's once the walk has found where the entry ends.
struct StatedValues {
  uint32_t crc;
  uint64_t compressedSize;  // what encryption adds in front of the data and behind it included
  uint64_t size;
};

// What the decoder made of the current entry; the verdict weighs it against the stated values.
struct DecodeOutcome {
  uint64_t produced;  // bytes decoded, whether or not they were written
  uint64_t consumed;  // compressed bytes taken, behind the encryption header
  bool reachedEnd;    // all of the data was decoded: every stored byte, or a DEFLATE stream's final block
  bool inputEnded;    // a read found nothing more before the data's end: the archive is cut short
  bool writeFailed;   // a write fell short (sfx.writeError says why); nothing more was written
  bool noMemory;      // a buffer could not be had
  bool unproven;      // an AES entry's authentication code does not prove its data, or could not be had
  bool cryptographyFailed;  // ...because a call of the system's cryptography failed
};

// An AES entry's extra field, as read with its header; strength 0 for an entry that is no AES
// entry this program can decrypt (extract/format.h).
struct AesField {
  uint16_t version;
  uint8_t strength;
  uint16_t method;  // the data's compression method
};

// The keys of the AES entry being decrypted, from its password stage to the end of its data. A
// run of data that ends inside a block of key stream leaves the rest of that block to the next.
struct AesKeys {
  platform::CryptoHandle cipher = platform::InvalidCrypto;
  platform::CryptoHandle mac = platform::InvalidCrypto;
  uint64_t counter = 0;                         // the last block number encrypted
  uint8_t block[platform::AesBlockBytes] = {};  // the last block of key stream
  uint32_t blockLeft = 0;                       // its bytes not yet used, at its end
  uint64_t authenticated = 0;                   // encrypted bytes given to the MAC
  bool failed = false;  // a call of the system's cryptography failed: the data is not proven
};

// What reading ahead has cost and saved in a run: the time the second thread ran reading and
// decrypting the chunks it handed over, and the time the caller waited for them.
struct ReadAheadBalance {
  uint64_t worked;
  uint64_t waited;
  uint64_t fastestTime;   // the task that read and decrypted its chunk fastest: its time
  uint32_t fastestCount;  // and its chunk's size
  bool givenUp;  // it did not pay: the rest of the run reads serially
};

enum OverwritePolicy : uint8_t {
  PolicyOverwrite = 0,  // overwrite without asking
  PolicySkip = 1,       // leave existing files alone
  PolicyConfirm = 2,    // ask before overwriting
};

// The answers to the overwrite question (sfx.confirmAnswer).
enum ConfirmAnswer : uint8_t {
  AnswerLeave = 0,      // leave the file as it is: the entry counts as done
  AnswerOverwrite = 1,
  AnswerUndecided = 2,  // nobody is there to answer: the entry fails, its file left as it is
};

struct SfxState {
  void* instance = nullptr;           // the program's module (dialogs, icon)
  int32_t listIndex = -1;             // current entry's item in the file list, -1 for none
  bool hasStoredPaths = false;        // some name of this scan holds a slash or backslash
  char extractPath[ExtractPathSize] = {};
  char passwordText[PasswordTextSize] = {};
  std::string password;               // the password last typed or accepted
  int32_t passwordLength = 0;
  int64_t filePos = 0;                // reached by the last SeekArchive, -1 when it failed
  uint32_t archiveBase = 0;
  uint32_t attachedAt = ArchiveBase;  // where the archive starts: the image size, or 0 for a plain ZIP
  uint8_t policy = PolicyConfirm;
  uint8_t confirmAnswer = 0;          // the overwrite question's ConfirmAnswer
  std::string confirmName;            // file name the overwrite question shows
  void* mainDialog = nullptr;

  // Inflate frame, meaningful only while InflateEntry runs.
  uint8_t* inputBuffer = nullptr;     // InputBuffer: the chunk last read
  uint8_t* window = nullptr;          // SlideWindow: output not yet written
  uint16_t inputPos = 0;
  int32_t inputCount = 0;
  uint16_t windowPos = 0;

  // Read-ahead, meaningful only while an encrypted entry is decoded: the second thread reads
  // and decrypts the next chunk into aheadBuffer while this one is decoded. While aheadPending,
  // only that thread touches the keys (either kind) and the archive's file position. When decoding ends
  // early, both may be a chunk further on than a reader without read-ahead leaves them (still
  // within the entry's data): after an entry nothing relies on either.
  uint8_t* aheadBuffer = nullptr;
  uint32_t aheadWant = 0;             // the count it asks for
  uint32_t aheadCount = 0;            // the count it got, decrypted
  bool aheadPending = false;          // handed over and not yet taken
  uint64_t aheadTaskTime = 0;         // nanoseconds the last read-ahead ran on the second thread
  ReadAheadBalance aheadBalance = {}; // what read-ahead has saved and cost in this run

  uint32_t* crcTable = nullptr;       // Crc32Table, built once at start-up
  bool crcFold = false;               // UpdateCrc folds with carry-less multiplication
  uint32_t crc = 0;                   // CrcRegister, in its inverted working form
  uint32_t key0 = 0, key1 = 0, key2 = 0;  // ZipKeys
  AesKeys aes;
  // Per key-stream state, the low byte of the CRC step of its key-stream byte; built with the
  // CRC table, in the same block.
  uint8_t* keyStreamSteps = nullptr;
  uint32_t expectedSignature = 0;
  int64_t remaining = 0;              // RemainingCompressed
  platform::FileHandle archiveHandle = platform::InvalidFile;
  platform::FileHandle outputHandle = platform::InvalidFile;
  LocalHeader header = {};
  StatedValues stated = {};
  bool hasZip64 = false;              // the header carries a ZIP64 extra field
  AesField aesField = {};
  // The compression method of the data: the header's, or for an AES entry its AES field's.
  uint16_t method = 0;
  // Flag bit 3 with no compressed size: the header leaves the sizes to a data descriptor behind
  // the data, and only decoding (or the descriptor itself) shows where the data ends.
  bool streamed = false;
  // Where the next header stands: 0 while a streamed entry's end is still to be found, UnknownEnd
  // (which no seek reaches) when it cannot be.
  uint64_t entryEnd = 0;
  DecodeOutcome decoded = {};
  std::string writeError;             // the system's reason for the write that fell short
  // Called by the decoders as the output grows, so that a long entry can show how far it has got.
  void (*onProgress)(void* context) = nullptr;
  void* progressContext = nullptr;
  uint64_t progressDelay = 500000000;  // nanoseconds an entry takes before its figure shows
  // Writes stop at this many bytes, the stated size when it is known before decoding; the
  // decoder goes on counting what it produces beyond.
  uint64_t outputLimit = UINT64_MAX;
  bool scanRunning = false;           // a scan is under way; no second one may start inside it
  // Headers the last listing walked. A run that walks further meets entries nobody was shown.
  uint32_t listedHeaders = 0;
  uint32_t temporaryNumber = 0;       // the last number a temporary file name was tried with
  // The program's own mark of where it came from (zone_mark.h), which every file a run writes
  // is given; empty when it has none.
  std::string zoneMark;
};

extern SfxState sfx;

// Fill sfx.extractPath and sfx.passwordText (with sfx.passwordLength), keeping at most as many
// characters as their fields take; a character is never cut in half.
void SetExtractPath(const std::string& path);
void SetPasswordText(const std::string& text);
