// A ScanView that behaves like the dialog's controls: the console extractor's stand-in for the
// sorted, multiple-selection list box, a check box, a status line, and scripted answers to the
// two questions. It records what the scan showed and asked, in order.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "extract/scan_view.h"
#include "extract/item_list.h"

class FakeView : public ScanView {
 public:
  struct Message {
    std::string text, caption;
  };
  struct OverwriteAnswer {
    bool yes;
    bool dontAskAgain;
  };

  void ResetList() override;
  void AddItem(const std::string& name) override;
  int FindExact(int after, const std::string& name) override;
  bool IsSelected(int index) override;
  void SetSelected(int index, bool selected) override;
  int SelectedCount() override;
  int Count() override;
  bool StoredPathsChecked() override { return checked; }
  void UncheckAndDisableStoredPaths() override { checked = enabled = false; }
  void SetStatus(const std::string& text) override { status = text; }
  void SetProgress(const std::string& text) override { progress.push_back(text); }
  void ShowMessage(const std::string& text, const std::string& caption) override;
  void AskPassword() override;
  void AskOverwrite() override;
  void DispatchOneMessage() override;
  void NoteFailure(EntryFailure reason) override { failures.push_back(reason); }

  void SelectAll(bool selected);
  std::vector<std::string> Texts();
  std::vector<std::string> SelectedTexts();

  ItemList list;
  bool checked = true, enabled = true;
  std::string status;
  std::vector<std::string> progress;  // every figure shown for a long entry, in order
  std::vector<Message> messages;
  std::vector<EntryFailure> failures;          // the reasons entries failed, in order
  std::deque<std::string> passwords;           // typed at each password prompt
  std::deque<OverwriteAnswer> overwriteAnswers;  // given at each overwrite question
  std::vector<std::string> events;             // "password", "overwrite NAME", message captions
  std::function<void()> onDispatch;            // what a dispatched message does
};
