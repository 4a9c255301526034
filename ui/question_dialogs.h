// The two questions an extraction run asks: the password prompt and the overwrite question.
// Both answer only through sfx.
#pragma once

#include <windows.h>

// PASSWD: fills sfx.passwordText and sfx.passwordLength. It has no way to cancel.
INT_PTR CALLBACK PasswordDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// FILEEXIST: shows sfx.confirmName; answers in sfx.confirmAnswer, and with "Don't ask again"
// ticked makes the answer the lasting policy, moving the main dialog's radio buttons.
INT_PTR CALLBACK FileExistDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
