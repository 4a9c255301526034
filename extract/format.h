// The facts of the attached ZIP archive and the texts the program shows, in one place.
#pragma once

#include <cstdint>

// File offset of the first local header: the size of the program's own image. The Windows
// build pads the image to exactly this size and fails if the linked image outgrows it.
constexpr uint32_t ArchiveBase = 118784;

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
// The presets mksfx writes into the stub (presets.h): a block of fixed size in the image's
// read-only data, found by its marker (no ZIP signature) and read by the version behind it: the
// marker's bytes, the version (32 bits), then the title and the folder, each UTF-8 with a
// terminator, zero-padded to its field. A block left empty is the stub's own.
constexpr char PresetMarker[] = "kvx-sfx presets";  // 16 bytes, its terminator included
constexpr uint32_t PresetVersion = 1;
constexpr uint32_t PresetTitleCharacters = 100;     // a caption that long still shows whole
constexpr uint32_t PresetTitleSize = PresetTitleCharacters * 3 + 1;
// The folder as the publisher wrote it, %NAME% references unexpanded: as long as the field takes.
constexpr uint32_t PresetPathSize = ExtractPathCharacters * 3 + 1;
constexpr uint32_t PresetVersionAt = sizeof PresetMarker;
constexpr uint32_t PresetTitleAt = PresetVersionAt + 4;
constexpr uint32_t PresetPathAt = PresetTitleAt + PresetTitleSize;
constexpr uint32_t PresetBlockSize = PresetPathAt + PresetPathSize;
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

// Why an entry failed (entry_failure.h), as a failed entry's line ends in it: "(its name is unsafe)".
constexpr const char* ReasonCrcMismatch = "its data does not match its CRC-32";
constexpr const char* ReasonSizeMismatch = "its size is not the one the archive states";
constexpr const char* ReasonDescriptorMismatch = "its data does not end where its data descriptor says";
constexpr const char* ReasonDataCutShort = "the archive ends inside its data";
constexpr const char* ReasonDataCorrupt = "its compressed data is damaged";
constexpr const char* ReasonNotWritten = "it could not be written";
constexpr const char* ReasonNotCreated = "its file could not be created";
constexpr const char* ReasonNotReplaced = "the file of its name could not be replaced";
constexpr const char* ReasonNotMarked = "its file could not be marked as downloaded, as the archive is";
constexpr const char* ReasonNameUnsafe = "its name is unsafe";
constexpr const char* ReasonNamePartTooLong = "a part of its name is longer than the file system takes";
constexpr const char* ReasonPathTooLong = "its path is longer than the system takes";
constexpr const char* ReasonNoDirectory = "its folder could not be created";
constexpr const char* ReasonNotReachable = "its data cannot be reached";
constexpr const char* ReasonEndUnknown = "its end is unknown";
constexpr const char* ReasonCannotDecode = "it cannot be decoded here";
constexpr const char* ReasonNotAuthentic = "its data does not match its authentication code";
constexpr const char* ReasonCryptographyFailed = "the system's cryptography failed on it";
constexpr const char* ReasonOverwriteUndecided = "a file of its name exists, and neither /O nor /N was given";
constexpr const char* ReasonNotReached = "the run ended before its entry";
constexpr const char* ReasonUnknown = "it failed";

// A run's account of each entry, in list order: "failed: NAME (reason)", as unsfx prints the
// failed ones and a silent run's log lists them all.
constexpr const char* ExtractedPrefix = "extracted: ";
constexpr const char* SkippedPrefix = "skipped: ";
constexpr const char* FailedPrefix = "failed: ";
constexpr const char* SkippedReason = "a file of its name exists";
constexpr const char* PasswordRefused = "the password was refused three times; the run ended there";
// The verdict that ends a log: "exit code 1: an entry failed".
constexpr const char* ExitCodePrefix = "exit code ";
constexpr const char* AllFineMeaning = "every entry verified, or skipped on request";
constexpr const char* EntryFailedMeaning = "an entry failed";
constexpr const char* BadArchiveMeaning = "bad switches, no archive, or a damaged archive";
constexpr const char* WrongPasswordMeaning = "the password was refused";

// The program's switches: what /? shows, and the line that names a switch refused, "/D: ...".
constexpr const char* SwitchesCaption = "Switches...";
constexpr const char* SwitchesText =
    "Switches, with / or - in front, in any case:\n"
    "/S\tsilent: no dialog; every entry is extracted with its stored path\n"
    "/D=FOLDER\tthe folder to extract into (made if missing)\n"
    "/O\toverwrite existing files\n"
    "/N\tskip existing files (with /S and neither, an existing file fails its entry)\n"
    "/P=PASSWORD\twith /S: the password for encrypted entries\n"
    "/L=FILE\twith /S: a log in UTF-8, one line per entry and the verdict\n"
    "/?\tthis text";
// Behind the switches: this heading, then each exit code and its meaning, a line each.
constexpr const char* ExitCodesHeading = "Exit codes:";
constexpr const char* SwitchUnknown = ": unknown switch";
constexpr const char* SwitchNeedsFolder = ": needs =FOLDER";
constexpr const char* SwitchNeedsPassword = ": needs =PASSWORD";
constexpr const char* SwitchNeedsFile = ": needs =FILE";
constexpr const char* SwitchFolderTooLong = ": the folder is longer than the extract path field takes";
// A backslash in front of a closing quote makes the quote part of the text ("C:\My Folder\").
constexpr const char* SwitchFolderQuoted = ": a folder name holds no quote (leave out the backslash before a closing quote)";
constexpr const char* SwitchPasswordTooLong = ": the password is longer than the password field takes";
constexpr const char* SwitchesContradict = "/O, /N: they contradict each other";
constexpr const char* SwitchNeedsSilent = ": only with /S";
// The preset folder, when its expansion failed or came out empty: the field or the log says so.
constexpr const char* PresetFolderUnexpanded = "The preset folder could not be expanded; the current folder is used instead: ";
}  // namespace msg
