// Runs a console command without a console of our own: a two-line batch file
// in the temporary folder runs the command with its standard output sent to
// a result file, then deletes itself; we wait for it to be gone. The batch
// runs in the system folder.
#pragma once

#include <windows.h>

#include <stdexcept>
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
  virtual void ShowMessage(const std::string& text) = 0;
  // The window that owns the started process.
  virtual HWND Owner() const = 0;
};

struct CommandRunnerSettings {
  int pollLimit = 600;        // checks of the batch file, one per interval
  int pollIntervalMs = 100;
};

// The command ran, but its output could not be read back. It ends the
// handler that ran the command; the window shows the message.
class CommandOutputUnreadable : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The code page in which the command interpreter reads a batch file and the
// console tools write their redirected output: the system's OEM page. Not
// GetOEMCP(): our manifest makes that UTF-8 for this process alone.
UINT ConsoleCodePage();
// False for a text with characters that page lacks (they would arrive as others).
bool ConsoleCodePageHolds(const std::string& text);

// Runs one command line. True when the batch file was gone within the poll
// limit (the command finished) and its output is in the view; false after a
// time-out, or when the batch file could not be written, with the message box
// "dos command failed?" shown. Sets the two paths on every run. Throws
// CommandOutputUnreadable when the result file cannot be read.
bool RunConsoleCommand(const std::string& command, ConsoleView& view, std::string& batchFilePath,
                       std::string& resultFilePath, const CommandRunnerSettings& settings = {});

}  // namespace ferrowin
