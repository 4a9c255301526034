// The scan's view on a console: the file list is an in-memory sorted list, the status line and
// the messages go to an error stream, and the two questions go to a Prompter. It also keeps
// what the run reported, from which the exit code is decided.
#pragma once

#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "extract/scan_view.h"
#include "tools/unsfx/item_list.h"
#include "tools/unsfx/prompter.h"

struct ViewSettings {
  bool storedPaths = true;
  bool quiet = false;                   // no status lines
  std::optional<std::string> password;  // answers every password question when given
};

// What a run showed, by kind.
struct RunReport {
  bool archiveError = false;       // the archive could not be found or read
  bool unsupportedMethod = false;  // the run stopped at an entry it cannot decrypt, decode or delimit
  bool entryError = false;         // an entry could not be written (its item stays selected)
  bool finished = false;           // the run reached its closing message
  int passwordQuestions = 0;
};

class ConsoleView : public ScanView {
 public:
  ConsoleView(const ViewSettings& settings, Prompter& prompter, std::ostream& messages);

  void ResetList() override;
  void AddItem(const std::string& name) override;
  int FindExact(int after, const std::string& name) override;
  bool IsSelected(int index) override;
  void SetSelected(int index, bool selected) override;
  int SelectedCount() override;
  int Count() override;

  bool StoredPathsChecked() override;
  void UncheckAndDisableStoredPaths() override;

  void SetStatus(const std::string& text) override;
  void SetProgress(const std::string& text) override;
  void ShowMessage(const std::string& text, const std::string& caption) override;

  void AskPassword() override;
  void AskOverwrite() override;
  void DispatchOneMessage() override;
  void NoteFailure(EntryFailure reason) override;

  void SelectAll();
  // Entry names in the order the listing met them, and the items still selected (after a run:
  // the ones that failed), in list order.
  const std::vector<std::string>& NamesInArchiveOrder() const { return archiveOrder_; }
  std::vector<std::string> SelectedNames();
  // Why the entry with that item failed, when the run said; else empty.
  std::string FailureOf(const std::string& name);
  const RunReport& Report() const { return report_; }
  void ClearReport() {
    report_ = RunReport();
    failures_.clear();
  }

 private:
  void RecordMessage(const std::string& caption);
  void EndProgressLine();

  ViewSettings settings_;
  Prompter& prompter_;
  std::ostream& messages_;
  ItemList list_;
  std::vector<std::string> archiveOrder_;
  std::map<std::string, std::string> failures_;  // item text: the reason its entry failed
  RunReport report_;
  bool progressShown_ = false;  // the last line is a progress line, without its line end
};
