// The program's silent run (/S): no window at all, every entry extracted with its stored path,
// and the run's account kept as lines for its log (/L) rather than shown. What unsfx decides and
// prints for a run, this run decides and logs the same way.
#pragma once

#include <string>
#include <vector>

#include "extract/recording_view.h"
#include "extract/switches.h"
#include "platform/platform.h"

// The scan's view in a silent run. Every password question is answered with /P (or nothing),
// an existing file is overwritten or left as /O or /N say and, with neither, fails its entry,
// and every message the dialog would show becomes a line: nobody is there to click it away.
class SilentView : public RecordingView {
 public:
  SilentView(const Switches& switches, std::vector<std::string>& lines);

  bool StoredPathsChecked() override { return true; }
  void UncheckAndDisableStoredPaths() override {}
  void SetStatus(const std::string&) override {}
  void SetProgress(const std::string&) override {}
  void ShowMessage(const std::string& text, const std::string& caption) override;
  void AskPassword() override;
  void AskOverwrite() override;
  void DispatchOneMessage() override {}

 private:
  const Switches& switches_;
  std::vector<std::string>& lines_;
};

// Lists the open archive and extracts every entry below folder (the current one when empty),
// as the switches say. Appends the run's lines: each message as it came, then one line per
// entry in list order and, when the password was refused, a line that says so. The verdict
// line is left to the caller, which may yet fail to write the log.
ExitCode ExtractUnattended(const Switches& switches, const std::string& folder, std::vector<std::string>& lines);

// A silent run from start to end. The log is made first: one that cannot be made ends the run
// with code 2 before anything is extracted. Then the lines start-up had to say (a switch
// refused, the program's file not opened, the preset folder not expanded); the extraction, when
// start-up found nothing that ends the run (its code ExitAllFine); the verdict; and the log
// takes them all. A log that cannot be written at the end turns a run that was fine into code 2.
ExitCode RunSilently(const Switches& switches, const std::string& folder, std::vector<std::string> lines,
                     ExitCode startUp);

// The log of a silent run. It is made at the start, under a temporary name beside its place, so
// that a log that cannot be made stops the run before anything is extracted; at the end it takes
// its lines, in UTF-8, and then its name, replacing a file of that name.
class LogFile {
 public:
  ~LogFile();
  bool Open(const std::string& path);
  bool Finish(const std::vector<std::string>& lines);

 private:
  std::string path_;
  std::string temporary_;
  platform::FileHandle file_ = platform::InvalidFile;
};
