// The facts of the attached ZIP archive and the texts the program shows, in one place.
#pragma once

#include <cstdint>

// File offset of the first local header: the size of the program's own image. The Windows
// build pads the image to exactly this size and fails if the linked image outgrows it.
constexpr uint32_t ArchiveBase = 94208;

// The local-header signature is never written as a literal (the image must not contain the
// bytes 50 4B 03 04, or a ZIP reader would mistake the program for an archive); a scan forms it
// from this value minus one.
constexpr uint32_t LocalSignaturePlusOne = 0x04034B51;
// Some writers of old put these four bytes where the signature belongs; accepted like it.
constexpr uint32_t OddLocalSignature = 0x50000000;
// De-facto data descriptor signature (50 4B 07 08), written before the CRC and sizes that an
// entry with flag bit 3 repeats behind its data. Not a header signature, so it may be a literal.
constexpr uint32_t DataDescriptorSignature = 0x08074B50;
// The central directory's first header (50 4B 01 02) is where a walk over a whole archive ends;
// like the local signature it must not stand in the image, so it is formed from that one.
constexpr uint32_t LocalMinusCentralSignature = 0x02020000;
// The other records a ZIP may hold behind its entries, as distances from the local signature
// for the same reason: the end record (50 4B 05 06), the ZIP64 end record and its locator
// (50 4B 06 06, 50 4B 06 07), archive extra data (50 4B 06 08) and a digital signature (50 4B 05 05).
constexpr uint32_t EndRecordMinusLocalSignature = 0x02020000;
constexpr uint32_t Zip64EndRecordMinusLocalSignature = 0x02030000;
constexpr uint32_t Zip64LocatorMinusLocalSignature = 0x03030000;
constexpr uint32_t ExtraDataMinusLocalSignature = 0x04030000;
constexpr uint32_t DigitalSignatureMinusLocalSignature = 0x01020000;
// The end record: 22 bytes and a comment of at most 64 KiB. A signed exe carries its signature
// behind it, and Authenticode signatures stay well below another 64 KiB.
constexpr uint32_t EndRecordSize = 22;
constexpr uint32_t EndRecordSearchSpan = EndRecordSize + 0xFFFF + 0x10000;
constexpr uint32_t Zip64LocatorSize = 20;
constexpr uint32_t CentralHeaderSize = 46;
// A data descriptor: CRC-32 and the two sizes, 32 bits each, or 64 bits each for an entry that
// carries a ZIP64 extra field; behind the optional signature.
constexpr uint32_t DescriptorSize = 12;
constexpr uint32_t Zip64DescriptorSize = 20;
// The extra field that holds 64-bit values for 32-bit header fields that hold the marker.
constexpr uint16_t Zip64ExtraId = 0x0001;
constexpr uint32_t Zip64Marker = 0xFFFFFFFF;
// The extra field that carries a UTF-8 name beside a legacy one: a version byte (1), the CRC-32
// of the header's name bytes, and the UTF-8 name.
constexpr uint16_t UnicodePathExtraId = 0x7075;
constexpr uint8_t UnicodePathVersion = 1;

// AES entries (the ZIP format's AES extension): the header's method is MethodAes, and an extra
// field of seven bytes names the rest: its version, the vendor "AE", the key's strength (1, 2, 3
// for AES-128, 192, 256) and the compression method of the data. AE-1 keeps the CRC-32 of the
// plain data; AE-2 leaves it 0, since the CRC of a small file would give its contents away.
constexpr uint16_t AesExtraId = 0x9901;
constexpr uint16_t AesExtraSize = 7;
constexpr uint16_t AesVendorId = 0x4541;  // "AE"
constexpr uint16_t AesVersionWithCrc = 1;
constexpr uint16_t AesVersionWithoutCrc = 2;
constexpr uint8_t AesStrongest = 3;
// An AES entry's data: a salt of half the key's length, a two-byte password verifier, the
// encrypted data, and the first ten bytes of the HMAC-SHA1 of the encrypted data. One PBKDF2
// (HMAC-SHA1, this many iterations) of the password and the salt gives, in this order, the AES
// key, the HMAC key and the verifier. The data is AES in counter mode, the counter a
// little-endian block number from 1.
constexpr uint32_t AesVerifierSize = 2;
constexpr uint32_t AesAuthenticationCodeSize = 10;
constexpr uint32_t AesKeyIterations = 1000;

constexpr uint32_t LocalHeaderSize = 30;
constexpr uint32_t EncryptionHeaderSize = 12;
// What may stand in front of an entry's data: AES-256's salt and verifier.
constexpr uint32_t LargestEncryptionHeaderSize = 16 + AesVerifierSize;
constexpr uint32_t ChunkSize = 32768;          // the most any read asks for; one window flush
// Limits on text are counted in characters (UTF-16 units, as Windows counts them); the buffers
// hold the text in UTF-8, at most three bytes per unit.
constexpr uint32_t ExtractPathCharacters = 255;  // what the extract path field takes
// The extract path buffer: its characters, one trailing backslash and the terminator.
constexpr uint32_t ExtractPathSize = ExtractPathCharacters * 3 + 2;
constexpr uint32_t PasswordCharacters = 79;      // what the password field takes
constexpr uint32_t PasswordTextSize = PasswordCharacters * 3 + 1;  // terminator included
// Positions and sizes are 64-bit throughout. An entry whose end cannot be found ends where no
// seek reaches, and the walk ends there.
constexpr uint64_t UnknownEnd = UINT64_MAX;
// The furthest a seek reaches: positions are signed 64-bit for the system.
constexpr uint64_t PositionLimit = INT64_MAX;

// General-purpose flag bits.
constexpr uint16_t FlagEncrypted = 0x0001;
constexpr uint16_t FlagDataDescriptor = 0x0008;  // sizes and CRC (may) follow the data
constexpr uint16_t FlagStrongEncryption = 0x0040;  // a cipher other than the traditional one
constexpr uint16_t FlagUtf8 = 0x0800;            // the name is UTF-8 (else: the writer's code page)

// Compression methods the decoders handle.
constexpr uint16_t MethodStored = 0;
constexpr uint16_t MethodDeflated = 8;
// Not a compression method: the data is AES-encrypted, and its AES field names the method.
constexpr uint16_t MethodAes = 99;

// Messages: text and caption, exactly as the program has always shown them.
namespace msg {
constexpr const char* ArchiveErrorCaption = "Archive error..";
// The walk stopped at something that is neither an entry nor the archive's end: "...offset N:".
constexpr const char* DamagedAtPrefix = "The archive is damaged at offset ";
constexpr const char* DamagedAtSuffix = ": the entries behind it cannot be reached.";
constexpr const char* SeekFailed = "Error finding attached archive.";
constexpr const char* EmptyName = "Error retreiving filename.";
constexpr const char* ChangeDirCaption = "Error Changing Dir";
constexpr const char* OpenFailedCaption = "Couldn't open...";
constexpr const char* UnsupportedMethod = "Unsupported compression method";
constexpr const char* UnableCaption = "Unable to extract...";
constexpr const char* UnsupportedEncryption = "Unsupported encryption method";
// A stored entry whose header leaves its sizes to a descriptor behind the data: nothing marks
// where its data ends, unless it has none.
constexpr const char* StoredWithoutSizes = "Stored entry without sizes: its end is unknown";
constexpr const char* CloseFailedCaption = "Error Closing...";
// The text of these four is the path, a colon and the system's reason.
constexpr const char* WriteFailedCaption = "Error writing...";
constexpr const char* ReplaceFailedCaption = "Couldn't replace...";
// The file could not be given the program's mark of where it came from (zone_mark.h).
constexpr const char* MarkFailedCaption = "Couldn't mark as downloaded...";
constexpr const char* NameTooLongCaption = "Name too long...";
constexpr const char* OutOfMemory = "there was not enough memory";
constexpr const char* Success = "Extraction was successful";
constexpr const char* SuccessCaption = "Extraction Successful";
constexpr const char* SuccessStatus = "Extraction successful";
constexpr const char* Failure = "The hi-lighted file(s) failed CRC validation";
constexpr const char* FailureCaption = "Failure";
constexpr const char* FailureStatus = "The hi-ligted file(s) failed CRC validation";
constexpr const char* NoEntries = "Can't read archive header";
constexpr const char* NoEntriesCaption = "Error...";
constexpr const char* ExtractingPrefix = "Extracting: ";
constexpr const char* TestingPrefix = "Testing: ";
// Behind the path while an entry is long in coming: "  41 %".
constexpr const char* PercentSuffix = " %";
constexpr const char* UnsafePathCaption = "Unsafe path...";
constexpr const char* PathTooLongCaption = "Path too long...";
constexpr const char* CurrentFolderUnreadable = "Can't read the current folder";
constexpr const char* NoExtractPathCaption = "No extract path...";
constexpr const char* OverwriteQuestionSuffix = "...already exists, overwrite?";
constexpr const char* ShutdownCloseFailed = "Error closing file";
constexpr const char* ShutdownCloseFailedCaption = "Error";
}  // namespace msg
