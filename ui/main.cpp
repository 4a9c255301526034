// The entry point: open the program's own file, run the main dialog, shut down in order.
#include <windows.h>

#include "extract/crc32.h"
#include "extract/sfx_state.h"
#include "ui/dll_hardening.h"
#include "ui/main_dialog.h"
#include "ui/window_helpers.h"

// The archive is appended to the program's own file, so that is the file to read.
static bool OpenOwnExecutable() {
  char path[MAX_PATH + 1] = {};
  GetModuleFileNameA(nullptr, path, sizeof path - 1);
  sfx.archiveHandle = platform::OpenForReading(path);
  if (sfx.archiveHandle != platform::InvalidFile) return true;
  MessageBoxA(nullptr, path, msg::OpenFailedCaption, MB_OK);
  return false;
}

static void CloseOwnExecutable() {
  if (!platform::CloseFile(sfx.archiveHandle))
    MessageBoxA(nullptr, msg::ShutdownCloseFailed, msg::ShutdownCloseFailedCaption, MB_OK);
  sfx.archiveHandle = platform::InvalidFile;
}

// The program takes no arguments and ends with exit code 0 on every path.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  RestrictDllSearchPath();
  sfx.instance = GetModuleHandleA(nullptr);
  if (OpenOwnExecutable()) {
    CreateCrcTable();
    RunModalDialog(static_cast<HINSTANCE>(sfx.instance), nullptr, "MainDialog", MainDialogProc);
    CloseOwnExecutable();
    ReleaseCrcTable();
  }
  ExitProcess(0);
}
