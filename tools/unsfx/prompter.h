// Where the console view gets its answers: the user at a terminal, or a fixed script in the
// tests and the fuzzer.
#pragma once

#include <optional>
#include <string>

class Prompter {
 public:
  virtual ~Prompter() = default;
  // False when nobody can answer (input is not a terminal): questions then take their default.
  virtual bool Interactive() = 0;
  // Shows the prompt and reads one line without its line end; echo off for passwords. Nothing
  // when the input has ended.
  virtual std::optional<std::string> ReadLine(const std::string& prompt, bool echo) = 0;
  // True when the messages go to a terminal, where a line can be rewritten in place.
  virtual bool MessagesOnTerminal() { return false; }
};

// The process's own console or terminal: prompts on stderr, answers from stdin.
class TerminalPrompter : public Prompter {
 public:
  bool Interactive() override;
  std::optional<std::string> ReadLine(const std::string& prompt, bool echo) override;
  bool MessagesOnTerminal() override;
};
