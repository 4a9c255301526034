// Authenticode signing of the finished exe by osslsigncode. A signature covers the whole file
// up to itself and is appended at its end, so it is made last, on the complete exe.
#pragma once

#include <string>

struct Options;

struct Signer {
  std::string tool;         // osslsigncode's path
  std::string certificate;  // the PKCS#12 file: certificate chain and private key
  std::string password;     // its password, handed to the tool on a pipe
  std::string timestampUrl;
};

// The environment variable that holds the certificate's password.
constexpr const char* SignPasswordVariable = "MKSFX_SIGN_PASSWORD";

// Everything signing needs, found out before any work is done: the tool, a readable
// certificate and its password (from SignPasswordVariable, else asked on the terminal).
Signer PrepareSigner(const Options& o);
// Writes a signed copy of `from` to `to`; throws Fatal, with osslsigncode's words on stderr,
// when it fails.
void Sign(const Signer& signer, const std::string& from, const std::string& to);
