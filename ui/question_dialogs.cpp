#include "ui/question_dialogs.h"

#include <string>

#include "extract/sfx_state.h"
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
    UINT count = GetDlgItemTextA(dialog, IDC_PASSWORD, sfx.passwordText, PasswordTextSize);
    if (count >= PasswordTextSize) count = PasswordTextSize - 1;
    sfx.passwordLength = static_cast<int32_t>(count);
    sfx.passwordText[count] = '\0';
    EndDialog(dialog, IDOK);
  }
  return FALSE;
}

static void ShowOverwriteQuestion(HWND dialog) {
  std::string question = sfx.confirmName + msg::OverwriteQuestionSuffix;
  SendDlgItemMessageA(dialog, IDC_QUESTION, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(question.c_str()));
}

// "Don't ask again": the answer becomes the policy for every later existing file, and the main
// dialog's radio buttons show it at once.
static void MakeAnswerThePolicy(bool overwrite) {
  HWND main = static_cast<HWND>(sfx.mainDialog);
  SendDlgItemMessageA(main, IDC_POLICY_CONFIRM, BM_SETCHECK, BST_UNCHECKED, 0);
  SendDlgItemMessageA(main, overwrite ? IDC_POLICY_OVERWRITE : IDC_POLICY_SKIP, BM_SETCHECK,
                      BST_CHECKED, 0);
  sfx.policy = overwrite ? PolicyOverwrite : PolicySkip;
  sfx.confirmAnswer = overwrite ? 1 : 0;
}

static void RecordAnswer(HWND dialog, bool overwrite) {
  if (SendDlgItemMessageA(dialog, IDC_DONT_ASK_AGAIN, BM_GETCHECK, 0, 0) == BST_CHECKED) {
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
