// A Prompter that answers from a fixed list and records the questions it was asked.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "tools/unsfx/prompter.h"

class ScriptedPrompter : public Prompter {
 public:
  ScriptedPrompter(bool interactive, std::deque<std::string> answers)
      : interactive_(interactive), answers_(std::move(answers)) {}

  bool Interactive() override { return interactive_; }
  bool MessagesOnTerminal() override { return messagesOnTerminal; }
  std::optional<std::string> ReadLine(const std::string& prompt, bool echo) override {
    prompts.push_back(prompt);
    echoes.push_back(echo);
    if (answers_.empty()) return std::nullopt;
    std::string answer = answers_.front();
    answers_.pop_front();
    return answer;
  }

  std::vector<std::string> prompts;
  std::vector<bool> echoes;
  bool messagesOnTerminal = false;

 private:
  bool interactive_;
  std::deque<std::string> answers_;
};
