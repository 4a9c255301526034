// The scan's view on a console: the status line and the messages go to an error stream, and the
// two questions go to a Prompter. The list, and what the run reported, from which the exit code
// is decided, are kept as in every view without a window.
#pragma once

#include <optional>
#include <ostream>
#include <string>

#include "extract/recording_view.h"
#include "tools/unsfx/prompter.h"

struct ViewSettings {
  bool storedPaths = true;
  bool quiet = false;                   // no status lines
  std::optional<std::string> password;  // answers every password question when given
};

class ConsoleView : public RecordingView {
 public:
  ConsoleView(const ViewSettings& settings, Prompter& prompter, std::ostream& messages);

  bool StoredPathsChecked() override;
  void UncheckAndDisableStoredPaths() override;

  void SetStatus(const std::string& text) override;
  void SetProgress(const std::string& text) override;
  void ShowMessage(const std::string& text, const std::string& caption) override;

  void AskPassword() override;
  void AskOverwrite() override;
  void DispatchOneMessage() override;

 private:
  void EndProgressLine();

  ViewSettings settings_;
  Prompter& prompter_;
  std::ostream& messages_;
  bool progressShown_ = false;  // the last line is a progress line, without its line end
};
