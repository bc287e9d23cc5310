#include "platform/application.h"

namespace ferrowin {

void Application::Dispatch(MSG& message) {
  if (mainWindow_ && IsDialogMessageW(mainWindow_, &message)) return;
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

void Application::Run() {
  MSG message;
  while (!terminated_) {
    BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0 || got == -1) {
      terminated_ = true;
      break;
    }
    Dispatch(message);
  }
}

void Application::ProcessMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      terminated_ = true;
      continue;
    }
    Dispatch(message);
  }
}

void Application::Terminate() {
  terminated_ = true;
  PostQuitMessage(0);
}

}  // namespace ferrowin
