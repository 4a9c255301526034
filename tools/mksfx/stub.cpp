#include "tools/mksfx/stub.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "extract/format.h"
#include "tools/mksfx/errors.h"
#include "tools/mksfx/host.h"

namespace fs = std::filesystem;

namespace {
constexpr const char* StubFileName = "sfx.exe";

bool HoldsZipSignature(const Bytes& stub) {
  static const uint32_t signatures[] = {LocalHeaderSignature, CentralHeaderSignature, EndRecordSignature};
  for (size_t at = 0; at + 4 <= stub.size(); at++)
    if (std::find(std::begin(signatures), std::end(signatures), Load32(&stub[at])) != std::end(signatures))
      return true;
  return false;
}
}  // namespace

std::string FindStub(const std::string& explicitStub) {
  if (!explicitStub.empty()) return explicitStub;
  std::string self = host::ExecutablePath();
  if (!self.empty()) {
    fs::path beside = fs::path(self).parent_path() / StubFileName;
    if (fs::exists(beside)) return beside.string();
  }
#ifdef KVX_DEFAULT_STUB
  if (fs::exists(fs::path(KVX_DEFAULT_STUB))) return KVX_DEFAULT_STUB;
#endif
  throw MksfxError(ExitUsage, std::string("no stub found: give --stub FILE, or put ") + StubFileName +
                                  " beside mksfx (the Windows build makes it)");
}

Bytes LoadStub(const std::string& path) {
  std::ifstream in(fs::path(path), std::ios::binary);
  if (!in) throw Fatal(path + ": cannot open the stub");
  Bytes stub((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (stub.size() != ArchiveBase)
    throw Fatal(path + ": the stub is " + std::to_string(stub.size()) + " bytes, but it must be exactly " +
                std::to_string(ArchiveBase) + " (where its archive walk starts); wrong file or wrong build");
  if (HoldsZipSignature(stub)) throw Fatal(path + ": holds a ZIP signature, so it is not a stub built for mksfx");
  return stub;
}
