#include "extract/recording_view.h"

#include "extract/format.h"
#include "extract/sfx_state.h"
#include "platform/printable_text.h"

void RecordingView::ResetList() {
  list_.Clear();
  archiveOrder_.clear();
  notes_.clear();
}

void RecordingView::AddItem(const std::string& name) {
  list_.Add(name);
  archiveOrder_.push_back(name);
}

int RecordingView::FindExact(int after, const std::string& name) { return list_.FindExact(after, name); }
bool RecordingView::IsSelected(int index) { return list_.IsSelected(index); }
void RecordingView::SetSelected(int index, bool selected) { list_.SetSelected(index, selected); }
int RecordingView::SelectedCount() { return list_.SelectedCount(); }
int RecordingView::Count() { return list_.Count(); }
void RecordingView::SelectAll() { list_.SelectAll(); }

void RecordingView::ClearReport() {
  report_ = RunReport();
  notes_.clear();
}

RecordingView::Note* RecordingView::NoteOf(int index) {
  if (index < 0 || index >= list_.Count()) return nullptr;
  notes_.resize(static_cast<size_t>(list_.Count()));
  return &notes_[static_cast<size_t>(index)];
}

RecordingView::Note* RecordingView::NoteOfCurrentEntry() { return NoteOf(sfx.listIndex); }

void RecordingView::NoteFound(int index) {
  if (Note* note = NoteOf(index)) note->found++;
}

void RecordingView::NoteFailure(EntryFailure reason) {
  Note* note = NoteOfCurrentEntry();
  if (note && !note->failure) note->failure = FailureText(reason);
}

void RecordingView::NoteLeftAlone() {
  if (Note* note = NoteOfCurrentEntry()) note->leftAlone = true;
}

// Equal items stand side by side. When as many entries came to a run of equal items as it has
// items, the entries of that name were all met, and one that no entry came to was passed
// because the search brought its entry to a twin already done (a.txt, b.txt, a.txt).
void RecordingView::ExplainItemsNotFound() {
  for (int first = 0, end; first < list_.Count(); first = end) {
    int found = 0;
    for (end = first;; end++) {
      found += NoteOf(end)->found;
      if (!list_.NextIsEqual(end)) break;
    }
    end++;
    const char* reason = found >= end - first ? msg::ReasonEntryPassed : msg::ReasonNotReached;
    for (int i = first; i < end; i++) {
      Note* note = NoteOf(i);
      if (IsSelected(i) && note->found == 0 && !note->failure) note->failure = reason;
    }
  }
}

std::string RecordingView::OutcomeLine(int index) {
  Note note;
  if (index >= 0 && static_cast<size_t>(index) < notes_.size()) note = notes_[static_cast<size_t>(index)];
  std::string name = PrintableText(list_.Text(index));
  if (IsSelected(index)) return msg::FailedPrefix + name + (note.failure ? std::string(" (") + note.failure + ")" : "");
  if (note.leftAlone) return msg::SkippedPrefix + name + " (" + msg::SkippedReason + ")";
  return msg::ExtractedPrefix + name;
}

ExitCode RunOverEveryEntry(RecordingView& view, ScanMode mode) {
  if (view.Report().archiveError && view.Count() == 0) return ExitBadArchive;
  view.SelectAll();
  view.ClearReport();
  ScanArchive(view, mode);
  view.ExplainItemsNotFound();
  return ExitCodeFor(view.Report(), view.SelectedCount());
}
