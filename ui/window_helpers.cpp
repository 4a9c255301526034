#include "ui/window_helpers.h"

void CentreOnScreen(HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  // Signed division truncates toward zero: a window wider than the screen may start at -1.
  int x = (GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2;
  int y = (GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2;
  SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

INT_PTR RunModalDialog(HINSTANCE instance, HWND owner, const char* templateName, DLGPROC procedure) {
  return DialogBoxParamA(instance, templateName, owner, procedure, 0);
}
