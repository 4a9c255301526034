// The program's one main window: the archive's entries, the extract path and the choices that
// an extraction run obeys.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "extract/sfx_state.h"

// What the dialog opens with when a preset or a switch says so; left empty, as it always did.
struct DialogStart {
  std::string caption;  // the publisher's title in place of the program's own
  std::string folder;   // the extract path; empty: the current folder
  std::string status;   // a note for the status line: why the folder is not the preset one
  uint8_t policy = PolicyConfirm;
};

// Called before the dialog is run.
void PrepareMainDialog(const DialogStart& start);
INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
