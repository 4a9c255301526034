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

// The whole current folder, or nothing when it cannot be read. The run refuses a path that is
// missing or does not fit its buffer, with a message, where a cut one would lead elsewhere.
static void ShowCurrentFolderAsExtractPath(HWND dialog) {
  SetControlText(dialog, IDC_EXTRACT_PATH, platform::CurrentDirectory());
}

// The dialog manager's own way to move the focus, which also keeps the default button right.
static void MoveFocus(HWND dialog, HWND control) {
  SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
}

// Disabling the control that has the keyboard focus would leave the focus on no window, and
// the keyboard dead until the next click. So while a run disables Extract or "Use Stored
// Paths", a focus they had waits on the file list.
struct WaitingFocus {
  HWND owner = nullptr;  // the control that had the focus; null when the focus did not move
  HWND place = nullptr;
};

static WaitingFocus LetFocusWait(HWND dialog, HWND extract, HWND storedPaths) {
  HWND focus = GetFocus();
  if (focus != extract && focus != storedPaths) return {};
  WaitingFocus waiting{focus, GetDlgItem(dialog, IDC_FILE_LIST)};
  MoveFocus(dialog, waiting.place);
  return waiting;
}

// After the run the focus goes back, or on to the next control when the run has disabled its
// owner for good. Where the user has put it meanwhile, it stays.
static void GiveFocusBack(HWND dialog, const WaitingFocus& waiting) {
  if (!waiting.owner || GetFocus() != waiting.place) return;
  bool usable = IsWindowEnabled(waiting.owner);
  MoveFocus(dialog, usable ? waiting.owner : GetNextDlgTabItem(dialog, waiting.owner, FALSE));
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
  WaitingFocus focus = LetFocusWait(dialog, extract, storedPaths);
  EnableWindow(extract, FALSE);
  EnableWindow(storedPaths, FALSE);
  DialogView view(dialog);
  run(dialog, view);
  EnableWindow(extract, TRUE);
  EnableWindow(storedPaths, storedPathsWasEnabled && !view.StoredPathsRuledOut());
  GiveFocusBack(dialog, focus);
}

static void ListEntries(HWND, DialogView& view) { ScanArchive(view, ListMode); }

// After a listing the selection follows the Select All / Unselect All buttons.
static void RelistEntries(HWND dialog, DialogView& view) {
  ScanArchive(view, ListMode);
  if (ToControl(dialog, IDC_SELECT_ALL, BM_GETCHECK, 0, 0) == BST_CHECKED) SelectAllItems(dialog, true);
}

// An empty path field means the current folder, which the field then shows. The field takes
// any folder name the file system does, in any script, up to its limit in characters.
static void ExtractSelected(HWND dialog, DialogView& view) {
  if (GetWindowTextLengthW(GetDlgItem(dialog, IDC_EXTRACT_PATH)) == 0) ShowCurrentFolderAsExtractPath(dialog);
  wchar_t typed[ExtractPathCharacters + 1];
  UINT length = GetDlgItemTextW(dialog, IDC_EXTRACT_PATH, typed, ExtractPathCharacters + 1);
  SetExtractPath(Utf8FromWide(typed, static_cast<int>(length)));
  ScanArchive(view, ExtractMode);
}

static DialogStart start;

void PrepareMainDialog(const DialogStart& settings) { start = settings; }

static int PolicyButton(uint8_t policy) {
  if (policy == PolicyOverwrite) return IDC_POLICY_OVERWRITE;
  return policy == PolicySkip ? IDC_POLICY_SKIP : IDC_POLICY_CONFIRM;
}

static void InitialiseMainDialog(HWND dialog) {
  CentreOnScreen(dialog);
  HICON icon = LoadIconW(static_cast<HINSTANCE>(sfx.instance), L"MainIcon");
  SetClassLongPtrW(dialog, GCLP_HICON, reinterpret_cast<LONG_PTR>(icon));
  if (!start.caption.empty()) SetWindowTextW(dialog, WideText(start.caption).get());
  SetFocus(GetDlgItem(dialog, IDC_EXTRACT_PATH));
  if (start.folder.empty())
    ShowCurrentFolderAsExtractPath(dialog);
  else
    SetControlText(dialog, IDC_EXTRACT_PATH, start.folder);
  ToControl(dialog, IDC_EXTRACT_PATH, EM_SETSEL, 0, 0x7FFF);  // typing replaces the path
  ToControl(dialog, IDC_SELECT_ALL, BM_SETCHECK, BST_CHECKED, 0);
  ToControl(dialog, PolicyButton(start.policy), BM_SETCHECK, BST_CHECKED, 0);
  sfx.policy = start.policy;
  ToControl(dialog, IDC_STORED_PATHS, BM_SETCHECK, BST_CHECKED, 0);
  RunExclusively(dialog, ListEntries);
  SelectAllItems(dialog, true);
  if (!start.status.empty()) SetControlText(dialog, IDC_STATUS, start.status);
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
