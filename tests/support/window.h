// The real main window, created inside a test, and ways to work it as a user
// would: by its controls, through window messages.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/Unit2.h"
#include "platform/application.h"

namespace ferrowin::test {

// Environment answers for a machine that passes both start-up checks.
EnvironmentProbe PassingEnvironment();

class WindowTest : public ::testing::Test {
 protected:
  // Options for a window that passes its start-up checks, looks for no
  // update, and records its message boxes in `messages` instead of showing them.
  FormOptions Options();

  // Creates, runs FormCreate on, and shows the window.
  TfrmMain& CreateForm(FormOptions options);
  TfrmMain& CreateForm() { return CreateForm(Options()); }
  // Only loads the layout: the window as it is before FormCreate runs.
  TfrmMain& LoadForm();

  // Lets the window handle its messages until `done` holds; false when it
  // did not hold within the time.
  bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 10000);

  void TearDown() override;

  Application app;
  std::vector<std::string> messages;
  std::unique_ptr<TfrmMain> mainForm;
};

// A click as the user makes it: only on a control that is shown and enabled.
// True when the click was delivered.
bool Click(Control& control);

// The same click, queued: it happens when the window next handles its messages.
void PostClick(Control& control);

// Selects an item of a list as a click on it does (LBN_SELCHANGE).
void Select(ListBox& list, int index);

// Sends a key press to the focused control through the message loop.
void PressKey(Application& app, WORD virtualKey, bool shift = false);

}  // namespace ferrowin::test
