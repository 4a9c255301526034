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

void DialogView::SetStatus(const std::string& text) { SetControlText(dialog_, IDC_STATUS, text); }

void DialogView::ShowMessage(const std::string& text, const std::string& caption) { ShowMessageBox(text, caption); }

void DialogView::AskPassword() {
  RunModalDialog(static_cast<HINSTANCE>(sfx.instance), nullptr, L"PASSWD", PasswordDialogProc);
}

void DialogView::AskOverwrite() {
  RunModalDialog(static_cast<HINSTANCE>(sfx.instance), nullptr, L"FileExist", FileExistDialogProc);
}

void DialogView::DispatchOneMessage() {
  MSG message;
  if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) return;
  TranslateMessage(&message);
  DispatchMessageW(&message);
}
