// The fuzz oracle's ground: a fresh folder tree per process, in which the archive is written and
// below which the extraction folder lies, and the checks that nothing was created outside it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class Sandbox {
 public:
  // root/            the sentinel: nothing may appear here but what the harness puts
  //   input.zip      the bytes under test
  //   jail/a/b/out/  the extraction folder, emptied before every input
  Sandbox();
  ~Sandbox();

  std::string ArchivePath() const;
  std::string OutPath() const;
  void WriteArchive(const uint8_t* data, size_t size) const;
  void EmptyOut() const;
  // Aborts when the tree outside the extraction folder differs from what it was at start.
  void CheckNothingEscaped() const;
  // Aborts when the engine is about to create path (a file, or a missing directory) outside
  // the extraction folder, before it can do so.
  void CheckCreation(const char* path, bool isFile) const;

 private:
  std::string Listing() const;
  std::string root_;
  std::string listing_;
};

// The one sandbox of the process, made on first use.
Sandbox& TheSandbox();
