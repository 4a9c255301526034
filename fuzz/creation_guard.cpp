// The two ways the engine creates things on disk, wrapped at link time (ld --wrap) so that the
// oracle sees every path before the system does: an escape aborts the run instead of writing
// somewhere on the fuzzing machine.
#include "fuzz/sandbox.h"
#include "platform/platform.h"

using platform::FileHandle;

extern "C" {
FileHandle __real__ZN8platform16CreateForWritingEPKc(const char* path);
bool __real__ZN8platform18CreateOneDirectoryEPKc(const char* path);

FileHandle __wrap__ZN8platform16CreateForWritingEPKc(const char* path) {
  TheSandbox().CheckCreation(path, true);
  return __real__ZN8platform16CreateForWritingEPKc(path);
}

bool __wrap__ZN8platform18CreateOneDirectoryEPKc(const char* path) {
  TheSandbox().CheckCreation(path, false);
  return __real__ZN8platform18CreateOneDirectoryEPKc(path);
}
}
