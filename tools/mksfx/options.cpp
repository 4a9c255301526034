#include "tools/mksfx/options.h"

#include "tools/mksfx/errors.h"

const char* const HelpText =
    "usage: mksfx [options] -o OUT.exe PATH...\n"
    "       mksfx [options] -o OUT.exe --from-zip IN.zip\n"
    "\n"
    "Writes a self-extracting exe: the stub program followed by a ZIP archive. A file is\n"
    "stored under its own name, a folder under its own name with everything below it (empty\n"
    "folders included); \".\" stores the current folder's contents at the top.\n"
    "\n"
    "  -o OUT.exe               the exe to write; written to a temporary file beside it and\n"
    "                           renamed, so OUT.exe is never left half-written\n"
    "  -0 ... -9                deflate level (default 6); -0 stores everything. An entry that\n"
    "                           deflating does not make smaller is stored\n"
    "  --from-zip IN.zip        take the entries of an existing ZIP instead of files, their\n"
    "                           data copied as it is (encrypted entries too); entries with\n"
    "                           data descriptors get their sizes and CRC into the header\n"
    "  --password               encrypt every file with AES-256 (the ZIP format's AES\n"
    "  --password=PW            extension, AE-2, as current archivers write it); asks for the\n"
    "                           password twice on the terminal unless given with \"=\"\n"
    "  --zipcrypto              with --password: the traditional ZIP encryption instead, for\n"
    "                           readers that know nothing else (Info-ZIP unzip 6, Python's\n"
    "                           zipfile, Windows 10 Explorer's ZIP folders, which refuse AES).\n"
    "                           It is weak: a dozen bytes of known plaintext give away the\n"
    "                           keys, whatever the password; AES withstands that, hence the\n"
    "                           default\n"
    "  --stub FILE              the stub; default: the 32-bit sfx.exe beside mksfx, else the\n"
    "                           one the Windows build of this source tree made\n"
    "  --64                     the 64-bit stub instead (for Windows without 32-bit\n"
    "                           support), found the same way; not with --stub\n"
    "  --sign FILE.p12          sign the finished exe (Authenticode, SHA-256) with the\n"
    "                           certificate and key in FILE.p12, by osslsigncode; the\n"
    "                           password comes from MKSFX_SIGN_PASSWORD, else it is asked\n"
    "                           on the terminal. Signing is the last step: a failure\n"
    "                           leaves nothing written\n"
    "  --timestamp URL          with --sign: have the signature timestamped by this RFC 3161\n"
    "                           server, so it stays valid after the certificate expires\n"
    "  --title TEXT             the caption of the exe's main dialog\n"
    "  --path TEXT              the folder the exe offers to extract into; %NAME% references\n"
    "                           (%USERPROFILE%\\Product, %TEMP%) are expanded when it starts,\n"
    "                           and a folder given on its command line (/D=) wins\n"
    "  --reproducible           sorted names and fixed times (1980-01-01 00:00), so the same\n"
    "                           input gives the same bytes; not with --password, whose\n"
    "                           encryption headers are random by design\n"
    "  --allow-case-duplicates  keep names that differ only in letter case (on Windows the\n"
    "                           later one overwrites the earlier)\n"
    "  -q                       quiet: no progress bar, no summary\n"
    "  -h, --help               this text\n"
    "\n"
    "Refused, naming each entry, with nothing written: empty or unsafe names, names longer\n"
    "than the stub can write (32,506 characters: its longest path less its longest extract\n"
    "path), entries that Windows would write to one path (it reads \"\\\" as \"/\", skips empty\n"
    "levels and ignores letter case; folders merge and are kept), a file where another entry\n"
    "needs a folder, entries of an input ZIP whose bytes overlap, compression methods other\n"
    "than stored and deflated, and an exe of 4 GiB or more, which Windows does not start.\n"
    "Entries of 4 GiB or more, and more than 65,535 entries, are written in the ZIP64 format.\n"
    "\n"
    "Exit codes: 0 written; 1 written, but some inputs were skipped (links to folders,\n"
    "devices, pipes; each named on stderr); 2 refused or failed (signing too), nothing\n"
    "written; 7 command-line error.\n";

namespace {

MksfxError Usage(const std::string& message) { return MksfxError(ExitUsage, message + " (mksfx --help)"); }

bool IsLevel(const std::string& a) { return a.size() == 2 && a[0] == '-' && a[1] >= '0' && a[1] <= '9'; }

// Takes the value that follows an option.
const std::string& ValueOf(const std::vector<std::string>& arguments, size_t& i) {
  if (i + 1 >= arguments.size()) throw Usage(arguments[i] + " needs a value");
  return arguments[++i];
}

void CheckCombination(const Options& o) {
  if (o.help) return;
  if (o.output.empty()) throw Usage("no output given: -o OUT.exe");
  if (o.fromZip.empty() && o.paths.empty()) throw Usage("nothing to put in: give files or folders, or --from-zip");
  if (!o.fromZip.empty() && !o.paths.empty()) throw Usage("--from-zip takes no other files or folders");
  if (o.stub64 && !o.stub.empty()) throw Usage("--64 picks the stub itself: give --stub or --64, not both");
  if (!o.fromZip.empty() && o.encrypt) throw Usage("--password cannot be combined with --from-zip");
  // A ZIP's entries keep their order and times: an encrypted entry may take its password check
  // from its time, so the time cannot be fixed.
  if (!o.fromZip.empty() && o.reproducible) throw Usage("--reproducible applies to files and folders, not --from-zip");
  if (o.reproducible && o.encrypt) throw Usage("--reproducible cannot be combined with --password");
  if (o.zipCrypto && !o.encrypt) throw Usage("--zipcrypto needs --password");
  if (!o.timestampUrl.empty() && o.signCertificate.empty()) throw Usage("--timestamp needs --sign");
}

}  // namespace

Options ParseOptions(const std::vector<std::string>& arguments) {
  Options o;
  bool optionsEnded = false;
  for (size_t i = 0; i < arguments.size(); i++) {
    const std::string& a = arguments[i];
    if (optionsEnded || a.empty() || a[0] != '-' || a == "-") {
      o.paths.push_back(a);
    } else if (a == "--") {
      optionsEnded = true;
    } else if (a == "-o") {
      o.output = ValueOf(arguments, i);
    } else if (IsLevel(a)) {
      o.level = a[1] - '0';
    } else if (a == "--from-zip") {
      o.fromZip = ValueOf(arguments, i);
    } else if (a == "--stub") {
      o.stub = ValueOf(arguments, i);
    } else if (a == "--64") {
      o.stub64 = true;
    } else if (a == "--password") {
      o.encrypt = o.askPassword = true;
    } else if (a.compare(0, 11, "--password=") == 0) {
      o.encrypt = true;
      o.password = a.substr(11);
    } else if (a == "--zipcrypto") {
      o.zipCrypto = true;
    } else if (a == "--sign") {
      o.signCertificate = ValueOf(arguments, i);
    } else if (a == "--timestamp") {
      o.timestampUrl = ValueOf(arguments, i);
    } else if (a == "--title") {
      o.title = ValueOf(arguments, i);
    } else if (a == "--path") {
      o.presetPath = ValueOf(arguments, i);
    } else if (a == "--reproducible") {
      o.reproducible = true;
    } else if (a == "--allow-case-duplicates") {
      o.allowCaseDuplicates = true;
    } else if (a == "-q" || a == "--quiet") {
      o.quiet = true;
    } else if (a == "-h" || a == "--help") {
      o.help = true;
    } else {
      throw Usage("unknown option " + a);
    }
  }
  CheckCombination(o);
  return o;
}
