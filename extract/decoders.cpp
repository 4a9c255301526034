#include "extract/decoders.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>

#include "extract/crc32.h"
#include "extract/entry_cipher.h"
#include "extract/sfx_state.h"

static bool EntryIsEncrypted() { return (sfx.header.flags & FlagEncrypted) != 0; }

bool EndsWithItsStream() { return sfx.streamed && sfx.method == MethodDeflated && !EntryIsAes(); }

// The size of the next read: the entry's data not yet read, at most one chunk.
static uint32_t NextReadSize(int64_t unread) {
  return static_cast<uint32_t>(std::min<int64_t>(std::max<int64_t>(unread, 0), ChunkSize));
}

// Reads the next piece of the entry's data, decrypted.
static uint32_t ReadEntryData(uint8_t* buffer, uint32_t want) {
  uint32_t got = platform::ReadFile(sfx.archiveHandle, buffer, want);
  DecryptData(buffer, got);
  return got;
}

// A buffer for the decoders; a failure is remembered, so the verdict can name it.
static uint8_t* AllocateBuffer(size_t size) {
  uint8_t* buffer = static_cast<uint8_t*>(platform::Allocate(size));
  if (!buffer) sfx.decoded.noMemory = true;
  return buffer;
}

// Decryption is serial and about as slow as inflating, so an encrypted entry's next chunk is read
// and decrypted on the second thread while the current one is decoded and written. The chunks are
// the ones a read after each consumed chunk would get, decrypted in the same order, so the keys
// and bytes come out the same, and an AES entry's authentication code takes the same bytes in the
// same order. A plain entry's read is too cheap to be worth the hand-over.
// The task's work is its running time: a thread pre-empted inside it by other programs did not
// work meanwhile, and the caller's wait for it is then a loss, not the price of a gain.
static void ReadAheadTask(void*) {
  uint64_t start = platform::ThreadRunningNanoseconds();
  sfx.aheadCount = ReadEntryData(sfx.aheadBuffer, sfx.aheadWant);
  sfx.aheadTaskTime = platform::ThreadRunningNanoseconds() - start;
}

static void StartReadAhead(int64_t unread) {
  // Only an entry that pays has the buffer, and only while the run finds that it does.
  if (!sfx.aheadBuffer || unread <= 0 || sfx.aheadBalance.givenUp) return;
  sfx.aheadWant = NextReadSize(unread);
  sfx.aheadPending = true;
  platform::StartTask(ReadAheadTask, nullptr);
}

// A chunk's work is taken at the fastest rate any chunk of the run was read and decrypted at: the
// work is the same for every byte, and a task can only be slowed by what it does not do itself
// (a wait for the processor where the clock is the wall clock, a cache another program emptied).
void WeighHandOver(ReadAheadBalance& balance, uint64_t waited, uint64_t taskTime, uint32_t count) {
  bool fastest = balance.fastestCount == 0 || taskTime * balance.fastestCount < balance.fastestTime * count;
  if (count > 0 && fastest) {
    balance.fastestTime = taskTime;
    balance.fastestCount = count;
  }
  balance.waited += waited;
  if (balance.fastestCount > 0) balance.worked += balance.fastestTime * count / balance.fastestCount;
  if (!ReadAheadPays(balance)) balance.givenUp = true;
}

bool ReadAheadPays(const ReadAheadBalance& balance) {
  return balance.waited < balance.worked + ReadAheadAllowance;
}

// Waits for a read-ahead that is under way, and weighs what the wait cost against the work
// done meanwhile on the second thread. Its chunk is the caller's to take or drop.
static void FinishReadAhead() {
  if (!sfx.aheadPending) return;
  uint64_t start = platform::MonotonicNanoseconds();
  platform::FinishTask();
  uint64_t waited = platform::MonotonicNanoseconds() - start;
  WeighHandOver(sfx.aheadBalance, waited, sfx.aheadTaskTime, sfx.aheadCount);
  sfx.aheadPending = false;
}

// The entry's next chunk into buffer, counted off sfx.remaining by the caller as it is consumed:
// the chunk read ahead, swapped in, or one read now. Then the read of the chunk behind it starts.
static uint32_t NextChunk(uint8_t*& buffer) {
  uint32_t got;
  if (sfx.aheadPending) {
    FinishReadAhead();
    std::swap(buffer, sfx.aheadBuffer);
    got = sfx.aheadCount;
  } else {
    got = ReadEntryData(buffer, NextReadSize(sfx.remaining));
  }
  if (got > 0) StartReadAhead(sfx.remaining - got);
  return got;
}

// The read-ahead buffer, for an encrypted entry with more than one chunk of data. Without it
// the entry is read one chunk at a time. An entry that ends with its stream is not read ahead:
// its count runs to the end of reach, and a chunk read ahead would mostly be the entries behind.
static void AllocateReadAhead() {
  FinishReadAhead();
  bool pays = EntryIsEncrypted() && !EndsWithItsStream() && sfx.remaining > ChunkSize;
  // Without it the entry is only read one chunk at a time: no failure.
  sfx.aheadBuffer = pays ? static_cast<uint8_t*>(platform::Allocate(ChunkSize + 2)) : nullptr;
}

static void ReleaseReadAhead() {
  FinishReadAhead();
  platform::Release(sfx.aheadBuffer);
  sfx.aheadBuffer = nullptr;
}

// Writes a piece of output, but nothing beyond sfx.outputLimit, and counts into the CRC the bytes
// that were really written, so a short write (a full disk) fails the entry's check; the first
// one is remembered with its reason, and nothing more is written. Without an output file the
// piece only counts: the entry is tested, or decoded to find where it ends.
static void WriteOutput(const uint8_t* data, uint32_t length) {
  uint64_t room = sfx.outputLimit - std::min(sfx.outputLimit, sfx.decoded.produced);
  uint32_t allowed = static_cast<uint32_t>(std::min<uint64_t>(length, room));
  sfx.decoded.produced += length;
  if (sfx.decoded.writeFailed) return;
  uint32_t written = sfx.outputHandle == platform::InvalidFile
                         ? allowed
                         : platform::WriteFile(sfx.outputHandle, data, allowed);
  if (written < allowed) {
    sfx.decoded.writeFailed = true;
    sfx.writeError = platform::LastErrorText();
  }
  UpdateCrc(data, written, sfx.crc);
  if (sfx.onProgress) sfx.onProgress(sfx.progressContext);
}

// The buffer takes turns with the read-ahead buffer, which is there only for data of more than
// a chunk, when both are a whole chunk long.
static void CopyChunks() {
  size_t size = NextReadSize(sfx.remaining) + 2;
  uint8_t* buffer = AllocateBuffer(size);
  if (!buffer) return;
  AllocateReadAhead();
  while (sfx.remaining > 0) {
    uint32_t n = NextChunk(buffer);
    if (n == 0) {  // truncated archive or read error: asking again would never end
      sfx.decoded.inputEnded = true;
      break;
    }
    sfx.remaining -= n;
    sfx.decoded.consumed += n;
    WriteOutput(buffer, n);
  }
  ReleaseReadAhead();
  platform::Release(buffer);
}

void CopyStored() {
  if (sfx.remaining > 0) CopyChunks();
  sfx.decoded.reachedEnd = sfx.remaining <= 0;
}

// Makes the next chunk of input available; false when the entry's input has ended.
static bool RefillInput() {
  if (sfx.remaining <= 0) return false;
  if (sfx.inputPos < sfx.inputCount) return true;
  sfx.inputCount = static_cast<int32_t>(NextChunk(sfx.inputBuffer));
  sfx.inputPos = 0;
  if (sfx.inputCount == 0) {
    sfx.remaining = 0;
    sfx.decoded.inputEnded = true;
    return false;
  }
  return true;
}

static void FlushWindow() {
  WriteOutput(sfx.window, sfx.windowPos);
  sfx.windowPos = 0;
}

// Runs zlib over the entry until the final block, corrupt data, or the end of the input.
// zlib consumes input from InputBuffer[inputPos..inputCount) and writes output into
// SlideWindow[windowPos..ChunkSize); a full window is flushed wherever it fills.
static void InflateFrame(z_stream& stream) {
  for (;;) {
    bool haveInput = RefillInput();
    stream.next_in = sfx.inputBuffer + sfx.inputPos;
    stream.avail_in = haveInput ? static_cast<uInt>(sfx.inputCount - sfx.inputPos) : 0;
    stream.next_out = sfx.window + sfx.windowPos;
    stream.avail_out = ChunkSize - sfx.windowPos;
    uInt offered = stream.avail_in;

    int status = inflate(&stream, Z_NO_FLUSH);

    uInt consumed = offered - stream.avail_in;
    sfx.inputPos = static_cast<uint16_t>(sfx.inputPos + consumed);
    sfx.remaining -= consumed;
    sfx.decoded.consumed += consumed;
    sfx.windowPos = static_cast<uint16_t>(ChunkSize - stream.avail_out);
    if (sfx.windowPos == ChunkSize) FlushWindow();

    if (status == Z_STREAM_END) {  // the final block is done
      sfx.decoded.reachedEnd = true;
      return;
    }
    if (status != Z_OK && status != Z_BUF_ERROR) return;  // corrupt data
    if (status == Z_BUF_ERROR && !haveInput) return;      // needs input and there is none
  }
}

// zlib's own state comes from the same heap as the decoders' buffers.
static voidpf ZlibAllocate(voidpf, uInt items, uInt size) { return AllocateBuffer(size_t(items) * size); }
static void ZlibRelease(voidpf, voidpf block) { platform::Release(block); }

void InflateEntry() {
  sfx.inputPos = 0;
  sfx.inputCount = 0;
  sfx.windowPos = 0;
  sfx.inputBuffer = AllocateBuffer(ChunkSize + 2);
  sfx.window = AllocateBuffer(ChunkSize + 2);
  AllocateReadAhead();
  z_stream stream = {};
  stream.zalloc = ZlibAllocate;
  stream.zfree = ZlibRelease;
  if (sfx.inputBuffer && sfx.window && inflateInit2(&stream, -MAX_WBITS) == Z_OK) {
    InflateFrame(stream);
    if (sfx.windowPos > 0) FlushWindow();
    inflateEnd(&stream);
  }
  ReleaseReadAhead();
  platform::Release(sfx.inputBuffer);
  platform::Release(sfx.window);
  sfx.inputBuffer = nullptr;
  sfx.window = nullptr;
}

// How far the entry's data may run from start: to the end of the file.
static uint64_t ReachFrom(uint64_t start) {
  int64_t length = platform::FileLength(sfx.archiveHandle);
  uint64_t end = length < 0 ? PositionLimit : static_cast<uint64_t>(length);
  return start < end ? end - start : 0;
}

void DecodeEntry(uint64_t dataPosition) {
  uint32_t encryption = EncryptionHeaderLength() + EncryptionTrailerLength();
  uint64_t start = DataStart(dataPosition);
  bool toStreamEnd = EndsWithItsStream();
  uint64_t size = sfx.stated.compressedSize;
  uint64_t stated = size > encryption ? size - encryption : 0;
  // A stream ends itself, at the latest where the file does; an entry with a size is read to it,
  // so that a file cut short shows as such.
  sfx.remaining = static_cast<int64_t>(std::min<uint64_t>(toStreamEnd ? ReachFrom(start) : stated, PositionLimit));
  sfx.outputLimit = toStreamEnd ? UINT64_MAX : sfx.stated.size;
  sfx.crc = 0xFFFFFFFF;
  sfx.decoded = {};
  if (sfx.method == MethodStored) CopyStored();
  if (sfx.method == MethodDeflated) InflateEntry();
  Proof proof = ProveEncryption(start, stated);
  sfx.decoded.unproven = proof != Proof::Proven;
  sfx.decoded.cryptographyFailed = proof == Proof::SystemFailed;
}

uint64_t DataStart(uint64_t dataPosition) { return dataPosition + EncryptionHeaderLength(); }

// AE-2 leaves the CRC-32 out; its authentication code proves the data instead.
static bool CrcHolds() {
  bool stated = !EntryIsAes() || sfx.aesField.version == AesVersionWithCrc;
  return !stated || (sfx.crc ^ 0xFFFFFFFF) == sfx.stated.crc;
}

bool EntryVerifies() {
  const DecodeOutcome& d = sfx.decoded;
  if (d.writeFailed || d.noMemory || d.unproven) return false;
  bool proven = CrcHolds() && d.produced == sfx.stated.size;
  if (!sfx.streamed) return proven;
  uint32_t encryption = EncryptionHeaderLength() + EncryptionTrailerLength();
  return proven && d.reachedEnd && d.consumed + encryption == sfx.stated.compressedSize;
}

// The authentication code comes before the decoder's own findings: data that does not give it
// was changed, and whatever else it fails follows from that.
EntryFailure WhyEntryFails() {
  const DecodeOutcome& d = sfx.decoded;
  if (d.noMemory) return EntryFailure::OutOfMemory;
  if (d.writeFailed) return EntryFailure::NotWritten;
  if (d.inputEnded) return EntryFailure::DataCutShort;
  if (d.unproven) return d.cryptographyFailed ? EntryFailure::CryptographyFailed : EntryFailure::NotAuthentic;
  if (!d.reachedEnd && sfx.method == MethodDeflated) return EntryFailure::DataCorrupt;
  if (!CrcHolds()) return EntryFailure::CrcMismatch;
  if (d.produced != sfx.stated.size) return EntryFailure::SizeMismatch;
  return EntryFailure::DescriptorMismatch;
}
