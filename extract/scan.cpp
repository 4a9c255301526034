#include "extract/scan.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "extract/archive_end.h"
#include "extract/archive_reader.h"
#include "extract/archive_walk.h"
#include "extract/decoders.h"
#include "extract/entry_cipher.h"
#include "extract/entry_extent.h"
#include "extract/local_header.h"
#include "extract/output_file.h"
#include "extract/paths.h"
#include "extract/safe_name.h"
#include "extract/sfx_state.h"
#include "extract/zone_mark.h"
#include "platform/utf8.h"

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
  bool damaged = false;     // the walk could not reach every entry: the run fails
  uint64_t headerPos = 0;
  std::vector<uint64_t> walked;  // every header met, in order
  std::string taken;             // by item, 1 where the run took it for an entry
  EncryptionHeader cipherHeader; // the encrypted entry's, as read in front of its data
  std::string secondForm;        // the password's other bytes, when they pass its check too
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

bool IsTaken(const Scan& s, int index) {
  return static_cast<size_t>(index) < s.taken.size() && s.taken[static_cast<size_t>(index)];
}

// The item is the entry's own: later entries of its name go past it.
bool Take(Scan& s, int index) {
  sfx.listIndex = index;
  if (s.taken.size() <= static_cast<size_t>(index)) s.taken.resize(static_cast<size_t>(index) + 1);
  s.taken[static_cast<size_t>(index)] = 1;
  s.view.NoteTaken(index);
  return true;
}

// The entry stays selected, so the run's closing message counts it among the failures.
Next FailEntry(Scan& s, EntryFailure reason) {
  s.entryReady = true;
  s.view.NoteFailure(reason);
  return Next::Continue;
}

// A message whose text is a path and the system's reason for what failed there.
void ShowFailure(Scan& s, const std::string& path, const std::string& reason, const char* caption) {
  s.view.ShowMessage(path + ": " + reason, caption);
}

std::string Decimal(uint64_t value) {
  char digits[24];
  char* at = digits + sizeof digits;
  *--at = '\0';
  do *--at = static_cast<char>('0' + value % 10); while (value /= 10);
  return at;
}

void ReportDamage(Scan& s, uint64_t offset) {
  s.damaged = true;
  s.view.ShowMessage(msg::DamagedAtPrefix + Decimal(offset) + msg::DamagedAtSuffix, msg::ArchiveErrorCaption);
}

// The walk stopped at `position`: at a header it could not read, or (headerThere false) inside
// an entry whose end it could not find. Behind the last entry comes the archive's own end, and
// anything else is damage, a file that ends right there included; unless the central directory
// lists exactly the entries walked, as it does where a writer left padding in front of it. A file
// with no entry at all is no archive, and the listing says so in its own words.
void JudgeWalkEnd(Scan& s, uint64_t position, bool headerThere) {
  if (s.walked.empty()) return;
  if (headerThere && ArchiveEndsAt(position)) return;
  if (CentralDirectoryConfirms(s.walked)) return;
  // A walk stepped past the file's end by an entry cut short: the damage is where the file ends.
  int64_t length = platform::FileLength(sfx.archiveHandle);
  if (length >= 0 && position > static_cast<uint64_t>(length)) position = static_cast<uint64_t>(length);
  ReportDamage(s, position);
}

// The keys take bytes, and writers have turned a typed password into bytes two ways: in the
// legacy code page, as programs always did, and in UTF-8, as Linux and macOS writers and newer
// archivers do (for AES entries too). The first way is tried first; the second only matters
// beyond ASCII, where the two differ. The check passes one wrong password in 256 (65,536 for
// AES), so the legacy bytes may pass where the UTF-8 ones were written: when both pass, the
// UTF-8 ones are kept for a second decoding, should the data not verify with the first.
bool VerifyTypedText(Scan& s, const std::string& text) {
  s.secondForm.clear();
  std::string legacy = platform::Utf8ToLegacy(text);
  if (!PasswordOpens(s.cipherHeader, legacy)) return !IsAscii(text) && PasswordOpens(s.cipherHeader, text);
  if (IsAscii(text) || legacy == text) return true;
  if (PasswordOpens(s.cipherHeader, text)) s.secondForm = text;
  return PasswordOpens(s.cipherHeader, legacy);  // the keys are the legacy bytes' again
}

// After data that did not verify: readies the keys of the password's second form, and the
// archive at the data, for one more decoding. False when there is none, or when the failure was
// no matter of keys (the disk, memory, the system's cryptography).
bool TakeSecondForm(Scan& s) {
  const DecodeOutcome& d = sfx.decoded;
  if (s.secondForm.empty() || d.writeFailed || d.noMemory || d.cryptographyFailed) return false;
  std::string form = std::move(s.secondForm);
  s.secondForm.clear();
  SeekArchive(DataStart(DataPosition(s.headerPos)));
  return sfx.filePos != -1 && PasswordOpens(s.cipherHeader, form);
}

// Reads what stands in front of an encrypted entry's data and finds a password that passes its
// check, whichever the cipher: the one remembered from before, or up to three typed by the
// user. Leaves the keys ready for the data.
bool PassPasswordStage(Scan& s) {
  s.secondForm.clear();
  if (!(sfx.header.flags & FlagEncrypted)) return true;
  ReadEncryptionHeader(s.cipherHeader);
  if (!sfx.password.empty() && VerifyTypedText(s, sfx.password)) return true;
  for (int attempt = 0; attempt < 3; attempt++) {
    s.view.AskPassword();
    uint32_t length = static_cast<uint32_t>(std::clamp<int32_t>(sfx.passwordLength, 0, PasswordTextSize - 1));
    sfx.password = TextFromBuffer(sfx.passwordText, length);
    if (VerifyTypedText(s, sfx.password)) return true;
  }
  return false;
}

// True when every level of the name fits the file system: a longer one would be cut, or fail
// with no reason given, and a cut name can be another entry's.
bool NamePartsFit(const std::string& name) {
  size_t start = 0;
  for (size_t i = 0; i <= name.size(); i++) {
    if (i < name.size() && name[i] != '\\' && name[i] != '/') continue;
    if (!platform::NamePartFits(name.substr(start, i - start))) return false;
    start = i + 1;
  }
  return true;
}

// A directory entry (stored paths on) creates its directory, and counts as verified when the
// directory is there.
Next ExtractDirectoryEntry(Scan& s, std::string directory) {
  ForceDirectories(directory);
  if (!PathExists(SlashesToBackslashes(directory))) {
    s.view.ShowMessage(DirectoryPart(directory), msg::ChangeDirCaption);
    s.view.NoteFailure(EntryFailure::NoDirectory);
    return Next::EndRun;
  }
  Deselect(s);
  return Next::Continue;
}

enum class Target { Write, Leave, Refused, EndRun };

// What becomes of an existing file: the overwrite policy, or the answer to the question.
Target DecideOnExisting(Scan& s, const std::string& outputPath) {
  uint8_t answer = sfx.policy == PolicySkip ? AnswerLeave : AnswerOverwrite;
  if (sfx.policy == PolicyConfirm) {
    sfx.confirmName = FileNamePart(outputPath);
    s.view.AskOverwrite();
    answer = sfx.confirmAnswer;
  }
  if (answer == AnswerOverwrite) return Target::Write;
  if (answer == AnswerUndecided) {
    FailEntry(s, EntryFailure::OverwriteUndecided);
    return Target::Refused;
  }
  Deselect(s);
  s.view.NoteLeftAlone();
  return Target::Leave;
}

// Makes room for the entry's file: the overwrite policy for one that exists, the missing
// directories for one that does not. An existing file left alone de-selects the entry: it is
// not a failure. One that nobody could decide on fails the entry and stays as it was.
Target PrepareOutputPath(Scan& s, std::string& outputPath) {
  if (PathExists(outputPath)) return DecideOnExisting(s, outputPath);
  std::string outputDir = DirectoryPart(outputPath);
  ForceDirectories(outputDir);
  if (!IsRoot(outputDir) && !PathExists(outputDir)) {
    s.view.ShowMessage(outputDir, msg::ChangeDirCaption);
    s.view.NoteFailure(EntryFailure::NoDirectory);
    return Target::EndRun;
  }
  return Target::Write;
}

// The status line of the entry under way; once the entry has taken longer than a moment, with
// how far its output has got (when its size is known), so that a slow disk does not look like a
// program that hangs; and a window message is dispatched as the figure grows.
struct EntryProgress {
  Scan& s;
  std::string line;
  uint64_t startedAt;
  uint32_t shown;  // the percentage last shown, or more than 100 for none yet
};

void ShowEntryProgress(void* context) {
  auto& p = *static_cast<EntryProgress*>(context);
  uint64_t size = sfx.stated.size;
  if (size == 0 || platform::MonotonicNanoseconds() - p.startedAt < sfx.progressDelay) return;
  uint64_t produced = sfx.decoded.produced;
  uint32_t percent = static_cast<uint32_t>(produced >= size ? 100 : produced * 100 / size);
  if (percent == p.shown) return;
  p.shown = percent;
  p.s.view.SetProgress(p.line + "  " + Decimal(percent) + msg::PercentSuffix);
  p.s.view.DispatchOneMessage();
}

// Runs the entry's decoder into sfx.outputHandle (none in a test), showing how far it gets under
// the status line's text, and tells whether it verifies.
bool DecodeAndVerify(Scan& s, const std::string& statusLine) {
  EntryProgress progress{s, statusLine, platform::MonotonicNanoseconds(), 101};
  sfx.onProgress = ShowEntryProgress;
  sfx.progressContext = &progress;
  DecodeToItsEnd(DataPosition(s.headerPos));
  sfx.onProgress = nullptr;
  if (EntryVerifies()) return true;
  s.view.NoteFailure(WhyEntryFails());
  return false;
}

// An entry that cannot be decoded here is refused before any password is asked for it or any
// file is touched, and the run ends there: another method than stored or deflated (inside AES
// too), strong encryption, or AES whose field this program does not know.
bool RefuseUndecodable(Scan& s) {
  const LocalHeader& h = sfx.header;
  const char* reason = nullptr;
  if (sfx.method != MethodStored && sfx.method != MethodDeflated) reason = msg::UnsupportedMethod;
  if ((h.flags & FlagStrongEncryption) || (h.method == MethodAes && !EntryIsAes())) reason = msg::UnsupportedEncryption;
  if (!reason) return false;
  s.view.ShowMessage(reason, msg::UnableCaption);
  s.view.NoteFailure(EntryFailure::CannotDecode);
  return true;
}

// A streamed entry that does not end with its own stream (a stored one, or any AES one) is
// extracted only when its descriptor delimits it; any other stays selected and ends the run,
// since the walk cannot find the header behind it.
bool RefuseUndelimited(Scan& s) {
  if (!sfx.streamed || EndsWithItsStream()) return false;
  FindStreamedEnd(s.headerPos);
  SeekArchive(DataPosition(s.headerPos));  // where the password stage reads
  if (sfx.entryEnd != UnknownEnd) return false;
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
  bool verified = DecodeAndVerify(s, msg::TestingPrefix + s.name);
  if (!verified && TakeSecondForm(s)) verified = DecodeAndVerify(s, msg::TestingPrefix + s.name);
  if (verified) Deselect(s);
  return Next::Continue;
}

// Removes a file the entry made, with its mark where that is a file of its own. False: the
// entry failed.
bool Discard(const std::string& path) {
  DropZoneMark(path);
  platform::RemoveFile(path.c_str());
  return false;
}

// A file from a marked program must never arrive unmarked unnoticed: the entry fails.
bool MarkFailed(Scan& s, const std::string& outputPath) {
  ShowFailure(s, outputPath, platform::LastErrorText(), msg::MarkFailedCaption);
  s.view.NoteFailure(EntryFailure::NotMarked);
  return false;
}

// Gives the verified temporary file the entry's name, marked as the program is. The temporary
// file is marked first, so that a volume that takes no mark fails the entry before a file of
// its name is replaced. NTFS moves the mark along with the file; a file system that keeps it as
// a file of its own beside (as Wine does) leaves it at the temporary name, so it is removed
// there and the file is marked again under its own name. A failure at that point comes after
// the move, too late to keep a file that was there: the new file is removed, not left unmarked.
// True when the file stands under its name, marked; a failed one leaves nothing behind.
bool PutInPlace(Scan& s, const std::string& temporary, const std::string& outputPath) {
  if (!GiveZoneMark(temporary)) {
    MarkFailed(s, outputPath);
    return Discard(temporary);
  }
  if (!platform::MoveReplacing(temporary.c_str(), outputPath.c_str())) {
    ShowFailure(s, outputPath, platform::LastErrorText(), msg::ReplaceFailedCaption);
    s.view.NoteFailure(EntryFailure::NotReplaced);
    return Discard(temporary);
  }
  DropZoneMark(temporary);
  if (GiveZoneMark(outputPath)) return true;
  MarkFailed(s, outputPath);
  return Discard(outputPath);
}

// Creates the entry's temporary file beside its path, open in sfx.outputHandle; or says why not.
bool OpenTemporary(Scan& s, const std::string& outputPath, std::string& temporary) {
  sfx.outputHandle = CreateTemporaryBeside(outputPath, temporary);
  if (sfx.outputHandle != platform::InvalidFile) return true;
  ShowFailure(s, outputPath, platform::LastErrorText(), msg::OpenFailedCaption);
  return false;
}

// The entry is written under a temporary name beside its own and takes that name only once it
// verifies, so a file of that name is replaced by a verified one or left as it was, and a failed
// entry leaves nothing behind.
Next ExtractFileEntry(Scan& s, std::string outputPath) {
  Target target = PrepareOutputPath(s, outputPath);
  if (target == Target::Leave || target == Target::Refused) return Next::Continue;
  if (target == Target::EndRun) return Next::EndRun;
  std::string temporary;
  if (!OpenTemporary(s, outputPath, temporary)) return FailEntry(s, EntryFailure::NotCreated);
  ShowProgress(s, msg::ExtractingPrefix, outputPath);
  bool verified = DecodeAndVerify(s, msg::ExtractingPrefix + outputPath);
  // The one second decoding starts over in a new temporary file.
  if (!verified && TakeSecondForm(s)) {
    platform::CloseFile(sfx.outputHandle);
    platform::RemoveFile(temporary.c_str());
    if (!OpenTemporary(s, outputPath, temporary)) return FailEntry(s, EntryFailure::NotCreated);
    verified = DecodeAndVerify(s, msg::ExtractingPrefix + outputPath);
  }
  if (sfx.decoded.writeFailed) ShowFailure(s, outputPath, sfx.writeError, msg::WriteFailedCaption);
  bool closed = platform::CloseFile(sfx.outputHandle);
  sfx.outputHandle = platform::InvalidFile;
  if (!closed) {
    s.view.ShowMessage(outputPath, msg::CloseFailedCaption);
    if (verified) s.view.NoteFailure(EntryFailure::NotWritten);
  } else if (verified) {
    if (PutInPlace(s, temporary, outputPath)) Deselect(s);
    return Next::Continue;
  }
  platform::RemoveFile(temporary.c_str());
  return Next::Continue;
}

// Where the entry lands: below the extract path, its levels joined by backslashes, with no empty
// level (the path measured against the system's limit is then the path written); a folder's
// entry keeps its trailing backslash, so that only a folder is taken for it.
std::string OutputPath(const std::string& prefix, const std::string& name) {
  return prefix + "\\" + NameLevels(name, '\\') + (IsDirectoryEntry(name) ? "\\" : "");
}

// A file's path is taken whole only with the temporary name beside it and the paths of both marks.
bool FileFits(const std::string& outputPath) {
  return TemporaryFitsBeside(outputPath) && ZoneMarkFits(outputPath);
}

// Refuses, before anything is made for it, an entry whose name or path the file system cannot
// take whole. False when it was refused.
bool NameAndPathFit(Scan& s, const std::string& outputPath) {
  if (!NamePartsFit(s.name)) {
    s.view.ShowMessage(s.name, msg::NameTooLongCaption);
    FailEntry(s, EntryFailure::NamePartTooLong);
    return false;
  }
  if (!platform::PathFits(outputPath) || (!IsDirectoryEntry(s.name) && !FileFits(outputPath))) {
    s.view.ShowMessage(outputPath, msg::PathTooLongCaption);
    FailEntry(s, EntryFailure::PathTooLong);
    return false;
  }
  return true;
}

// A selected entry: refused when its name is unsafe, its data out of reach, or the entry cannot
// be decoded or delimited here; otherwise taken past its password stage to the steps of the
// run's mode.
Next ExtractEntry(Scan& s) {
  // An unsafe name is refused before anything is read or created for it.
  if (IsUnsafeName(s.name)) {
    s.view.ShowMessage(s.name, msg::UnsafePathCaption);
    return FailEntry(s, EntryFailure::NameUnsafe);
  }
  std::string outputPath = OutputPath(s.prefix, s.name);
  if (s.mode == ExtractMode && !NameAndPathFit(s, outputPath)) return Next::Continue;
  // When the seek to the data fails, the archive still stands where the name ended, and the
  // password check and the decoder would take whatever follows for the data. Nothing is read;
  // the walk's next seek, further still, then ends the run as it ends any walk out of reach.
  SeekArchive(DataPosition(s.headerPos));
  if (sfx.filePos == -1) return FailEntry(s, EntryFailure::NotReachable);
  if (IsDirectoryEntry(s.name) && s.mode == ExtractMode) {
    s.entryReady = true;
    return ExtractDirectoryEntry(s, outputPath);
  }
  if (RefuseUndecodable(s)) return Next::Stop;
  if (RefuseUndelimited(s)) {
    FailEntry(s, EntryFailure::EndUnknown);
    return Next::EndRun;
  }
  s.entryReady = PassPasswordStage(s);
  if (!s.entryReady) return Next::EndRun;
  return s.mode == TestMode ? TestFileEntry(s) : ExtractFileEntry(s, outputPath);
}

// An archive may hold one name twice: a folder's entry before its files and again behind them,
// a file's entry again further on ("a.txt", "b.txt", "a.txt"), either in other letters ("café/",
// "cAfé/"). The search from the last item found may then come round to the twin the run took for
// the earlier entry; passing the entry would leave the other twin selected, a failure with no
// cause. So each entry takes an item of its own: past a twin already taken, the next one still
// selected. An item the user deselected is passed, as the search finds it, except by a folder's
// entry, for on Windows every twin makes the same folder.
bool IsEntrySelected(Scan& s) {
  int first = s.view.FindExact(sfx.listIndex, s.name);
  sfx.listIndex = first;
  if (first == ScanView::NoItem) return false;
  if (IsTaken(s, first) || (IsDirectoryEntry(s.name) && !s.view.IsSelected(first))) {
    for (int at = s.view.FindExact(first, s.name); at != first; at = s.view.FindExact(at, s.name)) {
      if (s.view.IsSelected(at) && !IsTaken(s, at)) return Take(s, at);
    }
  }
  return s.view.IsSelected(first) && Take(s, first);
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
  if (!IsEntrySelected(s)) return Next::Continue;
  return ExtractEntry(s);
}

void ShowClosingMessage(Scan& s) {
  if (s.view.SelectedCount() == 0 && !s.damaged) {
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

// Walks the headers. A run meets exactly the entries its listing met, unless the listing could
// not get past one of them and the run can (with the password, say): then it stops where the
// listing stopped, for the entries behind were never shown, and it fails.
Next WalkEntries(Scan& s) {
  for (;;) {
    uint64_t position = static_cast<uint64_t>(sfx.filePos);
    if (!ReadLocalHeader()) {
      JudgeWalkEnd(s, position, true);
      return Next::Continue;
    }
    s.headerPos = position;
    s.walked.push_back(s.headerPos);
    if (s.mode != ListMode && s.walked.size() > sfx.listedHeaders) {
      ReportDamage(s, s.headerPos);
      return Next::EndRun;
    }
    Next next = HandleEntry(s);
    if (next != Next::Continue) return next;
    if (!SeekNextHeader(s.headerPos)) {
      JudgeWalkEnd(s, DataPosition(s.headerPos), false);
      return Next::Continue;
    }
  }
}

void RunScan(Scan& s) {
  if (!StartWalk()) {
    s.view.ShowMessage(msg::SeekFailed, msg::ArchiveErrorCaption);
    return;
  }
  sfx.listIndex = -1;
  sfx.hasStoredPaths = false;
  sfx.aheadBalance = {};  // whether reading ahead pays is found out again in every run
  if (s.mode == ListMode) s.view.ResetList();
  if (s.mode == ExtractMode && !TakeExtractPrefix(s)) return;

  Next next = WalkEntries(s);
  EndEntryKeys();
  // A listing that stopped at a header (one without a name) did not list its entry.
  if (s.mode == ListMode) sfx.listedHeaders = static_cast<uint32_t>(s.walked.size() - (next == Next::Stop ? 1 : 0));

  if (next != Next::Stop) {
    if (s.mode != ListMode && (s.entryReady || s.damaged)) ShowClosingMessage(s);
    if (s.mode == ListMode && s.view.Count() == 0) s.view.ShowMessage(msg::NoEntries, msg::NoEntriesCaption);
  }
  if (!sfx.hasStoredPaths) s.view.UncheckAndDisableStoredPaths();
}

}  // namespace

void ScanArchive(ScanView& view, ScanMode mode) {
  // Messages dispatched inside a run can carry the dialog's commands; the run needs the
  // archive position, the list and the state to itself, so a second scan does nothing.
  if (sfx.scanRunning) return;
  sfx.scanRunning = true;
  Scan s(view, mode);
  RunScan(s);
  sfx.scanRunning = false;
}
