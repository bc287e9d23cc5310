// The top-level window of a form: one C++ object per window, reached from the
// window procedure through the pointer stored at creation, with a short
// dispatch to the form's handlers.
#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "platform/application.h"
#include "platform/controls.h"

namespace ferrowin {

class Form : public EventSource, public ComponentOwner, public HandlerBarrier {
 public:
  using EventHandler = std::function<void(EventSource* sender)>;

  explicit Form(Application& application) : application_(application) {}
  virtual ~Form();
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  // The form whose top-level window this is, or null.
  static Form* FromHandle(HWND window);

  HWND Handle() const { return hwnd_; }
  Application& App() const { return application_; }

  std::string Caption() const;
  void SetCaption(std::string_view caption);

  // Paints the whole window and its controls at once.
  void Repaint();

  // Binds a control's click, whichever notification its kind calls a click
  // (Control::IsClick).
  void BindClick(int controlId, EventHandler handler);

  // Runs a handler; an error that escapes it is shown in a message box and
  // ends the handler, never the program. Every window procedure of the
  // toolkit that can reach a handler runs its work in here, so no exception
  // crosses into Windows.
  template <typename Handler>
  void RunHandler(Handler&& handler) noexcept {
    try {
      handler();
    } catch (const std::exception& error) {
      ShowHandlerError(error.what());
    } catch (...) {
      ShowHandlerError("An unexpected error ended this action.");
    }
  }

  void RunGuarded(const std::function<void()>& work) noexcept override { RunHandler(work); }

  // A modal box with the text and an OK button.
  virtual void ShowMessage(const std::string& text);

 protected:
  // Makes the top-level window, centred on the screen, with the given outer
  // size, which is also its minimum. Throws WindowCreationError when the
  // window or a class of the toolkit cannot be made.
  void CreateFrame(const wchar_t* className, int width, int height);
  // Destroys the window. A form whose controls use what its own members own
  // (fonts) calls it in its destructor, before those members go.
  void DestroyFrame();

  virtual void OnClose() {}
  virtual void OnResize(int clientWidth, int clientHeight) = 0;
  virtual void OnNotify(const NMHDR&) {}
  // The id of the button that Enter clicks, or 0 for none.
  virtual int DefaultButtonId() const { return 0; }
  // Messages of the form's own (WM_APP and up); true when handled.
  virtual bool OnAppMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void OnCommand(int controlId, int code, HWND control);
  void ShowHandlerError(const char* text) noexcept;

  Application& application_;
  HWND hwnd_ = nullptr;
  SIZE minimumSize_{};
  std::map<int, EventHandler> clickHandlers_;
};

}  // namespace ferrowin
