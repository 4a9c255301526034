// The scan's view where no window shows the run: the list box's stand-in, the run's report and,
// for each item, why its entry failed or that its file was left alone. The console tool and the
// program's silent run are built on it, so both judge a run and account for its entries alike.
#pragma once

#include <string>
#include <vector>

#include "extract/item_list.h"
#include "extract/run_report.h"
#include "extract/scan.h"
#include "extract/scan_view.h"

class RecordingView : public ScanView {
 public:
  void ResetList() override;
  void AddItem(const std::string& name) override;
  int FindExact(int after, const std::string& name) override;
  bool IsSelected(int index) override;
  void SetSelected(int index, bool selected) override;
  int SelectedCount() override;
  int Count() override;
  void NoteTaken(int index) override;
  void NoteFailure(EntryFailure reason) override;
  void NoteLeftAlone() override;
  // After a run, gives each item still selected that no entry took its reason: the run ended
  // before its entry (a password refused in front of it, say).
  void ExplainItemsNotTaken();

  void SelectAll();
  // Entry names in the order the listing met them.
  const std::vector<std::string>& NamesInArchiveOrder() const { return archiveOrder_; }
  // After a run, what became of the item's entry: "extracted: NAME", "skipped: NAME (reason)"
  // or, for an item still selected, "failed: NAME" with its reason when the run gave one. The
  // name is made fit to print.
  std::string OutcomeLine(int index);
  const RunReport& Report() const { return report_; }
  void ClearReport();

 protected:
  RunReport report_;

 private:
  // What the run said of one item.
  struct Note {
    const char* failure = nullptr;  // the first reason its entry gave: later ones follow from it
    bool leftAlone = false;
    bool taken = false;  // an entry of the run took it
  };
  Note* NoteOfCurrentEntry();
  Note* NoteOf(int index);

  ItemList list_;
  std::vector<std::string> archiveOrder_;
  std::vector<Note> notes_;  // by item; the list does not change during a run
};

// Runs the scan in the mode over every entry the listing found, as unsfx and a silent run do,
// and returns the verdict. An archive whose listing failed and found nothing is not run over.
// The entries in front of any damage are handled all the same.
ExitCode RunOverEveryEntry(RecordingView& view, ScanMode mode);
