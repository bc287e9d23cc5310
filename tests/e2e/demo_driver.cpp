// Drives the demo on a virtual display: two migrations through the real
// window, as a technician would click them, with a screenshot of every step.
// scripts/demo prepares the sandbox and runs this program inside it.
//
//   ferrowin_demo.exe <program> <host folder for the screenshots>
#include <windows.h>

#include <cstdio>
#include <string>

#include "app/control_ids.h"
#include "platform/text.h"
#include "tests/support/app_driver.h"
#include "tests/support/host.h"
#include "tests/support/machine.h"
#include "tests/support/tree.h"

namespace ferrowin::demo {
namespace {

using test::RunningApp;

class Demo {
 public:
  Demo(RunningApp& app, std::string shots) : app_(app), shots_(std::move(shots)) {}

  void Screenshot(const std::string& name) {
    RECT frame;
    GetWindowRect(app_.Window(), &frame);
    std::string file = shots_ + "/" + Pad(++shot_) + "-" + name + ".png";
    std::string geometry = std::to_string(frame.right - frame.left) + "x" + std::to_string(frame.bottom - frame.top) +
                           "+" + std::to_string(frame.left) + "+" + std::to_string(frame.top);
    // Let the window finish painting what it was just asked to show.
    RedrawWindow(app_.Window(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    test::RunOnHost("import -window root -crop " + geometry + " " + test::ShellQuote(file));
    Say("screenshot " + file);
  }

  bool Step(bool done, const std::string& what) {
    if (!done) Say("FAILED: " + what);
    return done;
  }

  static void Say(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
  }

  void PrintLog() {
    Say("--- migration log ---");
    for (const std::string& line : app_.Lines(ids::memoRecovery)) Say("  " + line);
    Say("---------------------");
  }

  bool WaitForReport(size_t reports) {
    return app_.WaitFor([&] {
      size_t found = 0;
      for (const std::string& line : app_.Lines(ids::memoRecovery)) found += StartsWith(line, "Your data has been moved");
      return found >= reports;
    }, 600000);
  }

 private:
  static std::string Pad(int n) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d", n);
    return text;
  }

  RunningApp& app_;
  std::string shots_;
  static inline int shot_ = 0;  // numbered across both runs of the program
};

bool MoveAliceIntoNewAccount(RunningApp& app, Demo& demo) {
  demo.Screenshot("welcome");
  if (!demo.Step(app.Click(ids::cmdNext0), "Next on the Welcome page")) return false;
  app.WaitFor([&] { return app.ActivePageId() == ids::tsProfileList; });
  demo.Screenshot("profile-list");

  Demo::Say("Choosing the source c:\\users\\Alice and a new account \"Bob\" with Give Admin");
  app.Select(ids::lbInfectedUser, "Alice");
  app.WaitFor([&] { return Contains(app.Text(ids::lblFileCount), "("); });
  app.Type(ids::txtNewUser, "Bob");
  app.SetChecked(ids::chkGiveAdmin, true);
  demo.Screenshot("alice-to-new-account-bob");

  app.Click(ids::cmdNext6);
  if (!demo.Step(app.WaitFor([&] { return StartsWith(app.Text(ids::lblMagic2), "NOW You need"); }),
                 "the sign-in instruction")) {
    return false;
  }
  demo.Screenshot("account-created-sign-in-instruction");

  Demo::Say("Simulating the first sign-in of Bob: Windows builds the profile folders of c:\\users\\Bob");
  test::SimulateFirstSignIn("Bob");
  // Windows puts its own shortcut on every new desktop; Alice has one too.
  test::WriteFile("c:\\users\\Bob\\Desktop\\Microsoft Edge.lnk", "Bob's own shortcut");
  if (!demo.Step(demo.WaitForReport(1), "the move of Alice's data")) return false;
  demo.Screenshot("move-done");
  demo.PrintLog();
  return true;
}

bool CopyDanIntoPublic(RunningApp& app, Demo& demo) {
  Demo::Say("Back to the profile list for the copy-mode migration");
  app.Click(ids::cmdBack62);
  app.WaitFor([&] { return app.ActivePageId() == ids::tsProfileList; });
  app.Select(ids::lbInfectedUser, "d:\\users\\Dan");
  app.WaitFor([&] { return Contains(app.Text(ids::lblFileCount), "("); });
  app.Select(ids::lbNewUser, "Public");
  demo.Screenshot("dan-on-drive-d-to-public");

  app.Click(ids::cmdNext6);
  // The camera roll takes long enough to catch the percentage on its way up.
  app.WaitFor([&] {
    const std::string status = app.Text(ids::lblMagic4);
    return (Contains(status, "% Recovering: ") && !StartsWith(status, "0%")) || status == "DONE";
  }, 60000);
  if (Contains(app.Text(ids::lblMagic4), "% Recovering: ")) demo.Screenshot("copying-with-percentage");
  if (!demo.Step(demo.WaitForReport(2), "the copy of Dan's data")) return false;
  demo.Screenshot("copy-done");
  demo.PrintLog();
  return true;
}

bool ShowDosCommandPage(Demo& demo, RunningApp& app) {
  // With /debug the page tabs show; the arrow keys move between them.
  HWND tabs = app.Control(ids::PageControl1);
  for (int i = 0; i < 3; ++i) {
    PostMessageW(tabs, WM_KEYDOWN, VK_RIGHT, 1);
    PostMessageW(tabs, WM_KEYUP, VK_RIGHT, static_cast<LPARAM>(0xC0000001));
  }
  if (!demo.Step(app.WaitFor([&] { return app.ActivePageId() == ids::tsDosCommand; }), "the Dos Command page")) {
    return false;
  }
  app.Type(ids::txtDosCommand, "net users");
  app.PressEnterIn(ids::txtDosCommand);
  app.WaitFor([&] { return app.Text(ids::memoDosOutput) != "memoDosOutput" && !Contains(app.Text(ids::memoDosOutput), "vorl-result"); });
  demo.Screenshot("dos-command-page");
  return true;
}

}  // namespace
}  // namespace ferrowin::demo

int wmain(int argc, wchar_t** argv) {
  using namespace ferrowin;
  if (argc < 3) {
    std::fprintf(stderr, "usage: ferrowin_demo <program> <host folder for screenshots>\n");
    return 2;
  }
  const std::string program = Narrow(argv[1]);
  const std::string shots = Narrow(argv[2]);

  bool ok = true;
  {
    test::RunningApp app(test::Launch{.program = program});
    demo::Demo demo(app, shots);
    ok = app.Started() && demo::MoveAliceIntoNewAccount(app, demo) && demo::CopyDanIntoPublic(app, demo);
    app.CloseWindow();
    app.WaitForExit();
  }
  if (ok) {
    demo::Demo::Say("Starting the program again with /debug for its Dos Command page");
    test::RunningApp app(test::Launch{.program = program, .arguments = "/debug"});
    demo::Demo demo(app, shots);
    ok = app.Started() && demo::ShowDosCommandPage(demo, app);
    app.CloseWindow();
    app.WaitForExit();
  }
  return ok ? 0 : 1;
}
