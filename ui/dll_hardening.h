// Which directories DLLs may be loaded from.
#pragma once

// Restricts later DLL loads to the system directory. Called first thing in the entry point.
void RestrictDllSearchPath();
