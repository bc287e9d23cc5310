// The real window in a benchmark, past its Welcome page as a user has it.
#pragma once

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/Unit2.h"
#include "platform/application.h"
#include "tests/support/window.h"

namespace ferrowin::bench {

class OpenWizard {
 public:
  OpenWizard() : form(app, Options()) {
    form.Create();
    form.Show();
    app.ProcessMessages();
    test::Click(form.cmdNext0);
  }

  // Clicks an item of a list, as the user picks a source or a destination.
  void Choose(ListBox& list, const std::string& item) {
    std::vector<std::string> items = list.Items();
    test::Select(list, static_cast<int>(std::find(items.begin(), items.end(), item) - items.begin()));
  }

  // Lets the window run until the file count of the chosen source has ended.
  void WaitForTheCount() {
    while (form.counterBusy) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
      app.ProcessMessages();
    }
  }

  Application app;
  TfrmMain form;

 private:
  static FormOptions Options() {
    FormOptions options;
    options.environment = test::PassingEnvironment();
    return options;
  }
};

}  // namespace ferrowin::bench
