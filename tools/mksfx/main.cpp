// mksfx: writes the stub followed by a ZIP archive whose every entry the stub's walk reaches.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "extract/local_header.h"
#include "extract/tables.h"
#include "platform/utf8.h"
#include "platform/printable_text.h"
#include "tools/mksfx/archive_writer.h"
#include "tools/mksfx/errors.h"
#include "tools/mksfx/host.h"
#include "tools/mksfx/limits.h"
#include "tools/mksfx/name_rules.h"
#include "tools/mksfx/options.h"
#include "tools/mksfx/output_file.h"
#include "tools/mksfx/signing.h"
#include "tools/mksfx/source_tree.h"
#include "tools/mksfx/stub.h"
#include "tools/mksfx/stub_presets.h"
#include "tools/mksfx/zip_import.h"

namespace {

using FilePtr = std::unique_ptr<FILE, int (*)(FILE*)>;

// Every message goes out through here. The names in it come from archives and file systems,
// which may hold control characters and bytes that are no text; those are spelled out.
void Say(const std::string& message) { std::fprintf(stderr, "mksfx: %s\n", PrintableText(message).c_str()); }

void RefuseIfAny(const std::vector<std::string>& problems) {
  if (problems.empty()) return;
  for (const std::string& problem : problems) Say(problem);
  throw Fatal("refused; nothing written");
}

std::string PasswordFrom(const Options& o) {
  std::string password = o.password;
  if (o.askPassword) {
    std::string again;
    if (!host::ReadHiddenLine("Password: ", password) || !host::ReadHiddenLine("Again: ", again))
      throw MksfxError(ExitUsage, "no terminal to ask for the password on; give --password=PW");
    if (password != again) throw MksfxError(ExitUsage, "the two passwords differ");
  }
  if (password.empty()) throw MksfxError(ExitUsage, "the password is empty");
  if (Utf16Length(password) > MaxPasswordLength)
    throw MksfxError(ExitUsage, "the password is longer than the stub's " + std::to_string(MaxPasswordLength) + " characters");
  return password;
}

void RefuseBadNames(const std::vector<NamedEntry>& named, bool allowCaseDuplicates) {
  RefuseIfAny(NameProblems(named, allowCaseDuplicates));
}

// Writes the exe from files and folders; returns the number of inputs skipped.
size_t BuildFromSources(const Options& o, const Bytes& stub, const OutputFile::Rewrite& lastStep) {
  SourceTree tree = CollectSources(o.paths, o.output);
  if (o.reproducible)
    std::sort(tree.entries.begin(), tree.entries.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
  std::vector<NamedEntry> named;
  uint64_t total = 0;
  for (SourceEntry& e : tree.entries) {
    named.push_back({e.name, e.isDirectory});
    total += e.size;
    if (o.reproducible) e.modTime = EarliestDosTime, e.modDate = EarliestDosDate;
  }
  RefuseIfAny(NamesNotInUtf8(named));
  RefuseBadNames(named, o.allowCaseDuplicates);
  std::unique_ptr<Encryptor> encryptor;
  if (o.encrypt) encryptor = MakeEncryptor(PasswordFrom(o), o.zipCrypto);

  OutputFile out(o.output);
  out.Write(stub);
  Progress progress(total, o.quiet);
  ArchiveWriter writer(out, o.level, encryptor.get(), progress);
  for (const SourceEntry& e : tree.entries) e.isDirectory ? writer.AddDirectory(e) : writer.AddFile(e);
  writer.Finish();
  out.Commit(lastStep);
  for (const std::string& skipped : tree.skipped) Say("skipped " + skipped);
  if (!o.quiet) Say(o.output + ": " + std::to_string(tree.entries.size()) + " entries");
  return tree.skipped.size();
}

void BuildFromZip(const Options& o, const Bytes& stub, const OutputFile::Rewrite& lastStep) {
  FilePtr zip(std::fopen(o.fromZip.c_str(), "rb"), &std::fclose);
  if (!zip) throw Fatal(o.fromZip + ": cannot open");
  std::vector<ImportedEntry> entries = ReadZipEntries(zip.get(), o.fromZip);
  RefuseIfAny(OverlappingEntries(entries));
  RefuseIfAny(UnsupportedMethods(entries));
  std::vector<NamedEntry> named;
  std::vector<std::string> dataInFolders;
  uint64_t total = 0;
  // Each name keeps its bytes and flag; it is judged as the stub will read it.
  for (const ImportedEntry& e : entries) {
    const Bytes& extra = e.record.localExtra;
    std::string name = EntryName(e.record.name, e.record.flags, extra.data(), static_cast<uint32_t>(extra.size()));
    // The stub makes a folder of a name that ends in either separator, and leaves its data out.
    bool folder = !name.empty() && (name.back() == '/' || name.back() == '\\');
    if (folder && e.record.uncompressedSize > 0)
      dataInFolders.push_back("\"" + name + "\": holds data, but its name ends in a separator, so the stub "
                              "makes a folder of it and leaves the data out");
    named.push_back({name, folder});
    total += e.record.compressedSize;
  }
  RefuseIfAny(dataInFolders);
  RefuseBadNames(named, o.allowCaseDuplicates);

  OutputFile out(o.output);
  out.Write(stub);
  Progress progress(total, o.quiet);
  ArchiveWriter writer(out, o.level, nullptr, progress);
  for (const ImportedEntry& e : entries) writer.AddImported(e, zip.get());
  writer.Finish();
  out.Commit(lastStep);
  if (!o.quiet) Say(o.output + ": " + std::to_string(entries.size()) + " entries");
}

int Run(const std::vector<std::string>& arguments) {
  Options o = ParseOptions(arguments);
  if (o.help) {
    std::fputs(HelpText, stdout);
    return ExitOk;
  }
  std::string stubPath = FindStub(o.stub, o.stub64);
  Bytes stub = LoadStub(stubPath);
  // Before anything is written: the checksum and a signature then cover the presets.
  if (!o.title.empty() || !o.presetPath.empty()) WritePresetsIntoStub(stub, stubPath, {o.title, o.presetPath});
  // Asked for before the work starts, and done last, on the finished exe.
  std::optional<Signer> signer;
  if (!o.signCertificate.empty()) signer = PrepareSigner(o);
  OutputFile::Rewrite lastStep;
  if (signer) lastStep = [&signer](const std::string& from, const std::string& to) { Sign(*signer, from, to); };
  if (!o.fromZip.empty()) {
    BuildFromZip(o, stub, lastStep);
    return ExitOk;
  }
  return BuildFromSources(o, stub, lastStep) > 0 ? ExitWarning : ExitOk;
}

}  // namespace

int main(int argc, char** argv) {
  CreateTables();  // the encryption keys step through it
  int code;
  try {
    code = Run(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const MksfxError& e) {
    Say(e.what());
    code = e.code();
  } catch (const std::exception& e) {
    Say(e.what());
    code = ExitFatal;
  }
  ReleaseTables();
  return code;
}
