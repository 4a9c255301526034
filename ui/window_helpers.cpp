#include "ui/window_helpers.h"

#include "platform/win32/wide_text.h"

void CentreOnScreen(HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  // Signed division truncates toward zero: a window wider than the screen may start at -1.
  int x = (GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2;
  int y = (GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2;
  SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

INT_PTR RunModalDialog(HINSTANCE instance, HWND owner, const wchar_t* templateName, DLGPROC procedure) {
  return DialogBoxParamW(instance, templateName, owner, procedure, 0);
}

void ShowMessageBox(const std::string& text, const std::string& caption) {
  MessageBoxW(nullptr, WideText(text).get(), WideText(caption).get(), MB_OK);
}

void SetControlText(HWND dialog, int id, const std::string& text) {
  SetDlgItemTextW(dialog, id, WideText(text).get());
}
