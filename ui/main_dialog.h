// The program's one main window: the archive's entries, the extract path and the choices that
// an extraction run obeys.
#pragma once

#include <windows.h>

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
