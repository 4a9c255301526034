#include "tools/unsfx/options.h"

#include <vector>

#include "extract/format.h"
#include "platform/utf8.h"

const char* UsageText() {
  return "usage: unsfx list FILE [-j]\n"
         "       unsfx test FILE [-j] [-P PASSWORD] [-q]\n"
         "       unsfx extract FILE [-d DIR] [-j] [--overwrite|--skip|--ask] [-P PASSWORD] [-q]\n"
         "\n"
         "FILE is a self-extracting program or a plain ZIP archive.\n"
         "  list              print the entry names, one per line, in archive order\n"
         "  test              decode every entry and check its CRC-32 and size; nothing is written\n"
         "  extract           write every entry below DIR (default: the current folder)\n"
         "  -d, --directory DIR   the folder to extract into\n"
         "  -j, --junk-paths      use only the file name of each entry, not its stored folders\n"
         "  -o, --overwrite       overwrite existing files without asking\n"
         "  -n, --skip            leave existing files alone\n"
         "      --ask             ask before overwriting (the default; without a terminal: skip)\n"
         "  -P, --password PW     password for encrypted entries (at most 79 characters);\n"
         "                        without it, it is asked for on the terminal\n"
         "  -q, --quiet           no progress lines\n"
         "  -h, --help            this text\n"
         "\n"
         "Messages go to stderr. Entries that failed are listed as \"failed: NAME\".\n"
         "Exit codes: 0 all entries fine; 1 some entry failed (CRC or size error, could not\n"
         "be written, unsafe name, unsupported method or encryption); 2 usage error,\n"
         "unreadable file or no archive; 3 wrong or missing password.\n";
}

static std::optional<Command> CommandNamed(const std::string& word) {
  if (word == "list") return Command::List;
  if (word == "test") return Command::Test;
  if (word == "extract") return Command::Extract;
  return std::nullopt;
}

namespace {

// Walks the words behind the command, one option or file name at a time.
class OptionReader {
 public:
  explicit OptionReader(std::vector<std::string> words) : words_(std::move(words)) {}

  std::string Read(Options& options) {
    while (next_ < words_.size()) {
      std::string error = ReadOne(options, words_[next_++]);
      if (!error.empty()) return error;
    }
    if (options.archive.empty()) return "no archive file given";
    return {};
  }

 private:
  std::string ReadOne(Options& options, const std::string& word) {
    bool extracting = options.command == Command::Extract;
    bool decoding = options.command != Command::List;
    if (word == "-j" || word == "--junk-paths") {
      options.storedPaths = false;
    } else if (extracting && (word == "-o" || word == "--overwrite")) {
      options.policy = PolicyOverwrite;
    } else if (extracting && (word == "-n" || word == "--skip")) {
      options.policy = PolicySkip;
    } else if (extracting && word == "--ask") {
      options.policy = PolicyConfirm;
    } else if (decoding && (word == "-q" || word == "--quiet")) {
      options.quiet = true;
    } else if (extracting && (word == "-d" || word == "--directory")) {
      if (!Value(options.directory)) return word + " needs a folder";
      if (options.directory.empty()) return "the folder must not be empty";
      if (Utf16Length(options.directory) > ExtractPathCharacters)
        return "the folder path is longer than " + std::to_string(ExtractPathCharacters) + " characters";
    } else if (decoding && (word == "-P" || word == "--password")) {
      std::string password;
      if (!Value(password)) return word + " needs a password";
      if (Utf16Length(password) > PasswordCharacters)
        return "the password is longer than " + std::to_string(PasswordCharacters) + " characters";
      options.password = password;
    } else if (!word.empty() && word[0] == '-') {
      return "unknown option " + word;
    } else if (options.archive.empty()) {
      options.archive = word;
    } else {
      return "more than one archive file given";
    }
    return {};
  }

  bool Value(std::string& value) {
    if (next_ >= words_.size()) return false;
    value = words_[next_++];
    return true;
  }

  std::vector<std::string> words_;
  size_t next_ = 0;
};

}  // namespace

ParsedCommandLine ParseCommandLine(std::vector<std::string> words) {
  ParsedCommandLine parsed;
  if (words.empty()) {
    parsed.error = "no command given";
    return parsed;
  }
  if (words[0] == "-h" || words[0] == "--help") return parsed;
  std::optional<Command> command = CommandNamed(words[0]);
  if (!command) {
    parsed.error = "unknown command " + words[0];
    return parsed;
  }
  parsed.options.command = *command;
  words.erase(words.begin());
  for (const std::string& word : words)
    if (word == "-h" || word == "--help") {
      parsed.options.command = Command::Help;
      return parsed;
    }
  parsed.error = OptionReader(words).Read(parsed.options);
  return parsed;
}
