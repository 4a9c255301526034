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

void RecordingView::NoteTaken(int index) {
  if (Note* note = NoteOf(index)) note->taken = true;
}

void RecordingView::NoteFailure(EntryFailure reason) {
  Note* note = NoteOfCurrentEntry();
  if (note && !note->failure) note->failure = FailureText(reason);
}

void RecordingView::NoteLeftAlone() {
  if (Note* note = NoteOfCurrentEntry()) note->leftAlone = true;
}

void RecordingView::ExplainItemsNotTaken() {
  for (int i = 0; i < list_.Count(); i++) {
    Note* note = NoteOf(i);
    if (IsSelected(i) && !note->taken && !note->failure) note->failure = msg::ReasonNotReached;
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
  view.ExplainItemsNotTaken();
  return ExitCodeFor(view.Report(), view.SelectedCount());
}
