// Entry: create the window, run the message loop until the application ends.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <exception>

#include "app/Unit2.h"
#include "app/version.h"
#include "platform/application.h"
#include "platform/text.h"

namespace {

std::string FirstArgument() {
  int count = 0;
  LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  std::string first = (arguments && count > 1) ? ferrowin::Narrow(arguments[1]) : std::string();
  LocalFree(arguments);
  return first;
}

// A window without some of its controls would mislead the technician: the
// program says why it cannot start instead.
void ReportStartFailure(const char* reason) {
  std::wstring text = L"Ferrowin could not start.\n\n" + ferrowin::Widen(reason);
  MessageBoxW(nullptr, text.c_str(), L"Ferrowin", MB_OK | MB_ICONERROR);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // An empty card reader or optical drive must fail a lookup quietly, not
  // stop the program with a system "no disk" box.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);

  ferrowin::Application application;
  ferrowin::FormOptions options;
  options.firstArgument = FirstArgument();
  options.versionFileUrl = ferrowin::kVersionFileUrl;
  ferrowin::TfrmMain frmMain(application, std::move(options));
  try {
    frmMain.Create();
  } catch (const std::exception& error) {
    ReportStartFailure(error.what());
    return 1;
  }
  frmMain.Show();
  application.Run();
  return 0;
}
