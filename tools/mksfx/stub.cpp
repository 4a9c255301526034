#include "tools/mksfx/stub.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "extract/format.h"
#include "tools/mksfx/errors.h"
#include "tools/mksfx/host.h"
#include "tools/mksfx/pe_image.h"

namespace fs = std::filesystem;

namespace {
constexpr const char* StubFileName = "sfx.exe";

// The machine type in a Windows program's PE header, or 0 when the file is not one.
uint16_t MachineOf(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  uint8_t head[4096] = {};
  in.read(reinterpret_cast<char*>(head), sizeof head);
  return PeMachine(head, static_cast<size_t>(in.gcount()));
}

// Where to look for a stub of the wanted bitness when none is named, in order: beside mksfx,
// then in the sibling build folder of that bitness (build/windows/ and build/windows64/ stand
// side by side), then in this source tree's build folder (compiled in, native builds only).
std::vector<fs::path> StubCandidates(bool want64) {
  const char* buildFolder = want64 ? "windows64" : "windows";
  std::vector<fs::path> candidates;
  std::string self = host::ExecutablePath();
  if (!self.empty()) {
    fs::path folder = fs::path(self).parent_path();
    candidates.push_back(folder / StubFileName);
    candidates.push_back(folder.parent_path() / buildFolder / StubFileName);
  }
#ifdef KVX_BUILD_ROOT
  candidates.push_back(fs::path(KVX_BUILD_ROOT) / buildFolder / StubFileName);
#endif
  return candidates;
}

bool HoldsZipSignature(const Bytes& stub) {
  static const uint32_t signatures[] = {LocalHeaderSignature, CentralHeaderSignature, EndRecordSignature};
  for (size_t at = 0; at + 4 <= stub.size(); at++)
    if (std::find(std::begin(signatures), std::end(signatures), Load32(&stub[at])) != std::end(signatures))
      return true;
  return false;
}
}  // namespace

std::string FindStub(const std::string& explicitStub, bool want64) {
  if (!explicitStub.empty()) return explicitStub;
  uint16_t wanted = want64 ? MachineAmd64 : MachineI386;
  for (const fs::path& candidate : StubCandidates(want64))
    if (fs::is_regular_file(candidate) && MachineOf(candidate) == wanted) return candidate.string();
  std::string kind = want64 ? "64-bit" : "32-bit";
  throw MksfxError(ExitUsage, "no " + kind + " stub found: give --stub FILE, or put the " + kind + " " +
                                  StubFileName + " beside mksfx (the " + (want64 ? "windows64" : "windows") +
                                  " build makes it)");
}

Bytes LoadStub(const std::string& path) {
  std::ifstream in(fs::path(path), std::ios::binary);
  if (!in) throw Fatal(path + ": cannot open the stub");
  Bytes stub((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (stub.size() != ArchiveBase)
    throw Fatal(path + ": the stub is " + std::to_string(stub.size()) + " bytes, but it must be exactly " +
                std::to_string(ArchiveBase) + " (where its archive walk starts); wrong file or wrong build");
  // mksfx writes the checksum of every exe into the stub's PE header.
  if (PeMachine(stub.data(), stub.size()) == 0) throw Fatal(path + ": not a Windows program (no PE header)");
  if (HoldsZipSignature(stub)) throw Fatal(path + ": holds a ZIP signature, so it is not a stub built for mksfx");
  return stub;
}
