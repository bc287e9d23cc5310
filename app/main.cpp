// Entry: a migration asked for on the command line runs without a window;
// otherwise create the window and run the message loop until the
// application ends.
#include <windows.h>
#include <commctrl.h>

#include <exception>

#include "app/Unit2.h"
#include "app/command_line.h"
#include "app/command_line_migration.h"
#include "app/version.h"
#include "platform/application.h"
#include "platform/text.h"

namespace {

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
  const ferrowin::CommandLine commandLine = ferrowin::ParseCommandLine(ferrowin::ProgramArguments());
  if (commandLine.mode != ferrowin::CommandLine::Mode::Window) return ferrowin::RunFromCommandLine(commandLine);

  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  ferrowin::Application application;
  ferrowin::FormOptions options;
  options.firstArgument = commandLine.firstArgument;
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
