#include "ui/dialog_view.h"

#include "extract/sfx_state.h"
#include "platform/win32/wide_text.h"
#include "resources/dialog_ids.h"
#include "ui/question_dialogs.h"
#include "ui/window_helpers.h"

static LPARAM TextParam(const WideText& text) { return reinterpret_cast<LPARAM>(text.get()); }

LRESULT DialogView::ToList(UINT message, WPARAM wParam, LPARAM lParam) {
  return SendDlgItemMessageW(dialog_, IDC_FILE_LIST, message, wParam, lParam);
}

DialogView::DialogView(HWND dialog) : dialog_(dialog), index_(GetDlgItem(dialog, IDC_FILE_LIST)) {}

void DialogView::ResetList() {
  ToList(LB_RESETCONTENT, 0, 0);
  index_.Forget();
}

void DialogView::AddItem(const std::string& name) {
  ToList(LB_ADDSTRING, 0, TextParam(WideText(name)));
  index_.Forget();
}

// The answer of LB_FINDSTRINGEXACT, which ignores letter case in every script (the list box
// is a wide-character one); LB_ERR is NoItem.
int DialogView::FindExact(int after, const std::string& name) {
  return index_.FindExact(after, WideText(name).get());
}

bool DialogView::IsSelected(int index) { return ToList(LB_GETSEL, static_cast<WPARAM>(index), 0) > 0; }

void DialogView::SetSelected(int index, bool selected) {
  ToList(LB_SETSEL, selected ? TRUE : FALSE, static_cast<LPARAM>(index));
}

int DialogView::SelectedCount() { return static_cast<int>(ToList(LB_GETSELCOUNT, 0, 0)); }

int DialogView::Count() { return static_cast<int>(ToList(LB_GETCOUNT, 0, 0)); }

bool DialogView::StoredPathsChecked() {
  return SendDlgItemMessageW(dialog_, IDC_STORED_PATHS, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void DialogView::UncheckAndDisableStoredPaths() {
  SendDlgItemMessageW(dialog_, IDC_STORED_PATHS, BM_SETCHECK, BST_UNCHECKED, 0);
  EnableWindow(GetDlgItem(dialog_, IDC_STORED_PATHS), FALSE);
  storedPathsRuledOut_ = true;
}

// A run sets the status line for every entry it writes. Under Wine an edit control's new text
// costs more than writing a small file (it measures and paints the text through the window
// system), so during a run the line takes the latest text at most every StatusInterval, whenever
// the user is asked something, and when the run ends: what it shows then is exact.
constexpr DWORD StatusInterval = 100;  // milliseconds

void DialogView::SetStatus(const std::string& text) {
  heldStatus_ = text;
  statusHeld_ = true;
  ShowHeldStatusWhenDue();
}

void DialogView::ShowHeldStatusWhenDue() {
  if (statusHeld_ && GetTickCount() - statusShownAt_ >= StatusInterval) ShowHeldStatus();
}

void DialogView::ShowHeldStatus() {
  if (!statusHeld_) return;
  statusHeld_ = false;
  statusShownAt_ = GetTickCount();
  SetControlText(dialog_, IDC_STATUS, heldStatus_);
}

DialogView::~DialogView() { ShowHeldStatus(); }

void DialogView::ShowMessage(const std::string& text, const std::string& caption) {
  ShowHeldStatus();
  ShowMessageBox(text, caption);
}

void DialogView::AskPassword() {
  ShowHeldStatus();
  RunModalDialog(static_cast<HINSTANCE>(sfx.instance), nullptr, L"PASSWD", PasswordDialogProc);
}

void DialogView::AskOverwrite() {
  ShowHeldStatus();
  RunModalDialog(static_cast<HINSTANCE>(sfx.instance), nullptr, L"FileExist", FileExistDialogProc);
}

// Without PM_NOYIELD an empty queue gives the processor away, and a busy machine may not give it
// back for a while: a run that finds the queue empty entry after entry would crawl.
void DialogView::DispatchOneMessage() {
  ShowHeldStatusWhenDue();
  MSG message;
  if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE | PM_NOYIELD)) return;
  TranslateMessage(&message);
  DispatchMessageW(&message);
}
