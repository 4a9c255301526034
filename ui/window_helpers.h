// The two window routines every dialog of the program uses.
#pragma once

#include <windows.h>

#include <string>

// Places the window in the middle of the whole primary screen.
void CentreOnScreen(HWND window);
// Runs a dialog from the program's resources modally and returns its result.
INT_PTR RunModalDialog(HINSTANCE instance, HWND owner, const wchar_t* templateName, DLGPROC procedure);
// A modal message with only an OK button and no owner window; both texts in UTF-8.
void ShowMessageBox(const std::string& text, const std::string& caption);
// Sets a control's text from UTF-8.
void SetControlText(HWND dialog, int id, const std::string& text);
