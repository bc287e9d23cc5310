// The control toolkit on a small form of the test's own: the barrier of its
// window procedures, which notification is a click, where the focus goes
// from a control being disabled, and windows that cannot be made.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/application.h"
#include "platform/controls.h"
#include "platform/form.h"
#include "platform/handles.h"
#include "platform/text.h"

namespace ferrowin {
namespace {

// A label whose colours are whatever the test makes them.
class TestLabel : public Label {
 public:
  using Label::Label;
  HBRUSH Colors(HDC dc) override {
    if (onColors) onColors();
    return Label::Colors(dc);
  }
  std::function<void()> onColors;
};

// One page: three buttons in tab order, a check box, a list and a hidden
// label. Message boxes are recorded, not shown.
class TestForm : public Form {
 public:
  explicit TestForm(Application& app) : Form(app) {
    CreateFrame(L"FerrowinToolkitTest", 400, 300);
    page.Create(TabSheet::WindowClass(),
                {.parent = Handle(), .width = 380, .height = 260, .style = WS_VISIBLE, .exStyle = WS_EX_CONTROLPARENT});
    int top = 0;
    for (Button* button : {&first, &second, &third}) Add(*button, WC_BUTTONW, top += 30, WS_TABSTOP);
    Add(check, WC_BUTTONW, top += 30, BS_AUTOCHECKBOX);
    Add(list, WC_LISTBOXW, top += 30, LBS_NOTIFY);
    label.Create(WC_STATICW, {.parent = page.Handle(), .width = 80, .height = 20});
  }

  void ShowMessage(const std::string& text) override { messages.push_back(text); }

  // What the form's own handlers (OnNotify, OnAppMessage) do.
  std::function<void()> onEvent;
  std::vector<std::string> messages;

  TabSheet page{*this, 10, "page"};
  Button first{*this, 11, "first"};
  Button second{*this, 12, "second"};
  Button third{*this, 13, "third"};
  CheckBox check{*this, 14, "check"};
  ListBox list{*this, 15, "list"};
  TestLabel label{*this, 16, "label"};

 protected:
  void OnResize(int, int) override {}
  void OnNotify(const NMHDR&) override {
    if (onEvent) onEvent();
  }
  bool OnAppMessage(UINT, WPARAM, LPARAM) override {
    if (onEvent) onEvent();
    return true;
  }

 private:
  void Add(Control& control, const wchar_t* windowClass, int top, DWORD style) {
    control.Create(windowClass, {.parent = page.Handle(), .top = top, .width = 80, .height = 25,
                                 .style = WS_VISIBLE | style});
  }
};

void SendCommand(const Control& control, int code) {
  SendMessageW(GetParent(control.Handle()), WM_COMMAND, MAKEWPARAM(control.Id(), code),
               reinterpret_cast<LPARAM>(control.Handle()));
}

TEST(ToolkitBarrier, AnErrorInAHandlerIsShownAndEndsOnlyThatHandler) {
  Application app;
  TestForm form(app);
  form.BindClick(form.first.Id(), [](EventSource*) { throw std::runtime_error("click failed"); });
  form.onEvent = [] { throw std::runtime_error("form handler failed"); };
  form.label.onColors = [] { throw std::runtime_error("colours failed"); };

  // Through the form's procedure.
  SendMessageW(form.Handle(), WM_APP, 0, 0);
  // Through the page's procedure: events it forwards, and a control's own colours.
  SendCommand(form.first, BN_CLICKED);
  NMHDR notification{form.first.Handle(), static_cast<UINT_PTR>(form.first.Id()), NM_CLICK};
  SendMessageW(form.page.Handle(), WM_NOTIFY, form.first.Id(), reinterpret_cast<LPARAM>(&notification));
  ScopedWindowDc dc(form.label.Handle());
  SendMessageW(form.page.Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.Get()),
               reinterpret_cast<LPARAM>(form.label.Handle()));
  // Whatever is thrown.
  form.onEvent = [] { throw 42; };
  SendMessageW(form.Handle(), WM_APP, 0, 0);

  EXPECT_EQ(form.messages, (std::vector<std::string>{"form handler failed", "click failed", "form handler failed",
                                                     "colours failed", "An unexpected error ended this action."}));
}

TEST(ToolkitClicks, EachKindOfControlSaysWhichNotificationIsItsClick) {
  Application app;
  TestForm form(app);
  std::vector<std::string> clicked;
  for (Control* control : std::initializer_list<Control*>{&form.first, &form.check, &form.list}) {
    form.BindClick(control->Id(), [&clicked, control](EventSource* sender) {
      EXPECT_EQ(sender, control);
      clicked.push_back(control->Name());
    });
  }
  SendCommand(form.first, BN_CLICKED);
  SendCommand(form.first, BN_DOUBLECLICKED);
  SendCommand(form.check, BN_CLICKED);
  SendCommand(form.list, LBN_SELCHANGE);
  SendCommand(form.list, LBN_DBLCLK);
  SendCommand(form.list, BN_CLICKED);  // 0, as no list box notification is
  EXPECT_EQ(clicked, (std::vector<std::string>{"first", "check", "list"}));
}

TEST(ToolkitFocus, DisablingTheFocusedControlHandsTheFocusOnInTabOrder) {
  Application app;
  TestForm form(app);
  ShowWindow(form.Handle(), SW_SHOW);
  SetForegroundWindow(form.Handle());
  form.second.SetEnabled(false);
  SetFocus(form.first.Handle());
  ASSERT_EQ(GetFocus(), form.first.Handle());

  form.first.SetEnabled(false);
  EXPECT_EQ(GetFocus(), form.third.Handle());  // past the disabled one
  form.check.SetEnabled(false);
  EXPECT_EQ(GetFocus(), form.third.Handle());  // disabling another control leaves it
  // With no control left to take it, the window keeps it.
  form.third.SetEnabled(false);
  EXPECT_EQ(GetFocus(), form.Handle());
}

TEST(ToolkitCreation, WindowsAndClassesThatCannotBeMadeAreClearErrors) {
  Application app;
  TestForm form(app);
  Button orphan{form, 20, "orphan"};
  try {
    orphan.Create(L"FerrowinNoSuchClass", {.parent = form.page.Handle()});
    ADD_FAILURE() << "a control of a class nobody registered was made";
  } catch (const WindowCreationError& error) {
    // Windows says it cannot find the class, Wine that the class does not exist.
    const std::string what = error.what();
    const std::string prefix = "Could not create the control orphan: ";
    EXPECT_TRUE(what == prefix + SystemErrorText(ERROR_CANNOT_FIND_WND_CLASS) ||
                what == prefix + SystemErrorText(ERROR_CLASS_DOES_NOT_EXIST))
        << what;
  }
  EXPECT_EQ(orphan.Handle(), nullptr);

  WNDCLASSEXW malformed{};  // no cbSize
  malformed.lpfnWndProc = DefWindowProcW;
  malformed.lpszClassName = L"FerrowinMalformed";
  EXPECT_THROW(RegisterWindowClass(malformed), WindowCreationError);
}

}  // namespace
}  // namespace ferrowin
