#include "extract/run_report.h"

#include "extract/format.h"

void RecordMessage(RunReport& report, const std::string& caption) {
  if (caption == msg::ArchiveErrorCaption || caption == msg::NoEntriesCaption)
    report.archiveError = true;
  else if (caption == msg::UnableCaption)
    report.unsupportedMethod = true;
  else if (caption == msg::SuccessCaption || caption == msg::FailureCaption)
    report.finished = true;
  else
    report.entryError = true;
}

ExitCode ExitCodeFor(const RunReport& report, int itemsStillSelected) {
  if (report.archiveError) return ExitBadArchive;
  if (report.unsupportedMethod) return ExitEntryFailed;
  // Three failed password checks end a run without its closing message.
  if (!report.finished && report.passwordQuestions > 0) return ExitWrongPassword;
  if (itemsStillSelected > 0 || report.entryError) return ExitEntryFailed;
  return ExitAllFine;
}

const char* ExitCodeMeaning(ExitCode code) {
  switch (code) {
    case ExitAllFine: return msg::AllFineMeaning;
    case ExitEntryFailed: return msg::EntryFailedMeaning;
    case ExitBadArchive: return msg::BadArchiveMeaning;
    case ExitWrongPassword: return msg::WrongPasswordMeaning;
  }
  return "";
}

// The codes are single digits.
std::string VerdictLine(ExitCode code) {
  return std::string(msg::ExitCodePrefix) + static_cast<char>('0' + code) + ": " + ExitCodeMeaning(code);
}

const char* FailureText(EntryFailure reason) {
  switch (reason) {
    case EntryFailure::CrcMismatch: return msg::ReasonCrcMismatch;
    case EntryFailure::SizeMismatch: return msg::ReasonSizeMismatch;
    case EntryFailure::DescriptorMismatch: return msg::ReasonDescriptorMismatch;
    case EntryFailure::DataCutShort: return msg::ReasonDataCutShort;
    case EntryFailure::DataCorrupt: return msg::ReasonDataCorrupt;
    case EntryFailure::OutOfMemory: return msg::OutOfMemory;
    case EntryFailure::NotWritten: return msg::ReasonNotWritten;
    case EntryFailure::NotCreated: return msg::ReasonNotCreated;
    case EntryFailure::NotReplaced: return msg::ReasonNotReplaced;
    case EntryFailure::NotMarked: return msg::ReasonNotMarked;
    case EntryFailure::NameUnsafe: return msg::ReasonNameUnsafe;
    case EntryFailure::NamePartTooLong: return msg::ReasonNamePartTooLong;
    case EntryFailure::PathTooLong: return msg::ReasonPathTooLong;
    case EntryFailure::NoDirectory: return msg::ReasonNoDirectory;
    case EntryFailure::NotReachable: return msg::ReasonNotReachable;
    case EntryFailure::EndUnknown: return msg::ReasonEndUnknown;
    case EntryFailure::CannotDecode: return msg::ReasonCannotDecode;
    case EntryFailure::OverwriteUndecided: return msg::ReasonOverwriteUndecided;
    case EntryFailure::NotAuthentic: return msg::ReasonNotAuthentic;
    case EntryFailure::CryptographyFailed: return msg::ReasonCryptographyFailed;
  }
  return msg::ReasonUnknown;
}
