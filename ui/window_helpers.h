// The two window routines every dialog of the program uses.
#pragma once

#include <windows.h>

// Places the window in the middle of the whole primary screen.
void CentreOnScreen(HWND window);
// Runs a dialog from the program's resources modally and returns its result.
INT_PTR RunModalDialog(HINSTANCE instance, HWND owner, const char* templateName, DLGPROC procedure);
