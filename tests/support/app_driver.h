// ferrowin.exe started as a user starts it, and worked from this separate
// process through its controls, found by their ids.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/handles.h"

namespace ferrowin::test {

// The ferrowin.exe that was built with the tests.
std::string BuiltProgramPath();

// A copy of it in a folder on C:, where a technician would run it from.
std::string InstalledProgram();

struct Launch {
  std::string program = InstalledProgram();
  std::string arguments;
};

// ferrowin.exe run to its end from the command line, as a deployment tool
// runs it: its exit code, what it wrote to the standard output it was given,
// and whether it ever showed a window.
struct FinishedRun {
  DWORD exitCode = STILL_ACTIVE;
  std::string output;
  bool showedAWindow = false;
};
// Empty when it did not end within the time (it is then ended).
std::optional<FinishedRun> RunToEnd(const Launch& launch, int timeoutMs = 60000);

class RunningApp {
 public:
  explicit RunningApp(const Launch& launch);
  ~RunningApp();
  RunningApp(const RunningApp&) = delete;
  RunningApp& operator=(const RunningApp&) = delete;

  // True once the main window is up.
  bool Started() const { return window_ != nullptr; }
  HWND Window() const { return window_; }
  HWND Control(int id) const;

  std::string Caption() const;
  std::string Text(int id) const;
  std::vector<std::string> Items(int listId) const;
  std::vector<std::string> Lines(int memoId) const;
  bool Visible(int id) const;
  bool Enabled(int id) const;
  bool Checked(int id) const;
  // Whether the control shows a pixel of this colour (its text, for a label).
  bool ShowsColor(int id, COLORREF color) const;
  int TabCount() const;
  int ActivePageId() const;

  // What a user can do: each refuses (false) a control the user could not
  // reach, one that is hidden or disabled.
  bool Click(int id);
  bool Select(int listId, const std::string& item);
  bool Type(int editId, const std::string& text);
  bool SetChecked(int checkBoxId, bool checked);
  bool PressEnterIn(int controlId);
  void CloseWindow();
  // Ends the program at once, as a crash or the task manager would.
  void Kill();
  // How long the window takes to answer a message, in ms; `limit` when it
  // did not answer within it.
  DWORD AnswerTime(DWORD limit) const;

  // The program's message box, once one is up: its text; then its OK.
  std::optional<std::string> WaitForMessageBox(int timeoutMs = 20000) const;
  bool DismissMessageBox();

  // Waits for a condition in small steps, at most the given time.
  bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 20000) const;
  bool WaitForText(int id, const std::string& text, int timeoutMs = 20000) const;
  bool WaitForExit(int timeoutMs = 20000);

 private:
  HWND FindMessageBox() const;
  bool Reachable(HWND control) const;

  ScopedProcessInformation process_;
  HWND window_ = nullptr;
};

}  // namespace ferrowin::test
