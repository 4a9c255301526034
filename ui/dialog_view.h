// How a scan reaches the user in the Windows program: the main dialog's controls, message
// boxes and the two question dialogs.
#pragma once

#include <windows.h>

#include "extract/scan_view.h"
#include "ui/list_index.h"

class DialogView : public ScanView {
 public:
  explicit DialogView(HWND dialog);
  ~DialogView();

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
  void ShowMessage(const std::string& text, const std::string& caption) override;

  void AskPassword() override;
  void AskOverwrite() override;
  void DispatchOneMessage() override;

  // True once this scan's check-box rule has disabled "Use Stored Paths".
  bool StoredPathsRuledOut() const { return storedPathsRuledOut_; }

 private:
  LRESULT ToList(UINT message, WPARAM wParam, LPARAM lParam);
  void ShowHeldStatus();
  void ShowHeldStatusWhenDue();  // once StatusInterval has passed since the line last changed

  HWND dialog_;
  ListIndex index_;
  bool storedPathsRuledOut_ = false;
  std::string heldStatus_;       // the status line's latest text
  bool statusHeld_ = false;      // and the line does not show it yet
  DWORD statusShownAt_ = 0;      // GetTickCount when the line last took a text
};
