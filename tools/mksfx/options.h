// The command line of mksfx.
#pragma once

#include <string>
#include <vector>

struct Options {
  std::string output;
  std::vector<std::string> paths;
  std::string fromZip;
  std::string stub;
  bool stub64 = false;  // --64: the 64-bit stub instead of the 32-bit one
  int level = 6;
  bool encrypt = false;
  bool askPassword = false;  // --password without "=": read it from the terminal
  std::string password;
  bool zipCrypto = false;  // --zipcrypto: the traditional encryption instead of AES-256
  std::string signCertificate;  // --sign FILE.p12: sign the finished exe
  std::string timestampUrl;     // --timestamp URL: the signature's timestamping server
  std::string title;            // --title TEXT: the stub's caption
  std::string presetPath;       // --path TEXT: the folder the stub offers, %NAME% unexpanded
  bool quiet = false;
  bool reproducible = false;
  bool allowCaseDuplicates = false;
  bool help = false;
};

// Throws MksfxError(ExitUsage) on a command line that does not make sense.
Options ParseOptions(const std::vector<std::string>& arguments);
extern const char* const HelpText;
