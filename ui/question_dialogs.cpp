#include "ui/question_dialogs.h"

#include <string>

#include "extract/sfx_state.h"
#include "platform/win32/wide_text.h"
#include "resources/dialog_ids.h"
#include "ui/window_helpers.h"

INT_PTR CALLBACK PasswordDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) {
    CentreOnScreen(dialog);
    SetFocus(GetDlgItem(dialog, IDC_PASSWORD));
    return FALSE;
  }
  // Escape sends IDCANCEL, which is ignored: the prompt closes only through "&Ok" (or Enter).
  if (message == WM_COMMAND && LOWORD(wParam) == IDOK) {
    // Kept as the text typed; the scan turns it into the bytes each kind of writer used.
    wchar_t typed[PasswordCharacters + 1];
    UINT count = GetDlgItemTextW(dialog, IDC_PASSWORD, typed, PasswordCharacters + 1);
    SetPasswordText(Utf8FromWide(typed, static_cast<int>(count)));
    EndDialog(dialog, IDOK);
  }
  return FALSE;
}

static void ShowOverwriteQuestion(HWND dialog) {
  SetControlText(dialog, IDC_QUESTION, sfx.confirmName + msg::OverwriteQuestionSuffix);
}

// "Don't ask again": the answer becomes the policy for every later existing file, and the main
// dialog's radio buttons show it at once.
static void MakeAnswerThePolicy(bool overwrite) {
  HWND main = static_cast<HWND>(sfx.mainDialog);
  SendDlgItemMessageW(main, IDC_POLICY_CONFIRM, BM_SETCHECK, BST_UNCHECKED, 0);
  SendDlgItemMessageW(main, overwrite ? IDC_POLICY_OVERWRITE : IDC_POLICY_SKIP, BM_SETCHECK,
                      BST_CHECKED, 0);
  sfx.policy = overwrite ? PolicyOverwrite : PolicySkip;
  sfx.confirmAnswer = overwrite ? 1 : 0;
}

static void RecordAnswer(HWND dialog, bool overwrite) {
  if (SendDlgItemMessageW(dialog, IDC_DONT_ASK_AGAIN, BM_GETCHECK, 0, 0) == BST_CHECKED) {
    MakeAnswerThePolicy(overwrite);
    return;
  }
  // The answer given decides this file, also when the main dialog was switched to overwriting
  // while the question was open: a "No" must never let the file be overwritten on the strength
  // of an earlier question's answer.
  sfx.confirmAnswer = overwrite ? 1 : 0;
}

INT_PTR CALLBACK FileExistDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) {
    CentreOnScreen(dialog);
    ShowOverwriteQuestion(dialog);
    return FALSE;
  }
  if (message != WM_COMMAND) return FALSE;
  WORD id = LOWORD(wParam);
  if (id != IDOK && id != IDCANCEL) return FALSE;  // IDCANCEL: "&No", Escape and the close box
  RecordAnswer(dialog, id == IDOK);
  EndDialog(dialog, id);
  return TRUE;
}
