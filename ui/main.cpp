// The entry point: open the program's own file, run the main dialog, shut down in order.
#include <windows.h>

#include <string>

#include "extract/tables.h"
#include "extract/sfx_state.h"
#include "extract/zone_mark.h"
#include "platform/win32/wide_text.h"
#include "ui/dll_hardening.h"
#include "ui/main_dialog.h"
#include "ui/window_helpers.h"

// The archive is appended to the program's own file, so that is the file to read, and the mark
// it carries is the one every file it writes is given.
static bool OpenOwnExecutable() {
  // A program in a deep folder has a path beyond MAX_PATH: room for the longest there is.
  std::wstring path(32768, L'\0');
  DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  std::string ownPath = Utf8FromWide(path.data(), static_cast<int>(length));
  sfx.archiveHandle = platform::OpenForReading(ownPath.c_str());
  if (sfx.archiveHandle == platform::InvalidFile) {
    ShowMessageBox(ownPath, msg::OpenFailedCaption);
    return false;
  }
  TakeZoneMark(ownPath);
  return true;
}

static void CloseOwnExecutable() {
  if (!platform::CloseFile(sfx.archiveHandle))
    ShowMessageBox(msg::ShutdownCloseFailed, msg::ShutdownCloseFailedCaption);
  sfx.archiveHandle = platform::InvalidFile;
}

// The program takes no arguments and ends with exit code 0 on every path.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  RestrictDllSearchPath();
  sfx.instance = GetModuleHandleW(nullptr);
  if (OpenOwnExecutable()) {
    if (CreateTables())
      RunModalDialog(static_cast<HINSTANCE>(sfx.instance), nullptr, L"MainDialog", MainDialogProc);
    else
      ShowMessageBox(msg::OutOfMemory, msg::ShutdownCloseFailedCaption);
    CloseOwnExecutable();
    ReleaseTables();
  }
  ExitProcess(0);
}
