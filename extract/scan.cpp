#include "extract/scan.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "extract/archive_walk.h"
#include "extract/data_descriptor.h"
#include "extract/decoders.h"
#include "extract/paths.h"
#include "extract/safe_name.h"
#include "extract/sfx_state.h"
#include "extract/utf8.h"
#include "extract/zip_crypto.h"

namespace {

// What the walk does after an entry.
enum class Next {
  Continue,  // on to the next header
  EndRun,    // the run is over; its closing message is shown
  Stop,      // the scan is over; only the check-box rule runs
};

// The working data of one scan.
struct Scan {
  Scan(ScanView& v, ScanMode m) : view(v), mode(m) {}
  ScanView& view;
  ScanMode mode;
  bool entryReady = false;  // the last selected entry got past its password stage
  uint32_t headerPos = 0;
  std::string name;
  std::string prefix;       // the extract path without one trailing backslash
};

bool HasDirectoryPart(const std::string& name) {
  return name.find_first_of("\\/") != std::string::npos;
}

bool IsDirectoryEntry(const std::string& name) {
  return !name.empty() && (name.back() == '/' || name.back() == '\\');
}

void Deselect(Scan& s) { s.view.SetSelected(sfx.listIndex, false); }

bool VerifyAgainst(uint8_t* work, const std::string& password) {
  const LocalHeader& h = sfx.header;
  return VerifyPassword(work, EncryptionHeaderSize, h.flags, password, h.modTime, h.crc32);
}

// The keys take bytes, and writers have turned a typed password into bytes two ways: in the
// legacy code page, as programs always did, and in UTF-8, as Linux and macOS writers and newer
// archivers do. The first way is tried first; the second only matters beyond ASCII, where the
// two differ.
bool VerifyTypedText(uint8_t* work, const std::string& text) {
  if (VerifyAgainst(work, platform::Utf8ToLegacy(text))) return true;
  return !IsAscii(text) && VerifyAgainst(work, text);
}

// Reads the entry's encryption header and finds a password that passes its check: the one
// remembered from before, or up to three typed by the user. Leaves the keys ready for the data.
bool PassPasswordStage(Scan& s) {
  if (!(sfx.header.flags & FlagEncrypted)) return true;
  uint8_t work[2 * EncryptionHeaderSize] = {};
  platform::ReadFile(sfx.archiveHandle, work + EncryptionHeaderSize, EncryptionHeaderSize);
  if (!sfx.password.empty() && VerifyTypedText(work, sfx.password)) return true;
  for (int attempt = 0; attempt < 3; attempt++) {
    s.view.AskPassword();
    uint32_t length = static_cast<uint32_t>(std::clamp<int32_t>(sfx.passwordLength, 0, PasswordTextSize - 1));
    sfx.password = TextFromBuffer(sfx.passwordText, length);
    if (VerifyTypedText(work, sfx.password)) return true;
  }
  return false;
}

// A directory entry (stored paths on) creates its directory, and counts as verified when the
// directory is there.
Next ExtractDirectoryEntry(Scan& s) {
  std::string directory = s.prefix + "\\" + s.name;
  SlashesToBackslashes(directory);
  ForceDirectories(directory);
  if (!PathExists(directory)) {
    s.view.ShowMessage(DirectoryPart(directory), msg::ChangeDirCaption);
    return Next::EndRun;
  }
  Deselect(s);
  return Next::Continue;
}

enum class Target { Write, Leave, EndRun };

// Makes room for the entry's file: the overwrite policy for one that exists, the missing
// directories for one that does not. An existing file left alone de-selects the entry: it is
// not a failure.
Target PrepareOutputPath(Scan& s, std::string& outputPath) {
  if (PathExists(outputPath)) {
    bool overwrite = sfx.policy != PolicySkip;
    if (sfx.policy == PolicyConfirm) {
      sfx.confirmName = FileNamePart(outputPath);
      s.view.AskOverwrite();
      overwrite = sfx.confirmAnswer != 0;
    }
    if (overwrite) return Target::Write;
    Deselect(s);
    return Target::Leave;
  }
  std::string outputDir = DirectoryPart(outputPath);
  ForceDirectories(outputDir);
  if (!PathExists(outputDir)) {
    s.view.ShowMessage(outputDir, msg::ChangeDirCaption);
    return Target::EndRun;
  }
  return Target::Write;
}

// Runs the entry's decoder into sfx.outputHandle and de-selects the entry if it verifies.
void DecodeAndVerify(Scan& s) {
  DecodeEntry(static_cast<uint32_t>(DataPosition(s.headerPos)));  // reached by a seek: below 2^31
  if (EntryVerifies()) Deselect(s);
}

// An entry that cannot be decoded here is refused before any password is asked for it or any
// file is touched (an existing one is never truncated), and the run ends there.
bool RefuseUndecodable(Scan& s) {
  const LocalHeader& h = sfx.header;
  const char* reason = nullptr;
  if (h.method != MethodStored && h.method != MethodDeflated) reason = msg::UnsupportedMethod;
  if ((h.flags & FlagStrongEncryption) || h.method == MethodAes) reason = msg::UnsupportedEncryption;
  if (reason) s.view.ShowMessage(reason, msg::UnableCaption);
  return reason != nullptr;
}

// A stored entry without sizes is extracted only when it proves empty; any other stays selected
// and ends the run, since the walk cannot find the header behind it.
bool RefuseUndelimited(Scan& s) {
  if (!sfx.streamed || sfx.header.method != MethodStored) return false;
  FindStreamedEnd(s.headerPos);
  SeekArchive(DataPosition(s.headerPos));  // where the password stage reads
  if (sfx.entryEnd != SeekLimit) return false;
  s.view.ShowMessage(msg::StoredWithoutSizes, msg::UnableCaption);
  return true;
}

void ShowProgress(Scan& s, const char* statusPrefix, const std::string& target) {
  s.view.SetStatus(statusPrefix + target);
  s.view.DispatchOneMessage();
}

// A test run decodes and checks the entry into no file at all.
Next TestFileEntry(Scan& s) {
  sfx.outputHandle = platform::InvalidFile;
  ShowProgress(s, msg::TestingPrefix, s.name);
  DecodeAndVerify(s);
  return Next::Continue;
}

Next ExtractFileEntry(Scan& s) {
  std::string outputPath = s.prefix + "\\" + s.name;
  Target target = PrepareOutputPath(s, outputPath);
  if (target == Target::Leave) return Next::Continue;
  if (target == Target::EndRun) return Next::EndRun;
  sfx.outputHandle = platform::CreateForWriting(outputPath.c_str());
  if (sfx.outputHandle == platform::InvalidFile) {
    s.view.ShowMessage(outputPath, msg::OpenFailedCaption);
    return Next::Continue;
  }
  ShowProgress(s, msg::ExtractingPrefix, outputPath);
  DecodeAndVerify(s);
  if (!platform::CloseFile(sfx.outputHandle)) s.view.ShowMessage(outputPath, msg::CloseFailedCaption);
  sfx.outputHandle = platform::InvalidFile;
  return Next::Continue;
}

// The entry stays selected, so the run's closing message counts it among the failures.
Next FailEntry(Scan& s) {
  s.entryReady = true;
  return Next::Continue;
}

// A selected entry: refused when its name is unsafe, its data out of reach, or the entry cannot
// be decoded or delimited here; otherwise taken past its password stage to the steps of the
// run's mode.
Next ExtractEntry(Scan& s) {
  // An unsafe name is refused before anything is read or created for it.
  if (IsUnsafeName(s.name)) {
    s.view.ShowMessage(s.name, msg::UnsafePathCaption);
    return FailEntry(s);
  }
  // When the seek to the data fails, the archive still stands where the name ended, and the
  // password check and the decoder would take whatever follows for the data. Nothing is read;
  // the walk's next seek, further still, then ends the run as it ends any walk out of reach.
  SeekArchive(DataPosition(s.headerPos));
  if (sfx.filePos == -1) return FailEntry(s);
  if (IsDirectoryEntry(s.name) && s.mode == ExtractMode) {
    s.entryReady = true;
    return ExtractDirectoryEntry(s);
  }
  if (RefuseUndecodable(s)) return Next::Stop;
  if (RefuseUndelimited(s)) {
    FailEntry(s);
    return Next::EndRun;
  }
  s.entryReady = PassPasswordStage(s);
  if (!s.entryReady) return Next::EndRun;
  return s.mode == TestMode ? TestFileEntry(s) : ExtractFileEntry(s);
}

Next HandleEntry(Scan& s) {
  s.name = ReadEntryName();
  if (s.name.empty()) {
    s.view.ShowMessage(msg::EmptyName, msg::ArchiveErrorCaption);
    return Next::Stop;
  }
  if (HasDirectoryPart(s.name)) sfx.hasStoredPaths = true;
  if (!s.view.StoredPathsChecked()) {
    s.name = FileNamePart(s.name);
    // A directory entry has no file-name part: without stored paths there is nothing to show.
    if (s.name.empty()) return Next::Continue;
  }
  if (s.mode == ListMode) {
    s.view.AddItem(s.name);
    return Next::Continue;
  }
  if (!IsEntrySelected(s.view, s.name)) return Next::Continue;
  return ExtractEntry(s);
}

void ShowClosingMessage(Scan& s) {
  if (s.view.SelectedCount() == 0) {
    s.view.ShowMessage(msg::Success, msg::SuccessCaption);
    s.view.SetStatus(msg::SuccessStatus);
  } else {
    s.view.ShowMessage(msg::Failure, msg::FailureCaption);
    s.view.SetStatus(msg::FailureStatus);
  }
}

// The extract path, or the current folder for an empty one, without one trailing backslash.
// Either is taken whole or refused: cut to fit, a path would put the entries in another
// folder, and a missing one at the root of the drive. A path as long as the field takes counts
// as cut, since the field may have held more than it gave.
bool TakeExtractPrefix(Scan& s) {
  std::string path(sfx.extractPath, strnlen(sfx.extractPath, sizeof sfx.extractPath));
  if (path.empty()) path = platform::CurrentDirectory();
  if (path.empty()) {
    s.view.ShowMessage(msg::CurrentFolderUnreadable, msg::NoExtractPathCaption);
    return false;
  }
  // A path as long as the field takes may have been cut by it; the buffer then has room for
  // the path, the backslash WithTrailingBackslash may add and the terminator.
  if (Utf16Length(path) >= ExtractPathCharacters) {
    s.view.ShowMessage(path, msg::PathTooLongCaption);
    return false;
  }
  SetExtractPath(path);
  WithTrailingBackslash(sfx.extractPath, sizeof sfx.extractPath);
  WithoutTrailingBackslash(sfx.extractPath);
  s.prefix = sfx.extractPath;
  return true;
}

void RunScan(Scan& s) {
  if (!StartWalk()) {
    s.view.ShowMessage(msg::SeekFailed, msg::ArchiveErrorCaption);
    return;
  }
  sfx.listIndex = -1;
  sfx.hasStoredPaths = false;
  if (s.mode == ListMode) s.view.ResetList();
  if (s.mode == ExtractMode && !TakeExtractPrefix(s)) return;

  Next next = Next::Continue;
  while (next == Next::Continue && ReadLocalHeader()) {
    s.headerPos = static_cast<uint32_t>(sfx.filePos);
    next = HandleEntry(s);
    if (next == Next::Continue && !SeekNextHeader(s.headerPos)) break;
  }

  if (next != Next::Stop) {
    if (s.mode != ListMode && s.entryReady) ShowClosingMessage(s);
    if (s.mode == ListMode && s.view.Count() == 0) s.view.ShowMessage(msg::NoEntries, msg::NoEntriesCaption);
  }
  if (!sfx.hasStoredPaths) s.view.UncheckAndDisableStoredPaths();
}

}  // namespace

bool IsEntrySelected(ScanView& view, const std::string& name) {
  sfx.listIndex = view.FindExact(sfx.listIndex, name);
  return sfx.listIndex != ScanView::NoItem && view.IsSelected(sfx.listIndex);
}

void ScanArchive(ScanView& view, ScanMode mode) {
  // Messages dispatched inside a run can carry the dialog's commands; the run needs the
  // archive position, the list and the state to itself, so a second scan does nothing.
  if (sfx.scanRunning) return;
  sfx.scanRunning = true;
  Scan s(view, mode);
  RunScan(s);
  sfx.scanRunning = false;
}
