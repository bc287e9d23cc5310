#include "tests/support/window.h"

#include <windows.h>

namespace ferrowin::test {

EnvironmentProbe PassingEnvironment() {
  return {.readWindowsVersion = [] { return std::optional<std::uint32_t>(6); },
          .probeAdminRights = [] { return true; }};
}

FormOptions WindowTest::Options() {
  FormOptions options;
  options.environment = PassingEnvironment();
  options.showMessage = [this](const std::string& text) { messages.push_back(text); };
  return options;
}

TfrmMain& WindowTest::CreateForm(FormOptions options) {
  mainForm = std::make_unique<TfrmMain>(app, std::move(options));
  mainForm->Create();
  mainForm->Show();
  app.ProcessMessages();
  return *mainForm;
}

TfrmMain& WindowTest::LoadForm() {
  mainForm = std::make_unique<TfrmMain>(app, Options());
  mainForm->Load();
  mainForm->Show();
  app.ProcessMessages();
  return *mainForm;
}

bool WindowTest::PumpUntil(const std::function<bool()>& done, int timeoutMs) {
  DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > static_cast<DWORD>(timeoutMs)) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    app.ProcessMessages();
  }
  return true;
}

void WindowTest::TearDown() { mainForm.reset(); }

bool Click(Control& control) {
  if (!IsWindowVisible(control.Handle()) || !IsWindowEnabled(control.Handle())) return false;
  SendMessageW(GetParent(control.Handle()), WM_COMMAND, MAKEWPARAM(control.Id(), BN_CLICKED),
               reinterpret_cast<LPARAM>(control.Handle()));
  return true;
}

void PostClick(Control& control) {
  PostMessageW(GetParent(control.Handle()), WM_COMMAND, MAKEWPARAM(control.Id(), BN_CLICKED),
               reinterpret_cast<LPARAM>(control.Handle()));
}

void Select(ListBox& list, int index) {
  list.SetItemIndex(index);
  SendMessageW(GetParent(list.Handle()), WM_COMMAND, MAKEWPARAM(list.Id(), LBN_SELCHANGE),
               reinterpret_cast<LPARAM>(list.Handle()));
}

void PressKey(Application& app, WORD virtualKey, bool shift) {
  HWND focus = GetFocus();
  if (shift) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_SHIFT] = 0x80;
    SetKeyboardState(keys);
  }
  PostMessageW(focus, WM_KEYDOWN, virtualKey, 1);
  PostMessageW(focus, WM_KEYUP, virtualKey, static_cast<LPARAM>(0xC0000001));
  app.ProcessMessages();
  if (shift) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
  }
}

}  // namespace ferrowin::test
