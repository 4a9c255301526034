#include "extract/zone_mark.h"

#include "extract/sfx_state.h"

static std::string MarkPath(const std::string& path) { return platform::NamedStreamPath(path, "Zone.Identifier"); }

static bool Marking() { return !sfx.zoneMark.empty(); }

// The file's mark, or an empty text when it has none, it cannot be read or it is too large to
// be one (an empty stream marks nothing).
static std::string ReadMark(const std::string& path) {
  std::string bytes, mark = MarkPath(path);
  if (mark.empty()) return bytes;
  platform::FileHandle file = platform::OpenForReading(mark.c_str());
  if (file == platform::InvalidFile) return bytes;
  int64_t length = platform::FileLength(file);
  if (length > 0 && length <= static_cast<int64_t>(ZoneMarkLimit)) {
    bytes.resize(static_cast<size_t>(length));
    if (platform::ReadFile(file, bytes.data(), static_cast<uint32_t>(length)) != length) bytes.clear();
  }
  platform::CloseFile(file);
  return bytes;
}

void TakeZoneMark(const std::string& path) { sfx.zoneMark = ReadMark(path); }

bool ZoneMarkFits(const std::string& path) { return !Marking() || platform::PathFits(MarkPath(path)); }

// A mark that stands there already (moved along with the file) is not written again. Any other
// is removed first: files are only ever created new.
bool GiveZoneMark(const std::string& path) {
  if (!Marking() || ReadMark(path) == sfx.zoneMark) return true;
  std::string mark = MarkPath(path);
  if (mark.empty()) return false;
  platform::RemoveFile(mark.c_str());
  platform::FileHandle file = platform::CreateForWriting(mark.c_str());
  if (file == platform::InvalidFile) return false;
  uint32_t size = static_cast<uint32_t>(sfx.zoneMark.size());
  bool written = platform::WriteFile(file, sfx.zoneMark.data(), size) == size;
  return platform::CloseFile(file) && written;
}

void DropZoneMark(const std::string& path) {
  if (!Marking()) return;
  std::string mark = MarkPath(path);
  if (!mark.empty()) platform::RemoveFile(mark.c_str());
}
