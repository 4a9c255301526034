// The entry point: read the switches and the presets, open the program's own file, run the
// main dialog or, with /S, the silent run; shut down in order.
#include <windows.h>

#include <string>
#include <vector>

#include "extract/run_report.h"
#include "extract/sfx_state.h"
#include "extract/switches.h"
#include "extract/tables.h"
#include "extract/unattended.h"
#include "extract/zone_mark.h"
#include "platform/win32/wide_text.h"
#include "ui/dll_hardening.h"
#include "ui/main_dialog.h"
#include "ui/start_settings.h"
#include "ui/window_helpers.h"

// The archive is appended to the program's own file, so that is the file to read, and the mark
// it carries is the one every file it writes is given. Its path, when it cannot be opened.
static std::string OpenOwnExecutable() {
  // A program in a deep folder has a path beyond MAX_PATH: room for the longest there is.
  std::wstring path(32768, L'\0');
  DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  std::string ownPath = Utf8FromWide(path.data(), static_cast<int>(length));
  sfx.archiveHandle = platform::OpenForReading(ownPath.c_str());
  if (sfx.archiveHandle == platform::InvalidFile) return ownPath;
  TakeZoneMark(ownPath);
  return {};
}

static void CloseOwnExecutable(bool silent) {
  if (!platform::CloseFile(sfx.archiveHandle) && !silent)
    ShowMessageBox(msg::ShutdownCloseFailed, msg::ShutdownCloseFailedCaption);
  sfx.archiveHandle = platform::InvalidFile;
}

// The folder a run starts with: /D, else the preset one expanded, else none (the current
// folder). A preset that cannot be expanded leaves a note that says so.
static std::string StartFolder(const Switches& switches, const Presets& presets, std::string& note) {
  if (switches.folder) return *switches.folder;
  if (presets.folder.empty()) return {};
  std::string folder = ExpandedPresetFolder(presets.folder);
  if (folder.empty()) note = msg::PresetFolderUnexpanded + platform::CurrentDirectory();
  return folder;
}

// Nobody may be there to click a message away: everything is said in the log, and the exit
// code tells the rest.
static int RunWithoutWindows(const Switches& switches, const std::string& folder, const std::string& note) {
  std::vector<std::string> lines;
  if (!switches.refusal.empty()) {
    lines.push_back(switches.refusal);
    return RunSilently(switches, folder, lines, ExitBadArchive);
  }
  if (!note.empty()) lines.push_back(note);
  std::string unopened = OpenOwnExecutable();
  if (!unopened.empty()) {
    lines.push_back(std::string(msg::OpenFailedCaption) + " " + unopened);
    return RunSilently(switches, folder, lines, ExitBadArchive);
  }
  ExitCode code = CreateTables() ? RunSilently(switches, folder, lines, ExitAllFine)
                                 : RunSilently(switches, folder, {msg::OutOfMemory}, ExitEntryFailed);
  CloseOwnExecutable(true);
  ReleaseTables();
  return code;
}

static void RunDialog(const DialogStart& start) {
  std::string unopened = OpenOwnExecutable();
  if (!unopened.empty()) {
    ShowMessageBox(unopened, msg::OpenFailedCaption);
    return;
  }
  PrepareMainDialog(start);
  if (CreateTables())
    RunModalDialog(static_cast<HINSTANCE>(sfx.instance), nullptr, L"MainDialog", MainDialogProc);
  else
    ShowMessageBox(msg::OutOfMemory, msg::ShutdownCloseFailedCaption);
  CloseOwnExecutable(false);
  ReleaseTables();
}

// Without switches the program runs its dialog and ends with exit code 0 on every path, as
// it always has; /S ends with the silent run's verdict, and bad switches with code 2.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  RestrictDllSearchPath();
  sfx.instance = GetModuleHandleW(nullptr);
  Switches switches = ParseSwitches(CommandLineWords());
  Presets presets = OwnPresets();
  std::string note;
  std::string folder = StartFolder(switches, presets, note);
  if (switches.silent && !switches.help) ExitProcess(static_cast<UINT>(RunWithoutWindows(switches, folder, note)));
  if (!switches.refusal.empty() || switches.help) {
    std::string text = SwitchesHelp();
    if (!switches.refusal.empty()) text = switches.refusal + "\n\n" + text;
    ShowMessageBox(text, msg::SwitchesCaption);
    ExitProcess(switches.refusal.empty() ? ExitAllFine : ExitBadArchive);
  }
  RunDialog({presets.title, folder, note, switches.policy});
  ExitProcess(0);
}
