// How a scan reaches the user: the file list, the "Use Stored Paths" check box, the status
// line, message boxes and the two questions. The Windows dialog implements it with its
// controls; the console tool and the tests implement it their own way.
#pragma once

#include <string>

#include "extract/entry_failure.h"

class ScanView {
 public:
  static constexpr int NoItem = -1;  // what a list box answers when nothing matches (LB_ERR)

  virtual ~ScanView() = default;

  // The file list: a sorted list with multiple selection.
  virtual void ResetList() = 0;
  virtual void AddItem(const std::string& name) = 0;
  // Index of the first item after `after` (from the top when -1, wrapping around) whose whole
  // text equals name without regard to letter case; NoItem when none does.
  virtual int FindExact(int after, const std::string& name) = 0;
  virtual bool IsSelected(int index) = 0;
  virtual void SetSelected(int index, bool selected) = 0;
  virtual int SelectedCount() = 0;
  virtual int Count() = 0;

  // The check box: checked means entry names keep their stored directories.
  virtual bool StoredPathsChecked() = 0;
  virtual void UncheckAndDisableStoredPaths() = 0;

  virtual void SetStatus(const std::string& text) = 0;
  // How far a long entry has got: the status line, updated as it goes.
  virtual void SetProgress(const std::string& text) { SetStatus(text); }
  // A modal message with only an OK button and no owner window.
  virtual void ShowMessage(const std::string& text, const std::string& caption) = 0;

  // Fills sfx.passwordText and sfx.passwordLength with what the user typed.
  virtual void AskPassword() = 0;
  // Shows sfx.confirmName; leaves the answer (a ConfirmAnswer) in sfx.confirmAnswer and may
  // change sfx.policy.
  virtual void AskOverwrite() = 0;
  // Takes at most one pending window message and dispatches it, so the dialog stays alive.
  virtual void DispatchOneMessage() = 0;

  // The run took this item for the entry under way.
  virtual void NoteTaken(int index) { (void)index; }
  // The entry under way failed, for this reason.
  virtual void NoteFailure(EntryFailure reason) { (void)reason; }
  // The entry under way is done without being written: a file of its name stays as it was.
  virtual void NoteLeftAlone() {}
};
