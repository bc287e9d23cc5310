// The message loop of the one window, and the pumping that long-running
// handlers use to keep that window alive.
#pragma once

#include <windows.h>

namespace ferrowin {

class Application {
 public:
  // Keyboard navigation (Tab, Enter for the default button) is run for this window.
  void SetMainWindow(HWND window) { mainWindow_ = window; }

  // Handles messages until Terminate has been called and control is back here.
  void Run();

  // Dispatches every pending message and returns. A request to end the
  // application is remembered, not acted upon: the caller goes on.
  void ProcessMessages();

  // Asks the application to end once control is back in Run.
  void Terminate();
  bool Terminated() const { return terminated_; }

 private:
  void Dispatch(MSG& message);

  HWND mainWindow_ = nullptr;
  bool terminated_ = false;
};

}  // namespace ferrowin
