#include "ui/dll_hardening.h"

#include <windows.h>

// A downloaded stub usually sits in the downloads folder beside whatever else was fetched. The
// program imports only KnownDLLs, but user32 and the dialog code load more DLLs later on; with
// the default search order a DLL planted beside the exe would be taken first. Old systems lack
// SetDefaultDllDirectories, hence the lookup; SetDllDirectoryW(L"") at least drops the
// current directory from the search there.
void RestrictDllSearchPath() {
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
  if (setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
  SetDllDirectoryW(L"");
}
