#include "tools/mksfx/signing.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "tools/mksfx/errors.h"
#include "tools/mksfx/host.h"
#include "tools/mksfx/options.h"

namespace {
constexpr const char* SigningTool = "osslsigncode";

std::string PasswordFor(const std::string& certificate) {
  if (const char* given = std::getenv(SignPasswordVariable)) return given;
  std::string password;
  if (!host::ReadHiddenLine("Password of " + certificate + ": ", password))
    throw MksfxError(ExitUsage, std::string("no terminal to ask for the certificate's password on; set ") +
                                    SignPasswordVariable);
  return password;
}
}  // namespace

Signer PrepareSigner(const Options& o) {
  Signer signer;
  if (!host::RunsTools)
    throw MksfxError(ExitUsage, "this build of mksfx cannot sign; sign the finished exe with osslsigncode or "
                                "signtool, or make it with the Linux build of mksfx");
  signer.tool = host::FindOnPath(SigningTool);
  if (signer.tool.empty())
    throw Fatal(std::string("--sign needs ") + SigningTool + " on PATH (Debian package " + SigningTool + ")");
  FILE* certificate = std::fopen(o.signCertificate.c_str(), "rb");
  if (!certificate) throw Fatal(o.signCertificate + ": cannot read the certificate");
  std::fclose(certificate);
  signer.certificate = o.signCertificate;
  signer.timestampUrl = o.timestampUrl;
  signer.password = PasswordFor(o.signCertificate);
  return signer;
}

void Sign(const Signer& signer, const std::string& from, const std::string& to) {
  // The password goes on a pipe, so it is in no process list and in no file. osslsigncode 2.5
  // (Debian 12's own) takes -readpass only as a file name, 2.9 also "-" for standard input;
  // /dev/stdin serves both.
  std::vector<std::string> arguments = {signer.tool, "sign", "-pkcs12", signer.certificate, "-readpass", "/dev/stdin",
                                        "-h", "sha256"};
  if (!signer.timestampUrl.empty()) arguments.insert(arguments.end(), {"-ts", signer.timestampUrl});
  arguments.insert(arguments.end(), {"-in", from, "-out", to});
  int code = host::RunTool(arguments, signer.password);
  if (code == 0) return;
  if (code < 0) throw Fatal("cannot run " + signer.tool + "; nothing written");
  throw Fatal("signing failed (" + std::string(SigningTool) + " exit code " + std::to_string(code) +
              "; a wrong password, a file that is not a PKCS#12 certificate with its key, or an unreachable "
              "timestamp server); nothing written");
}
