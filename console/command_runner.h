// Runs a console command without a console of our own: a two-line batch file
// in the temporary folder runs the command with its standard output sent to
// a result file, then deletes itself; we wait for it to be gone. The batch
// runs in the system folder.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace ferrowin {

// What the runner needs of the window.
class ConsoleView {
 public:
  virtual ~ConsoleView() = default;
  // Replaces the whole text of the output memo (memoDosOutput).
  virtual void SetOutputText(const std::string& text) = 0;
  // The output memo's display lines: a line wider than the memo counts as
  // the two or more lines it wraps into.
  virtual std::vector<std::string> OutputLines() const = 0;
};

struct CommandRunnerSettings {
  int pollLimit = 600;        // checks of the batch file, one per interval
  int pollIntervalMs = 100;
  HWND owner = nullptr;       // the window that owns the started process
};

// The two files of a run, in the temporary folder.
struct CommandFiles {
  std::string batchFilePath;
  std::string resultFilePath;
};

// What a run came to.
struct CommandRun {
  enum class Outcome {
    Finished,        // the batch is gone and the command's output is in the view
    NotFinished,     // the batch could not be written, or was still there at the end of the wait
    OutputUnreadable,  // the command ran, but its output could not be read back
  };
  Outcome outcome = Outcome::Finished;
  // What the user is told when it did not finish.
  std::string failure;
  CommandFiles files;

  bool Finished() const { return outcome == Outcome::Finished; }
};

// The code page in which the command interpreter reads a batch file and the
// console tools write their redirected output: the system's OEM page. Not
// GetOEMCP(): our manifest makes that UTF-8 for this process alone.
UINT ConsoleCodePage();
// False for a text with characters that page lacks (they would arrive as others).
bool ConsoleCodePageHolds(const std::string& text);

// Runs one command line. It has finished when the batch file was gone within
// the poll limit and its output could be read into the view. Otherwise the
// failure says what to tell the user: "dos command failed?" after a time-out
// or when the batch file could not be written, the result file's name when
// it could not be read. Names the two files on every run.
CommandRun RunConsoleCommand(const std::string& command, ConsoleView& view, const CommandRunnerSettings& settings = {});

}  // namespace ferrowin
