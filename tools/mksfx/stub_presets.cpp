#include "tools/mksfx/stub_presets.h"

#include <algorithm>
#include <iterator>

#include "platform/utf8.h"
#include "tools/mksfx/errors.h"

namespace {

// The field's size less its terminator, in bytes of UTF-8.
void CheckFits(const std::string& option, const std::string& text, size_t fieldSize) {
  if (!IsValidUtf8(text)) throw MksfxError(ExitUsage, option + ": not UTF-8 text");
  if (text.size() >= fieldSize)
    throw MksfxError(ExitUsage, option + " is " + std::to_string(text.size()) + " bytes of UTF-8; the stub takes " +
                                    std::to_string(fieldSize - 1));
}

// Where the block starts: the one place the marker is followed by the version mksfx writes.
size_t FindBlock(const Bytes& stub, const std::string& stubPath) {
  const PresetBlock empty = EmptyPresetBlock();
  auto head = std::begin(empty), headEnd = head + PresetTitleAt;
  auto found = std::search(stub.begin(), stub.end(), head, headEnd);
  if (found == stub.end() || static_cast<size_t>(stub.end() - found) < PresetBlockSize)
    throw Fatal(stubPath + ": the stub has no block for --title and --path (a stub of an older build?)");
  if (std::search(found + 1, stub.end(), head, headEnd) != stub.end())
    throw Fatal(stubPath + ": the stub holds more than one preset block, so it is not a stub built for mksfx");
  return static_cast<size_t>(found - stub.begin());
}

}  // namespace

void WritePresetsIntoStub(Bytes& stub, const std::string& stubPath, const Presets& presets) {
  CheckFits("--title", presets.title, PresetTitleSize);
  CheckFits("--path", presets.folder, PresetPathSize);
  WritePresets(&stub[FindBlock(stub, stubPath)], presets);
}
