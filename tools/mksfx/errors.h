// How mksfx ends: exit codes in the manner of other archivers, and the error that carries one.
#pragma once

#include <stdexcept>
#include <string>

enum ExitCode : int {
  ExitOk = 0,
  ExitWarning = 1,  // written, but some inputs were skipped (each one named on stderr)
  ExitFatal = 2,    // refused or failed: bad input, bad stub, I/O error; nothing written
  ExitUsage = 7,    // the command line is wrong
};

// Thrown where mksfx must stop; main prints the message and exits with the code.
class MksfxError : public std::runtime_error {
 public:
  MksfxError(ExitCode code, const std::string& message) : std::runtime_error(message), code_(code) {}
  ExitCode code() const { return code_; }

 private:
  ExitCode code_;
};

inline MksfxError Fatal(const std::string& message) { return MksfxError(ExitFatal, message); }
