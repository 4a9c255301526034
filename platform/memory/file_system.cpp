// The platform layer in memory, for the fuzz targets: the file calls of the POSIX layer with
// the same results and the same reasons (errno), on a disk of byte vectors, so that a run
// touches no real file. Paths are walked as the system walks them: backslashes and slashes both
// separate, each level but the last must be a directory, "." and ".." are applied where they
// stand, a name part takes NAME_MAX bytes and a path less than PATH_MAX. There are no links.
// One difference: a directory is never moved (the engine moves only the files it wrote), and
// MoveReplacing refuses one with EPERM. The second thread and the legacy code page are the
// POSIX layer's own (sfx_posix), and so is the cryptography, which touches no file.
#include <limits.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
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

// A file, which has contents, or a directory, which has none and holds its children by name.
// The disk is a tree of them, as a file system is: a path costs one look-up per level, and the
// paths of the folders around it cost nothing.
struct Node {
  Node* parent = nullptr;  // the root's is itself
  bool inside = false;     // the extraction folder, or below it
  std::shared_ptr<Contents> contents;
  std::map<std::string, std::unique_ptr<Node>> children;
  bool IsDirectory() const { return !contents; }
};

Node* AddChild(Node* folder, const std::string& name, std::shared_ptr<Contents> contents) {
  auto child = std::make_unique<Node>();
  child->parent = folder;
  child->inside = folder->inside;
  child->contents = std::move(contents);
  return (folder->children[name] = std::move(child)).get();
}

struct Handle {
  std::shared_ptr<Contents> contents;  // none once closed
  uint64_t position = 0;
  bool writing = false;
};

struct Disk {
  Disk() {
    root.parent = &root;
    extraction = MakeFolders(ExtractionFolder);
    extraction->inside = true;
    std::string archive = ArchivePath;
    archiveFile = AddChild(MakeFolders(archive.substr(0, archive.rfind('/'))), archive.substr(archive.rfind('/') + 1),
                           std::make_shared<Contents>());
  }
  Node* MakeFolders(const std::string& path) {
    Node* at = &root;
    for (size_t start = 1, end; start < path.size(); start = end + 1) {
      end = std::min(path.find('/', start), path.size());
      std::string name = path.substr(start, end - start);
      at = at->children.count(name) ? at->children[name].get() : AddChild(at, name, nullptr);
    }
    return at;
  }

  std::mutex lock;  // the second thread reads the archive while the engine writes its output
  Node root;
  Node* extraction = nullptr;
  Node* archiveFile = nullptr;
  std::vector<Handle> handles;  // a handle is its index here
  // The last directory a walk reached, and the text that led there. The engine makes a deep
  // path one level at a time; each walk then starts where the one before it ended. Directories
  // are only removed all at once (EmptyExtractionFolder), which forgets it.
  std::string reachedText;
  Node* reached = nullptr;
};

Disk& TheDisk() {
  static Disk disk;
  return disk;
}

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// Where a path's walk ends: the directory its last level lies in with that level's name, and
// the node of that name, if there is one. A path whose last level is "." or "..", or that names
// the root, has its node and no folder.
struct Place {
  Node* folder = nullptr;
  std::string name;
  Node* node = nullptr;
  bool endsInSeparator = false;
  int error = 0;  // why the system would not get there, else 0
};

Place Reach(Disk& disk, const std::string& text) {
  Place place;
  if (text.empty() || text.size() >= PATH_MAX) {
    place.error = text.empty() ? ENOENT : ENAMETOOLONG;
    return place;
  }
  place.endsInSeparator = IsSeparator(text.back());
  Node* at = &disk.root;  // a relative path starts at the root, the current folder here
  size_t start = 0;
  const std::string& before = disk.reachedText;
  if (disk.reached && text.size() > before.size() && IsSeparator(text[before.size()]) &&
      text.compare(0, before.size(), before) == 0) {
    at = disk.reached;
    start = before.size();
  }
  size_t reachedEnd = start;  // where the text that led to `at` ends
  for (;;) {
    while (start < text.size() && IsSeparator(text[start])) start++;
    if (start == text.size()) {
      place.node = at;
      break;
    }
    size_t end = start;
    while (end < text.size() && !IsSeparator(text[end])) end++;
    std::string level = text.substr(start, end - start);
    if (level.size() > NAME_MAX) place.error = ENAMETOOLONG;
    if (!at->IsDirectory()) place.error = ENOTDIR;
    if (place.error) return place;
    bool last = text.find_first_not_of("/\\", end) == std::string::npos;
    if (last && level != "." && level != "..") {
      auto child = at->children.find(level);
      place.folder = at;
      place.name = level;
      place.node = child == at->children.end() ? nullptr : child->second.get();
      break;
    }
    if (level == "..") {
      at = at->parent;
    } else if (level != ".") {
      auto child = at->children.find(level);
      if (child == at->children.end()) {
        place.error = ENOENT;
        return place;
      }
      at = child->second.get();
    }
    start = reachedEnd = end;
  }
  if (at->IsDirectory()) {
    disk.reachedText.assign(text, 0, reachedEnd);
    disk.reached = at;
  }
  return place;
}

// What the path names, as lstat(2) finds it; null, with errno set, when nothing.
Node* Find(const Place& place) {
  int error = place.error;
  if (!error && !place.node) error = ENOENT;
  if (!error && !place.node->IsDirectory() && place.endsInSeparator) error = ENOTDIR;
  if (!error) return place.node;
  errno = error;
  return nullptr;
}

// Where the path leads by its text alone, its "." and ".." applied: where the system puts what
// it makes there, since there are no links.
std::string TextualPath(const std::string& text) {
  std::string path;
  for (size_t start = 0, end; start < text.size(); start = end + 1) {
    end = start;
    while (end < text.size() && !IsSeparator(text[end])) end++;
    if (end - start == 2 && text.compare(start, 2, "..") == 0)
      path.resize(path.empty() ? 0 : path.rfind('/'));  // not above the root
    else if (end > start && !(end - start == 1 && text[start] == '.'))
      path.append("/").append(text, start, end - start);
  }
  return path.empty() ? "/" : path;
}

// Whether what a call makes, moves or removes at the place lies inside the extraction folder:
// in a directory that is it or lies below it. Where the walk did not reach the place, the text
// decides, so that a creation aimed outside ends the process even where it would fail.
bool LeadsInside(const Place& place, const char* text) {
  if (!place.error && place.folder) return place.folder->inside;
  std::string folder = std::string(ExtractionFolder) + '/';
  return TextualPath(text).compare(0, folder.size(), folder) == 0;
}

// A change outside the extraction folder is an escape: the process ends before it is made.
void RequireInside(const char* change, const char* text, const Place& place) {
  if (LeadsInside(place, text)) return;
  fprintf(stderr, "ESCAPE: %s %s (%s)\n", change, text, TextualPath(text).c_str());
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

// Calls visit(path) for every file and every empty directory below folder, path relative to it,
// a directory's with a slash behind. One path is grown and cut back as the walk goes, so that
// a deep chain of folders costs its depth, not its depth times its length.
template <typename Visit>
void VisitLeaves(const Node& folder, Visit visit) {
  struct Level {
    const Node* node;
    std::map<std::string, std::unique_ptr<Node>>::const_iterator next;
    size_t pathLength;  // of the path before this level's name
  };
  std::vector<Level> stack{{&folder, folder.children.begin(), 0}};
  std::string path;
  while (!stack.empty()) {
    Level& top = stack.back();
    if (top.next == top.node->children.end()) {
      path.resize(top.pathLength);
      stack.pop_back();
      continue;
    }
    const Node& child = *top.next->second;
    size_t length = path.size();
    path.append(length ? "/" : "").append(top.next->first);
    ++top.next;
    if (!child.IsDirectory() || child.children.empty()) {
      visit(child.IsDirectory() ? path + '/' : path);
      path.resize(length);
    } else {
      stack.push_back({&child, child.children.begin(), length});
    }
  }
}

}  // namespace

void PutArchive(const uint8_t* data, size_t size) {
  Disk& disk = TheDisk();
  std::lock_guard<std::mutex> held(disk.lock);
  auto contents = std::make_shared<Contents>();
  contents->bytes.assign(data, data + size);
  bytesStored += size;
  disk.archiveFile->contents = std::move(contents);
}

void EmptyExtractionFolder() {
  Disk& disk = TheDisk();
  std::lock_guard<std::mutex> held(disk.lock);
  disk.extraction->children.clear();
  disk.reached = nullptr;
  disk.reachedText.clear();
}

std::vector<std::string> ExtractedPaths() {
  Disk& disk = TheDisk();
  std::lock_guard<std::mutex> held(disk.lock);
  std::vector<std::string> paths;
  VisitLeaves(*disk.extraction, [&paths](const std::string& path) { paths.push_back(path); });
  std::sort(paths.begin(), paths.end());
  return paths;
}

bool ExtractedBytes(const std::string& path, std::vector<uint8_t>& bytes) {
  Disk& disk = TheDisk();
  std::lock_guard<std::mutex> held(disk.lock);
  const Node* at = disk.extraction;
  for (size_t start = 0, end; at && start <= path.size(); start = end + 1) {
    end = std::min(path.find('/', start), path.size());
    auto child = at->children.find(path.substr(start, end - start));
    at = child == at->children.end() ? nullptr : child->second.get();
  }
  if (!at || at->IsDirectory()) return false;
  bytes = at->contents->bytes;
  return true;
}

size_t OpenFiles() {
  Disk& disk = TheDisk();
  std::lock_guard<std::mutex> held(disk.lock);
  return std::count_if(disk.handles.begin(), disk.handles.end(), [](const Handle& h) { return h.contents != nullptr; });
}

}  // namespace memory

namespace platform {

using memory::AddChild;
using memory::Disk;
using memory::Fail;
using memory::Find;
using memory::Node;
using memory::Place;
using memory::Reach;
using memory::RequireInside;
using memory::TheDisk;

FileHandle OpenForReading(const char* path) {
  Disk& disk = TheDisk();
  std::lock_guard<std::mutex> held(disk.lock);
  Node* node = Find(Reach(disk, path));
  if (!node) return InvalidFile;
  if (node->IsDirectory()) return Fail(EISDIR, InvalidFile);  // a directory is no archive
  return memory::NewHandle(disk, node->contents, false);
}

FileHandle CreateForWriting(const char* path) {
  Disk& disk = TheDisk();
  std::lock_guard<std::mutex> held(disk.lock);
  Place place = Reach(disk, path);
  RequireInside("file", path, place);
  if (place.error) return Fail(place.error, InvalidFile);
  if (place.endsInSeparator) return Fail(EISDIR, InvalidFile);
  if (place.node) return Fail(EEXIST, InvalidFile);
  auto contents = std::make_shared<memory::Contents>();
  AddChild(place.folder, place.name, contents);
  return memory::NewHandle(disk, contents, true);
}

uint32_t ReadFile(FileHandle file, void* buffer, uint32_t count) {
  Disk& disk = TheDisk();
  std::lock_guard<std::mutex> held(disk.lock);
  memory::Handle* handle = memory::OpenHandle(disk, file);
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
  memory::Handle* handle = memory::OpenHandle(disk, file);
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

int64_t SeekTo(FileHandle file, uint64_t position) {
  Disk& disk = TheDisk();
  std::lock_guard<std::mutex> held(disk.lock);
  memory::Handle* handle = memory::OpenHandle(disk, file);
  if (!handle) return -1;
  if (position > static_cast<uint64_t>(INT64_MAX)) return Fail(EINVAL, -1);
  handle->position = position;
  return static_cast<int64_t>(position);
}

int64_t FileLength(FileHandle file) {
  Disk& disk = TheDisk();
  std::lock_guard<std::mutex> held(disk.lock);
  memory::Handle* handle = memory::OpenHandle(disk, file);
  return handle ? static_cast<int64_t>(handle->contents->bytes.size()) : -1;
}

bool CloseFile(FileHandle file) {
  Disk& disk = TheDisk();
  std::lock_guard<std::mutex> held(disk.lock);
  memory::Handle* handle = memory::OpenHandle(disk, file);
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
  bool folderAsked = text.size() > anyName.size() &&
                     text.compare(text.size() - anyName.size(), anyName.size(), anyName) == 0 &&
                     memory::IsSeparator(text[text.size() - anyName.size() - 1]);
  if (folderAsked) text.resize(text.size() - anyName.size());
  Node* node = Find(Reach(disk, text));
  return node && (!folderAsked || node->IsDirectory());
}

// An existing directory outside the extraction folder is no escape: asking to make it again
// changes nothing.
bool CreateOneDirectory(const char* path) {
  Disk& disk = TheDisk();
  std::lock_guard<std::mutex> held(disk.lock);
  Place place = Reach(disk, path);
  bool there = !place.error && place.node && place.node->IsDirectory();
  if (!there) RequireInside("directory", path, place);
  if (place.error) return Fail(place.error, false);
  if (place.node) return Fail(EEXIST, false);
  AddChild(place.folder, place.name, nullptr);
  return true;
}

bool MoveReplacing(const char* from, const char* to) {
  Disk& disk = TheDisk();
  std::lock_guard<std::mutex> held(disk.lock);
  Place source = Reach(disk, from), target = Reach(disk, to);
  RequireInside("move from", from, source);
  RequireInside("move to", to, target);
  Node* node = Find(source);
  if (!node) return false;
  if (node->IsDirectory()) return Fail(EPERM, false);
  if (target.error) return Fail(target.error, false);
  if (target.node && target.node->IsDirectory()) return Fail(EISDIR, false);
  if (target.endsInSeparator) return Fail(ENOTDIR, false);
  if (target.node == node) return true;  // one file under both names: nothing to do
  std::unique_ptr<Node> moved = std::move(source.folder->children[source.name]);
  source.folder->children.erase(source.name);
  moved->parent = target.folder;
  target.folder->children[target.name] = std::move(moved);
  return true;
}

bool RemoveFile(const char* path) {
  Disk& disk = TheDisk();
  std::lock_guard<std::mutex> held(disk.lock);
  Place place = Reach(disk, path);
  RequireInside("removal", path, place);
  Node* node = Find(place);
  if (!node) return false;
  if (node->IsDirectory()) return Fail(EISDIR, false);
  place.folder->children.erase(place.name);
  return true;
}

// The disk in memory keeps no streams, as no POSIX file system keeps one a Windows program
// would see.
std::string NamedStreamPath(const std::string&, const char*) {
  errno = ENOTSUP;
  return std::string();
}
std::string CurrentDirectory() { return "/"; }
std::string LastErrorText() { return strerror(errno); }

bool NamePartFits(const std::string& part) { return part.size() <= NAME_MAX; }
bool PathFits(const std::string& path) { return path.size() < PATH_MAX; }

void* Allocate(size_t size) { return malloc(size); }
void Release(void* block) { free(block); }

}  // namespace platform
