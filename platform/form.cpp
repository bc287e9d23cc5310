#include "platform/form.h"

#include <utility>

#include "platform/text.h"

namespace ferrowin {

Form::~Form() { DestroyFrame(); }

void Form::DestroyFrame() {
  HWND window = std::exchange(hwnd_, nullptr);
  if (!window || !IsWindow(window)) return;
  // The messages of its going reach no handler.
  SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  RemovePropW(window, kProperty);
  DestroyWindow(window);
}

Form* Form::FromHandle(HWND window) {
  if (!window) return nullptr;
  // Only a form's own window holds a form in its user data.
  if (reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_WNDPROC)) != &Form::WindowProc) return nullptr;
  return reinterpret_cast<Form*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

void Form::CreateFrame(const wchar_t* className, int width, int height) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
  windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = className;
  RegisterWindowClass(windowClass);
  RegisterToolkitClasses(instance);

  minimumSize_ = {width, height};
  int left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  int top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  HWND window = CreateWindowExW(WS_EX_CONTROLPARENT, className, L"", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, left,
                                top, width, height, nullptr, nullptr, instance, this);
  if (!window) {
    DWORD error = GetLastError();
    hwnd_ = nullptr;  // WM_NCCREATE may have set it before the window went again
    throw WindowCreationError("Could not create the main window", error);
  }
  application_.SetMainWindow(hwnd_);
}

LRESULT CALLBACK Form::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* form = static_cast<Form*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    form->hwnd_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    SetPropW(window, kProperty, static_cast<HandlerBarrier*>(form));
  }
  Form* form = FromHandle(window);
  if (!form) return DefWindowProcW(window, message, wParam, lParam);
  LRESULT result = 0;
  form->RunHandler([&] { result = form->HandleMessage(message, wParam, lParam); });
  return result;
}

LRESULT Form::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_GETMINMAXINFO: {
      auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
      limits->ptMinTrackSize = {minimumSize_.cx, minimumSize_.cy};
      return 0;
    }
    case WM_SIZE:
      OnResize(LOWORD(lParam), HIWORD(lParam));
      return 0;
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
      return 0;
    case WM_NOTIFY:
      OnNotify(*reinterpret_cast<NMHDR*>(lParam));
      return 0;
    case DM_GETDEFID: {
      int id = DefaultButtonId();
      return id ? MAKELRESULT(id, DC_HASDEFID) : 0;
    }
    case WM_CLOSE:
      // The form decides; the window itself stays until the application ends.
      OnClose();
      return 0;
    default:
      break;
  }
  if (message >= WM_APP && OnAppMessage(message, wParam, lParam)) return 0;
  return DefWindowProcW(hwnd_, message, wParam, lParam);
}

void Form::OnCommand(int controlId, int code, HWND control) {
  auto handler = clickHandlers_.find(controlId);
  if (handler == clickHandlers_.end()) return;
  Control* sender = Control::FromHandle(control);
  if (!sender || !sender->IsClick(code)) return;
  handler->second(sender);
}

void Form::BindClick(int controlId, EventHandler handler) { clickHandlers_[controlId] = std::move(handler); }

void Form::ShowHandlerError(const char* text) noexcept {
  try {
    ShowMessage(text);
  } catch (...) {
    // Not even the message box could be shown; the handler has ended all the same.
  }
}

void Form::ShowMessage(const std::string& text) {
  MessageBoxW(hwnd_, Widen(text).c_str(), L"Ferrowin", MB_OK);
}

std::string Form::Caption() const {
  wchar_t text[512] = {};
  GetWindowTextW(hwnd_, text, 512);
  return Narrow(text);
}

void Form::SetCaption(std::string_view caption) { SetWindowTextW(hwnd_, Widen(caption).c_str()); }

void Form::Repaint() { RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW); }

}  // namespace ferrowin
