#include "ui/main_dialog.h"

#include "extract/scan.h"
#include "extract/sfx_state.h"
#include "platform/win32/wide_text.h"
#include "resources/dialog_ids.h"
#include "ui/dialog_view.h"
#include "ui/window_helpers.h"

static LRESULT ToControl(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
  return SendDlgItemMessageW(dialog, id, message, wParam, lParam);
}

static void SelectAllItems(HWND dialog, bool selected) {
  ToControl(dialog, IDC_FILE_LIST, LB_SETSEL, selected ? TRUE : FALSE, -1);
}

static void ShowCurrentDirectoryAsExtractPath(HWND dialog) {
  SetExtractPath(platform::CurrentDirectory());
  SetControlText(dialog, IDC_EXTRACT_PATH, sfx.extractPath);
}

// A run dispatches window messages while it works and its questions have no owner window, so
// Extract and "Use Stored Paths" could start a second scan, or rewrite the extract path, in
// the middle of one. Their commands are ignored while a scan is under way (Enter still sends
// Extract's ID when the button is disabled), and both are disabled for the run so the user
// sees it. Afterwards the check box comes back only if it was enabled before and the scan's
// own rule did not rule it out.
static void RunExclusively(HWND dialog, void (*run)(HWND, DialogView&)) {
  if (sfx.scanRunning) return;
  HWND extract = GetDlgItem(dialog, IDOK);
  HWND storedPaths = GetDlgItem(dialog, IDC_STORED_PATHS);
  bool storedPathsWasEnabled = IsWindowEnabled(storedPaths);
  EnableWindow(extract, FALSE);
  EnableWindow(storedPaths, FALSE);
  DialogView view(dialog);
  run(dialog, view);
  EnableWindow(extract, TRUE);
  EnableWindow(storedPaths, storedPathsWasEnabled && !view.StoredPathsRuledOut());
}

static void ListEntries(HWND, DialogView& view) { ScanArchive(view, ListMode); }

// After a listing the selection follows the Select All / Unselect All buttons.
static void RelistEntries(HWND dialog, DialogView& view) {
  ScanArchive(view, ListMode);
  if (ToControl(dialog, IDC_SELECT_ALL, BM_GETCHECK, 0, 0) == BST_CHECKED) SelectAllItems(dialog, true);
}

// The field takes any folder name the file system does, in any script, up to its limit in
// characters.
static void ExtractSelected(HWND dialog, DialogView& view) {
  wchar_t typed[ExtractPathCharacters + 1];
  UINT length = GetDlgItemTextW(dialog, IDC_EXTRACT_PATH, typed, ExtractPathCharacters + 1);
  SetExtractPath(Utf8FromWide(typed, static_cast<int>(length)));
  if (length == 0) ShowCurrentDirectoryAsExtractPath(dialog);
  ScanArchive(view, ExtractMode);
}

static void InitialiseMainDialog(HWND dialog) {
  CentreOnScreen(dialog);
  HICON icon = LoadIconW(static_cast<HINSTANCE>(sfx.instance), L"MainIcon");
  SetClassLongPtrW(dialog, GCLP_HICON, reinterpret_cast<LONG_PTR>(icon));
  SetFocus(GetDlgItem(dialog, IDC_EXTRACT_PATH));
  ShowCurrentDirectoryAsExtractPath(dialog);
  ToControl(dialog, IDC_EXTRACT_PATH, EM_SETSEL, 0, 0x7FFF);  // typing replaces the path
  ToControl(dialog, IDC_SELECT_ALL, BM_SETCHECK, BST_CHECKED, 0);
  ToControl(dialog, IDC_POLICY_CONFIRM, BM_SETCHECK, BST_CHECKED, 0);
  sfx.policy = PolicyConfirm;
  ToControl(dialog, IDC_STORED_PATHS, BM_SETCHECK, BST_CHECKED, 0);
  RunExclusively(dialog, ListEntries);
  SelectAllItems(dialog, true);
  sfx.mainDialog = dialog;
}

// Only the control ID counts; the notification code is ignored. The radio buttons and the
// check box move their own marks.
static INT_PTR OnCommand(HWND dialog, WORD id) {
  switch (id) {
    case IDC_STORED_PATHS: RunExclusively(dialog, RelistEntries); break;
    case IDC_SELECT_ALL: SelectAllItems(dialog, true); break;
    case IDC_UNSELECT_ALL: SelectAllItems(dialog, false); break;
    case IDC_POLICY_OVERWRITE: sfx.policy = PolicyOverwrite; break;
    case IDC_POLICY_SKIP: sfx.policy = PolicySkip; break;
    case IDC_POLICY_CONFIRM: sfx.policy = PolicyConfirm; break;
    case IDOK: RunExclusively(dialog, ExtractSelected); break;
    case IDCANCEL: EndDialog(dialog, IDCANCEL); return TRUE;  // Exit, Escape, the close box
  }
  return FALSE;
}

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) {
    InitialiseMainDialog(dialog);
    return FALSE;  // the focus is placed
  }
  if (message == WM_COMMAND) return OnCommand(dialog, LOWORD(wParam));
  return FALSE;
}
