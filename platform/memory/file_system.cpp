// The platform layer in memory, for the fuzz targets: the file calls of the POSIX layer with
// the same results and the same reasons (errno), on a disk of byte vectors, so that a run
// touches no real file. Paths are walked as the system walks them: backslashes and slashes both
// separate, each level above the last must be a directory, "." and ".." are applied where they
// stand, a name part takes NAME_MAX bytes and a path less than PATH_MAX. There are no links.
// One difference: a directory is never moved (the engine moves only the files it wrote), and
// MoveReplacing refuses one with EPERM. The second thread and the legacy code page are the
// POSIX layer's own (sfx_posix).
#include <limits.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/memory/memory_disk.h"
#include "platform/platform.h"

namespace memory {
namespace {

constexpr uint64_t DiskBytes = uint64_t(64) << 20;

uint64_t bytesStored = 0;  // in every file, named or only open: what the disk holds

// A file's bytes, shared by its name and the handles open on it: a file removed or replaced
// while open stays readable through them, as on POSIX, and its room is free once both are gone.
struct Contents {
  std::vector<uint8_t> bytes;
  ~Contents() { bytesStored -= bytes.size(); }
};

struct Handle {
  std::shared_ptr<Contents> contents;  // none once closed
  uint64_t position = 0;
  bool writing = false;
};

// Paths are kept whole: "/" for the root, else "/a/b". A directory is only made in one that
// exists and only removed with everything in it, so every level above a file or directory is
// a directory.
struct Disk {
  Disk() {
    for (const char* folder : {"/", "/sandbox", "/sandbox/jail", "/sandbox/jail/a", "/sandbox/jail/a/b"})
      directories.insert(folder);
    directories.insert(ExtractionFolder);
    files[ArchivePath] = std::make_shared<Contents>();
  }
  std::mutex lock;  // the second thread reads the archive while the engine writes its output
  std::map<std::string, std::shared_ptr<Contents>> files;
  std::set<std::string> directories;
  std::vector<Handle> handles;  // a handle is its index here
};

Disk& TheDisk() {
  static Disk disk;
  return disk;
}

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// What a path's text says, before anything is looked up: where it leads (its "." and ".."
// applied), where the walk applies a "." or ".." (each such place must be a directory), and
// whether the text asks for a directory (it ends in a separator, "." or ".."). A relative path
// starts at the root, the current folder here.
struct Walk {
  std::string path;
  std::vector<std::string> turns;
  bool directoryMeant = false;
  bool endsInSeparator = false;
  int error = 0;  // ENOENT for an empty text, ENAMETOOLONG for a long one or a long part
};

Walk WalkText(const std::string& text) {
  Walk walk;
  if (text.empty()) walk.error = ENOENT;
  if (text.size() >= PATH_MAX) walk.error = ENAMETOOLONG;
  std::string path;  // the root while empty
  for (size_t start = 0; start < text.size();) {
    size_t end = start;
    while (end < text.size() && !IsSeparator(text[end])) end++;
    std::string level = text.substr(start, end - start);
    start = end + 1;
    if (level.empty()) continue;
    if (level.size() > NAME_MAX) walk.error = ENAMETOOLONG;
    walk.directoryMeant = level == "." || level == "..";
    if (!walk.directoryMeant) {
      path += '/' + level;
      continue;
    }
    walk.turns.push_back(path.empty() ? "/" : path);
    if (level == "..") path.resize(path.empty() ? 0 : path.rfind('/'));  // not above the root
  }
  walk.endsInSeparator = !text.empty() && IsSeparator(text.back());
  walk.directoryMeant = walk.directoryMeant || walk.endsInSeparator;
  walk.path = path.empty() ? "/" : path;
  return walk;
}

std::string Parent(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == 0 ? "/" : path.substr(0, slash);
}

enum class Kind { None, File, Directory };

Kind KindOf(const Disk& disk, const std::string& path) {
  if (disk.directories.count(path)) return Kind::Directory;
  return disk.files.count(path) ? Kind::File : Kind::None;
}

// Why the walk cannot pass through path: 0 when it is a directory, else ENOTDIR when the first
// level on the way that is no directory is a file, ENOENT when that level is missing. The
// levels that are directories all come first on the way, so a binary search finds that level.
int PassError(const Disk& disk, const std::string& path) {
  if (disk.directories.count(path)) return 0;
  std::vector<size_t> ends;  // where each level of path ends; the root's is not among them
  for (size_t i = 1; i <= path.size(); i++)
    if (i == path.size() || path[i] == '/') ends.push_back(i);
  size_t low = 0, high = ends.size() - 1;  // every level before low is a directory, high's is not
  while (low < high) {
    size_t middle = (low + high) / 2;
    if (disk.directories.count(path.substr(0, ends[middle])))
      low = middle + 1;
    else
      high = middle;
  }
  return disk.files.count(path.substr(0, ends[low])) ? ENOTDIR : ENOENT;
}

// The reason the system would give for not reaching the walk's last level, or 0.
int ReachError(const Disk& disk, const Walk& walk) {
  if (walk.error) return walk.error;
  for (const std::string& turn : walk.turns)
    if (int error = PassError(disk, turn)) return error;
  return walk.path == "/" ? 0 : PassError(disk, Parent(walk.path));
}

// What the path names, as lstat(2) finds it; None, with errno set, when nothing.
Kind Find(const Disk& disk, const Walk& walk) {
  int error = ReachError(disk, walk);
  Kind kind = error ? Kind::None : KindOf(disk, walk.path);
  if (kind == Kind::File && walk.directoryMeant) error = ENOTDIR, kind = Kind::None;
  if (kind == Kind::None) errno = error ? error : ENOENT;
  return kind;
}

bool IsInsideExtractionFolder(const std::string& path) {
  std::string folder = std::string(ExtractionFolder) + '/';
  return path.compare(0, folder.size(), folder) == 0;
}

// A change outside the extraction folder is an escape: the process ends before it is made.
void RequireInside(const char* change, const char* text, const Walk& walk) {
  if (IsInsideExtractionFolder(walk.path)) return;
  fprintf(stderr, "ESCAPE: %s %s (%s)\n", change, text, walk.path.c_str());
  abort();
}

template <typename Result>
Result Fail(int error, Result result) {
  errno = error;
  return result;
}

platform::FileHandle NewHandle(Disk& disk, std::shared_ptr<Contents> contents, bool writing) {
  size_t index = 0;
  while (index < disk.handles.size() && disk.handles[index].contents) index++;
  if (index == disk.handles.size()) disk.handles.emplace_back();
  disk.handles[index] = {std::move(contents), 0, writing};
  return static_cast<platform::FileHandle>(index);
}

// The open handle, or null with errno EBADF.
Handle* OpenHandle(Disk& disk, platform::FileHandle file) {
  if (file >= 0 && static_cast<size_t>(file) < disk.handles.size() && disk.handles[file].contents)
    return &disk.handles[file];
  errno = EBADF;
  return nullptr;
}

// The range of paths inside the extraction folder: they begin with its path and a slash.
template <typename Container>
std::pair<typename Container::iterator, typename Container::iterator> InsideRange(Container& paths) {
  std::string folder(ExtractionFolder);
  return {paths.lower_bound(folder + '/'), paths.lower_bound(folder + char('/' + 1))};
}

}  // namespace

void PutArchive(const uint8_t* data, size_t size) {
  Disk& disk = TheDisk();
  std::lock_guard<std::mutex> held(disk.lock);
  auto contents = std::make_shared<Contents>();
  contents->bytes.assign(data, data + size);
  bytesStored += size;
  disk.files[ArchivePath] = std::move(contents);
}

void EmptyExtractionFolder() {
  Disk& disk = TheDisk();
  std::lock_guard<std::mutex> held(disk.lock);
  auto files = InsideRange(disk.files);
  disk.files.erase(files.first, files.second);
  auto directories = InsideRange(disk.directories);
  disk.directories.erase(directories.first, directories.second);
}

std::vector<std::string> ExtractedNames() {
  Disk& disk = TheDisk();
  std::lock_guard<std::mutex> held(disk.lock);
  size_t prefix = strlen(ExtractionFolder) + 1;
  std::vector<std::string> names;
  auto files = InsideRange(disk.files);
  for (auto it = files.first; it != files.second; ++it) names.push_back(it->first.substr(prefix));
  auto directories = InsideRange(disk.directories);
  for (auto it = directories.first; it != directories.second; ++it) names.push_back(it->substr(prefix) + '/');
  std::sort(names.begin(), names.end());
  return names;
}

bool ExtractedBytes(const std::string& name, std::vector<uint8_t>& bytes) {
  Disk& disk = TheDisk();
  std::lock_guard<std::mutex> held(disk.lock);
  auto found = disk.files.find(std::string(ExtractionFolder) + '/' + name);
  if (found == disk.files.end()) return false;
  bytes = found->second->bytes;
  return true;
}

size_t OpenFiles() {
  Disk& disk = TheDisk();
  std::lock_guard<std::mutex> held(disk.lock);
  return std::count_if(disk.handles.begin(), disk.handles.end(), [](const Handle& h) { return h.contents != nullptr; });
}

}  // namespace memory

namespace platform {

using memory::Disk;
using memory::Fail;
using memory::Find;
using memory::Kind;
using memory::KindOf;
using memory::NewHandle;
using memory::OpenHandle;
using memory::ReachError;
using memory::RequireInside;
using memory::TheDisk;
using memory::Walk;
using memory::WalkText;

FileHandle OpenForReading(const char* path) {
  Disk& disk = TheDisk();
  std::lock_guard<std::mutex> held(disk.lock);
  Walk walk = WalkText(path);
  Kind kind = Find(disk, walk);
  if (kind == Kind::Directory) return Fail(EISDIR, InvalidFile);  // a directory is no archive
  if (kind == Kind::None) return InvalidFile;
  return NewHandle(disk, disk.files[walk.path], false);
}

FileHandle CreateForWriting(const char* path) {
  Disk& disk = TheDisk();
  std::lock_guard<std::mutex> held(disk.lock);
  Walk walk = WalkText(path);
  RequireInside("file", path, walk);
  if (int error = ReachError(disk, walk)) return Fail(error, InvalidFile);
  if (walk.endsInSeparator) return Fail(EISDIR, InvalidFile);
  if (KindOf(disk, walk.path) != Kind::None) return Fail(EEXIST, InvalidFile);
  auto contents = std::make_shared<memory::Contents>();
  disk.files[walk.path] = contents;
  return NewHandle(disk, contents, true);
}

uint32_t ReadFile(FileHandle file, void* buffer, uint32_t count) {
  Disk& disk = TheDisk();
  std::lock_guard<std::mutex> held(disk.lock);
  memory::Handle* handle = OpenHandle(disk, file);
  if (!handle || handle->writing) return Fail(EBADF, 0u);
  const std::vector<uint8_t>& bytes = handle->contents->bytes;
  uint64_t left = handle->position < bytes.size() ? bytes.size() - handle->position : 0;
  uint32_t done = static_cast<uint32_t>(std::min<uint64_t>(count, left));
  if (done > 0) memcpy(buffer, bytes.data() + handle->position, done);
  handle->position += done;
  return done;
}

// Bytes beyond the file's end take room on the disk; what finds none is not written.
uint32_t WriteFile(FileHandle file, const void* buffer, uint32_t count) {
  Disk& disk = TheDisk();
  std::lock_guard<std::mutex> held(disk.lock);
  memory::Handle* handle = OpenHandle(disk, file);
  if (!handle || !handle->writing) return Fail(EBADF, 0u);
  std::vector<uint8_t>& bytes = handle->contents->bytes;
  uint64_t reach = bytes.size() + (memory::DiskBytes - memory::bytesStored);  // the furthest end it may have
  uint64_t end = std::min<uint64_t>(handle->position + count, reach);
  uint32_t done = end > handle->position ? static_cast<uint32_t>(end - handle->position) : 0;
  if (done > 0 && end > bytes.size()) {
    memory::bytesStored += end - bytes.size();
    bytes.resize(end);  // a gap behind the end reads as zeros, as on POSIX
  }
  if (done > 0) memcpy(bytes.data() + handle->position, buffer, done);
  handle->position += done;
  return done < count ? Fail(ENOSPC, done) : done;
}

int32_t SeekTo(FileHandle file, int32_t position) {
  Disk& disk = TheDisk();
  std::lock_guard<std::mutex> held(disk.lock);
  memory::Handle* handle = OpenHandle(disk, file);
  if (!handle) return -1;
  if (position < 0) return Fail(EINVAL, -1);
  handle->position = static_cast<uint64_t>(position);
  return position;
}

int64_t FileLength(FileHandle file) {
  Disk& disk = TheDisk();
  std::lock_guard<std::mutex> held(disk.lock);
  memory::Handle* handle = OpenHandle(disk, file);
  return handle ? static_cast<int64_t>(handle->contents->bytes.size()) : -1;
}

bool CloseFile(FileHandle file) {
  Disk& disk = TheDisk();
  std::lock_guard<std::mutex> held(disk.lock);
  memory::Handle* handle = OpenHandle(disk, file);
  if (!handle) return false;
  handle->contents.reset();
  return true;
}

bool FindFirstMatch(const char* pattern) {
  Disk& disk = TheDisk();
  std::lock_guard<std::mutex> held(disk.lock);
  std::string text(pattern);
  static const std::string anyName = "*.*";
  // "DIR\\*.*" matches at least "." while DIR exists.
  bool folderAsked = text.size() > anyName.size() && text.compare(text.size() - anyName.size(), anyName.size(), anyName) == 0 &&
                     memory::IsSeparator(text[text.size() - anyName.size() - 1]);
  if (folderAsked) text.resize(text.size() - anyName.size());
  Kind kind = Find(disk, WalkText(text));
  return folderAsked ? kind == Kind::Directory : kind != Kind::None;
}

// An existing directory outside the extraction folder is no escape: asking to make it again
// changes nothing.
bool CreateOneDirectory(const char* path) {
  Disk& disk = TheDisk();
  std::lock_guard<std::mutex> held(disk.lock);
  Walk walk = WalkText(path);
  if (KindOf(disk, walk.path) != Kind::Directory) RequireInside("directory", path, walk);
  if (int error = ReachError(disk, walk)) return Fail(error, false);
  if (KindOf(disk, walk.path) != Kind::None) return Fail(EEXIST, false);
  disk.directories.insert(walk.path);
  return true;
}

bool MoveReplacing(const char* from, const char* to) {
  Disk& disk = TheDisk();
  std::lock_guard<std::mutex> held(disk.lock);
  Walk source = WalkText(from), target = WalkText(to);
  RequireInside("move from", from, source);
  RequireInside("move to", to, target);
  Kind kind = Find(disk, source);
  if (kind == Kind::None) return false;
  if (kind == Kind::Directory) return Fail(EPERM, false);
  if (int error = ReachError(disk, target)) return Fail(error, false);
  if (KindOf(disk, target.path) == Kind::Directory) return Fail(EISDIR, false);
  if (target.directoryMeant) return Fail(ENOTDIR, false);
  if (source.path == target.path) return true;  // one file under both names: nothing to do
  disk.files[target.path] = std::move(disk.files[source.path]);
  disk.files.erase(source.path);
  return true;
}

bool RemoveFile(const char* path) {
  Disk& disk = TheDisk();
  std::lock_guard<std::mutex> held(disk.lock);
  Walk walk = WalkText(path);
  RequireInside("removal", path, walk);
  Kind kind = Find(disk, walk);
  if (kind == Kind::Directory) return Fail(EISDIR, false);
  if (kind == Kind::None) return false;
  disk.files.erase(walk.path);
  return true;
}

std::string CurrentDirectory() { return "/"; }
std::string LastErrorText() { return strerror(errno); }

bool NamePartFits(const std::string& part) { return part.size() <= NAME_MAX; }
bool PathFits(const std::string& path) { return path.size() < PATH_MAX; }

void* Allocate(size_t size) { return malloc(size); }
void Release(void* block) { free(block); }

}  // namespace platform
