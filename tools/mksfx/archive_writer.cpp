#include "tools/mksfx/archive_writer.h"

#include <zlib.h>

#include <memory>

#include "extract/format.h"
#include "platform/utf8.h"
#include "tools/mksfx/errors.h"
#include "tools/mksfx/host.h"
#include "tools/mksfx/limits.h"

namespace {

constexpr size_t BufferSize = 1u << 16;

using FilePtr = std::unique_ptr<FILE, int (*)(FILE*)>;

FilePtr OpenInput(const SourceEntry& entry) {
  FilePtr file(host::OpenForReading(entry.path), &std::fclose);
  if (!file) throw Fatal(entry.path.string() + ": cannot open for reading");
  return file;
}

// The CRC goes into the header before the data, and into the encryption header's check byte,
// so a file is read once for it and once more to write it.
uint32_t FileCrc(const SourceEntry& entry) {
  FilePtr in = OpenInput(entry);
  std::vector<uint8_t> buffer(BufferSize);
  uLong crc = crc32(0, nullptr, 0);
  uint64_t total = 0;
  size_t got;
  while ((got = std::fread(buffer.data(), 1, buffer.size(), in.get())) > 0) {
    crc = crc32(crc, buffer.data(), static_cast<uInt>(got));
    total += got;
  }
  if (std::ferror(in.get())) throw Fatal(entry.path.string() + ": read error");
  if (total != entry.size) throw Fatal(entry.path.string() + ": changed while mksfx was reading it");
  return static_cast<uint32_t>(crc);
}

// Turns input chunks into the entry's data bytes: a copy, or a raw deflate stream.
class DataEncoder {
 public:
  DataEncoder(uint16_t method, int level) : deflating_(method == MethodDeflated) {
    if (deflating_ && deflateInit2(&stream_, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
      throw Fatal("zlib could not start deflating");
  }
  ~DataEncoder() {
    if (deflating_) deflateEnd(&stream_);
  }
  // Calls sink(bytes, count) for each piece of output; finish flushes the rest.
  template <typename Sink>
  void Encode(const uint8_t* data, size_t count, bool finish, Sink sink) {
    if (!deflating_) {
      sink(data, count);
      return;
    }
    stream_.next_in = const_cast<Bytef*>(data);
    stream_.avail_in = static_cast<uInt>(count);
    int result;
    do {
      stream_.next_out = output_;
      stream_.avail_out = sizeof output_;
      result = deflate(&stream_, finish ? Z_FINISH : Z_NO_FLUSH);
      sink(output_, sizeof output_ - stream_.avail_out);
    } while (stream_.avail_out == 0 || (finish && result != Z_STREAM_END));
  }

 private:
  bool deflating_;
  z_stream stream_{};
  uint8_t output_[BufferSize];
};

}  // namespace

void ArchiveWriter::BeginEntry(EntryRecord& record) {
  record.localOffset = out_.Position();
  out_.Write(LocalHeaderBytes(record));
}

// Puts the final sizes into the header written first, and keeps the record for the central
// directory.
void ArchiveWriter::EndEntry(EntryRecord& record, uint64_t headerAt) {
  out_.Patch(headerAt, LocalHeaderBytes(record));
  central_.push_back(record);
}

// A new entry's name and time. A name beyond ASCII is written in UTF-8 and says so (flag bit
// 11); a plain ASCII name needs no flag, and older readers then see it exactly as before.
static EntryRecord NewRecord(const SourceEntry& entry) {
  EntryRecord record;
  record.name = entry.name;
  if (!IsAscii(entry.name)) record.flags |= FlagUtf8;
  record.modTime = entry.modTime;
  record.modDate = entry.modDate;
  return record;
}

void ArchiveWriter::AddDirectory(const SourceEntry& entry) {
  EntryRecord record = NewRecord(entry);
  record.externalAttributes = DosDirectoryAttribute;
  BeginEntry(record);
  EndEntry(record, record.localOffset);
}

void ArchiveWriter::AddFile(const SourceEntry& entry) {
  // Stored, it could not fit; deflated, it may (a disk image of zeros shrinks to little).
  if (level_ == 0 && entry.size >= OutputLimit) throw Fatal(entry.path.string() + ": " + TooBigForWindows);
  EntryRecord record = NewRecord(entry);
  record.uncompressedSize = entry.size;
  record.zip64 = entry.size >= Zip64Marker;
  uint32_t crc = FileCrc(entry);
  uint16_t method = level_ > 0 ? MethodDeflated : MethodStored;
  Describe(record, method, crc);
  BeginEntry(record);
  uint64_t dataAt = out_.Position();
  uint64_t written = WriteFileData(entry, method, crc);
  uint64_t overhead = encryptor_ ? encryptor_->Overhead() : 0;
  if (method == MethodDeflated && written - overhead >= entry.size) {
    out_.SeekTo(dataAt);
    method = MethodStored;
    Describe(record, method, crc);
    written = WriteFileData(entry, method, crc);
  }
  record.compressedSize = written;
  EndEntry(record, record.localOffset);
}

// The header's method and CRC for data of that method, as the encryption, if any, gives them.
void ArchiveWriter::Describe(EntryRecord& record, uint16_t method, uint32_t crc) {
  record.method = method;
  record.crc32 = crc;
  if (encryptor_) encryptor_->Describe(record, method);
}

// Writes the entry's data (what encryption puts in front of it first, and behind it last) at
// the current position and returns how many bytes that took. The second reading must give the
// first one's CRC.
uint64_t ArchiveWriter::WriteFileData(const SourceEntry& entry, uint16_t method, uint32_t crc) {
  uint64_t start = out_.Position();
  if (encryptor_) out_.Write(encryptor_->StartEntry(crc));
  auto sink = [this](const uint8_t* data, size_t count) {
    if (count == 0) return;
    if (!encryptor_) return out_.Write(data, count);
    std::vector<uint8_t> copy(data, data + count);
    encryptor_->EncryptRun(copy.data(), copy.size());
    out_.Write(copy.data(), copy.size());
  };
  FilePtr in = OpenInput(entry);
  auto encoder = std::make_unique<DataEncoder>(method, level_);
  std::vector<uint8_t> buffer(BufferSize);
  uLong check = crc32(0, nullptr, 0);
  size_t got;
  do {
    got = std::fread(buffer.data(), 1, buffer.size(), in.get());
    check = crc32(check, buffer.data(), static_cast<uInt>(got));
    encoder->Encode(buffer.data(), got, got == 0, sink);
    progress_.Advance(got);
  } while (got > 0);
  if (std::ferror(in.get()) || check != crc) throw Fatal(entry.path.string() + ": changed while mksfx was reading it");
  if (encryptor_) out_.Write(encryptor_->FinishEntry());
  return out_.Position() - start;
}

void ArchiveWriter::AddImported(const ImportedEntry& entry, FILE* zip) {
  EntryRecord record = entry.record;
  // An encrypted entry written with flag bit 3 takes its password check byte from the time
  // field, so it keeps the bit (and the time), and with it a data descriptor: readers that
  // see the bit expect one and take its absence for overlapping entries. The header holds the
  // sizes too, and the stub's walk steps over a descriptor that repeats them. Any other entry
  // drops the bit and the descriptor: its header now has everything.
  if (!(record.flags & FlagEncrypted)) record.flags &= static_cast<uint16_t>(~FlagDataDescriptor);
  record.zip64 = record.uncompressedSize >= Zip64Marker || record.compressedSize >= Zip64Marker;
  BeginEntry(record);
  if (!host::SeekTo(zip, entry.dataOffset)) throw Fatal("cannot seek in the input ZIP");
  std::vector<uint8_t> buffer(BufferSize);
  for (uint64_t remaining = record.compressedSize; remaining > 0;) {
    size_t want = remaining < buffer.size() ? static_cast<size_t>(remaining) : buffer.size();
    if (std::fread(buffer.data(), 1, want, zip) != want)
      throw Fatal("\"" + record.name + "\": the input ZIP ends inside this entry's data");
    out_.Write(buffer.data(), want);
    progress_.Advance(want);
    remaining -= want;
  }
  if (record.flags & FlagDataDescriptor) out_.Write(DataDescriptorBytes(record));
  EndEntry(record, record.localOffset);
}

void ArchiveWriter::Finish() {
  uint64_t centralAt = out_.Position();
  // An exe of odd length has no agreed PE checksum: Windows counts the last byte as a word of
  // its own, osslsigncode leaves it out. Then the last entry gets a one-byte comment, a zero
  // byte, which listings show as nothing (and which, unlike an extra field, does not make
  // Info-ZIP compare the entry's names). With no entry at all the exe is even already.
  std::vector<Bytes> headers;
  uint64_t centralSize = 0;
  for (const EntryRecord& record : central_) {
    headers.push_back(CentralHeaderBytes(record));
    centralSize += headers.back().size();
  }
  uint64_t end = centralAt + centralSize + EndRecordSize +
                 (EndNeedsZip64(central_.size(), centralSize, centralAt) ? Zip64EndRecordsSize : 0);
  if (end % 2 != 0) {
    central_.back().comment.push_back('\0');
    headers.back() = CentralHeaderBytes(central_.back());
    centralSize++;
  }
  for (const Bytes& header : headers) out_.Write(header);
  out_.Write(EndRecordsBytes(central_.size(), centralSize, centralAt));
}
